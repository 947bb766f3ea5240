// The item editor's model and its OK: fields read by
// the entry rules and refused without change, the rules by which one field
// moves another, and storing new and changed items through the session,
// also while another session holds change access.

#include "sessionsupport.h"

#include "core/calendar.h"
#include "engine/interfacemode.h"
#include "engine/itemediting.h"
#include "engine/plistorder.h"
#include "shell/model/itemcommit.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;
using Status = FieldResult::Status;

constexpr DayNumber kTomorrow = kSessionToday + 1;  // Sunday 22 October 2023

class ItemEditingTest : public OpenSessionFixture {
protected:
    void SetUp() override
    {
        OpenSessionFixture::SetUp();
        s->schedule().header.setInterfaceMode(InterfaceMode::pro);  // every form
    }

    ItemEditor editorFor(int command, ItemHandle item = kNoItem, DayNumber day = kTomorrow)
    {
        ItemEditorRequest request;
        request.command = command;
        request.item = item;
        request.day = day;
        return ItemEditor(s->schedule(), s->session->entryContext(), request, s->messages);
    }
    void type(ItemEditor& e, int id, const char* text) { ASSERT_TRUE(e.readField(id, text).accepted()) << text; }
    ItemHandle add(ItemEditor& e)
    {
        CommitResult stored = commitItemEdit(*s->session, e);
        EXPECT_EQ(stored.status, CommitStatus::Stored);
        return stored.item;
    }
    std::optional<DayEntry> entryOf(ItemHandle h)
    {
        std::optional<EntryRef> at = s->schedule().scheduledAnywhere(h);
        if (!at)
            return std::nullopt;
        return s->schedule().findDay(at->day)->entries()[at->index];
    }
    ItemHandle newTask(const char* text, const char* duration, int priority = 1)
    {
        ItemEditor e = editorFor(ItemCommand::task);
        type(e, ControlId::text, text);
        type(e, ControlId::duration, duration);
        e.setPriorityIndex(priority);
        return add(e);
    }
};

TEST_F(ItemEditingTest, InvalidEntriesAreRefusedWithTheirMessageAndChangeNothing)
{
    ItemEditor e = editorFor(ItemCommand::define);
    type(e, ControlId::duration, "1:30");
    type(e, ControlId::beginTime, "9");
    const ItemRecord before = e.record();
    const DayNumber day = e.dialogDay();

    // A duration is never negative.
    for (auto [id, text] : {std::pair{ControlId::date, "2/30"}, {ControlId::postponeDate, "tuesdy"},
                            {ControlId::beginTime, "25"}, {ControlId::duration, "9x"}, {ControlId::duration, "-3"},
                            {ControlId::value, "12..5"}, {ControlId::caseNumber, "7a"}})
        EXPECT_EQ(e.readField(id, text).status, Status::Refused) << text;
    EXPECT_EQ(s->texts(), (std::vector<std::string>{kInvalidDateText, kInvalidDateText, kInvalidTimeText,
                                                     kInvalidDurationText, kInvalidDurationText, kInvalidNumberText,
                                                     kInvalidNumberText}));
    EXPECT_EQ(e.record(), before);
    EXPECT_EQ(e.dialogDay(), day);
    EXPECT_EQ(e.fieldText(ControlId::duration), "1:30");
}

TEST_F(ItemEditingTest, TimesAnchorAndDurationsSplitAndReleaseHold)
{
    ItemEditor e = editorFor(ItemCommand::define);
    e.press(ControlId::onHold, true);
    type(e, ControlId::duration, "16:30");  // longer than the 07:00..23:00 day
    EXPECT_TRUE(e.isChecked(ControlId::split));
    EXPECT_FALSE(e.isChecked(ControlId::onHold));

    type(e, ControlId::beginTime, "2:30");
    EXPECT_EQ(e.record().beginTime(), 871) << "PM assumed";
    EXPECT_TRUE(e.record().has(ItemFlag::fAnchored));
    type(e, ControlId::beginTime, "");
    EXPECT_FALSE(e.record().has(ItemFlag::fAnchored));
}

