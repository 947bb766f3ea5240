// Workgroup users: the user list and its folders, the schedules made and
// moved for them, the recent schedules, and the passwords of a schedule.

#include "lockfilesupport.h"
#include "sessionsupport.h"
#include "platform/clock.h"
#include "sharing/workgroup.h"
#include "core/schedule.h"
#include "storage/datafile.h"

#include <gtest/gtest.h>

#include <fstream>

namespace zk {
namespace {

namespace fs = std::filesystem;
using testsupport::TempFolder;
using testsupport::readText;
using testsupport::writeText;

bool noTemporaryIn(const fs::path& folder)
{
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.path().extension() == ".tmp")
            return false;
    return true;
}

class WorkgroupTest : public ::testing::Test {
protected:
    TempFolder server;
    Workgroup group{server.path()};
    FixedClock clock{LocalMoment{2026, 12, 7, 9, 30, 0}};
};

TEST_F(WorkgroupTest, TheUserListNamesFoldersAndSkipsWhatIsNoEntry)
{
    const fs::path shared = server.path() / "ZK";
    writeText(group.userList(), "Ann-Marie O'Neil\r\n"
                                "bob = /srv/home/bob\n"
                                "   \n"
                                "= /nobody\n"
                                "Carol\tteam/carol\t5\n"
                                "Dave = /data/my data\n"
                                + std::string(300, 'x') + "\n"
                                "ann-marie o'neil\n"
                                "Bob\n"
                                "bad\xff\n"
                                "Eve");
    EXPECT_EQ(group.userList(), shared / "user.lst");
    EXPECT_EQ(group.names(), (std::vector<std::string>{"Ann-Marie O'Neil", "bob", "Carol", "Dave",
                                                        "ann-marie o'neil", "Bob", "Eve"}))
        << "empty names, an over-long line and bytes that are no text are no entries; a name differing in case is "
           "another list entry";

    EXPECT_EQ(group.lookUp("ANN-MARIE O'NEIL"), shared / "AnnMarie ONeil" / "");
    EXPECT_EQ(group.lookUp(" Bob "), fs::path("/srv/home/bob/")) << "the first line of a name counts";
    EXPECT_EQ(group.lookUp("carol"), shared / "team" / "carol" / "") << "a relative folder counts from the shared one";
    EXPECT_EQ(group.lookUp("Dave"), fs::path("/data/my data/")) << "a folder may hold blanks";
    EXPECT_EQ(group.lookUp("Eve"), shared / "Eve" / "") << "the last line needs no line end";
    EXPECT_EQ(group.lookUp("Frank"), std::nullopt);
    EXPECT_EQ(Workgroup{fs::path()}.lookUp("Ann-Marie O'Neil"), std::nullopt) << "no server folder, no list";
    // Saving the names of the list keeps each member's own folder.
    ASSERT_EQ(writeUserList(group.userList(), {"Eve", "bob", "Zed"}), 0);
    EXPECT_EQ(readText(group.userList()), "Eve\nbob = /srv/home/bob\nZed\n");
    fs::remove(group.userList());
    EXPECT_EQ(group.lookUp("Eve"), std::nullopt);
    EXPECT_TRUE(group.names().empty());

    // Written whole, through a temporary file.
    ASSERT_EQ(writeNameList(group.userList(), {"Ann", "Bob"}), 0);
    EXPECT_EQ(readText(group.userList()), "Ann\nBob\n");
    EXPECT_TRUE(noTemporaryIn(server.path()));
    EXPECT_NE(writeNameList(server.path() / "missing" / "user.lst", {"Ann"}), 0);

    // The server folder as typed.
    EXPECT_EQ(normaliseServerFolder(server.path().string() + "/"), server.path());
    EXPECT_EQ(normaliseServerFolder(""), std::nullopt);
    EXPECT_EQ(normaliseServerFolder("relative/folder"), std::nullopt);
    EXPECT_EQ(normaliseServerFolder((server.path() / "absent").string()), std::nullopt);
    EXPECT_EQ(normaliseServerFolder("/" + std::string(40, 'a')), std::nullopt) << "longer than the setting keeps";
}

TEST_F(WorkgroupTest, SchedulesAreCreatedForNamesAndFollowARename)
{
    const fs::path bob = group.defaultFolder("bob");
    std::string problem;
    ASSERT_TRUE(createSchedule(bob, "bob", clock, &problem)) << problem;
    EXPECT_FALSE(createSchedule(bob, "bob", clock)) << "an existing folder is left alone";
    LoadResult loaded = loadDataFile(bob / "timedata.pak");
    ASSERT_TRUE(loaded.schedule) << loaded.failureText;
    EXPECT_EQ(headerUserName(loaded.schedule->header), "bob");
    EXPECT_FALSE(headerPasswords(loaded.schedule->header).any());
    EXPECT_TRUE(noTemporaryIn(server.path()));

    writeText(bob / "status.tbl", "statuses");
    writeText(bob / "NOTES" / "abc1.txt", "a note");
    writeText(bob / "timedata.x26", "archive");
    writeText(bob / "unrelated.doc", "not the schedule's");
    auto idle = [](const fs::path&) { return false; };

    // A change of letter case renames the folder in place.
    const fs::path Bob = group.defaultFolder("Bob");
    EXPECT_EQ(moveScheduleFolder(bob, Bob, idle), FolderMove::Renamed);
    EXPECT_TRUE(fs::exists(Bob / "timedata.pak"));
    EXPECT_FALSE(fs::exists(bob));

    // Another name copies the schedule's files and leaves the old folder.
    const fs::path robert = group.defaultFolder("Robert");
    EXPECT_EQ(moveScheduleFolder(Bob, robert, [](const fs::path&) { return true; }), FolderMove::InUse);
    EXPECT_FALSE(fs::exists(robert));
    EXPECT_EQ(moveScheduleFolder(Bob, robert, idle), FolderMove::Moved);
    for (const char* name : {"timedata.pak", "status.tbl", "NOTES/abc1.txt", "timedata.x26"})
        EXPECT_EQ(readText(robert / name), readText(Bob / name)) << name;
    EXPECT_FALSE(fs::exists(robert / "unrelated.doc"));
    EXPECT_TRUE(fs::exists(Bob / "timedata.pak"));
    EXPECT_TRUE(noTemporaryIn(server.path()));
    EXPECT_EQ(moveScheduleFolder(group.defaultFolder("nobody"), robert, idle), FolderMove::OldMissing);
    EXPECT_EQ(folderMoveText(FolderMove::OldMissing, robert), "old path does not exist");
}

TEST_F(WorkgroupTest, TheRecentSchedulesKeepTheNewestOfEachFolderAndOfferWhatIsNotOpen)
{
    TempFolder config;
    const fs::path list = config.path() / kRecentSchedulesName;
    writeText(group.userList(), "Ann\nBob = /srv/bob\n");
    ASSERT_EQ(recordRecentSchedule(list, "me", "/home/me/Zelkon", group.userList()), 0);
    EXPECT_EQ(readText(list), "me = /home/me/Zelkon\nAnn\nBob = /srv/bob\n") << "a first list starts from the user list";

    ASSERT_EQ(recordRecentSchedule(list, "Bob", "/srv/bob/"), 0);
    EXPECT_EQ(readText(list), "Bob = /srv/bob/\nme = /home/me/Zelkon\nAnn\n") << "one line per folder, the newest first";

    for (int i = 0; i < 25; ++i)
        ASSERT_EQ(recordRecentSchedule(list, "u" + std::to_string(i), "/srv/u" + std::to_string(i)), 0);
    std::vector<RecentSchedule> lines = readRecentSchedules(list);
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines.front().name, "u24");
    EXPECT_EQ(lines.front().folder, "/srv/u24");

