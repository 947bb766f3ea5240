// Deleting and undeleting through the session's delete commands: the
// questions and their No, the undelete stack's order, occurrences and
// exceptions of recurring items, projects, the bulk deletions, and items
// that another session took away meanwhile.

#include "sessionsupport.h"

#include "engine/recurrenceediting.h"
#include "engine/recurrenceexpansion.h"
#include "shell/model/deletecommands.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;

class DeletionTest : public OpenSessionFixture {
protected:
    void SetUp() override
    {
        OpenSessionFixture::SetUp();
        commands = std::make_unique<DeleteCommands>(*s->session);
    }
    ItemHandle fixed(const char* text, DayNumber day = kSessionToday, int begin = 661)
    {
        return add(itemOn(day, text, begin));
    }
    ItemHandle daily(const char* text)
    {
        NewItem item = itemOn(kSessionToday, text, 541);
        item.recurrence = RecurrenceEditor::newRule(kSessionToday);
        return add(std::move(item));
    }
    DraggedEntry entryOf(ItemHandle item, DayNumber day = kSessionToday)
    {
        schedule().getDay(day);
        std::optional<std::size_t> at = schedule().entryOf(item, day);
        EXPECT_TRUE(at.has_value());
        return {item, day, at.value_or(0)};
    }
    bool onDay(ItemHandle item, DayNumber day)
    {
        schedule().getDay(day);
        return schedule().entryOf(item, day).has_value();
    }
    std::vector<std::string> descriptions() { return chainTexts(schedule()); }

    std::unique_ptr<DeleteCommands> commands;
};

TEST_F(DeletionTest, TwoDeletesComeBackNewestFirstAndNoChangesNothing)
{
    ItemHandle dentist = fixed("Dentist");
    ItemHandle lunch = fixed("Lunch", kSessionToday, 721);
    s->presenter.clear();

    s->presenter.queueAnswer(Answer::No);
    EXPECT_FALSE(commands->deleteEntry(entryOf(dentist), false).changed);
    EXPECT_EQ(s->texts(), std::vector<std::string>{"Do you want to delete\n\nDentist ?"});
    EXPECT_EQ(commands->undeleteCount(), 0u) << "No leaves the stack as it was";
    EXPECT_TRUE(onDay(dentist, kSessionToday));

    EXPECT_TRUE(commands->deleteEntry(entryOf(dentist), false).changed);
    EXPECT_TRUE(commands->deleteEntry(entryOf(lunch), false).changed);
    EXPECT_TRUE(descriptions().empty());
    std::vector<std::string> logged = linesOf(file("Delete.log"));
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_NE(logged[0].find("Dentist"), std::string::npos);
    EXPECT_NE(logged[1].find("Lunch"), std::string::npos);
    std::vector<std::string> changes = linesOf(file("Change.log"));
    ASSERT_GE(changes.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(changes.end() - 2, changes.end()), logged) << "every delete is a change";

    s->presenter.clear();
    DeleteOutcome first = commands->undelete();
    EXPECT_EQ(s->texts(), std::vector<std::string>{"Would you like to undelete Lunch?"});
    ASSERT_TRUE(first.item);
    EXPECT_EQ(first.dayToShow, kSessionToday);
    EXPECT_EQ(descriptions(), std::vector<std::string>{"Lunch"});
    ASSERT_TRUE(commands->undelete().item);
    EXPECT_EQ(descriptions(), (std::vector<std::string>{"Dentist", "Lunch"}));
    ItemHandle back = schedule().findItemById(schedule().record(first.item).id());
    EXPECT_EQ(schedule().record(back).beginTime(), 721) << "the record comes back as it was";

    s->presenter.clear();
    EXPECT_FALSE(commands->undelete().changed);
    EXPECT_EQ(s->texts(), std::vector<std::string>{"Nothing to undelete"});
}

