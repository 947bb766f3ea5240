#include "shell/viewfilters.h"

#include "core/schedule.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "sharing/session.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/mainwindow.h"
#include "shell/model/commanddispatch.h"
#include "views/filterwindow.h"
#include "views/statusfilterdialog.h"

#include <QApplication>

namespace zk {

namespace {
constexpr int kFilterCommand = 646;
constexpr int kCashFlowOnlyCommand = 688;
constexpr int kCashFlowViewCommand = 759;
} // namespace

ViewFilters::ViewFilters(DesktopApp& app) : app_(app) {}

ViewFilters::~ViewFilters()
{
    if (window_)
        delete window_.data();
}

void ViewFilters::install(CommandDispatcher& dispatcher)
{
    dispatcher.setHandler(kFilterCommand, [this](int) { openFilter(); });
    dispatcher.setHandler(Command::hideDoneItems, [this](int) { toggleHideDoneItems(); });
    dispatcher.setHandler(kCashFlowOnlyCommand, [this](int) { toggleCashFlowOnly(); });
    dispatcher.setHandler(kCashFlowViewCommand, [this](int) { toggleCashFlowView(); });
}

FilterWindow* ViewFilters::window() const { return window_.data(); }

bool ViewFilters::hideDoneItems() const
{
    const Settings& settings = app_.preferences();
    return settings.isOn(IntSetting::EnableHideDoneItems) && settings.windowRow().hideDoneItems != 0;
}

// The schedule is looked up at each question: a reload may replace it
// between paints, and the test outlives this call in the panes.
HideTest ViewFilters::hideTest(const Schedule& schedule, int view, bool printing) const
{
    FilterSwitches switches = switches_;
    switches.cashFlowOnly = cashFlowOnly();
    switches.includePrivate = headerOption(schedule.header, HeaderOption::IncludePrivateItems);
    ViewFilter filter = viewFilterOf(app_.preferences(), schedule.header, switches);
    ViewContext context{view, printing, app_.today(), app_.now(), app_.clock().unixSeconds()};
    return [&app = app_, filter = std::move(filter), context](ItemHandle item) {
        const Schedule& current = app.session().schedule();
        return current.items.isLive(item) && isHidden(current, item, filter, context);
    };
}

void ViewFilters::openFilter()
{
    if (app_.initialising())
        return;
    if (window_) {
        window_->raise();
        window_->activateWindow();
        return;
    }
    std::vector<FilterProject> projects;
    std::uint32_t project = 0;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        Schedule& schedule = app_.session().schedule();
        for (ItemHandle h : schedule.projects)
            projects.push_back({schedule.record(h).id(), QString::fromStdString(schedule.titleOf(h))});
        project = filterProject(schedule.header);
        if (project == 0) {
            project = schedule.templateItem.projectId();
            setFilterProject(schedule.header, project);
        }
    }
    switches_.open = true;
    auto* window = new FilterWindow(app_.preferences(), switches_, std::move(projects), project, app_.regional(),
                                    &app_.window());
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (std::optional<SettingRect> r = app_.preferences().rect(RectSetting::FilterWnd))
        window->move(r->a, r->b);
    window_ = window;
    QObject::connect(window, &FilterWindow::changed, window, [this] { filterChanged(); });
    QObject::connect(window, &FilterWindow::projectChosen, window, [this](std::uint32_t id) {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        setFilterProject(app_.session().schedule().header, id);
    });
    QObject::connect(window, &FilterWindow::statusSelectionsRequested, window, [this] { openStatusSelections(); });
    QObject::connect(window, &QDialog::finished, window, [this] { filterClosed(); });
    window->show();
    repaint();
}

void ViewFilters::filterChanged()
{
    app_.saveSettingsNow();
    repaint();
}

// The filter project lives in the header: the schedule is marked changed
// when this session may change it.
void ViewFilters::filterClosed()
{
    if (window_) {
        const QRect r = window_->geometry();
        app_.preferences().setRect(RectSetting::FilterWnd, {r.x(), r.y(), r.width(), r.height()});
    }
    switches_.open = false;
    app_.saveSettingsNow();
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        if (app_.session().access().requestChangeAccess())
            app_.session().schedule().dirty = true;
    }
    repaint();
}

// The dialog asks for change access just before it writes the header on
// OK: the lock is taken there and held until the dialog has closed, so the
// write never meets a save.
void ViewFilters::openStatusSelections()
{
    std::optional<BackgroundWork::Hold> hold;
    StatusFilterDialog::Host host{
        .schedule = [this] { return &app_.session().schedule(); },
        .requestChangeAccess =
            [this, &hold] {
                hold.emplace(app_.backgroundWork().holdForChange(app_.messages()));
                return app_.session().access().requestChangeAccess();
            },
    };
    QWidget* parent = window_ ? static_cast<QWidget*>(window_.data()) : &app_.window();
    hold.emplace(app_.backgroundWork().holdForChange(app_.messages()));
    StatusFilterDialog dialog(app_.statuses(), host, parent);
    hold.reset();
    const bool accepted = dialog.exec() == QDialog::Accepted;
    hold.reset();
    if (accepted)
        repaint();
}

void ViewFilters::toggleHideDoneItems()
{
    Settings& settings = app_.preferences();
    if (!settings.isOn(IntSetting::EnableHideDoneItems)) {
        QApplication::beep();
        return;
    }
    int& hide = settings.windowRow().hideDoneItems;
    hide = hide ? 0 : 1;
    app_.saveSettingsNow();
    repaint();
}

void ViewFilters::toggleCashFlowOnly()
{
    cashFlowOnly_ = !cashFlowOnly_;
    repaint();
}

void ViewFilters::toggleCashFlowView()
{
    cashFlowView_ = !cashFlowView_;
    repaint();
}

void ViewFilters::repaint()
{
    app_.showDay(app_.state().viewed());
    app_.commands().refresh();
}

} // namespace zk
