#pragma once
// The list views in the desktop program: the list pane laid over the day
// panes of the schedules area while a list view is current, filled from
// the schedule at every repaint, and the keys that move the selection sent
// to it instead of the day panes. Delete, Modify and the status menu act
// on its selected item (selectedItem()).

#ifndef Q_MOC_RUN
#include "shell/model/entrydrop.h"
#include "shell/model/listviews.h"
#endif

#include <QObject>

namespace zk {

class DesktopApp;
class DesktopCommands;
class ListPane;
class Schedule;

class ListViewCommands : public QObject {
    Q_OBJECT
public:
    ListViewCommands(DesktopApp& app, DesktopCommands& commands);
    ~ListViewCommands() override;

    // The view became current: a list view shows the pane, any other hides it.
    void setView(int view);
    bool shown() const { return view_ != 0; }
    int view() const { return view_; }
    ItemHandle selectedItem() const;
    // The selected item's entry (the last of a split item), for the commands
    // that act on an entry; no day for an item on no day.
    std::optional<DraggedEntry> selectedEntry();
    ListPane& pane() { return *pane_; }
    // Collects the list again; while this thread owns the schedule.
    void refresh(Schedule& schedule);
    // What the view hides: the session's view filters with the view's own
    // list membership.
    ListHideTest hideTest(const Schedule& schedule, int view) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void installKeys();
    void place();
    void fillLines();
    ListLineContext lineContext() const;

    DesktopApp& app_;
    DesktopCommands& commands_;
    ListPane* pane_;
    int view_ = 0;  // 0: no list view is current
    const Schedule* shownSchedule_ = nullptr;  // the one the pane's handles belong to
};

} // namespace zk
