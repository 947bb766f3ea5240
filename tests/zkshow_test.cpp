// zk show: the days of a schedule written by the data file writer, laid out
// at a fixed clock and printed as the text export writes them or as
// tab-separated lines; compared whole.

#include "buildpaths.h"
#include "engine/plistorder.h"
#include "lockfilesupport.h"
#include "placementscenario.h"
#include "sessionsupport.h"
#include "storage/datafile.h"
#include "zkprocess.h"

#include <gtest/gtest.h>

#include <string>

namespace zk {
namespace {

namespace fs = std::filesystem;

using testing::hm;
using testing::kMonday;
using namespace testsupport;

class ZkShowTest : public ::testing::Test, public testing::Scenario {
protected:

    ItemHandle add(const std::string& text, DayNumber day, int duration, std::uint32_t flags = 0,
                   TimeValue begin = kNoTime)
    {
        ItemHandle h = item(text, duration, flags, begin);
        put(h, day);
        return h;
    }

    fs::path dataFile() const { return root_.path() / "timedata.pak"; }
    void save() { ASSERT_TRUE(saveDataFile(s, dataFile())); }

    ZkRun zk(const std::string& arguments, const std::string& now = "2024-03-04 10:00")
    {
        return runZk("ZELKON_CONFIG_HOME='" + config_.path().string() + "' LC_ALL=C ZELKON_NOW='" + now + "' "
                     + ZK_BINARY + " show --folder '" + root_.path().string() + "' " + arguments);
    }

    // A morning as it looks at 10:00: breakfast done, the dentist missed,
    // work starting now, a long note to the plumber and an idea on hold.
    void buildWeek()
    {
        add("Breakfast meeting", kMonday, 30, ItemFlag::fDone, hm(8));
        add("Dentist", kMonday, 60, ItemFlag::fAnchored, hm(9));
        add("Write report", kMonday, 90);
        add("Lunch with Ann", kMonday, 60, ItemFlag::fAnchored, hm(12, 30));
        add("Call the plumber about the leaking pipe under the kitchen sink and ask for a quote before Friday",
            kMonday, 30);
        add("Ideas", kMonday, 0, ItemFlag::fOnHold);
        add("Team review", kMonday + 1, 45, ItemFlag::fAnchored, hm(14));
        add("Tidy desk", kMonday + 1, 20);
        ItemHandle passport = add("Renew passport", kMonday + 1, 30, ItemFlag::fFloating);
        s.record(passport).setDeadlineDate(static_cast<std::uint16_t>(kMonday.value()));
        addToPlist(s, passport, 1, kMonday);
        save();
    }

    TempFolder root_, config_;
};

TEST_F(ZkShowTest, TextShowsEachDayAsTheExportWritesIt)
{
    buildWeek();
    ZkRun run = zk("--days 3 3/4/24");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "03/04/24 Monday  1/6 undone (4:30) 5:00 free; 1:00 conflicting\n"
              " 8:00a  Breakfast meeting (:30)\n"
              " 8:30a FREE (:30)\n"
              " 9:00a Dentist (1:00)\n"
              "10:00a Write report (1:30)\n"
              "11:30a FREE (1:00)\n"
              "12:30p Lunch with Ann (1:00)\n"
              " 1:30p Call the plumber about the leaking pipe under the kitchen sink\n"
              "and ask for a quote before Friday (:30)\n"
              "  note Ideas\n"
              "\n"
              "03/05/24 Tuesday <+1> 3 items (1:35) 8:25 free; 0:00 conflicting\n"
              " 2:00p Team review (:45)\n"
              " 2:45p Tidy desk (:20)\n"
              " 3:05p Renew passport (:30) [overdue]\n"
              "\n"
              "03/06/24 Wednesday <+2> 10:00 free; 0:00 conflicting\n");
}

TEST_F(ZkShowTest, TsvGivesOneLinePerEntry)
{
    buildWeek();
    ZkRun run = zk("--format tsv --days 3");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
              "2024-03-04\t08:00\t30\t0\t16384\t0x100\t1\t0\tBreakfast meeting\n"
              "2024-03-04\t09:00\t60\t1\t32768\t0x200\t2\t0\tDentist\n"
              "2024-03-04\t10:00\t90\t0\t16384\t0x0\t3\t0\tWrite report\n"
              "2024-03-04\t12:30\t60\t0\t32768\t0x200\t4\t0\tLunch with Ann\n"
              "2024-03-04\t13:30\t30\t0\t16384\t0x0\t5\t0\tCall the plumber about the leaking pipe under the "
              "kitchen sink and ask for a quote before Friday\n"
              "2024-03-04\t\t0\t0\t16384\t0x80\t6\t0\tIdeas\n"
              "2024-03-05\t14:00\t45\t0\t32768\t0x200\t7\t0\tTeam review\n"
              "2024-03-05\t14:45\t20\t0\t16384\t0x0\t8\t0\tTidy desk\n"
              "2024-03-05\t15:05\t30\t0\t16384\t0x20\t9\t0\tRenew passport\n");
}

