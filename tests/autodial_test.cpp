// Dialling and the worktools list: the number picked out of an item's
// text and dialled with the prefixes, the area-code table read, written
// and shown as the area's time, the call handed on as a tel: link, and the
// worktools list read and run without a shell.

#include "sessionsupport.h"

#include "core/regional.h"
#include "platform/programlauncher.h"
#include "worktools/model/autodial.h"
#include "worktools/model/telephone.h"
#include "worktools/model/worktoolslist.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;

TEST(AutoDialTest, TheNumberIsTakenFromTheTextAndDialledWithThePrefixes)
{
    EXPECT_EQ(numberFromText("Call Bob at (541) 555-1212 today"), "(541) 555-1212");
    EXPECT_EQ(numberFromText("Order from 1-800-FLOWERS now"), "1-800-3569377");
    // Runs without a "-" or of 4 characters or fewer are not numbers; the
    // scan goes on after them.
    EXPECT_EQ(numberFromText("Room 12, 2 tickets; fax 555-1234/x"), "555-1234/9");
    EXPECT_EQ(numberFromText("Meet at 10 for 2 hours"), "");
    EXPECT_EQ(numberFromText("a-b 1-2"), "");
    // A run stops at 40 characters; text after it is not taken.
    EXPECT_EQ(numberFromText(std::string(45, '5') + "-1").size(), kMaxDialNumberBytes - 1 + 1);
    EXPECT_EQ(numberFromText("Ring 555-1212 ümlaut").size(), std::string("555-1212").size());
    EXPECT_EQ(keypadDigits("abc-WXYZ-q"), "222-9999-7");

    const DialPrefixes prefixes{"9", "1", "541", "011"};
    EXPECT_EQ(dialledNumber("(541) 555-1212", prefixes, CallKind::Local), "9555-1212");
    EXPECT_EQ(dialledNumber("(503) 555-1212", prefixes, CallKind::Distance), "91503555-1212");
    EXPECT_EQ(dialledNumber("44/20 7946 0958", prefixes, CallKind::International), "90114420 7946 0958");
    EXPECT_EQ(dialledNumber("5551212", prefixes, CallKind::Local), "95551212");
    EXPECT_EQ(dialledNumber("(541) 555-1212", {"", "", "", ""}, CallKind::Local), "541555-1212");

    EXPECT_EQ(areaCodeOf("(541) 555"), 541);
    EXPECT_EQ(areaCodeOf("1-800"), 180);
    EXPECT_EQ(areaCodeOf("(54"), std::nullopt);
}

TEST(AutoDialTest, TheAreaCodeTableIsReadBoundedWrittenWholeAndGivesTheAreasTime)
{
    TempFolder folder;
    const std::filesystem::path file = folder.path() / kAreaCodeFileName;
    AreaCodeTable missing = readAreaCodes(file);
    EXPECT_TRUE(missing.missing);
    EXPECT_EQ(missing.problem, "File not found: " + file.string());

    writeText(file, "541 8:00 Oregon, Pacific\r\n212 5 New York\nnot a line\n33 -1:00\n999 25:00 Nowhere\n" +
                        std::string(300, '7') + "\n617 5:00 " + std::string(400, 'B') + "\n");
    AreaCodeTable table = readAreaCodes(file);
    EXPECT_TRUE(table.problem.empty());
    ASSERT_EQ(table.codes.size(), 4u);
    EXPECT_EQ(table.codes[0], (AreaCode{541, 480, "Oregon, Pacific"}));
    EXPECT_EQ(table.codes[1], (AreaCode{212, 300, "New York"}));
    EXPECT_EQ(table.codes[2], (AreaCode{33, -60, ""}));
    EXPECT_EQ(table.codes[3].place.size(), kMaxAreaCodeLineBytes - 9);  // the line cut at its bound
    EXPECT_EQ(table.find(212)->place, "New York");
    EXPECT_EQ(table.find(999), nullptr);

    // Written back whole, through a temporary file, and read the same.
    table.codes[0].place = "Bend\nOregon";
    ASSERT_EQ(writeAreaCodes(file, table.codes), 0);
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".tmp"));
    AreaCodeTable again = readAreaCodes(file);
    ASSERT_EQ(again.codes.size(), 4u);
    EXPECT_EQ(again.codes[0].place, "Bend Oregon");
    EXPECT_EQ(again.codes[2].minutesWest, -60);
    EXPECT_EQ(readText(file).substr(0, 28), "541 8:00 Bend Oregon\n212 5:0");

    // 10:00 here, an hour west of universal time: 5 hours west is 6:00.
    const RegionalSettings regional;
    EXPECT_EQ(areaLine(again.codes[1], TimeValue::fromClock(10, 0), 60, regional), "6:00a New York");
    // Across midnight either way.
    EXPECT_EQ(areaLine(again.codes[2], TimeValue::fromClock(23, 30), 0, regional), "12:30a ");
    EXPECT_EQ(areaLine(again.codes[0], TimeValue::fromClock(1, 0), -60, regional), "4:00p Bend Oregon");
}

