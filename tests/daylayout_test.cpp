// The layout of a day, the limits it works within (earliest begin, latest
// end, earliest day) and free minutes.

#include "engine/daylayout.h"
#include "engine/plistorder.h"
#include "engine/timelimits.h"
#include "placementscenario.h"

#include <gtest/gtest.h>

#include <functional>

namespace zk {
namespace {

using testing::hm;
using testing::kMonday;
using testing::Scenario;
using Strings = std::vector<std::string>;

class DayLayoutTest : public ::testing::Test, public Scenario {};

// Each day is laid out on Monday at `now` when `onToday`, else on the day
// before; "!" marks a conflicting entry, "-" one without a start.
TEST(DayLayoutTableTest, EntriesAreLaidOutFromTheDayStartInListOrder)
{
    struct Case {
        const char* name;
        std::function<void(Scenario&)> setUp;
        bool onToday;
        TimeValue now;
        Strings layout;
    };
    auto heldBack = [](Scenario& t) {
        t.put(t.appointment("standup", hm(10), 60), kMonday);
        ItemHandle h = t.task("review", 30);
        t.s.record(h).setEarliestBegin(hm(13).value());
        t.put(h, kMonday);
    };
    auto startedSplit = [](Scenario& t) {
        ItemHandle split = t.item("essay", 120, ItemFlag::fStarted | ItemFlag::fSplit | ItemFlag::fFloating, hm(9));
        t.put(split, kMonday, 60);
        t.put(t.task("call", 30), kMonday);
        t.put(split, kMonday, 60);
    };
    const Case cases[] = {
        {"an appointment overrun by the entry before it conflicts", [](Scenario& t) {
             t.putAll(kMonday, {t.appointment("call", hm(9), 90), t.appointment("visit", hm(10), 30),
                                t.task("tidy", 30)});
         }, false, hm(12), {"call@09:00/90", "visit@!10:00/30", "tidy@10:30/30"}},
        {"earliest begin holds a floating entry back", heldBack, false, hm(12), {"standup@10:00/60", "review@13:00/30"}},
        {"on today it starts no earlier than now", heldBack, true, hm(14), {"standup@!10:00/60", "review@14:00/30"}},
        {"an entry that cannot end by its latest end conflicts", [](Scenario& t) {
             t.put(t.appointment("meeting", hm(8), 120), kMonday);
             ItemHandle h = t.task("errand", 60);
             t.s.record(h).setLatestEnd(hm(10, 30).value());
             t.put(h, kMonday);
         }, false, hm(12), {"meeting@08:00/120", "errand@!10:00/60"}},
        {"past appointments on today conflict unless done", [](Scenario& t) {
             t.putAll(kMonday, {t.appointment("early call", hm(9), 30),
                                t.item("signed lease", 30, ItemFlag::fDone, hm(10)), t.task("later", 30)});
         }, true, hm(11), {"early call@!09:00/30", "signed lease@10:00/30", "later@11:00/30"}},
        {"after the window nothing floats without conflict", [](Scenario& t) { t.put(t.task("later", 30), kMonday); },
         true, hm(20), {"later@!20:00/30"}},
        {"on hold entries take no time", [](Scenario& t) {
             t.putAll(kMonday, {t.task("first", 30), t.task("waiting", 45, ItemFlag::fOnHold), t.task("second", 30)});
         }, false, hm(12), {"first@08:00/30", "waiting@-/45", "second@08:30/30"}},
        {"a started entry stays where it runs", [](Scenario& t) {
             t.putAll(kMonday, {t.task("before", 30), t.item("running", 60, ItemFlag::fStarted | ItemFlag::fFloating)});
             t.s.days.editEntries(kMonday, [](std::vector<DayEntry>& e) { e[1].start = hm(9).value(); });
         }, false, hm(12), {"before@08:00/30", "running@09:00/60"}},
        {"a started entry begun before the running end conflicts", [](Scenario& t) {
             t.putAll(kMonday, {t.task("before", 30),
                                t.item("running", 60, ItemFlag::fStarted | ItemFlag::fFloating, hm(8, 15))});
         }, false, hm(12), {"before@08:00/30", "running@!08:15/60"}},
        {"on today only the first piece of a started split item runs",
         startedSplit, true, hm(9, 30), {"essay@09:00/60", "call@10:00/30", "essay@10:30/60"}},
        {"on another day every piece of a started item is started",
         startedSplit, false, hm(12), {"essay@09:00/60", "call@10:00/30", "essay@!09:00/60"}},
        {"an entry just before a done one follows the running end", [](Scenario& t) {
             t.put(t.appointment("class", hm(9), 60), kMonday);
             ItemHandle h = t.task("prep", 30);
             t.s.record(h).setEarliestBegin(hm(11).value());
             t.putAll(kMonday, {h, t.item("filed", 30, ItemFlag::fDone, hm(12))});
         }, false, hm(12), {"class@09:00/60", "prep@10:00/30", "filed@12:00/30"}},
        {"placed minutes follow the duration except for split pieces", [](Scenario& t) {
             ItemHandle split = t.task("split", 90, ItemFlag::fSplit);
             t.put(t.task("whole", 45), kMonday, 20);
             t.put(split, kMonday, 30);
             t.put(split, kMonday, 200);
         }, false, hm(12), {"whole@08:00/45", "split@08:45/30", "split@09:15/90"}},
        {"a night owl window runs past midnight", [](Scenario& t) {
             t.s.setDayBounds(hm(22), hm(6), kNoItem, kNoItem);
             t.putAll(kMonday, {t.appointment("gig", hm(23), 60), t.task("mixing", 120), t.task("backup", 300)});
         }, false, hm(12), {"gig@23:00/60", "mixing@24:00/120", "backup@!26:00/300"}},
        // Whatever the items hold, the layout ends and every start fits its field.
        {"odd items", [](Scenario& t) {
             t.putAll(kMonday, {t.task("huge", 65535), t.appointment("at the very end", TimeValue(2880), 65535),
                                t.item("negative begin", 30, ItemFlag::fAnchored, TimeValue(-300)), t.task("zero", 0)});
             ItemHandle backwards = t.task("begin after end", 30);
             t.s.record(backwards).setEarliestBegin(hm(17).value());
             t.s.record(backwards).setLatestEnd(hm(9).value());
             t.putAll(kMonday, {backwards, t.task("after the day", 30)});
         }, false, hm(12),
         {"huge@!08:00/65535", "at the very end@!47:59/65535", "negative begin@!04:59/30", "zero@-/0",
          "begin after end@-/30", "after the day@-/30"}},
    };
    for (const Case& c : cases) {
        Scenario t;
        c.setUp(t);
        EXPECT_TRUE(layoutDay(t.s, kMonday, t.at(c.onToday ? kMonday : kMonday - 1, c.now))) << c.name;
        EXPECT_EQ(t.layout(kMonday), c.layout) << c.name;
    }
}

TEST_F(DayLayoutTest, ADayWithoutRecordIsNotLaidOutAndAnEntryOfAFreedItemIsAnInternalFault)
{
    EXPECT_FALSE(layoutDay(s, kMonday, at()));
    ItemHandle gone = task("gone", 30);
    put(gone, kMonday);
    s.items.free(gone);
    EXPECT_THROW(layoutDay(s, kMonday, at()), InternalFault);
    EXPECT_EQ(s.findDay(kMonday)->busyCount, 0);
}

TEST_F(DayLayoutTest, FreeMinutesCountTheWindowLessWhatEntriesCover)
{
    putAll(kMonday, {appointment("before the window", hm(7), 90), appointment("inside", hm(12), 60),
                     appointment("overlapping", hm(12, 30), 60), task("held", 120, ItemFlag::fOnHold)});
    layoutDay(s, kMonday, at());
    EXPECT_EQ(freeMinutesOfDay(s, kMonday, at()), 600 - 30 - 60 - 60);
    EXPECT_EQ(freeMinutesOfDay(s, kMonday, at(kMonday, hm(13))), 300 - 30);
    EXPECT_EQ(freeMinutesOfDay(s, kMonday, at(kMonday, hm(19))), 0);
    EXPECT_EQ(freeMinutesOfDay(s, kMonday + 1, at()), 600);
}

// --- limits ------------------------------------------------------------------------

TEST_F(DayLayoutTest, OwnLimitsTheDayWindowDeadlineAndPostponeBoundAnEntry)
{
    ItemHandle h = task("t", 30);
    EXPECT_EQ(latestEndOn(s, h, kMonday), hm(18));
    s.record(h).setLatestEnd(hm(20).value());
    EXPECT_EQ(latestEndOn(s, h, kMonday), hm(18));
    s.record(h).setLatestEnd(hm(16).value());
    EXPECT_EQ(latestEndOn(s, h, kMonday), hm(16));
    s.record(h).setDeadlineDate(static_cast<std::uint16_t>(kMonday.value()));
    s.record(h).setDeadlineTime(hm(15).value());
    EXPECT_EQ(latestEndOn(s, h, kMonday), hm(15));
    EXPECT_EQ(latestEndOn(s, h, kMonday - 1), hm(16));
    s.record(h).setDeadlineTime(hm(17).value());
    EXPECT_EQ(latestEndOn(s, h, kMonday), hm(16));

    EXPECT_EQ(earliestBeginOn(s, h, kMonday, at()), hm(8));
    s.record(h).setEarliestBegin(hm(9).value());
    EXPECT_EQ(earliestBeginOn(s, h, kMonday, at()), hm(9));
    s.record(h).setPostponeDate(static_cast<std::uint16_t>(kMonday.value()));
    s.record(h).setPostponeTime(hm(14).value());
    EXPECT_EQ(earliestBeginOn(s, h, kMonday, at()), hm(14));
    EXPECT_EQ(earliestBeginOn(s, h, kMonday + 1, at()), hm(9));

    // An appointment's limits are its own times.
    ItemHandle a = appointment("a", hm(7), 45);
    EXPECT_EQ(latestEndOn(s, a, kMonday), hm(7, 45));
    EXPECT_EQ(earliestBeginOn(s, a, kMonday, at()), hm(7));
}

TEST_F(DayLayoutTest, AFloatingPrerequisiteIsClearedWithAMessage)
{
    ItemHandle prereq = task("floating prereq", 30);
    put(prereq, kMonday);
    ItemHandle h = task("dependent", 30);
    s.record(h).setPrereqId(s.record(prereq).id());
    PlacementContext run = at();
    run.balancing = true;
    EXPECT_EQ(earliestBeginOn(s, h, kMonday, run), hm(8));
    EXPECT_EQ(s.record(h).prereqId(), 0u);
    EXPECT_EQ(s.unreportedTexts(), Strings{"Prerequisites must be anchored items. A non-anchored item was detected as "
                                           "the prerequisite for dependent and this prereq has been cleared."});
}

} // namespace
} // namespace zk
