// Commands, menus and modes: every mode's menus hold their commands once
// and with usable mnemonics, the key sets have no key twice, the enabling
// and checking rules, the dispatching order, and the commands that move
// the viewed day and switch views.

#include "core/itemrecord.h"
#include "engine/interfacemode.h"
#include "platform/messages.h"
#include "shell/model/commanddispatch.h"
#include "shell/model/commands.h"
#include "shell/model/menus.h"
#include "shell/model/navigation.h"
#include "shell/model/settings.h"
#include "tests/fakenavigator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace zk {
namespace {

using ::testing::ElementsAre;

constexpr std::uint32_t kModes[] = {InterfaceMode::lite, InterfaceMode::pro, InterfaceMode::ez};
const std::set<int> kNeverShown{757, 688, 735, 731, 641, 632, 715, 720, 742, 756, 701, 755, 147,
                                  711, 1568, 678, 502, 636, 663, 676, 700, 722, 691};
const std::set<int> kEmailItems{460, 459, 609};

std::set<int> menuCommands(std::uint32_t mode, MenuOptions options = {})
{
    std::vector<int> list = commandsOf(menuBar(mode, options));
    return {list.begin(), list.end()};
}

// The letter after the single '&' of a text, lower-cased; 0 when none.
char mnemonicOf(std::string_view text)
{
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '&' && text[i + 1] == '&')
            ++i;
        else if (text[i] == '&')
            return static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
    }
    return 0;
}

// Every item has a mnemonic of its own in its menu; no popup is empty and no
// separator stands at an end or beside another.
void expectWellFormed(const std::vector<MenuNode>& nodes, const std::string& where)
{
    ASSERT_FALSE(nodes.empty()) << where << " is empty";
    EXPECT_NE(nodes.front().kind, MenuNode::Kind::Separator) << where;
    EXPECT_NE(nodes.back().kind, MenuNode::Kind::Separator) << where;
    std::map<char, std::string> taken;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const MenuNode& node = nodes[i];
        if (node.kind == MenuNode::Kind::Separator) {
            EXPECT_TRUE(i == 0 || nodes[i - 1].kind != MenuNode::Kind::Separator) << where;
            continue;
        }
        char letter = mnemonicOf(node.text);
        EXPECT_NE(letter, 0) << where << ": " << node.text << " has no mnemonic";
        auto [it, fresh] = taken.emplace(letter, node.text);
        EXPECT_TRUE(fresh) << where << ": " << node.text << " and " << it->second << " share '" << letter << "'";
        if (node.kind == MenuNode::Kind::Popup)
            expectWellFormed(node.children, where + "/" + plainText(node.text));
    }
}

TEST(ModeMenusTest, EachModeHoldsEveryCommandOfItsModeOnceAndNoRemovedOne)
{
    std::set<int> ids;
    for (const CommandInfo& row : commandTable())
        EXPECT_TRUE(row.id == 0 || (ids.insert(row.id).second && findCommand(row.id) == &row && !plainText(row.text).empty()))
            << row.id << " twice, not found or unnamed";
    for (std::uint32_t mode : kModes) {
        std::vector<int> list = commandsOf(menuBar(mode, {}));
        std::set<int> shown(list.begin(), list.end());
        EXPECT_EQ(shown.size(), list.size()) << "a command twice in mode " << mode;
        for (const CommandInfo& row : commandTable()) {
            if (row.id == 0 || *row.menu == '\0' || kNeverShown.contains(row.id) || kEmailItems.contains(row.id))
                continue;
            EXPECT_EQ(shown.contains(row.id), (row.modes & modeBit(mode)) != 0) << row.id << " in mode " << mode;
        }
        std::set<int> withEmail = menuCommands(mode, {.email = true});
        for (int removed : kNeverShown)
            EXPECT_FALSE(withEmail.contains(removed)) << removed;
        for (const KeyBinding& binding : keySet(mode))
            EXPECT_FALSE(kNeverShown.contains(binding.command)) << binding.command << " keeps a key in mode " << mode;
        for (int command : {Command::liteMode, Command::proMode, Command::ezMode})
            EXPECT_TRUE(withEmail.contains(command)) << command << " in mode " << mode;
        for (MenuOptions options : {MenuOptions{}, MenuOptions{.email = true, .samplesGone = true}})
            expectWellFormed(menuBar(mode, options), "mode " + std::to_string(mode));
    }
    EXPECT_FALSE(menuCommands(InterfaceMode::pro).contains(460));
    for (int item : kEmailItems)
        EXPECT_TRUE(menuCommands(InterfaceMode::pro, {.email = true}).contains(item)) << item;
    EXPECT_TRUE(menuCommands(InterfaceMode::ez).contains(Command::deleteSampleItems));
    EXPECT_FALSE(menuCommands(InterfaceMode::ez, {.samplesGone = true}).contains(Command::deleteSampleItems));
}

