// Alarms: the due test and its texts, the dialog's field rules, the repeat
// time, and the minute's check of sessions sharing one schedule folder.

#include "sessionsupport.h"

#include "worktools/model/alarmcheck.h"
#include "worktools/model/alarms.h"
#include "worktools/model/alarmsound.h"
#include "worktools/model/reminders.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;

constexpr TimeValue at(int hour, int minute) { return TimeValue::fromClock(hour, minute); }

ItemRecord anchoredAlarm(int begin, int minutesBefore)
{
    ItemRecord r;
    r.setBeginTime(static_cast<std::int16_t>(begin));
    r.setDuration(30);
    r.setFlag(ItemFlag::fAnchored, true);
    AlarmSettings settings;
    settings.minutes = minutesBefore;
    applyAlarmSettings(r, settings);
    return r;
}

TEST(AlarmDueTest, TenMinutesBeforeNineRingsAtTenToNineWithItsText)
{
    ItemRecord r = anchoredAlarm(at(9, 0).value(), 10);
    DayEntry entry{ItemHandle{}, static_cast<std::int16_t>(at(9, 0).value()), 30};
    const TimeValue begin = referenceTime(r, entry, AlarmReference::Begin);
    EXPECT_FALSE(alarmDue(r, AlarmReference::Begin, begin, at(8, 49)));
    EXPECT_TRUE(alarmDue(r, AlarmReference::Begin, begin, at(8, 50)));
    EXPECT_FALSE(alarmDue(r, AlarmReference::End, referenceTime(r, entry, AlarmReference::End), at(9, 50)))
        << "only the chosen reference rings";
    EXPECT_EQ(alarmMessage(r, AlarmReference::Begin, begin, at(8, 50)), "begin in 10 minutes.");
    EXPECT_EQ(ringingText("8:50a", "Dentist", "begin in 10 minutes."),
              "8:50a\n\nDentist scheduled to begin in 10 minutes.\n\nRepeat the alarm later today?");

    // Every text of the table, and the floating item's suffix.
    EXPECT_EQ(alarmMessage(r, AlarmReference::Begin, begin, at(9, 0)), "begin now.");
    EXPECT_EQ(alarmMessage(r, AlarmReference::Begin, begin, at(7, 45)), "begin in 1 hours, 15 minutes.");
    EXPECT_EQ(alarmMessage(r, AlarmReference::Begin, begin, at(9, 5)), "begin 5 minutes ago.");
    EXPECT_EQ(alarmMessage(r, AlarmReference::Begin, begin, at(10, 1)), "begin 1 hours, 1 minutes ago.");
    EXPECT_EQ(alarmMessage(r, AlarmReference::End, at(9, 30), at(9, 30)), "be ending now.");
    EXPECT_EQ(alarmMessage(r, AlarmReference::End, at(9, 30), at(9, 20)), "end in 10 minutes.");
    EXPECT_EQ(alarmMessage(r, AlarmReference::End, at(9, 30), at(9, 33)), "end 3 minutes ago.");
    ItemRecord floating = r;
    floating.setFlag(ItemFlag::fAnchored, false);
    floating.setFlag(ItemFlag::fFloating, true);
    EXPECT_EQ(alarmMessage(floating, AlarmReference::Begin, begin, at(8, 50)), "begin in 10 minutes at the latest.");

    // Answered never rings; a repeat rings from its minute on; a done item's
    // first ring is skipped, and so is an item on hold.
    r.setAlarmRepeat(kAlarmAnswered);
    EXPECT_FALSE(alarmDue(r, AlarmReference::Begin, begin, at(9, 10)));
    r.setAlarmRepeat(static_cast<std::uint16_t>(at(9, 20).value()));
    EXPECT_FALSE(alarmDue(r, AlarmReference::Begin, begin, at(9, 19)));
    EXPECT_TRUE(alarmDue(r, AlarmReference::Begin, begin, at(9, 20)));
    ItemRecord done = anchoredAlarm(at(9, 0).value(), 10);
    done.setFlag(ItemFlag::fDone, true);
    EXPECT_FALSE(alarmDue(done, AlarmReference::Begin, begin, at(8, 55)));
    done.setFlag(ItemFlag::fDone, false);
    done.setFlag(ItemFlag::fOnHold, true);
    EXPECT_FALSE(alarmDue(done, AlarmReference::Begin, begin, at(8, 55)));
}

