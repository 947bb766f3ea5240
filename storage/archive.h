#pragma once
// Past days and their archives: a schedule's days that are over and
// finished leave the data file for the archive of their year (see
// archivefile.h for the file), and come back into a day record when a view,
// find or the Done Item dialog asks for them.
//
// - readPastDay() fills a past day record from its archive (the schedule's
//   getDay() calls it through the hook attach() installs); a day with no
//   block gets day flag bit 0. An empty day may be taken from the merge
//   archive "timedata.mrg" when the user says so, and is then written into
//   its year's archive.
// - writePastDay() writes a changed past day back (releasing a dirtyPast
//   day record does, and so does writeChangedPastDays() before a save).
// - archiveDueDays() moves the finished days between lastPastDay and today
//   out of the data file. A day's items leave the live lists only after its
//   archive write and its history lines succeeded: an interruption at any
//   point leaves the day in the data file, in its archive, or in both (the
//   next run then simply writes it again), never in neither.
// - rebuildHistoryLogs() rewrites the logs of the months whose pending bit
//   a write-back set.
//
// Archives need no password: they hold the items of past days scrambled
// like the data file, readable by anyone who can read the folder.

#include "core/daynumber.h"
#include "core/regional.h"
#include "platform/randomaccessfile.h"
#include "storage/archivefile.h"

#include <filesystem>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace zk {

class Messages;
class Schedule;
struct DayEntry;

extern const char* const kArchiveMissingText;
extern const char* const kCreateEmptyArchiveText;
extern const char* const kCannotOpenArchiveText;
extern const char* const kInvalidPastDateText;
extern const char* const kDeletePastDateItemsText;
extern const char* const kArchiveMismatchText;
extern const char* const kNewerArchiveText;
extern const char* const kDamagedArchiveText;
extern const char* const kNotArchiveText;
extern const char* const kArchiveConversionText;
extern const char* const kArchiveConversionFailedText;
extern const char* const kMergeArchiveQuestionText;
extern const char* const kMergeArchiveEmptyText;
extern const char* const kMergeArchiveName;

// When archiving must wait: a pane or the month view shows the day, or the
// schedule may not be changed now. Unset hooks say no and yes.
struct DueDaysConditions {
    std::function<bool(DayNumber)> dayIsShown;
    std::function<bool()> changeAccess;
    // "Write Log Files" is on and the mode is not LITE.
    bool writeHistory = true;
};

enum class ArchivingStop {
    NothingDue,    // every past day with a record is archived
    UndoneItem,    // a day still has an item that is not done
    Shown,         // a view shows the day: later
    NoChangeAccess,
    Failed,        // the archive or a history log could not be written (shown)
};

struct DueDaysResult {
    struct Day {
        DayNumber day;
        int items = 0;
    };
    std::vector<Day> archived;
    ArchivingStop stop = ArchivingStop::NothingDue;
    DayNumber stoppedAt;
};

class ScheduleArchive {
public:
    ScheduleArchive(RandomAccessFiles& files, Messages& messages, std::filesystem::path dataFile,
                    RegionalSettings regional);

    // timedata.xYY beside the data file, for a day's year.
    std::filesystem::path archivePath(int year) const;
    std::filesystem::path mergeArchivePath() const;
    const std::filesystem::path& folder() const { return folder_; }

    // Installs the schedule's hooks for reading and writing past days.
    void attach(Schedule& schedule);

    bool readPastDay(Schedule& schedule, DayNumber day);
    // Writes the day back when it is marked dirtyPast or differs from what
    // was read (an item edited, added or removed by any path).
    bool writePastDay(Schedule& schedule, DayNumber day);
    // Every past day record in memory that changed; false when one failed.
    bool writeChangedPastDays(Schedule& schedule);

    DueDaysResult archiveDueDays(Schedule& schedule, DayNumber today, const DueDaysConditions& conditions);

    // Whether a write-back since the last rebuild left months to redo.
    bool historyRebuildDue() const { return rebuildDue_; }
    // Every year from 1993 to yesterday's whose archive exists; `progress`
    // hears "Updating Log Files" before each month. False when a log failed.
    bool rebuildHistoryLogs(Schedule& schedule, DayNumber today,
                            const std::function<void(const std::string&)>& progress = {});

    // The latest day written into the newest archive up to the given year;
    // none when there is no archive.
    DayNumber newestArchivedDay(int fromYear);

private:
    enum class Opening { Quiet, Report };
    std::unique_ptr<ArchiveFile> openArchive(const std::filesystem::path& path, ArchiveFile::Mode mode,
                                             ArchiveStatus& status, Opening opening);
    bool readArchivedDay(Schedule& schedule, DayNumber day);
    bool readInto(Schedule& schedule, DayNumber day, const std::filesystem::path& path, bool& found);
    // `replaced` (may be null) tells whether the day had a block already.
    bool writeDayEntries(Schedule& schedule, DayNumber day, bool markPending, bool* replaced = nullptr);
    bool appendHistory(Schedule& schedule, DayNumber day, const std::vector<ArchivedEntry>& entries);
    void reportMissing(Schedule& schedule, DayNumber day, const std::filesystem::path& path);
    std::string historyLines(const Schedule& schedule, DayNumber day, const std::vector<ArchivedEntry>& entries) const;

    std::uint64_t fingerprint(const Schedule& schedule, DayNumber day) const;
    bool changedSinceRead(const Schedule& schedule, DayNumber day) const;

    RandomAccessFiles& files_;
    Messages& messages_;
    // What each past day held when it was read, to see whether it changed.
    std::unordered_map<int, std::uint64_t> readAs_;
    std::filesystem::path dataFile_;
    std::filesystem::path folder_;
    RegionalSettings regional_;
    int missingReported_ = 0;
    bool rebuildDue_ = false;
};

// The first day with a record after lastPastDay and before today, when all
// its items are done (an empty day is finished); none otherwise.
DayNumber firstDueDay(const Schedule& schedule, DayNumber today);

// The entry as the archive holds it: the 16-bit fields, the flags kept, and
// a recurring exception's definition id.
ArchivedEntry archivedEntryOf(const Schedule& schedule, const DayEntry& entry);

} // namespace zk
