// Find: what matches (the hidden part of a private item does not; a note
// does, once notes can be read), the messages before any walk, the day
// search stepping forward and backward through today and the days after,
// the question when searching back into past years, the list search, and
// every match in the order zk find prints them.

#include "sessionsupport.h"

#include "engine/recurrenceediting.h"
#include "shell/model/find.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;

class FindTest : public OpenSessionFixture {
protected:
    ItemHandle at(DayNumber day, const char* text, int hour) { return add(itemOn(day, text, hour * 60 + 1)); }
    std::size_t indexOf(ItemHandle item, DayNumber day) { return *schedule().entryOf(item, day); }

    FindHooks hooks;
};

TEST_F(FindTest, NextStepsThroughTodayBeforeTomorrowAndPriorComesBack)
{
    ItemHandle first = at(kSessionToday, "Call Anna", 9);
    at(kSessionToday, "Write", 10);
    ItemHandle second = at(kSessionToday, "call Bert", 11);
    ItemHandle third = at(kSessionToday + 1, "CALL Carl", 9);
    const FindTexts call{"call", ""};

    FindResult r = searchDays(schedule(), kSessionToday, indexOf(first, kSessionToday), FindMode::Next, call, hooks);
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.day, kSessionToday);
    EXPECT_EQ(r.entryIndex, indexOf(second, kSessionToday));
    r = searchDays(schedule(), r.day, r.entryIndex, FindMode::Next, call, hooks);
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.day, kSessionToday + 1);
    EXPECT_EQ(r.entryIndex, indexOf(third, kSessionToday + 1));

    std::vector<DayNumber> searched;
    hooks.searchingDay = [&](DayNumber d) { searched.push_back(d); };
    FindResult end = searchDays(schedule(), r.day, r.entryIndex, FindMode::Next, call, hooks);
    EXPECT_FALSE(end.found);
    EXPECT_EQ(end.message, kNoFurtherOccurrencesText);
    EXPECT_EQ(searched.size(), 1u) << "no match can lie ahead: the walk stops at once";

    r = searchDays(schedule(), kSessionToday + 1, indexOf(third, kSessionToday + 1), FindMode::Prior, call, hooks);
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.entryIndex, indexOf(second, kSessionToday));
    r = searchDays(schedule(), kSessionToday, std::nullopt, FindMode::First, call, hooks);
    EXPECT_EQ(r.entryIndex, indexOf(first, kSessionToday)) << "First starts at the first day that is not past";
}

TEST_F(FindTest, NothingToFindIsSaidBeforeAnyWalk)
{
    ItemHandle hidden = at(kSessionToday, "Secret meeting", 9);
    at(kSessionToday, "Lunch", 12);
    hooks.hidden = [&](ItemHandle h) { return h == hidden; };
    EXPECT_EQ(nothingToFind(schedule(), {"secret", ""}, hooks, false), std::optional<std::string>(kMatchesNoItemsText));
    EXPECT_EQ(nothingToFind(schedule(), {"lunch", ""}, hooks, false), std::nullopt);
    EXPECT_EQ(nothingToFind(schedule(), {"lunch", ""}, hooks, true),
              std::optional<std::string>(kNoMatchingFluidItemsText))
        << "only a fixed item holds it";
}

// Regression: a private item was found by the text its owner hid.
TEST_F(FindTest, APrivateItemIsNotFoundByItsHiddenText)
{
    ItemHandle bank = at(kSessionToday, "Meet the bank", 9);
    schedule().makePrivate(bank);
    schedule().showPrivateText = false;
    EXPECT_EQ(nothingToFind(schedule(), {"bank", ""}, hooks, false), std::optional<std::string>(kMatchesNoItemsText));
    schedule().showPrivateText = true;
    EXPECT_TRUE(findMatches(schedule(), bank, {"bank", ""}, hooks)) << "shown private text is searched";
}

