// zk show on a file loading takes as it is stored reads only the days it
// shows; what it prints, on either stream, and how it ends, must be byte
// for byte what it gives after loading the whole file. The same schedule
// is written twice: as stored, and with a text length in the template,
// which loading clears and the stored-bytes reader refuses, so that zk
// show loads that copy whole. Files the partial way must decline are shown
// as the whole load shows them.

#include "buildpaths.h"
#include "core/bytes.h"
#include "placementscenario.h"
#include "sessionsupport.h"
#include "storage/datafile.h"
#include "storage/scramble.h"
#include "storage/shownschedule.h"
#include "storage/storeddatafile.h"
#include "zkprocess.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zk {
namespace {

namespace fs = std::filesystem;

using testing::hm;
using testing::kMonday;
using namespace testsupport;

const FixedClock kClock{LocalMoment{2024, 3, 4, 10, 0, 0}};

class PartialShowTest : public ::testing::Test, public testing::Scenario {
protected:
    PartialShowTest() { s.header.setLastPastDay(kMonday - 1); }

    ItemHandle add(const std::string& text, DayNumber day, int duration, std::uint32_t flags = 0,
                   TimeValue begin = kNoTime)
    {
        ItemHandle h = item(text, duration, flags, begin);
        put(h, day);
        return h;
    }
    ItemHandle toDo(const std::string& text, DayNumber day, int duration, char letter, DayNumber due)
    {
        ItemHandle h = add(text, day, duration, ItemFlag::fFloating);
        s.record(h).setPriorityLetter(static_cast<std::uint8_t>(letter));
        s.record(h).setDeadlineDate(static_cast<std::uint16_t>(due.value()));
        addToPlist(s, h, s.plist.classCount(static_cast<std::uint8_t>(letter)) + 1, kMonday);
        return h;
    }

    // A fortnight as it looks on Monday morning: a done breakfast, two
    // appointments over each other, the day's first and last items, gaps,
    // to-dos with deadlines and letters, notes and memos, a started piece
    // of work, days without a record and one far ahead.
    void buildFortnight()
    {
        add("Wind down", kMonday, 30, ItemFlag::fLastOfDay);
        add("Breakfast meeting", kMonday, 30, ItemFlag::fDone | ItemFlag::fAnchored, hm(8));
        add("Dentist", kMonday, 60, ItemFlag::fAnchored, hm(9));
        add("Standup", kMonday, 30, ItemFlag::fAnchored, hm(9, 30));
        toDo("Write report", kMonday, 90, 'A', kMonday + 2);
        add("Lunch with Ann", kMonday, 60, ItemFlag::fAnchored, hm(12, 30));
        add("Call the plumber about the leaking pipe under the kitchen sink and ask for a quote before Friday",
            kMonday, 30);
        add("Ideas", kMonday, 0, ItemFlag::fOnHold);
        add("Morning pages", kMonday, 20, ItemFlag::fFirstOfDay);
        ItemHandle memo = add("Parking\tlevel 3", kMonday, 0);
        s.record(memo).setKind(ItemKind::memo);
        add("Team review", kMonday + 1, 45, ItemFlag::fAnchored | ItemFlag::fAlarm, hm(14));
        add("Café with Bea", kMonday + 1, 30, ItemFlag::fStarted, hm(13));
        toDo("Renew passport", kMonday + 1, 30, 'C', kMonday);
        toDo("File taxes", kMonday + 4, 240, 'B', kMonday + 4);
        toDo("Sort photos", kMonday + 4, 600, 'B', kMonday + 20);
        add("Key date", kMonday + 4, 0, ItemFlag::fKey | ItemFlag::fAnchored, hm(11));
        for (int i = 0; i < 7; ++i)
            add("Slot " + std::to_string(i), kMonday + 7, 25, ItemFlag::fAnchored, hm(9 + i));
        add("Far ahead", kMonday + 40, 60, ItemFlag::fAnchored, hm(16));
        ItemHandle someday = s.newItem();
        s.setDescription(someday, "Someday: learn the cello");
        s.itemId(someday);
        s.globalList.push_back(someday);
    }