TEST(ModeMenusTest, MenuBarsInTheirOrderAndASubmenuOfOneEntryGivesWayToIt)
{
    auto titles = [](std::uint32_t mode) {
        std::vector<std::string> out;
        for (const MenuNode& node : menuBar(mode, {}))
            out.push_back(plainText(node.text));
        return out;
    };
    EXPECT_THAT(titles(InterfaceMode::pro), ElementsAre("File", "Edit", "Insert", "Select", "View", "Juggle", "Projects",
                                                        "Surprise", "Worktools", "Schedules", "Options", "Help"));
    EXPECT_EQ(titles(7), titles(InterfaceMode::ez)) << "an unknown mode gets the plainest menus";
    EXPECT_EQ(plainText("Append &Time && Date Stamp..."), "Append Time & Date Stamp");

    // LITE's Juggle menu holds only the item moves; View/Special only Time Graph.
    std::vector<MenuNode> lite = menuBar(InterfaceMode::lite, {});
    const MenuNode* juggle = findPopup(lite, "Juggle");
    ASSERT_NE(juggle, nullptr);
    EXPECT_EQ(juggle->children.front().command, 9);
    const std::vector<MenuNode>& view = findPopup(lite, "View")->children;
    EXPECT_TRUE(std::any_of(view.begin(), view.end(), [](const MenuNode& n) { return n.command == 392; }));
    EXPECT_EQ(findPopup(menuBar(InterfaceMode::pro, {}), "Juggle")->children.front().kind, MenuNode::Kind::Popup);
}

TEST(KeySetTest, EveryKeyParsesAndNoKeyIsTakenTwiceOrByAMenuMnemonic)
{
    for (const CommandInfo& row : commandTable())
        for (const char* keys : {row.keys, row.liteKeys}) {
            std::string_view text = keys;
            std::size_t written = text.empty() ? 0 : std::count(text.begin(), text.end(), ',') + 1;
            EXPECT_EQ(parseKeys(text).size(), written) << row.id << ": " << text;
        }
    EXPECT_EQ(parseKey("Ctrl+Num+"), (KeyChord{"Num+", KeyModifier::ctrl}));
    EXPECT_EQ(parseKey("-"), (KeyChord{"-", 0}));
    EXPECT_EQ(parseKey("F13"), std::nullopt);
    EXPECT_EQ(parseKey("Ctrl+"), std::nullopt);
    EXPECT_EQ(keyText(*parseKey("Ctrl+PageDown")), "Ctrl+PgDn");

    for (std::uint32_t mode : kModes) {
        std::map<std::pair<std::string, int>, int> seen;
        for (const KeyBinding& binding : keySet(mode)) {
            auto [it, fresh] = seen.emplace(std::pair{binding.key.name, int(binding.key.modifiers)}, binding.command);
            EXPECT_TRUE(fresh) << keyText(binding.key) << " for " << binding.command << " and " << it->second
                               << " in mode " << mode;
            for (const MenuNode& popup : menuBar(mode, {}))
                EXPECT_FALSE(binding.key.modifiers == KeyModifier::alt && binding.key.name.size() == 1
                             && std::tolower(binding.key.name[0]) == mnemonicOf(popup.text))
                    << keyText(binding.key) << " opens " << popup.text;
        }
    }
}

