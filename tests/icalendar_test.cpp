// Calendar files: hand-written files of other programs importing with their
// days and times in two zones, a schedule of every kind going out and back
// in with the same events, a file imported twice, and the bounds on hostile
// files.

#include "sessionsupport.h"
#include "zkprocess.h"

#include "buildpaths.h"
#include "core/calendar.h"
#include "engine/occurrences.h"
#include "exchange/calendarsession.h"
#include "exchange/icalendarread.h"
#include "exchange/icalendarwrite.h"
#include "worktools/model/notes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zk {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

const fs::path kData = fs::path(ZELKON_RESOURCE_DIR) / ".." / "tests" / "data";

DayNumber date(int year, int month, int day) { return dayOf(month, day, year); }

class CalendarFileTest : public SessionFixture {
protected:
    CalendarRead read(const std::string& text)
    {
        CalendarReadOptions options;
        options.templateItem = ItemRecord();
        options.templateItem.setKind(ItemKind::task);
        options.today = kSessionToday;
        return readICalendar(text, options);
    }

    // Reads and imports under change access; the items added.
    CalendarImportOutcome import(TestSession& s, const std::string& text)
    {
        EXPECT_TRUE(s.session->obtainChangeAccess(std::chrono::seconds(1)));
        CalendarRead r = read(text);
        EXPECT_EQ(r.refusal, "");
        return importCalendarEntries(*s.session, std::move(r.entries), {});
    }

    std::string exported(TestSession& s)
    {
        CalendarExportOptions options = calendarExportOptions(*s.session, nullptr);
        return writeICalendar(s.schedule(), options);
    }

    static int count(const Schedule& s, const std::string& text)
    {
        int n = 0;
        s.items.forEach([&](ItemHandle h) { n += s.storedDescription(h) == text; });
        return n;
    }
};

TEST_F(CalendarFileTest, FilesOfOtherProgramsImportWithTheirDaysAndTimes)
{
    ScopedVariable zone("TZ", "Europe/Berlin");
    auto s = openSession();
    for (const char* name : {"birthday.ics", "weekly-meeting.ics", "todo.ics", "multiday.ics"})
        import(*s, readText(kData / name));
    Schedule& sc = s->schedule();

    // A birthday of 1975, yearly: a birthday every 10 December, its year kept.
    const ItemHandle birthday = itemNamed(sc, "Ada's birthday");
    ASSERT_TRUE(birthday);
    EXPECT_EQ(sc.record(birthday).kind(), ItemKind::birthday);
    EXPECT_EQ(sc.record(birthday).baseYear(), 1975);
    ASSERT_TRUE(sc.recurrences.contains(birthday));
    const RecurrenceRecord& yearly = sc.recurrences.ruleOf(birthday);
    EXPECT_TRUE(ruleOccursOn(yearly, date(2023, 12, 10), kSessionToday));
    EXPECT_FALSE(ruleOccursOn(yearly, date(2023, 12, 11), kSessionToday));

    // The weekly meeting keeps 10:00 across the change to winter time; one
    // week is left out and one moved to the Friday afternoon.
    const ItemHandle meeting = itemNamed(sc, "Weekly review");
    ASSERT_TRUE(meeting);
    ASSERT_TRUE(sc.recurrences.contains(meeting));
    EXPECT_EQ(sc.record(meeting).beginTime(), TimeValue::fromClock(10, 0).value());
    EXPECT_EQ(sc.record(meeting).duration(), 60);
    const RecurrenceRecord& weekly = sc.recurrences.ruleOf(meeting);
    EXPECT_EQ(weekly.endDay(), date(2023, 11, 23));
    EXPECT_TRUE(ruleOccursOn(weekly, date(2023, 11, 16), kSessionToday));
    EXPECT_TRUE(sc.recurrences.isCancelled(meeting, date(2023, 11, 9)));
    std::optional<ExceptionEntry> moved = sc.recurrences.findEntry(meeting, date(2023, 11, 2));
    ASSERT_TRUE(moved && moved->item);
    EXPECT_EQ(sc.storedDescription(moved->item), "Weekly review (moved)");
    EXPECT_EQ(sc.dayOf(moved->item), date(2023, 11, 3));
    EXPECT_EQ(sc.record(moved->item).beginTime(), TimeValue::fromClock(14, 0).value());
    EXPECT_TRUE(sc.record(moved->item).has(ItemFlag::fException));
    // Its alarm rings 15 minutes before; its description is its note.
    EXPECT_TRUE(sc.record(meeting).has(ItemFlag::fAlarm));
    EXPECT_EQ(sc.record(meeting).alarmMinutes(), 15);
    ASSERT_TRUE(sc.record(meeting).has(ItemFlag::fHasNotes));
    const NoteFiles notes(folder.path(), notePrefix(sc.header));
    EXPECT_EQ(readNote(notes.note(sc.record(meeting).refNo())).text, "Bring the figures\nand the plan.");

    // The task floats from its start day, due Friday 17:00 with priority B.
    const ItemHandle task = itemNamed(sc, "Write the quarterly report");
    ASSERT_TRUE(task);
    const ItemRecord& t = sc.record(task);
    EXPECT_EQ(t.kind(), ItemKind::task);
    EXPECT_TRUE(t.has(ItemFlag::fFloating));
    EXPECT_EQ(t.deadlineDate(), date(2023, 10, 27).value());
    EXPECT_EQ(t.deadlineTime(), TimeValue::fromClock(17, 0).value());
    EXPECT_EQ(t.priorityLetter(), 'B');

    // Five days away, DTEND being the day after the last.
    const ItemHandle trip = itemNamed(sc, "Trip to the coast");
    ASSERT_TRUE(trip);
    EXPECT_EQ(sc.record(trip).kind(), ItemKind::multiDayEvent);
    EXPECT_EQ(sc.dayOf(trip), date(2023, 11, 6));
    EXPECT_EQ(sc.record(trip).deadlineDate(), date(2023, 11, 10).value());
}

