// The add-item routine: journal and logs, stamps and ids, insertion by
// target, placement, refusals, and the pending item while another session
// holds change access.

#include "sessionsupport.h"

#include "engine/plistorder.h"
#include "sharing/activitylog.h"
#include "sharing/additem.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

using AddItemTest = SessionFixture;

// --- journal and logs -------------------------------------------------------------

TEST_F(AddItemTest, EveryAddIsJournalledAndLoggedUntilTheNextSave)
{
    auto s = openSession();
    ASSERT_EQ(s->session->addItem(itemOn(kSessionToday, "Call\nBob", 661)).status, AddStatus::Added);
    clock.advanceSeconds(70);
    ASSERT_EQ(s->session->addItem(itemOn(kSessionToday, "Lunch", 721)).status, AddStatus::Added);
    EXPECT_EQ(linesOf(file("timedata.uns")),
              (std::vector<std::string>{"10/21/23 10:00a Call Bob\t1", "10/21/23 10:01a Lunch\t2"}));
    EXPECT_FALSE(fs::exists(file("Add.log"))) << "nothing is added for good before a save holds it";

    ASSERT_TRUE(s->session->save().ok());
    EXPECT_FALSE(fs::exists(file("timedata.uns"))) << "a save ends the journal";
    EXPECT_EQ(linesOf(file("Add.log")),
              (std::vector<std::string>{"10/21/23 10:00:05 Call Bob", "10/21/23 10:01:15 Lunch"}));
    EXPECT_EQ(linesOf(file("Change.log")), linesOf(file("Add.log")));
}

TEST_F(AddItemTest, AJournalOrLogThatCannotBeOpenedIsReportedAndTheAddGoesOn)
{
    fs::create_directory(file("timedata.uns"));
    fs::create_directory(file("Add.log"));
    auto s = openSession();
    AddResult added = s->session->addItem(itemOn(kSessionToday, "Dentist", 841));
    EXPECT_EQ(added.status, AddStatus::Added);
    EXPECT_TRUE(s->shown("unable to open file " + file("timedata.uns").string()));
    s->session->save();
    EXPECT_TRUE(s->shown("unable to open file " + file("Add.log").string()));
    EXPECT_EQ(linesOf(file("Change.log")), std::vector<std::string>{"10/21/23 10:00:05 Dentist"});
}

TEST(ActivityLogTest, EveryLogButAChangeLogIsCopiedToChangeLogAndLinesCarryTheRegionalClock)
{
    TempFolder folder;
    ScriptedPresenter presenter;
    Messages messages(presenter);
    for (const char* log : {"Delete.log", "Change.log", "OLD CHANGES.log"})
        EXPECT_TRUE(appendActivity(folder.path(), log, log, messages));
    EXPECT_EQ(linesOf(folder.path() / "Delete.log"), std::vector<std::string>{"Delete.log"});
    EXPECT_EQ(linesOf(folder.path() / "Change.log"), (std::vector<std::string>{"Delete.log", "Change.log"}));
    EXPECT_EQ(linesOf(folder.path() / "OLD CHANGES.log"), std::vector<std::string>{"OLD CHANGES.log"});
    EXPECT_TRUE(presenter.texts().empty());

    RegionalSettings regional;
    regional.sTime = ".";
    regional.sShortDate = "dd.mm.yyyy";
    EXPECT_EQ(activityLine(LocalMoment{2024, 3, 5, 9, 5, 7}, sanitised(regional), "Tea\r\nbreak"),
              "05.03.2024 9.05.07 Tea  break");
}

