#pragma once
// The item editor's model: a working copy of one item record and the
// dialog-level values around it (the dialog day, the rank in the priority
// list, the first and last day of a multi-day event), with the rules by
// which each field is read and how one field's edit moves another.
//
// Contract:
// - The editor takes what it needs from the schedule when it is made (the
//   item, the template, the day window, business hours, the size of every
//   priority class, the projects) and never touches the schedule again, so
//   a window may keep it open while saves and other work go on.
// - readField() reads one control's text by the entry rules. A text that
//   does not read is refused with its message, and the working copy is left
//   as it was (the control keeps what the user typed). A range whose two
//   ends cross is refused with the underlapping-range message and its
//   second end is emptied: the result names that control.
// - finalRecord() is the record OK stores: the working copy with the day,
//   the anchor, the time normalisation and the floating rules applied.
// - A multi-day event lies on its first day and keeps its last day in
//   `deadlineDate`; special days, memos and multi-day events start with no
//   duration.
// - Which controls a form carries, and which form a command opens, are the
//   tables below; every form shares the control identifiers, so one
//   identifier always sets the same field.
// - A recurring item is edited as one instance: the definition opened on
//   one of its occurrence days, or one of its exceptions. The role (the
//   definition itself, this occurrence as an exception, or this occurrence
//   cancelled) and the recurring box decide what OK stores; the rule is
//   the definition's, as the recurrence dialog leaves it.

#include "core/dateparse.h"
#include "core/item.h"
#include "core/itemrecord.h"
#include "core/recurrence.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

class Messages;
class Schedule;

// --- commands and forms ----------------------------------------------------------

namespace ItemCommand {
inline constexpr int task = 648;
inline constexpr int appointment = 649;
inline constexpr int appointment2 = 650;
inline constexpr int multiDayEvent = 651;
inline constexpr int memo = 652;
inline constexpr int birthday = 653;
inline constexpr int anniversary = 654;
inline constexpr int holiday = 655;
inline constexpr int vacation = 656;
inline constexpr int define = 657;
inline constexpr int modifyAllOccurrences = 351;
// An existing item in the general form, whatever its kind.
inline constexpr int customModify = 665;
inline constexpr int project = 662;
inline constexpr int cashFlow = 735;
inline constexpr int list = 745;
} // namespace ItemCommand

enum class ItemForm { Task, Appointment, MultiDayEvent, SpecialDay, Memo, Cash, Project, List, Lite, Define };

struct ItemFormInfo {
    ItemForm form;
    const char* resource;  // "Item--Task"
    const char* title;     // "Task"
};

struct CommandKind {
    int command;
    std::uint16_t kind;  // 0: no kind preset
    ItemForm form;
};

// The commands that open the editor with a kind preset.
extern const std::array<CommandKind, 13> kCommandKinds;

// The kind a command presets; 0 for the general "define" commands.
std::uint16_t kindOfCommand(int command);
// The command that opens an existing item of this kind (657 for none).
int commandOfKind(std::uint16_t kind);
// LITE always uses its one form.
ItemForm formOfCommand(int command, bool liteMode);
const ItemFormInfo& formInfo(ItemForm form);

namespace ControlId {
inline constexpr int text = 3;
inline constexpr int duration = 4;
inline constexpr int beginTime = 5;
inline constexpr int endTime = 6;
inline constexpr int onHold = 9;
inline constexpr int earliestBegin = 11;
inline constexpr int latestEnd = 12;
inline constexpr int recurrence = 13;
inline constexpr int date = 14;
inline constexpr int postponeDate = 23;
inline constexpr int deadlineDate = 24;
inline constexpr int postponeTime = 1281;
inline constexpr int deadlineTime = 1282;
inline constexpr int sunday = 21;  // then 15..20 for Monday..Saturday
inline constexpr int weekdays = 211;
inline constexpr int weekend = 212;
inline constexpr int alarmCheck = 63;
inline constexpr int alarm = 64;
inline constexpr int starting = 76;
inline constexpr int ending = 1328;
inline constexpr int baseYear = 1339;
inline constexpr int recurring = 145;
inline constexpr int floating = 216;
inline constexpr int split = 1214;
inline constexpr int priority = 217;
inline constexpr int rank = 222;
inline constexpr int rankText = 1283;
inline constexpr int value = 1380;
inline constexpr int expense = 1555;
inline constexpr int key = 1335;
inline constexpr int followUp = 319;
inline constexpr int bizHours = 1437;
inline constexpr int offHours = 1436;
inline constexpr int spin = 1438;
inline constexpr int daily = 1553;
inline constexpr int total = 1206;
inline constexpr int hourized = 1547;
inline constexpr int project = 1191;
inline constexpr int prerequisite = 1429;
inline constexpr int lagDays = 1304;
inline constexpr int lagDuration = 1303;
inline constexpr int caseNumber = 1444;
inline constexpr int notes = 234;
inline constexpr int instance = 48;
inline constexpr int standard = 49;
inline constexpr int exception = 50;
inline constexpr int cancelled = 51;
inline constexpr int prior = 52;
inline constexpr int next = 53;
inline constexpr int setColour = 1194;
inline constexpr int colourBox = 1195;
inline constexpr int deleteItem = 236;
} // namespace ControlId

