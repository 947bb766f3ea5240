#include "core/regional.h"
#include "platform/paths.h"
#include "platform/regionalsource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <locale.h>
#include <optional>
#include <string>
#include <unistd.h>

namespace zk {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for one test and puts the old value back.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedVariable()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class ProfileFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "zk-profile-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    fs::path write(const std::string& text)
    {
        const fs::path path = folder / "win.ini";
        std::ofstream(path) << text;
        return path;
    }
    fs::path folder;
};

// ---- the settings themselves ---------------------------------------------------

TEST(RegionalSettings, DefaultsAreTheUsOnes)
{
    const RegionalSettings r;
    EXPECT_EQ(r.iDate, 0);
    EXPECT_EQ(r.iTime, 0);
    EXPECT_EQ(r.sDate, "/");
    EXPECT_EQ(r.sTime, ":");
    EXPECT_EQ(r.sShortDate, "mm/dd/yy");
    EXPECT_EQ(r.dayNames[0], "Sunday");
    EXPECT_EQ(r.abbreviatedMonthNames[11], "Dec");
    const WeekSettings w;
    EXPECT_FALSE(w.weekStartsMonday);
    EXPECT_EQ(w.firstWeekRule, 0);
    EXPECT_EQ(w.yearFirstWeekAdjust, 0);
}

TEST(RegionalSettings, SanitisedBringsValuesIntoRange)
{
    RegionalSettings r;
    r.iDate = 3;
    r.iTime = -1;
    r.sDate = "ab";
    r.sTime = "";
    r.sShortDate = "dd.mm.yyyy.extra";
    r.dayNames[3] = "";
    const RegionalSettings s = sanitised(r);
    EXPECT_EQ(s.iDate, 0);
    EXPECT_EQ(s.iTime, 0);
    EXPECT_EQ(s.sDate, "a");
    EXPECT_EQ(s.sTime, ":");
    EXPECT_EQ(s.sShortDate, "dd.mm.yyyy");
    EXPECT_EQ(s.dayNames[3], "Wednesday");
    WeekSettings w{true, 5, 1000};
    w = sanitised(w);
    EXPECT_EQ(w.firstWeekRule, 0);
    EXPECT_EQ(w.yearFirstWeekAdjust, 0);
}

TEST(RegionalSettings, CutsFallOnCharacterBoundaries)
{
    RegionalSettings r;
    r.sDate = "年x";
    r.sShortDate = "yy年mm月dd日";
    const RegionalSettings s = sanitised(r);
    EXPECT_EQ(s.sDate, "年");
    EXPECT_EQ(s.sShortDate, "yy年mm月"); // ten bytes, no half character
    EXPECT_EQ(firstCharacters("\xc3", 1), "\xc3");
    EXPECT_EQ(firstCharacters("ab", 5), "ab");
}

// ---- locale formats --------------------------------------------------------------

TEST(LocaleFormats, DateOrderSeparatorAndPattern)
{
    struct Case {
        const char* format;
        int iDate;
        const char* sDate;
        const char* pattern;
    };
    for (const Case& c : {Case{"%m/%d/%y", 0, "/", "mm/dd/yy"}, Case{"%d/%m/%Y", 1, "/", "dd/mm/yyyy"},
                          Case{"%d.%m.%Y", 1, ".", "dd.mm.yyyy"}, Case{"%F", 2, "-", "yyyy-mm-dd"},
                          Case{"%D", 0, "/", "mm/dd/yy"}, Case{"%e/%-m/%y", 1, "/", "d/m/yy"},
                          Case{"%d. %m. %Y", 1, ".", "dd.mm.yyyy"}, Case{"%Y年%m月%d日", 2, "/", "yyyy/mm/dd"}}) {
        const auto facts = dateFormatFacts(c.format);
        ASSERT_TRUE(facts) << c.format;
        EXPECT_EQ(facts->iDate, c.iDate) << c.format;
        EXPECT_EQ(facts->sDate, c.sDate) << c.format;
        EXPECT_EQ(facts->sShortDate, c.pattern) << c.format;
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
    auto facts = timeFormatFacts("%H:%M:%S", "");
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->iTime, 1);
    EXPECT_EQ(facts->sTime, ":");
    EXPECT_EQ(facts->iTLZero, 1);
    facts = timeFormatFacts("%r", "%I:%M:%S %p");
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->iTime, 0);
    EXPECT_EQ(facts->iTLZero, 1);
    facts = timeFormatFacts("%l.%M %p", "");
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->iTime, 0);
    EXPECT_EQ(facts->sTime, ".");
    EXPECT_EQ(facts->iTLZero, 0);
    facts = timeFormatFacts("%T", "");
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->iTime, 1);
    EXPECT_EQ(facts->sTime, ":");
    EXPECT_EQ(timeFormatFacts("%H時%M分%S秒", "")->sTime, ":");
    EXPECT_FALSE(timeFormatFacts("%r", ""));
    EXPECT_FALSE(timeFormatFacts("%M", ""));
}