// The day after the clock's: future days count from the clock's day.
TEST_F(ZkShowTest, TomorrowIsTheDayAfterTheClocks)
{
    buildWeek();
    ZkRun tomorrow = zk("tomorrow", "2024-03-03 22:00");
    EXPECT_EQ(tomorrow.out.substr(0, tomorrow.out.find('\n')),
              "03/04/24 Monday <+1> 6 items (4:30) 5:30 free; 0:00 conflicting");
}

TEST_F(ZkShowTest, ANightOwlDayShowsItsSmallHours)
{
    s.setDayBounds(hm(22), hm(6), kNoItem, kNoItem);
    add("Gig", kMonday, 60, ItemFlag::fAnchored, hm(23));
    add("Mixing", kMonday, 120);
    save();
    ZkRun run = zk("3/4/24", "2024-03-01 15:00");
    EXPECT_EQ(run.out,
              "03/04/24 Monday <+3> 2 items (3:00) 5:00 free; 0:00 conflicting\n"
              "11:00p Gig (1:00)\n"
              "12:00a Mixing (2:00)\n");
}

// Regression: zk show took the calendar's day, so at 1:00 in a night-owl
// window it showed tomorrow while the desktop still showed the evening.
TEST_F(ZkShowTest, InTheSmallHoursOfANightOwlWindowTodayIsTheEvening)
{
    s.setDayBounds(hm(22), hm(6), kNoItem, kNoItem);
    add("Gig", kMonday, 60, ItemFlag::fAnchored, hm(23));
    save();
    ZkRun run = zk("", "2024-03-05 01:00");
    EXPECT_EQ(run.out.substr(0, run.out.find(' ')), "03/04/24") << run.out;
}

TEST_F(ZkShowTest, DaysWithoutRecordPrintOnlyTheirTitle)
{
    save();
    ZkRun text = zk("--days 2");
    EXPECT_EQ(text.out,
              "03/04/24 Monday  8:00 free; 0:00 conflicting\n"
              "\n"
              "03/05/24 Tuesday <+1> 10:00 free; 0:00 conflicting\n");
    EXPECT_EQ(zk("--format tsv --days 2").out, "");
}

