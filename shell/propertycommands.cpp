#include "shell/propertycommands.h"

#include "core/schedule.h"
#include "engine/carryover.h"
#include "editing/itemdialog.h"
#include "platform/messages.h"
#include "sharing/session.h"
#include "shell/desktopapp.h"
#include "shell/deletehandlers.h"
#include "shell/desktopcommands.h"
#include "shell/mainwindow.h"
#include "shell/model/backgroundwork.h"
#include "shell/model/commanddispatch.h"
#include "shell/model/propertycommands.h"
#include "shell/model/settings.h"
#include "shell/propertydialogs.h"
#include "views/daypane.h"
#include "views/schedulesarea.h"

namespace zk {

PropertyCommands::PropertyCommands(DesktopApp& app, std::function<void(DayNumber)> showDay)
    : app_(app), showDay_(std::move(showDay))
{
}

void PropertyCommands::install(CommandDispatcher& dispatcher)
{
    for (int command : entryPropertyCommands())
        dispatcher.setHandler(command, [this](int c) { actOnSelectedEntry(c); });
    for (int command : itemInformationCommands())
        dispatcher.setHandler(command, [this](int c) { tellAboutSelectedItem(c); });
    dispatcher.setHandler(PropertyCommand::earliestUndone, [this](int) { showEarliestUndoneDay(); });
    dispatcher.setHandler(PropertyCommand::newItemDefaults, [this](int c) { editItem(c, false); });
    dispatcher.setHandler(PropertyCommand::customModify, [this](int c) { editItem(c, true); });
    dispatcher.setHandler(PropertyCommand::handleInterruption, [this](int) { handleInterruption(); });
    dispatcher.setHandler(PropertyCommand::timeValues, [this](int) { editTimeValues(); });
    dispatcher.setHandler(PropertyCommand::dayBounds, [this](int) { editDayBounds(); });
    dispatcher.setHandler(PropertyCommand::bizHours, [this](int) { editBizHours(); });
    dispatcher.setHandler(PropertyCommand::shiftMarvals, [this](int) { shiftMarvals(); });
}

void PropertyCommands::changed(bool rebalance)
{
    if (rebalance)
        requestRebalance(app_.session());
    app_.showDay(app_.window().schedulesArea().currentPane().day());
}

void PropertyCommands::actOnSelectedEntry(int command)
{
    std::optional<DraggedEntry> entry = app_.commands().entryToChange();
    if (!entry)
        return;
    const StepSize size =
        app_.preferences().value(IntSetting::KeyIncre1min) ? StepSize::OneMinute : StepSize::FiveMinutes;
    PropertyResult result;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        result = runPropertyCommand(app_.session(), command, *entry, size);
    }
    if (!result.item)
        return;
    changed(result.rebalanceRequested);
    app_.commands().reselect(result.day, result.item);
}

void PropertyCommands::tellAboutSelectedItem(int command)
{
    if (app_.initialising())
        return;
    const ItemHandle item = app_.commands().selectedItem();
    if (!item)
        return;
    std::string text;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        text = itemInformation(app_.session(), command, item);
    }
    app_.messages().information(text);
}

void PropertyCommands::showEarliestUndoneDay()
{
    if (app_.initialising())
        return;
    DayNumber day;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        day = earliestUndonePastDay(app_.session().schedule(), app_.today());
    }
    // Nothing is left undone before today: today is the earliest.
    showDay_(day.isNone() ? app_.today() : day);
}

// "New Item Defaults..." opens the editor on nothing, so OK stores the
// template; "Custom Modify Item..." opens the selected item in the general
// form, whatever its kind.
void PropertyCommands::editItem(int command, bool selected)
{
    if (app_.initialising())
        return;
    SchedulesArea& area = app_.window().schedulesArea();
    ItemDialogRequest request{ItemCommand::define, kNoItem, std::nullopt, {}, area.currentPane().day()};
    if (selected) {
        request.command = command;
        request.item = app_.commands().selectedItem();
        if (!request.item)
            return;
    }
    const ItemHandle opened = request.item;
    const DayNumber day = request.day;
    CommitResult result;
    const int answer = defineItem(&app_.window(), std::move(request), app_.session(), app_.backgroundWork(), &result);
    if (answer == kItemDialogDeleted)
        app_.commands().deleting().deleteFromDialog(opened, day);
    if (answer != 1)
        return;
    changed(result.rebalanceRequested);
    if (result.item && !result.dayToShow.isNone())
        app_.commands().reselect(result.dayToShow, result.item);
}

void PropertyCommands::handleInterruption()
{
    if (app_.initialising())
        return;
    InterruptionDialog dialog(app_.messages(), &app_.window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    PropertyResult result;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        result = zk::handleInterruption(app_.session(), dialog.interruption());
    }
    if (!result.item)
        return;
    showDay_(result.day);
    changed(result.rebalanceRequested);
    app_.window().schedulesArea().selectItemOn(result.day, result.item);
}

void PropertyCommands::editTimeValues()
{
    if (app_.initialising())
        return;
    TimeValues current;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        current = timeValuesOf(app_.session().schedule().header);
    }
    TimeValuesDialog dialog(current, app_.messages(), &app_.window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    bool stored;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        stored = setTimeValues(app_.session(), dialog.values());
    }
    if (stored)
        changed(true);
}

void PropertyCommands::editDayBounds()
{
    if (app_.initialising())
        return;
    DayBoundsDialog::Values current;
    std::vector<ItemChoice> items;
    EntryContext context;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        const Schedule& s = app_.session().schedule();
        current.from = s.dayStart();
        current.to = s.dayEnd();
        for (ItemHandle h : s.chain) {
            const ItemRecord& r = s.record(h);
            if (r.id() == 0)
                continue;  // found again by id only
            if (r.has(ItemFlag::fFirstOfDay))
                current.first = r.id();
            if (r.has(ItemFlag::fLastOfDay))
                current.last = r.id();
            items.push_back({r.id(), s.description(h)});
        }
        context = app_.session().entryContext();
    }
    DayBoundsDialog dialog(current, std::move(items), context, app_.messages(), &app_.window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    const DayBoundsDialog::Values& chosen = dialog.values();
    std::string refused;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        // By id: the schedule may have been reloaded while the dialog was
        // open; an item that has gone since is no longer chosen.
        const Schedule& s = app_.session().schedule();
        auto byId = [&s](std::uint32_t id) { return id == 0 ? kNoItem : s.findItemById(id); };
        refused = setDayBounds(app_.session(), chosen.from, chosen.to, byId(chosen.first), byId(chosen.last));
    }
    if (!refused.empty()) {
        app_.messages().error(refused);
        return;
    }
    changed(true);
}

void PropertyCommands::editBizHours()
{
    if (app_.initialising())
        return;
    TimeValue begin, end;
    EntryContext context;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        begin = app_.session().schedule().header.bizStart();
        end = app_.session().schedule().header.bizEnd();
        context = app_.session().entryContext();
    }
    BizHoursDialog dialog(begin, end, context, app_.messages(), &app_.window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    bool stored;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        stored = setBizHours(app_.session(), dialog.begin(), dialog.end());
    }
    if (stored)
        changed(true);
}

void PropertyCommands::shiftMarvals()
{
    if (app_.initialising())
        return;
    MarvalsFactorDialog dialog(app_.messages(), &app_.window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    bool stored;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        stored = zk::shiftMarvals(app_.session(), dialog.factor());
    }
    if (stored)
        changed(true);
}

} // namespace zk