TEST_F(AddItemTest, ANewItemIsStampedAndGetsAnIdNoOtherItemHas)
{
    auto s = openSession();
    ItemHandle first = s->session->addItem(itemOn(kSessionToday, "first", 661)).item;
    ASSERT_TRUE(first);
    const ItemRecord& r = s->schedule().record(first);
    EXPECT_EQ(r.id(), 1u);
    EXPECT_EQ(r.createdDay(), kSessionToday.value());
    EXPECT_EQ(r.createdTime(), 601);
    EXPECT_EQ(r.modifiedTime(), static_cast<std::uint32_t>(clock.unixSeconds()));

    NewItem copy = itemOn(kSessionToday, "pasted", 700);
    copy.record.setId(1);  // a copy of the first item's record
    ItemHandle pasted = s->session->addItem(copy).item;
    EXPECT_EQ(s->schedule().record(pasted).id(), 2u) << "an id already taken is not shared";

    NewItem undeleted = itemOn(kSessionToday, "undeleted", 800);
    undeleted.record.setId(77);
    ItemHandle back = s->session->addItem(undeleted).item;
    EXPECT_EQ(s->schedule().record(back).id(), 77u) << "an id nobody holds is kept";
    EXPECT_EQ(s->schedule().findItemById(77), back);
    EXPECT_EQ(s->schedule().storedDescription(back), "undeleted");
}

// --- insertion by target ------------------------------------------------------------------

TEST_F(AddItemTest, ProjectsAndUndatedItemsGoToTheirListsNotToADay)
{
    auto s = openSession();
    NewItem project = itemOn(kNoDay, "Kitchen");
    project.record.setKind(ItemKind::project);
    ItemHandle p = s->session->addItem(project).item;
    ItemHandle u = s->session->addItem(itemOn(kNoDay, "Someday")).item;
    Schedule& sch = s->schedule();
    ASSERT_TRUE(p && u);
    EXPECT_EQ(sch.projects, std::vector<ItemHandle>{p});
    ASSERT_EQ(sch.projectTree.topLevel().size(), 1u);
    EXPECT_EQ(sch.globalList, std::vector<ItemHandle>{u});
    EXPECT_EQ(sch.chain.size(), 0u);
    EXPECT_EQ(sch.days.size(), 0u);
}

TEST_F(AddItemTest, DatedItemsArePlacedOnTheirDayAfterTheEntryGivenOrAtTheirTimeWhenDone)
{
    auto s = openSession();
    Schedule& sch = s->schedule();
    auto startOf = [&](ItemHandle h) {
        std::optional<EntryRef> at = sch.scheduledAnywhere(h);
        return at ? sch.findDay(at->day)->entries()[at->index].start : -1;
    };
    DayNumber day = kSessionToday + 2;
    ItemHandle dentist = s->session->addItem(itemOn(day, "Dentist", 841, 45)).item;
    ItemHandle loose = s->session->addItem(itemOn(day, "Loose end", 0, 20)).item;
    EXPECT_EQ(sch.chain.dayOf(loose), day.value());
    EXPECT_EQ(startOf(dentist), 841);
    EXPECT_GT(startOf(loose), 0) << "laid into free time";
    // An entry goes after the entry given when it fits there.
    NewItem after = itemOn(day, "After the dentist");
    after.insertAfter = EntryRef{day, 0};
    s->session->addItem(after);
    std::vector<std::string> texts;
    for (const DayEntry& e : sch.findDay(day)->entries())
        texts.emplace_back(sch.storedDescription(e.item));
    EXPECT_EQ(texts, (std::vector<std::string>{"Dentist", "After the dentist", "Loose end"}));

    // A done item stands at its begin time and no longer floats.
    NewItem done = itemOn(kSessionToday, "Filed taxes", 541, 60);
    done.record.setFlag(ItemFlag::fDone | ItemFlag::fFloating, true);
    done.record.setFlag(ItemFlag::fAnchored, false);
    ItemHandle h = s->session->addItem(done).item;
    EXPECT_FALSE(sch.record(h).has(ItemFlag::fFloating));
    EXPECT_FALSE(findPlistEntry(sch, h));
    EXPECT_EQ(startOf(h), 541);
}

TEST_F(AddItemTest, AFloatingItemEntersThePriorityListLastInItsClassAndTheSchedulerGivesItADay)
{
    auto s = openSession();
    Schedule& sch = s->schedule();
    ItemHandle h;
    for (const char* text : {"Write report", "Second"}) {
        NewItem task = itemOn(kSessionToday, text, 0, 90);
        task.record.setFlag(ItemFlag::fFloating, true);
        task.record.setPriorityLetter('B');
        h = s->session->addItem(task).item;
    }
    ASSERT_TRUE(findPlistEntry(sch, h));
    EXPECT_EQ(sch.plist.entry(findPlistEntry(sch, h)).seq, 2);
    std::optional<EntryRef> at = sch.scheduledAnywhere(h);
    ASSERT_TRUE(at);
    EXPECT_GE(at->day, kSessionToday);
    EXPECT_GE(sch.findDay(at->day)->entries()[at->index].startTime(), TimeValue(601)) << "not before now";
}

