// Surprise items: the list read from Surprise.lst, and an item inserted
// from it on today, done up to now and in the project of its namesake.

#include "sessionsupport.h"

#include "shell/model/surprise.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;

class SurpriseTest : public SessionFixture {};

TEST_F(SurpriseTest, TheListKeepsFiftyTrimmedLinesOfAtMostSeventyNineBytes)
{
    std::string text = "  Phone call \r\n\nVisitor\n" + std::string(100, 'x') + "\n";
    for (int i = 0; i < 60; ++i)
        text += "Line " + std::to_string(i) + "\n";
    writeText(file(kSurpriseListName), text);
    std::vector<std::string> list = readSurpriseList(folder.path());
    ASSERT_EQ(list.size(), kMaxSurpriseItems);
    EXPECT_EQ(list[0], "Phone call");
    EXPECT_EQ(list[1], "Visitor");
    EXPECT_EQ(list[2], std::string(79, 'x'));
    EXPECT_EQ(list.back(), "Line 46");
    EXPECT_TRUE(readSurpriseList(folder.path() / "missing").empty());
}

TEST_F(SurpriseTest, ASurpriseItemIsDoneUpToNowInTheProjectOfItsNamesake)
{
    auto t = openSession();
    // Days of the last three months not archived yet.
    t->schedule().header.setLastPastDay(kSessionToday - 100);
    t->schedule().header.setInterfaceMode(3);  // PRO: done items keep their times
    NewItem earlier = itemOn(kSessionToday - 30, "phone CALL", TimeValue::fromClock(9, 0).value());
    earlier.record.setFlag(ItemFlag::fDone, true);
    earlier.record.setProjectId(77);
    ASSERT_EQ(t->session->addItem(earlier).status, AddStatus::Added);

    EntryWorkResult result = insertSurpriseItem(*t->session, "Phone call", kSessionToday);
    ASSERT_TRUE(result.changed);
    const ItemRecord& r = t->schedule().record(result.item);
    EXPECT_EQ(t->schedule().storedDescription(result.item), "Phone call");
    EXPECT_EQ(r.projectId(), 77u);
    EXPECT_TRUE(r.has(ItemFlag::fDone));
    // No done item today comes before it: it fills the day up to now, 10:00.
    EXPECT_EQ(r.beginTime(), std::max(1, static_cast<int>(t->schedule().dayStart().value())));
    EXPECT_EQ(r.beginTime() + r.duration(), TimeValue::fromClock(10, 0).value());

    EXPECT_FALSE(insertSurpriseItem(*t->session, "Phone call", kSessionToday + 1).changed);
    EXPECT_TRUE(t->shown(kSurpriseFutureDayText));
}

} // namespace
} // namespace zk
