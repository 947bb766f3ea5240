#pragma once
// The view filters of a desktop session: the Filter window (646, Shift+F),
// Hide Done Items (706), Cash Flow Items Only (688) and the cash-flow view
// ($, 759: cash-flow items only, said in the status text), and the hide
// test every view of the main window paints with.
//
// The filter switches that are no settings (window open, text and case
// filter on, cash-flow items only) live here for the session; the rest are
// the session's settings and the schedule header's filter project and
// status mask. Everything runs on the user-interface thread; the schedule
// is read only under the background-work lock.

#ifndef Q_MOC_RUN
#include "shell/model/panelines.h"
#include "shell/model/viewfilter.h"
#endif

#include <QPointer>

namespace zk {

class CommandDispatcher;
class DesktopApp;
class FilterWindow;
class Schedule;

class ViewFilters {
public:
    explicit ViewFilters(DesktopApp& app);
    ~ViewFilters();

    void install(CommandDispatcher& dispatcher);

    bool filterOpen() const { return switches_.open; }
    bool cashFlowOnly() const { return cashFlowOnly_ || cashFlowView_; }
    bool cashFlowView() const { return cashFlowView_; }
    bool hideDoneItems() const;
    // The Filter window while it is open, else null.
    FilterWindow* window() const;

    // The test for one paint of the view: the settings are read now, the
    // schedule as each item is asked about (the caller holds the lock).
    HideTest hideTest(const Schedule& schedule, int view, bool printing = false) const;

    void openFilter();
    void toggleHideDoneItems();
    void toggleCashFlowOnly();
    void toggleCashFlowView();

private:
    void filterChanged();
    void filterClosed();
    void openStatusSelections();
    void repaint();

    DesktopApp& app_;
    FilterSwitches switches_;
    bool cashFlowOnly_ = false;
    bool cashFlowView_ = false;
    QPointer<FilterWindow> window_;
};

} // namespace zk
