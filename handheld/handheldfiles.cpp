#include "handheld/handheldfiles.h"

#include "core/schedule.h"
#include "exchange/textimport.h"
#include "sharing/session.h"
#include "engine/daylayout.h"
#include "engine/placementcontext.h"
#include "platform/filesystem.h"
#include "platform/paths.h"
#include "worktools/model/notes.h"

#include <sys/stat.h>

#include <charconv>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>

namespace zk {

const char* const kNoConduitText =
    "There is no synchronisation manager on Linux: carry the exchange files over with your handheld's own tool.";
const char* const kHandheldFileMissingText = "Palm2ZK.txt file not found";
const char* const kHandheldFileUnreadableText = "Unable to open Palm2ZK.txt file";
const char* const kHandheldWriteFailedText = "unable to write zk2palm.txt";
const char* const kHandheldDaysRangeText = "Number of days must be in the range of 0 to 999";
const char* const kSplitPiecesText = "max # of split instances transferred";

namespace {

constexpr std::size_t kMaxText = 255;
constexpr std::size_t kMaxNote = 1000;
constexpr std::size_t kMaxReadText = 1000;
constexpr std::size_t kMaxReadNote = 2000;
constexpr std::size_t kMaxExceptions = 100;
constexpr const char* kDeletedText = "deleted item";
constexpr char kLineBreak = '\x02';
constexpr char kNoteEnd = '\x01';

// At most `limit` characters, cut on a character boundary.
std::string_view firstCharacters(std::string_view text, std::size_t limit)
{
    std::size_t at = 0;
    for (std::size_t count = 0; at < text.size() && count < limit; ++count) {
        ++at;
        while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
            ++at;
    }
    return text.substr(0, at);
}

std::string encoded(std::string_view text)
{
    if (text.empty())
        return "`";
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i] == '\n' || text[i] == '\r' ? kLineBreak : text[i] == '\t' ? ' ' : text[i];
    }
    return out;
}

std::string decoded(std::string_view text)
{
    if (text == "`")
        return {};
    std::string out(text);
    for (char& c : out)
        if (c == kLineBreak)
            c = '\n';
    return out;
}

// Reads a blank-separated whole number; false at the end or on anything else.
bool readNumber(std::string_view& rest, std::int64_t& value)
{
    while (!rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);
    auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    if (error != std::errc() || end == rest.data())
        return false;
    rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
    return rest.empty() || rest.front() == ' ' || rest.front() == '\t';
}

bool inInt(std::int64_t v) { return v >= -2147483647 && v <= 2147483647; }

std::int64_t secondsOf(DayNumber day, TimeValue time)
{
    const int minute = time.isNone() ? 0 : (time.value() - 1) % 1440;
    return (static_cast<std::int64_t>(day.value()) * 1440 + minute) * 60;
}

std::string noteOf(const Schedule& s, ItemHandle h, const std::filesystem::path& folder)
{
    const ItemRecord& r = s.record(h);
    if (!r.has(ItemFlag::fHasNotes) || r.refNo() == 0 || notePrefix(s.header).empty())
        return {};
    NoteText note = readNote(NoteFiles(folder, notePrefix(s.header)).note(r.refNo()));
    return note.status == NoteText::Status::Loaded ? note.text : std::string();
}

HandheldRecord recordOf(const Schedule& s, ItemHandle h, const DayEntry& e, DayNumber day, const HandheldSettings& o,
                        const std::filesystem::path& folder)
{
    const ItemRecord& r = s.record(h);
    HandheldRecord out;
    out.id = r.id();
    out.changed = static_cast<std::int64_t>(r.modifiedTime()) > o.lastExchange ? 2 : 0;
    const bool floating = !r.has(ItemFlag::fAnchored);
    const bool timed = e.start != 0 && (!floating || (o.options & HandheldOption::showTaskTimes));
    out.start = secondsOf(day, timed ? e.startTime() : kNoTime);
    out.duration = r.duration();
    out.end = out.start + static_cast<std::int64_t>(timed ? r.duration() : 0) * 60;
    out.text = std::string(firstCharacters(s.storedDescription(h), kMaxText));
    std::string note = noteOf(s, h, folder);
    out.note = note.size() <= kMaxNote ? note : std::string();
    out.onHold = r.has(ItemFlag::fOnHold) || !timed;
    out.alarm = r.has(ItemFlag::fAlarm);
    const int minutes = std::abs(r.alarmHours() * 60 + r.alarmMinutes());
    out.advanceInHours = minutes != 0 && minutes % 60 == 0;
    out.advance = out.advanceInHours ? minutes / 60 : minutes;
    return out;
}

} // namespace