TEST_F(ItemEditingTest, UnderlappingRangesEmptyTheirSecondField)
{
    ItemEditor e = editorFor(ItemCommand::define);
    type(e, ControlId::earliestBegin, "3p");
    FieldResult crossed = e.readField(ControlId::latestEnd, "9a");
    EXPECT_EQ(crossed.status, Status::RangeCleared);
    EXPECT_EQ(crossed.clearedControl, ControlId::latestEnd);
    EXPECT_EQ(e.record().latestEndField(), 0);

    type(e, ControlId::deadlineDate, "10/25/23");
    EXPECT_EQ(e.readField(ControlId::postponeDate, "10/27/23").clearedControl, ControlId::deadlineDate);
    EXPECT_EQ(e.record().deadlineDate(), 0);
    EXPECT_EQ(e.dialogDay(), dayOf(10, 27, 2023)) << "a later postpone moves the day";

    ItemEditor event = editorFor(ItemCommand::multiDayEvent);
    type(event, ControlId::starting, "10/30/23");
    EXPECT_EQ(event.readField(ControlId::ending, "10/29/23").clearedControl, ControlId::ending);
    EXPECT_EQ(event.lastDay(), kNoDay);
    EXPECT_EQ(s->texts(), (std::vector<std::string>{kUnderlappingTimeText, kUnderlappingDateText,
                                                     kUnderlappingDateText}));
}

TEST_F(ItemEditingTest, TheDatePullsPostponeAndDeadlineAndSpinMovesTheSetLimits)
{
    ItemEditor e = editorFor(ItemCommand::define);
    type(e, ControlId::postponeDate, "10/28/23");
    type(e, ControlId::deadlineDate, "10/29/23");
    type(e, ControlId::date, "10/26/23");
    EXPECT_EQ(e.record().postponeDate(), dayOf(10, 26, 2023).value());
    type(e, ControlId::date, "10/31/23");
    EXPECT_EQ(e.record().deadlineDate(), dayOf(10, 31, 2023).value());

    // By hours, up to the open end and down to the day's first minute.
    type(e, ControlId::latestEnd, "23:00");
    e.spin(2);
    EXPECT_EQ(e.record().latestEndField(), 1501);
    EXPECT_EQ(e.record().earliestBegin(), 0) << "an unset limit stays unset";
    e.spin(40);
    EXPECT_EQ(e.record().latestEndField(), 2880);
    type(e, ControlId::earliestBegin, "1a");
    e.spin(-3);
    EXPECT_EQ(e.record().earliestBegin(), 1);
}

TEST_F(ItemEditingTest, DayButtonsToggleAndBizHoursAndOffHoursExcludeEachOther)
{
    ItemEditor e = editorFor(ItemCommand::define);  // on Sunday
    e.press(ControlId::weekdays);
    EXPECT_EQ(e.record().weekdayMask(), 0x41);
    e.press(ControlId::weekdays);
    EXPECT_EQ(e.record().weekdayMask(), 0) << "twice: every day again";
    e.press(ControlId::sunday);
    e.press(ControlId::weekend);
    e.press(ControlId::weekend);
    EXPECT_EQ(e.record().weekdayMask(), 0x7E);

    ItemEditor biz = editorFor(ItemCommand::define);
    biz.press(ControlId::bizHours, true);
    EXPECT_EQ(biz.record().earliestBegin(), 541);
    EXPECT_EQ(biz.record().weekdayMask(), 0x3E);
    EXPECT_EQ(biz.dialogDay(), kTomorrow + 1) << "the next business day";
    biz.press(ControlId::offHours, true);
    EXPECT_FALSE(biz.isChecked(ControlId::bizHours));
    biz.press(ControlId::bizHours, true);
    EXPECT_FALSE(biz.isChecked(ControlId::offHours));
    biz.press(ControlId::bizHours, false);
    EXPECT_EQ(biz.record().earliestBegin(), s->schedule().templateItem.earliestBegin());
}

