#include "shell/model/viewfilter.h"

#include "core/description.h"
#include "core/schedule.h"
#include "core/statustable.h"
#include "core/text.h"
#include "shell/model/commands.h"
#include "shell/model/settings.h"

#include <algorithm>

namespace zk {

namespace {

// A free u32 among the header's persisted settings: the project the Filter
// window shows.
constexpr std::size_t kFilterProjectAt = 498;

constexpr int kOpenEnd = 9999;
constexpr int kRecentSeconds = 86400;
constexpr int kRoutineHorizonDays = 30;
constexpr int kMostRoutineDailyInterval = 7;

bool contains(std::string_view foldedText, std::string_view word)
{
    return foldedText.find(caseFoldKey(word)) != std::string_view::npos;
}

int latestEndOrOpen(const ItemRecord& item) { return item.latestEndField() == 0 ? kOpenEnd : item.latestEndField(); }

bool inWindow(const ItemRecord& item, TimeValue now)
{
    return now.value() >= item.earliestBegin() && now.value() <= latestEndOrOpen(item);
}

// The rule an item repeats by: its own for a definition, its definition's
// for an exception; null for any other item.
const RecurrenceRecord* ruleOf(const Schedule& schedule, ItemHandle item)
{
    const ItemRecord& r = schedule.record(item);
    if (r.has(ItemFlag::fRecurDef) && schedule.recurrences.contains(item))
        return &schedule.recurrences.ruleOf(item);
    if (r.has(ItemFlag::fException)) {
        ItemHandle definition = schedule.recurrences.definitionOf(item);
        if (definition && schedule.recurrences.contains(definition))
            return &schedule.recurrences.ruleOf(definition);
    }
    return nullptr;
}

// Rule 1: the list views show only their members.
bool hiddenByMembership(const Schedule& schedule, ItemHandle item, const ViewContext& context)
{
    const ItemRecord& r = schedule.record(item);
    switch (context.view) {
    case Command::firstRecentView:  // recently edited
        return !(static_cast<std::int64_t>(r.modifiedTime()) > context.unixNow - kRecentSeconds &&
                 !r.has(ItemFlag::fDone));
    case Command::firstRecentView + 1:  // recurring
        return !r.has(ItemFlag::fRecurDef);
    case Command::firstRecentView + 2: {  // suspended
        const RecurrenceRecord* rule = ruleOf(schedule, item);
        return !(rule && (rule->monthWord() & kMonthWordSuspended) != 0);
    }
    case Command::lastRecentView: {  // recently inserted
        bool today = r.createdDay() == context.today.value();
        bool sinceYesterdayAtThisTime =
            r.createdDay() == context.today.value() - 1 && r.createdTime() > context.now.value();
        return !((today || sinceYesterdayAtThisTime) && !r.has(ItemFlag::fDone));
    }
    default: return false;
    }
}

// Rules 8 to 14, in force while the Filter window is open.
bool hiddenByUserFilters(const Schedule& schedule, ItemHandle item, const ViewFilter& filter,
                         const ViewContext& context)
{
    const ItemRecord& r = schedule.record(item);
    if (filter.projectOn && r.projectId() != filter.project)
        return true;
    if (filter.minLengthOn && r.duration() < filter.minLength)
        return true;
    if (filter.readyNowOn && !isReadyNow(r, context.today, context.now))
        return true;
    if (isHiddenByStatus(r, filter.statusHideMask, filter.statusOn))
        return true;
    if (filter.textOn && !matchesFilterWords(schedule.storedDescription(item), filter.words))
        return true;
    if (filter.caseOn && r.caseNo() != filter.caseNo)
        return true;
    return filter.routineOn && isRoutine(schedule, item, context.today);
}

} // namespace

std::uint32_t filterProject(const ScheduleHeader& header) { return header.u32(kFilterProjectAt); }

void setFilterProject(ScheduleHeader& header, std::uint32_t projectId) { header.setU32(kFilterProjectAt, projectId); }

ViewFilter viewFilterOf(const Settings& settings, const ScheduleHeader& header, const FilterSwitches& switches)
{
    ViewFilter f;
    f.hideDone = settings.isOn(IntSetting::EnableHideDoneItems) && settings.windowRow().hideDoneItems != 0;
    f.cashFlowOnly = switches.cashFlowOnly;
    f.weekviewEventsOnly = settings.isOn(IntSetting::WeekviewEventsOnly);
    f.includePrivate = switches.includePrivate;
    f.open = switches.open;
    f.projectOn = settings.isOn(IntSetting::ProjectFilter);
    f.project = filterProject(header);
    f.minLengthOn = settings.isOn(IntSetting::MinLenFilter);
    f.minLength = settings.value(IntSetting::MinLenFilterLen);
    f.readyNowOn = settings.isOn(IntSetting::PresentFilter);
    f.statusOn = settings.isOn(IntSetting::StatusFilter);
    f.statusHideMask = statusHideMask(header);
    f.textOn = switches.textOn;
    f.words = filterWords(settings.text(TextSetting::TextFilter));
    f.caseOn = switches.caseOn;
    f.caseNo = static_cast<std::uint32_t>(settings.value(IntSetting::CaseFilter));
    f.routineOn = settings.isOn(IntSetting::RoutineFilter);
    return f;
}

std::vector<std::string> filterWords(std::string_view text)
{
    std::vector<std::string> words;
    std::size_t at = 0;
    while (words.size() < kMaxFilterWords) {
        while (at < text.size() && isBlankChar(text[at]))
            ++at;
        if (at >= text.size())
            break;
        std::size_t end = at;
        while (end < text.size() && !isBlankChar(text[end]))
            ++end;
        words.emplace_back(utf8Prefix(text.substr(at, end - at), kMaxFilterWordBytes));
        at = end;
    }
    return words;
}

bool matchesFilterWords(std::string_view description, const std::vector<std::string>& words)
{
    if (words.empty() || words.front().empty())
        return false;
    std::string folded = caseFoldKey(description);
    bool matched = false;
    for (const std::string& word : words) {
        std::string_view w = word;
        if (w.starts_with('+')) {
            if (!contains(folded, w.substr(1)))
                return false;
            matched = true;
        } else if (w.starts_with('-')) {
            if (contains(folded, w.substr(1)))
                return false;
        } else if (contains(folded, w)) {
            matched = true;
        }
    }
    return matched;
}

bool isReadyNow(const ItemRecord& item, DayNumber today, TimeValue now)
{
    if (item.has(ItemFlag::fDone))
        return false;
    if (item.has(ItemFlag::fStarted))
        return true;
    if (item.has(ItemFlag::fAnchored))
        return item.beginTime() <= now.value() && item.dayField() == today.value();
    if (item.has(ItemFlag::fFloating)) {
        if (item.weekdayMask() != 0 && (item.weekdayMask() & (1u << today.weekday())) == 0)
            return false;
        int deadline = item.deadlineDate();
        if (deadline != 0 && deadline <= today.value())
            return now.value() >= item.earliestBegin();
        bool afterPostpone = item.postponeDate() == 0 || today.value() >= item.postponeDate();
        bool beforeDeadline = deadline == 0 || today.value() <= deadline;
        return inWindow(item, now) && afterPostpone && beforeDeadline;
    }
    return item.dayField() == today.value() && inWindow(item, now);
}

bool isRoutine(const Schedule& schedule, ItemHandle item, DayNumber today)
{
    const ItemRecord& r = schedule.record(item);
    if (!r.has(ItemFlag::recurrence) || r.has(ItemFlag::fKey))
        return false;
    const RecurrenceRecord* rule = ruleOf(schedule, item);
    if (!rule)
        return false;
    if (rule->endDayField() != 0 && rule->endDayField() < today.value() + kRoutineHorizonDays)
        return false;
    int interval = std::max<int>(rule->interval(), 1);
    if (rule->typeByte() & RecurType::daily)
        return interval <= kMostRoutineDailyInterval;
    if (rule->typeByte() & RecurType::weekly)
        return interval == 1;
    return false;
}

bool isHidden(const Schedule& schedule, ItemHandle item, const ViewFilter& filter, const ViewContext& context)
{
    if (hiddenByMembership(schedule, item, context))
        return true;
    const ItemRecord& r = schedule.record(item);
    if (filter.hideDone && r.has(ItemFlag::fDone))
        return true;
    if (context.printing && !filter.includePrivate && isPrivateText(schedule.storedDescription(item)))
        return true;
    if (context.view == Command::weekView && filter.weekviewEventsOnly && !r.has(ItemFlag::fAnchored) &&
        !context.printing)
        return true;
    if (filter.cashFlowOnly && r.kind() != ItemKind::cashFlow)
        return true;
    if (context.view == Command::alternateListView && !isReadyNow(r, context.today, context.now))
        return true;
    if (!filter.open)
        return false;
    return hiddenByUserFilters(schedule, item, filter, context);
}

} // namespace zk
