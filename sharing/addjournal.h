#pragma once
// What a session added since its data was last saved for good: the journal
// timedata.uns, the activity lines waiting for that save, and the Task
// Pipeline file taken up for it. Nothing taken in is forgotten before a
// save that holds it has reached the disk, and nothing is added twice
// after a crash.
//
// Journal lines read "<date> <time> <text>\t<id>": the item's id lets a
// later session tell whether the data file holds the item.
//
// Contract:
// - recordAdd() journals an item once it is in the schedule; its lines for
//   "Add.log" and "Change.log" wait for saved(), so the logs say "added"
//   only of items a save holds. A failed save keeps them waiting.
// - saved() is called once the data file holding the schedule is on the
//   disk: the waiting lines are logged, the pipeline file taken up by this
//   session (and the lines it could not add) is settled, and the journal
//   keeps only the lines that schedule does not hold.
// - opened() reads what a session that ended without saving left in the
//   journal, so that the pipeline file that session left taken adds exactly
//   its lines the data file lacks. Lines the data lacks stay in the journal
//   until a save holds them (or their line is added again).
// - Every member is called by the session holding change access.

#include "core/item.h"
#include "core/regional.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

class FileSystem;
class Messages;
class Schedule;
struct LocalMoment;

struct JournalEntry {
    std::string line;  // without its line end
    std::uint32_t id = 0;
    std::string text;  // the item's text, on one line
};

// The entries of a journal file; lines without an id are kept as they are.
std::vector<JournalEntry> readJournal(const std::filesystem::path& file);
// Whether the schedule holds the item the entry names.
bool scheduleHolds(const Schedule& schedule, const JournalEntry& entry);

class AddJournal {
public:
    AddJournal(const std::filesystem::path& folder, Messages& messages, FileSystem& fs);

    const std::filesystem::path& file() const { return file_; }

    void opened(const Schedule& loaded);
    void recordAdd(const LocalMoment& moment, const RegionalSettings& regional, ItemHandle item,
                   const Schedule& schedule);
    void saved(const Schedule& schedule);

    // --- the Task Pipeline file -------------------------------------------
    // The taken file's lines are in the schedule, waiting for a save.
    bool takenFileInSchedule() const { return takenInSchedule_; }
    void noteTakenFileProcessed(std::string rejectedLines);
    // A line of a taken file left by a session that ended: true when the
    // data file already holds its item (it is then not added again).
    bool heldBeforeStart(std::string_view text);
    // A line of such a file was added again: the journal line of its lost
    // first add goes.
    void noteAddedAgain(std::string_view text);

private:
    void rewrite(const std::vector<JournalEntry>& keep);

    std::filesystem::path folder_;
    std::filesystem::path file_;
    Messages& messages_;
    FileSystem& fs_;
    std::vector<std::string> waitingActivity_;
    // Entries of a session that ended: those the loaded data holds, and
    // those it lacks; lines of the latter whose item was added again.
    std::vector<JournalEntry> heldBeforeStart_;
    std::vector<JournalEntry> orphans_;
    std::vector<std::string> addedAgain_;
    std::string rejectedLines_;
    bool takenInSchedule_ = false;
};

} // namespace zk
