#include "shell/model/datafilepath.h"

#include "platform/messages.h"
#include "storage/datafileset.h"

#include <system_error>

namespace zk {

const char* const kInvalidFileNameText = "Invalid file name passed on command line";
const char* const kInvalidDataFolderText = "%s is not a valid data folder. Resetting to default.";
const char* const kFolderInaccessibleText =
    "Data folder %s inaccessible, do you want to revert to the default data folder?";
const char* const kUnableToCreateFolderText = "Unable to create directory %s";

namespace {

constexpr std::size_t kCommandLineLimit = 254;

bool onlySeparators(const std::string& text) { return text.find_first_not_of('/') == std::string::npos; }

bool sensibleName(const std::string& name)
{
    if (onlySeparators(name))
        return false;
    // The 254-byte cut keeps every part within NAME_MAX.
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7f)
            return false;
    return true;
}

// "mine.pak" and ".plans.pak" name files; "plans" and ".plans" folders.
bool namesFolder(const std::filesystem::path& path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return true;
    std::string last = path.filename().native();
    return last.find('.', 1) == std::string::npos;
}

// Without a trailing separator, so that folders compare by their names.
std::filesystem::path absoluteNormal(const std::filesystem::path& path)
{
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    full = (ec ? path : full).lexically_normal();
    return full.has_filename() ? full : full.parent_path();
}

std::filesystem::path dataFileIn(const std::filesystem::path& folder) { return absoluteNormal(folder / kDataFileName); }

std::string trimmed(std::string text)
{
    if (text.size() > kCommandLineLimit)
        text.resize(kCommandLineLimit);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

bool usableFolderSetting(const std::string& value) { return value[0] == '/' && !onlySeparators(value); }

bool createFolder(const std::filesystem::path& folder, Messages& messages)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec)) {
        messages.error(textWithPath(kUnableToCreateFolderText, folder));
        return false;
    }
    return true;
}

} // namespace

DataFileChoice dataFileFromCommandLine(std::string commandLine, const std::optional<std::string>& dataFolderSetting,
                                       const std::filesystem::path& defaultFolder, Messages& messages)
{
    std::string given = trimmed(std::move(commandLine));
    if (given.empty()) {
        if (!dataFolderSetting || dataFolderSetting->empty())
            return {dataFileIn(defaultFolder), PathGiven::No};
        if (!usableFolderSetting(*dataFolderSetting)) {
            messages.error(textWithPath(kInvalidDataFolderText, *dataFolderSetting));
            return {dataFileIn(defaultFolder), PathGiven::No};
        }
        return {dataFileIn(*dataFolderSetting), PathGiven::Yes};
    }
    if (!sensibleName(given)) {
        messages.error(kInvalidFileNameText);
        return {{}, PathGiven::Yes};
    }
    std::filesystem::path path(given);
    if (namesFolder(path))
        return {dataFileIn(path), PathGiven::Yes};
    if (given.back() == '.')
        path += "pak";
    return {absoluteNormal(path), PathGiven::Yes};
}

std::optional<std::filesystem::path> settleScheduleFolder(const std::filesystem::path& dataFile,
                                                          const std::filesystem::path& defaultFolder,
                                                          Messages& messages)
{
    if (dataFile.empty())
        return std::nullopt;
    std::filesystem::path folder = dataFile.parent_path();
    std::filesystem::path home = absoluteNormal(defaultFolder);
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec))
        return folder;
    // The default folder is ours to make; any other folder may be a share
    // that is only away for a moment, so the user decides.
    if (folder == home)
        return createFolder(home, messages) ? std::optional(home) : std::nullopt;
    if (messages.question(textWithPath(kFolderInaccessibleText, folder)) != Answer::Yes)
        return folder;
    return createFolder(home, messages) ? std::optional(home) : std::nullopt;
}

} // namespace zk
