// The hide test every view asks: the list membership rules, the view
// options, and the user's filters while the Filter window is open; the
// text words, ready now and routine.

#include "core/statustable.h"
#include "placementscenario.h"
#include "shell/model/commands.h"
#include "shell/model/settings.h"
#include "shell/model/viewfilter.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using testing::hm;
using testing::kMonday;

struct Filtering : testing::Scenario {
    ViewContext context(int view = Command::singleView, TimeValue now = hm(12))
    {
        ViewContext c;
        c.view = view;
        c.today = kMonday;
        c.now = now;
        c.unixNow = 1'700'000'000;
        return c;
    }
    bool hidden(ItemHandle h, const ViewFilter& f, int view = Command::singleView, TimeValue now = hm(12))
    {
        return isHidden(s, h, f, context(view, now));
    }
    ItemHandle recurring(const char* text, std::uint8_t type, int interval, int endDay = 0, bool key = false)
    {
        ItemHandle h = item(text, 30, ItemFlag::fRecurDef | (key ? ItemFlag::fKey : 0));
        RecurrenceRecord rule;
        rule.setTypeByte(type);
        rule.setInterval(static_cast<std::int16_t>(interval));
        rule.setEndDayField(static_cast<std::int16_t>(endDay));
        s.recurrences.add(h, rule);
        return h;
    }
};

class ViewFilterTest : public ::testing::Test, public Filtering {};

TEST_F(ViewFilterTest, UserFiltersApplyOnlyWhileTheWindowIsOpen)
{
    ItemHandle other = item("other project", 30);
    s.record(other).setProjectId(7);
    ItemHandle ours = item("our project", 30);
    s.record(ours).setProjectId(5);
    ItemHandle shortOne = item("short", 10);
    s.record(shortOne).setProjectId(5);
    ItemHandle tentative = item("tentative", 90);
    s.record(tentative).setProjectId(5);
    s.record(tentative).setStatus(1);
    s.record(tentative).setCaseNo(12);

    ViewFilter f;
    f.projectOn = true;
    f.project = 5;
    f.minLengthOn = true;
    f.minLength = 30;
    f.statusOn = true;
    f.statusHideMask = 0x2;
    EXPECT_FALSE(hidden(other, f)) << "the window is closed: a switched-on filter hides nothing";
    EXPECT_FALSE(hidden(shortOne, f));
    EXPECT_FALSE(hidden(tentative, f));

    f.open = true;
    EXPECT_TRUE(hidden(other, f));
    EXPECT_FALSE(hidden(ours, f));
    EXPECT_TRUE(hidden(shortOne, f)) << "below the minimum duration";
    EXPECT_TRUE(hidden(tentative, f)) << "its status is in the hide mask";

    f.statusOn = false;
    f.caseOn = true;
    f.caseNo = 12;
    EXPECT_FALSE(hidden(tentative, f));
    EXPECT_TRUE(hidden(ours, f)) << "another case number";
}

TEST_F(ViewFilterTest, ViewOptionsHideWhetherTheWindowIsOpenOrNot)
{
    ItemHandle done = item("done", 30, ItemFlag::fDone);
    ItemHandle task = item("task", 30, ItemFlag::fFloating);
    ItemHandle meeting = appointment("meeting", hm(9), 60);
    ItemHandle secret = item("|secret", 30);
    ItemHandle cash = item("rent", 0);
    s.record(cash).setKind(ItemKind::cashFlow);

    ViewFilter f;
    EXPECT_FALSE(hidden(done, f));
    f.hideDone = true;
    EXPECT_TRUE(hidden(done, f));

    f.weekviewEventsOnly = true;
    EXPECT_TRUE(hidden(task, f, Command::weekView));
    EXPECT_FALSE(hidden(meeting, f, Command::weekView));
    EXPECT_FALSE(hidden(task, f)) << "the option belongs to the week view";
    ViewContext printingWeek = context(Command::weekView);
    printingWeek.printing = true;
    EXPECT_FALSE(isHidden(s, task, f, printingWeek)) << "printing the week shows every item";
    EXPECT_TRUE(isHidden(s, secret, f, printingWeek)) << "private items are printed only when asked for";
    f.includePrivate = true;
    EXPECT_FALSE(isHidden(s, secret, f, printingWeek));
    EXPECT_FALSE(hidden(secret, ViewFilter{})) << "on screen a private item is shown";

    ViewFilter cashOnly;
    cashOnly.cashFlowOnly = true;
    EXPECT_TRUE(hidden(meeting, cashOnly));
    EXPECT_FALSE(hidden(cash, cashOnly));
}

