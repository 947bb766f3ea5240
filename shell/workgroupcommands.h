#pragma once
// The workgroup's commands in a desktop session: Schedules Setup (461),
// Select Schedule (368), Open... (703), the recent schedules (170..189, in
// File > Open Recent), Passwords... (218) and Edit User Name... (57); and
// the start-up's password check and user-name question.
//
// Another schedule always opens in a session of its own: the program is
// started again on that folder through the program launcher (no shell),
// and that session loads, locks and saves there as on its own. A session
// already open on it refuses to start twice.
//
// The permissions the passwords grant live here for the session: without
// View Permission the commands are refused and the schedule is not shown;
// without Modify Permission change access is never taken.

#include "platform/programlauncher.h"
#include "sharing/workgroup.h"

#include <QMenu>
#include <QPointer>
#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace zk {

class CommandDispatcher;
class CommandMenus;
class DesktopApp;

namespace WorkgroupCommand {
inline constexpr int editUserName = 57;
inline constexpr int firstRecent = 170;
inline constexpr int lastRecent = 189;
inline constexpr int passwords = 218;
inline constexpr int selectSchedule = 368;
inline constexpr int schedulesSetup = 461;
inline constexpr int open = 703;
} // namespace WorkgroupCommand

class WorkgroupCommands {
public:
    using FolderChooser = std::function<std::optional<std::filesystem::path>(const std::filesystem::path& start)>;

    explicit WorkgroupCommands(DesktopApp& app);

    void install(CommandDispatcher& dispatcher, CommandMenus& menus);
    // In place of the real launcher and the folder dialog (tests).
    void setLauncher(std::unique_ptr<ProgramLauncher> launcher) { launcher_ = std::move(launcher); }
    void setFolderChooser(FolderChooser chooser) { chooser_ = std::move(chooser); }

    bool mayView() const { return permissions_.mayView; }
    const Permissions& permissions() const { return permissions_; }

    // Start-up, on the user-interface thread: the Access Check of a
    // schedule with passwords, and the question for a missing user name.
    void checkPasswords();
    void askUserName();
    // This session's name: the schedule's own, else the login name.
    std::string userName();
    // The schedule folder this session opened, first in the recent list.
    void recordRecent();

    // The workgroup of the server folder set in Schedules Setup.
    Workgroup workgroup();

private:
    void schedulesSetup();
    void selectSchedule();
    void openOther();
    void openRecent(int command);
    void setPasswords();
    void editUserName();
    void editGroup(std::vector<std::string> choices);
    // Without View Permission: no menus, keys, toolbar or schedule.
    void withholdWindow();
    bool moveToServer(const std::filesystem::path& target);
    void fillRecentMenu();
    // Starts a session of the program on the folder; says so when it cannot.
    void launch(const std::filesystem::path& folder);
    bool interactive();
    void applyPermissions();
    std::filesystem::path recentList() const;

    DesktopApp& app_;
    CommandDispatcher* dispatcher_ = nullptr;
    std::unique_ptr<ProgramLauncher> launcher_;
    FolderChooser chooser_;
    Permissions permissions_;
    std::vector<RecentEntry> recent_;
    QPointer<QMenu> recentMenu_;  // File > Open Recent of the menus in place
    std::optional<std::filesystem::path> pendingMove_;
};

} // namespace zk
