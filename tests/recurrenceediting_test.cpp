// The recurrence dialog's model: every kind of rule comes back byte for
// byte through the dialog's choices, choices give the record they name,
// typed fields are refused without change. Also the item editor's side of
// a recurring item: the recurring box, the date it shows, the project colour.

#include "sessionsupport.h"

#include "core/calendar.h"
#include "core/projectcolour.h"
#include "engine/interfacemode.h"
#include "engine/recurrenceediting.h"
#include "engine/rulecheck.h"
#include "storage/datafile.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;

constexpr DayNumber kMonday = kSessionToday + 2;  // 23 October 2023

struct RuleCase {
    const char* name;
    std::uint8_t type;
    std::uint8_t weekdays;
    std::int16_t interval;
    std::uint32_t dayMask;
    std::uint8_t options;
    std::uint16_t monthWord;
};

RecurrenceRecord ruleOf(const RuleCase& c)
{
    RecurrenceRecord r;
    r.setRecurringId(77);
    r.setTypeByte(c.type);
    r.setWeekdayByte(c.weekdays);
    r.setInterval(c.interval);
    r.setDayMask(c.dayMask);
    r.setStartDay(kMonday);
    r.setEndDay(kMonday + 400);
    r.setExceptionCount(2);
    r.setExceptionListField(1);
    r.setLastDoneDay(kMonday + 7);
    r.setOptionByte(c.options);
    r.setMonthWord(c.monthWord);
    return r;
}

class RecurrenceEditingTest : public SessionFixture {
protected:
    EntryContext context()
    {
        EntryContext c;
        c.today = kSessionToday;
        return c;
    }
    RecurrenceEditor editorOf(const RecurrenceRecord& r) { return RecurrenceEditor(r, context(), messages); }
    ScriptedPresenter presenter;
    Messages messages{presenter};
};

TEST_F(RecurrenceEditingTest, EveryKindOfRuleComesBackThroughTheChoices)
{
    using namespace RecurType;
    const RuleCase cases[] = {
        {"plain daily", daily, 0, 1, 0, 0, 0},
        {"every 3 days, shift", daily | carryShift, 0, 3, 0, 0, 0},
        {"weekly Mon/Thu every 2", weekly, 0x12, 2, 0, 0, 0},
        {"monthly 1st and 31st, nearest on/after, notes apart", monthly | carryDelete, 0x3E, 1, 0x40000001,
         RecurOption::nearest | RecurOption::onOrAfter | RecurOption::notesNotShared, 0},
        {"weekday of month: 2nd Tuesday, last Friday", monthly, 0x20, 1, kDayMaskWeekdayGrid | (1u << 9), 0, 0},
        {"4,4,5: week 1 Monday, fifth week Friday", monthly, kWeekdayByteFourFourFive | 0x20, 3, 1u << 1, 0, 0},
        {"annually, no July or August, suspended", annually, 0, 1, 0, 0, kMonthWordSuspended | 0x00C0},
        {"unnamed bits carried", weekly | 0x40, 0x01, 1, 0, 0x30, 0xE000},
    };
    for (const RuleCase& c : cases) {
        const RecurrenceRecord r = ruleOf(c);
        EXPECT_EQ(editorOf(r).record(), r) << c.name;
    }
}

TEST_F(RecurrenceEditingTest, ChoicesGiveTheRecordTheyName)
{
    RecurrenceEditor e = editorOf(RecurrenceEditor::newRule(kSessionToday));
    EXPECT_EQ(e.period(), RecurPeriod::Daily);
    EXPECT_EQ(e.fieldText(RecurrenceField::Starting), "10/21/23");
    e.setPeriod(RecurPeriod::Weekly);
    e.setWeekday(1, true);
    e.setWeekday(4, true);
    e.setEvery(true);
    ASSERT_TRUE(e.readField(RecurrenceField::Interval, "2").accepted());
    ASSERT_TRUE(e.readField(RecurrenceField::Starting, "10/23/23").accepted());
    ASSERT_TRUE(e.readField(RecurrenceField::Ending, "12/31/23").accepted());
    e.setMonth(7, false);
    e.setCarryOver(CarryOver::Delete);
    e.setShareNotes(false);
    RecurrenceRecord r = e.record();
    EXPECT_EQ(r.typeByte(), RecurType::weekly | RecurType::carryDelete);
    EXPECT_EQ(r.weekdayByte(), 0x12);
    EXPECT_EQ(r.interval(), 2);
    EXPECT_EQ(r.startDay(), kMonday);
    EXPECT_EQ(r.monthWord(), 0x0040);
    EXPECT_EQ(r.optionByte(), RecurOption::notesNotShared);

    // Each monthly mode keeps its own grid; the chosen one is written.
    e.setPeriod(RecurPeriod::Monthly);
    e.setMonthlyMode(MonthlyMode::WeekdayOfMonth);
    e.setGridCell(1, 1, true);         // 1st Monday
    e.setGridCell(kGridWeeks, 5, true);  // last Friday
    e.setMonthlyMode(MonthlyMode::FourFourFive);
    e.setGridCell(kGridWeeks, 3, true);  // fifth week Wednesday
    e.setMonthlyMode(MonthlyMode::WeekdayOfMonth);
    r = e.record();
    EXPECT_EQ(r.dayMask(), kDayMaskWeekdayGrid | 0x2);
    EXPECT_EQ(r.weekdayByte(), 0x20);
    e.setMonthlyMode(MonthlyMode::FourFourFive);
    EXPECT_EQ(e.record().weekdayByte(), kWeekdayByteFourFourFive | 0x08);
    EXPECT_EQ(e.record().dayMask(), 0u);

    // Empty dates: the series starts today and has no end.
    ASSERT_TRUE(e.readField(RecurrenceField::Starting, "").accepted());
    ASSERT_TRUE(e.readField(RecurrenceField::Ending, " ").accepted());
    EXPECT_EQ(e.record().startDay(), kNoDay);
    EXPECT_EQ(e.record().endDayField(), 0);
}