TEST(AlarmDialogFieldsTest, RangesSignsAndTheAnsweredState)
{
    AlarmFieldRead hours = readAlarmField(AlarmField::Hours, "24");
    EXPECT_EQ(hours.value, 23);
    EXPECT_EQ(hours.message, kAlarmHoursText);
    EXPECT_EQ(readAlarmField(AlarmField::Minutes, "100").message, kAlarmRangeText);
    EXPECT_FALSE(readAlarmField(AlarmField::Days, "100").value);
    EXPECT_FALSE(readAlarmField(AlarmField::Minutes, "1x").value);
    EXPECT_EQ(readAlarmField(AlarmField::Minutes, " 99 ").value, 99);
    EXPECT_EQ(readAlarmField(AlarmField::Minutes, "").value, 0);

    ItemRecord r;
    r.setAlarmRepeat(kAlarmAnswered);
    AlarmSettings s;
    s.minutes = 5;
    s.hours = 1;
    s.after = true;
    s.days = 2;
    s.fromEnd = true;
    s.dialPager = true;
    applyAlarmSettings(r, s);
    EXPECT_EQ(r.alarmMinutes(), -5);
    EXPECT_EQ(r.alarmHours(), -1);
    EXPECT_EQ(r.alarmDays(), 2);
    EXPECT_TRUE(r.has(ItemFlag::fAlarm | ItemFlag::fTickler));
    EXPECT_TRUE(r.has(ItemFlag::alarmFromEnd));
    EXPECT_FALSE(r.has(ItemFlag::alarmFromBegin));
    EXPECT_EQ(r.alarmRepeat(), kAlarmNotRung) << "an answered alarm may ring again";
    AlarmSettings back = alarmSettingsOf(r, "555-0100");
    EXPECT_EQ(back.minutes, 5);
    EXPECT_TRUE(back.after);
    EXPECT_TRUE(back.fromEnd);
    EXPECT_TRUE(back.dialPager);
    s.days = 0;
    applyAlarmSettings(r, s);
    EXPECT_FALSE(r.has(ItemFlag::fTickler));
}

TEST(AlarmRepeatTest, RepeatsStopAtTheEndOfTheDay)
{
    RepeatTime late = repeatTime(at(23, 45), 30, at(23, 0), false);
    EXPECT_EQ(late.alarmRepeat, 1440);
    EXPECT_EQ(late.message, kRepeatAfterMidnightText);
    EXPECT_EQ(repeatTime(at(9, 0), 5, at(23, 0), false).alarmRepeat, at(9, 5).value());

    // Regression: a night-owl window past midnight stored 1440, which every
    // minute after midnight found due again. The repeat now ends with the window.
    const TimeValue windowEnd{1440 + 120};  // 2:00 the next morning
    EXPECT_EQ(repeatTime(TimeValue(1445), 10, windowEnd, true).alarmRepeat, 1455);
    EXPECT_EQ(repeatTime(TimeValue(1555), 10, windowEnd, true).alarmRepeat, windowEnd.value());
    RepeatTime past = repeatTime(windowEnd, 10, windowEnd, true);
    EXPECT_FALSE(past.alarmRepeat);
    EXPECT_EQ(past.message, kRepeatAfterMidnightText);
}

