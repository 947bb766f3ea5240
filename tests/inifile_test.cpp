#include "platform/inifile.h"

#include "tests/sessionsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace zk {
namespace {

namespace fs = std::filesystem;
using TemporaryFolder = testsupport::TempFolder;

constexpr const char* kProfile =
    "; written by hand\n"
    "top=level\n"
    "[intl]\n"
    "iDate = 1\n"
    "sDate=.\n"
    "# a comment\n"
    "sShortDate=\"dd.mm.yyyy\"\n"
    "this line has no equals sign\n"
    "\n"
    "[Zelkon]\n"
    "WeekStartsMon=1\n"
    "WeekStartsMon=0\n"
    "[INTL]\n"
    "iTime=1\n";

TEST(IniFileRead, SectionsNamesAndValues)
{
    const IniFile ini = IniFile::parse(kProfile);
    EXPECT_EQ(ini.value("intl", "iDate"), "1");
    EXPECT_EQ(ini.value("INTL", "IDATE"), "1");
    EXPECT_EQ(ini.value("intl", "sDate"), ".");
    EXPECT_EQ(ini.value("intl", "sShortDate"), "dd.mm.yyyy");
    EXPECT_EQ(ini.value("intl", "iTime"), "1"); // a second section of the same name counts too
    EXPECT_EQ(ini.value("Zelkon", "WeekStartsMon"), "1"); // the first of two wins
    EXPECT_EQ(ini.value("", "top"), "level");
    EXPECT_EQ(ini.value("intl", "top"), std::nullopt);
    EXPECT_EQ(ini.value("intl", "a comment"), std::nullopt);
    EXPECT_EQ(ini.value("intl", "this line has no equals sign"), std::nullopt);
    EXPECT_EQ(ini.value("nowhere", "iDate"), std::nullopt);
    EXPECT_EQ(ini.sections(), (std::vector<std::string>{"intl", "Zelkon"}));
    EXPECT_EQ(ini.names("Zelkon"), (std::vector<std::string>{"WeekStartsMon"}));
    EXPECT_EQ(ini.names("intl"), (std::vector<std::string>{"iDate", "sDate", "sShortDate", "iTime"}));
}

TEST(IniFileRead, IntegersReadLikeProfileIntegers)
{
    const IniFile ini = IniFile::parse("[s]\na=12abc\nb=-3\nc=abc\nd=99999999999\ne=\nf= +7 \n");
    for (auto [name, read] : {std::pair<const char*, std::optional<int>>{"a", 12}, {"b", -3}, {"c", std::nullopt},
                              {"d", 2147483647}, {"e", std::nullopt}, {"f", 7}, {"missing", std::nullopt}})
        EXPECT_EQ(ini.intValue("s", name), read) << name;
}

TEST(IniFileWrite, UnchangedTextComesBackAsItWas)
{
    EXPECT_EQ(IniFile::parse(kProfile).text(), kProfile);
    const std::string windows = "\xEF\xBB\xBF[intl]\r\niDate=1\r\n; note\r\n";
    EXPECT_EQ(IniFile::parse(windows).text(), windows);
}

TEST(IniFileWrite, ChangesKeepTheLinesAroundAndNewSectionsGoAtTheEnd)
{
    IniFile ini = IniFile::parse(kProfile);
    ASSERT_TRUE(ini.setValue("INTL", "IDATE", "2"));
    ASSERT_TRUE(ini.setValue("intl", "sTime", "."));
    ASSERT_TRUE(ini.setValue("Zelkon", "FirstWeekRule", "2"));
    // The profile as it was: one value changed, each new one after the last value of its section.
    std::string expected = kProfile;
    expected.replace(expected.find("iDate = 1"), 9, "iDate=2");
    expected.insert(expected.find("this line"), "sTime=.\n");
    expected.insert(expected.find("[INTL]"), "FirstWeekRule=2\n");
    EXPECT_EQ(ini.text(), expected);

    // New sections go at the end.
    ini = IniFile::parse("[a]\nx=1");
    ASSERT_TRUE(ini.setValue("b", "y", "2"));
    EXPECT_EQ(ini.text(), "[a]\nx=1\n\n[b]\ny=2\n");
    IniFile empty;
    ASSERT_TRUE(empty.setValue("intl", "iDate", "1"));
    ASSERT_TRUE(empty.setValue("", "top", "1"));
    EXPECT_EQ(empty.text(), "top=1\n[intl]\niDate=1\n");
}

TEST(IniFileWrite, AwkwardValuesReadBackTheSameNamesThatCannotAreRefused)
{
    IniFile ini;
    ASSERT_TRUE(ini.setValue("s", "v", "first"));
    ASSERT_TRUE(ini.setValue("s", "v", "; not a comment"));
    ASSERT_TRUE(ini.setValue("s", "padded", "  padded  "));
    ASSERT_TRUE(ini.setValue("s", "quoted", "\"quoted\""));
    ASSERT_TRUE(ini.setValue("s", "equals", "a=b"));
    ASSERT_TRUE(ini.setValue("s", "broken", "one\ntwo\rthree"));
    const IniFile back = IniFile::parse(ini.text());
    EXPECT_EQ(back.value("s", "padded"), "  padded  ");
    EXPECT_EQ(back.value("s", "quoted"), "\"quoted\"");
    EXPECT_EQ(back.value("s", "equals"), "a=b");
    EXPECT_EQ(back.value("s", "v"), "; not a comment");
    EXPECT_EQ(back.value("s", "broken"), "one two three");

    ini = IniFile();
    for (const char* name : {"", "  ", "a=b", "two\nlines", "[s]", ";x", "#x"})
        EXPECT_FALSE(ini.setValue("s", name, "1")) << name;
    EXPECT_EQ(ini.text(), "");
    ini = IniFile::parse("[a]\nx=1\ny=2\n");
    EXPECT_TRUE(ini.remove("A", "X"));
    EXPECT_FALSE(ini.remove("a", "x"));
    EXPECT_EQ(ini.text(), "[a]\ny=2\n");
}

TEST(IniFileFiles, SaveAndLoadOrSayWhyNot)
{
    TemporaryFolder folder;
    const fs::path path = folder.path() / "new" / "folder" / "win.ini";
    IniFile ini;
    ini.setValue("intl", "iDate", "1");
    std::string error;
    ASSERT_TRUE(ini.save(path, &error)) << error;
    EXPECT_EQ(testsupport::readText(path), "[intl]\niDate=1\n");
    IniFile loaded;
    EXPECT_EQ(loaded.load(path), IniFile::LoadStatus::Loaded);
    EXPECT_EQ(loaded.value("intl", "iDate"), "1");
    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(path.parent_path()), fs::directory_iterator()), 1);

    EXPECT_EQ(loaded.load(folder.path() / "absent.ini"), IniFile::LoadStatus::Missing);
    EXPECT_EQ(loaded.value("intl", "iDate"), std::nullopt);
    EXPECT_EQ(loaded.load(folder.path()), IniFile::LoadStatus::Unreadable); // a folder
    std::ofstream(folder.path() / "plain") << "x";
    EXPECT_FALSE(IniFile().save(folder.path() / "plain" / "win.ini", &error));
    EXPECT_FALSE(error.empty());
}

TEST(IniFileFiles, RefusesAFileTooLargeToBeAProfile)
{
    TemporaryFolder folder;
    const fs::path path = folder.path() / "huge.ini";
    std::ofstream(path) << "[a]\nx=1\n";
    fs::resize_file(path, IniFile::kMaxFileSize + 1);
    IniFile ini;
    EXPECT_EQ(ini.load(path), IniFile::LoadStatus::TooLarge);
    fs::resize_file(path, IniFile::kMaxFileSize);
    EXPECT_EQ(ini.load(path), IniFile::LoadStatus::Loaded);
    EXPECT_EQ(ini.value("a", "x"), "1");
}

TEST(IniFileRead, BinaryGarbageNeverBreaksTheReader)
{
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>((i * 131 + 7) % 256);
    const IniFile ini = IniFile::parse(junk);
    EXPECT_EQ(IniFile::parse(ini.text()).text(), ini.text());
    EXPECT_EQ(IniFile::parse(std::string("[a]\nx=1\0y\n", 10)).value("a", "x"), std::string("1\0y", 3));
}

} // namespace
} // namespace zk
