// The Task Pipeline: the line format with every field and refusal, and the
// processing of timedata.add: takeover, rejected lines, lines appended
// meanwhile, leftovers and change access.

#include "sessionsupport.h"

#include "sharing/pipeline.h"

#include <gtest/gtest.h>

#include <algorithm>

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

TEST_F(PipelineLineTest, LeadingDateTimeAndDurationTokensThenTheText)
{
    constexpr int kShown = -1;  // no date: the day the window shows
    struct Case {
        const char* line;
        std::int16_t templateTime;  // the template's begin time, 0 for none
        int day;                    // days after today, or kShown
        int begin;
        bool anchored, onHold;
        int duration;  // 10 is the template's
        const char* text;
    };
    const Case cases[] = {
        {"10/23 2p 30 Dentist at Main St.", 0, 2, 841, true, false, 30, "Dentist at Main St."},
        // Blanks, tabs and commas separate the leading tokens.
        {"10/23,\t2p , 30,, Dentist, then lunch\r\n", 0, 2, 841, true, false, 30, "Dentist, then lunch"},
        {"tom Pick up suit", 0, 1, 0, false, false, 10, "Pick up suit"},
        {"0 Today's item", 0, 0, 0, false, false, 10, "Today's item"},
        // A time followed by no duration is read again as the duration;
        // 10:30a is no duration, so it stays the time.
        {"1:30 Review the plan", 0, kShown, 0, false, false, 90, "Review the plan"},
        {"10:30a Review the plan", 0, kShown, 631, true, false, 10, "Review the plan"},
        // A star means no time, a dash no time and on hold.
        {"* 1:30 Write report", 541, kShown, 0, false, false, 90, "Write report"},
        {"- Waiting for parts", 541, kShown, 0, false, true, 10, "Waiting for parts"},
        // A text alone is the whole line, anchored only when the template has a time.
        {"  Buy milk, bread  ", 0, kShown, 0, false, false, 10, "Buy milk, bread"},
        {"Buy milk", 541, kShown, 541, true, false, 10, "Buy milk"},
        // A negative duration is none an item can have: it starts the text.
        {"* -3 apples", 0, kShown, 0, false, false, 10, "-3 apples"},
        // Text that is not UTF-8 is read as Windows-1252.
        {"Caf\xe9 with Ren\xe9", 0, kShown, 0, false, false, 10, "Caf\xc3\xa9 with Ren\xc3\xa9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        templateItem.setBeginTime(c.templateTime);
        NewItem i = item(c.line);
        EXPECT_EQ(i.day, c.day == kShown ? shownDay : kSessionToday + c.day);
        EXPECT_EQ(i.record.dayField(), i.day.value());
        EXPECT_EQ(i.record.beginTime(), c.begin);
        EXPECT_EQ(i.record.has(ItemFlag::fAnchored), c.anchored);
        EXPECT_EQ(i.record.has(ItemFlag::fOnHold), c.onHold);
        EXPECT_EQ(i.record.duration(), c.duration);
        EXPECT_EQ(i.text, c.text);
        EXPECT_EQ(i.record.priorityLetter(), 'C') << "the rest comes from the template";
    }
}

TEST_F(PipelineLineTest, LinesAndTextsBeyondTheirLimitsAreRefused)
{
    std::string line(kMaxPipelineLine, 'x');
    for (const std::string& refused : {"* " + line.substr(2), line + "x", std::string(kMaxDescriptionBytes + 1, 'y')}) {
        ASSERT_FALSE(parse(refused).item) << refused.size();
        EXPECT_EQ(parse(refused).refusal, kTextTooLongText);
    }
    EXPECT_TRUE(parse(line.substr(0, kMaxDescriptionBytes) + "\r\n").item) << "the line end does not count";
    EXPECT_TRUE(parse("2p " + std::string(kMaxDescriptionBytes, 'y')).item);
}

// --- processing timedata.add -----------------------------------------------------------

class PipelineTest : public OpenSessionFixture {
protected:
    void SetUp() override
    {
        OpenSessionFixture::SetUp();
        ASSERT_TRUE(s->session->obtainChangeAccess(std::chrono::seconds(0)));
    }
    std::vector<std::string> texts() { return chainTexts(s->schedule()); }
    PipelineOutcome process(std::function<void(ItemHandle)> added = {})
    {
        AddItemServices services = s->session->addServices();
        services.added = std::move(added);
        return processPipelineFile(services, PipelineOptions{});
    }

    fs::path incoming() const { return file(kPipelineFileName); }
    fs::path rejected() const { return file(kPipelineRejectedFileName); }
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
    // Until a save holds the lines, the taken file is all there is of them.
    EXPECT_TRUE(fs::exists(file(kPipelineTakenFileName)));
    EXPECT_FALSE(fs::exists(file("Add.log")));
    ASSERT_TRUE(s->session->save().ok());
    for (const fs::path& gone : {incoming(), file(kPipelineTakenFileName), rejected()})
        EXPECT_FALSE(fs::exists(gone)) << gone;
    EXPECT_EQ(linesOf(file("Add.log")).size(), 2u);
}

// Regression: lines that failed were deleted with the file as soon as one
// other line had been added.
TEST_F(PipelineTest, LinesNotAddedAreKeptForTheUserAndReported)
{
    std::string tooLong(kMaxPipelineLine + 5, 'x');
    std::string alsoTooLong(kMaxPipelineLine + 1, 'z');
    ASSERT_EQ(appendToPipeline(folder.path(), {"Good one", tooLong, alsoTooLong}), AppendStatus::Appended);
    PipelineOutcome outcome = process();
    EXPECT_EQ(outcome.added, 1);
    EXPECT_EQ(outcome.rejected, 2);
    ASSERT_TRUE(s->session->save().ok());
    EXPECT_EQ(linesOf(rejected()), (std::vector<std::string>{tooLong, alsoTooLong}));
    EXPECT_TRUE(s->shown(kTextTooLongText));
    EXPECT_TRUE(s->shown("2 lines of the Task Pipeline were not added. They are kept in " + rejected().string()
                         + " to be corrected and sent again."));
    EXPECT_FALSE(fs::exists(incoming()));

    ASSERT_EQ(appendToPipeline(folder.path(), {"bad\x01", std::string(kMaxPipelineLine + 1, 'y')}),
              AppendStatus::Appended);
    EXPECT_EQ(process().rejected, 1);
    ASSERT_TRUE(s->session->save().ok());
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
    EXPECT_EQ(process().status, PipelineStatus::NothingToDo) << "not before the taken lines are saved";
    ASSERT_TRUE(s->session->save().ok());
    ASSERT_TRUE(s->session->obtainChangeAccess(std::chrono::seconds(0)));
    EXPECT_EQ(process().added, 2);
    EXPECT_EQ(texts(), (std::vector<std::string>{"first", "late 1", "late 2", "second"}));
    EXPECT_FALSE(fs::exists(incoming()));
}

TEST_F(PipelineTest, AFileLeftTakenByAStoppedSessionGoesFirstAndAlone)
{
    writeText(file(kPipelineTakenFileName), "left over\n");
    ASSERT_EQ(appendToPipeline(folder.path(), {"new one"}), AppendStatus::Appended);
    EXPECT_TRUE(pipelineWaiting(folder.path()));
    EXPECT_EQ(process().added, 1);
    ASSERT_TRUE(s->session->save().ok());
    EXPECT_FALSE(fs::exists(file(kPipelineTakenFileName)));
    ASSERT_TRUE(s->session->obtainChangeAccess(std::chrono::seconds(0)));
    EXPECT_EQ(process().added, 1);
    ASSERT_TRUE(s->session->save().ok());
    EXPECT_FALSE(fs::exists(incoming()));
    EXPECT_EQ(texts(), (std::vector<std::string>{"left over", "new one"}));
}

// Regression: the taken file was removed once its lines were in memory, so
// a session that died before its next save lost them; and the journal of
// a save that came through told nothing of which lines it held.
TEST_F(PipelineTest, LinesTakenUpByASessionThatDiedAreAddedExactlyOnce)
{
    ASSERT_EQ(appendToPipeline(folder.path(), {"one", "two", "two", "three"}), AppendStatus::Appended);
    EXPECT_EQ(process().added, 4);
    s.reset();  // died before saving them

    auto next = openSession();
    ASSERT_TRUE(next->session->obtainChangeAccess(std::chrono::seconds(0)));
    EXPECT_EQ(processPipelineFile(next->session->addServices(), PipelineOptions{}).added, 4);
    const std::string journal = readText(file("timedata.uns"));
    const std::string taken = readText(file(kPipelineTakenFileName));
    ASSERT_TRUE(next->session->save().ok());
    EXPECT_FALSE(fs::exists(file("timedata.uns"))) << "the save holds every line the journal lists";
    EXPECT_FALSE(fs::exists(file(kPipelineTakenFileName)));
    next.reset();

    // Died after its save reached the disk, before the journal and the
    // taken file went: the journal tells that the data file holds them.
    writeText(file("timedata.uns"), journal);
    writeText(file(kPipelineTakenFileName), taken);
    auto third = openSession();
    ASSERT_TRUE(third->session->obtainChangeAccess(std::chrono::seconds(0)));
    EXPECT_EQ(processPipelineFile(third->session->addServices(), PipelineOptions{}).added, 0);
    std::vector<std::string> found;
    for (ItemHandle h : third->schedule().chain)
        found.emplace_back(third->schedule().storedDescription(h));
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"one", "three", "two", "two"}));
    SaveOutcome thirdSave = third->session->save();
    ASSERT_EQ(thirdSave.status, SaveStatus::Saved);
    EXPECT_FALSE(fs::exists(file(kPipelineTakenFileName)));
    EXPECT_FALSE(fs::exists(file("timedata.uns")));
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