TEST(AlarmSoundTest, TheSoundListAndWhatEachChoicePlays)
{
    TempFolder sounds;
    std::filesystem::create_directories(sounds.path() / "stereo");
    writeText(sounds.path() / "stereo" / "bell.oga", "x");
    writeText(sounds.path() / "alarm.WAV", "x");
    writeText(sounds.path() / "readme.txt", "x");
    EXPECT_EQ(systemSounds(sounds.path()),
              (std::vector<std::filesystem::path>{sounds.path() / "alarm.WAV", sounds.path() / "stereo" / "bell.oga"}));
    EXPECT_TRUE(systemSounds(sounds.path() / "missing").empty());

    // "beep (no sound card)" stores an empty value, which rings with the beep.
    EXPECT_EQ(soundValueOf(kBeepChoice), "");
    EXPECT_EQ(alarmSoundOf("", sounds.path()).kind, AlarmSound::Kind::Beep);
    EXPECT_EQ(soundChoiceOf(""), kBeepChoice);
    EXPECT_EQ(soundValueOf(kNoSoundChoice), "none");
    EXPECT_EQ(alarmSoundOf("None", sounds.path()).kind, AlarmSound::Kind::Silent);
    // A file that moved is found by name among the system's sounds.
    AlarmSound moved = alarmSoundOf("/old/place/bell.oga", sounds.path());
    EXPECT_EQ(moved.kind, AlarmSound::Kind::File);
    EXPECT_EQ(moved.file, sounds.path() / "stereo" / "bell.oga");
    AlarmSound missing = alarmSoundOf("/old/place/gone.wav", sounds.path());
    EXPECT_EQ(missing.kind, AlarmSound::Kind::Missing);
    EXPECT_EQ(soundNotFoundText(missing.file), "Waveform file not found /old/place/gone.wav");

    // Chimes every five minutes, from the schedule folder before the system's.
    EXPECT_EQ(chimeName(at(9, 0)), "chimes00.wav");
    EXPECT_EQ(chimeName(at(23, 15)), "chimes15.wav");
    EXPECT_FALSE(chimeName(at(9, 7)));
    TempFolder schedule;
    writeText(sounds.path() / "chimes15.wav", "x");
    EXPECT_EQ(findChime("chimes15.wav", schedule.path(), sounds.path()), sounds.path() / "chimes15.wav");
    writeText(schedule.path() / "chimes15.wav", "x");
    EXPECT_EQ(findChime("chimes15.wav", schedule.path(), sounds.path()), schedule.path() / "chimes15.wav");
    EXPECT_FALSE(findChime("chimes30.wav", schedule.path(), sounds.path()));
}

// --- the minute's check ------------------------------------------------------------------

class ScriptedBell : public AlarmBell {
public:
    bool ring(const RingingAlarm& alarm) override
    {
        rung.push_back(alarm.text);
        if (duringRing)
            duringRing();
        return repeatAnswer;
    }
    std::optional<int> askRepeatMinutes(int proposal) override
    {
        proposals.push_back(proposal);
        return repeatMinutes;
    }

    std::vector<std::string> rung;
    std::vector<int> proposals;
    bool repeatAnswer = false;
    std::optional<int> repeatMinutes;
    std::function<void()> duringRing;
};

class AlarmCheckTest : public SessionFixture {
protected:
    struct Checker {
        std::unique_ptr<TestSession> session;
        ScriptedBell bell;
        std::unique_ptr<AlarmCheck> check;
    };

    std::unique_ptr<Checker> checker()
    {
        auto c = std::make_unique<Checker>();
        c->session = openSession();
        Session& session = *c->session->session;
        c->check = std::make_unique<AlarmCheck>(AlarmCheckServices{
            .session = session,
            .bell = c->bell,
            .today = [this] { return clock.today(); },
            .now = [this] { return clock.now(); },
            .withSchedule = [](const std::function<void()>& step) { step(); return true; },
            .save = [&session] { ASSERT_TRUE(session.save().ok()); },
            .clockText = [](TimeValue t) { return std::to_string(t.hour()) + ":" + std::to_string(t.minute()); },
            .alarmsOff = [this] { return alarmsOff; },
            .allStations = [this] { return allStations; },
        });
        return c;
    }

    void addAlarm(const std::string& text, TimeValue begin, int minutesBefore)
    {
        NewItem item = itemOn(kSessionToday, text, begin.value());
        AlarmSettings settings;
        settings.minutes = minutesBefore;
        applyAlarmSettings(item.record, settings);
        addElsewhere(std::move(item));
    }

    std::uint16_t repeatOf(Checker& c, const std::string& text)
    {
        ItemHandle h = itemNamed(c.session->schedule(), text);
        return h ? c.session->schedule().record(h).alarmRepeat() : 1;
    }

