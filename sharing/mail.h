#pragma once
// Workgroup e-mail without a mail server: a message is a file that the
// sender keeps in his own "EMAIL/SAVED" folder and copies into the "EMAIL"
// folder (the inbox) of each recipient's schedule folder, found through the
// user list. Old saved messages move on to "EMAIL/ARCHIVED".
//
// The message file "<id>.MSG": a 667-byte header, one line per recipient
// ("To" recipients first, then "CC"), then the text. Header fields,
// little-endian; every byte not listed is zero:
//
//   offset  width     field
//   0       u16       magic 7777
//   2       u16       version 1
//   4       u16       header size 667
//   6       u32       message id: milliseconds since midnight UTC, 0..86399999
//   10      31 bytes  sender's user name, zero-terminated
//   41      u16       day sent (day number)
//   43      u16       time sent (time value)
//   45      u16       sender's time-zone offset that day, minutes west of UTC
//                     (two's complement), as the time-zone tools count it
//   47      u8        flags: 2 = meeting notice
//   49      81 bytes  subject (a meeting notice: its title), zero-terminated
//   130     81 bytes  location (meeting notice)
//   224     u16       number of "To" recipients
//   226     u16       number of "CC" recipients
//   234     u16       meeting begin time (time value)
//   236     u16       meeting duration, minutes
//   246     u16       meeting day (day number)
//
// Contract:
// - Inboxes are written by many machines at once and by other users: a
//   message is written under a hidden temporary name and linked into place
//   without replacing anything, so a reader never sees half a message and
//   two messages never share a name (the id is only where the naming
//   starts). Message files are opened without following symbolic links,
//   and only regular files count as messages.
// - Every recipient is resolved before anything is written: a name
//   without a schedule folder sends nothing at all.
// - A message file is read bounded (kMailFileLimit), and its recipient
//   counts are checked against the lines it holds.

#include "core/daynumber.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

class Clock;
class ItemRecord;
class Workgroup;
struct NewItem;

inline constexpr std::size_t kMailHeaderSize = 667;
inline constexpr std::uint16_t kMailMagic = 7777;
inline constexpr std::size_t kMailSubjectLimit = 80;   // bytes
inline constexpr std::size_t kMailFileLimit = 1 << 20;
inline constexpr std::size_t kMailPrintLimit = 3000;   // characters
inline constexpr std::size_t kMailItemTextLimit = 365; // bytes of a scheduled item's text
inline constexpr int kMailArchiveDays = 7;
inline constexpr int kNewMailQuietMinutes = 60;
inline constexpr const char* kRecentMailName = "recent.lst";
inline constexpr const char* kBroadcastListName = "broad.lst";
inline constexpr const char* kLastUserMailedToSetting = "LastUserMailedTo";

inline constexpr std::uint8_t kMeetingNoticeFlag = 2;

struct MailMessage {
    std::uint32_t id = 0;
    std::string sender;
    DayNumber daySent;
    TimeValue timeSent;
    int zoneOffset = 0;  // minutes west of UTC
    std::uint8_t flags = 0;
    std::string subject;
    std::string location;
    std::vector<std::string> to;
    std::vector<std::string> cc;
    TimeValue meetingBegin;
    int meetingMinutes = 0;
    DayNumber meetingDay;
    std::string text;

    bool meetingNotice() const { return (flags & kMeetingNoticeFlag) != 0; }
};

std::string encodeMail(const MailMessage& message);
// None when the bytes are not a message (wrong magic, version, size or a
// recipient count the file cannot hold).
std::optional<MailMessage> decodeMail(std::string_view bytes);

enum class MailReadError { None, Unreadable, NotMessage };
struct MailRead {
    std::optional<MailMessage> message;
    MailReadError error = MailReadError::None;
};
MailRead readMail(const std::filesystem::path& file);

// --- folders ---------------------------------------------------------------------------------

struct MailFolders {
    explicit MailFolders(const std::filesystem::path& scheduleFolder);
    std::filesystem::path inbox;     // EMAIL
    std::filesystem::path saved;     // EMAIL/SAVED
    std::filesystem::path archived;  // EMAIL/ARCHIVED
};

// Creates the folder with its parents when missing; 0 or an errno.
int ensureMailFolder(const std::filesystem::path& folder);

