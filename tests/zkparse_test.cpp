// zk parse, run as a program: the whole road from the command line through
// the profile, the clock and the parsers to the printed line.

#include "tests/lockfilesupport.h"
#include "tests/zkprocess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

using zk::testsupport::shellQuoted;
using zk::testsupport::ZkRun;

class ZkParse : public ::testing::Test {
protected:
    // Monday 15 January 2024, 10:07, no profile, the C locale.
    zk::testsupport::ZkRun zk(const std::vector<std::string>& words, const char* now = "2024-01-15 10:07") const
    {
        std::string command = "env ZELKON_CONFIG_HOME=" + shellQuoted(config.string()) + " LC_ALL=C ZELKON_NOW="
                              + shellQuoted(now) + " " + shellQuoted(ZK_BINARY) + " parse";
        for (const auto& w : words)
            command += " " + shellQuoted(w);
        return zk::testsupport::runZk(command, zk::testsupport::ErrorStream::Merged);
    }

    void writeProfile(const std::string& text) const { std::ofstream(config / "win.ini") << text; }

    zk::testsupport::TempFolder temporary;
    const fs::path config = temporary.path();
};

TEST_F(ZkParse, DatesPrintDayDateWeekdayWeekAndPeriod)
{
    const ZkRun run = zk({"date", "12/13/10", "today", "tom", "1/1/21"});
    EXPECT_EQ(run.out,
              "day=11305 date=12/13/10 weekday=Monday week=51 period=12\n"
              "day=16086 date=01/15/24 weekday=Monday week=3 period=1\n"
              "day=16087 date=01/16/24 weekday=Tuesday week=3 period=1\n"
              "day=14977 date=01/01/21 weekday=Friday week=1 period=12\n");
    EXPECT_EQ(run.exitCode, 0);
}

TEST_F(ZkParse, AnyInvalidTextFailsTheRun)
{
    const ZkRun run = zk({"date", "2/30", "3/4", "4/17/86", "4/18/86"});
    EXPECT_EQ(run.out,
              "invalid\n"
              "day=16135 date=03/04/24 weekday=Monday week=10 period=3\n"
              "invalid\n"
              "day=2300 date=04/18/86 weekday=Friday week=16 period=4\n");
    EXPECT_EQ(run.exitCode, 1);
}

TEST_F(ZkParse, TimesAndDurations)
{
    ZkRun run = zk({"time", "5:30", "12a", "now", "noon", "24:00", "23:59"});
    EXPECT_EQ(run.out,
              "value=1051 time=5:30p\nvalue=1 time=12:00a\nvalue=608 time=10:07a\nvalue=721 time=12:00p\n"
              "invalid\nvalue=1440 time=11:59p\n");
    EXPECT_EQ(run.exitCode, 1);
    run = zk({"duration", "2", "02", "1:30", "-3", "memo", "-:01", "24:00"});
    EXPECT_EQ(run.out,
              "minutes=120 duration=2:00\nminutes=2 duration=:02\nminutes=90 duration=1:30\n"
              "minutes=-180 duration=-3:00\nminutes=0 duration=memo\nminutes=-1 duration=-:01\n"
              "minutes=1440 duration=24:00\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(zk({"duration", "24:01"}).out, "invalid\n");
}

TEST_F(ZkParse, ValuesAndSettingsForOneCall)
{
    EXPECT_EQ(zk({"--intl", "iDate=1", "--intl", "sShortDate=dd.mm.yyyy", "date", "13/12/10"}).out,
              "day=11305 date=13.12.2010 weekday=Monday week=51 period=12\n");
    EXPECT_EQ(zk({"time", "--intl=iTime=1", "--intl", "sTime=.", "5:30", "17:45"}).out,
              "value=331 time=5.30\nvalue=1066 time=17.45\n");
    EXPECT_EQ(zk({"--setting", "WeekStartsMon=1", "--setting", "FirstWeekRule=2", "date", "1/1/21", "1/4/21"}).out,
              "day=14977 date=01/01/21 weekday=Friday week=53 period=12\n"
              "day=14980 date=01/04/21 weekday=Monday week=1 period=1\n");
}

TEST_F(ZkParse, TheProfileInTheSettingStoreApplies)
{
    writeProfile("[intl]\niDate=1\nsDate=-\nsShortDate=dd-mm-yy\n[Zelkon]\nWeekStartsMon=1\n");
    EXPECT_EQ(zk({"date", "13/12/10"}).out, "day=11305 date=13-12-10 weekday=Monday week=51 period=12\n");
    // A value given for the call wins over the profile.
    EXPECT_EQ(zk({"--intl", "iDate=0", "date", "12/13/10"}).out,
              "day=11305 date=13-12-10 weekday=Monday week=51 period=12\n");
}

TEST_F(ZkParse, TheClockComesFromTheEnvironment)
{
    EXPECT_EQ(zk({"date", "today"}, "2068-12-31 23:00").out,
              "day=32508 date=12/31/68 weekday=Monday week=1 period=12\n");
    EXPECT_EQ(zk({"date", "tom"}, "2068-12-31 23:00").out, "invalid\n");
    EXPECT_EQ(zk({"time", "now"}, "2024-01-15 23:59").out, "value=1440 time=11:59p\n");
}

TEST_F(ZkParse, UsageErrors)
{
    EXPECT_EQ(zk({"--intl", "sCurrency=$", "date", "today"}).exitCode, 64);
    EXPECT_EQ(zk({"--intl", "iDate=5", "date", "today"}).exitCode, 64);
    EXPECT_EQ(zk({"--intl", "iDate", "date", "today"}).exitCode, 64);
    EXPECT_EQ(zk({"--setting", "Chimes=1", "date", "today"}).exitCode, 64);
    EXPECT_EQ(zk({"--colour", "date", "today"}).exitCode, 64);
    EXPECT_EQ(zk({"week", "today"}).exitCode, 64);
    EXPECT_EQ(zk({"date"}).exitCode, 64);
    EXPECT_EQ(zk({}).exitCode, 64);
    const zk::testsupport::ZkRun help = zk({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: zk parse", 0), 0u);
}

TEST_F(ZkParse, OptionLikeAndHostileTextsAreJustTexts)
{
    const ZkRun run = zk({"time", "--", "--3", std::string(50000, '9'), "\xff\xfe", "9\xc3\xa0m", "9"});
    EXPECT_EQ(run.out, "invalid\ninvalid\ninvalid\ninvalid\nvalue=541 time=9:00a\n");
    EXPECT_EQ(run.exitCode, 1);
}

} // namespace