TEST_F(CalendarFileTest, AMeetingInAnotherZoneFollowsItsDaylightSavingChange)
{
    // Seen from New York, the Berlin meeting moves by an hour for the week
    // between the two changes: no one weekly rule says that, so each
    // occurrence comes as an item of its own at its local time.
    ScopedVariable zone("TZ", "America/New_York");
    auto s = openSession();
    import(*s, readText(kData / "weekly-meeting.ics"));
    Schedule& sc = s->schedule();
    std::vector<std::pair<DayNumber, int>> seen;
    sc.items.forEach([&](ItemHandle h) {
        if (sc.storedDescription(h).rfind("Weekly review", 0) == 0)
            seen.emplace_back(sc.dayOf(h), sc.record(h).beginTime());
    });
    std::sort(seen.begin(), seen.end());
    const int four = TimeValue::fromClock(4, 0).value();
    const std::vector<std::pair<DayNumber, int>> expected = {{date(2023, 10, 26), four},
                                                             {date(2023, 11, 3), TimeValue::fromClock(9, 0).value()},
                                                             {date(2023, 11, 16), four},
                                                             {date(2023, 11, 23), four}};
    EXPECT_EQ(seen, expected);
}

// The components of a file without their stamps and comments, in a fixed
// order.
std::vector<std::string> componentsOf(const std::string& file)
{
    std::vector<std::string> out;
    std::string current;
    std::size_t depth = 0;
    std::size_t at = 0;
    while (at < file.size()) {
        std::size_t end = file.find("\r\n", at);
        std::string line = file.substr(at, end - at);
        at = end == std::string::npos ? file.size() : end + 2;
        if (line.rfind("BEGIN:V", 0) == 0 && line != "BEGIN:VCALENDAR")
            ++depth;
        if (line.rfind(" ", 0) == 0)
            continue;  // the rest of a folded comment
        if (depth > 0 && line.rfind("DTSTAMP", 0) != 0 && line.rfind("COMMENT", 0) != 0)
            current += line + "\n";
        if (line.rfind("END:V", 0) == 0 && line != "END:VCALENDAR" && --depth == 0) {
            out.push_back(current);
            current.clear();
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST_F(CalendarFileTest, AScheduleOfEveryKindGoesOutAndComesBackWithTheSameEvents)
{
    ScopedVariable zone("TZ", "Europe/Berlin");
    auto s = openSession();
    ASSERT_TRUE(s->session->obtainChangeAccess(std::chrono::seconds(1)));
    const DayNumber monday = kSessionToday + 2;
    auto add = [&](NewItem item) {
        AddResult r = s->session->addItem(std::move(item));
        EXPECT_EQ(r.status, AddStatus::Added);
        return r.item;
    };
    NewItem appointment = appointmentOn(monday, "Dentist", TimeValue::fromClock(9, 30).value(), 45);
    appointment.record.setFlag(ItemFlag::fAlarm, true);
    appointment.record.setFlag(ItemFlag::alarmFromBegin, true);
    appointment.record.setAlarmMinutes(20);
    add(appointment);
    NewItem task = itemOn(monday, "Tidy the garage", 0, 90);
    task.record.setFlag(ItemFlag::fFloating, true);
    task.record.setPriorityLetter('C');
    task.record.setDeadlineDate(static_cast<std::uint16_t>((monday + 4).value()));
    add(task);
    NewItem memo = itemOn(monday + 1, "Bins go out", 0, 0);
    memo.record.setKind(ItemKind::memo);
    add(memo);
    NewItem holiday = itemOn(monday + 3, "Founders' day", 0, 0);
    holiday.record.setKind(ItemKind::holiday);
    add(holiday);
    NewItem trip = itemOn(monday + 5, "Conference", 0, 0);
    trip.record.setKind(ItemKind::multiDayEvent);
    trip.record.setDeadlineDate(static_cast<std::uint16_t>((monday + 7).value()));
    add(trip);
    // Every weekday at 8:15, one cancelled and one moved to 11:00.
    NewItem standup = appointmentOn(monday, "Stand-up", TimeValue::fromClock(8, 15).value(), 15);
    RecurrenceRecord rule;
    rule.setTypeByte(RecurType::weekly);
    rule.setWeekdayByte(0x3E);
    rule.setInterval(1);
    rule.setStartDay(monday);
    rule.setEndDay(monday + 20);
    standup.recurrence = rule;
    const ItemHandle definition = add(standup);
    Schedule& sc = s->schedule();
    sc.recurrences.addEntry(definition, monday + 2);
    NewItem moved = appointmentOn(monday + 3, "Stand-up, late", TimeValue::fromClock(11, 0).value(), 15);
    const ItemHandle exception = add(moved);
    sc.record(exception).setFlag(ItemFlag::fException, true);
    sc.record(exception).setRecur(definition.index);
    sc.record(exception).setCreatedDay(static_cast<std::int16_t>((monday + 3).value()));
    sc.recurrences.addEntry(definition, monday + 3, exception);
    // A 4-4-5 rule has no calendar form: its occurrences go out one by one.
    NewItem payday = itemOn(monday, "Payday", 0, 0);
    payday.record.setKind(ItemKind::memo);
    RecurrenceRecord periods;
    periods.setTypeByte(RecurType::monthly);
    periods.setWeekdayByte(kWeekdayByteFourFourFive);
    periods.setDayMask(1u << 5);  // Friday of the first week
    periods.setInterval(1);
    periods.setStartDay(monday);
    periods.setEndDay(monday + 90);
    payday.recurrence = periods;
    add(payday);

    const std::string first = exported(*s);
    EXPECT_NE(first.find("BYDAY=MO,TU,WE,TH,FR"), std::string::npos) << first;
    EXPECT_NE(first.find("RECURRENCE-ID:"), std::string::npos);
    EXPECT_NE(first.find("EXDATE:"), std::string::npos);
    EXPECT_NE(first.find("BEGIN:VTODO"), std::string::npos);
    EXPECT_NE(first.find("BEGIN:VALARM"), std::string::npos);
    EXPECT_NE(first.find("whose rule has no iCalendar"), std::string::npos);

    TempFolder other;
    writeEmptySchedule(other.path());
    TestSession copy(other.path(), clock);
    ASSERT_TRUE(copy.session->open());
    import(copy, first);
    const std::string second = exported(copy);
    EXPECT_EQ(componentsOf(second), componentsOf(first)) << first << "\n----\n" << second;
}

TEST_F(CalendarFileTest, AFileImportedTwiceUpdatesItsItems)
{
    ScopedVariable zone("TZ", "Europe/Berlin");
    auto s = openSession();
    const std::string file = readText(kData / "weekly-meeting.ics");
    import(*s, file);
    std::string changed = file;
    changed.replace(changed.find("SUMMARY:Weekly review\r\n"), 23, "SUMMARY:Weekly review!\r\n");
    const CalendarImportOutcome again = import(*s, changed);
    EXPECT_EQ(again.updated, 1);
    EXPECT_EQ(count(s->schedule(), "Weekly review"), 0);
    EXPECT_EQ(count(s->schedule(), "Weekly review!"), 1);
    EXPECT_EQ(count(s->schedule(), "Weekly review (moved)"), 1);

    // Its own export, read back into the same schedule, adds nothing.
    const std::size_t before = s->schedule().items.liveCount();
    import(*s, exported(*s));
    EXPECT_EQ(s->schedule().items.liveCount(), before);
}

TEST_F(CalendarFileTest, HostileFilesGiveAMessageAndAddNothing)
{
    auto s = openSession();
    const std::string head = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
    EXPECT_EQ(read(std::string(50u << 20, 'A')).refusal, kCalendarTooLargeText);
    EXPECT_EQ(read(head + "SUMMARY:" + std::string(2u << 20, 'x')).refusal, kCalendarLineTooLongText);
    EXPECT_EQ(read("Subject: not a calendar\r\n").refusal, kCalendarNotReadText);

    // A million daily occurrences end with the last day a schedule holds.
    CalendarRead many = read(head + "BEGIN:VEVENT\r\nUID:m\r\nDTSTART:20231023T090000\r\nDTEND:20231023T093000\r\n"
                                    "RRULE:FREQ=DAILY;COUNT=1000000\r\nSUMMARY:Many\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    ASSERT_EQ(many.entries.size(), 1u);
    ASSERT_TRUE(many.entries[0].item.recurrence);
    EXPECT_EQ(many.entries[0].item.recurrence->endDay(), kLastUsableDay);

    CalendarRead backwards = read(head + "BEGIN:VEVENT\r\nUID:b\r\nDTSTART:20231023T090000\r\n"
                                         "RRULE:FREQ=WEEKLY;UNTIL=20230101T000000\r\nSUMMARY:Backwards\r\n"
                                         "END:VEVENT\r\nEND:VCALENDAR\r\n");
    EXPECT_TRUE(backwards.entries.empty());
    ASSERT_EQ(backwards.notices.size(), 1u);
    EXPECT_EQ(backwards.notices[0], "\"Backwards\" was not imported: its repeat rule ends before it begins");

    // A repeating task dated by its DUE alone has no series to follow.
    CalendarRead dueOnly = read(head + "BEGIN:VTODO\r\nUID:t\r\nDUE:20231027\r\nRRULE:FREQ=DAILY\r\n"
                                       "SUMMARY:Due\r\nEND:VTODO\r\nEND:VCALENDAR\r\n");
    ASSERT_EQ(dueOnly.entries.size(), 1u);
    EXPECT_EQ(dueOnly.entries[0].item.day, date(2023, 10, 27));

    // An hourly rule has no schedule form; its dated items stop at a bound.
    CalendarRead hourly = read(head + "BEGIN:VEVENT\r\nUID:h\r\nDTSTART:20231023T090000\r\n"
                                      "RRULE:FREQ=HOURLY;COUNT=1000000\r\nSUMMARY:Hourly\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    EXPECT_EQ(hourly.entries.size(), static_cast<std::size_t>(kMaxDatedOccurrences));
    EXPECT_EQ(s->schedule().items.liveCount(), 0u);
}

TEST_F(CalendarFileTest, ZkImportsAndExportsCalendarFiles)
{
    TempFolder other;
    writeEmptySchedule(other.path());
    auto zk = [&](const std::string& arguments) {
        return runZk("ZELKON_NOW='2023-10-21 10:00' TZ=Europe/Berlin LC_ALL=C ZELKON_CONFIG_HOME='"
                     + (folder.path() / "config").string() + "' " + ZK_BINARY + " " + arguments);
    };
    const std::string meeting = (kData / "weekly-meeting.ics").string();
    ZkRun imported = zk("import --format ics --folder '" + folder.path().string() + "' '" + meeting + "'");
    EXPECT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(imported.out, "imported id=1\nimported id=2 day=2023-11-03\nimported=2 skipped=0\n");
    ZkRun exported = zk("export --format ics --folder '" + folder.path().string() + "' -o '"
                        + (other.path() / "out.ics").string() + "'");
    EXPECT_EQ(exported.exitCode, 0) << exported.err;
    ZkRun again = zk("import --format ics --folder '" + other.path().string() + "' - < '"
                     + (other.path() / "out.ics").string() + "'");
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.out, imported.out);
    ZkRun refused = zk("import --format ics --folder '" + other.path().string() + "' '" + (kData / "..").string()
                       + "/icalendar_test.cpp'");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, std::string("zk: ") + kCalendarNotReadText + "\n");
}

} // namespace
} // namespace zk