DayNumber HandheldRecord::day() const
{
    const std::int64_t d = start / 86400;
    return d > 0 && d <= 65535 ? DayNumber(static_cast<int>(d)) : kNoDay;
}

int HandheldRecord::minuteOfDay() const { return static_cast<int>((start % 86400 + 86400) % 86400 / 60); }

std::filesystem::path handheldFolder() { return defaultScheduleFolder() / "handheld"; }

std::string handheldLine(const HandheldRecord& r)
{
    std::string line = std::to_string(r.id) + " " + std::to_string(r.changed) + " 0 " + std::to_string(r.start) + " "
                       + std::to_string(r.end) + " " + encoded(firstCharacters(r.text, kMaxText)) + "\t "
                       + std::to_string(r.duration) + " " + encoded(r.note.size() <= kMaxNote ? r.note : "")
                       + kNoteEnd;
    for (std::int64_t v : {std::int64_t(r.onHold), std::int64_t(0), std::int64_t(0), std::int64_t(r.alarm),
                           std::int64_t(r.advance), std::int64_t(r.advanceInHours), std::int64_t(r.repeatType),
                           std::int64_t(r.frequency), r.repeatEnd, std::int64_t(0), std::int64_t(r.week),
                           std::int64_t(r.days), std::int64_t(std::min(r.exceptions.size(), kMaxExceptions))})
        line += " " + std::to_string(v);
    for (std::size_t i = 0; i < r.exceptions.size() && i < kMaxExceptions; ++i)
        line += " " + std::to_string(r.exceptions[i]);
    return line + "\n";
}

std::string deletedItemLine(std::uint32_t id, std::string_view text)
{
    return std::to_string(id) + " 4 0 0 0 " + encoded(firstCharacters(text, kMaxText)) + "\t\n";
}

std::optional<HandheldRecord> parseHandheldLine(std::string_view line)
{
    if (line.size() > kMaxHandheldLine)
        return std::nullopt;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    HandheldRecord r;
    std::int64_t head[5];
    for (std::int64_t& v : head)
        if (!readNumber(line, v))
            return std::nullopt;
    if (head[0] <= 0 || head[0] > 0xFFFFFFFFll || !inInt(head[1]) || head[3] < 0 || head[4] < 0)
        return std::nullopt;
    r.id = static_cast<std::uint32_t>(head[0]);
    r.changed = static_cast<int>(head[1]);
    r.start = head[3];
    r.end = head[4];
    if (line.empty() || line.front() != ' ')
        return std::nullopt;
    line.remove_prefix(1);
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab > kMaxReadText)
        return std::nullopt;
    r.text = decoded(line.substr(0, tab));
    line.remove_prefix(tab + 1);
    if (r.changed == 4)
        return r;  // a deleted item's line ends here
    std::int64_t duration = 0;
    if (!readNumber(line, duration) || duration < -1440 || duration > 1440 || line.empty())
        return std::nullopt;
    r.duration = static_cast<int>(duration);
    line.remove_prefix(1);
    const std::size_t end = line.find(kNoteEnd);
    if (end == std::string_view::npos || end > kMaxReadNote)
        return std::nullopt;
    r.note = decoded(line.substr(0, end));
    line.remove_prefix(end + 1);
    std::int64_t n[13];
    for (std::int64_t& v : n)
        if (!readNumber(line, v) || !inInt(v))
            return std::nullopt;
    r.onHold = n[0] != 0;
    r.alarm = n[3] != 0;
    r.advance = static_cast<int>(std::clamp<std::int64_t>(n[4], 0, 99 * 60));
    r.advanceInHours = n[5] != 0;
    r.repeatType = static_cast<int>(n[6]);
    r.frequency = static_cast<int>(n[7]);
    r.repeatEnd = n[8];
    r.week = static_cast<int>(n[10]);
    r.days = static_cast<int>(n[11]);
    if (n[12] < 0 || static_cast<std::size_t>(n[12]) > kMaxExceptions)
        return std::nullopt;
    for (std::int64_t i = 0; i < n[12]; ++i) {
        std::int64_t date = 0;
        if (!readNumber(line, date))
            return std::nullopt;
        r.exceptions.push_back(date);
    }
    return r;
}

