#include "shell/model/autostart.h"

#include <fstream>
#include <string>
#include <system_error>

namespace zk {

namespace {

// The Exec key's quoting: the whole path in double quotes, with the
// characters that stay special inside them escaped.
std::string quotedForExec(const std::string& path)
{
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

} // namespace

bool launchesAtStartup(const std::filesystem::path& folder)
{
    std::error_code ec;
    return !folder.empty() && std::filesystem::is_regular_file(folder / kAutostartEntryName, ec);
}

bool setLaunchAtStartup(const std::filesystem::path& folder, bool on, const std::filesystem::path& program)
{
    if (folder.empty())
        return false;
    std::error_code ec;
    const auto entry = folder / kAutostartEntryName;
    if (!on) {
        std::filesystem::remove(entry, ec);
        return !ec;
    }
    std::filesystem::create_directories(folder, ec);
    // Written beside the entry and renamed, so the desktop never reads half of it.
    const auto temporary = folder / (std::string(kAutostartEntryName) + ".tmp");
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << "[Desktop Entry]\nType=Application\nName=Zelkon\nExec=" << quotedForExec(program.string())
            << "\nX-GNOME-Autostart-enabled=true\n";
        if (!out.flush())
            return false;
    }
    std::filesystem::rename(temporary, entry, ec);
    return !ec;
}

} // namespace zk
