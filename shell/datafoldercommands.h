#pragma once
// File/Name's Data File (148, Ctrl+Shift+N) and Exe Folder (761): the user
// picks another schedule folder and the program starts again on it.
//
// The folder dialog starts in the schedule folder (Data File) or in the
// program's folder (Exe Folder). The choice passes the same checks as a
// folder named on the command line; a refused name is reported and
// nothing changes, and so does choosing the folder already in use. Then
// the session closes as Exit closes it (asking what Exit asks, saving what
// is unsaved) and only when it did close is the program started on the
// new folder, which it then remembers as its data folder.

#include "shell/folderchooser.h"

#include <filesystem>
#include <functional>
#include <optional>

namespace zk {

class CommandDispatcher;
class DesktopApp;

namespace DataFolderCommand {
inline constexpr int dataFile = 148;
inline constexpr int exeFolder = 761;
} // namespace DataFolderCommand

class DataFolderCommands {
public:
    // Starts a new program on the schedule folder.
    using Launcher = std::function<void(const std::filesystem::path& folder)>;

    explicit DataFolderCommands(DesktopApp& app);

    void install(CommandDispatcher& dispatcher);
    // In place of the folder dialog and the new process (tests).
    void setFolderChooser(FolderChooser chooser) { chooser_ = std::move(chooser); }
    void setLauncher(Launcher launcher) { launcher_ = std::move(launcher); }

private:
    void nameDataFolder(int command);

    DesktopApp& app_;
    FolderChooser chooser_;
    Launcher launcher_;
};

} // namespace zk