    // The schedule in `name`/timedata.pak as stored, or with the template's
    // text length set so that only the whole load takes it.
    fs::path write(const std::string& name, bool declined = false)
    {
        std::vector<std::uint8_t> bytes;
        EXPECT_TRUE(saveDataBytes(s, bytes));
        if (declined) {  // outside the header parity
            std::uint8_t* stored = bytes.data() + ScheduleHeader::kSize;
            scrambleUnit(stored, 4);
            bytes::putU32(stored, 12);
            scrambleUnit(stored, 4);
        }
        fs::create_directories(root_.path() / name);
        writeText(root_.path() / name / "timedata.pak", std::string(bytes.begin(), bytes.end()));
        return root_.path() / name / "timedata.pak";
    }

    ZkRun zk(const std::string& name, const std::string& arguments, const std::string& now = "2024-03-04 10:00")
    {
        return runZk("ZELKON_CONFIG_HOME='" + config_.path().string() + "' LC_ALL=C ZELKON_NOW='" + now + "' "
                     + ZK_BINARY + " show --folder '" + (root_.path() / name).string() + "' " + arguments);
    }

    // zk show on the copy read partly and on the one loaded whole: the exit
    // code, which both give.
    int sameBothWays(const std::string& words, const std::string& now)
    {
        ZkRun a = zk("partly", words, now), b = zk("whole", words, now);
        EXPECT_EQ(a.exitCode, b.exitCode) << words << " at " << now;
        EXPECT_EQ(a.out, b.out) << words << " at " << now;
        EXPECT_EQ(withoutFolder(a.err, "partly"), withoutFolder(b.err, "whole")) << words << " at " << now;
        return a.exitCode;
    }

    // Messages name the folder.
    std::string withoutFolder(std::string text, const std::string& name) const
    {
        const std::string folder = (root_.path() / name).string();
        for (std::size_t at; (at = text.find(folder)) != std::string::npos;)
            text.replace(at, folder.size(), "FOLDER");
        return text;
    }

    static ShownSchedule shown(const fs::path& file, std::vector<DayNumber> days)
    {
        LoadOptions options;
        options.clock = &kClock;
        return loadForShowing(file, options, [&days](const Schedule&) { return days; });
    }

