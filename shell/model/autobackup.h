#pragma once
// The automatic backup: once a day, from the time of day the setting
// `autoback` names (typed as any time entry: "11pm", "23:00"; empty: no
// automatic backup), the data file as last saved is copied to
// "timedata YYYY-MM-DD.bak" in the schedule folder. A day the program was
// not running at that time gets its copy at the first minute after it.
// The newest kAutoBackupsKept copies are kept, older ones removed. The copy
// goes to a temporary name first, so a half-written copy never carries a
// backup's name.

#include "core/dateparse.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace zk {

class FileSystem;

inline constexpr int kAutoBackupsKept = 5;

// None when the setting is empty or names no time.
std::optional<TimeValue> autoBackupTime(std::string_view setting, const EntryContext& context);
std::filesystem::path autoBackupFile(const std::filesystem::path& folder, DayNumber day);

enum class AutoBackupStatus { NotDue, Made, Failed };
struct AutoBackupResult {
    AutoBackupStatus status = AutoBackupStatus::NotDue;
    std::string problem;  // Failed: what to show
};

// The minute's step. The data file should be saved first: the copy is of
// what is on the disk.
AutoBackupResult runAutoBackup(FileSystem& files, const std::filesystem::path& folder, std::string_view setting,
                               const EntryContext& context);

} // namespace zk
