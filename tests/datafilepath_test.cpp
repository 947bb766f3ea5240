// The desktop's data file from its command line and the schedule folder it
// settles in: names that are folders, names that are files, refused names
// and settings, and folders that are missing.

#include "lockfilesupport.h"
#include "platform/messages.h"
#include "shell/model/datafilepath.h"

#include <gtest/gtest.h>

#include <fstream>

namespace zk {
namespace {

namespace fs = std::filesystem;
using testsupport::TempFolder;

class DataFilePathTest : public ::testing::Test {
protected:
    DataFileChoice choose(const std::string& line, std::optional<std::string> setting = std::nullopt)
    {
        return dataFileFromCommandLine(line, setting, home(), messages);
    }
    fs::path home() const { return temp.path() / "share" / "Zelkon"; }

    TempFolder temp;
    ScriptedPresenter presenter{Answer::Yes};
    Messages messages{presenter};
};

TEST_F(DataFilePathTest, WithoutCommandLineTheSettingOrTheDefaultFolderHoldsTheDataFile)
{
    DataFileChoice none = choose("");
    EXPECT_EQ(none.dataFile, home() / "timedata.pak");
    EXPECT_EQ(none.given, PathGiven::No);
    DataFileChoice set = choose("   ", "/srv/plans/");
    EXPECT_EQ(set.dataFile, fs::path("/srv/plans/timedata.pak"));
    EXPECT_EQ(set.given, PathGiven::Yes);
    EXPECT_TRUE(presenter.texts().empty());
    // A setting that names no folder is reset to the default.
    for (const std::string value : {"//", "plans/mine"}) {
        presenter.clear();
        EXPECT_EQ(choose("", value).dataFile, home() / "timedata.pak") << value;
        EXPECT_EQ(presenter.texts(),
                  std::vector<std::string>{value + " is not a valid data folder. Resetting to default."});
    }
}

TEST_F(DataFilePathTest, NamesWithoutDotAfterTheirFirstCharacterAreFoldersOthersDataFiles)
{
    const std::pair<std::string, fs::path> cases[] = {
        {"/srv/plans  ", "/srv/plans/timedata.pak"},
        {"/srv/.plans", "/srv/.plans/timedata.pak"},
        {"/srv/a/../plans/", "/srv/plans/timedata.pak"},
        // Seventeen letters make a perfectly good folder name.
        {"/srv/abcdefghijklmnopq", "/srv/abcdefghijklmnopq/timedata.pak"},
        {"/srv/plans/mine.pak", "/srv/plans/mine.pak"},
        {"/srv/plans/mine.", "/srv/plans/mine.pak"},
        {"mine.pak", fs::current_path() / "mine.pak"},
        {(temp.path() / "plans.2024").string(), temp.path() / "plans.2024" / "timedata.pak"},  // an existing folder
    };
    fs::create_directories(temp.path() / "plans.2024");
    for (const auto& [line, dataFile] : cases)
        EXPECT_EQ(choose(line).dataFile, dataFile) << line;
}

TEST_F(DataFilePathTest, NamesThatAreNotSensibleAreRefused)
{
    for (const std::string& line : {std::string("/srv/pl\x01" "ans"), std::string("/srv/\x7f"), std::string("///")}) {
        presenter.clear();
        DataFileChoice choice = choose(line);
        EXPECT_TRUE(choice.dataFile.empty());
        EXPECT_EQ(presenter.texts(), std::vector<std::string>{kInvalidFileNameText});
    }
    // Cut to 254 bytes first: what lies beyond is not looked at.
    DataFileChoice cut = choose("/" + std::string(253, 'a') + "\x01");
    EXPECT_EQ(cut.dataFile, fs::path("/" + std::string(253, 'a')) / "timedata.pak");
}

TEST_F(DataFilePathTest, TheSettledFolderIsTheDataFilesOwnOrTheDefaultCreated)
{
    fs::create_directories(temp.path() / "plans");
    EXPECT_EQ(settleScheduleFolder(temp.path() / "plans" / "mine.pak", home(), messages), temp.path() / "plans");
    EXPECT_EQ(settleScheduleFolder(home() / "timedata.pak", home(), messages), home());
    EXPECT_TRUE(fs::is_directory(home()));
    EXPECT_TRUE(presenter.texts().empty());
}

TEST_F(DataFilePathTest, AMissingFolderRevertsToTheDefaultOnlyWhenTheUserSaysSo)
{
    const fs::path gone = temp.path() / "share-gone";
    presenter.queueAnswer(Answer::No);
    EXPECT_EQ(settleScheduleFolder(gone / "timedata.pak", home(), messages), gone);
    EXPECT_FALSE(fs::exists(home()));
    EXPECT_EQ(settleScheduleFolder(gone / "timedata.pak", home(), messages), home());
    EXPECT_TRUE(fs::is_directory(home()));
    EXPECT_EQ(presenter.texts().back(),
              "Data folder " + gone.string() + " inaccessible, do you want to revert to the default data folder?");
}

TEST_F(DataFilePathTest, ADefaultFolderThatCannotBeMadeEndsTheSession)
{
    std::ofstream(temp.path() / "share") << "a file where the folder should go";
    EXPECT_EQ(settleScheduleFolder(home() / "timedata.pak", home(), messages), std::nullopt);
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"Unable to create directory " + home().string()});
    EXPECT_EQ(settleScheduleFolder({}, home(), messages), std::nullopt);
}

} // namespace
} // namespace zk
