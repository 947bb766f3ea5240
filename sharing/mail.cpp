#include "sharing/mail.h"

#include "core/text.h"
#include "platform/clock.h"
#include "platform/filesystem.h"
#include "sharing/additem.h"
#include "sharing/workgroup.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace zk {

const char* const kNoRecipientText = "Before trying to Send, please indicate whom the message is To:";
const char* const kCannotCreateMailText = "Unable to create file: %s. ";
const char* const kNoSchedulePathText = "No schedule path found for %s";
const char* const kNotMailText = "Not a valid E-Mail msg file.";
const char* const kMailNotMovedText = "Mail message file could not be moved.";
const char* const kNoPreviousMailText = "No previous unarchived messages";
const char* const kNoNewMailText = "No new mail. View last message?";
const char* const kNewMailText = "New mail has arrived. Do you want to read it now?";
const char* const kBadMailNameText = "You have an inproperly named email file in your email directory";
const char* const kMailPrintTruncatedText = "E-mail message exceeds 3000 chars. Printing will be truncated";

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kIdsPerDay = 86'400'000;
// How many names after the id a message may take before writing gives up
// (a folder that full is broken, not busy).
constexpr int kNameTries = 1000;

namespace At {
constexpr std::size_t magic = 0, version = 2, headerSize = 4, id = 6, sender = 10, daySent = 41, timeSent = 43,
                      zone = 45, flags = 47, subject = 49, location = 130, toCount = 224, ccCount = 226,
                      meetingBegin = 234, meetingMinutes = 236, meetingDay = 246;
constexpr std::size_t senderSize = 31, subjectSize = 81, locationSize = 81;
} // namespace At

void put16(std::string& b, std::size_t at, unsigned v)
{
    b[at] = static_cast<char>(v & 0xff);
    b[at + 1] = static_cast<char>((v >> 8) & 0xff);
}
void put32(std::string& b, std::size_t at, std::uint32_t v)
{
    put16(b, at, v & 0xffff);
    put16(b, at + 2, v >> 16);
}
unsigned get16(std::string_view b, std::size_t at)
{
    return static_cast<unsigned char>(b[at]) | static_cast<unsigned>(static_cast<unsigned char>(b[at + 1])) << 8;
}
std::uint32_t get32(std::string_view b, std::size_t at) { return get16(b, at) | std::uint32_t(get16(b, at + 2)) << 16; }

void putText(std::string& b, std::size_t at, std::size_t size, std::string_view text)
{
    std::string_view cut = utf8Prefix(text, size - 1);
    std::copy(cut.begin(), cut.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}
std::string getText(std::string_view b, std::size_t at, std::size_t size)
{
    std::string_view field = b.substr(at, size - 1);
    return textFromStored(field.substr(0, std::min(field.find('\0'), field.size())));
}

// A recipient's line cannot hold a line break.
std::string_view lineOf(std::string_view name) { return name.substr(0, name.find_first_of("\r\n")); }

std::string formatted(const char* format, std::string_view value)
{
    std::string text = format;
    if (std::size_t at = text.find("%s"); at != std::string::npos)
        text.replace(at, 2, value);
    return text;
}

std::string messageName(std::uint32_t id) { return std::to_string(id) + ".MSG"; }

std::optional<std::uint32_t> idOfName(std::string_view name)
{
    if (!isMessageFileName(name))
        return std::nullopt;
    std::uint32_t id = 0;
    auto [end, error] = std::from_chars(name.data(), name.data() + name.size() - 4, id);
    if (error != std::errc())
        return std::nullopt;
    return id;
}

bool isRegularFile(const fs::path& path, struct stat* info = nullptr)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (info)
        *info = st;
    return true;
}

std::uint32_t nextId(std::uint32_t id) { return (id + 1) % kIdsPerDay; }

// Writes the bytes to a new hidden file in the folder (never an existing
// one, never through a link): the temporary's path, or none with errno set.
std::optional<fs::path> writeTemporary(const fs::path& folder, std::string_view bytes)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path temp = folder / (".mail-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp");
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return std::nullopt;
        }
        std::size_t done = 0;
        int error = 0;
        while (done < bytes.size()) {
            ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error = n < 0 ? errno : ENOSPC;
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        if (error == 0 && ::fsync(fd) != 0)
            error = errno;
        if (::close(fd) != 0 && error == 0)
            error = errno;
        if (error != 0) {
            ::unlink(temp.c_str());
            errno = error;
            return std::nullopt;
        }
        return temp;
    }
    errno = EEXIST;
    return std::nullopt;
}

