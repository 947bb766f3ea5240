#include "shell/pastdaycommands.h"

#include "core/schedule.h"
#include "editing/itemdialog.h"
#include "engine/interfacemode.h"
#include "shell/desktopapp.h"
#include "shell/mainwindow.h"
#include "shell/model/commanddispatch.h"
#include "sharing/session.h"

namespace zk {

namespace {

constexpr int kDoneItemCommand = 154;

void enterDoneItem(DesktopApp& app)
{
    if (app.initialising())
        return;
    {
        // EZ reads no past days, so it could only overwrite them.
        BackgroundWork::Hold hold = app.backgroundWork().holdForChange(app.messages());
        if (app.session().schedule().header.interfaceMode() == InterfaceMode::ez)
            return;
    }
    const DayNumber today = app.today();
    const DayNumber viewed = app.state().viewed();
    const DayNumber day = !viewed.isNone() && viewed < today ? viewed : today - 1;
    ItemDialogRequest request{ItemCommand::task, kNoItem, std::nullopt, {}, day};
    {
        BackgroundWork::Hold hold = app.backgroundWork().holdForChange(app.messages());
        ItemRecord preset = app.session().schedule().templateItem;
        preset.setKind(ItemKind::task);
        preset.setFlag(ItemFlag::fDone, true);
        // Done is when it happened: a fixed time, never floating.
        preset.setFlag(ItemFlag::fFloating, false);
        request.preset = preset;
    }
    CommitResult result;
    if (defineItem(&app.window(), std::move(request), app.session(), app.backgroundWork(), &result) != 1)
        return;
    app.showDay(result.dayToShow.isNone() ? day : result.dayToShow);
}

} // namespace

void installPastDayCommands(CommandDispatcher& dispatcher, DesktopApp& app)
{
    dispatcher.setHandler(kDoneItemCommand, [&app](int) { enterDoneItem(app); });
}

} // namespace zk
