#include "platform/paths.h"

#include <algorithm>
#include <cstdlib>
#include <pwd.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace zk {

namespace {

// A variable counts only when set to an absolute path, as the XDG rules say;
// a relative one would make the folder depend on the working directory.
const char* absoluteVariable(const char* name)
{
    const char* v = std::getenv(name);
    return v && v[0] == '/' ? v : nullptr;
}

std::filesystem::path xdgFolder(const char* variable, const char* fallbackUnderHome)
{
    if (const char* v = absoluteVariable(variable))
        return v;
    return homeFolder() / fallbackUnderHome;
}

} // namespace

std::filesystem::path homeFolder()
{
    if (const char* home = absoluteVariable("HOME"))
        return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return "/";
}

std::filesystem::path settingStoreFolder()
{
    // Any non-empty value: tests point this at a build folder by relative path too.
    if (const char* v = std::getenv("ZELKON_CONFIG_HOME"); v && *v)
        return v;
    return xdgFolder("XDG_CONFIG_HOME", ".config") / "Morvane";
}

std::filesystem::path profilePath() { return settingStoreFolder() / "win.ini"; }

std::filesystem::path defaultScheduleFolder() { return xdgFolder("XDG_DATA_HOME", ".local/share") / "Zelkon"; }

std::filesystem::path autostartFolder()
{
    if (const char* v = std::getenv("ZELKON_CONFIG_HOME"); v && *v)
        return std::filesystem::path(v) / "autostart";
    return xdgFolder("XDG_CONFIG_HOME", ".config") / "autostart";
}

std::filesystem::path programDataFolder(const std::filesystem::path& programDir, const std::filesystem::path& buildDir,
                                        const std::filesystem::path& sourceData, const char* marker)
{
    std::error_code error;
    if (std::filesystem::exists(programDir / marker, error))
        return programDir;
    const std::filesystem::path installed = (programDir / ".." / "share" / "zelkon").lexically_normal();
    if (std::filesystem::is_directory(installed, error))
        return installed;
    const auto inside = std::mismatch(buildDir.begin(), buildDir.end(), programDir.begin(), programDir.end()).first;
    if (!buildDir.empty() && inside == buildDir.end())
        return sourceData;
    return installed;
}

} // namespace zk
