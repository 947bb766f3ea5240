#include "sharing/workgroup.h"

#include "core/schedule.h"
#include "core/text.h"
#include "storage/datafile.h"
#include "storage/datafileset.h"
#include "storage/schedulefilecopy.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <system_error>

namespace zk {

namespace fs = std::filesystem;

// --- the header ---------------------------------------------------------------------------

namespace {

std::string headerText(const ScheduleHeader& header, std::size_t at, std::size_t size)
{
    const auto* begin = reinterpret_cast<const char*>(header.bytes().data() + at);
    std::string_view field(begin, size - 1);
    return std::string(field.substr(0, std::min(field.find('\0'), field.size())));
}

void setHeaderText(ScheduleHeader& header, std::size_t at, std::size_t size, std::string_view text)
{
    std::string_view cut = utf8Prefix(text, size - 1);
    std::fill_n(header.bytes().begin() + at, size, 0);
    std::copy(cut.begin(), cut.end(), header.bytes().begin() + at);
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Every byte of the fixed-size field is looked at whatever the texts hold,
// so the time taken says nothing about how much of a password was right.
bool samePassword(std::string_view stored, std::string_view entered)
{
    constexpr std::size_t n = UserHeader::passwordSize;
    unsigned char difference = stored.empty() ? 1 : 0;
    difference |= entered.size() > n - 1 ? 1 : 0;
    for (std::size_t i = 0; i < n; ++i) {
        char a = i < stored.size() ? lowerAscii(stored[i]) : '\0';
        char b = i < entered.size() ? lowerAscii(entered[i]) : '\0';
        difference |= static_cast<unsigned char>(a ^ b);
    }
    return difference == 0;
}

} // namespace

std::string headerUserName(const ScheduleHeader& header)
{
    return headerText(header, UserHeader::userNameAt, UserHeader::userNameSize);
}

std::string userNameOf(const ScheduleHeader& header, std::string_view fallback)
{
    std::string name = headerUserName(header);
    return name.empty() ? std::string(fallback) : name;
}

void setHeaderUserName(ScheduleHeader& header, std::string_view name)
{
    setHeaderText(header, UserHeader::userNameAt, UserHeader::userNameSize, trimBlanks(name));
}

Passwords headerPasswords(const ScheduleHeader& header)
{
    return {headerText(header, UserHeader::ownerPasswordAt, UserHeader::passwordSize),
            headerText(header, UserHeader::modifyPasswordAt, UserHeader::passwordSize),
            headerText(header, UserHeader::viewPasswordAt, UserHeader::passwordSize)};
}

void setHeaderPasswords(ScheduleHeader& header, const Passwords& passwords)
{
    setHeaderText(header, UserHeader::ownerPasswordAt, UserHeader::passwordSize, passwords.owner);
    setHeaderText(header, UserHeader::modifyPasswordAt, UserHeader::passwordSize, passwords.modify);
    setHeaderText(header, UserHeader::viewPasswordAt, UserHeader::passwordSize, passwords.view);
}

Permissions permissionsOf(AccessLevel level)
{
    return {level != AccessLevel::None, level == AccessLevel::Modify || level == AccessLevel::Total,
            level == AccessLevel::Total};
}

AccessLevel accessLevelFor(const Passwords& stored, std::string_view entered)
{
    // All three are compared every time, for the same reason.
    bool owner = samePassword(stored.owner, entered);
    bool modify = samePassword(stored.modify, entered);
    bool view = samePassword(stored.view, entered);
    if (owner)
        return AccessLevel::Total;
    if (modify)
        return AccessLevel::Modify;
    if (view)
        return AccessLevel::View;
    return AccessLevel::None;
}

const char* accessLevelText(AccessLevel level)
{
    switch (level) {
    case AccessLevel::Total: return "Total Access";
    case AccessLevel::Modify: return "Modify Permission";
    case AccessLevel::View: return "View Permission";
    case AccessLevel::None: break;
    }
    return "";
}

// --- folders -------------------------------------------------------------------------------

std::optional<fs::path> normaliseServerFolder(std::string_view text)
{
    std::string typed(trimBlanks(text));
    while (typed.size() > 1 && typed.back() == '/')
        typed.pop_back();
    if (typed.empty() || typed.front() != '/' || typed.size() > kServerFolderLimit)
        return std::nullopt;
    std::error_code ec;
    if (!fs::is_directory(typed, ec))
        return std::nullopt;
    return fs::path(typed);
}

std::string folderNameOf(std::string_view userName)
{
    std::string out;
    for (char c : trimBlanks(userName)) {
        auto u = static_cast<unsigned char>(c);
        if (u >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ')
            out += c;
    }
    return std::string(trimBlanks(out));
}

std::optional<UserEntry> parseUserLine(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    std::size_t split = line.find_first_of("=\t");
    UserEntry entry;
    entry.name = std::string(trimBlanks(line.substr(0, split)));
    if (entry.name.empty() || line.find('\0') != std::string_view::npos)
        return std::nullopt;
    if (split != std::string_view::npos) {
        std::string_view rest = line.substr(split + 1);
        // "name = folder<TAB>more": the folder ends at the next field.
        entry.folder = std::string(trimBlanks(rest.substr(0, rest.find('\t'))));
        if (!entry.folder.empty() && entry.folder.front() == '=')
            entry.folder = std::string(trimBlanks(std::string_view(entry.folder).substr(1)));
    }
    return entry;
}

namespace {

// The lines of a small text file; a file too large or unreadable gives
// none, an over-long line is skipped whole rather than read as two.
std::vector<std::string> readLines(const fs::path& file, std::size_t maxLines = SIZE_MAX)
{
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return lines;
    std::string text(kListFileLimit + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kListFileLimit)
        return lines;
    std::size_t at = 0;
    while (at < text.size() && lines.size() < maxLines) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line(text.data() + at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() <= kListLineLimit && isValidUtf8(line))
            lines.emplace_back(line);
        at = end + 1;
    }
    return lines;
}

int writeText(const fs::path& file, std::string_view text)
{
    return replaceFileContents(systemFileSystem(), file, text);
}

fs::path withinShared(const fs::path& shared, const std::string& folder)
{
    fs::path p(folder);
    return (p.is_absolute() ? p : shared / p) / "";
}

} // namespace

fs::path Workgroup::sharedFolder() const { return server_ / "ZK"; }
fs::path Workgroup::userList() const { return sharedFolder() / kUserListName; }

fs::path Workgroup::defaultFolder(std::string_view userName) const
{
    return sharedFolder() / folderNameOf(userName) / "";
}

fs::path Workgroup::folderOf(const UserEntry& entry) const
{
    return entry.folder.empty() ? defaultFolder(entry.name) : withinShared(sharedFolder(), entry.folder);
}

std::optional<fs::path> Workgroup::lookUp(std::string_view userName) const
{
    if (!configured())
        return std::nullopt;
    for (const std::string& line : readLines(userList())) {
        std::optional<UserEntry> entry = parseUserLine(line);
        if (entry && compareIgnoringCase(entry->name, trimBlanks(userName)) == 0)
            return folderOf(*entry);
    }
    return std::nullopt;
}

std::vector<std::string> Workgroup::names() const
{
    return configured() ? readNameList(userList()) : std::vector<std::string>{};
}

std::vector<std::string> readNameList(const fs::path& file)
{
    std::vector<std::string> names;
    for (const std::string& line : readLines(file))
        if (std::optional<UserEntry> entry = parseUserLine(line))
            if (std::find(names.begin(), names.end(), entry->name) == names.end())
                names.push_back(entry->name);
    return names;
}

int writeNameList(const fs::path& file, const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += name + "\n";
    return writeText(file, text);
}

int writeUserList(const fs::path& file, const std::vector<std::string>& names)
{
    const std::vector<std::string> lines = readLines(file);
    std::string text;
    for (const std::string& name : names) {
        auto held = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
            std::optional<UserEntry> entry = parseUserLine(line);
            return entry && entry->name == name;
        });
        text += (held != lines.end() ? *held : name) + "\n";
    }
    return writeText(file, text);
}