// The weekday (0 Sunday .. 6 Saturday) of a weekday box, or -1.
int weekdayOfControl(int id);
int controlOfWeekday(int weekday);

// The controls a form carries, in their natural tab order.
const std::vector<int>& controlsOf(ItemForm form);
bool formHasControl(ItemForm form, int id);

// --- messages ----------------------------------------------------------------------

extern const char* const kInvalidDateText;
extern const char* const kInvalidTimeText;
extern const char* const kInvalidDurationText;
extern const char* const kInvalidNumberText;
extern const char* const kInvalidYearText;
extern const char* const kUnderlappingTimeText;
extern const char* const kUnderlappingDateText;
extern const char* const kStartedSplitText;
extern const char* const kDeleteOtherInstancesText;
extern const char* const kRecurringDateText;

// --- the editor --------------------------------------------------------------------

inline constexpr int kMaxPriorityIndex = 26;  // "A".."Z" are 1..26
inline constexpr std::size_t kMaxItemTextBytes = kMaxDescriptionBytes;

// An item offered in a list: a project, or a prerequisite candidate.
struct ItemChoice {
    std::uint32_t id = 0;
    std::string name;
};

// How the editor is opened.
struct ItemEditorRequest {
    int command = ItemCommand::define;
    ItemHandle item;                     // none: a new item
    std::optional<ItemRecord> preset;    // a record to start a new item from
    std::string presetText;
    // The dialog day of a new item (none: today); for a recurring
    // definition the occurrence day opened (none: the definition itself).
    DayNumber day;
};

// What an instance of a recurring item is made into.
enum class RecurringRole { None, Standard, Exception, Cancelled };

// What pressing the recurring box asks of the dialog.
enum class RecurringPress { Done, OpenRecurrence };

enum class RankStep { LineUp, LineDown, PageUp, PageDown, Top, Bottom };

struct FieldResult {
    enum class Status { Accepted, Refused, RangeCleared };
    Status status = Status::Accepted;
    int clearedControl = 0;  // RangeCleared: the field emptied, to be focused

    bool accepted() const { return status == Status::Accepted; }
};

class ItemEditor {
public:
    // Reads what it needs from the schedule; the schedule is not kept.
    ItemEditor(const Schedule& schedule, EntryContext context, ItemEditorRequest request, Messages& messages);

    // --- what it edits ------------------------------------------------------------
    int command() const { return command_; }
    ItemForm form() const { return form_; }
    bool isNew() const { return !item_; }
    ItemHandle item() const { return item_; }
    std::uint32_t itemId() const { return itemId_; }
    // Opened without an item, a preset or a kind: OK sets the template.
    bool editsTemplate() const;
    bool isProjectOrList() const;
    const ItemRecord& record() const { return record_; }
    const std::string& text() const { return text_; }
    DayNumber dialogDay() const { return dialogDay_; }
    DayNumber firstDay() const { return firstDay_; }
    DayNumber lastDay() const { return lastDay_; }
    const std::vector<ItemChoice>& projects() const { return projects_; }
    // The floating items in priority order, the edited one left out.
    const std::vector<ItemChoice>& prerequisites() const { return prerequisites_; }
    // Set by the recurrence editor; a new item with one becomes a definition.
    const std::optional<RecurrenceRecord>& recurrence() const { return recurrence_; }
    void setRecurrence(std::optional<RecurrenceRecord> recurrence);
    // The rule the recurrence dialog opens with: the item's, else a new one
    // from the dialog day.
    RecurrenceRecord ruleToEdit() const;
    // The recurrence dialog confirmed: the box is checked, and an item that
    // is neither a definition nor an exception becomes a definition.
    void acceptRecurrence(const RecurrenceRecord& rule);
    // The rule OK stores with the item: none while the box is cleared.
    std::optional<RecurrenceRecord> storedRecurrence() const;

