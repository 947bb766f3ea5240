// Feeds arbitrary bytes to the calendar file reader and checks that every
// item it prepares could be added: a usable day (or none for an undated
// task), a description within its limit, a rule that starts no later than
// it ends, and moved occurrences that name the day they replace.
//
// Input: one byte choosing today within the usable days, then the file.

#include "core/item.h"
#include "exchange/icalendarread.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void check(const zk::CalendarEntry& e)
{
    require(e.item.day.isNone() || e.item.day.isUsable());
    require(e.item.text.size() <= zk::kMaxDescriptionBytes);
    if (e.item.recurrence) {
        require(e.item.recurrence->startDay().isUsable());
        require(e.item.recurrence->endDay() >= e.item.recurrence->startDay());
    }
    for (zk::DayNumber d : e.cancelled)
        require(d.isUsable());
    for (const zk::CalendarEntry& moved : e.moved) {
        require(moved.replaces.isUsable());
        require(moved.moved.empty());
        check(moved);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    zk::CalendarReadOptions options;
    options.templateItem.setKind(zk::ItemKind::task);
    options.today = zk::DayNumber(14000 + data[0] * 40);
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const zk::CalendarRead read = zk::readICalendar(text, options);
    require(read.refusal.empty() || read.entries.empty());
    require(read.entries.size() <= zk::kMaxCalendarItems);
    for (const zk::CalendarEntry& e : read.entries)
        check(e);
    return 0;
}