// What the keys of EZ and LITE reach in a window is met in the menu tests.
TEST(KeySetTest, LiteHasItsOwnSetAndMenusShowTheFirstKeyOfTheMode)
{
    auto commandOfKey = [](std::uint32_t mode, std::string_view key) {
        for (const KeyBinding& binding : keySet(mode))
            if (binding.key == *parseKey(key))
                return binding.command;
        return 0;
    };
    EXPECT_EQ(commandOfKey(InterfaceMode::pro, "Ctrl+U"), 0) << "a LITE key";
    EXPECT_EQ(commandOfKey(InterfaceMode::lite, "PageUp"), 27);  // key-only commands are everywhere
    EXPECT_EQ(menuKey(InterfaceMode::lite, 648), parseKey("Shift+Insert"));
    EXPECT_EQ(menuKey(InterfaceMode::pro, 20), parseKey("Insert"));  // a named key reads better than "'"
    EXPECT_EQ(menuKey(InterfaceMode::lite, 977), std::nullopt);
}

TEST(MenuRulesTest, EnablingNeedsSelectionWritableFileAndViewAccessAndChecksFollowTheState)
{
    CommandState state;
    EXPECT_FALSE(isEnabled(921, state));
    state.hasSelection = true;
    EXPECT_TRUE(isEnabled(921, state));
    state.readOnly = true;
    EXPECT_FALSE(isEnabled(921, state));
    EXPECT_FALSE(isEnabled(649, state));  // inserting changes the schedule
    EXPECT_TRUE(isEnabled(Command::singleView, state));

    CommandState locked{.viewAccess = false};
    for (int command : {Command::exit, Command::about, 605, 703})
        EXPECT_TRUE(isEnabled(command, locked)) << command;
    for (int command : {Command::singleView, Command::nextDay, 1258, Command::firstSurprise})
        EXPECT_FALSE(isEnabled(command, locked)) << command;

    Settings settings;
    CommandState checks{.interfaceMode = InterfaceMode::pro, .view = Command::weekView, .paneCount = 5,
                        .tilingCommand = 86, .noteBrowsing = true, .settings = &settings};
    for (int command : {Command::weekView, 46 /* 5 panes */, 86, Command::proMode, Command::noteBrowsing})
        EXPECT_TRUE(isChecked(command, checks)) << command;
    for (int command : {Command::singleView, 45, Command::liteMode, 603, 152 /* nothing selected */})
        EXPECT_FALSE(isChecked(command, checks)) << command;
    settings.setOn(IntSetting::PopCalTiled, true);
    EXPECT_TRUE(isChecked(603, checks));
    checks.hasSelection = true;
    checks.selectedFlags = ItemFlag::fFloating | ItemFlag::fKey;
    EXPECT_TRUE(isChecked(152, checks));
    EXPECT_TRUE(isChecked(659, checks));
    EXPECT_FALSE(isChecked(395, checks));
}

class DispatchTest : public ::testing::Test {
protected:
    DispatchTest()
    {
        dispatcher.setGates({
            .activity = [this](int command) { seen.push_back(command); },
            .viewAccess = [this] { return viewAccess; },
            .readOnly = [this] { return readOnly; },
            .changeAccess = [this] { return changeAccess; },
        });
    }
    CommandDispatcher::Handler record(std::string name)
    {
        return [this, name](int command) { ran.push_back(name + " " + std::to_string(command)); };
    }

    ScriptedPresenter presenter;
    Messages messages{presenter};
    CommandDispatcher dispatcher{messages};
    bool viewAccess = true, readOnly = false, changeAccess = true;
    std::vector<int> seen;
    std::vector<std::string> ran;
};

