// The Task Pipeline: the line format with every field and refusal, and the
// processing of timedata.add: takeover, rejected lines, lines appended
// meanwhile, leftovers and change access.

#include "sessionsupport.h"

#include "sharing/pipeline.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

// --- the line format ------------------------------------------------------------------

class PipelineLineTest : public ::testing::Test {
protected:
    PipelineLine parse(std::string_view line) { return parsePipelineLine(line, templateItem, shownDay, context); }
    NewItem item(std::string_view line)
    {
        PipelineLine parsed = parse(line);
        EXPECT_TRUE(parsed.item) << line << ": " << parsed.refusal;
        return parsed.item.value_or(NewItem{});
    }

    ItemRecord templateItem = [] {
        ItemRecord r;
        r.setDuration(10);
        r.setKind(ItemKind::task);
        r.setPriorityLetter('C');
        return r;
    }();
    DayNumber shownDay = kSessionToday + 1;  // the schedule window shows Sunday
    EntryContext context = [] {
        EntryContext c;
        c.today = kSessionToday;  // Saturday 21 October 2023
        c.now = TimeValue(601);
        return c;
    }();
};

TEST_F(PipelineLineTest, DateTimeDurationAndText)
{
    NewItem i = item("10/23 2p 30 Dentist at Main St.");
    EXPECT_EQ(i.day, kSessionToday + 2);
    EXPECT_EQ(i.record.dayField(), kSessionToday.value() + 2);
    EXPECT_EQ(i.record.beginTime(), 841);
    EXPECT_TRUE(i.record.has(ItemFlag::fAnchored));
    EXPECT_EQ(i.record.duration(), 30);
    EXPECT_EQ(i.text, "Dentist at Main St.");
    EXPECT_EQ(i.record.kind(), ItemKind::task) << "the rest comes from the template";
    EXPECT_EQ(i.record.priorityLetter(), 'C');
}

TEST_F(PipelineLineTest, ATimeAndATextGoOnTheDayShown)
{
    NewItem i = item("10:30a Call the bank");
    EXPECT_EQ(i.day, shownDay);
    EXPECT_EQ(i.record.beginTime(), 631);
    EXPECT_EQ(i.record.duration(), 10) << "the template's duration";
    EXPECT_EQ(i.text, "Call the bank");
}

TEST_F(PipelineLineTest, AStarMeansNoTimeAndADashNoTimeAndOnHold)
{
    templateItem.setBeginTime(541);
    NewItem untimed = item("* 1:30 Write report");
    EXPECT_EQ(untimed.record.beginTime(), 0);
    EXPECT_FALSE(untimed.record.has(ItemFlag::fAnchored));
    EXPECT_FALSE(untimed.record.has(ItemFlag::fOnHold));
    EXPECT_EQ(untimed.record.duration(), 90);
    EXPECT_EQ(untimed.text, "Write report");

    NewItem held = item("- Waiting for parts");
    EXPECT_EQ(held.record.beginTime(), 0);
    EXPECT_TRUE(held.record.has(ItemFlag::fOnHold));
    EXPECT_EQ(held.record.duration(), 10);
    EXPECT_EQ(held.text, "Waiting for parts");
}

TEST_F(PipelineLineTest, ATextAloneIsTheWholeLineWithTheTemplatesTime)
{
    NewItem plain = item("  Buy milk, bread  ");
    EXPECT_EQ(plain.text, "Buy milk, bread");
    EXPECT_EQ(plain.day, shownDay);
    EXPECT_EQ(plain.record.beginTime(), 0);
    EXPECT_FALSE(plain.record.has(ItemFlag::fAnchored));

    templateItem.setBeginTime(541);
    NewItem timed = item("Buy milk");
    EXPECT_EQ(timed.record.beginTime(), 541);
    EXPECT_TRUE(timed.record.has(ItemFlag::fAnchored)) << "anchored only because the template has a time";
}

TEST_F(PipelineLineTest, ATimeFollowedByNoDurationIsReadAgainAsTheDuration)
{
    NewItem i = item("1:30 Review the plan");
    EXPECT_EQ(i.record.beginTime(), 0);
    EXPECT_FALSE(i.record.has(ItemFlag::fAnchored));
    EXPECT_EQ(i.record.duration(), 90);
    EXPECT_EQ(i.text, "Review the plan");

    NewItem kept = item("10:30a Review the plan");
    EXPECT_EQ(kept.record.beginTime(), 631) << "10:30a is no duration, so it stays the time";
}

