// The session on a schedule folder: bringing in what another session saved
// before changing. Recovery, waiting and closing are met in recovery_test,
// changeaccess_test, zkadd_test and the desktop tests.

#include "sessionsupport.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

using SessionTest = SessionFixture;

TEST_F(SessionTest, ChangesStartFromWhatAnotherSessionSaved)
{
    auto a = openSession();
    auto b = openSession();
    ASSERT_EQ(a->session->addItem(itemOn(kSessionToday, "from a", 661)).status, AddStatus::Added);
    ASSERT_TRUE(a->session->save().ok());
    EXPECT_FALSE(a->session->access().holding()) << "a full save gives change access back";

    ASSERT_EQ(b->session->addItem(itemOn(kSessionToday, "from b", 721)).status, AddStatus::Added);
    EXPECT_EQ(chainTexts(b->schedule()), (std::vector<std::string>{"from a", "from b"}));
    ASSERT_TRUE(b->session->save().ok());

    auto c = openSession();
    EXPECT_EQ(chainTexts(c->schedule()), (std::vector<std::string>{"from a", "from b"}));
}

} // namespace
} // namespace zk