TEST_F(ViewFilterTest, ListViewsShowOnlyTheirMembers)
{
    ViewFilter f;
    const int recentlyInserted = Command::lastRecentView;
    ItemHandle yesterday = item("created yesterday at 15:00", 30);
    s.record(yesterday).setCreatedDay(static_cast<std::int16_t>((kMonday - 1).value()));
    s.record(yesterday).setCreatedTime(static_cast<std::int16_t>(hm(15).value()));
    EXPECT_FALSE(hidden(yesterday, f, recentlyInserted, hm(14, 59)));
    EXPECT_TRUE(hidden(yesterday, f, recentlyInserted, hm(15)));
    ItemHandle doneToday = item("done today", 30, ItemFlag::fDone);
    s.record(doneToday).setCreatedDay(static_cast<std::int16_t>(kMonday.value()));
    EXPECT_TRUE(hidden(doneToday, f, recentlyInserted));

    const int recentlyEdited = Command::firstRecentView;
    ItemHandle edited = item("edited an hour ago", 30);
    s.record(edited).setModifiedTime(1'700'000'000 - 3600);
    ItemHandle old = item("edited two days ago", 30);
    s.record(old).setModifiedTime(1'700'000'000 - 2 * 86400);
    EXPECT_FALSE(hidden(edited, f, recentlyEdited));
    EXPECT_TRUE(hidden(old, f, recentlyEdited));

    ItemHandle weekly = recurring("weekly", RecurType::weekly, 1);
    EXPECT_FALSE(hidden(weekly, f, recentlyEdited + 1));
    EXPECT_TRUE(hidden(edited, f, recentlyEdited + 1));
    EXPECT_TRUE(hidden(weekly, f, recentlyEdited + 2)) << "not suspended";
    RecurrenceRecord rule = s.recurrences.ruleOf(weekly);
    rule.setMonthWord(kMonthWordSuspended);
    s.recurrences.setRule(weekly, rule);
    EXPECT_FALSE(hidden(weekly, f, recentlyEdited + 2));

    ItemHandle later = item("later today", 30, ItemFlag::fFloating);
    s.record(later).setEarliestBegin(static_cast<std::int16_t>(hm(16).value()));
    EXPECT_TRUE(hidden(later, f, Command::alternateListView)) << "the alternate list shows what is ready now";
    EXPECT_FALSE(hidden(later, f, Command::alternateListView, hm(16)));
}

TEST(FilterWordsTest, PlusWordsMustOccurMinusWordsMustNot)
{
    std::vector<std::string> words = filterWords("+call  -rent memo");
    ASSERT_EQ(words, (std::vector<std::string>{"+call", "-rent", "memo"}));
    EXPECT_TRUE(matchesFilterWords("Call the plumber", words));
    EXPECT_FALSE(matchesFilterWords("call about the RENT", words));
    EXPECT_FALSE(matchesFilterWords("memo to self", words)) << "call is missing";
    EXPECT_TRUE(matchesFilterWords("MEMO", filterWords("memo")));
    EXPECT_FALSE(matchesFilterWords("anything", filterWords("-rent"))) << "nothing counted as matched";
    EXPECT_FALSE(matchesFilterWords("anything", {}));

    EXPECT_EQ(filterWords("a b c d e f g").size(), 5u);
    EXPECT_EQ(filterWords(std::string(50, 'x')).front().size(), 40u);
}

TEST_F(ViewFilterTest, TextFilterHidesWhatDoesNotMatch)
{
    ItemHandle call = item("call the bank", 30);
    ItemHandle rent = item("call about rent", 30);
    ViewFilter f;
    f.open = true;
    f.textOn = true;
    f.words = filterWords("+call -rent");
    EXPECT_FALSE(hidden(call, f));
    EXPECT_TRUE(hidden(rent, f));
}

TEST_F(ViewFilterTest, ReadyNowFollowsTheItemsWindow)
{
    ItemHandle floating = task("from nine", 30);
    s.record(floating).setEarliestBegin(static_cast<std::int16_t>(hm(9).value()));
    const ItemRecord& r = s.record(floating);
    EXPECT_TRUE(isReadyNow(r, kMonday, hm(10)));
    EXPECT_FALSE(isReadyNow(r, kMonday, hm(8)));

    s.record(floating).setPostponeDate(static_cast<std::uint16_t>((kMonday + 1).value()));
    EXPECT_FALSE(isReadyNow(r, kMonday, hm(10))) << "postponed to tomorrow";
    s.record(floating).setDeadlineDate(static_cast<std::uint16_t>((kMonday - 1).value()));
    EXPECT_TRUE(isReadyNow(r, kMonday, hm(10))) << "overdue: ready once its earliest begin passed";
    s.record(floating).setWeekdayMask(1u << 2);  // Tuesdays only
    EXPECT_FALSE(isReadyNow(r, kMonday, hm(10)));

    ItemHandle meeting = appointment("meeting", hm(9), 60);
    s.record(meeting).setDay(static_cast<std::uint16_t>(kMonday.value()));
    EXPECT_TRUE(isReadyNow(s.record(meeting), kMonday, hm(9)));
    EXPECT_FALSE(isReadyNow(s.record(meeting), kMonday, hm(8, 59)));
    EXPECT_FALSE(isReadyNow(s.record(meeting), kMonday + 1, hm(10))) << "another day";

    ItemHandle started = item("started", 30, ItemFlag::fStarted);
    EXPECT_TRUE(isReadyNow(s.record(started), kMonday, hm(1)));
    s.record(started).setFlag(ItemFlag::fDone, true);
    EXPECT_FALSE(isReadyNow(s.record(started), kMonday, hm(1)));
}

TEST_F(ViewFilterTest, RoutineMeansAFrequentOpenEndedSeries)
{
    EXPECT_TRUE(isRoutine(s, recurring("every week", RecurType::weekly, 1), kMonday));
    EXPECT_FALSE(isRoutine(s, recurring("every two weeks", RecurType::weekly, 2), kMonday));
    EXPECT_FALSE(isRoutine(s, recurring("daily for ten days", RecurType::daily, 1, (kMonday + 10).value()), kMonday));
    EXPECT_TRUE(isRoutine(s, recurring("daily for a year", RecurType::daily, 1, (kMonday + 365).value()), kMonday));
    EXPECT_FALSE(isRoutine(s, recurring("key", RecurType::weekly, 1, 0, true), kMonday));
    EXPECT_FALSE(isRoutine(s, recurring("monthly", RecurType::monthly, 1), kMonday));
    EXPECT_FALSE(isRoutine(s, item("single", 30), kMonday));

    ViewFilter f;
    f.open = true;
    f.routineOn = true;
    EXPECT_TRUE(hidden(recurring("standup", RecurType::daily, 1), f));
}

TEST(ViewFilterSettingsTest, SettingsAndHeaderGiveTheFilter)
{
    Settings settings;
    ScheduleHeader header = ScheduleHeader::emptySchedule();
    settings.setOn(IntSetting::ProjectFilter, true);
    settings.setValue(IntSetting::MinLenFilterLen, 45);
    settings.setValue(IntSetting::CaseFilter, 31);
    settings.setText(TextSetting::TextFilter, "+call memo");
    settings.windowRow().hideDoneItems = 1;
    setFilterProject(header, 99);
    setStatusHideMask(header, 0x4);

    ViewFilter f = viewFilterOf(settings, header, FilterSwitches{.open = true, .caseOn = true});
    EXPECT_TRUE(f.open && f.projectOn && f.caseOn);
    EXPECT_EQ(f.project, 99u);
    EXPECT_EQ(f.minLength, 45);
    EXPECT_EQ(f.caseNo, 31u);
    EXPECT_EQ(f.words, (std::vector<std::string>{"+call", "memo"}));
    EXPECT_EQ(f.statusHideMask, 0x4);
    EXPECT_FALSE(f.hideDone) << "hiding done items needs EnableHideDoneItems";
    settings.setOn(IntSetting::EnableHideDoneItems, true);
    EXPECT_TRUE(viewFilterOf(settings, header, {}).hideDone);
}

} // namespace
} // namespace zk