TEST_F(DeletionTest, AFloatingItemComesBackAtItsPlaceInThePriorityList)
{
    NewItem a = itemOn(kSessionToday, "First", 0);
    a.record.setFlag(ItemFlag::fFloating, true);
    a.record.setPriorityLetter('A');
    NewItem b = a;
    b.text = "Second";
    add(a);
    ItemHandle second = add(b);
    ASSERT_EQ(schedule().plist.size(), 2u);
    EXPECT_TRUE(commands->deleteListed(second, false).changed);
    EXPECT_EQ(schedule().plist.size(), 1u);
    DeleteOutcome back = commands->undelete();
    ASSERT_TRUE(back.item);
    EXPECT_TRUE(schedule().record(back.item).has(ItemFlag::fFloating));
    EXPECT_EQ(schedule().record(back.item).plistLink() != 0, true);
    EXPECT_TRUE(schedule().days.isPlaced(back.item));
}

TEST_F(DeletionTest, AnOccurrenceDeletedAndUndeletedLeavesTheExceptionListAsItWas)
{
    ItemHandle standup = daily("Standup");
    const DayNumber tomorrow = kSessionToday + 1;
    ASSERT_TRUE(onDay(standup, tomorrow));
    s->presenter.clear();
    EXPECT_TRUE(commands->deleteEntry(entryOf(standup, tomorrow), false).changed);
    EXPECT_EQ(s->texts().size(), 1u);
    EXPECT_EQ(s->texts()[0].rfind("Do you want to delete the occurrence of\n\nStandup\n\non ", 0), 0u);
    EXPECT_TRUE(schedule().recurrences.isCancelled(standup, tomorrow));
    EXPECT_FALSE(onDay(standup, tomorrow));
    EXPECT_TRUE(onDay(standup, kSessionToday)) << "only that occurrence goes";

    ASSERT_TRUE(commands->undelete().changed);
    EXPECT_FALSE(schedule().recurrences.findEntry(standup, tomorrow).has_value());
    EXPECT_TRUE(onDay(standup, tomorrow));
}

TEST_F(DeletionTest, InLiteNoToAllOccurrencesDeletesOnlyTheOccurrence)
{
    ItemHandle standup = daily("Standup");
    s->presenter.clear();
    s->presenter.queueAnswer(Answer::No);   // Delete ALL occurrences?
    s->presenter.queueAnswer(Answer::Yes);  // this occurrence
    EXPECT_TRUE(commands->deleteEntry(entryOf(standup), true).changed);
    ASSERT_EQ(s->texts().size(), 2u);
    EXPECT_EQ(s->texts()[0], "Delete ALL occurrences?");
    EXPECT_EQ(s->presenter.shown()[1].caption, "DELETE ITEM");
    EXPECT_TRUE(schedule().recurrences.contains(standup));
    EXPECT_FALSE(onDay(standup, kSessionToday));
    EXPECT_TRUE(onDay(standup, kSessionToday + 1));

    s->presenter.clear();
    EXPECT_TRUE(commands->deleteEntry(entryOf(standup, kSessionToday + 1), true).changed);
    EXPECT_EQ(s->texts(), (std::vector<std::string>{
                              "Delete ALL occurrences?",
                              "Standup is a recurring item.\n\nDo you want to delete all undone occurrences?"}));
    EXPECT_EQ(s->presenter.shown()[1].caption, "DELETE ALL OCCURRENCES");
    EXPECT_FALSE(schedule().recurrences.contains(standup));
    EXPECT_FALSE(schedule().items.isLive(standup));
}

