#include "shell/clipboardcommands.h"

#include "core/schedule.h"
#include "exchange/calendarsession.h"
#include "exchange/clipboardforms.h"
#include "exchange/icalendarwrite.h"
#include "platform/messages.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/mainwindow.h"
#include "shell/model/deletecommands.h"
#include "sharing/session.h"
#include "views/schedulesarea.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

namespace zk {

namespace {

constexpr int kCutCommand = 92;
constexpr int kCopyCommand = 93;
constexpr int kPasteCommand = 94;

// Puts the selected item on the clipboard; false when nothing is selected.
bool copySelected(DesktopApp& app, DesktopCommands& commands)
{
    if (app.initialising())
        return false;
    const std::optional<DraggedEntry> entry = commands.selectedEntry();
    const ItemHandle item = entry ? entry->item : commands.selectedItem();
    if (!item)
        return false;
    std::string line, calendar;
    {
        BackgroundWork::Hold hold = app.backgroundWork().holdForChange(app.messages());
        Schedule& s = app.session().schedule();
        if (!s.items.isLive(item))
            return false;
        DayNumber day = entry ? entry->day : s.dayOf(item);
        if (day.isNone())
            day = app.state().viewed();
        line = clipboardLine(s, item, day, app.regional());
        // An occurrence of a recurring item is copied as that day's item.
        calendar = writeICalendarItem(s, item, calendarExportOptions(app.session(), &app.statuses()),
                                      entry ? entry->day : kNoDay);
    }
    auto* data = new QMimeData;
    data->setText(QString::fromStdString(line));
    data->setData(kCalendarMimeType, QByteArray::fromStdString(calendar));
    QApplication::clipboard()->setMimeData(data);
    return true;
}

void paste(DesktopApp& app, DesktopCommands& commands)
{
    if (app.initialising() || app.state().readOnly)
        return;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data)
        return;
    const std::string calendar = data->data(kCalendarMimeType).toStdString();
    const std::string line = data->text().toStdString();
    PasteOutcome outcome;
    {
        BackgroundWork::Hold hold = app.backgroundWork().holdForChange(app.messages());
        outcome = pasteItems(app.session(), calendar, line, app.state().viewed(), &app.statuses());
    }
    if (!outcome.refusal.empty()) {
        app.messages().error(outcome.refusal);
        return;
    }
    if (outcome.added.empty())
        return;
    const ItemHandle first = outcome.added.front();
    DayNumber day;
    {
        BackgroundWork::Hold hold = app.backgroundWork().holdForChange(app.messages());
        const Schedule& s = app.session().schedule();
        if (s.items.isLive(first))
            day = s.dayOf(first);
    }
    app.showDay(day.isNone() ? app.state().viewed() : day);
    if (!day.isNone())
        app.window().schedulesArea().selectItemOn(day, first);
    commands.refresh();
}

} // namespace

void installClipboardCommands(CommandDispatcher& dispatcher, DesktopApp& app, DesktopCommands& commands)
{
    dispatcher.setHandler(kCopyCommand, [&app, &commands](int) { copySelected(app, commands); });
    dispatcher.setHandler(kCutCommand, [&app, &commands, &dispatcher](int) {
        if (copySelected(app, commands))
            dispatcher.dispatch(kDeleteItemCommand);
    });
    dispatcher.setHandler(kPasteCommand, [&app, &commands](int) { paste(app, commands); });
}

} // namespace zk
