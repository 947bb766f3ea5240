#include "core/itemrecord.h"
#include "core/scheduleheader.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

TEST(ItemRecordTest, FieldsSitAtTheirOffsetsInLittleEndian)
{
    ItemRecord r;
    r.setBeginTime(0x1234);
    r.setDuration(0xBEEF);
    r.setFlags(0x80000021);
    r.setId(0x01020304);
    r.setKind(ItemKind::task);
    r.setPriorityLetter('A');
    r.setValue(1.5f);
    r.setMileage(-2);
    const auto& b = r.bytes();
    EXPECT_EQ(b[4], 0x34);
    EXPECT_EQ(b[5], 0x12);
    EXPECT_EQ(b[6], 0xEF);
    EXPECT_EQ(b[7], 0xBE);
    EXPECT_EQ(b[40], 0x21);
    EXPECT_EQ(b[43], 0x80);
    EXPECT_EQ(b[58], 0x04);
    EXPECT_EQ(b[61], 0x01);
    EXPECT_EQ(b[70], 0x00);
    EXPECT_EQ(b[71], 0x40);
    EXPECT_EQ(b[72], 'A');
    EXPECT_EQ(b[81], 0x3F);  // 1.5f = 0x3FC00000
    EXPECT_EQ(b[80], 0xC0);
    EXPECT_EQ(b[114], 0xFE);
    EXPECT_EQ(b[115], 0xFF);
}

TEST(ItemRecordTest, OverlappingTaskAndSpecialDayFieldsShareBytes)
{
    ItemRecord r;
    r.setDoneMinutes(0x00050007);
    EXPECT_EQ(r.baseYear(), 7);
    r.setBaseYear(1999);
    EXPECT_EQ(r.doneMinutes() & 0xFFFF, 1999u);
}

TEST(ItemRecordTest, ReservedBytesSurviveEveryFieldWrite)
{
    ItemRecord::Bytes raw;
    for (size_t i = 0; i < raw.size(); ++i)
        raw[i] = static_cast<std::uint8_t>(0xA0 + i);
    ItemRecord r(raw);
    r.setFlag(ItemFlag::fDone, true);
    r.setFlag(ItemFlag::fDone, false);
    r.setBeginTime(r.beginTime());
    r.setDoneMinutes(r.doneMinutes());
    for (size_t off : {36, 37, 38, 39, 44, 45, 62, 63, 64, 65, 86, 87, 88, 89, 104, 105})
        EXPECT_EQ(r.bytes()[off], raw[off]) << "offset " << off;
    for (size_t off = 116; off < 130; ++off)
        EXPECT_EQ(r.bytes()[off], raw[off]) << "offset " << off;
}

TEST(ItemRecordTest, FlagGroupsCoverTheirMembers)
{
    EXPECT_EQ(ItemFlag::notFreelyMovable, 0x340u);
    EXPECT_EQ(ItemFlag::endsAtBegin, 0x300u);
    EXPECT_EQ(ItemFlag::recurrence, 0xC00u);
}

TEST(ScheduleHeaderTest, EmptyScheduleHasTheDefaults)
{
    ScheduleHeader h = ScheduleHeader::emptySchedule();
    EXPECT_EQ(h.u16(ScheduleHeader::magicAt), 12960);
    EXPECT_EQ(h.dayStart().value(), 421);
    EXPECT_EQ(h.dayEnd().value(), 1381);
    EXPECT_EQ(h.bizStart().value(), 541);
    EXPECT_EQ(h.bizEnd().value(), 1021);
    EXPECT_EQ(h.interfaceMode(), 1u);
    EXPECT_FALSE(h.nightOwl());
    EXPECT_EQ(h.minSplitMinutes(), 15);
}

} // namespace
} // namespace zk
