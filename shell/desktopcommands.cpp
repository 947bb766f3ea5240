#include "shell/desktopcommands.h"

#include "core/schedule.h"
#include "platform/messages.h"
#include "shell/desktopapp.h"
#include "shell/mainwindow.h"
#include "shell/menubar.h"
#include "shell/model/settings.h"
#include "sharing/session.h"

namespace zk {

namespace {
constexpr int kPreferencesCommand = 634;
}

DesktopCommands::DesktopCommands(DesktopApp& app)
    : app_(app), dispatcher_(app.messages()), views_(*this)
{
    dispatcher_.setGates({
        .activity = {},
        .viewAccess = {},
        .readOnly = [this] { return app_.state().readOnly.load(); },
        .changeAccess = [this] { return app_.requestChangeAccess(); },
    });
    menus_ = std::make_unique<CommandMenus>(app.window(), dispatcher_, [this] { return commandState(); });
    views_.setViewChanged([this](int) { menus_->refresh(); });
    views_.install(dispatcher_, specificDatePrompt(&app.window(), app.messages(), [this] {
                       BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
                       return app_.session().entryContext();
                   }));
    installModeCommands(dispatcher_, *menus_, [this] { return menuOptions(); },
                        [this](std::uint32_t mode) { storeMode(mode); });
    installAboutCommand(dispatcher_, &app.window());
    installSessionCommands();
}

DesktopCommands::~DesktopCommands() = default;

void DesktopCommands::applyScheduleMode()
{
    std::uint32_t mode;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        mode = app_.session().schedule().header.interfaceMode();
    }
    if (!menus_->applyMode(mode, menuOptions()))
        app_.messages().error(unknownModeText(mode));
}

void DesktopCommands::refresh() { menus_->refresh(); }

void DesktopCommands::installSessionCommands()
{
    auto closeWindow = [this](int) { app_.window().close(); };
    dispatcher_.setHandler(Command::exit, closeWindow);
    dispatcher_.setHandler(Command::quit, closeWindow);
    dispatcher_.setHandler(kPreferencesCommand, [this](int) { app_.openPreferences(); });
}

CommandState DesktopCommands::commandState()
{
    CommandState state;
    state.interfaceMode = menus_->applied() ? menus_->mode() : state.interfaceMode;
    state.view = views_.view();
    state.readOnly = app_.state().readOnly;
    const Settings& settings = app_.preferences();
    state.tilingCommand = settings.windowRow().tilingCommand;
    state.noteBrowsing = settings.windowRow().noteBrowsing != 0;
    state.hideDoneItems = settings.windowRow().hideDoneItems != 0;
    state.settings = &settings;
    return state;
}

MenuOptions DesktopCommands::menuOptions()
{
    return MenuOptions{.email = app_.preferences().isOn(IntSetting::email), .samplesGone = false};
}

// The mode travels with the data file: it is saved with the schedule.
void DesktopCommands::storeMode(std::uint32_t mode)
{
    BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
    Schedule& schedule = app_.session().schedule();
    schedule.header.setInterfaceMode(mode);
    schedule.dirty = true;
}

// --- the navigator ------------------------------------------------------------------

DayNumber DesktopCommands::today() const { return app_.today(); }
DayNumber DesktopCommands::viewedDay() const { return app_.state().viewed(); }
void DesktopCommands::setViewedDay(DayNumber day) { app_.showDay(day); }
void DesktopCommands::moveWeekPanes(int days) { app_.showDay(viewedDay() + days); }
void DesktopCommands::rebuildWeekOn(DayNumber day) { app_.showDay(day); }
void DesktopCommands::setView(int) { app_.showDay(viewedDay()); }
void DesktopCommands::setMultiPaneCount(int) {}

} // namespace zk
