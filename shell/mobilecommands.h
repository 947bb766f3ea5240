#pragma once
// File > Transfer > Mobile Computing: Check Out (372, Ctrl+O) and Check In
// (371, Ctrl+I), and the offer to check in when a checked-out schedule
// starts (sharing/mobilecomputing.h does the work).
//
// The "mobile drive" is any folder, chosen with the desktop's folder
// dialog, starting at the MobilePath setting (the home folder at first);
// the choice is stored back as MobilePath. A full folder, or a folder that
// holds only part of a set, asks for the next folder with the same dialog.
//
// Runs on the user-interface thread; the copying holds the schedule.

#include "shell/folderchooser.h"

#include <filesystem>
#include <functional>
#include <optional>

namespace zk {

class CommandDispatcher;
class CopyProgress;
class DesktopApp;
struct MobileHooks;

namespace MobileCommand {
inline constexpr int checkIn = 371;
inline constexpr int checkOut = 372;
} // namespace MobileCommand

class MobileCommands {
public:

    explicit MobileCommands(DesktopApp& app);

    void install(CommandDispatcher& dispatcher);
    // In place of the folder dialog (tests).
    void setFolderChooser(FolderChooser chooser) { chooser_ = std::move(chooser); }

    void checkOut();
    void checkIn();
    // Start-up found the schedule checked out: check in now, or (No) clear
    // the mark and work here.
    void offerCheckIn();
    // For the status line; the last known state while a save holds the schedule.
    bool checkedOut();

private:
    std::filesystem::path mobilePath();
    std::optional<std::filesystem::path> chooseFolder(const QString& caption);
    void runCheckIn(const std::filesystem::path& folder);
    MobileHooks hooksShowing(CopyProgress& progress);

    DesktopApp& app_;
    FolderChooser chooser_;
    bool checkedOut_ = false;
};

} // namespace zk
