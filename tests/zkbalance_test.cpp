// zk balance, zk conflicts and zk why on real schedule folders: the sample
// schedule balanced after lunch, the second run of a day, and the lines a
// script reads about conflicts and about why an item is where it is.

#include "buildpaths.h"
#include "engine/daylayout.h"
#include "engine/plistorder.h"
#include "lockfilesupport.h"
#include "placementscenario.h"
#include "sessionsupport.h"
#include "storage/datafile.h"
#include "zkprocess.h"

#include <gtest/gtest.h>

#include <unordered_map>

namespace zk {
namespace {

namespace fs = std::filesystem;

using testing::hm;
using testing::kMonday;
using namespace testsupport;

class ZkBalanceTest : public ::testing::Test {
protected:
    fs::path dataFile() const { return root_.path() / "timedata.pak"; }

    ZkRun zk(const std::string& arguments, const std::string& now)
    {
        return runZk("ZELKON_CONFIG_HOME='" + config_.path().string() + "' LC_ALL=C ZELKON_NOW='" + now + "' "
                     + ZK_BINARY + " " + arguments + " --folder '" + root_.path().string() + "'");
    }

    // The sample schedule as a first start makes it, on Monday 11 March 2024.
    void makeSample()
    {
        FixedClock clock(LocalMoment{2024, 3, 11, 8, 0, 0});
        ScriptedPresenter presenter(Answer::Yes);
        Messages messages(presenter);
        SessionSettings settings;
        settings.folder = root_.path();
        settings.userName = "tester";
        settings.pathGiven = PathGiven::No;
        settings.programFolder = ZELKON_RESOURCE_DIR;
        Session session(std::move(settings), clock, messages);
        ASSERT_TRUE(session.open());
        ASSERT_TRUE(session.sampleData());
        ASSERT_TRUE(session.obtainChangeAccess(std::chrono::seconds(0)));
        session.schedule().dirty = true;
        ASSERT_TRUE(session.save().ok());
    }

    std::unique_ptr<Schedule> load(const LocalMoment& at)
    {
        clock_ = std::make_unique<FixedClock>(at);
        LoadOptions options;
        options.clock = clock_.get();
        LoadResult loaded = loadDataFile(dataFile(), options);
        EXPECT_TRUE(loaded) << loaded.failureText;
        return std::move(loaded.schedule);
    }

    TempFolder root_, config_;
    std::unique_ptr<FixedClock> clock_;
};

// After lunch on the sample's Monday every floating task lies in free time
// from now on, none over an appointment, and a task never lies after a
// later task of its size or smaller.
TEST_F(ZkBalanceTest, TheSampleDayAfterLunchIsBalanced)
{
    makeSample();
    ZkRun run = zk("balance", "2024-03-11 13:30");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "balanced placed=9 unplaced=0 mode=full\n");

    const LocalMoment afterLunch{2024, 3, 11, 13, 30, 0};
    std::unique_ptr<Schedule> s = load(afterLunch);
    const DayNumber today(16142);
    const PlacementContext context{today, TimeValue::fromClock(13, 30)};
    std::unordered_map<ItemHandle, std::pair<int, int>, ItemHandleHash> placedAt;  // day, start
    for (DayNumber day = today; day < today + 14; ++day) {
        DayRecord* record = openDayForDisplay(*s, day, context);
        ASSERT_NE(record, nullptr);
        for (const DayEntry& e : record->entries()) {
            const ItemRecord& r = s->record(e.item);
            if (!r.has(ItemFlag::fFloating))
                continue;
            placedAt.emplace(e.item, std::pair{day.value(), e.startTime().value()});
            EXPECT_FALSE(e.conflicting()) << s->storedDescription(e.item);
            if (day == today) {
                EXPECT_GE(e.startTime(), context.now) << s->storedDescription(e.item);
            }
            for (const DayEntry& other : record->entries()) {
                if (!s->record(other.item).has(ItemFlag::fAnchored) || other.placedMinutes == 0)
                    continue;
                int overlap = std::min(e.startTime().value() + e.placedMinutes,
                                       other.startTime().value() + other.placedMinutes)
                              - std::max(e.startTime().value(), other.startTime().value());
                EXPECT_LE(overlap, 0) << s->storedDescription(e.item) << " over " << s->storedDescription(other.item);
            }
        }
    }
    std::vector<ItemHandle> order;
    for (PlistEntryHandle e : s->plist)
        order.push_back(s->plist.entry(e).item);
    ASSERT_EQ(order.size(), 9u);
    for (std::size_t i = 0; i < order.size(); ++i)
        for (std::size_t j = i + 1; j < order.size(); ++j) {
            const ItemRecord& a = s->record(order[i]);
            const ItemRecord& b = s->record(order[j]);
            if (a.has(ItemFlag::fSplit) || b.has(ItemFlag::fSplit) || b.duration() < a.duration())
                continue;
            EXPECT_LE(placedAt.at(order[i]), placedAt.at(order[j]))
                << s->storedDescription(order[i]) << " before " << s->storedDescription(order[j]);
        }
}

TEST_F(ZkBalanceTest, TheSecondRunOfADayIsQuickUnlessFull)
{
    makeSample();
    EXPECT_EQ(zk("balance", "2024-03-11 13:30").out, "balanced placed=9 unplaced=0 mode=full\n");
    EXPECT_EQ(zk("balance", "2024-03-11 14:00").out, "balanced placed=9 unplaced=0 mode=quick\n");
    EXPECT_EQ(zk("balance --full", "2024-03-11 14:00").out, "balanced placed=9 unplaced=0 mode=full\n");
    ZkRun usage = zk("balance extra", "2024-03-11 14:00");
    EXPECT_EQ(usage.exitCode, 64);
    // The next morning Monday's appointments are past and not checked off.
    ZkRun refused = zk("balance", "2024-03-12 09:00");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find("zk carry-over"), std::string::npos) << refused.err;
}