TEST_F(RecurrenceEditingTest, TypedFieldsThatDoNotReadAreRefusedWithoutChange)
{
    RecurrenceEditor e = editorOf(RecurrenceEditor::newRule(kMonday));
    e.setEvery(true);
    ASSERT_TRUE(e.readField(RecurrenceField::Interval, "4").accepted());
    EXPECT_FALSE(e.readField(RecurrenceField::Interval, "4x").accepted());
    EXPECT_FALSE(e.readField(RecurrenceField::Interval, "-2").accepted());
    EXPECT_FALSE(e.readField(RecurrenceField::Starting, "2/30").accepted());
    EXPECT_EQ(presenter.texts(), (std::vector<std::string>{kInvalidNumberText, kInvalidNumberText, kInvalidDateText}));
    EXPECT_EQ(e.record().interval(), 4);
    EXPECT_EQ(e.record().startDay(), kMonday);
}

TEST_F(RecurrenceEditingTest, EveryWithNothingTypedIsStoredAsEveryTwo)
{
    // What the rule check refuses is met in its own tests; this is the
    // editor's side: the choice it hands over with an empty number.
    RecurrenceEditor e = editorOf(RecurrenceEditor::newRule(kMonday));
    e.setEvery(true);
    RecurrenceRecord r = e.record();
    ASSERT_TRUE(checkRule(r, e.intervalChoice(), messages, kSessionToday));
    EXPECT_EQ(r.interval(), 2);
    EXPECT_TRUE(presenter.texts().empty());
}

// --- the item editor's side --------------------------------------------------------

TEST_F(RecurrenceEditingTest, TheRecurringBoxAndTheDateItShows)
{
    std::unique_ptr<TestSession> s = openSession();
    s->schedule().header.setInterfaceMode(InterfaceMode::pro);  // tasks float outside LITE
    ItemEditorRequest request;
    request.command = ItemCommand::task;
    request.day = kMonday;
    ItemEditor e(s->schedule(), s->session->entryContext(), request, s->messages);
    EXPECT_TRUE(e.isChecked(ControlId::floating));
    EXPECT_EQ(e.pressRecurring(), RecurringPress::OpenRecurrence) << "no rule yet";
    EXPECT_EQ(e.ruleToEdit().startDay(), kMonday);

    e.acceptRecurrence(e.ruleToEdit());
    EXPECT_EQ(e.fieldText(ControlId::date), kRecurringDateText);
    EXPECT_FALSE(e.floatingEnabled()) << "only while the date is shown";
    EXPECT_FALSE(e.isChecked(ControlId::floating));

    EXPECT_EQ(e.pressRecurring(), RecurringPress::Done);
    EXPECT_FALSE(e.isChecked(ControlId::recurring));
    EXPECT_EQ(e.fieldText(ControlId::date), "10/23/23");
    EXPECT_TRUE(e.floatingEnabled());
    EXPECT_FALSE(e.finalRecord().has(ItemFlag::recurrence)) << "a cleared box stores a single item";
    EXPECT_EQ(e.pressRecurring(), RecurringPress::Done);
    EXPECT_TRUE(e.isChecked(ControlId::recurring)) << "the rule is kept";
}

TEST_F(RecurrenceEditingTest, AProjectColourSurvivesSaveAndLoad)
{
    std::unique_ptr<TestSession> s = openSession();
    NewItem project;
    project.record.setKind(ItemKind::project);
    project.text = "Garden";
    ItemHandle h = s->session->addItem(project).item;
    const std::uint32_t id = s->schedule().record(h).id();
    setProjectColour(s->schedule().record(h), 0x000000);
    EXPECT_EQ(projectColour(s->schedule(), id), 0u) << "black is a colour";
    setProjectColour(s->schedule().record(h), 0x2080C0);
    ASSERT_TRUE(s->session->save().ok());
    s.reset();

    std::unique_ptr<TestSession> again = openSession();
    EXPECT_EQ(projectColour(again->schedule(), id), 0x2080C0u);
    EXPECT_EQ(projectColour(again->schedule(), 0), std::nullopt);
    EXPECT_EQ(projectColour(again->schedule(), id + 1), std::nullopt);
}

} // namespace
} // namespace zk