    // Another session stores this repeat state in every item and saves.
    void setRepeatElsewhere(std::uint16_t repeat)
    {
        auto other = openSession();
        ASSERT_TRUE(other->session->obtainChangeAccess(std::chrono::seconds(0)));
        Schedule& s = other->schedule();
        for (ItemHandle h : s.chain)
            s.record(h).setAlarmRepeat(repeat);
        s.dirty = true;
        ASSERT_TRUE(other->session->save().ok());
    }

    bool alarmsOff = false;
    bool allStations = false;
};

TEST_F(AlarmCheckTest, TwoSessionsDueAtOneMinuteRingOnceAndShareTheRepeat)
{
    addAlarm("Standup", at(9, 10), 10);
    auto a = checker();
    auto b = checker();

    setTime(8, 59);
    a->check->check();
    b->check->check();
    EXPECT_TRUE(a->bell.rung.empty());

    setTime(9, 0);
    a->bell.repeatAnswer = true;
    a->bell.repeatMinutes = 15;
    a->check->check();
    b->check->check();
    ASSERT_EQ(a->bell.rung.size() + b->bell.rung.size(), 1u) << "exactly one session rings";
    ASSERT_EQ(a->bell.rung.size(), 1u);
    EXPECT_EQ(a->bell.rung[0], "9:0\n\nStandup scheduled to begin in 10 minutes.\n\nRepeat the alarm later today?");
    EXPECT_EQ(a->bell.proposals, std::vector<int>{5}) << "the first proposal is 5 minutes";

    // The repeat is stored for every session: the other rings it at 9:15.
    setTime(9, 14);
    b->check->check();
    EXPECT_TRUE(b->bell.rung.empty());
    setTime(9, 15);
    b->check->check();
    a->check->check();
    ASSERT_EQ(b->bell.rung.size(), 1u);
    EXPECT_EQ(a->bell.rung.size(), 1u);
    EXPECT_EQ(repeatOf(*b, "Standup"), kAlarmAnswered);

    // Alarms off: nothing rings.
    addAlarm("Call", at(9, 30), 5);
    alarmsOff = true;
    setTime(9, 25);
    a->check->check();
    EXPECT_EQ(a->bell.rung.size(), 1u);
}

TEST_F(AlarmCheckTest, AlarmOnAllStationsRingsOnceInEverySessionThatSawItWaiting)
{
    allStations = true;
    addAlarm("Standup", at(9, 10), 10);
    addAlarm("Lunch", at(12, 0), 0);
    auto a = checker();
    auto b = checker();
    auto c = checker();
    setTime(8, 59);
    a->check->check();
    b->check->check();

    // b has already loaded a's answer when it looks: it rings anyway.
    setTime(9, 0);
    a->check->check();
    ASSERT_TRUE(b->session->session->access().reloadIfChanged());
    ASSERT_EQ(repeatOf(*b, "Standup"), kAlarmAnswered);
    b->check->check();
    ASSERT_EQ(a->bell.rung.size(), 1u);
    ASSERT_EQ(b->bell.rung.size(), 1u);
    EXPECT_EQ(b->bell.rung[0], a->bell.rung[0]);

    // Once per session: c's copy still had it due, so c rings it late; d
    // starts after the answer and never saw it waiting, as after a restart.
    setTime(9, 1);
    auto d = checker();
    for (Checker* each : {a.get(), b.get(), c.get(), d.get()})
        each->check->check();
    EXPECT_EQ(a->bell.rung.size(), 1u);
    EXPECT_EQ(b->bell.rung.size(), 1u);
    EXPECT_EQ(c->bell.rung.size(), 1u);
    EXPECT_TRUE(d->bell.rung.empty());

    // Off, only the station that answers rings.
    allStations = false;
    setTime(12, 0);
    for (Checker* each : {a.get(), b.get(), c.get(), d.get()})
        each->check->check();
    EXPECT_EQ(a->bell.rung.size() + b->bell.rung.size() + c->bell.rung.size() + d->bell.rung.size(), 4u);
}

