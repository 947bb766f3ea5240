#include "shell/listviewcommands.h"

#include "core/schedule.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/mainwindow.h"
#include "shell/viewfilters.h"
#include "sharing/session.h"
#include "views/listpane.h"
#include "views/schedulesarea.h"

#include <algorithm>

#include <QEvent>
#include <QLabel>

namespace zk {

namespace {
// The keys that move the selection and scroll: in a list view they act on
// the list.
constexpr PaneCommand kListKeys[] = {PaneCommand::PriorItem, PaneCommand::NextItem, PaneCommand::PageUp,
                                     PaneCommand::PageDown, PaneCommand::TopPage, PaneCommand::BottomPage,
                                     PaneCommand::ScrollUp, PaneCommand::ScrollDown};
} // namespace

ListViewCommands::ListViewCommands(DesktopApp& app, DesktopCommands& commands)
    : app_(app), commands_(commands), pane_(new ListPane(&app.window().schedulesArea()))
{
    SchedulesArea& area = app_.window().schedulesArea();
    pane_->hide();
    area.installEventFilter(this);
    installKeys();
    connect(pane_, &ListPane::linesWanted, this, [this] { fillLines(); });
    connect(pane_, &ListPane::openRequested, &area,
            [&area](ItemHandle item) { emit area.openItemRequested(item, kNoDay); });
    connect(pane_, &ListPane::statusMenuRequested, &area,
            [&area](ItemHandle item, QPoint at) { emit area.statusMenuRequested(item, at); });
    connect(pane_, &ListPane::selectionChanged, this, [this](ItemHandle) { commands_.refresh(); });
}

ListViewCommands::~ListViewCommands() = default;

void ListViewCommands::installKeys()
{
    commands_.dispatcher().addActiveView([this](int c) {
        if (!shown() || std::find(std::begin(kListKeys), std::end(kListKeys), static_cast<PaneCommand>(c)) ==
                             std::end(kListKeys))
            return false;
        pane_->command(c);
        return true;
    });
}

ItemHandle ListViewCommands::selectedItem() const { return shown() ? pane_->selectedItem() : kNoItem; }

std::optional<DraggedEntry> ListViewCommands::selectedEntry()
{
    const ItemHandle item = selectedItem();
    if (!item)
        return std::nullopt;
    BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
    const Schedule& schedule = app_.session().schedule();
    if (!schedule.items.isLive(item))
        return std::nullopt;
    if (std::optional<EntryRef> at = schedule.scheduledAnywhere(item))
        return DraggedEntry{item, at->day, at->index};
    // A suspended definition, say: its properties still change.
    return DraggedEntry{item, kNoDay, 0};
}

void ListViewCommands::setView(int view)
{
    view_ = isListView(view) ? view : 0;
    if (!shown()) {
        pane_->hide();
        return;
    }
    place();
    pane_->show();
    pane_->raise();
    pane_->setFocus();
}

// Below the caption, over the day panes.
void ListViewCommands::place()
{
    SchedulesArea& area = app_.window().schedulesArea();
    const QLabel* caption = area.findChild<QLabel*>("schedulesCaption");
    const int top = caption ? caption->geometry().bottom() + 1 : 0;
    pane_->setGeometry(0, top, area.width(), std::max(0, area.height() - top));
}

bool ListViewCommands::eventFilter(QObject* watched, QEvent* event)
{
    if (shown() && event->type() == QEvent::Resize)
        place();
    return QObject::eventFilter(watched, event);
}

ListLineContext ListViewCommands::lineContext() const { return {app_.today(), app_.regional()}; }

void ListViewCommands::refresh(Schedule& schedule)
{
    if (!shown())
        return;
    shownSchedule_ = &schedule;
    pane_->setStyle(app_.window().schedulesArea().style());
    std::vector<ItemHandle> items = listedItems(schedule, view_, hideTest(schedule, view_));
    const ListLineContext context = lineContext();
    const QString title = QString::fromStdString(listTitle(schedule, view_, items, context, app_.now()));
    pane_->setList(view_, std::move(items), title);
    pane_->fillVisible([&](ItemHandle h) { return listLine(schedule, view_, h, context); });
}

// The list's membership and the view filters, with the Filter window's
// switches as they are now.
ListHideTest ListViewCommands::hideTest(const Schedule& schedule, int view) const
{
    return commands_.filters().hideTest(schedule, view);
}

// A save holding the schedule leaves the lines to the next repaint.
void ListViewCommands::fillLines()
{
    if (!shown() || app_.initialising())
        return;
    if (BackgroundWork::Hold hold = app_.backgroundWork().tryHold()) {
        Schedule& schedule = app_.session().schedule();
        const ListLineContext context = lineContext();
        // Handles are only good for the schedule they came from; a reload
        // meanwhile brings a new list first.
        if (&schedule != shownSchedule_) {
            refresh(schedule);
            return;
        }
        pane_->fillVisible([&](ItemHandle h) { return listLine(schedule, view_, h, context); });
    }
}

} // namespace zk