TEST_F(ItemEditingTest, PriorityMarvalRankAndPrerequisite)
{
    ItemHandle second = newTask("Second", "30", 2);
    ItemHandle first = newTask("First", "30", 1);
    ItemEditor e = editorFor(ItemCommand::task);
    for (int index : {0, 27, -1}) {
        e.setPriorityIndex(index);
        EXPECT_EQ(e.finalRecord().priorityLetter(), 0) << index;
    }
    e.setPriorityIndex(26);
    EXPECT_EQ(e.finalRecord().priorityLetter(), 'Z');

    // A new item ranks last in its letter, clamped, and first in an empty one.
    e.setPriorityIndex(1);
    EXPECT_EQ(e.rank(), 2);
    e.stepRank(RankStep::LineDown);
    EXPECT_EQ(e.rank(), 2);
    e.stepRank(RankStep::Top);
    EXPECT_EQ(e.rank(), 1);
    e.setPriorityIndex(3);
    EXPECT_EQ(e.rank(), 1);

    ItemEditor marval = editorFor(ItemCommand::define);
    type(marval, ControlId::value, "12");
    EXPECT_EQ(marval.priorityIndex(), 1) << "a Marval chooses A";
    EXPECT_EQ(marval.hourizedLine(), "84 / week  -  360 / month  -  4380 / year");
    ItemEditor cash = editorFor(ItemCommand::cashFlow);
    type(cash, ControlId::value, "12");
    EXPECT_EQ(cash.priorityIndex(), 0) << "income is no Marval";

    ItemEditor modify = editorFor(ItemCommand::define, first);
    ASSERT_EQ(modify.prerequisites().size(), 1u) << "the other floating items, not itself";
    EXPECT_EQ(modify.prerequisites()[0].name, "Second");
    modify.setPrerequisiteIndex(1);
    EXPECT_EQ(modify.record().prereqId(), s->schedule().record(second).id());
}

TEST_F(ItemEditingTest, BaseYearTakesTheCenturyByTheCurrentYear)
{
    EntryContext in2020 = s->session->entryContext();
    in2020.today = dayOf(6, 1, 2020);
    ItemEditorRequest request;
    request.command = ItemCommand::birthday;
    ItemEditor e(s->schedule(), in2020, request, s->messages);
    // A base year lies in the past: two digits beyond this year's are the
    // last century's.
    for (auto [typed, year] : {std::pair{"45", 1945}, {"75", 1975}, {"20", 2020}, {"21", 1921}, {"05", 2005},
                               {"1960", 1960}}) {
        type(e, ControlId::baseYear, typed);
        EXPECT_EQ(e.record().baseYear(), year) << typed;
    }
    EXPECT_EQ(e.readField(ControlId::baseYear, "19x5").status, Status::Refused);
}

TEST_F(ItemEditingTest, AFloatingItemEndsBetweenPostponeAndDeadline)
{
    ItemRecord preset = s->schedule().templateItem;
    preset.setKind(ItemKind::task);
    preset.setFlag(ItemFlag::fFloating, true);
    preset.setDay(static_cast<std::uint16_t>(dayOf(5, 1, 2024).value()));
    preset.setPostponeDate(static_cast<std::uint16_t>(dayOf(5, 10, 2024).value()));
    preset.setDeadlineDate(static_cast<std::uint16_t>(dayOf(5, 8, 2024).value()));
    ItemEditorRequest request;
    request.command = ItemCommand::task;
    request.preset = preset;
    ItemEditor e(s->schedule(), s->session->entryContext(), request, s->messages);
    EXPECT_EQ(e.finalDay(), dayOf(5, 8, 2024));

    type(e, ControlId::beginTime, "10a");
    EXPECT_FALSE(e.finalRecord().has(ItemFlag::fFloating)) << "an anchored item never floats";
    EXPECT_EQ(e.finalDay(), dayOf(5, 1, 2024));
}

TEST_F(ItemEditingTest, ANewTaskFloatsForHalfAnHourTakesItsChosenRankAndTheFirstFreeGap)
{
    ItemHandle first = newTask("First", "30");
    ItemEditor e = editorFor(ItemCommand::task);
    EXPECT_TRUE(e.isChecked(ControlId::floating)) << "a new task floats";
    EXPECT_EQ(e.fieldText(ControlId::duration), ":30") << "and takes half an hour unless told";
    type(e, ControlId::text, "Report");
    e.setPriorityIndex(1);
    e.setRank(1);
    ItemHandle h = add(e);
    Schedule& sch = s->schedule();
    EXPECT_EQ(sch.plist.entry(findPlistEntry(sch, h)).seq, 1);
    EXPECT_EQ(sch.plist.entry(findPlistEntry(sch, first)).seq, 2);
    ASSERT_TRUE(entryOf(h) && entryOf(first));
    EXPECT_EQ(entryOf(h)->start, entryOf(first)->start + 30) << "the first free gap; nothing else moves";
    ASSERT_TRUE(s->session->save().ok());
    EXPECT_EQ(linesOf(file("Add.log")).size(), 2u);
}