// Renames the file into the folder as "<id>.MSG", or the first free name
// after it; the path it got, or none with errno set.
std::optional<fs::path> placeUnderFreeName(const fs::path& from, const fs::path& folder, std::uint32_t id)
{
    for (int tries = 0; tries < kNameTries; ++tries, id = nextId(id)) {
        fs::path target = folder / messageName(id);
        int e = systemFileSystem().rename(from, target, RenameMode::NoReplace);
        if (e == 0)
            return target;
        if (e != EEXIST) {
            errno = e;
            return std::nullopt;
        }
    }
    errno = EEXIST;
    return std::nullopt;
}

std::optional<fs::path> writeMessage(const fs::path& folder, std::uint32_t id, std::string_view bytes)
{
    std::optional<fs::path> temp = writeTemporary(folder, bytes);
    if (!temp)
        return std::nullopt;
    std::optional<fs::path> placed = placeUnderFreeName(*temp, folder, id);
    if (!placed) {
        int e = errno;
        ::unlink(temp->c_str());
        errno = e;
    }
    return placed;
}

bool freeEverywhere(std::uint32_t id, const std::vector<fs::path>& folders)
{
    std::error_code ec;
    return std::none_of(folders.begin(), folders.end(),
                        [&](const fs::path& f) { return fs::exists(fs::symlink_status(f / messageName(id), ec)); });
}

std::optional<std::string> readBounded(const fs::path& file)
{
    int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string bytes(kMailFileLimit + 1, '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(done);
    return bytes;
}

std::string folderKey(const fs::path& folder)
{
    std::error_code ec;
    fs::path canonical = fs::weakly_canonical(folder, ec);
    return (ec ? folder : canonical).lexically_normal().string();
}

} // namespace

std::string cannotCreateMailText(const fs::path& file) { return formatted(kCannotCreateMailText, file.string()); }

// --- the message file -------------------------------------------------------------------------

std::string encodeMail(const MailMessage& m)
{
    std::string b(kMailHeaderSize, '\0');
    put16(b, At::magic, kMailMagic);
    put16(b, At::version, 1);
    put16(b, At::headerSize, kMailHeaderSize);
    put32(b, At::id, m.id);
    putText(b, At::sender, At::senderSize, m.sender);
    put16(b, At::daySent, static_cast<unsigned>(m.daySent.value()));
    put16(b, At::timeSent, static_cast<unsigned>(m.timeSent.value()));
    put16(b, At::zone, static_cast<std::uint16_t>(static_cast<std::int16_t>(m.zoneOffset)));
    b[At::flags] = static_cast<char>(m.flags);
    putText(b, At::subject, At::subjectSize, m.subject);
    putText(b, At::location, At::locationSize, m.location);
    put16(b, At::toCount, static_cast<unsigned>(m.to.size()));
    put16(b, At::ccCount, static_cast<unsigned>(m.cc.size()));
    put16(b, At::meetingBegin, static_cast<unsigned>(m.meetingBegin.value()));
    put16(b, At::meetingMinutes, static_cast<unsigned>(m.meetingMinutes));
    put16(b, At::meetingDay, static_cast<unsigned>(m.meetingDay.value()));
    for (const auto* list : {&m.to, &m.cc})
        for (const std::string& name : *list)
            (b += lineOf(name)) += '\n';
    b += m.text;
    return b;
}

std::optional<MailMessage> decodeMail(std::string_view b)
{
    if (b.size() < kMailHeaderSize || get16(b, At::magic) != kMailMagic)
        return std::nullopt;
    MailMessage m;
    m.id = get32(b, At::id);
    m.sender = getText(b, At::sender, At::senderSize);
    m.daySent = DayNumber(static_cast<int>(get16(b, At::daySent)));
    m.timeSent = TimeValue(static_cast<int>(get16(b, At::timeSent)));
    m.zoneOffset = static_cast<std::int16_t>(get16(b, At::zone));
    m.flags = static_cast<std::uint8_t>(b[At::flags]);
    m.subject = getText(b, At::subject, At::subjectSize);
    m.location = getText(b, At::location, At::locationSize);
    m.meetingBegin = TimeValue(static_cast<int>(get16(b, At::meetingBegin)));
    m.meetingMinutes = static_cast<int>(get16(b, At::meetingMinutes));
    m.meetingDay = DayNumber(static_cast<int>(get16(b, At::meetingDay)));
    const unsigned toCount = get16(b, At::toCount), ccCount = get16(b, At::ccCount);
    std::string_view rest = b.substr(kMailHeaderSize);
    for (unsigned i = 0; i < toCount + ccCount; ++i) {
        std::size_t end = rest.find('\n');
        if (end == std::string_view::npos)
            return std::nullopt;  // fewer lines than the counts say: damaged
        std::string name = textFromStored(rest.substr(0, end));
        (i < toCount ? m.to : m.cc).push_back(std::move(name));
        rest.remove_prefix(end + 1);
    }
    m.text = textFromStored(rest);
    return m;
}

