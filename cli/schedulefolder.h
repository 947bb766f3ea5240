#pragma once
// How zk finds the schedule it works on, as the program does: a folder or
// data file named on the command line, else the setting DataFolder (from the
// setting store), else the default
// schedule folder. The data file is "timedata.pak" in the schedule folder.

#include <filesystem>
#include <optional>
#include <string>

namespace zk::cli {

inline constexpr const char* kDataFileName = "timedata.pak";

struct ScheduleLocation {
    std::filesystem::path folder;
    std::filesystem::path dataFile;
};

// A given path names a data file when it is an existing file, or does not
// exist and has an extension; otherwise it names a folder.
ScheduleLocation locateSchedule(const std::optional<std::string>& given);

// The DataFolder setting, when set and not empty.
std::optional<std::filesystem::path> dataFolderSetting();

} // namespace zk::cli