    TempFolder root_, config_;
};

TEST_F(PartialShowTest, EveryFormShowsWhatTheWholeLoadShows)
{
    buildFortnight();
    const fs::path partly = write("partly"), whole = write("whole", true);
    ASSERT_TRUE(StoredDataFile::read(partly));
    ASSERT_FALSE(StoredDataFile::read(whole));
    ShownSchedule held = shown(partly, {kMonday, kMonday + 2});
    ASSERT_TRUE(held.loaded);
    EXPECT_TRUE(held.partial);
    EXPECT_EQ(held.loaded.schedule->days.size(), 1u) << "only the stored day asked for";
    EXPECT_FALSE(shown(whole, {kMonday}).partial);

    const std::vector<std::string> arguments = {
        "", "--days 7", "--format tsv --days 14", "--days 3 3/8/24", "--month", "--month 3/20/24", "--filter --days 7",
        "--filter --format tsv --days 7", "--filter --month", "4/13/24", "--format tsv --days 50",
        // Refused, or past days from their archives: the whole way, and the same words.
        "notadate", "12/31/68 --days 2", "--month 12/31/68", "--days 3 3/2/24",
    };
    int ok = 0;
    for (const char* now : {"2024-03-04 10:00", "2024-03-05 13:15", "2024-03-08 23:30"})
        for (const std::string& words : arguments)
            ok += sameBothWays(words, now) == 0;
    EXPECT_EQ(ok, 3 * 12) << "all but three refused";
    // The stored filters and the month view's settings.
    for (const char* ini : {"[Zelkon]\nTextFilter=-lunch\nMinLenFilter=1\nMinLenFilterLen=30\nWeekStartsMon=1\n"
                            "MonthviewBeginTimes=1\nMonthviewDaysSpans=1\n",
                            "[Zelkon]\nPresentFilter=1\nEnableHideDoneItems=1\nMonthviewEventsOnly=1\n"}) {
        writeText(config_.path() / "Zelkon.ini", ini);
        for (const char* now : {"2024-03-04 10:00", "2024-03-05 13:15"})
            for (const char* words : {"--month", "--filter --days 7", "--filter --format tsv --days 7", "--filter --month"})
                EXPECT_EQ(sameBothWays(words, now), 0) << ini;
    }

    // In the small hours of a night-owl window today is still the evening
    // before, read from the header alone.
    ASSERT_EQ(s.setDayBounds(hm(22), hm(6), kNoItem, kNoItem), "");
    write("partly");
    write("whole", true);
    ASSERT_TRUE(StoredDataFile::read(partly));
    for (const char* words : {"", "--days 2 --format tsv", "tomorrow", "--month"})
        EXPECT_EQ(sameBothWays(words, "2024-03-05 01:00"), 0) << words;
}

TEST_F(PartialShowTest, FilesThePartialWayDeclinesAreShownFromTheWholeLoad)
{
    // A day record without entries goes with the purge that making a day
    // the file lacks brings: only days the file holds are read alone.
    ItemHandle lunch = add("Lunch", kMonday, 60, ItemFlag::fAnchored, hm(12));
    s.getDay(kMonday + 3);
    const fs::path emptyDay = write("emptyday");
    write("emptydaywhole", true);
    EXPECT_TRUE(shown(emptyDay, {kMonday, kMonday + 3}).partial);
    EXPECT_FALSE(shown(emptyDay, {kMonday, kMonday + 1}).partial);
    for (const char* words : {"--days 4", "--month", "--days 1 3/7/24"}) {
        ZkRun a = zk("emptyday", words), b = zk("emptydaywhole", words);
        EXPECT_EQ(a.exitCode, 0) << words;
        EXPECT_EQ(a.out, b.out) << words;
    }

    // A text written in the old single-byte encoding is converted on loading.
    s.setDescription(lunch, "Caf\xE9 with Bea");
    const fs::path converted = write("converted");
    EXPECT_FALSE(shown(converted, {kMonday}).partial);
    ZkRun run = zk("converted", "");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("12:00p Caf\xC3\xA9 with Bea (1:00)"), std::string::npos) << run.out;

    // The next item id behind one in use: loading repairs it, and says so.
    s.setDescription(lunch, "Lunch");
    s.record(lunch).setId(9);
    s.noteIdChanged();
    s.header.setNextItemId(1);
    const fs::path repaired = write("repaired");
    EXPECT_FALSE(shown(repaired, {kMonday}).partial);
    ZkRun told = zk("repaired", "");
    EXPECT_EQ(told.exitCode, 0);
    EXPECT_NE(told.err.find("Data file repaired: the next item id was 1"), std::string::npos) << told.err;
    EXPECT_NE(told.out.find("Lunch"), std::string::npos);

    // A meeting every working day: its occurrences go on days the file has
    // no record of.
    s.header.setNextItemId(10);
    ScheduleMaker make(s);
    s.header.setLastPastDay(kMonday - 1);
    make.occurrence(make.definition("Standup"), kMonday, hm(9).value());
    const fs::path recurring = write("recurring");
    EXPECT_FALSE(shown(recurring, {kMonday + 8}).partial);
    EXPECT_NE(zk("recurring", "--format tsv 3/12/24").out.find("\tStandup\n"), std::string::npos);
}

} // namespace
} // namespace zk