MailRead readMail(const fs::path& file)
{
    MailRead read;
    std::optional<std::string> bytes = readBounded(file);
    if (!bytes) {
        read.error = MailReadError::Unreadable;
        return read;
    }
    read.message = bytes->size() <= kMailFileLimit ? decodeMail(*bytes) : std::nullopt;
    if (!read.message)
        read.error = MailReadError::NotMessage;
    return read;
}

// --- folders ----------------------------------------------------------------------------------

MailFolders::MailFolders(const fs::path& scheduleFolder)
    : inbox(scheduleFolder / "EMAIL"), saved(inbox / "SAVED"), archived(inbox / "ARCHIVED")
{
}

int ensureMailFolder(const fs::path& folder)
{
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return 0;
    fs::create_directories(folder, ec);
    return ec ? ec.value() : 0;
}

bool isMessageFileName(std::string_view name)
{
    if (name.size() < 5 || name.substr(name.size() - 4) != ".MSG")
        return false;
    std::string_view digits = name.substr(0, name.size() - 4);
    return digits.size() <= 9 && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<fs::path> messageFiles(const fs::path& folder)
{
    struct Found {
        fs::path path;
        struct timespec time;
        std::uint32_t id;
    };
    std::vector<Found> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::optional<std::uint32_t> id = idOfName(name);
        struct stat st {};
        if (id && isRegularFile(it->path(), &st))
            found.push_back({it->path(), st.st_mtim, *id});
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        if (a.time.tv_sec != b.time.tv_sec)
            return a.time.tv_sec < b.time.tv_sec;
        if (a.time.tv_nsec != b.time.tv_nsec)
            return a.time.tv_nsec < b.time.tv_nsec;
        return a.id < b.id;
    });
    std::vector<fs::path> paths;
    paths.reserve(found.size());
    for (Found& f : found)
        paths.push_back(std::move(f.path));
    return paths;
}

// --- sending ----------------------------------------------------------------------------------

std::uint32_t mailIdAt(const Clock& clock)
{
    const std::int64_t seconds = clock.unixSeconds();
    return static_cast<std::uint32_t>(((seconds % 86400) + 86400) % 86400 * 1000);
}

SendOutcome sendMail(MailMessage message, const fs::path& ownFolder, std::string_view sender,
                     const Workgroup& workgroup, const Clock& clock)
{
    SendOutcome out;
    if (message.to.empty()) {
        out.problem = kNoRecipientText;
        return out;
    }
    // Every recipient first: a name that cannot be reached sends nothing,
    // rather than leaving some recipients with the message and others without.
    std::vector<fs::path> inboxes;
    std::vector<std::string> keys;
    std::error_code ec;
    for (const auto* list : {&message.to, &message.cc})
        for (const std::string& name : *list) {
            std::optional<fs::path> folder = workgroup.lookUp(name);
            if (!folder || !fs::is_directory(*folder, ec)) {
                out.problem = formatted(kNoSchedulePathText, name);
                return out;
            }
            fs::path inbox = MailFolders(*folder).inbox;
            std::string key = folderKey(inbox);
            if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
                keys.push_back(std::move(key));
                inboxes.push_back(std::move(inbox));
            }
        }

    const LocalMoment now = clock.localNow();
    message.sender = std::string(utf8Prefix(sender, At::senderSize - 1));
    message.daySent = now.dayNumber();
    message.timeSent = now.timeValue();
    message.zoneOffset = -utcOffsetMinutes(now);
    message.subject = std::string(utf8Prefix(message.subject, kMailSubjectLimit));

    const MailFolders own(ownFolder);
    if (ensureMailFolder(own.saved) != 0) {
        out.problem = cannotCreateMailText(own.saved / messageName(message.id));
        return out;
    }
    for (const fs::path& inbox : inboxes)
        ensureMailFolder(inbox);
    // Two messages of one millisecond would share a name: the id moves on
    // to one free in every folder it goes to.
    std::vector<fs::path> folders = inboxes;
    folders.push_back(own.saved);
    std::uint32_t id = mailIdAt(clock);
    for (int tries = 0; tries < kNameTries && !freeEverywhere(id, folders); ++tries)
        id = nextId(id);
    message.id = id;

    const std::string bytes = encodeMail(message);
    std::optional<fs::path> saved = writeMessage(own.saved, id, bytes);
    if (!saved) {
        out.problem = cannotCreateMailText(own.saved / messageName(id));
        return out;
    }
    out.saved = *saved;
    for (const fs::path& inbox : inboxes)
        if (!writeMessage(inbox, id, bytes)) {
            out.problem = cannotCreateMailText(inbox / messageName(id));
            return out;
        }
    out.sent = true;
    return out;
}

