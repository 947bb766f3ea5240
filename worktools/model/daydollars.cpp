#include "worktools/model/daydollars.h"

#include "core/schedule.h"
#include "engine/daylayout.h"
#include "engine/marvals.h"

#include <cmath>
#include <cstdio>

namespace zk {

DayDollars dayDollars(Schedule& schedule, DayNumber day, const Clock& clock)
{
    DayDollars dollars;
    dollars.hourlyWorth = hourlyWorth(schedule.header);
    const DayRecord* record = openDayForDisplay(schedule, day, clock);
    if (!record)
        return dollars;
    for (const DayEntry& entry : record->entries()) {
        const float value = dailyValue(schedule, entry, day);
        // A value that is not a number would spoil the sums.
        if (value == 0 || !std::isfinite(value))
            continue;
        ++dollars.items;
        (schedule.record(entry.item).has(ItemFlag::fDone) ? dollars.earned : dollars.toEarn) += value;
    }
    return dollars;
}

std::string dollarText(float amount)
{
    // Beyond what cents can count, whole dollars.
    if (!(std::fabs(amount) < 1e15F)) {
        char text[64];
        std::snprintf(text, sizeof text, "$%.0f", static_cast<double>(amount));
        return text;
    }
    const long long cents = std::llround(std::fabs(static_cast<double>(amount)) * 100.0);
    const std::string digits = std::to_string(cents / 100);
    std::string whole;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            whole += ',';
        whole += digits[i];
    }
    char tail[8];
    std::snprintf(tail, sizeof tail, ".%02lld", cents % 100);
    return (amount < 0 && cents != 0 ? "-$" : "$") + whole + tail;
}

} // namespace zk