    // The menu leaves out this session's own schedule and those open elsewhere.
    std::vector<RecentSchedule> many;
    for (int i = 0; i < 25; ++i)
        many.push_back({"u" + std::to_string(i), "/srv/u" + std::to_string(i)});
    many.push_back({"Ann", ""});
    auto running = [](const fs::path& dataFile) { return dataFile == fs::path("/srv/u3/timedata.pak"); };
    std::vector<RecentEntry> menu = recentMenuEntries(many, group, "/srv/u0/timedata.pak", running);
    ASSERT_EQ(menu.size(), 20u);
    EXPECT_EQ(menu[0].caption, "u1");
    EXPECT_EQ(menu[0].dataFile, fs::path("/srv/u1/timedata.pak"));
    EXPECT_EQ(menu[2].caption, "u4");
    std::vector<RecentEntry> named = recentMenuEntries({{"Ann", ""}}, group, "/srv/u0/timedata.pak", nullptr);
    ASSERT_EQ(named.size(), 1u);
    EXPECT_EQ(named[0].dataFile, server.path() / "ZK" / "Ann" / "timedata.pak");
}

TEST(WorkgroupPasswords, GrantTheHighestLevelTheEnteredTextMatchesAndSurviveASave)
{
    ScheduleHeader header = ScheduleHeader::emptySchedule();
    header.bytes()[21] = 0x5A;
    header.bytes()[80] = 0xA5;
    setHeaderUserName(header, "  J. Smith  ");
    setHeaderPasswords(header, {"Owner123", "", "look"});
    EXPECT_EQ(headerUserName(header), "J. Smith");
    EXPECT_EQ(header.bytes()[21], 0x5A) << "the neighbours of the fields stay";
    EXPECT_EQ(header.bytes()[80], 0xA5);

    const Passwords stored = headerPasswords(header);
    EXPECT_EQ(stored, (Passwords{"Owner123", "", "look"}));
    EXPECT_EQ(accessLevelFor(stored, "owner123"), AccessLevel::Total) << "without regard to case";
    EXPECT_EQ(accessLevelFor(stored, "LOOK"), AccessLevel::View);
    EXPECT_EQ(accessLevelFor(stored, ""), AccessLevel::None) << "an empty stored password never matches";
    EXPECT_EQ(accessLevelFor(stored, "Owner12"), AccessLevel::None);
    EXPECT_EQ(accessLevelFor(stored, "Owner1234"), AccessLevel::None) << "no prefix of a longer text matches";
    EXPECT_EQ(permissionsOf(AccessLevel::View), (Permissions{true, false, false}));
    EXPECT_EQ(permissionsOf(AccessLevel::Modify), (Permissions{true, true, false}));
    EXPECT_EQ(permissionsOf(AccessLevel::Total), (Permissions{true, true, true}));
    EXPECT_STREQ(accessLevelText(AccessLevel::Modify), "Modify Permission");

    // Eight bytes at most, cut on a character boundary; a long name too.
    setHeaderPasswords(header, {"123456789", "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9", ""});
    EXPECT_EQ(headerPasswords(header).owner, "12345678");
    EXPECT_EQ(headerPasswords(header).modify, "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9");
    setHeaderUserName(header, std::string(40, 'n'));
    EXPECT_EQ(headerUserName(header), std::string(30, 'n'));

    FixedClock clock{LocalMoment{2026, 12, 7, 9, 30, 0}};
    Schedule schedule;
    schedule.setClock(&clock);
    schedule.header = header;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(saveDataBytes(schedule, bytes));
    LoadResult loaded = loadDataBytes(bytes);
    ASSERT_TRUE(loaded.schedule) << loaded.failureText;
    EXPECT_EQ(headerPasswords(loaded.schedule->header), headerPasswords(header));
    EXPECT_EQ(headerUserName(loaded.schedule->header), std::string(30, 'n'));
}

} // namespace
} // namespace zk