TEST_F(PipelineLineTest, ADateAloneThenText)
{
    NewItem tomorrow = item("tom Pick up suit");
    EXPECT_EQ(tomorrow.day, kSessionToday + 1);
    EXPECT_EQ(tomorrow.text, "Pick up suit");
    EXPECT_EQ(item("0 Today's item").day, kSessionToday);
}

TEST_F(PipelineLineTest, BlanksTabsAndCommasSeparateTheLeadingTokens)
{
    NewItem i = item("10/23,\t2p , 30,, Dentist, then lunch\r\n");
    EXPECT_EQ(i.day, kSessionToday + 2);
    EXPECT_EQ(i.record.beginTime(), 841);
    EXPECT_EQ(i.record.duration(), 30);
    EXPECT_EQ(i.text, "Dentist, then lunch");
}

TEST_F(PipelineLineTest, ANegativeDurationIsNoDurationAnItemCanHave)
{
    NewItem i = item("* -3 apples");
    EXPECT_EQ(i.record.duration(), 10);
    EXPECT_EQ(i.text, "-3 apples");
}

TEST_F(PipelineLineTest, LinesAndTextsBeyondTheirLimitsAreRefused)
{
    std::string line(kMaxPipelineLine, 'x');
    PipelineLine longest = parse("* " + line.substr(2));
    ASSERT_FALSE(longest.item) << "a 1038-byte text is beyond the description limit";
    EXPECT_EQ(longest.refusal, kTextTooLongText);

    EXPECT_FALSE(parse(line + "x").item);
    EXPECT_EQ(parse(line + "x").refusal, kTextTooLongText);
    EXPECT_TRUE(parse(line.substr(0, kMaxDescriptionBytes) + "\r\n").item) << "the line end does not count";
    EXPECT_FALSE(parse(std::string(kMaxDescriptionBytes + 1, 'y')).item);
    EXPECT_TRUE(parse("2p " + std::string(kMaxDescriptionBytes, 'y')).item);
}

TEST_F(PipelineLineTest, TextThatIsNotUtf8IsReadAsWindows1252)
{
    EXPECT_EQ(item("Caf\xe9 with Ren\xe9").text, "Caf\xc3\xa9 with Ren\xc3\xa9");
}

// --- processing timedata.add -----------------------------------------------------------

class PipelineTest : public SessionFixture {
protected:
    void SetUp() override
    {
        SessionFixture::SetUp();
        s = openSession();
        ASSERT_TRUE(s->session->obtainChangeAccess(std::chrono::seconds(0)));
    }
    std::vector<std::string> texts()
    {
        std::vector<std::string> out;
        for (ItemHandle h : s->schedule().chain)
            out.push_back(s->schedule().storedDescription(h));
        return out;
    }
    PipelineOutcome process(std::function<void(ItemHandle)> added = {})
    {
        AddItemServices services = s->session->addServices();
        services.added = std::move(added);
        return processPipelineFile(services, PipelineOptions{});
    }

    fs::path incoming() const { return file(kPipelineFileName); }
    fs::path rejected() const { return file(kPipelineRejectedFileName); }
    std::unique_ptr<TestSession> s;
};

TEST_F(PipelineTest, EveryLineIsAddedAndTheFileRemoved)
{
    ASSERT_EQ(appendToPipeline(folder.path(), {"2p Dentist", "", "* 45 Write report"}), AppendStatus::Appended);
    PipelineOutcome outcome = process();
    EXPECT_EQ(outcome.status, PipelineStatus::Processed);
    EXPECT_EQ(outcome.added, 2);
    EXPECT_EQ(outcome.rejected, 0) << "a blank line is no item";
    EXPECT_EQ(texts(), (std::vector<std::string>{"Dentist", "Write report"}));
    EXPECT_TRUE(s->shown("2 items added through Task Pipeline."));
    EXPECT_FALSE(fs::exists(incoming()));
    EXPECT_FALSE(fs::exists(file(kPipelineTakenFileName)));
    EXPECT_FALSE(fs::exists(rejected()));
    EXPECT_EQ(linesOf(file("Add.log")).size(), 2u);
    EXPECT_TRUE(s->schedule().dirty);
}

