#include "engine/conflicts.h"

#include "core/schedule.h"
#include "engine/occurrences.h"
#include "platform/fault.h"
#include "platform/messages.h"

#include <algorithm>
#include <cstdio>

namespace zk {

const char* const kConflictQuestionText = "%s\n\nConflict found with %s.\n\nContinue Checking?";
const char* const kConflictCheckingTitle = "Conflict Checking...";

namespace {

constexpr const char* kModule = "Conflict";

} // namespace

int overlapMinutes(const ItemRecord& a, const ItemRecord& b)
{
    int begin = std::max<int>(a.beginTime(), b.beginTime());
    int end = std::min(a.beginTime() + a.duration(), b.beginTime() + b.duration());
    return std::max(0, end - begin);
}

bool isCheckedForConflicts(const Schedule& schedule, ItemHandle item)
{
    const ItemRecord& r = schedule.record(item);
    if (!r.has(ItemFlag::fAnchored))
        return false;
    if (r.has(ItemFlag::fRecurDef))
        return true;
    DayNumber day = schedule.dayOf(item);
    return !day.isNone() && day.value() != kNoDayInChain;
}

std::vector<DayNumber> conflictCheckDays(Schedule& schedule, ItemHandle item, DayNumber today)
{
    std::vector<DayNumber> days;
    if (!isCheckedForConflicts(schedule, item))
        return days;
    if (!schedule.record(item).has(ItemFlag::fRecurDef)) {
        days.push_back(schedule.dayOf(item));
        return days;
    }
    const DayNumber end = std::min(today + kConflictCheckDays, kLastUsableDay + 1);
    for (DayNumber day = nextOccurrence(schedule, item, today - 1, today); !day.isNone() && day < end;
         day = nextOccurrence(schedule, item, day, today))
        if (!schedule.recurrences.findEntry(item, day))
            days.push_back(day);
    return days;
}

std::vector<Conflict> conflictsOnDay(Schedule& schedule, ItemHandle item, DayNumber day)
{
    std::vector<Conflict> found;
    const DayRecord* record = schedule.getDay(day);
    if (!record)
        return found;
    const ItemRecord& x = schedule.record(item);
    for (const DayEntry& e : record->entries()) {
        ZK_CHECK(e.item && schedule.items.isLive(e.item), kModule);
        if (e.item == item)
            continue;
        const ItemRecord& other = schedule.record(e.item);
        if (!other.has(ItemFlag::fAnchored) || other.has(ItemFlag::fOnHold))
            continue;
        if (int minutes = overlapMinutes(x, other); minutes > 0)
            found.push_back({day, item, e.item, minutes});
    }
    return found;
}

std::vector<Conflict> collectConflicts(Schedule& schedule, ItemHandle item, DayNumber today,
                                       const std::function<void(DayNumber)>& progress)
{
    std::vector<Conflict> all;
    // Day records made for the check may be purged again afterwards.
    Schedule::PurgeBlock block(schedule);
    for (DayNumber day : conflictCheckDays(schedule, item, today)) {
        if (progress)
            progress(day);
        std::vector<Conflict> found = conflictsOnDay(schedule, item, day);
        all.insert(all.end(), found.begin(), found.end());
    }
    return all;
}

std::vector<std::string> conflictQuestions(const Schedule& schedule, const std::vector<Conflict>& conflicts)
{
    std::vector<std::string> questions;
    for (const Conflict& c : conflicts) {
        std::string date = schedule.formatDate ? schedule.formatDate(c.day) : std::to_string(c.day.value());
        std::string title = schedule.titleOf(c.other);
        std::vector<char> text(date.size() + title.size() + 64);
        std::snprintf(text.data(), text.size(), kConflictQuestionText, date.c_str(), title.c_str());
        questions.emplace_back(text.data());
    }
    return questions;
}

bool askAboutConflicts(Messages& messages, const std::vector<std::string>& questions)
{
    for (const std::string& question : questions)
        if (messages.question(question) != Answer::Yes)
            return false;
    return true;
}

} // namespace zk