bool createSchedule(const fs::path& folder, std::string_view userName, const Clock& clock, std::string* problem)
{
    std::error_code ec;
    if (fs::exists(folder, ec))
        return false;
    auto fail = [&](std::string text) {
        if (problem)
            *problem = std::move(text);
        return false;
    };
    if (!fs::create_directories(folder, ec) && ec)
        return fail("Unable to create folder " + folder.string());
    Schedule schedule;
    schedule.setClock(&clock);
    schedule.header = ScheduleHeader::emptySchedule();
    setHeaderUserName(schedule.header, userName);
    std::vector<std::uint8_t> bytes;
    SaveResult saved = saveDataBytes(schedule, bytes);
    if (!saved)
        return fail(saved.failureText);
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (int error = writeText(folder / kDataFileName, text))
        return fail(std::error_code(error, std::generic_category()).message() + ": " + (folder / kDataFileName).string());
    return true;
}

bool copyScheduleFileSet(const fs::path& from, const fs::path& to, std::string* problem)
{
    const FileSetCopyResult copied = copyScheduleFiles(from, to);
    if (copied.ok())
        return true;
    if (problem)
        *problem = std::error_code(copied.error, std::generic_category()).message() + ": " + copied.failedName;
    return false;
}

bool sameFolder(const fs::path& a, const fs::path& b)
{
    std::error_code ec;
    if (fs::equivalent(a, b, ec))
        return true;
    return (a / "").lexically_normal() == (b / "").lexically_normal();
}

