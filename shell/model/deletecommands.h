#pragma once
// The delete commands of a session with their questions, and the session's
// undelete stack: Delete Item (the Delete key, the toolbar, the item
// dialog), Delete All Occurrences, Undelete Item, Delete Sample Items,
// the duplicated occurrences on today and Delete everything but.
//
// Contract:
// - Each command asks its question first; any No leaves the data and the
//   stack as they were.
// - Change access is taken before anything changes; the item shown is then
//   found again by its id in the schedule as it is now. An item another
//   session deleted meanwhile is reported, and nothing else is removed.
// - Every deletion that can be undone is pushed on the stack, newest last;
//   Undelete takes the newest (and drops it also when answered No).
// - Deleted items are logged to "Delete.log" (and "Change.log").
// - The sample's items are those whose ids the sample mark file holds,
//   written when a new schedule is filled from the sample data; without
//   the file there are no samples to delete (the menu drops the command).
//
// The caller owns the schedule while it calls (the background-work lock).

#include "engine/deletion.h"
#include "shell/model/entrydrop.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zk {

class Session;

inline constexpr int kDeleteItemCommand = 921;
inline constexpr int kDeleteAllOccurrencesCommand = 81;
inline constexpr int kUndeleteCommand = 612;
inline constexpr int kDeleteDuplicatesCommand = 721;
inline constexpr int kDeleteAllButCommand = 674;

inline constexpr const char* kDeleteLogName = "Delete.log";
inline constexpr const char* kSampleMarkFileName = "Sample.ids";

extern const char* const kNothingToUndeleteText;
extern const char* const kLiteDeleteAllQuestion;
extern const char* const kDuplicatesQuestion;
extern const char* const kAllButQuestion;
extern const char* const kDeletedMeanwhileText;
extern const char* const kNothingSelectedText;
// The captions of the delete questions, naming what is at stake.
extern const char* const kDeleteItemCaption;
extern const char* const kDeleteAllOccurrencesCaption;
extern const char* const kDeleteProjectCaption;

// The question texts.
std::string deleteItemQuestion(const std::string& title);
std::string deleteOccurrenceQuestion(const std::string& title, const std::string& date);
std::string deleteAllOccurrencesQuestion(const std::string& title);
std::string deleteProjectQuestion(const std::string& title);
std::string undeleteQuestion(const std::string& title);

struct DeleteOutcome {
    bool changed = false;
    DayNumber dayToShow;  // none: leave the view where it is
    ItemHandle item;      // an undeleted item, to select
};

class DeleteCommands {
public:
    explicit DeleteCommands(Session& session);

    // 921 and the Delete key in a day view; `lite`: LITE's question first.
    DeleteOutcome deleteEntry(const DraggedEntry& shown, bool lite);
    // 921 in a list view: the item selected there; `inGlobalList` for the
    // Global List view.
    DeleteOutcome deleteListed(ItemHandle shown, bool inGlobalList);
    // 81: the definition of the item shown, with every undone occurrence.
    DeleteOutcome deleteAllOccurrences(ItemHandle shown);
    DeleteOutcome undelete();
    DeleteOutcome deleteSampleItems();
    DeleteOutcome deleteDuplicatesToday();
    DeleteOutcome deleteAllBut(const DraggedEntry& shown);

    std::size_t undeleteCount() const { return stack_.size(); }
    // Whether the sample mark file lists items still to delete.
    bool hasSamples() const;

private:
    Deletion deletion();
    // Takes change access and finds the item shown again; none (after the
    // message) when access waits or the item is gone.
    ItemHandle itemForChange(ItemHandle shown);
    DeleteOutcome deleteOccurrenceOrItem(ItemHandle item, DayNumber day, std::optional<EntryRef> entry);
    DeleteOutcome pushed(UndeleteRecord record, DayNumber dayToShow);
    std::string dateText(DayNumber day) const;
    // No caption: the session's.
    bool ask(const std::string& text, const char* caption = nullptr);

    Session& session_;
    std::vector<UndeleteRecord> stack_;
};

// Records the ids of every item of a schedule just filled from the sample
// data (giving an id to any that has none), so that Delete Sample Items
// deletes those and no others.
void recordSampleItems(Schedule& schedule, const std::filesystem::path& folder);

} // namespace zk