// Regression: deleting an exception dropped its day from the list, and the
// standard occurrence the user had replaced came back on that day.
TEST_F(DeletionTest, ADeletedExceptionKeepsItsDayCancelledUntilUndeleted)
{
    ItemHandle standup = daily("Standup");
    const DayNumber tomorrow = kSessionToday + 1;
    DraggedEntry occurrence = entryOf(standup, tomorrow);
    Placement placement(schedule(), PlacementContext::at(clock), &s->messages);
    ItemHandle exception = RecurrenceExpansion(placement).makeException(EntryRef{tomorrow, occurrence.index});
    ASSERT_TRUE(exception);
    EXPECT_TRUE(commands->deleteListed(exception, false).changed);
    EXPECT_TRUE(schedule().recurrences.isCancelled(standup, tomorrow));
    EXPECT_FALSE(onDay(standup, tomorrow)) << "the occurrence stays gone";

    DeleteOutcome back = commands->undelete();
    ASSERT_TRUE(back.item);
    EXPECT_TRUE(schedule().record(back.item).has(ItemFlag::fException));
    std::optional<ExceptionEntry> entry = schedule().recurrences.findEntry(standup, tomorrow);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->item, back.item) << "the cancellation made way for the exception again";
    EXPECT_TRUE(onDay(back.item, tomorrow));
}

// Regression: the restored definition shared its exception list with the
// deleted one; it must own a list of its own.
TEST_F(DeletionTest, AnUndeletedDefinitionOwnsItsOwnExceptionList)
{
    ItemHandle standup = daily("Standup");
    const DayNumber tomorrow = kSessionToday + 1;
    ASSERT_TRUE(commands->deleteEntry(entryOf(standup, tomorrow), false).changed);
    ASSERT_TRUE(commands->deleteAllOccurrences(standup).changed);
    EXPECT_FALSE(schedule().recurrences.contains(standup));
    EXPECT_FALSE(onDay(standup, kSessionToday));

    DeleteOutcome back = commands->undelete();
    ASSERT_TRUE(back.item);
    EXPECT_TRUE(schedule().recurrences.isCancelled(back.item, tomorrow));
    EXPECT_TRUE(onDay(back.item, kSessionToday));
    EXPECT_FALSE(onDay(back.item, tomorrow));
    // The older record (the occurrence) still restores into the new list.
    ASSERT_TRUE(commands->undelete().changed);
    EXPECT_TRUE(onDay(back.item, tomorrow));
    EXPECT_EQ(schedule().recurrences.exceptionCountOf(back.item), 0);
}

// Regression: the project question promised the items would be reassigned
// to the none project, and they kept naming the deleted project.
TEST_F(DeletionTest, AProjectsItemsGoToNoProjectAndComeBackWithIt)
{
    NewItem project;
    project.record.setKind(ItemKind::project);
    project.text = "Garden";
    ItemHandle garden = add(project);
    const std::uint32_t gardenId = schedule().itemId(garden);
    NewItem member = itemOn(kSessionToday, "Dig", 661);
    member.record.setProjectId(gardenId);
    ItemHandle dig = add(member);

    s->presenter.clear();
    EXPECT_TRUE(commands->deleteListed(garden, false).changed);
    ASSERT_EQ(s->texts().size(), 1u);
    EXPECT_EQ(s->texts()[0].rfind("Are you sure you want to delete the project Garden ? Any items", 0), 0u);
    EXPECT_EQ(s->presenter.shown()[0].caption, "DELETE PROJECT");
    EXPECT_TRUE(schedule().projects.empty());
    EXPECT_EQ(schedule().record(dig).projectId(), 0u);

    ASSERT_TRUE(commands->undelete().changed);
    ASSERT_EQ(schedule().projects.size(), 1u);
    EXPECT_EQ(schedule().record(dig).projectId(), schedule().record(schedule().projects[0]).id());
}

TEST_F(DeletionTest, AnItemAnotherSessionDeletedIsReportedAndNothingElseGoes)
{
    ItemHandle dentist = fixed("Dentist");
    fixed("Lunch", kSessionToday, 721);
    ASSERT_TRUE(s->session->save().ok());
    DraggedEntry shown = entryOf(dentist);

    auto other = openSession();
    DeleteCommands elsewhere(*other->session);
    ItemHandle theirs = other->schedule().findItemById(schedule().record(dentist).id());
    ASSERT_TRUE(elsewhere.deleteEntry({theirs, kSessionToday, *other->schedule().entryOf(theirs, kSessionToday)}, false)
                    .changed);
    ASSERT_TRUE(other->session->save().ok());

    s->presenter.clear();
    EXPECT_FALSE(commands->deleteEntry(shown, false).changed);
    EXPECT_TRUE(s->shown(kDeletedMeanwhileText));
    EXPECT_EQ(descriptions(), std::vector<std::string>{"Lunch"}) << "the reload brought the other delete in";
    EXPECT_EQ(commands->undeleteCount(), 0u);

    s->presenter.clear();
    EXPECT_FALSE(commands->deleteEntry(DraggedEntry{}, false).changed);
    EXPECT_EQ(s->texts(), std::vector<std::string>{kNothingSelectedText}) << "an empty day has nothing to delete";
}

