#include "engine/itemediting.h"

#include "core/calendar.h"
#include "core/dateformat.h"
#include "core/schedule.h"
#include "core/text.h"
#include "core/projectcolour.h"
#include "engine/interfacemode.h"
#include "engine/occurrences.h"
#include "engine/plistorder.h"
#include "engine/recurrenceediting.h"
#include "engine/rulecheck.h"
#include "platform/messages.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace zk {

const char* const kInvalidDateText =
    "Invalid date. Enter a date such as today, tomorrow, +3, 2w, fri, 3/15 or 3/15/24.";
const char* const kInvalidTimeText = "Invalid time. Enter a time such as 9, 930, 9:30, 5:30p, noon or now.";
const char* const kInvalidDurationText =
    "Invalid duration. Enter hours (2), minutes (30 or 02), hours and minutes (1:30) or memo.";
const char* const kInvalidNumberText = "Invalid number.";
const char* const kInvalidYearText = "Invalid year. Enter a year such as 1975, 75 or 2045.";
const char* const kUnderlappingTimeText =
    "You have specified an underlapping time range. Tip: AM is assumed on hours from \"6:00 to 11:59\" and PM is "
    "assumed on hours from \"12:00\" to \"5:59.\" Please edit the time range.";
const char* const kUnderlappingDateText =
    "You have specified an underlapping date range. The start date should precede the end date.";
const char* const kStartedSplitText =
    "Because Started tasks do not participate in workload balancing, this Split item will go in as one huge chunk "
    "if you make changes, until the instance started is completed and workload balancing occurs. ";
const char* const kDeleteOtherInstancesText = "Are you sure you want to delete all other instances of this item?";
const char* const kRecurringDateText = "Recur'ng";

// --- commands and forms ----------------------------------------------------------

const std::array<CommandKind, 13> kCommandKinds{{
    {ItemCommand::task, ItemKind::task, ItemForm::Task},
    {ItemCommand::appointment, ItemKind::appointment, ItemForm::Appointment},
    {ItemCommand::appointment2, ItemKind::appointment2, ItemForm::Appointment},
    {ItemCommand::multiDayEvent, ItemKind::multiDayEvent, ItemForm::MultiDayEvent},
    {ItemCommand::memo, ItemKind::memo, ItemForm::Memo},
    {ItemCommand::birthday, ItemKind::birthday, ItemForm::SpecialDay},
    {ItemCommand::anniversary, ItemKind::anniversary, ItemForm::SpecialDay},
    {ItemCommand::holiday, ItemKind::holiday, ItemForm::SpecialDay},
    {ItemCommand::vacation, ItemKind::multiDayEvent2, ItemForm::MultiDayEvent},
    {ItemCommand::project, ItemKind::project, ItemForm::Project},
    {ItemCommand::cashFlow, ItemKind::cashFlow, ItemForm::Cash},
    {ItemCommand::list, 0, ItemForm::List},
    {ItemCommand::define, 0, ItemForm::Define},
}};

