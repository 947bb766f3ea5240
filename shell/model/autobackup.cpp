#include "shell/model/autobackup.h"

#include "core/calendar.h"
#include "platform/filesystem.h"
#include "storage/datafileset.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <vector>

namespace zk {

namespace {

constexpr std::string_view kPrefix = "timedata ";
constexpr std::string_view kSuffix = ".bak";

// "timedata 2024-03-05.bak": the dated names sort by their date.
bool isAutoBackupName(const std::string& name)
{
    return name.size() == kPrefix.size() + 10 + kSuffix.size() && name.starts_with(kPrefix) &&
           name.ends_with(kSuffix);
}

void removeOldCopies(FileSystem& files, const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (std::string name = entry.path().filename().string(); isAutoBackupName(name))
            names.push_back(std::move(name));
    std::sort(names.begin(), names.end());
    const std::size_t keep = static_cast<std::size_t>(kAutoBackupsKept);
    for (std::size_t i = 0; i + keep < names.size(); ++i)
        files.remove(folder / names[i]);
}

} // namespace

std::optional<TimeValue> autoBackupTime(std::string_view setting, const EntryContext& context)
{
    if (setting.find_first_not_of(' ') == std::string_view::npos)
        return std::nullopt;
    const int time = parseTimeEntry(setting, context);
    if (time <= 0)
        return std::nullopt;
    return TimeValue(time);
}

std::filesystem::path autoBackupFile(const std::filesystem::path& folder, DayNumber day)
{
    const CivilDate date = civilDate(day);
    char name[32];
    std::snprintf(name, sizeof name, "timedata %04d-%02d-%02d.bak", date.year, date.month, date.day);
    return folder / name;
}

AutoBackupResult runAutoBackup(FileSystem& files, const std::filesystem::path& folder, std::string_view setting,
                               const EntryContext& context)
{
    std::optional<TimeValue> at = autoBackupTime(setting, context);
    if (!at || context.now < *at)
        return {};
    const std::filesystem::path target = autoBackupFile(folder, context.today);
    if (files.exists(target))
        return {};
    const std::filesystem::path source = folder / kDataFileName;
    if (!files.exists(source))
        return {};
    std::filesystem::path partial = target;
    partial += ".tmp";
    int error = files.copyFile(source, partial);
    if (error == 0)
        error = files.rename(partial, target, RenameMode::Replace);
    if (error != 0) {
        files.remove(partial);
        return {AutoBackupStatus::Failed,
                "The automatic backup " + target.filename().string() + " could not be written: " + std::strerror(error)};
    }
    files.syncFolder(folder);
    removeOldCopies(files, folder);
    return {AutoBackupStatus::Made, {}};
}

} // namespace zk