TEST_F(PipelineTest, NoFileNothingToDo)
{
    EXPECT_FALSE(pipelineWaiting(folder.path()));
    EXPECT_EQ(process().status, PipelineStatus::NothingToDo);
    EXPECT_TRUE(s->texts().empty());
}

// Regression: lines that failed were deleted with the file as soon as one
// other line had been added.
TEST_F(PipelineTest, LinesNotAddedAreKeptForTheUserAndReported)
{
    std::string tooLong(kMaxPipelineLine + 5, 'x');
    ASSERT_EQ(appendToPipeline(folder.path(), {"Good one", tooLong, "3/4/20 Archived day"}), AppendStatus::Appended);
    PipelineOutcome outcome = process();
    EXPECT_EQ(outcome.added, 1);
    EXPECT_EQ(outcome.rejected, 2);
    EXPECT_EQ(linesOf(rejected()), (std::vector<std::string>{tooLong, "3/4/20 Archived day"}));
    EXPECT_TRUE(s->shown(kTextTooLongText));
    EXPECT_TRUE(s->shown("2 lines of the Task Pipeline were not added. They are kept in " + rejected().string()
                         + " to be corrected and sent again."));
    EXPECT_FALSE(fs::exists(incoming()));

    ASSERT_EQ(appendToPipeline(folder.path(), {"bad\x01", std::string(kMaxPipelineLine + 1, 'y')}),
              AppendStatus::Appended);
    EXPECT_EQ(process().rejected, 1);
    EXPECT_EQ(linesOf(rejected()).size(), 3u) << "rejected lines are appended, never overwritten";
}

// Regression: a line appended while the file was read went with the file.
TEST_F(PipelineTest, LinesAppendedWhileTheFileIsProcessedWaitForTheNextTime)
{
    ASSERT_EQ(appendToPipeline(folder.path(), {"first", "second"}), AppendStatus::Appended);
    int appended = 0;
    PipelineOutcome outcome = process([&](ItemHandle) {
        ASSERT_EQ(appendToPipeline(folder.path(), {"late " + std::to_string(++appended)}), AppendStatus::Appended);
    });
    EXPECT_EQ(outcome.added, 2);
    EXPECT_EQ(linesOf(incoming()), (std::vector<std::string>{"late 1", "late 2"}));
    EXPECT_EQ(process().added, 2);
    EXPECT_EQ(texts(), (std::vector<std::string>{"first", "late 1", "late 2", "second"}));
    EXPECT_FALSE(fs::exists(incoming()));
}

TEST_F(PipelineTest, AFileLeftTakenByAStoppedSessionGoesFirst)
{
    writeText(file(kPipelineTakenFileName), "left over\n");
    ASSERT_EQ(appendToPipeline(folder.path(), {"new one"}), AppendStatus::Appended);
    EXPECT_TRUE(pipelineWaiting(folder.path()));
    EXPECT_EQ(process().added, 2);
    EXPECT_FALSE(fs::exists(file(kPipelineTakenFileName)));
    EXPECT_FALSE(fs::exists(incoming()));

    writeText(file(kPipelineTakenFileName), "only the leftover\n");
    EXPECT_TRUE(pipelineWaiting(folder.path()));
    EXPECT_EQ(process().added, 1);
}

TEST_F(PipelineTest, WithoutChangeAccessTheFileIsNotRead)
{
    s->session->close();
    auto holder = openSession();
    ASSERT_TRUE(holder->session->obtainChangeAccess(std::chrono::seconds(0)));
    ASSERT_EQ(appendToPipeline(folder.path(), {"waits"}), AppendStatus::Appended);
    EXPECT_EQ(process().status, PipelineStatus::NoChangeAccess);
    EXPECT_EQ(linesOf(incoming()), std::vector<std::string>{"waits"});
    EXPECT_FALSE(fs::exists(file(kPipelineTakenFileName)));
}

TEST_F(PipelineTest, AnOutsideWriterNeverSplitsOrJoinsLines)
{
    EXPECT_EQ(appendToPipeline(folder.path(), {"one", "two\nthree"}), AppendStatus::LineBreakInLine);
    EXPECT_FALSE(fs::exists(incoming())) << "nothing of a refused call is written";
    writeText(incoming(), "no line end");
    ASSERT_EQ(appendToPipeline(folder.path(), {"next"}), AppendStatus::Appended);
    EXPECT_EQ(readText(incoming()), "no line end\nnext\n");
}

} // namespace
} // namespace zk