namespace {

const std::array<ItemFormInfo, 10> kForms{{
    {ItemForm::Task, "Item--Task", "Task"},
    {ItemForm::Appointment, "Item--Appointment", "Appointment"},
    {ItemForm::MultiDayEvent, "Item--MultiDayEvent", "Multi-day Event/Vacation"},
    {ItemForm::SpecialDay, "Item--SpecialDay", "Annual"},
    {ItemForm::Memo, "Item--Memo", "Memo"},
    {ItemForm::Cash, "Item-Cash", "Cash Transaction"},
    {ItemForm::Project, "DefineProjectBox", "Define Project"},
    {ItemForm::List, "DefineList", "Define List"},
    {ItemForm::Lite, "ITEM-LITE", "Insert Item"},
    {ItemForm::Define, "DefineBox", "Item Definition"},
}};

using namespace ControlId;

// In tab order. The task form carries the floating box and the priority
// with its rank as well: without them a task could not be given its place
// in the priority list from the form that defines it. The forms with the
// recurring box carry the instance roles and the Prior and Next buttons
// too (the dialog shows them only for an instance): without them an
// occurrence opened from such a form could be neither cancelled nor
// stepped through.
const std::vector<int> kTaskControls = {text, date, duration, floating, priority, rank, rankText, earliestBegin, latestEnd,
                                 project, recurring, recurrence, instance, standard, exception, cancelled, prior, next,
                                 alarmCheck, alarm, notes};
const std::vector<int> kAppointmentControls = {text, date, beginTime, duration, endTime, key, project,
                                        recurring, recurrence, instance, standard, exception, cancelled, prior, next,
                                        alarmCheck, alarm, notes};
const std::vector<int> kMultiDayControls = {text, starting, ending, beginTime, duration, key, project, alarmCheck, alarm, notes};
const std::vector<int> kSpecialDayControls = {text, starting, baseYear, key, project, recurring, recurrence,
                                              instance, standard, exception, cancelled, prior, next,
                                              alarmCheck, alarm, notes};
const std::vector<int> kMemoControls = {text, date, project, recurring, recurrence,
                                        instance, standard, exception, cancelled, prior, next, notes};
const std::vector<int> kCashControls = {text, date, value, expense, project, recurring, recurrence,
                                        instance, standard, exception, cancelled, prior, next, notes};
const std::vector<int> kProjectControls = {text, setColour, colourBox};
const std::vector<int> kListControls = {text};
const std::vector<int> kLiteControls = {text, date, beginTime, duration, endTime, recurring, recurrence,
                                        instance, standard, exception, cancelled, prior, next, alarmCheck, alarm};
const std::vector<int> kDefineControls = {
    text, date, beginTime, duration, endTime, onHold, floating, split, priority, rank, rankText,
    earliestBegin, latestEnd, spin, bizHours, offHours, postponeDate, postponeTime, deadlineDate, deadlineTime,
    sunday, 15, 16, 17, 18, 19, 20, weekdays, weekend, value, daily, total, hourized, key, followUp, project,
    prerequisite, lagDays, lagDuration, caseNumber, recurring, recurrence, instance, standard, exception, cancelled,
    prior, next, alarmCheck, alarm, notes, deleteItem, 501};

// What kind of text an edit field holds.
enum class Syntax { Text, Date, Time, Duration, Integer, Real };

struct EditField {
    int id;
    Syntax syntax;
};

constexpr EditField kEditFields[] = {
    {text, Syntax::Text},         {duration, Syntax::Duration},      {beginTime, Syntax::Time},
    {endTime, Syntax::Time},      {earliestBegin, Syntax::Time},     {latestEnd, Syntax::Time},
    {date, Syntax::Date},         {postponeDate, Syntax::Date},      {deadlineDate, Syntax::Date},
    {postponeTime, Syntax::Time}, {deadlineTime, Syntax::Time},      {starting, Syntax::Date},
    {ending, Syntax::Date},       {baseYear, Syntax::Integer},       {value, Syntax::Real},
    {expense, Syntax::Real},      {lagDays, Syntax::Integer},        {lagDuration, Syntax::Duration},
    {caseNumber, Syntax::Integer},
};

std::optional<Syntax> syntaxOf(int id)
{
    for (const EditField& f : kEditFields)
        if (f.id == id)
            return f.syntax;
    return std::nullopt;
}

constexpr std::uint8_t kEveryDay = 0x7F;
constexpr int kNewItemMinutes = 30;
constexpr std::uint8_t kMondayToFriday = 0x3E;
constexpr std::uint8_t kSaturdayAndSunday = 0x41;

std::uint8_t letterOfIndex(int index)
{
    return index >= 1 && index <= kMaxPriorityIndex ? static_cast<std::uint8_t>('A' + index - 1) : 0;
}

std::optional<long> wholeNumber(std::string_view text)
{
    text = trimBlanks(text);
    long n = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return n;
}

std::optional<float> realNumber(std::string_view text)
{
    std::string s(trimBlanks(text));
    if (s.empty())
        return 0.0f;
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || errno != 0 || !std::isfinite(v) || std::fabs(v) > 3.0e38)
        return std::nullopt;
    return static_cast<float>(v);
}

std::string realText(float v)
{
    if (v == 0)
        return {};
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", static_cast<double>(v));
    return buffer;
}

// Lists of items show "none" at index 0.
std::uint32_t idAtIndex(const std::vector<ItemChoice>& choices, int index)
{
    return index >= 1 && index <= static_cast<int>(choices.size()) ? choices[index - 1].id : 0;
}

int indexOfId(const std::vector<ItemChoice>& choices, std::uint32_t id)
{
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (id != 0 && choices[i].id == id)
            return static_cast<int>(i) + 1;
    return 0;
}

std::int16_t i16(int v) { return static_cast<std::int16_t>(v); }
std::uint16_t u16(int v) { return static_cast<std::uint16_t>(v); }

} // namespace

std::uint16_t kindOfCommand(int command)
{
    for (const CommandKind& c : kCommandKinds)
        if (c.command == command)
            return c.kind;
    return 0;
}

int commandOfKind(std::uint16_t kind)
{
    for (const CommandKind& c : kCommandKinds)
        if (kind != 0 && c.kind == kind)
            return c.command;
    return ItemCommand::define;
}

