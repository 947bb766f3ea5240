#pragma once
// The worktools list in a desktop session: the Worktools menu gains one
// entry per line of "worktool.lst" (commands 97..116), read again each time
// the menu opens so an edited list shows at once, and "Edit Worktools
// List" (201) opens the list in the desktop's text editor. The LITE menus
// take no list entries.
//
// Runs on the user-interface thread.

#ifndef Q_MOC_RUN
#include "worktools/model/worktoolslist.h"
#endif

#include <filesystem>
#include <memory>
#include <vector>

namespace zk {

class DesktopApp;
class ProgramLauncher;

inline constexpr int kEditWorktoolsListCommand = 201;

class WorktoolsMenu {
public:
    // Without a launcher given, the Linux one.
    explicit WorktoolsMenu(DesktopApp& app, ProgramLauncher* launcher = nullptr);
    ~WorktoolsMenu();
    WorktoolsMenu(const WorktoolsMenu&) = delete;
    WorktoolsMenu& operator=(const WorktoolsMenu&) = delete;

    void install();
    // The list's entries in the Worktools menu, as the file is now.
    void fill();
    void run(int index);
    // Opens a list file of the schedule folder in the text editor, created
    // when missing (the surprise list too).
    void editList(const char* fileName);
    void setLauncher(ProgramLauncher& launcher) { launcher_ = &launcher; }

private:
    DesktopApp& app_;
    std::unique_ptr<ProgramLauncher> ownLauncher_;
    ProgramLauncher* launcher_;
    std::vector<Worktool> tools_;
};

} // namespace zk
