#include "core/regional.h"
#include "platform/paths.h"
#include "platform/regionalsource.h"
#include "tests/lockfilesupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <locale.h>
#include <optional>
#include <string>
#include <tuple>

namespace zk {
namespace {

namespace fs = std::filesystem;
using testsupport::ScopedVariable;

// The date order, clock, separators, pattern, hour zero and the week, for
// comparing at once.
auto facts(const UserRegional& u)
{
    const RegionalSettings& r = u.regional;
    return std::tuple(r.iDate, r.iTime, r.sDate, r.sTime, r.sShortDate, r.iTLZero, u.week.weekStartsMonday,
                      u.week.firstWeekRule, u.week.yearFirstWeekAdjust);
}

class ProfileFolder : public ::testing::Test {
protected:
    fs::path write(const std::string& text)
    {
        std::ofstream(folder / "win.ini") << text;
        return folder / "win.ini";
    }
    testsupport::TempFolder temporary;
    const fs::path folder = temporary.path();
};

// ---- the settings themselves ---------------------------------------------------

TEST(RegionalSettings, SanitisedBringsValuesIntoRange)
{
    RegionalSettings r;
    r.iDate = 3;
    r.iTime = -1;
    r.sDate = "年x";
    r.sTime = "";
    r.sShortDate = "yy年mm月dd日";
    r.dayNames[3] = "";
    const RegionalSettings s = sanitised(r);
    // The pattern keeps ten bytes, no half character.
    EXPECT_EQ(std::tuple(s.iDate, s.iTime, s.sDate, s.sTime, s.sShortDate, s.dayNames[3]),
              std::tuple(0, 0, "年", ":", "yy年mm月", "Wednesday"));
    const WeekSettings w = sanitised(WeekSettings{true, 5, 1000});
    EXPECT_EQ(std::tuple(w.firstWeekRule, w.yearFirstWeekAdjust), std::tuple(0, 0));
}

// ---- locale formats --------------------------------------------------------------

TEST(LocaleFormats, DateOrderSeparatorAndPattern)
{
    for (auto [format, iDate, sDate, pattern] :
         {std::tuple{"%m/%d/%y", 0, "/", "mm/dd/yy"}, {"%d/%m/%Y", 1, "/", "dd/mm/yyyy"}, {"%d.%m.%Y", 1, ".", "dd.mm.yyyy"},
          {"%F", 2, "-", "yyyy-mm-dd"}, {"%D", 0, "/", "mm/dd/yy"}, {"%e/%-m/%y", 1, "/", "d/m/yy"},
          {"%d. %m. %Y", 1, ".", "dd.mm.yyyy"}, {"%Y年%m月%d日", 2, "/", "yyyy/mm/dd"}}) {
        const auto facts = dateFormatFacts(format);
        ASSERT_TRUE(facts) << format;
        EXPECT_EQ(std::tuple(facts->iDate, facts->sDate, facts->sShortDate), std::tuple(iDate, sDate, pattern)) << format;
    }
    const auto noZeros = dateFormatFacts("%e.%-m.%Y");
    ASSERT_TRUE(noZeros);
    EXPECT_EQ(noZeros->iDayLzero, 0);
    EXPECT_EQ(noZeros->iMonLzero, 0);
    EXPECT_EQ(dateFormatFacts("%d.%m.%Y")->iDayLzero, 1);
    EXPECT_FALSE(dateFormatFacts(""));
    EXPECT_FALSE(dateFormatFacts("%"));
    EXPECT_FALSE(dateFormatFacts("%d/%m/%d"));
    EXPECT_FALSE(dateFormatFacts("%a %d %b %Y")); // no month number
}

TEST(LocaleFormats, ClockAndTimeSeparator)
{
    for (auto [format, amPm, iTime, sTime, iTLZero] :
         {std::tuple{"%H:%M:%S", "", 1, ":", 1}, {"%r", "%I:%M:%S %p", 0, ":", 1}, {"%l.%M %p", "", 0, ".", 0},
          {"%T", "", 1, ":", 1}, {"%k:%M", "", 1, ":", 0}, {"%H時%M分%S秒", "", 1, ":", 1}}) {
        const auto facts = timeFormatFacts(format, amPm);
        ASSERT_TRUE(facts) << format;
        EXPECT_EQ(std::tuple(facts->iTime, facts->sTime, facts->iTLZero), std::tuple(iTime, sTime, iTLZero)) << format;
    }
    EXPECT_FALSE(timeFormatFacts("%r", ""));
    EXPECT_FALSE(timeFormatFacts("%M", ""));
}

TEST(LocaleFormats, CAndUnknownLocalesGiveTheDefaults)
{
    for (const char* name : {"C", "POSIX", "C.UTF-8", "xx_NOWHERE.UTF-8"}) {
        EXPECT_EQ(facts(regionalFromLocale(name)), std::tuple(0, 0, "/", ":", "mm/dd/yy", 0, false, 0, 0)) << name;
        EXPECT_EQ(regionalFromLocale(name).regional.dayNames[1], "Monday") << name;
    }
}

// Runs only where the locale is installed; the translation itself is tested
// above without any.
TEST(LocaleFormats, AnInstalledGermanLocale)
{
    const char* name = "de_DE.UTF-8";
    if (locale_t l = ::newlocale(LC_ALL_MASK, name, static_cast<locale_t>(nullptr)))
        ::freelocale(l);
    else
        GTEST_SKIP() << name << " is not installed";
    const UserRegional u = regionalFromLocale(name);
    EXPECT_EQ(std::tuple(u.regional.iDate, u.regional.sDate, u.regional.iTime), std::tuple(1, ".", 1));
    EXPECT_EQ(u.regional.dayNames[3], "Mittwoch");
    EXPECT_TRUE(u.week.weekStartsMonday);
    EXPECT_EQ(u.week.firstWeekRule, 2);
}

// ---- the profile over the locale -----------------------------------------------

TEST_F(ProfileFolder, ProfileValuesWinOverTheLocale)
{
    const fs::path path = write("[intl]\niDate=1\niTime=1 ; old comment\nsDate=.\nsTime=h\nsShortDate=dd.mm.yyyy\n"
                                "iTLZero=1\n[Zelkon]\nWeekStartsMon=1\nFirstWeekRule=2\nYearFirstWeekAdjust=-1\n");
    EXPECT_EQ(facts(loadUserRegional(RegionalSources{path, "C"})),
              std::tuple(1, 1, ".", "h", "dd.mm.yyyy", 1, true, 2, -1));
}

TEST_F(ProfileFolder, BadOrMissingProfileValuesKeepTheLocaleOnes)
{
    const fs::path path = write("[intl]\niDate=7\niTime=x\nsDate=\nsShortDate=\n[Zelkon]\nFirstWeekRule=3\n");
    for (const fs::path& p : {path, folder / "absent.ini", fs::path()})
        EXPECT_EQ(facts(loadUserRegional(RegionalSources{p, "C"})), facts(regionalFromLocale("C"))) << p;
}

TEST_F(ProfileFolder, NormalRunReadsTheProfileInTheSettingStore)
{
    write("[intl]\niDate=2\n");
    ScopedVariable config("ZELKON_CONFIG_HOME", folder.c_str());
    EXPECT_EQ(userRegionalSources().profile, folder / "win.ini");
    EXPECT_EQ(loadUserRegional(userRegionalSources()).regional.iDate, 2);
}

TEST(NamedValues, IntlAndWeekSettingsByNameAndRefusalsChangeNothing)
{
    RegionalSettings r;
    EXPECT_TRUE(setIntlValue(r, "idate", "2") && setIntlValue(r, "STIME", ".") && setIntlValue(r, "sShortDate", "yyyy-mm-dd"));
    EXPECT_FALSE(setIntlValue(r, "iDate", "3") || setIntlValue(r, "iDate", "1x") || setIntlValue(r, "iTime", "")
                 || setIntlValue(r, "sDate", "") || setIntlValue(r, "sCurrency", "$"));
    EXPECT_EQ(std::tuple(r.iDate, r.sTime, r.sShortDate), std::tuple(2, ".", "yyyy-mm-dd"));
    WeekSettings w;
    EXPECT_TRUE(setWeekSetting(w, "WeekStartsMon", "1") && setWeekSetting(w, "firstweekrule", "2")
                && setWeekSetting(w, "YearFirstWeekAdjust", "-2"));
    EXPECT_FALSE(setWeekSetting(w, "WeekStartsMon", "2") || setWeekSetting(w, "FirstWeekRule", "3")
                 || setWeekSetting(w, "ShowMoons", "1"));
    EXPECT_EQ(std::tuple(w.weekStartsMonday, w.firstWeekRule, w.yearFirstWeekAdjust), std::tuple(true, 2, -2));
}

// ---- folders ---------------------------------------------------------------------

TEST(Paths, FoldersFollowTheVariables)
{
    {
        ScopedVariable config("ZELKON_CONFIG_HOME", "/tmp/zk-config");
        EXPECT_EQ(profilePath(), fs::path("/tmp/zk-config/win.ini"));
    }
    ScopedVariable config("ZELKON_CONFIG_HOME", nullptr);
    ScopedVariable home("HOME", "/home/someone");
    {
        ScopedVariable xdgConfig("XDG_CONFIG_HOME", "/xdg/config");
        ScopedVariable xdgData("XDG_DATA_HOME", "/xdg/data");
        EXPECT_EQ(settingStoreFolder(), fs::path("/xdg/config/Morvane"));
        EXPECT_EQ(defaultScheduleFolder(), fs::path("/xdg/data/Zelkon"));
    }
    ScopedVariable xdgConfig("XDG_CONFIG_HOME", "relative/config"); // not absolute: ignored
    ScopedVariable xdgData("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(profilePath(), fs::path("/home/someone/.config/Morvane/win.ini"));
    EXPECT_EQ(defaultScheduleFolder(), fs::path("/home/someone/.local/share/Zelkon"));
}

} // namespace
} // namespace zk