ItemForm formOfCommand(int command, bool liteMode)
{
    if (liteMode)
        return ItemForm::Lite;
    for (const CommandKind& c : kCommandKinds)
        if (c.command == command)
            return c.form;
    return ItemForm::Define;
}

const ItemFormInfo& formInfo(ItemForm form)
{
    for (const ItemFormInfo& f : kForms)
        if (f.form == form)
            return f;
    return kForms.back();
}

int weekdayOfControl(int id)
{
    if (id == sunday)
        return 0;
    return id >= 15 && id <= 20 ? id - 14 : -1;
}

int controlOfWeekday(int weekday) { return weekday == 0 ? sunday : 14 + weekday; }

const std::vector<int>& controlsOf(ItemForm form)
{
    switch (form) {
    case ItemForm::Task: return kTaskControls;
    case ItemForm::Appointment: return kAppointmentControls;
    case ItemForm::MultiDayEvent: return kMultiDayControls;
    case ItemForm::SpecialDay: return kSpecialDayControls;
    case ItemForm::Memo: return kMemoControls;
    case ItemForm::Cash: return kCashControls;
    case ItemForm::Project: return kProjectControls;
    case ItemForm::List: return kListControls;
    case ItemForm::Lite: return kLiteControls;
    case ItemForm::Define: return kDefineControls;
    }
    return kDefineControls;
}

