#pragma once
// The Task Pipeline: other people and programs add items to a schedule
// without opening it, by appending lines to "timedata.add" in its folder.
//
// Line format, tokens separated by blanks, tabs or commas:
//     [date] [time | "*" | "-"] [duration] text
// - The first token is the date when it reads as one (date entry rules).
// - The next is the time of day; "*" means no time, "-" no time and on
//   hold. A token that is no time is tried as the duration instead.
// - Then the duration. When the token is none but a time was read, the time
//   token is read again as a duration; if it is one, the item gets that
//   duration and no time.
// - The rest of the line, trimmed of blanks, is the text.
// The item starts as a copy of the template item; it goes on the date, or
// on the day shown. A line longer than kMaxPipelineLine bytes, or a text
// longer than the description limit, is refused with kTextTooLongText.
//
// Processing (processPipelineFile), only while change access is held:
//  1. timedata.add is taken over by renaming it to timedata.add.taken, so
//     lines appended meanwhile start a fresh timedata.add. A
//     timedata.add.taken left by a session that ended before saving its
//     lines goes first, on its own: its lines that the data file holds
//     already (the journal says so) are not added again.
//  2. Every line is parsed and added through addItem() on its day.
//  3. Lines that were not added are reported; they go to
//     timedata.add.rejected, for the user to mend and send again.
//  4. kPipelineAddedText tells the count. The taken file stays until a save
//     holding its lines is on the disk (sharing/addjournal.h); until then
//     no further file is taken up.
//
// Writers: appendToPipeline() appends under an advisory lock on
// timedata.add, and opens the file afresh when it was taken over before the
// lock came; processing takes that lock on the taken file before reading,
// so no line of such a writer is lost. A writer that appends without the
// lock (a shell's >>) could lose a line only by writing it after the file
// was taken over and read, in the moment between its open and its write.

#include "core/dateparse.h"
#include "sharing/additem.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

inline constexpr const char* kPipelineFileName = "timedata.add";
inline constexpr const char* kPipelineTakenFileName = "timedata.add.taken";
inline constexpr const char* kPipelineRejectedFileName = "timedata.add.rejected";
inline constexpr std::size_t kMaxPipelineLine = 1040;

extern const char* const kTextTooLongText;
extern const char* const kPipelineAddedText;     // printf form, the count
extern const char* const kPipelineRejectedText;  // printf form, the count and the path

// A parsed line, or why it was refused.
struct PipelineLine {
    std::optional<NewItem> item;
    std::string refusal;
};

PipelineLine parsePipelineLine(std::string_view line, const ItemRecord& templateItem, DayNumber shownDay,
                               const EntryContext& context);

// How the schedule reads entries now: the clock, the user's regional and
// week settings, the schedule's day window.
EntryContext entryContextFor(const Schedule& schedule, const Clock& clock, const RegionalSettings& regional,
                             const WeekSettings& week);

struct PipelineOptions {
    DayNumber shownDay;  // lines without a date go here; none: today
    WeekSettings week;
};

enum class PipelineStatus {
    NothingToDo,     // no timedata.add (nor a taken one)
    NoChangeAccess,  // not read now; it stays for the next time
    Unreadable,      // the taken file could not be read; it stays for the next time
    Processed,
};

struct PipelineOutcome {
    PipelineStatus status = PipelineStatus::NothingToDo;
    int added = 0;
    int rejected = 0;
};

bool pipelineWaiting(const std::filesystem::path& folder);
PipelineOutcome processPipelineFile(const AddItemServices& services, const PipelineOptions& options);

enum class AppendStatus { Appended, LineBreakInLine, Failed };
// Appends the lines to the folder's timedata.add as an outside writer does;
// a line holding a line break refuses the whole call, nothing written.
AppendStatus appendToPipeline(const std::filesystem::path& folder, const std::vector<std::string>& lines);

} // namespace zk