TEST_F(DeletionTest, AnUndeleteWhoseDefinitionWasReloadedAwaySaysSo)
{
    ItemHandle standup = daily("Standup");
    fixed("Lunch");
    ASSERT_TRUE(commands->deleteEntry(entryOf(standup), false).changed);
    ASSERT_TRUE(s->session->save().ok());

    auto other = openSession();
    DeleteCommands elsewhere(*other->session);
    ASSERT_TRUE(elsewhere.deleteAllOccurrences(other->schedule().recurrences.inOrder().front()).changed);
    ASSERT_TRUE(other->session->save().ok());

    s->presenter.clear();
    EXPECT_FALSE(commands->undelete().changed);
    EXPECT_TRUE(s->shown(kNotValidRecurringText));
    EXPECT_EQ(descriptions(), std::vector<std::string>{"Lunch"});
    EXPECT_EQ(commands->undeleteCount(), 0u);
}

// Regression: nothing marked the sample's items, so a user's own item could
// be taken for one.
TEST_F(DeletionTest, DeleteSampleItemsDeletesOnlyTheMarkedItems)
{
    fixed("Sample meeting");
    daily("Sample standup");
    recordSampleItems(schedule(), folder.path());
    ItemHandle mine = fixed("My own", kSessionToday, 781);
    EXPECT_TRUE(commands->hasSamples());
    EXPECT_TRUE(commands->deleteSampleItems().changed);
    EXPECT_EQ(descriptions(), std::vector<std::string>{"My own"});
    EXPECT_TRUE(schedule().recurrences.empty());
    EXPECT_TRUE(onDay(mine, kSessionToday));
    EXPECT_FALSE(commands->hasSamples()) << "the command leaves the menu";
}

TEST_F(DeletionTest, BulkDeletionsKeepWhatTheyPromise)
{
    ItemHandle standup = daily("Standup");
    ItemHandle dentist = fixed("Dentist");
    fixed("Lunch", kSessionToday + 2);
    // A duplicated occurrence on today.
    schedule().days.appendEntry(kSessionToday, DayEntry{standup, 0, 15});
    ++schedule().findDay(kSessionToday)->nRecurEntries;
    s->presenter.clear();
    s->presenter.queueAnswer(Answer::Yes);
    EXPECT_TRUE(commands->deleteDuplicatesToday().changed);
    EXPECT_EQ(s->texts()[0], kDuplicatesQuestion);
    EXPECT_EQ(schedule().days.daysOf(standup).front(), kSessionToday);
    int onToday = 0;
    for (const DayEntry& e : schedule().findDay(kSessionToday)->entries())
        onToday += e.item == standup;
    EXPECT_EQ(onToday, 1);

    s->presenter.clear();
    s->presenter.queueAnswer(Answer::Yes);
    s->presenter.queueAnswer(Answer::Yes);
    s->presenter.queueAnswer(Answer::No);
    EXPECT_FALSE(commands->deleteAllBut(entryOf(dentist)).changed);
    EXPECT_EQ(s->texts().size(), 3u) << "asked three times";
    EXPECT_EQ(descriptions().size(), 3u);

    EXPECT_TRUE(commands->deleteAllBut(entryOf(dentist)).changed);
    EXPECT_EQ(descriptions(), std::vector<std::string>{"Dentist"});
    EXPECT_TRUE(schedule().recurrences.empty());
}

} // namespace
} // namespace zk
