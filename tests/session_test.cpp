// The session on a schedule folder: opening with recovery, waiting for
// change access, bringing in what another session saved before changing,
// saving and closing.

#include "sessionsupport.h"

#include <gtest/gtest.h>

#include <set>

namespace zk {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

class SessionTest : public SessionFixture {
protected:
    std::set<std::string> folderFiles() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder.path()))
            names.insert(entry.path().filename().string());
        return names;
    }
    std::vector<std::string> texts(Schedule& s)
    {
        std::vector<std::string> out;
        for (ItemHandle h : s.chain)
            out.push_back(s.storedDescription(h));
        return out;
    }
};

TEST_F(SessionTest, ADamagedDataFileIsReplacedByItsBackupOnlyWhenTheUserSaysSo)
{
    {
        auto s = openSession();
        ASSERT_EQ(s->session->loadStatus(), ScheduleLoadStatus::Loaded);
        ASSERT_EQ(s->session->addItem(itemOn(kSessionToday, "kept", 661)).status, AddStatus::Added);
        ASSERT_TRUE(s->session->save().ok());
        ASSERT_EQ(s->session->addItem(itemOn(kSessionToday, "newest", 721)).status, AddStatus::Added);
        ASSERT_TRUE(s->session->save().ok());
    }
    writeText(file("timedata.pak"), "not a schedule");
    TestSession declined(folder.path(), clock, Answer::No);
    EXPECT_FALSE(declined.session->open());
    EXPECT_FALSE(declined.session->isOpen());
    EXPECT_EQ(readText(file("timedata.pak")), "not a schedule");

    auto s = openSession(Answer::Yes);
    EXPECT_EQ(s->session->loadStatus(), ScheduleLoadStatus::Recovered);
    EXPECT_EQ(texts(s->schedule()), std::vector<std::string>{"kept"});
}

TEST_F(SessionTest, AWaitForChangeAccessEndsWhenTheHolderLetsGo)
{
    auto a = openSession();
    auto b = openSession();
    ASSERT_TRUE(a->session->obtainChangeAccess(std::chrono::seconds(0)));
    b->whilePausing = [&] {
        a->session->close();
        return true;
    };
    EXPECT_TRUE(b->session->obtainChangeAccess(std::chrono::seconds(5)));
    EXPECT_EQ(b->pauses, 1);
    EXPECT_TRUE(b->session->access().holding());
    EXPECT_FALSE(a->session->access().holding());
}

TEST_F(SessionTest, AWaitThatRunsOutLeavesTheFolderAsItWas)
{
    auto a = openSession();
    auto b = openSession();
    ASSERT_TRUE(a->session->obtainChangeAccess(std::chrono::seconds(0)));
    std::set<std::string> before = folderFiles();
    b->whilePausing = [] { return true; };
    EXPECT_FALSE(b->session->obtainChangeAccess(std::chrono::seconds(2)));
    EXPECT_EQ(b->pauses, 2) << "one attempt a second";
    EXPECT_EQ(folderFiles(), before);
    EXPECT_FALSE(b->session->access().accessPendingOpen());
}

TEST_F(SessionTest, ChangesStartFromWhatAnotherSessionSaved)
{
    auto a = openSession();
    auto b = openSession();
    ASSERT_EQ(a->session->addItem(itemOn(kSessionToday, "from a", 661)).status, AddStatus::Added);
    ASSERT_TRUE(a->session->save().ok());
    EXPECT_FALSE(a->session->access().holding()) << "a full save gives change access back";

    ASSERT_EQ(b->session->addItem(itemOn(kSessionToday, "from b", 721)).status, AddStatus::Added);
    EXPECT_EQ(texts(b->schedule()), (std::vector<std::string>{"from a", "from b"}));
    ASSERT_TRUE(b->session->save().ok());

    auto c = openSession();
    EXPECT_EQ(texts(c->schedule()), (std::vector<std::string>{"from a", "from b"}));
}

TEST_F(SessionTest, ClosingGivesBackAHeldLock)
{
    auto s = openSession();
    ASSERT_TRUE(s->session->obtainChangeAccess(std::chrono::seconds(0)));
    EXPECT_TRUE(fs::exists(file("timedata.loc")));
    s->session->close();
    EXPECT_FALSE(fs::exists(file("timedata.loc")));
    auto again = openSession();
    ASSERT_TRUE(again->session->obtainChangeAccess(std::chrono::seconds(0)));
    again.reset();
    EXPECT_FALSE(fs::exists(file("timedata.loc"))) << "and so does the end of the session";
}

} // namespace
} // namespace zk