// A number followed by ".MSG".
bool isMessageFileName(std::string_view name);
// The folder's message files, oldest first (by modification time, then
// name). Hidden files (this module's temporaries) and anything that is not
// a regular file are left out.
std::vector<std::filesystem::path> messageFiles(const std::filesystem::path& folder);

// --- sending ----------------------------------------------------------------------------------

// The message id of the moment: milliseconds since midnight UTC.
std::uint32_t mailIdAt(const Clock& clock);

struct SendOutcome {
    bool sent = false;
    std::string problem;  // the message for the user when not sent
    std::filesystem::path saved;
};

// Sends the message (recipients, subject and text filled in; the rest is
// stamped here): saved into `ownFolder`'s EMAIL/SAVED, then copied to each
// recipient's inbox. The subject keeps at most 80 bytes.
SendOutcome sendMail(MailMessage message, const std::filesystem::path& ownFolder, std::string_view sender,
                     const Workgroup& workgroup, const Clock& clock);

// The names first in recent.lst, each once, the list kept to 20.
int addRecentMailNames(const std::filesystem::path& file, const std::vector<std::string>& names);
inline constexpr std::size_t kRecentMailLimit = 20;
// The names the send window offers: recent.lst, then the user list.
std::vector<std::string> mailNames(const std::filesystem::path& ownFolder, const Workgroup& workgroup);

struct BroadcastEntry {
    std::string name;
    bool cc = false;
    friend bool operator==(const BroadcastEntry&, const BroadcastEntry&) = default;
};
// broad.lst: one name a line, a "CC" recipient's line ends in a tab and "CC"
// (readers of plain name lists see the name).
std::vector<BroadcastEntry> readBroadcastList(const std::filesystem::path& file);
int writeBroadcastList(const std::filesystem::path& file, const std::vector<BroadcastEntry>& entries);

// --- reading and filing ----------------------------------------------------------------------

// Moves a read message from the inbox into SAVED; the path it has there,
// none when it could not be moved. A saved file of the same name that
// holds another message is kept: the moved one takes a free name.
std::optional<std::filesystem::path> fileReadMessage(const MailFolders& folders, const std::filesystem::path& file);
// The saved message before `shown` by modification time; for a message not
// in SAVED, the newest saved one.
std::optional<std::filesystem::path> previousSaved(const MailFolders& folders, const std::filesystem::path& shown);

// Moves the saved messages older than 7 days into ARCHIVED; the count.
int archiveOldMail(const MailFolders& folders, std::int64_t nowUnixSeconds);
std::string archivedMailText(int count);

// The lines printed for a message, cut to kMailPrintLimit characters
// (`truncated` then says so).
struct MailPrint {
    std::vector<std::string> lines;
    bool truncated = false;
};
MailPrint mailPrintLines(const MailMessage& message, std::string_view dateText, std::string_view timeText);
// A scheduled item's text: the subject and the text, cut to 365 bytes.
std::string mailItemText(const MailMessage& message);
// The item "&Schedule" adds: a meeting notice on its day at its time for
// its minutes, any other message on the day shown, as the template has it.
NewItem mailItem(const MailMessage& message, const ItemRecord& templateItem, DayNumber shownDay);

// --- the new-mail check -------------------------------------------------------------------

struct NewMailConditions {
    bool alarmsOff = false;
    bool mayModify = true;
    bool alarmOpen = false;
    bool mailWindowOpen = false;
};

struct NewMailFinding {
    bool badName = false;  // a file in the inbox not named as a message
    bool newMail = false;
    bool any() const { return badName || newMail; }
};

// Once a minute; after a finding was told, quiet for 60 minutes.
class NewMailWatch {
public:
    NewMailFinding check(const std::filesystem::path& inbox, const NewMailConditions& conditions,
                         std::int64_t nowUnixSeconds);

private:
    std::optional<std::int64_t> toldAt_;
};

// "Unable to create file: <file>. "
std::string cannotCreateMailText(const std::filesystem::path& file);

extern const char* const kNoRecipientText;
extern const char* const kCannotCreateMailText;     // "Unable to create file: %s. "
extern const char* const kNoSchedulePathText;       // "No schedule path found for %s"
extern const char* const kNotMailText;
extern const char* const kMailNotMovedText;
extern const char* const kNoPreviousMailText;
extern const char* const kNoNewMailText;
extern const char* const kNewMailText;
extern const char* const kBadMailNameText;
extern const char* const kMailPrintTruncatedText;

} // namespace zk
