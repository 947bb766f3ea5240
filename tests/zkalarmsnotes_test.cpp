// zk alarms and zk note, run as the built program: a day's alarms in ring
// order, and a note written, read back, and refused while another process
// holds its lock.

#include "buildpaths.h"
#include "sessionsupport.h"
#include "zkprocess.h"

#include "core/scheduleheader.h"
#include "worktools/model/alarms.h"
#include "worktools/model/notes.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

class ZkAlarmsNotesTest : public SessionFixture {
protected:
    std::string command(const std::string& arguments) const
    {
        return "ZELKON_NOW='2023-10-21 10:00' LC_ALL=C ZELKON_CONFIG_HOME='" + folder.path().string() + "' " +
               ZK_BINARY + " " + arguments + " --folder '" + folder.path().string() + "'";
    }
    ZkRun zk(const std::string& arguments) { return ZkProcess(command(arguments)).finish(); }

    std::uint32_t addItem(const std::string& text, int begin, int minutesBefore, bool fromEnd = false)
    {
        auto writer = openSession();
        NewItem item = itemOn(kSessionToday, text, begin);
        if (minutesBefore >= 0) {
            AlarmSettings alarm;
            alarm.minutes = minutesBefore;
            alarm.fromEnd = fromEnd;
            applyAlarmSettings(item.record, alarm);
        }
        AddResult added = writer->session->addItem(std::move(item));
        EXPECT_TRUE(writer->session->save().ok());
        return writer->schedule().record(added.item).id();
    }
};

TEST_F(ZkAlarmsNotesTest, AlarmsOfTheDayInRingOrder)
{
    const std::uint32_t review = addItem("Review", TimeValue::fromClock(15, 0).value(), 30, true);
    const std::uint32_t standup = addItem("Standup", TimeValue::fromClock(9, 0).value(), 10);
    addItem("No alarm", TimeValue::fromClock(11, 0).value(), -1);
    ZkRun run = zk("alarms");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "08:50 id=" + std::to_string(standup) + " when=begin offset=-10 repeat=0 Standup\n"
                       "15:00 id=" + std::to_string(review) + " when=end offset=-30 repeat=0 Review\n");
    EXPECT_EQ(zk("alarms 10/22/23").out, "");
    EXPECT_EQ(zk("alarms nonsense").exitCode, 64);
}

TEST_F(ZkAlarmsNotesTest, NoteWrittenReadAndRefusedWhileLocked)
{
    const std::uint32_t id = addItem("Contract", TimeValue::fromClock(14, 0).value(), -1);
    const std::string item = std::to_string(id);
    EXPECT_EQ(zk("note " + item + " --info").out, "Item " + item + " has no note\n");
    ZkRun set = zk("note " + item + " --set 'Bring the signed copy.'");
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(zk("note " + item).out, "Bring the signed copy.");
    const std::string info = zk("note " + item + " --info").out;
    EXPECT_NE(info.find("...  is on disk."), std::string::npos) << info;

    auto reader = openSession();
    ItemHandle h = reader->schedule().findItemById(id);
    ASSERT_TRUE(h);
    EXPECT_TRUE(reader->schedule().record(h).has(ItemFlag::fHasNotes));
    const NoteFiles files(folder.path(), notePrefix(reader->schedule().header));
    const std::uint32_t number = reader->schedule().record(h).refNo();

    // Another process has the note open: exit 2, the note unchanged.
    LinuxLockFileSystem lockFiles;
    NoteLock::Taken held = NoteLock::take(lockFiles, files, number);
    ASSERT_TRUE(held.lock);
    ZkRun refused = zk("note " + item + " --set 'Overwritten'");
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err, std::string("zk: ") + kNoteInUseText + "\n");
    EXPECT_EQ(readNote(files.note(number)).text, "Bring the signed copy.");
    ASSERT_TRUE(held.lock->release());

    EXPECT_EQ(zk("note 999999").exitCode, 1);
    EXPECT_EQ(zk("note x").exitCode, 64);
}

} // namespace
} // namespace zk