FolderMove moveScheduleFolder(const fs::path& from, const fs::path& to,
                              const std::function<bool(const fs::path&)>& inUse)
{
    std::error_code ec;
    if (!fs::is_directory(from, ec))
        return FolderMove::OldMissing;
    if (inUse(from))
        return FolderMove::InUse;
    const std::string a = (from / "").lexically_normal().string();
    const std::string b = (to / "").lexically_normal().string();
    if (a != b && compareIgnoringCase(a, b) == 0) {
        fs::path oldPath = from.filename().empty() ? from.parent_path() : from;
        fs::path newPath = to.filename().empty() ? to.parent_path() : to;
        fs::rename(oldPath, newPath, ec);
        return ec ? FolderMove::CannotCreate : FolderMove::Renamed;
    }
    if (!fs::is_directory(to, ec) && !fs::create_directories(to, ec) && ec)
        return FolderMove::CannotCreate;
    return copyScheduleFileSet(from, to) ? FolderMove::Moved : FolderMove::CopyFailed;
}

std::string folderMoveText(FolderMove result, const fs::path& to)
{
    switch (result) {
    case FolderMove::Moved:
    case FolderMove::Renamed: return "";
    case FolderMove::OldMissing: return "old path does not exist";
    case FolderMove::InUse: return "Schedule is in use. Try again later or have user exit.";
    case FolderMove::CannotCreate: return "Unable to create folder " + to.string();
    case FolderMove::CopyFailed: return "The schedule files could not all be copied to " + to.string();
    }
    return "";
}

// --- the recent schedules -------------------------------------------------------------------

std::vector<RecentSchedule> readRecentSchedules(const fs::path& file, std::size_t limit)
{
    std::vector<RecentSchedule> out;
    for (const std::string& line : readLines(file, limit)) {
        std::size_t equals = line.find('=');
        RecentSchedule r{std::string(trimBlanks(std::string_view(line).substr(0, equals))), ""};
        if (equals != std::string::npos)
            r.folder = std::string(trimBlanks(std::string_view(line).substr(equals + 1)));
        if (!r.name.empty() || !r.folder.empty())
            out.push_back(std::move(r));
    }
    return out;
}

int recordRecentSchedule(const fs::path& file, std::string_view name, const fs::path& folder, const fs::path& seed)
{
    std::error_code ec;
    if (!fs::exists(file, ec) && !seed.empty() && fs::exists(seed, ec)) {
        std::string text;
        for (const std::string& line : readLines(seed))
            text += line + "\n";
        if (int error = writeText(file, text))
            return error;
    }
    std::string text = std::string(trimBlanks(name)) + " = " + folder.string() + "\n";
    std::size_t kept = 1;
    for (const RecentSchedule& r : readRecentSchedules(file)) {
        if (kept >= kMaxRecentSchedules)
            break;
        if (!r.folder.empty() && sameFolder(r.folder, folder))
            continue;
        text += r.folder.empty() ? r.name + "\n" : r.name + " = " + r.folder + "\n";
        ++kept;
    }
    fs::create_directories(file.parent_path(), ec);
    return writeText(file, text);
}

std::vector<RecentEntry> recentMenuEntries(const std::vector<RecentSchedule>& lines, const Workgroup& workgroup,
                                           const fs::path& ownDataFile,
                                           const std::function<bool(const fs::path&)>& running)
{
    std::vector<RecentEntry> out;
    for (const RecentSchedule& line : lines) {
        if (out.size() >= kMaxRecentSchedules)
            break;
        fs::path folder;
        if (!line.folder.empty())
            folder = fs::absolute(fs::path(line.folder)) / "";
        else if (workgroup.configured())
            folder = workgroup.defaultFolder(line.name);
        else
            continue;  // no way to tell where the name's schedule is
        fs::path dataFile = folder.lexically_normal() / kDataFileName;
        std::error_code ec;
        if (fs::equivalent(dataFile, ownDataFile, ec) || dataFile == ownDataFile.lexically_normal())
            continue;
        if (running && running(dataFile))
            continue;
        out.push_back({line.name.empty() ? folder.string() : line.name, dataFile});
    }
    return out;
}

} // namespace zk