TEST(AutoDialTest, ACallIsShownThenHandedOnAsATelLink)
{
    EXPECT_EQ(telUrl("9 (541) 555-1212,,#12*"), "tel:9541555-1212%2312*");
    ScriptedPresenter presenter;
    Messages messages(presenter);
    ScriptedProgramLauncher launcher;
    EXPECT_TRUE(placeCall(launcher, messages, " 555-1212 ", {"Dialing ", "error in dialing"}));
    EXPECT_EQ(launcher.urls, std::vector<std::string>{"tel:555-1212"});
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"Dialing 555-1212"});
    // Nothing to dial: nothing shown, nothing started.
    EXPECT_FALSE(placeCall(launcher, messages, "  ", {"Dialing ", "error in dialing"}));
    EXPECT_FALSE(placeCall(launcher, messages, "()", {"", "error in dialing"}));
    EXPECT_EQ(launcher.urls.size(), 1u);
    launcher.starts = false;
    presenter.clear();
    EXPECT_FALSE(placeCall(launcher, messages, "555-1212", {"", kDialErrorText}));
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"error in dialing"});
}

TEST(WorktoolsListTest, TwentyToolsAreReadAndRunAsTheirProgramWithoutAShell)
{
    TempFolder folder;
    std::string text = "Editor\tgedit --new-window \"my notes.txt\"\r\n\n  Calculator = gnome-calculator\nJust a caption\n"
                       "Open quote=sh -c 'rm\n";
    for (int i = 0; i < 25; ++i)
        text += "Tool " + std::to_string(i) + "=true\n";
    writeText(folder.path() / kWorktoolListName, text);
    std::vector<Worktool> tools = readWorktoolsList(folder.path());
    ASSERT_EQ(tools.size(), kMaxWorktools);
    EXPECT_EQ(tools[0].caption, "Editor");
    EXPECT_EQ(tools[1].caption, "Calculator");
    EXPECT_EQ(tools[1].commandLine, "gnome-calculator");
    EXPECT_EQ(tools[2].commandLine, std::nullopt);
    EXPECT_EQ(tools.back().caption, "Tool 15");
    EXPECT_TRUE(readWorktoolsList(folder.path() / "missing").empty());

    ScriptedPresenter presenter;
    Messages messages(presenter);
    ScriptedProgramLauncher launcher;
    EXPECT_TRUE(runWorktool(tools[0], launcher, messages));
    ASSERT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(launcher.started[0], (ProgramCommand{"gedit", {"--new-window", "my notes.txt"}}));
    EXPECT_FALSE(runWorktool(tools[2], launcher, messages));
    EXPECT_FALSE(runWorktool(tools[3], launcher, messages));
    EXPECT_EQ(launcher.started.size(), 1u);
    ASSERT_EQ(presenter.texts().size(), 2u);
    EXPECT_EQ(presenter.texts()[0], "Null command line. Probably missing tab.");

    // The list opens in the editor, created first when missing.
    const std::filesystem::path list = folder.path() / "other" ;
    std::filesystem::create_directories(list);
    EXPECT_TRUE(openListInEditor(list / kWorktoolListName, launcher, messages));
    EXPECT_EQ(launcher.urls, std::vector<std::string>{(list / kWorktoolListName).string()});
    EXPECT_TRUE(readWorktoolsList(list).empty());
}

} // namespace
} // namespace zk