    // --- recurring instances ------------------------------------------------------
    // The definition of the instance edited, or none.
    ItemHandle definition() const { return definition_; }
    std::uint32_t definitionId() const { return definitionId_; }
    // The occurrence day of the instance (an exception: the day it replaces).
    DayNumber instanceDay() const { return instanceDay_; }
    bool editsInstance() const { return definition_ && !instanceDay_.isNone(); }
    RecurringRole role() const { return role_; }
    // The recurring box (145) is checked.
    bool recurringChecked() const { return recurring_; }
    // An existing item that is not recurring yet was given a rule.
    bool becomesDefinition() const { return !isNew() && !definition_ && recurring_ && recurrence_.has_value(); }
    // The record, text or day differ from what was opened.
    bool instanceEdited() const;
    // Pressing the recurring box: a rule without instances is reported; an
    // item without a rule yet asks for the recurrence dialog; else the box
    // toggles.
    RecurringPress pressRecurring();
    // "&Date:" shows kRecurringDateText (empty when cancelled), disabled.
    bool dateShowsRecurring() const;

    // --- the project colour --------------------------------------------------------
    std::optional<std::uint32_t> projectColour() const;
    void setProjectColour(std::optional<std::uint32_t> colorRef);
    // A text shown once at opening (a started split task), or empty.
    const std::string& openingNotice() const { return openingNotice_; }

    // --- reading fields ------------------------------------------------------------
    FieldResult readField(int id, std::string_view text);
    // The text a control shows for the working copy.
    std::string fieldText(int id) const;

    // --- buttons and boxes -----------------------------------------------------------
    bool isChecked(int id) const;
    // A check box, radio button or push button of the form was used.
    void press(int id, bool checked = true);
    // Moves earliest begin and latest end by whole hours.
    void spin(int steps);
    // List index: 1..26 is "A".."Z", anything else no letter.
    void setPriorityIndex(int index);
    int priorityIndex() const;
    // Index 0 is "none", then the projects in their order.
    void setProjectIndex(int index);
    int projectIndex() const;
    // Index 0 is "none", then the prerequisite candidates.
    void setPrerequisiteIndex(int index);
    int prerequisiteIndex() const;
    int rank() const { return rank_; }
    // The items of the chosen letter, the edited one counted (at least 1).
    int rankCount() const;
    void stepRank(RankStep step);
    void setRank(int rank);
    // The "%d / week  -  %d / month  -  %d / year" line, or empty.
    std::string hourizedLine() const;
    // Whether "&Floating" may be changed now.
    bool floatingEnabled() const;

    // --- the alarm and the note -------------------------------------------------------
    // The alarm dialog's OK: the alarm fields and bits of `edited` are taken.
    void takeAlarm(const ItemRecord& edited);
    // The item's note number, given when its note is first opened.
    void setNoteNumber(std::uint32_t refNo) { record_.setRefNo(refNo); }

    // --- OK --------------------------------------------------------------------------
    // The record to store, with the OK rules applied.
    ItemRecord finalRecord() const;
    DayNumber finalDay() const;

private:
    void loadItem(const Schedule& schedule, const ItemEditorRequest& request);
    void startNew(const Schedule& schedule, const ItemEditorRequest& request);
    FieldResult refuse(const char* text);
    FieldResult readDate(int id, std::string_view text);
    FieldResult readTime(int id, std::string_view text);
    FieldResult readDuration(int id, std::string_view text);
    FieldResult readNumber(int id, std::string_view text);
    FieldResult checkTimeRange();
    FieldResult checkDateRange(int id);
    void setDialogDay(DayNumber day);
    void toggleWeekdayBits(std::uint8_t bits);
    void setBizHours(bool on);
    void setOffHours(bool on);
    void readMarval();
    void loadRecurring(const Schedule& schedule, const ItemEditorRequest& request);
    void setRole(RecurringRole role);
    bool hasInstances() const;

    EntryContext context_;
    Messages& messages_;
    int command_;
    ItemForm form_;
    ItemHandle item_;
    std::uint32_t itemId_ = 0;
    bool preset_ = false;
    ItemRecord record_;
    ItemRecord templateItem_;
    std::string text_;
    DayNumber dialogDay_;
    DayNumber firstDay_;
    DayNumber lastDay_;
    std::optional<RecurrenceRecord> recurrence_;
    int invokingCommand_ = 0;
    ItemHandle definition_;
    std::uint32_t definitionId_ = 0;
    DayNumber instanceDay_;
    RecurringRole role_ = RecurringRole::None;
    bool recurring_ = false;
    ItemRecord openedRecord_;
    std::string openedText_;
    DayNumber openedDay_;
    int rank_ = 1;
    bool listed_ = false;            // the item is in the priority list now
    std::uint8_t listedLetter_ = 0;  // and with this letter
    std::array<int, 256> classCounts_{};
    TimeValue bizStart_;
    TimeValue bizEnd_;
    bool lite_ = false;
    std::vector<ItemChoice> projects_;
    std::vector<ItemChoice> prerequisites_;
    std::string openingNotice_;
};

} // namespace zk