std::vector<HandheldRecord> parseHandheldFile(std::string_view text, int& skipped)
{
    std::vector<HandheldRecord> records;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line != "\r") {
            if (std::optional<HandheldRecord> r = parseHandheldLine(line))
                records.push_back(std::move(*r));
            else
                ++skipped;
        }
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return records;
}

HandheldExport exportForHandheld(Schedule& schedule, DayNumber today, TimeValue now, const HandheldSettings& settings,
                                 std::string_view previousFile, const std::filesystem::path& scheduleFolder)
{
    HandheldExport out;
    const int past = std::clamp(settings.pastDays, 0, 999);
    const int future = std::clamp(settings.futureDays, 0, 999);
    std::set<std::uint32_t> written;
    int pieces = 0;
    for (DayNumber day = today - past; day <= today + future; day = day + 1) {
        if (!day.isUsable())
            continue;
        if (schedule.isPastDay(day))
            schedule.getDay(day);
        else
            openDayForDisplay(schedule, day, PlacementContext{today, now});
        const DayRecord* record = schedule.findDay(day);
        if (!record)
            continue;
        for (const DayEntry& e : record->entries()) {
            const ItemRecord& r = schedule.record(e.item);
            if ((settings.options & HandheldOption::appointmentsOnly) && !r.has(ItemFlag::fAnchored))
                continue;
            HandheldRecord line = recordOf(schedule, e.item, e, day, settings, scheduleFolder);
            if (!written.insert(line.id).second) {
                // A further piece of a split item: an id of its own.
                if (pieces == kMaxSplitPieces) {
                    if (out.messages.empty() || out.messages.back() != kSplitPiecesText)
                        out.messages.push_back(kSplitPiecesText);
                    continue;
                }
                line.id = kSplitPieceIds + static_cast<std::uint32_t>(++pieces);
            }
            out.text += handheldLine(line);
            ++out.records;
        }
    }
    int skipped = 0;
    for (const HandheldRecord& r : parseHandheldFile(previousFile, skipped)) {
        if (r.id >= kSplitPieceIds && r.id <= kSplitPieceIds + kMaxSplitPieces)
            continue;
        ItemHandle h = schedule.findItemById(r.id);
        const bool gone = !h;
        const bool doneSince = h && schedule.record(h).has(ItemFlag::fDone) && !schedule.isPastDay(schedule.dayOf(h));
        if (gone || doneSince)
            out.text += deletedItemLine(r.id, r.text);
    }
    return out;
}

std::vector<ImportItem> handheldImports(const Schedule& s, const std::vector<HandheldRecord>& records,
                                        const std::filesystem::path& scheduleFolder, int& unchanged)
{
    std::vector<ImportItem> items;
    for (const HandheldRecord& r : records) {
        const DayNumber day = r.day();
        if (r.changed == 4 || r.text == kDeletedText || day.isNone())
            continue;
        if (r.id >= kSplitPieceIds && r.id <= kSplitPieceIds + kMaxSplitPieces)
            continue;
        const int advance = r.advanceInHours ? r.advance * 60 : r.advance;
        const TimeValue begin = r.onHold ? kNoTime : TimeValue(r.minuteOfDay() + 1);
        if (ItemHandle h = s.findItemById(r.id)) {
            const ItemRecord& old = s.record(h);
            const std::string oldText(s.storedDescription(h));
            const std::string oldNote = noteOf(s, h, scheduleFolder);
            // The handheld holds only the first 255 characters of a longer text.
            const bool textChanged = firstCharacters(oldText, kMaxText) == oldText && r.text != oldText;
            const bool noteChanged = oldNote.size() <= kMaxNote && r.note != oldNote;
            const bool timeChanged = old.has(ItemFlag::fAnchored) && !begin.isNone() && old.beginTime() != begin.value();
            const int oldAdvance = std::abs(old.alarmHours() * 60 + old.alarmMinutes());
            const bool changed = textChanged || noteChanged || timeChanged || old.duration() != r.duration
                                 || old.has(ItemFlag::fAlarm) != r.alarm || (r.alarm && oldAdvance != advance)
                                 || s.dayOf(h) != day;
            if (!changed) {
                ++unchanged;
                continue;
            }
            ImportItem in;
            in.item.day = day;
            in.item.record = old;
            in.item.text = textChanged ? r.text : oldText;
            in.note = noteChanged ? r.note : std::string();
            in.sourceKey = std::to_string(r.id);
            in.updateExisting = true;
            ItemRecord& n = in.item.record;
            n.setDay(static_cast<std::uint16_t>(day.value()));
            if (timeChanged)
                n.setBeginTime(static_cast<std::int16_t>(begin.value()));
            n.setDuration(static_cast<std::uint16_t>(std::max(r.duration, 0)));
            if (r.alarm) {
                n.setFlag(ItemFlag::fAlarm, true);
                n.setAlarmHours(static_cast<std::int8_t>(advance / 60));
                n.setAlarmMinutes(static_cast<std::int16_t>(advance % 60));
            } else {
                n.setFlag(ItemFlag::fAlarm, false);
            }
            items.push_back(std::move(in));
            continue;
        }
        if (s.isPastDay(day) || r.text.empty())
            continue;
        ImportItem in;
        in.item.day = day;
        in.item.record = s.templateItem;
        in.item.record.setId(0);
        in.item.record.setDay(static_cast<std::uint16_t>(day.value()));
        in.item.record.setBeginTime(static_cast<std::int16_t>(begin.value()));
        in.item.record.setFlag(ItemFlag::fAnchored, !begin.isNone());
        in.item.record.setDuration(static_cast<std::uint16_t>(std::max(r.duration, 0)));
        in.item.text = r.text;
        in.note = r.note;
        if (r.alarm)
            in.alarm = AlarmSettings{.minutes = advance % 60, .hours = advance / 60, .pagerNumber = {}};
        items.push_back(std::move(in));
    }
    return items;
}

