// Clock, message service and the internal-fault path.

#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "tests/lockfilesupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace zk {
namespace {

TEST(ClockTest, LocalMomentsParseInBothFormsOntoTheCalendar)
{
    auto m = parseLocalMoment("2026-12-06 09:05");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->dayNumber().value(), DayNumber(17142).value());
    EXPECT_EQ(m->timeValue().value(), 9 * 60 + 5 + 1);
    auto s = parseLocalMoment("2024-02-29 23:59:30");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->second, 30);
    for (const char* bad : {"", "2023-02-29 10:00", "2026-12-06", "2026-12-06 24:00", "2026-12-06 10:00:61",
                            "2026-12-06 10:00 extra", "garbage"})
        EXPECT_FALSE(parseLocalMoment(bad)) << bad;
    for (auto [text, day] : {std::pair{"1980-01-01 00:00", 1}, {"2010-12-13 00:00", 11305}, {"2068-12-31 00:00", 32508}})
        EXPECT_EQ(parseLocalMoment(text)->dayNumber().value(), day) << text;
}

TEST(ClockTest, EnvironmentFixesTheClockAndAFixedClockAdvancesAcrossMidnight)
{
    setenv("ZELKON_NOW", "2026-03-01 17:00", 1);
    auto clock = clockFromEnvironment();
    EXPECT_EQ(clock->now().value(), 1021);
    EXPECT_EQ(clock->today(), parseLocalMoment("2026-03-01 00:00")->dayNumber());
    unsetenv("ZELKON_NOW");

    FixedClock fixed(*parseLocalMoment("2026-12-31 23:59:50"));
    DayNumber before = fixed.today();
    fixed.advanceSeconds(15);
    EXPECT_EQ(fixed.today(), before + 1);
    EXPECT_EQ(fixed.now().value(), 1);
}

TEST(MessagesTest, CaptionCarriesUserAndClockUnlessInitialising)
{
    ScriptedPresenter presenter;
    Messages messages(presenter);
    messages.setClockText([] { return std::string("9:30a"); });
    EXPECT_EQ(messages.caption(), "Zelkon 9:30a");
    messages.setUserName("Ann");
    EXPECT_EQ(messages.caption(), "Zelkon - Ann 9:30a");
    messages.setInitialising(true);
    EXPECT_EQ(messages.caption(), "Zelkon - Ann ");
    messages.setUserName(std::string(200, 'u'));
    EXPECT_EQ(messages.caption().size(), 109u);
}

TEST(MessagesTest, QuestionsAreAnsweredFromTheQueueThenTheDefault)
{
    ScriptedPresenter presenter(Answer::No);
    Messages messages(presenter);
    presenter.queueAnswer(Answer::Yes);
    presenter.queueAnswer(Answer::Cancel);
    EXPECT_EQ(messages.question("first?"), Answer::Yes);
    EXPECT_EQ(messages.question("second?", QuestionButtons::YesNoCancel), Answer::Cancel);
    EXPECT_EQ(messages.question("third?"), Answer::No);
    EXPECT_EQ(presenter.texts(), (std::vector<std::string>{"first?", "second?", "third?"}));
}

TEST(MessagesTest, ErrorsBeepAndAreAppendedToTheErrorLog)
{
    testsupport::TempFolder temp;
    const std::filesystem::path folder = temp.path();
    ScriptedPresenter presenter;
    Messages messages(presenter);
    messages.setScheduleFolder(folder);
    messages.setClockText([] { return std::string("10:15a"); });
    messages.setDateText([] { return std::string("12/6/26"); });
    messages.error(std::string(200, 'e'));
    messages.information("not logged");
    EXPECT_EQ(presenter.beeps(), 1);
    std::ifstream log(folder / "error.log");
    std::string line;
    std::getline(log, line);
    EXPECT_EQ(line, "10:15a 12/6/26 " + std::string(150, 'e'));
    EXPECT_FALSE(std::getline(log, line));
}

TEST(FaultTest, ConditionCodeNamesVersionModuleAndLineAndReachesTheHandler)
{
    EXPECT_EQ((ConditionCode{"Actchain", 123}).text(), "21.00-Actchain123");
    std::string text = abnormalConditionMessage(ConditionCode{"Daylist", 7});
    EXPECT_EQ(text.rfind("Abnormal Condition Detected.", 0), 0u);
    EXPECT_NE(text.find("21.00-Daylist7"), std::string::npos);

    ThrowingFaultHandler handler;
    FaultHandler* previous = installFaultHandler(&handler);
    try {
        ZK_FAULT("Probe");
    } catch (const InternalFault& fault) {
        EXPECT_STREQ(fault.code().module, "Probe");
        EXPECT_GT(fault.code().line, 0);
    }
    installFaultHandler(previous);
}

TEST(FaultTest, ProcessHandlerRemovesLockFilesAndEnds)
{
    auto lock = std::filesystem::temp_directory_path() / ("zk-fault-" + std::to_string(::getpid()) + ".loc");
    EXPECT_EXIT(
        {
            std::ofstream(lock) << "held";
            addFaultCleanup([lock] { std::filesystem::remove(lock); });
            ZK_FAULT("Probe");
        },
        ::testing::ExitedWithCode(3), "Abnormal Condition Detected");
    EXPECT_FALSE(std::filesystem::exists(lock));
}


TEST(ProgramDataTest, BesideTheProgramThenInstalledThenTheSourcesOfItsOwnBuildTree)
{
    testsupport::TempFolder temp;
    const auto root = temp.path();
    const auto bin = root / "usr" / "bin";
    const auto build = root / "build";
    const auto sources = root / "src" / "resources";
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(build / "tools");

    // A program run from its build tree reads the sources; an installed one
    // never does, even before its share folder exists.
    EXPECT_EQ(programDataFolder(build / "tools", build, sources, "SAMPLE.DTA"), sources);
    EXPECT_EQ(programDataFolder(bin, build, sources, "SAMPLE.DTA"), root / "usr" / "share" / "zelkon");

    std::filesystem::create_directories(root / "usr" / "share" / "zelkon");
    EXPECT_EQ(programDataFolder(bin, build, sources, "SAMPLE.DTA"), root / "usr" / "share" / "zelkon");

    std::ofstream(bin / "SAMPLE.DTA") << "x";
    EXPECT_EQ(programDataFolder(bin, build, sources, "SAMPLE.DTA"), bin);
}

} // namespace
} // namespace zk
