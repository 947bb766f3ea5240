#include "core/scheduleheader.h"

namespace zk {

ScheduleHeader ScheduleHeader::emptySchedule()
{
    ScheduleHeader h;
    h.setU16(magicAt, kMagic);
    h.setI16(formatAt, kCurrentFormat);
    h.setU16(headerSizeAt, static_cast<std::uint16_t>(kSize));
    h.setInterfaceMode(1);
    h.setDayStart(TimeValue::fromClock(7, 0));
    h.setDayEnd(TimeValue::fromClock(23, 0));
    h.setBizHours(TimeValue::fromClock(9, 0), TimeValue::fromClock(17, 0));
    h.setMinSplitMinutes(15);
    h.setI16(setting616At, 30);
    h.setU8(interestRateAt, 12);
    h.setU8(456, 12);
    h.setI16(440, 30);
    h.setI16(443, 30);
    h.setU16(598, 28);
    h.setU16(600, 28);
    h.setF32(createdVersionAt, 21.0f);
    h.setF32(writerVersionAt, 21.0f);
    return h;
}

} // namespace zk