TEST_F(ItemEditingTest, AChangedItemMovesDayAndLeavesOrEntersThePriorityList)
{
    ItemHandle h = newTask("Errand", "30");
    ItemEditor e = editorFor(ItemCommand::task, h);
    type(e, ControlId::beginTime, "4p");
    type(e, ControlId::date, "10/25/23");
    ASSERT_EQ(commitItemEdit(*s->session, e).status, CommitStatus::Stored);
    Schedule& sch = s->schedule();
    EXPECT_EQ(sch.plist.size(), 0u);
    EXPECT_EQ(sch.days.daysOf(h), std::vector<DayNumber>{dayOf(10, 25, 2023)});
    EXPECT_EQ(entryOf(h)->start, 961);

    ItemEditor again = editorFor(ItemCommand::task, h);
    type(again, ControlId::beginTime, "");
    again.press(ControlId::floating, true);
    ASSERT_EQ(commitItemEdit(*s->session, again).status, CommitStatus::Stored);
    EXPECT_EQ(sch.plist.size(), 1u);
}

// Moved to an archived day, the item leaves the live lists for that day,
// which is written back to its archive.
TEST_F(ItemEditingTest, AnItemMovedToAnArchivedDayLeavesTheLiveLists)
{
    ItemEditor appointment = editorFor(ItemCommand::appointment);
    type(appointment, ControlId::beginTime, "9a");
    ItemHandle h = add(appointment);
    ItemEditor e = editorFor(ItemCommand::appointment, h);
    type(e, ControlId::date, "10/20/23");  // yesterday, archived
    EXPECT_EQ(commitItemEdit(*s->session, e).status, CommitStatus::Stored);
    EXPECT_EQ(s->schedule().dayOf(h), kTomorrow - 2);
    EXPECT_FALSE(s->schedule().chain.contains(h));
}

TEST_F(ItemEditingTest, TheGeneralDefineCommandSetsTheTemplate)
{
    ItemEditor e = editorFor(ItemCommand::define);
    type(e, ControlId::duration, "45");
    ASSERT_EQ(commitItemEdit(*s->session, e).status, CommitStatus::Stored);
    EXPECT_EQ(s->schedule().templateItem.duration(), 45);
    EXPECT_EQ(s->schedule().chain.size(), 0u) << "no item was added";
}

TEST_F(ItemEditingTest, WhileAnotherSessionHoldsTheScheduleANewItemWaitsAndAChangeIsNotStored)
{
    ItemHandle h = newTask("Mine", "30");
    ASSERT_TRUE(s->session->save().ok());
    auto other = openSession();
    ASSERT_TRUE(other->session->obtainChangeAccess(std::chrono::seconds(0)));

    ItemEditor change = editorFor(ItemCommand::task, h);
    type(change, ControlId::duration, "2");
    EXPECT_EQ(commitItemEdit(*s->session, change).status, CommitStatus::Waiting);
    EXPECT_EQ(s->schedule().record(h).duration(), 30) << "nothing stored";
    EXPECT_FALSE(s->session->access().holding());

    ItemEditor added = editorFor(ItemCommand::memo);
    type(added, ControlId::text, "Later");
    CommitResult pending = commitItemEdit(*s->session, added);
    EXPECT_EQ(pending.status, CommitStatus::Pending);
    EXPECT_TRUE(pending.closesEditor());
    EXPECT_EQ(s->schedule().chain.size(), 1u);

    ASSERT_EQ(other->session->addItem(itemOn(kTomorrow, "Theirs", 661)).status, AddStatus::Added);
    ASSERT_TRUE(other->session->save().ok());  // gives change access back
    s->session->access().tick();
    EXPECT_EQ(s->schedule().chain.size(), 3u) << "theirs was brought in, and the pending memo went in";
    // The schedule was loaded afresh: the change finds its item by id.
    EXPECT_EQ(commitItemEdit(*s->session, change).status, CommitStatus::Stored);
    ItemHandle mine = s->schedule().findItemById(change.itemId());
    EXPECT_EQ(s->schedule().record(mine).duration(), 120);
}

TEST_F(ItemEditingTest, WhileAnEditorIsOpenChangeAccessIsKept)
{
    newTask("Held", "30");
    s->session->setEditing(true);
    ASSERT_TRUE(s->session->save().ok());
    s->session->access().tick();
    EXPECT_TRUE(s->session->access().holding());
    s->session->setEditing(false);
    s->session->access().tick();
    EXPECT_FALSE(s->session->access().holding());
}

} // namespace
} // namespace zk
