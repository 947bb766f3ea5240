#pragma once
// Where this user's files live. The setting store folder holds the profile
// file that stands in for the system profile (its [intl] and [Zelkon]
// sections); the default schedule folder is where a first schedule goes.
//
// ZELKON_CONFIG_HOME overrides the setting store folder outright, so tests
// and trial runs never touch the real one. Otherwise the XDG base-directory
// variables apply, with their usual defaults under $HOME.

#include <filesystem>

namespace zk {

// $ZELKON_CONFIG_HOME, else $XDG_CONFIG_HOME/Morvane, else ~/.config/Morvane.
std::filesystem::path settingStoreFolder();
// settingStoreFolder()/win.ini
std::filesystem::path profilePath();
// $XDG_DATA_HOME/Zelkon, else ~/.local/share/Zelkon.
std::filesystem::path defaultScheduleFolder();

// $HOME, else the password database's home folder, else "/".
std::filesystem::path homeFolder();
// Where the desktop looks for programs to start at login:
// $ZELKON_CONFIG_HOME/autostart (so trial runs stay out of the real one),
// else $XDG_CONFIG_HOME/autostart, else ~/.config/autostart.
std::filesystem::path autostartFolder();

// The folder of the program's data (SAMPLE.DTA and its tables), for a
// program in `programDir`: beside it when `marker` lies there (an unpacked
// copy), else
// ../share/zelkon as installed, else, for a program run from its build
// tree `buildDir`, the source tree's `sourceData`. An installed program
// never reaches into a source tree.
std::filesystem::path programDataFolder(const std::filesystem::path& programDir, const std::filesystem::path& buildDir,
                                        const std::filesystem::path& sourceData, const char* marker);

} // namespace zk