TEST_F(FindTest, ANoteOnlyMatchIsFoundThroughTheNoteText)
{
    ItemHandle plain = at(kSessionToday, "Dentist", 9);
    ItemHandle noted = at(kSessionToday, "Garage", 10);
    schedule().record(noted).setFlag(ItemFlag::fHasNotes, true);
    const FindTexts byNote{"", "winter tyres"};
    EXPECT_FALSE(findMatches(schedule(), noted, byNote, hooks)) << "without a note reader, notes match nothing";
    hooks.noteText = [&](ItemHandle h) {
        return h == noted ? std::optional<std::string>("Ask about WINTER tyres") : std::nullopt;
    };
    EXPECT_FALSE(findMatches(schedule(), plain, byNote, hooks));
    FindResult r = searchDays(schedule(), kSessionToday, std::nullopt, FindMode::Next, byNote, hooks);
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.entryIndex, indexOf(noted, kSessionToday));
}

TEST_F(FindTest, SearchingBackIntoPastYearsAsksToGoOn)
{
    at(kSessionToday, "Lunch", 12);
    schedule().header.setLastPastDay(kSessionToday - 1);
    schedule().readPastDay = [](DayNumber) {};  // an archive with nothing in it
    std::vector<DayNumber> asked;
    hooks.keepSearching = [&](DayNumber d) {
        asked.push_back(d);
        return asked.size() < 2;
    };
    FindResult r = searchDays(schedule(), kSessionToday, std::nullopt, FindMode::Prior, {"dentist", ""}, hooks);
    EXPECT_FALSE(r.found);
    EXPECT_TRUE(r.message.empty()) << "No ends the search quietly";
    EXPECT_EQ(asked, (std::vector<DayNumber>{kSessionToday - 365, kSessionToday - 730}));
}

TEST_F(FindTest, AListIsSearchedFromItsSelection)
{
    ItemHandle a = at(kSessionToday, "Call Anna", 9);
    ItemHandle b = at(kSessionToday, "Write", 10);
    ItemHandle c = at(kSessionToday, "Call Carl", 11);
    const std::vector<ItemHandle> listed{a, b, c};
    EXPECT_EQ(searchList(schedule(), listed, 0, FindMode::Next, {"call", ""}, hooks).listIndex, 2);
    EXPECT_EQ(searchList(schedule(), listed, 2, FindMode::Prior, {"call", ""}, hooks).listIndex, 0);
    EXPECT_EQ(searchList(schedule(), listed, 2, FindMode::Next, {"call", ""}, hooks).message,
              kNoFurtherOccurrencesText);
    EXPECT_EQ(searchList(schedule(), listed, 2, FindMode::First, {"call", ""}, hooks).listIndex, 0);
}

TEST_F(FindTest, EveryMatchOnceInTheOrderRepeatFindMeetsIt)
{
    NewItem daily = itemOn(kSessionToday, "Call standup", 8 * 60 + 1, 15);
    daily.recurrence = RecurrenceEditor::newRule(kSessionToday);
    ItemHandle standup = s->session->addItem(std::move(daily)).item;
    ItemHandle later = at(kSessionToday + 3, "Call Dora", 9);
    ItemHandle undated = s->session->addItem(itemOn(kNoDay, "Call someday")).item;
    at(kSessionToday, "Write", 10);

    std::vector<FoundItem> found = findAll(schedule(), kSessionToday, false, {"call", ""}, hooks);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].item, standup);
    EXPECT_EQ(found[0].day, kSessionToday);
    EXPECT_EQ(found[1].item, later);
    EXPECT_EQ(found[2].item, undated);
    EXPECT_TRUE(found[2].day.isNone());

    found = findAll(schedule(), kSessionToday + 5, true, {"call", ""}, hooks);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].item, standup);
    EXPECT_EQ(found[0].day, kSessionToday + 5);
    EXPECT_EQ(found[1].item, later);
}

} // namespace
} // namespace zk