TEST_F(AddItemTest, ARecurringItemBecomesADefinitionOrIsRemovedWhenItsOccurrencesFail)
{
    auto s = openSession();
    RecurrenceRecord weekly;
    weekly.setTypeByte(RecurType::weekly);
    NewItem standup = itemOn(kSessionToday, "Standup", 541, 15);
    standup.record.setFlag(ItemFlag::fException, true);
    standup.recurrence = weekly;
    ItemHandle h = s->session->addItem(standup).item;
    Schedule& sch = s->schedule();
    ASSERT_TRUE(h);
    EXPECT_TRUE(sch.recurrences.contains(h));
    EXPECT_TRUE(sch.record(h).has(ItemFlag::fRecurDef));
    EXPECT_FALSE(sch.record(h).has(ItemFlag::fException));
    EXPECT_EQ(sch.chain.dayOf(h), kNoDayInChain);

    AddItemServices failing = s->session->addServices();
    failing.generateOccurrences = [](ItemHandle) { return false; };
    AddResult refused = addItem(failing, standup);
    EXPECT_EQ(refused.status, AddStatus::Refused);
    EXPECT_EQ(sch.recurrences.size(), 1u);
    EXPECT_EQ(sch.chain.size(), 1u) << "the failed definition is removed again";
}

// --- refusals and change access ---------------------------------------------------------

// An archived day takes the item into its day record, which goes back to
// its archive; the item never joins the live lists.
TEST_F(AddItemTest, AnItemOnAnArchivedDayGoesToThatDayNotToTheLiveLists)
{
    auto s = openSession();
    ASSERT_TRUE(s->schedule().isPastDay(kSessionToday - 1));
    AddResult added = s->session->addItem(itemOn(kSessionToday - 1, "Yesterday", 661));
    ASSERT_EQ(added.status, AddStatus::Added);
    EXPECT_FALSE(s->shown(kArchivedDayText));
    EXPECT_EQ(s->schedule().chain.size(), 0u);
    const DayRecord* day = s->schedule().findDay(kSessionToday - 1);
    ASSERT_NE(day, nullptr);
    EXPECT_EQ(day->nTasks(), 1);
}

TEST_F(AddItemTest, WhileAnotherSessionHoldsTheLockTheItemWaitsAndIsAddedOnceAccessComes)
{
    auto a = openSession();
    auto b = openSession();
    ASSERT_TRUE(a->session->obtainChangeAccess(std::chrono::seconds(0)));

    EXPECT_EQ(b->session->addItem(itemOn(kSessionToday, "first", 661)).status, AddStatus::Pending);
    EXPECT_EQ(b->session->addItem(itemOn(kSessionToday, "second", 721)).status, AddStatus::Dropped);
    EXPECT_TRUE(b->shown("One item already pending. Be sure to paste in this item after access is obtained."));
    EXPECT_FALSE(fs::exists(file("Add.log"))) << "nothing is logged before the item is added";

    ASSERT_EQ(a->session->addItem(itemOn(kSessionToday, "by a", 901)).status, AddStatus::Added);
    ASSERT_TRUE(a->session->save().ok());  // and gives change access back
    b->session->access().tick();

    EXPECT_EQ(chainTexts(b->schedule()), (std::vector<std::string>{"by a", "first"})) << "what a saved was brought in first";
    EXPECT_TRUE(b->session->access().holding());
    ASSERT_TRUE(b->session->save().ok());
    EXPECT_EQ(linesOf(file("Add.log")),
              (std::vector<std::string>{"10/21/23 10:00:05 by a", "10/21/23 10:00:05 first"}));
}

} // namespace
} // namespace zk
