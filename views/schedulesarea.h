#pragma once
// The schedules area: its caption (the status text) above one to seven day
// panes, in the single view (one pane on the viewed day, its scroll bar
// counting weeks), the multi-pane view (the header's pane count on
// consecutive days, each pane with a day of its own) or the week view (the
// week definition's days, all panes moving together).
//
// The area owns the panes, the current pane and the keyboard: Up and Down
// move the selection, Left and Right the current pane (past the first or
// last pane they move the day), Page Up and Page Down page the current
// pane, Ctrl+Home and Ctrl+End go to its first and last entry, Ctrl+Page
// Up and Ctrl+Page Down scroll it, Tab goes to the next pane, Enter opens
// the selected entry, and a letter or digit selects by type-ahead.
//
// It never holds the schedule: what the user does comes out as signals,
// and the owner calls refresh() (while it owns the schedule) after a day
// changed or the schedule did.

#ifndef Q_MOC_RUN
#include "shell/model/panelines.h"
#endif
#include "views/daypane.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QLabel;

namespace zk {

class Schedule;

// How the multi-pane view arranges its panes (commands 85, 86, 87).
enum class Tiling { Horizontal = 85, Vertical = 86, Quad = 87 };

// The commands the area carries out, by their command numbers, for the
// menus and keys of the main window.
enum class PaneCommand {
    NextPane = 5, PriorPane = 6, PriorItem = 7, NextItem = 8, PageUp = 27, PageDown = 28, NextPaneTab = 72,
    TopPage = 161, BottomPage = 162, ScrollUp = 293, ScrollDown = 294,
    PriorWeek = 913, NextWeek = 914, NextDay = 917, PriorDay = 918,
};

class SchedulesArea : public QWidget {
    Q_OBJECT
public:
    explicit SchedulesArea(QWidget* parent = nullptr);

    // Switches the view; the panes are made afresh around the viewed day.
    void setView(ScheduleView view);
    ScheduleView view() const { return view_; }
    void setViewLayout(const ViewLayout& layout);
    void setTiling(Tiling tiling);
    void setDisplay(const PaneDisplay& display);
    const PaneDisplay& display() const { return display_; }
    void setStyle(const PaneStyle& style);
    const PaneStyle& style() const { return style_; }
    void setHideTest(HideTest hidden);
    const HideTest& hideTest() const { return hidden_; }
    void setStatusText(const QString& text);
    QString statusText() const;
    // The status line's colours swapped for a moment, to catch the eye.
    void flashStatusLine(int milliseconds);
    bool statusLineFlashing() const { return flashing_; }

    // Shows the day in the current pane (in the week view: rebuilds the
    // week around it). Takes effect in the next refresh().
    void setViewedDay(DayNumber day);
    DayNumber viewedDay() const;
    // Reads every pane's day from the schedule.
    void refresh(Schedule& schedule, const DayPaneMoment& moment, const RegionalSettings& regional);

    int paneCount() const { return static_cast<int>(panes_.size()); }
    DayPane& pane(int index) { return *panes_.at(static_cast<std::size_t>(index)); }
    DayPane& currentPane() { return pane(current_); }
    int currentPaneIndex() const { return current_; }
    void setCurrentPane(int index);
    std::vector<DayNumber> paneDaysShown() const;
    ItemHandle selectedItem() const;
    // The selected entry of the current pane: its item, day and place there.
    std::optional<DraggedEntry> selectedEntry() const;

    // The commands that move the viewed day, the current pane and the
    // selection; false when there was nowhere to go.
    bool command(PaneCommand command);
    bool moveViewedDay(int days);
    // Emits openItemRequested for the selected entry.
    bool openSelected();
    // Makes the pane on the day current and selects the item there; false
    // when no pane shows it.
    bool selectItemOn(DayNumber day, ItemHandle item);

    // Whether entries may be dragged now (unset: never).
    void setDragAllowed(std::function<bool()> allowed);

signals:
    void openItemRequested(zk::ItemHandle item, zk::DayNumber day);
    void insertItemRequested(zk::DayNumber day);
    void notesRequested(zk::ItemHandle item);
    void statusMenuRequested(zk::ItemHandle item, QPoint globalPosition);
    void heldTimeToggleRequested(zk::ItemHandle item, zk::DayNumber day);
    // The user moved to another day: the owner refreshes the panes.
    void viewedDayChanged(zk::DayNumber day);
    void selectionChanged(zk::ItemHandle item);
    // An entry was dragged and let go over a pane: the owner moves it.
    void entryDropRequested(zk::DraggedEntry entry, zk::DropPlace place);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Tab moves between panes, not out of the area.
    bool focusNextPrevChild(bool next) override;

private:
    void rebuildPanes(const std::vector<DayNumber>& days);
    void arrangePanes();
    void connectPane(DayPane* pane, int index);
    bool nextPane();
    bool priorPane();
    void dayRequested(DayNumber day);
    bool afterSelection(bool moved);
    bool typeAhead(const QString& text);
    DayPane* paneAt(QPoint globalPosition);
    void showDropPlace(QPoint globalPosition);
    void drop(const DraggedEntry& entry, QPoint globalPosition);

    ScheduleView view_ = ScheduleView::Single;
    ViewLayout layout_;
    Tiling tiling_ = Tiling::Quad;
    PaneDisplay display_;
    PaneStyle style_;
    HideTest hidden_;
    std::function<bool()> dragAllowed_;
    QLabel* caption_;
    bool flashing_ = false;
    QWidget* panesHost_;
    std::vector<DayPane*> panes_;
    // The days the panes are to show at the next refresh.
    std::vector<DayNumber> days_;
    int current_ = 0;
    DayNumber today_;
};

} // namespace zk
