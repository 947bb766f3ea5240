#pragma once
// Workgroup users and their schedule folders.
//
// A workgroup keeps its members' schedule folders under one shared folder,
// "<server folder>/ZK", where the server folder (the ServerDrive setting) is
// any folder every member has mounted. The user list "user.lst" there names
// the members, one a line:
//
//   Ann                      the default folder, <shared>/Ann/
//   Bob = /srv/home/bob      a folder of his own (blanks allowed)
//   Carol<TAB>/data/carol<TAB>5   further tab-separated columns are ignored
//
// A name's default folder drops its punctuation ("Ann-Marie O'Neil" lives
// in "AnnMarie ONeil/"); names compare without regard to case. A relative
// folder counts from the shared folder.
//
// Contract:
// - Lists are read bounded (a file of at most kListFileLimit bytes is read,
//   lines longer than kListLineLimit bytes are skipped whole) and written
//   through a temporary file and a rename, so a reader never sees half a
//   list.
// - Passwords live in the schedule header (8 bytes each, scrambled with the
//   rest of the data file); they are compared without regard to case and in
//   constant time, and never written anywhere else.
// - Nothing here keeps state between calls: every lookup reads the list
//   again, as other members may have changed it.

#include "core/scheduleheader.h"
#include "platform/filesystem.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

class Clock;
class Messages;

inline constexpr std::size_t kListFileLimit = 1 << 20;
inline constexpr std::size_t kListLineLimit = 256;
inline constexpr std::size_t kServerFolderLimit = 28;  // bytes, as the setting store keeps it
inline constexpr std::size_t kMaxRecentSchedules = 20;
inline constexpr const char* kUserListName = "user.lst";
inline constexpr const char* kGroupListName = "group.lst";
inline constexpr const char* kRecentSchedulesName = "Zelkon recent files.txt";
inline constexpr const char* kServerDriveSetting = "ServerDrive";
inline constexpr const char* kPeerWorkgroupSetting = "PeerWorkgroup";

// --- the header's user name and passwords ------------------------------------------------

namespace UserHeader {
inline constexpr std::size_t userNameAt = 22;
inline constexpr std::size_t userNameSize = 31;  // with its terminating zero
inline constexpr std::size_t ownerPasswordAt = 53;
inline constexpr std::size_t modifyPasswordAt = 62;
inline constexpr std::size_t viewPasswordAt = 71;
inline constexpr std::size_t passwordSize = 9;   // 8 bytes and a zero
} // namespace UserHeader

std::string headerUserName(const ScheduleHeader& header);
// The schedule's user name, else `fallback` (the login name).
std::string userNameOf(const ScheduleHeader& header, std::string_view fallback);
// Cut to 30 bytes on a character boundary.
void setHeaderUserName(ScheduleHeader& header, std::string_view name);

struct Passwords {
    std::string owner;   // Total Access
    std::string modify;  // Modify Permission
    std::string view;    // View Permission
    bool any() const { return !owner.empty() || !modify.empty() || !view.empty(); }
    friend bool operator==(const Passwords&, const Passwords&) = default;
};

Passwords headerPasswords(const ScheduleHeader& header);
// Each cut to 8 bytes on a character boundary.
void setHeaderPasswords(ScheduleHeader& header, const Passwords& passwords);

enum class AccessLevel { None, View, Modify, Total };

struct Permissions {
    bool mayView = true;
    bool mayModify = true;
    bool totalAccess = true;
    friend bool operator==(const Permissions&, const Permissions&) = default;
};

Permissions permissionsOf(AccessLevel level);
// What an entered password grants: the owner's first, then the modify and
// the view password; an empty stored password never matches.
AccessLevel accessLevelFor(const Passwords& stored, std::string_view entered);
// "Total Access", "Modify Permission", "View Permission" or "".
const char* accessLevelText(AccessLevel level);

// --- folders ------------------------------------------------------------------------------

// The server folder as typed, made canonical: an absolute path to an
// existing folder without a trailing "/", at most kServerFolderLimit bytes.
// None for anything else.
std::optional<std::filesystem::path> normaliseServerFolder(std::string_view text);

// The name without punctuation: letters, digits, blanks and the bytes of
// characters beyond ASCII stay.
std::string folderNameOf(std::string_view userName);

