#include "cli/schedulefolder.h"

#include "platform/paths.h"
#include "platform/settingstore.h"

namespace zk::cli {

namespace {

bool namesDataFile(const std::filesystem::path& path)
{
    std::error_code ec;
    auto status = std::filesystem::status(path, ec);
    if (std::filesystem::is_directory(status))
        return false;
    if (std::filesystem::exists(status))
        return true;
    return path.has_extension();
}

ScheduleLocation inFolder(const std::filesystem::path& folder) { return {folder, folder / kDataFileName}; }

} // namespace

std::optional<std::filesystem::path> dataFolderSetting()
{
    std::optional<std::string> folder = SettingStore().value("DataFolder");
    if (!folder || folder->empty())
        return std::nullopt;
    return std::filesystem::path(*folder);
}

ScheduleLocation locateSchedule(const std::optional<std::string>& given)
{
    if (given && !given->empty()) {
        std::filesystem::path path(*given);
        if (namesDataFile(path))
            return {path.has_parent_path() ? path.parent_path() : std::filesystem::path("."), path};
        return inFolder(path);
    }
    if (auto folder = dataFolderSetting())
        return inFolder(*folder);
    return inFolder(defaultScheduleFolder());
}

} // namespace zk::cli