// The file holds a record only for the first Monday; every later Monday is
// built as the desktop builds it, its weekly occurrence included.
TEST_F(ZkShowTest, AWeeklyMeetingShowsOnDaysTheFileHoldsNoRecordOf)
{
    ItemHandle meeting = item("Weekly meeting", 60, ItemFlag::fAnchored | ItemFlag::fRecurDef, hm(9));
    RecurrenceRecord rule;
    rule.setTypeByte(RecurType::weekly);
    rule.setInterval(1);
    rule.setWeekdayByte(1u << 1);  // Mondays
    rule.setStartDay(kMonday);
    rule.setRecurringId(7);
    s.recurrences.add(meeting, rule);
    s.record(meeting).setRecur(meeting.index);
    s.addToChain(meeting, DayNumber(kNoDayInChain));
    put(meeting, kMonday);
    ++s.days.find(kMonday)->nRecurEntries;
    save();

    ZkRun run = zk("--format tsv --days 15 3/4/24", "2024-03-04 08:00");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "2024-03-04\t09:00\t60\t0\t32768\t0x600\t1\t0\tWeekly meeting\n"
                       "2024-03-11\t09:00\t60\t0\t32768\t0x600\t1\t0\tWeekly meeting\n"
                       "2024-03-18\t09:00\t60\t0\t32768\t0x600\t1\t0\tWeekly meeting\n");
    const std::string text = zk("3/11/24", "2024-03-04 08:00").out;
    EXPECT_EQ(text.substr(0, text.find('\n') + 1), "03/11/24 Monday <+7> 1 items (1:00) 9:00 free; 0:00 conflicting\n")
        << "not a free day";
}

// The Filter window's stored settings hide in every form; the month grid
// lists each day's first entries under its heading.
TEST_F(ZkShowTest, FilterAndMonthFollowTheStoredSettings)
{
    buildWeek();
    writeText(config_.path() / "Zelkon.ini", "[Zelkon]\nTextFilter=+report\nMonthviewEventsOnly=1\n");
    ZkRun filtered = zk("--filter --format tsv --days 2 3/4/24");
    EXPECT_EQ(filtered.exitCode, 0) << filtered.err;
    EXPECT_EQ(filtered.out, "2024-03-04\t10:00\t90\t0\t16384\t0x0\t3\t0\tWrite report\n");
    ZkRun text = zk("--filter 3/4/24");
    EXPECT_NE(text.out.find("Write report"), std::string::npos);
    EXPECT_EQ(text.out.find("Dentist"), std::string::npos);
    EXPECT_EQ(zk("--format tsv 3/4/24").out.find("Dentist") != std::string::npos, true) << "only with --filter";

    ZkRun month = zk("--month 3/5/24");
    EXPECT_EQ(month.exitCode, 0) << month.err;
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = month.out.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(month.out.substr(at, end - at));
    ASSERT_EQ(lines.size(), 1u + 4 * 6);
    for (const std::string& line : lines)
        EXPECT_EQ(line.size(), 78u) << line;
    EXPECT_EQ(lines[1].substr(0, 23), "|Su 3 Mar  |Mo 4 Mar* |");
    EXPECT_EQ(lines[2].substr(12, 10), "Dentist   ") << "appointments only: the tasks are left out";
    EXPECT_EQ(lines[3].substr(12, 10), "Lunch with");
    EXPECT_EQ(zk("--month --days 2").exitCode, 64);
}

TEST_F(ZkShowTest, ShowingNeverWritesTheSchedule)
{
    buildWeek();
    auto before = fs::last_write_time(dataFile());
    std::string bytes = readText(dataFile());
    EXPECT_EQ(zk("--days 7").exitCode, 0);
    EXPECT_EQ(fs::last_write_time(dataFile()), before);
    EXPECT_EQ(readText(dataFile()), bytes);
    EXPECT_EQ(std::distance(fs::directory_iterator(root_.path()), fs::directory_iterator()), 1) << "no other file";
}

TEST_F(ZkShowTest, UsageErrorsExitWith64AndAMissingScheduleWith1)
{
    ZkRun missing = zk("");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err, "");
    save();
    for (const char* arguments : {"--days 0", "--days x", "--days", "--format xml", "3/4/24 3/5/24", "--colour",
                                  "notadate", "12/31/68 --days 2"}) {
        ZkRun run = zk(arguments);
        EXPECT_EQ(run.exitCode, 64) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_EQ(run.err.rfind("zk: ", 0), 0u) << arguments << ": " << run.err;
    }
    EXPECT_EQ(zk("--help").out.rfind("usage: zk show", 0), 0u);
    EXPECT_EQ(zk("-- 3/5/24").exitCode, 0);
}

} // namespace
} // namespace zk