TEST_F(DispatchTest, HandlersRunButScheduleCommandsNeedViewAccessAWritableFileAndChangeAccess)
{
    dispatcher.setHandler(Command::nextDay, record("next"));
    dispatcher.setHandler(Command::about, record("about"));
    dispatcher.setHandler(921, record("delete"));
    dispatcher.setHandler(Command::proMode, record("pro"));
    dispatcher.setHandler(19, record("modify"));
    viewAccess = false;
    EXPECT_EQ(dispatcher.dispatch(Command::nextDay), DispatchResult::Refused);
    EXPECT_TRUE(presenter.texts().empty());
    viewAccess = true;
    readOnly = true;
    EXPECT_EQ(dispatcher.dispatch(Command::nextDay), DispatchResult::Refused);
    EXPECT_THAT(presenter.texts(), ElementsAre(kProtectedSchedulesText));
    // The shell's own commands are not item commands: they still run.
    EXPECT_EQ(dispatcher.dispatch(Command::about), DispatchResult::Handled);
    // A command nobody took goes down the schedule road as well.
    EXPECT_EQ(dispatcher.dispatch(1258), DispatchResult::Refused);
    EXPECT_THAT(seen, ElementsAre(917, 917, 26, 1258)) << "the activity hook sees every command";

    readOnly = false;
    changeAccess = false;
    EXPECT_EQ(dispatcher.dispatch(921), DispatchResult::Refused);
    EXPECT_EQ(dispatcher.dispatch(Command::proMode), DispatchResult::Refused);
    EXPECT_EQ(dispatcher.dispatch(19), DispatchResult::Handled);  // the dialog asks for access itself
    EXPECT_THAT(ran, ElementsAre("about 26", "modify 19"));
}

TEST_F(DispatchTest, TheProjectTreeComesFirstThenTheActiveView)
{
    std::vector<std::string> order;
    dispatcher.setProjectTree([&](int command) { order.push_back("tree"); return command == 8; });
    dispatcher.addActiveView([&](int command) { order.push_back("view"); return command == 7; });
    dispatcher.addActiveView([&](int command) { order.push_back("lists"); return command == 7 || command == 161; });
    dispatcher.setHandler(7, record("prior"));
    dispatcher.setHandler(161, record("top"));
    dispatcher.setHandler(19, record("modify"));
    viewAccess = false;
    EXPECT_EQ(dispatcher.dispatch(8), DispatchResult::Handled);  // before the view access test
    viewAccess = true;
    EXPECT_EQ(dispatcher.dispatch(7), DispatchResult::Handled);
    EXPECT_EQ(dispatcher.dispatch(161), DispatchResult::Handled);
    EXPECT_EQ(dispatcher.dispatch(19), DispatchResult::Handled);
    EXPECT_THAT(order, ElementsAre("tree", "tree", "view", "tree", "view", "lists", "tree", "view", "lists"))
        << "the views in the order added, the first that takes a command ends its road";
    EXPECT_THAT(ran, ElementsAre("modify 19"));
}

TEST_F(DispatchTest, RangesTheQuitKeyAndCommandsNotBuiltYet)
{
    dispatcher.setRangeHandler(Command::firstSurprise, Command::lastSurprise, record("surprise"));
    dispatcher.setHandler(Command::exit, record("exit"));
    dispatcher.dispatch(Command::firstSurprise);
    dispatcher.dispatch(Command::lastSurprise);
    dispatcher.dispatch(Command::quit);
    EXPECT_THAT(ran, ElementsAre("surprise 401", "surprise 450", "exit 25"));
    dispatcher.removeHandler(Command::firstSurprise);
    EXPECT_FALSE(dispatcher.hasHandler(420));

    EXPECT_EQ(dispatcher.dispatch(1258), DispatchResult::NotAvailable);
    EXPECT_EQ(dispatcher.dispatch(Command::lastSurprise + 1), DispatchResult::NotAvailable);  // Edit Surprise List
    EXPECT_EQ(dispatcher.dispatch(204), DispatchResult::Ignored);  // reserved keys do nothing
    EXPECT_EQ(dispatcher.dispatch(12345), DispatchResult::Ignored);
    ASSERT_EQ(presenter.shown().size(), 2u);
    EXPECT_EQ(presenter.shown()[0].kind, MessageKind::Information);
    EXPECT_EQ(presenter.shown()[0].text, "Print is not available yet.");
}

class ViewCommandsTest : public ::testing::Test {
protected:
    ViewCommandsTest()
    {
        views.install(dispatcher, [this] { return typedDate; });
        views.setViewChanged([this](int view) { changed.push_back(view); });
        navigator.show(16000);
    }
    int viewed() const { return navigator.viewedDay().value(); }

    testsupport::FakeNavigator navigator;
    ViewCommands views{navigator};
    ScriptedPresenter presenter;
    Messages messages{presenter};
    CommandDispatcher dispatcher{messages};
    std::optional<DayNumber> typedDate;
    std::vector<int> changed;
};

