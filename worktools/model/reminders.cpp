#include "worktools/model/reminders.h"

#include "core/dateformat.h"
#include "core/schedule.h"
#include "engine/occurrences.h"

#include <algorithm>

namespace zk {

std::vector<Reminder> remindersDue(Schedule& s, DayNumber today)
{
    std::vector<Reminder> due;
    std::vector<ItemHandle> definitions;
    for (ItemHandle h : s.chain) {
        const ItemRecord& r = s.record(h);
        if (!r.has(ItemFlag::fTickler) || !r.has(ItemFlag::fAlarm) || r.has(ItemFlag::fDone) || r.alarmDays() == 0)
            continue;
        const DayNumber day = today + r.alarmDays();
        if (!day.isUsable())
            continue;
        if (r.has(ItemFlag::fRecurDef)) {
            definitions.push_back(h);  // occursOn may repair the rule: not while walking the chain
            continue;
        }
        if (s.dayOf(h) == day)
            due.push_back(Reminder{r.id(), day, r.alarmDays(), s.description(h)});
    }
    for (ItemHandle h : definitions) {
        const ItemRecord& r = s.record(h);
        const DayNumber day = today + r.alarmDays();
        if (occursOn(s, h, day, today) == 1)
            due.push_back(Reminder{r.id(), day, r.alarmDays(), s.description(h)});
    }
    std::stable_sort(due.begin(), due.end(), [](const Reminder& a, const Reminder& b) { return a.day < b.day; });
    return due;
}

std::string remindersText(const std::vector<Reminder>& reminders, const RegionalSettings& regional)
{
    if (reminders.empty())
        return {};
    std::string text = "Reminders:";
    for (const Reminder& r : reminders) {
        const int days = r.daysAhead < 0 ? -r.daysAhead : r.daysAhead;
        const std::string count = std::to_string(days) + (days == 1 ? " day" : " days");
        text += "\n" + shortDate(r.day, regional) + "  " + r.text + "  (" +
                (r.daysAhead > 0 ? "in " + count : count + " ago") + ")";
    }
    return text;
}

} // namespace zk
