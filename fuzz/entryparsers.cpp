// Feeds arbitrary bytes to the entry parsers and the file-form parsers and
// checks that every answer lies in its documented range.
//
// Input: four bytes of context (date order and clock, dialog flags and night
// owl, two bytes of today's offset into the usable days), then the text.

#include "core/calendar.h"
#include "core/dateformat.h"
#include "core/dateparse.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

zk::EntryContext contextFrom(const std::uint8_t* data)
{
    zk::EntryContext c;
    c.regional.iDate = data[0] % 3;
    c.regional.iTime = (data[0] >> 2) & 1;
    c.itemEditorOpen = data[1] & 1;
    c.doneItemDialogOpen = data[1] & 2;
    c.nightOwl = data[1] & 4;
    if (c.nightOwl) {
        c.dayStart = zk::TimeValue(1321);
        c.dayEnd = zk::TimeValue(1801);
    }
    const int span = zk::kLastUsableDay - zk::kFirstUsableDay + 1;
    c.today = zk::kFirstUsableDay + (data[2] << 8 | data[3]) * 7 % span;
    c.now = zk::TimeValue(1 + (data[2] * 256 + data[3]) % 1440);
    return c;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    const zk::EntryContext context = contextFrom(data);
    const std::string_view text(reinterpret_cast<const char*>(data + 4), size - 4);

    const int day = zk::parseDateEntry(text, context);
    require(day == zk::kInvalidEntry || zk::DayNumber(day).isUsable() || day == context.today.value());
    if (day != zk::kInvalidEntry)
        require(!zk::shortDate(zk::DayNumber(day), context.regional).empty());

    const int time = zk::parseTimeEntry(text, context);
    require(time == zk::kInvalidEntry || (time >= 1 && time <= 2880));
    if (time != zk::kInvalidEntry)
        require(!zk::timeText(zk::TimeValue(time), context.regional).empty());

    if (const auto minutes = zk::parseDurationEntry(text)) {
        require(*minutes >= -1440 && *minutes <= 1440);
        zk::durationText(*minutes, context.regional);
    }

    const int fileDay = zk::parseFileDate(text);
    require(fileDay == zk::kInvalidEntry || (fileDay >= 1 && fileDay <= 32767));
    const int namedDay = zk::parseFileDateWithMonthName(text, context.regional);
    require(namedDay == zk::kInvalidEntry || (namedDay >= 1 && namedDay <= 32767));
    const int fileTime = zk::parseFileTime(text);
    require(fileTime == zk::kInvalidEntry || (fileTime >= 1 && fileTime <= 1440));
    return 0;
}