TEST_F(ViewCommandsTest, DayAndWeekMovesStopAtTheUsableDays)
{
    struct Move {
        int from, command, to;
    };
    for (Move m : {Move{32501, Command::nextWeek, 32508}, {32502, Command::nextWeek, 32502},
                   {2307, Command::priorWeek, 2300}, {2306, Command::priorWeek, 2306},
                   {32507, Command::nextDay, 32508}, {32508, Command::nextDay, 32508},
                   {2301, Command::priorDay, 2300}, {2300, Command::priorDay, 2300}}) {
        SCOPED_TRACE(std::to_string(m.from) + " by " + std::to_string(m.command));
        navigator.show(m.from);
        dispatcher.dispatch(m.command);
        EXPECT_EQ(viewed(), m.to);
        EXPECT_EQ(navigator.calls.empty(), m.from == m.to);
    }
    // In the week view every pane moves.
    dispatcher.dispatch(Command::weekView);
    navigator.show(16000, 5, 2);
    dispatcher.dispatch(Command::nextWeek);
    dispatcher.dispatch(Command::priorDay);
    EXPECT_THAT(navigator.calls, ElementsAre("week by 7", "week by -1"));
    EXPECT_EQ(navigator.days[0].value(), 16006);
}

TEST_F(ViewCommandsTest, TodaysScheduleByView)
{
    navigator.show(15000);
    const std::pair<int, std::vector<std::string>> cases[] = {
        {Command::monthView, {"view 931", "day 16000", "first entry"}},
        {Command::weekView, {"week on 16000", "first entry"}},
        {Command::priorityListView, {"day 16000", "first entry"}},
    };
    for (const auto& [view, calls] : cases) {
        dispatcher.dispatch(view);
        navigator.calls.clear();
        dispatcher.dispatch(Command::todaysSchedule);
        EXPECT_EQ(navigator.calls, calls) << view;
    }
    EXPECT_EQ(views.view(), Command::priorityListView);
}

TEST_F(ViewCommandsTest, ScheduleWindowsStepThroughPanesThenDays)
{
    navigator.show(16000, 4, 2);
    dispatcher.dispatch(Command::nextScheduleWindow);
    EXPECT_EQ(navigator.current, 3);
    dispatcher.dispatch(Command::nextScheduleWindow);  // from the last pane: the next day
    EXPECT_EQ(navigator.current, 3);
    EXPECT_EQ(navigator.days[0].value(), 16001);
    navigator.show(16000, 4, 0);
    dispatcher.dispatch(Command::priorScheduleWindow);  // from the first pane: the prior day
    EXPECT_EQ(viewed(), 15999);
    for (int i = 0; i < 4; ++i)
        dispatcher.dispatch(Command::nextPane);
    EXPECT_EQ(navigator.current, 0);  // round again
}

TEST_F(ViewCommandsTest, ChoosingAViewRemembersThePreviousOneAndPaneCountsShowTheMultiPaneView)
{
    dispatcher.dispatch(Command::weekView);
    dispatcher.dispatch(Command::weekView);  // only its check mark again
    dispatcher.dispatch(Command::globalListView);
    EXPECT_EQ(views.previousView(), Command::weekView);
    dispatcher.dispatch(Command::previousView);
    EXPECT_EQ(views.view(), Command::weekView);
    dispatcher.dispatch(48);
    EXPECT_THAT(navigator.calls, ElementsAre("view 935", "view 937", "view 935", "panes 7", "view 32"));
    EXPECT_THAT(changed, ElementsAre(935, 935, 937, 935, 32));
    EXPECT_EQ(views.view(), Command::multiPaneView);
}

TEST_F(ViewCommandsTest, SpecificDateShowsAUsableDayTyped)
{
    dispatcher.dispatch(Command::specificDate);
    typedDate = DayNumber(40000);
    dispatcher.dispatch(Command::specificDate);
    EXPECT_TRUE(navigator.calls.empty());
    typedDate = DayNumber(17000);
    dispatcher.dispatch(Command::specificDate);
    EXPECT_EQ(viewed(), 17000);
}

} // namespace
} // namespace zk