bool formHasControl(ItemForm form, int id)
{
    const std::vector<int>& ids = controlsOf(form);
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// --- opening -----------------------------------------------------------------------

ItemEditor::ItemEditor(const Schedule& schedule, EntryContext context, ItemEditorRequest request, Messages& messages)
    : context_(std::move(context)), messages_(messages), command_(request.command),
      templateItem_(schedule.templateItem), bizStart_(schedule.header.bizStart()), bizEnd_(schedule.header.bizEnd()),
      lite_(isLiteMode(schedule.header))
{
    invokingCommand_ = request.command;
    context_.itemEditorOpen = true;
    for (PlistEntryHandle h : schedule.plist) {
        const PlistEntry& entry = schedule.plist.entry(h);
        ++classCounts_[entry.letter];
        if (entry.item != request.item)
            prerequisites_.push_back({schedule.record(entry.item).id(), std::string(schedule.storedDescription(entry.item))});
    }
    for (ItemHandle p : schedule.projects)
        projects_.push_back({schedule.record(p).id(), std::string(schedule.storedDescription(p))});
    if (request.item)
        loadItem(schedule, request);
    else
        startNew(schedule, request);
    form_ = formOfCommand(command_, lite_);
    openedRecord_ = record_;
    openedText_ = text_;
    openedDay_ = dialogDay_;
}

void ItemEditor::loadItem(const Schedule& schedule, const ItemEditorRequest& request)
{
    item_ = request.item;
    record_ = schedule.record(item_);
    text_ = schedule.storedDescription(item_);
    itemId_ = record_.id();
    command_ = request.command == ItemCommand::customModify ? ItemCommand::define : commandOfKind(record_.kind());
    dialogDay_ = schedule.dayOf(item_);
    if (dialogDay_.value() == kNoDayInChain)
        dialogDay_ = kNoDay;
    firstDay_ = dialogDay_;
    lastDay_ = DayNumber(record_.deadlineDate());
    if (record_.kind() == ItemKind::cashFlow) {
        record_.setDuration(0);
        record_.setEarliestBegin(1400);
    }
    if (PlistEntryHandle e = findPlistEntry(schedule, item_)) {
        listed_ = true;
        listedLetter_ = schedule.plist.entry(e).letter;
        rank_ = schedule.plist.entry(e).seq;
    } else {
        rank_ = rankCount();
    }
    if (record_.has(ItemFlag::fStarted) && record_.has(ItemFlag::fSplit))
        openingNotice_ = kStartedSplitText;
    loadRecurring(schedule, request);
}

// A definition is opened on one of its occurrence days (or, with no day,
// as itself); an exception stands for the occurrence day it replaces.
void ItemEditor::loadRecurring(const Schedule& schedule, const ItemEditorRequest& request)
{
    if (record_.has(ItemFlag::fRecurDef) && schedule.recurrences.contains(item_)) {
        definition_ = item_;
        instanceDay_ = request.day;
        dialogDay_ = firstDay_ = instanceDay_;
    } else if (record_.has(ItemFlag::fException)) {
        definition_ = schedule.recurrences.definitionOf(item_);
        instanceDay_ = DayNumber(record_.createdDay());
    }
    if (!definition_)
        return;
    definitionId_ = schedule.record(definition_).id();
    recurrence_ = schedule.recurrences.ruleOf(definition_);
    recurring_ = true;
    const bool wholeSeries = invokingCommand_ == ItemCommand::modifyAllOccurrences || instanceDay_.isNone();
    setRole(wholeSeries ? RecurringRole::Standard : RecurringRole::Exception);
}

void ItemEditor::startNew(const Schedule& schedule, const ItemEditorRequest& request)
{
    preset_ = request.preset.has_value();
    record_ = request.preset ? *request.preset : schedule.templateItem;
    text_ = std::string(utf8Prefix(request.presetText, kMaxItemTextBytes));
    if (std::uint16_t kind = kindOfCommand(command_); kind != 0)
        record_.setKind(kind);
    else if (record_.kind() == 0 && !editsTemplate())
        record_.setKind(ItemKind::task);
    // A new item has no place yet: its record must not claim one. Tasks
    // float unless a preset says otherwise; other kinds keep their day.
    record_.setId(0);
    record_.setPlistLink(0);
    if (!preset_)
        record_.setFlag(ItemFlag::fFloating, record_.kind() == ItemKind::task && !lite_);
    // Kinds that mark a day take no time of it unless the user gives some;
    // a task or appointment starts with half an hour when the template
    // gives it none, rather than as a memo.
    const std::uint16_t kind = record_.kind();
    if (!preset_ && (kind == ItemKind::memo || ItemKind::isSpecialDay(kind) || ItemKind::isMultiDayEvent(kind)))
        record_.setDuration(0);
    else if (!preset_ && record_.duration() == 0 && (kind == ItemKind::task || ItemKind::isAppointment(kind)))
        record_.setDuration(kNewItemMinutes);
    dialogDay_ = request.day ? request.day : context_.today;
    if (preset_ && record_.dayField() != 0)
        dialogDay_ = DayNumber(record_.dayField());
    firstDay_ = dialogDay_;
    lastDay_ = DayNumber(record_.deadlineDate());
    if (record_.kind() == ItemKind::cashFlow) {
        record_.setDuration(0);
        record_.setEarliestBegin(1400);
    }
    rank_ = rankCount();
}

bool ItemEditor::editsTemplate() const
{
    return !item_ && !preset_ && kindOfCommand(command_) == 0 && !isProjectOrList();
}

bool ItemEditor::isProjectOrList() const
{
    return command_ == ItemCommand::project || command_ == ItemCommand::list;
}

void ItemEditor::setRecurrence(std::optional<RecurrenceRecord> recurrence)
{
    recurring_ = recurrence.has_value();
    recurrence_ = std::move(recurrence);
}

RecurrenceRecord ItemEditor::ruleToEdit() const
{
    return recurrence_ ? *recurrence_ : RecurrenceEditor::newRule(dialogDay_ ? dialogDay_ : context_.today);
}

void ItemEditor::acceptRecurrence(const RecurrenceRecord& rule)
{
    recurrence_ = rule;
    recurring_ = true;
    if (!record_.has(ItemFlag::recurrence)) {
        record_.setFlag(ItemFlag::fRecurDef, true);
        // Occurrences are placed by their rule, never by the scheduler.
        record_.setFlag(ItemFlag::fFloating, false);
        role_ = RecurringRole::Standard;
    }
}

std::optional<RecurrenceRecord> ItemEditor::storedRecurrence() const
{
    return recurring_ ? recurrence_ : std::nullopt;
}

void ItemEditor::setRole(RecurringRole role)
{
    role_ = role;
    if (role == RecurringRole::Standard) {
        record_.setFlag(ItemFlag::fRecurDef, true);
        record_.setFlag(ItemFlag::fException | ItemFlag::fFloating, false);
    } else if (role == RecurringRole::Exception) {
        record_.setFlag(ItemFlag::fException, true);
        record_.setFlag(ItemFlag::fRecurDef, false);
    }
}

bool ItemEditor::instanceEdited() const
{
    return record_ != openedRecord_ || text_ != openedText_ || dialogDay_ != openedDay_;
}

bool ItemEditor::hasInstances() const
{
    if (!recurrence_)
        return false;
    const RecurrenceRecord& rule = *recurrence_;
    if (rule.monthWord() & kMonthWordSuspended)
        return true;
    const DayNumber from = ruleStartDay(rule, context_.today);
    return !firstRuleDay(rule, from, ruleEndDay(rule), context_.today).isNone();
}

RecurringPress ItemEditor::pressRecurring()
{
    if (recurring_ && recurrence_ && !hasInstances()) {
        messages_.error(kNoInstancesText);
        return RecurringPress::Done;
    }
    if (!record_.has(ItemFlag::recurrence) && !definition_)
        return RecurringPress::OpenRecurrence;
    recurring_ = !recurring_;
    return RecurringPress::Done;
}

bool ItemEditor::dateShowsRecurring() const
{
    return recurring_ && (record_.has(ItemFlag::fRecurDef) || role_ == RecurringRole::Cancelled);
}

std::optional<std::uint32_t> ItemEditor::projectColour() const { return projectColourOf(record_); }
void ItemEditor::setProjectColour(std::optional<std::uint32_t> colorRef) { zk::setProjectColour(record_, colorRef); }

// --- reading fields ------------------------------------------------------------------

FieldResult ItemEditor::refuse(const char* text)
{
    messages_.error(text);
    return {FieldResult::Status::Refused};
}

FieldResult ItemEditor::readField(int id, std::string_view text)
{
    std::optional<Syntax> syntax = syntaxOf(id);
    if (!syntax)
        return {};
    switch (*syntax) {
    case Syntax::Text:
        text_ = std::string(utf8Prefix(text, kMaxItemTextBytes));
        return {};
    case Syntax::Date: return readDate(id, text);
    case Syntax::Time: return readTime(id, text);
    case Syntax::Duration: return readDuration(id, text);
    case Syntax::Integer:
    case Syntax::Real: return readNumber(id, text);
    }
    return {};
}

FieldResult ItemEditor::readDate(int id, std::string_view text)
{
    int day = 0;
    if (!trimBlanks(text).empty()) {
        day = parseDateEntry(text, context_);
        if (day == kInvalidEntry)
            return refuse(kInvalidDateText);
    }
    const DayNumber d(day);
    switch (id) {
    case date:
        if (d.isNone())
            return refuse(kInvalidDateText);
        setDialogDay(d);
        return {};
    case postponeDate:
        record_.setPostponeDate(u16(day));
        if (d > dialogDay_)
            dialogDay_ = d;
        return checkDateRange(id);
    case deadlineDate:
        record_.setDeadlineDate(u16(day));
        return checkDateRange(id);
    case starting:
        if (d.isNone())
            return refuse(kInvalidDateText);
        firstDay_ = d;
        dialogDay_ = d;
        return checkDateRange(id);
    case ending:
        lastDay_ = d;
        return checkDateRange(id);
    }
    return {};
}

void ItemEditor::setDialogDay(DayNumber day)
{
    dialogDay_ = day;
    firstDay_ = day;
    if (record_.postponeDate() > day.value())
        record_.setPostponeDate(u16(day.value()));
    if (record_.deadlineDate() != 0 && record_.deadlineDate() < day.value())
        record_.setDeadlineDate(u16(day.value()));
}

FieldResult ItemEditor::checkDateRange(int id)
{
    const bool multiDay = id == starting || id == ending;
    const DayNumber first = multiDay ? firstDay_ : DayNumber(record_.postponeDate());
    const DayNumber last = multiDay ? lastDay_ : DayNumber(record_.deadlineDate());
    if (first.isNone() || last.isNone() || first <= last)
        return {};
    messages_.error(kUnderlappingDateText);
    if (multiDay)
        lastDay_ = kNoDay;
    else
        record_.setDeadlineDate(0);
    return {FieldResult::Status::RangeCleared, multiDay ? ending : deadlineDate};
}

FieldResult ItemEditor::readTime(int id, std::string_view text)
{
    int t = 0;
    if (!trimBlanks(text).empty()) {
        t = parseTimeEntry(text, context_);
        if (t == kInvalidEntry)
            return refuse(kInvalidTimeText);
    }
    switch (id) {
    case beginTime:
        record_.setBeginTime(i16(t));
        if (!record_.has(ItemFlag::fStarted))
            record_.setFlag(ItemFlag::fAnchored, t != 0);
        if (t != 0)
            record_.setFlag(ItemFlag::fOnHold, false);
        return {};
    case endTime:
        // The end is shown for the begin time and duration; typing one
        // sets the duration that reaches it.
        if (t != 0 && record_.beginTime() != 0)
            record_.setDuration(u16(minutesBetween(TimeValue(record_.beginTime()), TimeValue(t)) % 1440));
        return {};
    case earliestBegin:
        record_.setEarliestBegin(i16(t));
        return checkTimeRange();
    case latestEnd:
        record_.setLatestEnd(i16(std::min(t, kOpenLatestEnd.value())));
        return checkTimeRange();
    case postponeTime: record_.setPostponeTime(i16(t)); return {};
    case deadlineTime: record_.setDeadlineTime(i16(t)); return {};
    }
    return {};
}

FieldResult ItemEditor::checkTimeRange()
{
    const int earliest = record_.earliestBegin();
    const int latest = record_.latestEndField();
    if (earliest == 0 || latest == 0 || earliest <= latest)
        return {};
    messages_.error(kUnderlappingTimeText);
    record_.setLatestEnd(0);
    return {FieldResult::Status::RangeCleared, latestEnd};
}

FieldResult ItemEditor::readDuration(int id, std::string_view text)
{
    int minutes = 0;
    if (!trimBlanks(text).empty()) {
        std::optional<int> read = parseDurationEntry(text);
        // An item's duration is an unsigned count of minutes.
        if (!read || *read < 0)
            return refuse(kInvalidDurationText);
        minutes = *read;
    }
    if (id == lagDuration) {
        record_.setLagMinutes(i16(minutes));
        return {};
    }
    record_.setDuration(u16(minutes));
    if (minutes >= 1)
        record_.setFlag(ItemFlag::fOnHold, false);
    const int workingDay = context_.dayEnd - context_.dayStart;
    if (minutes > workingDay)
        record_.setFlag(ItemFlag::fSplit, true);
    return {};
}

FieldResult ItemEditor::readNumber(int id, std::string_view text)
{
    if (id == value || id == expense) {
        std::optional<float> v = realNumber(text);
        if (!v)
            return refuse(kInvalidNumberText);
        if (id == value)
            record_.setValue(*v);
        else
            record_.setExpense(*v);
        if (record_.kind() != ItemKind::cashFlow)
            readMarval();
        return {};
    }
    std::optional<long> n = trimBlanks(text).empty() ? std::optional<long>(0) : wholeNumber(text);
    if (id == baseYear) {
        if (!n || *n < 0 || *n > 9999)
            return refuse(kInvalidYearText);
        int year = static_cast<int>(*n);
        if (year <= 99 && !trimBlanks(text).empty()) {
            const int thisYear = civilDate(context_.today).year % 100;
            year += year > thisYear ? 1900 : 2000;
        }
        record_.setBaseYear(i16(year));
        return {};
    }
    const long lowest = id == caseNumber ? -2147483648L : -32768L;
    const long highest = id == caseNumber ? 2147483647L : 32767L;
    if (!n || *n < lowest || *n > highest)
        return refuse(kInvalidNumberText);
    if (id == lagDays)
        record_.setLagDays(i16(static_cast<int>(*n)));
    else if (id == caseNumber)
        record_.setCaseNo(static_cast<std::uint32_t>(static_cast<std::int32_t>(*n)));
    return {};
}

void ItemEditor::readMarval()
{
    if (record_.priorityLetter() == 0 && record_.value() > 0)
        setPriorityIndex(1);
}

std::string ItemEditor::fieldText(int id) const
{
    const RegionalSettings& regional = context_.regional;
    auto dateText = [&](int day) { return shortDate(DayNumber(day), regional); };
    auto timeOf = [&](int t) { return timeText(TimeValue(t), regional); };
    switch (id) {
    case ControlId::text: return text_;
    case ControlId::duration: return durationText(record_.duration(), regional);
    case beginTime: return timeOf(record_.beginTime());
    case endTime:
        return record_.beginTime() == 0 ? std::string()
                                        : timeOf((record_.beginTime() - 1 + record_.duration()) % 1440 + 1);
    case earliestBegin: return timeOf(record_.earliestBegin());
    case latestEnd: return timeOf(record_.latestEndField());
    case date:
        if (dateShowsRecurring())
            return role_ == RecurringRole::Cancelled ? std::string() : std::string(kRecurringDateText);
        return dateText(dialogDay_.value());
    case instance: return "Instance";
    case postponeDate: return dateText(record_.postponeDate());
    case deadlineDate: return dateText(record_.deadlineDate());
    case postponeTime: return timeOf(record_.postponeTime());
    case deadlineTime: return timeOf(record_.deadlineTime());
    case starting: return dateText(firstDay_.value());
    case ending: return dateText(lastDay_.value());
    case baseYear: return record_.baseYear() > 0 ? std::to_string(record_.baseYear()) : std::string();
    case ControlId::value: return realText(record_.value());
    case expense: return realText(record_.expense());
    case lagDays: return record_.lagDays() ? std::to_string(record_.lagDays()) : std::string();
    case lagDuration: return record_.lagMinutes() ? durationText(record_.lagMinutes(), regional) : std::string();
    case caseNumber:
        return record_.caseNo() ? std::to_string(static_cast<std::int32_t>(record_.caseNo())) : std::string();
    case rankText: return std::to_string(rank_);
    case hourized: return hourizedLine();
    }
    return {};
}

// --- buttons and boxes ---------------------------------------------------------------

bool ItemEditor::isChecked(int id) const
{
    if (int weekday = weekdayOfControl(id); weekday >= 0) {
        const std::uint8_t mask = record_.weekdayMask() ? record_.weekdayMask() : kEveryDay;
        return (mask >> weekday) & 1;
    }
    switch (id) {
    case onHold: return record_.has(ItemFlag::fOnHold);
    case floating: return record_.has(ItemFlag::fFloating);
    case split: return record_.has(ItemFlag::fSplit);
    case key: return record_.has(ItemFlag::fKey);
    case followUp: return record_.has(ItemFlag::fFollowUp);
    case bizHours: return record_.has(ItemFlag::fBizHours);
    case offHours: return record_.has(ItemFlag::fOffHours);
    case daily: return !record_.has(ItemFlag::fTotalHours);
    case total: return record_.has(ItemFlag::fTotalHours);
    case alarmCheck: return record_.has(ItemFlag::fAlarm);
    case recurring: return recurring_;
    case standard: return role_ == RecurringRole::Standard;
    case exception: return role_ == RecurringRole::Exception;
    case cancelled: return role_ == RecurringRole::Cancelled;
    }
    return false;
}

void ItemEditor::press(int id, bool checked)
{
    if (int weekday = weekdayOfControl(id); weekday >= 0) {
        toggleWeekdayBits(static_cast<std::uint8_t>(1u << weekday));
        return;
    }
    switch (id) {
    case weekdays: toggleWeekdayBits(kMondayToFriday); break;
    case weekend: toggleWeekdayBits(kSaturdayAndSunday); break;
    case onHold: record_.setFlag(ItemFlag::fOnHold, checked); break;
    case floating:
        if (floatingEnabled()) {
            record_.setFlag(ItemFlag::fFloating, checked);
            if (checked)
                rank_ = std::clamp(rank_, 1, rankCount());
        }
        break;
    case split: record_.setFlag(ItemFlag::fSplit, checked); break;
    case key: record_.setFlag(ItemFlag::fKey, checked); break;
    case followUp: record_.setFlag(ItemFlag::fFollowUp, checked); break;
    case bizHours: setBizHours(checked); break;
    case offHours: setOffHours(checked); break;
    case daily: record_.setFlag(ItemFlag::fTotalHours, false); break;
    case total: record_.setFlag(ItemFlag::fTotalHours, true); break;
    case alarmCheck:
        if (record_.has(ItemFlag::fAlarm | ItemFlag::alarmFromBegin | ItemFlag::alarmFromEnd))
            record_.setFlag(ItemFlag::fAlarm, checked);
        break;
    case standard:
    case exception:
    case cancelled:
        if (editsInstance() && recurring_)
            setRole(id == standard ? RecurringRole::Standard
                    : id == exception ? RecurringRole::Exception
                                      : RecurringRole::Cancelled);
        break;
    }
}

// The boxes show every day checked for a mask of 0 (no restriction), so a
// toggle works on that full mask, and a full mask is stored as 0 again:
// pressing the same button twice gives back the mask it started from.
void ItemEditor::toggleWeekdayBits(std::uint8_t bits)
{
    std::uint8_t mask = record_.weekdayMask() ? record_.weekdayMask() : kEveryDay;
    mask ^= bits;
    mask &= kEveryDay;
    record_.setWeekdayMask(mask == kEveryDay ? 0 : mask);
}

void ItemEditor::setBizHours(bool on)
{
    if (!on) {
        record_.setEarliestBegin(templateItem_.earliestBegin());
        record_.setLatestEnd(templateItem_.latestEndField());
        record_.setFlag(ItemFlag::fBizHours, false);
        return;
    }
    record_.setWeekdayMask(kMondayToFriday);
    record_.setEarliestBegin(i16(bizStart_.value()));
    record_.setLatestEnd(i16(bizEnd_.value()));
    record_.setFlag(ItemFlag::fBizHours, true);
    record_.setFlag(ItemFlag::fOffHours, false);
    if (dialogDay_ && dialogDay_.isWeekend())
        setDialogDay(nextBusinessDay(dialogDay_));
}

void ItemEditor::setOffHours(bool on)
{
    record_.setFlag(ItemFlag::fOffHours, on);
    if (!on)
        return;
    record_.setFlag(ItemFlag::fBizHours, false);
    record_.setEarliestBegin(0);
    record_.setLatestEnd(0);
}

void ItemEditor::spin(int steps)
{
    const int change = steps * 60;
    // A set limit stays set: spinning down stops at midnight, up at the
    // open latest end.
    if (const int earliest = record_.earliestBegin(); earliest != 0)
        record_.setEarliestBegin(i16(std::clamp(earliest + change, kMidnight.value(), kOpenLatestEnd.value())));
    if (const int latest = record_.latestEndField(); latest != 0)
        record_.setLatestEnd(i16(std::clamp(latest + change, kMidnight.value(), kOpenLatestEnd.value())));
}

void ItemEditor::setPriorityIndex(int index)
{
    record_.setPriorityLetter(letterOfIndex(index));
    if (record_.has(ItemFlag::fFloating))
        rank_ = rankCount();
}

int ItemEditor::priorityIndex() const
{
    const std::uint8_t letter = record_.priorityLetter();
    return letter >= 'A' && letter <= 'Z' ? letter - 'A' + 1 : 0;
}

void ItemEditor::setProjectIndex(int index) { record_.setProjectId(idAtIndex(projects_, index)); }
int ItemEditor::projectIndex() const { return indexOfId(projects_, record_.projectId()); }
void ItemEditor::setPrerequisiteIndex(int index) { record_.setPrereqId(idAtIndex(prerequisites_, index)); }
int ItemEditor::prerequisiteIndex() const { return indexOfId(prerequisites_, record_.prereqId()); }

int ItemEditor::rankCount() const
{
    const std::uint8_t letter = record_.priorityLetter();
    const bool counted = listed_ && listedLetter_ == letter;
    return std::max(1, classCounts_[letter] + (counted ? 0 : 1));
}

void ItemEditor::setRank(int rank) { rank_ = std::clamp(rank, 1, rankCount()); }

void ItemEditor::stepRank(RankStep step)
{
    const int count = rankCount();
    const int page = count * 20 / 100;
    switch (step) {
    case RankStep::LineUp: setRank(rank_ - 1); break;
    case RankStep::LineDown: setRank(rank_ + 1); break;
    case RankStep::PageUp: setRank(rank_ - page); break;
    case RankStep::PageDown: setRank(rank_ + page); break;
    case RankStep::Top: setRank(1); break;
    case RankStep::Bottom: setRank(count); break;
    }
}

std::string ItemEditor::hourizedLine() const
{
    const double v = record_.value();
    if (v <= 0 || record_.has(ItemFlag::fTotalHours))
        return {};
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%d / week  -  %d / month  -  %d / year", static_cast<int>(v * 7),
                  static_cast<int>(v * 30), static_cast<int>(v * 365));
    return buffer;
}