TEST(LocaleFormats, FirstWeekRule)
{
    EXPECT_EQ(firstWeekRuleForMinimalDays(1), 0);
    EXPECT_EQ(firstWeekRuleForMinimalDays(4), 2);
    EXPECT_EQ(firstWeekRuleForMinimalDays(7), 1);
    EXPECT_EQ(firstWeekRuleForMinimalDays(0), 0);
}

TEST(LocaleFormats, CAndUnknownLocalesGiveTheDefaults)
{
    for (const char* name : {"C", "POSIX", "C.UTF-8", "xx_NOWHERE.UTF-8"}) {
        const UserRegional u = regionalFromLocale(name);
        EXPECT_EQ(u.regional.sShortDate, "mm/dd/yy") << name;
        EXPECT_EQ(u.regional.iTime, 0) << name;
        EXPECT_EQ(u.regional.dayNames[1], "Monday") << name;
        EXPECT_FALSE(u.week.weekStartsMonday) << name;
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
    EXPECT_EQ(u.regional.iDate, 1);
    EXPECT_EQ(u.regional.sDate, ".");
    EXPECT_EQ(u.regional.iTime, 1);
    EXPECT_EQ(u.regional.dayNames[3], "Mittwoch");
    EXPECT_TRUE(u.week.weekStartsMonday);
    EXPECT_EQ(u.week.firstWeekRule, 2);
}

// ---- the profile over the locale -----------------------------------------------

TEST_F(ProfileFolder, ProfileValuesWinOverTheLocale)
{
    const fs::path path = write("[intl]\niDate=1\niTime=1 ; old comment\nsDate=.\nsTime=h\nsShortDate=dd.mm.yyyy\n"
                                "iTLZero=1\n[Zelkon]\nWeekStartsMon=1\nFirstWeekRule=2\nYearFirstWeekAdjust=-1\n");
    const UserRegional u = loadUserRegional(RegionalSources{path, "C"});
    EXPECT_EQ(u.regional.iDate, 1);
    EXPECT_EQ(u.regional.iTime, 1);
    EXPECT_EQ(u.regional.sDate, ".");
    EXPECT_EQ(u.regional.sTime, "h");
    EXPECT_EQ(u.regional.sShortDate, "dd.mm.yyyy");
    EXPECT_EQ(u.regional.iTLZero, 1);
    EXPECT_TRUE(u.week.weekStartsMonday);
    EXPECT_EQ(u.week.firstWeekRule, 2);
    EXPECT_EQ(u.week.yearFirstWeekAdjust, -1);
}

TEST_F(ProfileFolder, BadProfileValuesKeepTheLocaleOnes)
{
    const fs::path path = write("[intl]\niDate=7\niTime=x\nsDate=\nsShortDate=\n[Zelkon]\nFirstWeekRule=3\n");
    const UserRegional u = loadUserRegional(RegionalSources{path, "C"});
    EXPECT_EQ(u.regional.iDate, 0);
    EXPECT_EQ(u.regional.iTime, 0);
    EXPECT_EQ(u.regional.sDate, "/");
    EXPECT_EQ(u.regional.sShortDate, "mm/dd/yy");
    EXPECT_EQ(u.week.firstWeekRule, 0);
}

TEST_F(ProfileFolder, NoProfileAtAll)
{
    const UserRegional u = loadUserRegional(RegionalSources{folder / "absent.ini", "C"});
    EXPECT_EQ(u.regional.sShortDate, "mm/dd/yy");
    EXPECT_EQ(loadUserRegional(RegionalSources{{}, "C"}).regional.iDate, 0);
}

TEST_F(ProfileFolder, NormalRunReadsTheProfileInTheSettingStore)
{
    write("[intl]\niDate=2\n");
    ScopedVariable config("ZELKON_CONFIG_HOME", folder.c_str());
    EXPECT_EQ(userRegionalSources().profile, folder / "win.ini");
    EXPECT_EQ(loadUserRegional(userRegionalSources()).regional.iDate, 2);
}

TEST(NamedValues, IntlAndWeekSettingsByName)
{
    RegionalSettings r;
    EXPECT_TRUE(setIntlValue(r, "idate", "2"));
    EXPECT_EQ(r.iDate, 2);
    EXPECT_TRUE(setIntlValue(r, "sShortDate", "yyyy-mm-dd"));
    EXPECT_EQ(r.sShortDate, "yyyy-mm-dd");
    EXPECT_TRUE(setIntlValue(r, "STIME", "."));
    EXPECT_EQ(r.sTime, ".");
    EXPECT_FALSE(setIntlValue(r, "iDate", "3"));
    EXPECT_FALSE(setIntlValue(r, "iDate", "1x"));
    EXPECT_FALSE(setIntlValue(r, "iTime", ""));
    EXPECT_FALSE(setIntlValue(r, "sDate", ""));
    EXPECT_FALSE(setIntlValue(r, "sCurrency", "$"));
    EXPECT_EQ(r.iDate, 2);
    WeekSettings w;
    EXPECT_TRUE(setWeekSetting(w, "WeekStartsMon", "1"));
    EXPECT_TRUE(w.weekStartsMonday);
    EXPECT_TRUE(setWeekSetting(w, "firstweekrule", "2"));
    EXPECT_EQ(w.firstWeekRule, 2);
    EXPECT_TRUE(setWeekSetting(w, "YearFirstWeekAdjust", "-2"));
    EXPECT_EQ(w.yearFirstWeekAdjust, -2);
    EXPECT_FALSE(setWeekSetting(w, "WeekStartsMon", "2"));
    EXPECT_FALSE(setWeekSetting(w, "FirstWeekRule", "3"));
    EXPECT_FALSE(setWeekSetting(w, "ShowMoons", "1"));
}

// ---- folders ---------------------------------------------------------------------

TEST(Paths, SettingStoreFolder)
{
    {
        ScopedVariable config("ZELKON_CONFIG_HOME", "/tmp/zk-config");
        EXPECT_EQ(settingStoreFolder(), fs::path("/tmp/zk-config"));
        EXPECT_EQ(profilePath(), fs::path("/tmp/zk-config/win.ini"));
    }
    ScopedVariable config("ZELKON_CONFIG_HOME", nullptr);
    ScopedVariable home("HOME", "/home/someone");
    {
        ScopedVariable xdg("XDG_CONFIG_HOME", "/xdg/config");
        EXPECT_EQ(settingStoreFolder(), fs::path("/xdg/config/Morvane"));
    }
    {
        ScopedVariable xdg("XDG_CONFIG_HOME", "relative/config"); // not absolute: ignored
        EXPECT_EQ(settingStoreFolder(), fs::path("/home/someone/.config/Morvane"));
    }
    ScopedVariable xdg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(settingStoreFolder(), fs::path("/home/someone/.config/Morvane"));
    EXPECT_EQ(profilePath(), fs::path("/home/someone/.config/Morvane/win.ini"));
}

TEST(Paths, DefaultScheduleFolder)
{
    ScopedVariable home("HOME", "/home/someone");
    {
        ScopedVariable xdg("XDG_DATA_HOME", "/xdg/data");
        EXPECT_EQ(defaultScheduleFolder(), fs::path("/xdg/data/Zelkon"));
    }
    ScopedVariable xdg("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(defaultScheduleFolder(), fs::path("/home/someone/.local/share/Zelkon"));
}

} // namespace
} // namespace zk