int addRecentMailNames(const fs::path& file, const std::vector<std::string>& names)
{
    std::vector<std::string> list;
    auto add = [&](const std::string& name) {
        if (name.empty() || list.size() >= kRecentMailLimit)
            return;
        if (std::none_of(list.begin(), list.end(), [&](const std::string& n) { return compareIgnoringCase(n, name) == 0; }))
            list.push_back(name);
    };
    for (const std::string& name : names)
        add(name);
    for (const std::string& name : readNameList(file))
        add(name);
    return writeNameList(file, list);
}

std::vector<std::string> mailNames(const fs::path& ownFolder, const Workgroup& workgroup)
{
    std::vector<std::string> names = readNameList(ownFolder / kRecentMailName);
    for (const std::string& name : workgroup.names())
        if (std::none_of(names.begin(), names.end(), [&](const std::string& n) { return compareIgnoringCase(n, name) == 0; }))
            names.push_back(name);
    return names;
}

std::vector<BroadcastEntry> readBroadcastList(const fs::path& file)
{
    std::vector<BroadcastEntry> entries;
    std::optional<std::string> bytes = readBounded(file);
    if (!bytes || bytes->size() > kListFileLimit)
        return entries;
    std::string_view text = *bytes;
    while (!text.empty()) {
        std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        std::size_t tab = line.find('\t');
        std::string_view name = trimBlanks(line.substr(0, tab));
        if (name.empty() || name.size() > kListLineLimit)
            continue;
        bool cc = tab != std::string_view::npos && trimBlanks(line.substr(tab + 1)) == "CC";
        entries.push_back({textFromStored(name), cc});
    }
    return entries;
}

int writeBroadcastList(const fs::path& file, const std::vector<BroadcastEntry>& entries)
{
    std::string text;
    for (const BroadcastEntry& e : entries)
        (text += lineOf(e.name)) += e.cc ? "\tCC\n" : "\n";
    return replaceFileContents(systemFileSystem(), file, text);
}

// --- reading and filing ------------------------------------------------------------------------

std::optional<fs::path> fileReadMessage(const MailFolders& folders, const fs::path& file)
{
    if (ensureMailFolder(folders.saved) != 0 || !isRegularFile(file))
        return std::nullopt;
    const std::string name = file.filename().string();
    const fs::path target = folders.saved / name;
    // The same message kept twice (one sent to oneself) is replaced; another
    // message of that name is kept and this one takes a free name.
    if (isRegularFile(target)) {
        std::optional<std::string> a = readBounded(file), b = readBounded(target);
        if (a && b && *a == *b) {
            if (systemFileSystem().rename(file, target, RenameMode::Replace) == 0)
                return target;
            return std::nullopt;
        }
    }
    return placeUnderFreeName(file, folders.saved, idOfName(name).value_or(0));
}

std::optional<fs::path> previousSaved(const MailFolders& folders, const fs::path& shown)
{
    const std::vector<fs::path> saved = messageFiles(folders.saved);
    if (saved.empty())
        return std::nullopt;
    auto at = std::find_if(saved.begin(), saved.end(), [&](const fs::path& p) {
        return p.filename() == shown.filename() && folderKey(p.parent_path()) == folderKey(shown.parent_path());
    });
    if (at == saved.end())
        return saved.back();
    if (at == saved.begin())
        return std::nullopt;
    return *(at - 1);
}