struct UserEntry {
    std::string name;
    std::string folder;  // as written; empty: the default folder
};

// One line of a user list; none for a line without a name.
std::optional<UserEntry> parseUserLine(std::string_view line);

class Workgroup {
public:
    explicit Workgroup(std::filesystem::path serverFolder) : server_(std::move(serverFolder)) {}

    bool configured() const { return !server_.empty(); }
    const std::filesystem::path& serverFolder() const { return server_; }
    std::filesystem::path sharedFolder() const;
    std::filesystem::path userList() const;
    // <shared>/<name without punctuation>/
    std::filesystem::path defaultFolder(std::string_view userName) const;
    // The folder of a user-list line: its own folder, else the default.
    std::filesystem::path folderOf(const UserEntry& entry) const;

    // The folder of a user named in the list; none when the list cannot be
    // read or does not name the user.
    std::optional<std::filesystem::path> lookUp(std::string_view userName) const;
    // The names of the list in order, each once.
    std::vector<std::string> names() const;

private:
    std::filesystem::path server_;
};

// The names of a list file (user.lst, group.lst): the first field of each
// line, trimmed, each name once, in file order. A missing file is empty.
std::vector<std::string> readNameList(const std::filesystem::path& file);
// One name a line; 0 or the errno of the failed step.
int writeNameList(const std::filesystem::path& file, const std::vector<std::string>& names);
// The user list with these names in this order: a name the list held keeps
// its whole line (its folder and further columns), a new one is the name.
int writeUserList(const std::filesystem::path& file, const std::vector<std::string>& names);

// Creates the folder with its parents and an empty schedule in it carrying
// the user name. False when the folder existed already or a step failed
// (`problem` then says which, when given).
bool createSchedule(const std::filesystem::path& folder, std::string_view userName, const Clock& clock,
                    std::string* problem = nullptr);

// The files that make up one schedule, copied when it moves to another
// folder: data file, lists, logs, archives, notes, statuses and settings.
// Each file is copied to a temporary name and renamed into place. True
// when every file was copied; `problem` names the first that failed.
bool copyScheduleFileSet(const std::filesystem::path& from, const std::filesystem::path& to,
                         std::string* problem = nullptr);

enum class FolderMove { Moved, Renamed, OldMissing, InUse, CannotCreate, CopyFailed };
// A renamed user's schedule follows the name: a change of letter case only
// renames the folder in place, anything else copies the file set to the new
// folder and leaves the old one as it is. `inUse` says whether a folder's
// lock is live.
FolderMove moveScheduleFolder(const std::filesystem::path& from, const std::filesystem::path& to,
                              const std::function<bool(const std::filesystem::path&)>& inUse);
// The message for a move that did not happen; "" for one that did.
std::string folderMoveText(FolderMove result, const std::filesystem::path& to);

// --- the recent schedules ------------------------------------------------------------------

struct RecentSchedule {
    std::string name;
    std::string folder;  // empty: the name's default folder
};

// At most `limit` lines are read, each of at most kListLineLimit bytes.
std::vector<RecentSchedule> readRecentSchedules(const std::filesystem::path& file, std::size_t limit = 300);
// Puts this session's name and folder first, keeps the older lines except
// those of the same folder and empty ones, at most 20 in all. A missing
// list starts from `seed` (a user list) when that exists. 0 or an errno.
int recordRecentSchedule(const std::filesystem::path& file, std::string_view name,
                         const std::filesystem::path& folder, const std::filesystem::path& seed = {});

struct RecentEntry {
    std::string caption;  // the user name
    std::filesystem::path dataFile;
};

// The menu's entries: the first 20 lines whose data file is neither this
// session's own nor open in another session (`running`).
std::vector<RecentEntry> recentMenuEntries(const std::vector<RecentSchedule>& lines, const Workgroup& workgroup,
                                           const std::filesystem::path& ownDataFile,
                                           const std::function<bool(const std::filesystem::path&)>& running);

// Two spellings of one folder ("a/b" and "a/b/", or a link to it) are one.
bool sameFolder(const std::filesystem::path& a, const std::filesystem::path& b);

} // namespace zk