bool ItemEditor::floatingEnabled() const
{
    if (record_.has(ItemFlag::fSplit) && record_.has(ItemFlag::fFloating))
        return false;
    return !dateShowsRecurring() && record_.kind() != ItemKind::cashFlow;
}

// --- OK --------------------------------------------------------------------------

DayNumber ItemEditor::finalDay() const
{
    if (!record_.has(ItemFlag::fFloating) || record_.beginTime() != 0)
        return dialogDay_;
    DayNumber day = std::max(dialogDay_, DayNumber(record_.postponeDate()));
    if (record_.deadlineDate() != 0)
        day = std::min(day, DayNumber(record_.deadlineDate()));
    return day;
}

ItemRecord ItemEditor::finalRecord() const
{
    ItemRecord r = record_;
    if (!recurring_)
        r.setFlag(ItemFlag::recurrence, false);
    if (!r.has(ItemFlag::fStarted))
        r.setFlag(ItemFlag::fAnchored, r.beginTime() != 0);
    auto normalised = [&](int t) {
        if (t == 0)
            return 0;
        t = (t - 1) % 1440 + 1;
        // Small hours belong to the end of a night-owl day.
        if (context_.nightOwl) {
            const int midnight = nightOwlMidnight(context_.dayStart, context_.dayEnd).value();
            if (t < midnight)
                t += 1440;
        }
        return t;
    };
    r.setBeginTime(i16(normalised(r.beginTime())));
    if (r.latestEndField() != kOpenLatestEnd.value())
        r.setLatestEnd(i16(normalised(r.latestEndField())));
    if (r.has(ItemFlag::fAnchored))
        r.setFlag(ItemFlag::fFloating, false);
    if (!r.has(ItemFlag::fFloating))
        r.setFlag(ItemFlag::fSplit, false);
    if (ItemKind::isMultiDayEvent(r.kind()))
        r.setDeadlineDate(u16(lastDay_.value()));
    const DayNumber day = finalDay();
    r.setDay(u16(day.value()));
    return r;
}

void ItemEditor::takeAlarm(const ItemRecord& edited)
{
    constexpr std::uint32_t alarmBits =
        ItemFlag::fAlarm | ItemFlag::alarmFromBegin | ItemFlag::alarmFromEnd | ItemFlag::dialPager | ItemFlag::fTickler;
    record_.setFlags((record_.flags() & ~alarmBits) | (edited.flags() & alarmBits));
    record_.setAlarmMinutes(edited.alarmMinutes());
    record_.setAlarmHours(edited.alarmHours());
    record_.setAlarmDays(edited.alarmDays());
    record_.setAlarmRepeat(edited.alarmRepeat());
}

} // namespace zk
