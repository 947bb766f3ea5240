// zk parse, run as a program: the whole road from the command line through
// the profile, the clock and the parsers to the printed line.

#include "buildpaths.h"
#include "tests/lockfilesupport.h"
#include "tests/zkprocess.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace zk::testsupport;

class ZkParse : public ::testing::Test {
protected:
    // Monday 15 January 2024, 10:07, no profile, the C locale.
    ZkRun zk(const std::vector<std::string>& words, const char* now = "2024-01-15 10:07") const
    {
        std::string command = "env ZELKON_CONFIG_HOME=" + shellQuoted(temporary.path().string()) + " LC_ALL=C ZELKON_NOW="
                              + shellQuoted(now) + " " + shellQuoted(ZK_BINARY) + " parse";
        for (const auto& w : words)
            command += " " + shellQuoted(w);
        return runZk(command, ErrorStream::Merged);
    }

    TempFolder temporary;
};

// The parsers themselves are tested on their own; here each kind once, the
// exit code, the clock from the environment and texts that look like options.
TEST_F(ZkParse, PrintsEachTextAndFailsTheRunOnAnyInvalidOne)
{
    struct Case {
        std::vector<std::string> words;
        const char* now;
        const char* out;
        int exitCode;
    };
    const Case cases[] = {
        {{"date", "12/13/10", "tom", "2/30"}, "2024-01-15 10:07",
         "day=11305 date=12/13/10 weekday=Monday week=51 period=12\n"
         "day=16087 date=01/16/24 weekday=Tuesday week=3 period=1\ninvalid\n",
         1},
        {{"time", "5:30", "now"}, "2024-01-15 10:07", "value=1051 time=5:30p\nvalue=608 time=10:07a\n", 0},
        {{"duration", "1:30", "-3", "memo"}, "2024-01-15 10:07",
         "minutes=90 duration=1:30\nminutes=-180 duration=-3:00\nminutes=0 duration=memo\n", 0},
        {{"date", "today", "tom"}, "2068-12-31 23:00", "day=32508 date=12/31/68 weekday=Monday week=1 period=12\ninvalid\n",
         1},
        {{"time", "--", "--3", std::string(50000, '9'), "\xff\xfe", "9\xc3\xa0m", "9"}, "2024-01-15 10:07",
         "invalid\ninvalid\ninvalid\ninvalid\nvalue=541 time=9:00a\n", 1},
    };
    for (const Case& c : cases) {
        const ZkRun run = zk(c.words, c.now);
        EXPECT_EQ(run.out, c.out) << c.words[1];
        EXPECT_EQ(run.exitCode, c.exitCode) << c.words[1];
    }
}

TEST_F(ZkParse, SettingsForOneCallWinOverTheProfile)
{
    EXPECT_EQ(zk({"--intl", "iDate=1", "--intl", "sShortDate=dd.mm.yyyy", "date", "13/12/10"}).out,
              "day=11305 date=13.12.2010 weekday=Monday week=51 period=12\n");
    EXPECT_EQ(zk({"time", "--intl=iTime=1", "--intl", "sTime=.", "5:30", "17:45"}).out,
              "value=331 time=5.30\nvalue=1066 time=17.45\n");
    EXPECT_EQ(zk({"--setting", "WeekStartsMon=1", "--setting", "FirstWeekRule=2", "date", "1/1/21", "1/4/21"}).out,
              "day=14977 date=01/01/21 weekday=Friday week=53 period=12\n"
              "day=14980 date=01/04/21 weekday=Monday week=1 period=1\n");

    std::ofstream(temporary.path() / "win.ini") << "[intl]\niDate=1\nsDate=-\nsShortDate=dd-mm-yy\n[Zelkon]\nWeekStartsMon=1\n";
    EXPECT_EQ(zk({"date", "13/12/10"}).out, "day=11305 date=13-12-10 weekday=Monday week=51 period=12\n");
    EXPECT_EQ(zk({"--intl", "iDate=0", "date", "12/13/10"}).out,
              "day=11305 date=13-12-10 weekday=Monday week=51 period=12\n");
}

TEST_F(ZkParse, UsageErrors)
{
    for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
             {"--intl", "sCurrency=$", "date", "today"}, {"--intl", "iDate=5", "date", "today"},
             {"--intl", "iDate", "date", "today"}, {"--setting", "Chimes=1", "date", "today"},
             {"--colour", "date", "today"}, {"week", "today"}, {"date"}, {}})
        EXPECT_EQ(zk(words).exitCode, 64) << (words.empty() ? "" : words[0]);
    const ZkRun help = zk({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: zk parse", 0), 0u);
}

} // namespace
