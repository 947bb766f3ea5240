#include "sharing/addjournal.h"

#include "core/dateformat.h"
#include "core/schedule.h"
#include "platform/clock.h"
#include "platform/filesystem.h"
#include "platform/messages.h"
#include "sharing/activitylog.h"
#include "sharing/pipeline.h"
#include "storage/datafileset.h"

#include <charconv>
#include <fstream>

namespace zk {

namespace {

constexpr char kIdSeparator = '\t';

// Whether the entry journals an item of this text: what precedes the id is
// "<date> <time> <text>", matched by its end so that blanks in the date
// and time texts do not matter.
bool journalsText(const JournalEntry& entry, std::string_view text)
{
    if (entry.id == 0)
        return false;
    const std::string ending = " " + oneLine(text);
    return entry.text.size() >= ending.size()
           && entry.text.compare(entry.text.size() - ending.size(), ending.size(), ending) == 0;
}

// Takes the first entry of the text out of the list; false when there is none.
bool takeOne(std::vector<JournalEntry>& entries, std::string_view text)
{
    for (auto it = entries.begin(); it != entries.end(); ++it)
        if (journalsText(*it, text)) {
            entries.erase(it);
            return true;
        }
    return false;
}

} // namespace

std::vector<JournalEntry> readJournal(const std::filesystem::path& file)
{
    std::vector<JournalEntry> entries;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        JournalEntry entry;
        entry.line = line;
        // "<date> <time> <text>\t<id>": the text is matched as the end of
        // what precedes the id, so blanks in dates and times do not matter.
        std::size_t tab = line.rfind(kIdSeparator);
        if (tab != std::string::npos) {
            const char* first = line.data() + tab + 1;
            const char* last = line.data() + line.size();
            std::uint32_t id = 0;
            if (auto [end, error] = std::from_chars(first, last, id); error == std::errc() && end == last) {
                entry.id = id;
                entry.text = line.substr(0, tab);
            }
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool scheduleHolds(const Schedule& schedule, const JournalEntry& entry)
{
    if (entry.id == 0)
        return false;
    auto holds = [&](ItemHandle h) {
        return h && schedule.items.isLive(h) && journalsText(entry, schedule.storedDescription(h));
    };
    if (holds(schedule.findItemById(entry.id)))
        return true;
    for (ItemHandle h : schedule.globalList)
        if (schedule.items.isLive(h) && schedule.record(h).id() == entry.id && holds(h))
            return true;
    return false;
}

AddJournal::AddJournal(const std::filesystem::path& folder, Messages& messages, FileSystem& fs)
    : folder_(folder), file_(folder / kUnsavedJournalFileName), messages_(messages), fs_(fs)
{
}

void AddJournal::opened(const Schedule& loaded)
{
    heldBeforeStart_.clear();
    orphans_.clear();
    // Only read: another session may be appending to it now. What the
    // data holds goes from the journal with this session's first save.
    for (JournalEntry& entry : readJournal(file_))
        (scheduleHolds(loaded, entry) ? heldBeforeStart_ : orphans_).push_back(std::move(entry));
}

void AddJournal::recordAdd(const LocalMoment& moment, const RegionalSettings& regional, ItemHandle item,
                           const Schedule& schedule)
{
    const std::string text(schedule.storedDescription(item));
    std::string line = shortDate(moment.dayNumber(), regional) + " " + timeText(moment.timeValue(), regional) + " "
                       + oneLine(text) + kIdSeparator + std::to_string(schedule.record(item).id()) + "\n";
    if (!appendToFile(file_, line))
        messages_.error(textWithPath(kUnableToOpenLogText, file_));
    waitingActivity_.push_back(activityLine(moment, regional, text));
}

void AddJournal::saved(const Schedule& schedule)
{
    for (const std::string& line : waitingActivity_)
        appendActivity(folder_, kAddLogName, line, messages_);
    waitingActivity_.clear();
    if (takenInSchedule_) {
        // The lines that could not be added are kept for the user before
        // the file that held them goes.
        const auto rejected = folder_ / kPipelineRejectedFileName;
        if (rejectedLines_.empty() || appendToFile(rejected, rejectedLines_)) {
            fs_.remove(folder_ / kPipelineTakenFileName);
            takenInSchedule_ = false;
            rejectedLines_.clear();
        } else {
            messages_.error(textWithPath(kUnableToOpenLogText, rejected));
        }
    }
    std::vector<JournalEntry> keep;
    for (JournalEntry& entry : readJournal(file_)) {
        if (scheduleHolds(schedule, entry))
            continue;
        // The lost first add of an item a pipeline line added again.
        if (std::erase(addedAgain_, entry.line) > 0)
            continue;
        keep.push_back(std::move(entry));
    }
    rewrite(keep);
}

void AddJournal::noteTakenFileProcessed(std::string rejectedLines)
{
    takenInSchedule_ = true;
    rejectedLines_ += rejectedLines;
}

bool AddJournal::heldBeforeStart(std::string_view text) { return takeOne(heldBeforeStart_, text); }

void AddJournal::noteAddedAgain(std::string_view text)
{
    for (auto it = orphans_.begin(); it != orphans_.end(); ++it)
        if (journalsText(*it, text)) {
            addedAgain_.push_back(it->line);
            orphans_.erase(it);
            return;
        }
}

void AddJournal::rewrite(const std::vector<JournalEntry>& keep)
{
    if (keep.empty()) {
        fs_.remove(file_);
        return;
    }
    std::string text;
    for (const JournalEntry& entry : keep)
        text += entry.line + "\n";
    if (replaceFileContents(fs_, file_, text) != 0)
        messages_.error(textWithPath(kUnableToOpenLogText, file_));
}

} // namespace zk
