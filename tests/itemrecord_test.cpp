#include "core/itemrecord.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

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

} // namespace
} // namespace zk
