#pragma once
// "Launch at Start up": an entry in the desktop's autostart folder (see
// autostartFolder()) that starts the program at login. The entry's presence
// is the truth; the AutoStart setting only remembers the last choice.

#include <filesystem>

namespace zk {

inline constexpr const char* kAutostartEntryName = "zelkon.desktop";

// False for an empty folder.
bool launchesAtStartup(const std::filesystem::path& folder);
// Writes or removes the entry that runs `program`; false when that failed.
bool setLaunchAtStartup(const std::filesystem::path& folder, bool on, const std::filesystem::path& program);

} // namespace zk