TEST_F(AlarmCheckTest, RepeatAnsweredByAnotherSessionIsRefused)
{
    addAlarm("Review", at(10, 0), 0);
    auto a = checker();
    setTime(10, 0);
    a->bell.repeatAnswer = true;
    a->bell.repeatMinutes = 20;
    // While the question is open, another session sets a repeat of its own.
    a->bell.duringRing = [this] { setRepeatElsewhere(static_cast<std::uint16_t>(at(10, 30).value())); };
    a->check->check();
    ASSERT_EQ(a->bell.rung.size(), 1u);
    EXPECT_TRUE(a->session->shown(kRepeatAnsweredElsewhereText));
    EXPECT_EQ(repeatOf(*a, "Review"), at(10, 30).value());
}

TEST_F(AlarmCheckTest, FifthStackedAlarmShowsTheMessageOnceAndRingsNothing)
{
    for (int i = 0; i < 6; ++i)
        addAlarm("Item " + std::to_string(i), at(11, i), 0);
    auto a = checker();
    // Each question stays open while the next minute's check runs.
    int minute = 0;
    a->bell.duringRing = [&] {
        if (minute >= 5)
            return;
        setTime(11, ++minute);
        a->check->check();
    };
    setTime(11, 0);
    a->check->check();
    EXPECT_EQ(a->bell.rung.size(), 4u) << "four questions stack, the fifth waits";
    int stacked = 0;
    for (const std::string& text : a->session->texts())
        stacked += text == kStackedAlarmsText;
    EXPECT_EQ(stacked, 1);
    // Answered, the waiting alarms ring on the next check.
    a->bell.duringRing = nullptr;
    setTime(11, 5);
    a->check->check();
    EXPECT_EQ(a->bell.rung.size(), 6u);
}

// Regression: an alarm rung while a reload brought back its unanswered state
// rang again. The session remembers what it rang today.
TEST_F(AlarmCheckTest, AlarmRungInThisSessionDoesNotRingAgainAfterAReload)
{
    addAlarm("Lunch", at(12, 0), 0);
    auto a = checker();
    setTime(12, 0);
    a->check->check();
    ASSERT_EQ(a->bell.rung.size(), 1u);
    setRepeatElsewhere(kAlarmNotRung);
    setTime(12, 1);
    ASSERT_TRUE(a->session->session->obtainChangeAccess(std::chrono::seconds(0)));
    ASSERT_EQ(repeatOf(*a, "Lunch"), kAlarmNotRung) << "the reload brought the old state";
    a->check->check();
    EXPECT_EQ(a->bell.rung.size(), 1u);
    ASSERT_TRUE(a->session->session->access().releaseChangeAccess());
    // A new session on the folder has not rung it and does.
    auto b = checker();
    b->check->check();
    EXPECT_EQ(b->bell.rung.size(), 1u);
}

// --- reminders days ahead ------------------------------------------------------------

using ReminderTest = SessionFixture;

TEST_F(ReminderTest, AnItemRemindsOnTheDayItsDaysBeforeComeAndNotWhenDone)
{
    auto s = openSession();
    auto add = [&](const char* text, int daysAway, int daysBefore, bool done) {
        NewItem item = itemOn(kSessionToday + daysAway, text, at(9, 0).value());
        AlarmSettings alarm;
        alarm.days = daysBefore;
        applyAlarmSettings(item.record, alarm);
        item.record.setFlag(ItemFlag::fDone, done);
        ASSERT_EQ(s->session->addItem(std::move(item)).status, AddStatus::Added);
    };
    add("Dentist", 3, 3, false);
    add("Tax return", 1, 1, false);
    add("Report", 5, 3, false);   // reminds in two days
    add("Paid bill", 2, 2, true);  // done: nothing to remind of
    add("Plain alarm", 0, 0, false);

    std::vector<Reminder> due = remindersDue(s->schedule(), kSessionToday);
    ASSERT_EQ(due.size(), 2u);
    EXPECT_EQ(due[0].text, "Tax return");
    EXPECT_EQ(due[1].text, "Dentist");
    EXPECT_EQ(remindersText(due, RegionalSettings{}),
              "Reminders:\n10/22/23  Tax return  (in 1 day)\n10/24/23  Dentist  (in 3 days)");
    EXPECT_EQ(remindersDue(s->schedule(), kSessionToday + 2).size(), 1u);
    EXPECT_TRUE(remindersText({}, RegionalSettings{}).empty());
}

} // namespace
} // namespace zk