std::string writeHandheldFile(const std::filesystem::path& folder, const char* name, std::string_view text)
{
    std::error_code error;
    if (!std::filesystem::exists(folder, error)) {
        std::filesystem::create_directories(folder, error);
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, error);
    }
    const std::filesystem::path file = folder / name;
    for (const std::filesystem::path& p : {folder, file, std::filesystem::path(file.string() + ".tmp")}) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            return p.string() + " is a symbolic link; the handheld files are not written through one.";
    }
    if (replaceFileContents(systemFileSystem(), file, text) != 0)
        return std::string(kHandheldWriteFailedText) + ": " + file.string();
    return {};
}

std::optional<std::string> readHandheldFile(const std::filesystem::path& folder, std::string& message)
{
    const std::filesystem::path file = folder / kFromHandheldFileName;
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        message = kHandheldFileMissingText;
        return std::nullopt;
    }
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    std::ifstream in(file, std::ios::binary);
    if (error || !in || size > (64u << 20)) {
        message = kHandheldFileUnreadableText;
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

HandheldOutcome writeForHandheld(Session& session, const HandheldSettings& settings,
                                 const std::filesystem::path& folder, DayNumber today, TimeValue now)
{
    HandheldOutcome outcome;
    std::string ignored;
    const std::string previous = readHandheldFile(folder, ignored).value_or(std::string());
    HandheldExport out = exportForHandheld(session.schedule(), today, now, settings, importText(previous),
                                           session.settings().folder);
    if (std::string problem = writeHandheldFile(folder, kToHandheldFileName, out.text); !problem.empty()) {
        outcome.message = problem;
        return outcome;
    }
    outcome.ok = true;
    outcome.message = std::to_string(out.records) + " items written to " + (folder / kToHandheldFileName).string() + ".";
    for (const std::string& m : out.messages)
        outcome.message += "\n" + m;
    return outcome;
}

HandheldOutcome readFromHandheld(Session& session, const std::filesystem::path& folder, std::chrono::seconds wait)
{
    HandheldOutcome outcome;
    std::optional<std::string> text = readHandheldFile(folder, outcome.message);
    if (!text)
        return outcome;
    int skipped = 0;
    std::vector<HandheldRecord> records = parseHandheldFile(importText(*text), skipped);
    int unchanged = 0;
    std::vector<ImportItem> items = handheldImports(session.schedule(), records, session.settings().folder, unchanged);
    ImportReport report = importItems(session, std::move(items), skipped, ImportOptions{wait, {}});
    if (report.status != ImportStatus::Imported) {
        outcome.message = report.message;
        return outcome;
    }
    outcome.ok = true;
    outcome.items = report.items;
    char line[160];
    std::snprintf(line, sizeof line, "%zu items changed or added from the handheld, %d unchanged, %d skipped.",
                  report.items.size(), unchanged, report.skipped);
    outcome.message = line;
    return outcome;
}

} // namespace zk
