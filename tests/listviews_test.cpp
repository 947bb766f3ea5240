// The list views' lines and titles: every form of the priority line, the
// item line of a definition, a Global List item and a floating item, the
// project line, and which items each view walks.

#include "sessionsupport.h"

#include "engine/marvals.h"
#include "engine/plistorder.h"
#include "engine/recurrenceediting.h"
#include "shell/model/listviews.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;

class ListViewTest : public OpenSessionFixture {
protected:
    void SetUp() override
    {
        OpenSessionFixture::SetUp();
        context.today = kSessionToday;
        context.regional = s->session->settings().regional;
    }
    ItemHandle floating(const char* text, std::uint8_t letter = 'A', int minutes = 60)
    {
        NewItem item = itemOn(kSessionToday, text, 0, minutes);
        item.record.setFlag(ItemFlag::fFloating, true);
        item.record.setPriorityLetter(letter);
        return add(std::move(item));
    }
    std::string line(int view, ItemHandle h) { return listLine(schedule(), view, h, context).whole(); }

    ListLineContext context;
};

TEST_F(ListViewTest, ThePriorityLineShowsRankDayOffsetMarksAndAge)
{
    ItemHandle report = floating("Report");
    ItemHandle later = floating("Later");
    ItemHandle late = floating("Late");
    ItemHandle plain = floating("Plain", 0);

    // 400 days old: one year and 35 days.
    schedule().record(report).setCreatedDay(static_cast<std::int16_t>(kSessionToday.value() - 400));
    schedule().record(report).setPostponeDate(static_cast<std::uint16_t>(kSessionToday.value() + 3));
    schedule().record(report).setFlag(ItemFlag::fSequence, true);
    schedule().setDay(later, kSessionToday + 120);
    // A floating item carried on a day that has passed (as carry-over leaves it).
    schedule().record(late).setDay(static_cast<std::uint16_t>(kSessionToday.value() - 5));

    const ListLine first = listLine(schedule(), ListViewId::priority, report, context);
    EXPECT_EQ(first.prefix.size(), kPriorityPrefixLength);
    EXPECT_EQ(first.prefix.substr(0, 6), "   A1.");
    EXPECT_NE(first.rest.find("/^ Report (1:00) .1years 35. "), std::string::npos) << first.whole();
    EXPECT_NE(line(ListViewId::priority, later).find(" +++  "), std::string::npos) << line(ListViewId::priority, later);
    EXPECT_NE(line(ListViewId::priority, late).find(" -5   "), std::string::npos) << line(ListViewId::priority, late);
    EXPECT_NE(line(ListViewId::priority, plain).find("new1."), std::string::npos) << line(ListViewId::priority, plain);
    EXPECT_NE(line(ListViewId::priority, plain).find(".0. "), std::string::npos) << "created today";
    // With Marval Prioritization on, a line ends with the item's value on its day.
    EXPECT_TRUE(line(ListViewId::priority, later).ends_with(".0. ")) << line(ListViewId::priority, later);
    schedule().record(later).setValue(30);
    schedule().record(later).setRewardPer(Frequency::daily);
    setMarvalsOn(schedule().header, true);
    EXPECT_TRUE(line(ListViewId::priority, later).ends_with(".0. 30 ")) << line(ListViewId::priority, later);
    EXPECT_TRUE(line(ListViewId::priority, plain).ends_with(".0. NS ")) << "no reward set";
    setMarvalsOn(schedule().header, false);

    EXPECT_EQ(listedItems(schedule(), ListViewId::priority),
              (std::vector<ItemHandle>{plain, report, later, late}))
        << "the priority list's order: items without a letter first";
    EXPECT_EQ(listTitle(schedule(), ListViewId::priority, listedItems(schedule(), ListViewId::priority), context,
                        TimeValue::fromClock(10, 0))
                  .rfind("Priority list of 4 floating items lasting 4 hours - ", 0),
              0u);
}

TEST_F(ListViewTest, ItemLinesShowDefinitionsUndatedAndFloatingItems)
{
    NewItem daily = itemOn(kSessionToday, "Standup", 541, 15);
    daily.recurrence = RecurrenceEditor::newRule(kSessionToday);
    ItemHandle standup = s->session->addItem(std::move(daily)).item;
    ItemHandle report = floating("Report", 'B');
    NewItem note = itemOn(kNoDay, "Someday\tmaybe");
    ItemHandle someday = s->session->addItem(std::move(note)).item;
    NewItem project;
    project.record.setKind(ItemKind::project);
    project.record.setFlag(ItemFlag::projectMarked, true);
    project.text = "Garden";
    ItemHandle garden = s->session->addItem(std::move(project)).item;

    EXPECT_EQ(line(ListViewId::allItems, standup), "          -r  Standup (:15)");
    EXPECT_EQ(listLine(schedule(), ListViewId::allItems, standup, context).prefix, "          -r ");
    const std::string floatingLine = line(ListViewId::allItems, report);
    EXPECT_NE(floatingLine.find("Report (1:00) B1"), std::string::npos) << floatingLine;
    EXPECT_NE(floatingLine.find(" Sat  "), std::string::npos) << floatingLine;
    EXPECT_EQ(line(ListViewId::globalList, someday), "              Someday maybe") << "tabs become blanks";
    EXPECT_EQ(line(ListViewId::projects, garden), "               $Garden");

    EXPECT_EQ(listedItems(schedule(), ListViewId::allItems), (std::vector<ItemHandle>{report, standup}));
    EXPECT_EQ(listedItems(schedule(), ListViewId::globalList), std::vector<ItemHandle>{someday});
    EXPECT_EQ(listedItems(schedule(), ListViewId::projects), std::vector<ItemHandle>{garden});
    EXPECT_EQ(listedItems(schedule(), ListViewId::allItems, [&](ItemHandle h) { return h == report; }),
              std::vector<ItemHandle>{standup})
        << "the hide test leaves items out";
    EXPECT_EQ(listTitle(schedule(), ListViewId::suspended, {}, context, TimeValue::fromClock(10, 0)),
              "Suspended Items List");
}

TEST_F(ListViewTest, APrivateItemShowsOnlyItsPublicPart)
{
    NewItem item = itemOn(kSessionToday, "Lunch with the bank", 661);
    ItemHandle lunch = s->session->addItem(std::move(item)).item;
    schedule().makePrivate(lunch);
    schedule().showPrivateText = false;
    EXPECT_EQ(line(ListViewId::allItems, lunch).find("bank"), std::string::npos) << line(ListViewId::allItems, lunch);
}

} // namespace
} // namespace zk