int archiveOldMail(const MailFolders& folders, std::int64_t nowUnixSeconds)
{
    int count = 0;
    for (const fs::path& file : messageFiles(folders.saved)) {
        struct stat st {};
        if (!isRegularFile(file, &st) || nowUnixSeconds - st.st_mtim.tv_sec <= std::int64_t(kMailArchiveDays) * 86400)
            continue;
        if (ensureMailFolder(folders.archived) != 0)
            break;
        const std::uint32_t id = idOfName(file.filename().string()).value_or(0);
        if (placeUnderFreeName(file, folders.archived, id)) {
            ++count;
            continue;
        }
        // Another file system (a mounted archive): copied, then removed.
        std::optional<std::string> bytes = readBounded(file);
        if (bytes && bytes->size() <= kMailFileLimit && writeMessage(folders.archived, id, *bytes)
            && ::unlink(file.c_str()) == 0)
            ++count;
    }
    return count;
}

std::string archivedMailText(int count) { return std::to_string(count) + " old e-mail messages archived."; }

MailPrint mailPrintLines(const MailMessage& m, std::string_view dateText, std::string_view timeText)
{
    MailPrint print;
    print.lines.push_back("From: " + m.sender + "\t\t" + std::string(dateText) + "\t\t" + std::string(timeText));
    print.lines.push_back("Subject: " + m.subject);
    print.lines.emplace_back();
    // Characters, not bytes: the cut never splits one.
    std::string_view text = m.text;
    std::size_t characters = 0, at = 0;
    while (at < text.size() && characters < kMailPrintLimit) {
        if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80)
            ++characters;
        ++at;
    }
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
        ++at;
    print.truncated = at < text.size();
    text = text.substr(0, at);
    while (!text.empty()) {
        std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        print.lines.emplace_back(line);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return print;
}

std::string mailItemText(const MailMessage& message)
{
    const bool noText = message.text.find_first_not_of(" \t\r\n") == std::string::npos;
    std::string text = noText ? message.subject : message.text;
    // A meeting's item is known by its title first.
    if (message.meetingNotice() && !noText && !message.subject.empty())
        text = message.subject + ": " + message.text;
    // An item's text is one line.
    std::string flat;
    for (char c : text)
        if (c == '\n')
            flat += ' ';
        else if (c != '\r')
            flat += c;
    std::string_view kept = trimBlanks(flat);
    if (kept.empty())
        flat = "E-mail from " + message.sender;
    else
        flat = std::string(kept);
    return std::string(utf8Prefix(flat, kMailItemTextLimit));
}

NewItem mailItem(const MailMessage& message, const ItemRecord& templateItem, DayNumber shownDay)
{
    NewItem item;
    item.record = templateItem;
    ItemRecord& r = item.record;
    item.day = shownDay;
    if (message.meetingNotice() && message.meetingDay.isUsable()) {
        item.day = message.meetingDay;
        if (message.meetingBegin.value() > 0 && message.meetingBegin.value() <= 1440) {
            r.setBeginTime(static_cast<std::int16_t>(message.meetingBegin.value()));
            r.setFlag(ItemFlag::fAnchored, true);
            r.setFlag(ItemFlag::fFloating, false);
        }
        r.setDuration(static_cast<std::uint16_t>(std::clamp(message.meetingMinutes, 0, 1440)));
    }
    r.setDay(static_cast<std::uint16_t>(item.day.value()));
    item.text = mailItemText(message);
    return item;
}

// --- the new-mail check ---------------------------------------------------------------------

NewMailFinding NewMailWatch::check(const fs::path& inbox, const NewMailConditions& c, std::int64_t now)
{
    NewMailFinding finding;
    if (c.alarmsOff || !c.mayModify || c.alarmOpen || c.mailWindowOpen)
        return finding;
    if (toldAt_ && now - *toldAt_ < std::int64_t(kNewMailQuietMinutes) * 60)
        return finding;
    std::error_code ec;
    for (fs::directory_iterator it(inbox, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        // Hidden files are messages still being written.
        if (name.starts_with('.') || !isRegularFile(it->path()))
            continue;
        (isMessageFileName(name) ? finding.newMail : finding.badName) = true;
    }
    if (finding.any())
        toldAt_ = now;
    return finding;
}

} // namespace zk