class ZkConflictsTest : public ZkBalanceTest, public testing::Scenario {
protected:
    // Monday 4 March 2024: a dentist (id 1) and a call (id 2) overlapping by
    // half an hour, lunch (id 3) touching the call, a task (id 4).
    void build()
    {
        put(appointment("Dentist", hm(9), 60), kMonday);
        put(appointment("Call", hm(9, 30), 60), kMonday);
        put(appointment("Lunch", hm(10, 30), 60), kMonday);
        ItemHandle task = this->task("Report", 45);
        s.record(task).setPriorityLetter('A');
        addToPlist(s, task, 1, kMonday);
        put(task, kMonday + 1);
        ASSERT_TRUE(saveDataFile(s, dataFile()));
    }
};

TEST_F(ZkConflictsTest, EachOverlapIsOneLineAndAnyMakesTheExitOne)
{
    build();
    ZkRun all = zk("conflicts", "2024-03-04 08:00");
    EXPECT_EQ(all.exitCode, 1) << all.err;
    EXPECT_EQ(all.out, "conflict id=2 with=1 day=2024-03-04 minutes=30\n") << "once for the pair";
    ZkRun one = zk("conflicts 1", "2024-03-04 08:00");
    EXPECT_EQ(one.out, "conflict id=1 with=2 day=2024-03-04 minutes=30\n");
    ZkRun lunch = zk("conflicts 3", "2024-03-04 08:00");
    EXPECT_EQ(lunch.exitCode, 0);
    EXPECT_EQ(lunch.out, "");
    ZkRun task = zk("conflicts 4", "2024-03-04 08:00");
    EXPECT_EQ(task.exitCode, 0);
    EXPECT_NE(task.err, "") << "a task has no conflict check: it says so";
    EXPECT_EQ(zk("conflicts 99", "2024-03-04 08:00").exitCode, 1);
    EXPECT_EQ(zk("conflicts x", "2024-03-04 08:00").exitCode, 64);
    EXPECT_EQ(zk("conflicts", "2024-03-05 08:00").exitCode, 0) << "from today on";
}

TEST_F(ZkConflictsTest, WhyTellsTheEarliestDayAndEachDaySkipped)
{
    build();
    ZkRun run = zk("why 4", "2024-03-04 08:00");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
              "id=4\n"
              "text=Report\n"
              "day=2024-03-05\n"
              "start=08:00\n"
              "floating=1\n"
              "earliest=2024-03-04 by=today\n"
              "latest=none\n"
              "skipped day=2024-03-04 reason=has-room\n"
              "conflicting=0\n");
    ZkRun dentist = zk("why 1", "2024-03-04 08:00");
    EXPECT_NE(dentist.out.find("floating=0\n"), std::string::npos);
    EXPECT_NE(dentist.out.find("conflict with=2 day=2024-03-04 minutes=30\n"), std::string::npos);
    EXPECT_EQ(zk("why", "2024-03-04 08:00").exitCode, 64);
    EXPECT_EQ(zk("why 12", "2024-03-04 08:00").exitCode, 1);
}

} // namespace
} // namespace zk
