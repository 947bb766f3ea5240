#include "shell/model/menus.h"

#include "core/itemrecord.h"
#include "engine/interfacemode.h"
#include "shell/model/settings.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace zk {

namespace {

// "Alarms off": a check mark of the per-user window row.
constexpr int kAlarmsOffCommand = 151;
constexpr int kCashFlowItemsOnly = 688;
constexpr int kPopUpColours = 80;
constexpr int kPopUpMonochrome = 79;

struct TopLevel {
    const char* name;  // the first part of a row's menu path
    const char* text;
};
constexpr TopLevel kMenuBar[] = {
    {"File", "&File"}, {"Edit", "&Edit"}, {"Insert", "&Insert"}, {"Select", "&Select"},
    {"View", "&View"}, {"Juggle", "&Juggle"}, {"Projects", "&Projects"}, {"Surprise", "Su&rprise"},
    {"Worktools", "&Worktools"}, {"Schedules", "S&chedules"}, {"Options", "&Options"}, {"Help", "&Help"},
};

// Items that stay out of every mode's menus; they still dispatch. Besides
// the unused ones: the web, demo, support and system-clock launchers, which
// have nothing to reach on this system (the system keeps its own time);
// the address book launcher and its setup, with no book to open; and the
// project reports that need billing and time-card records the schedule
// does not keep.
constexpr int kRemovedEverywhere[] = {757, 688, 735, 731, 641, 632, 715, 720, 742, 756,
                                      701, 755, 147, 711, 1568, 678,
                                      502, 636, 663, 676, 700, 722, 691};
constexpr int kEmailCommands[] = {460, 459, 609};

// Available without view access: leaving, help, and choosing another schedule.
constexpr int kWithoutViewAccess[] = {25, 341, 353, 751, 26, 605, 147, 755, 703, 148, 761};

// Item properties that show the selected item's flag.
struct FlagItem {
    int command;
    std::uint32_t flag;
};
constexpr FlagItem kFlagItems[] = {
    {152, ItemFlag::fFloating}, {395, ItemFlag::fAnchored}, {659, ItemFlag::fKey},
    {982, ItemFlag::fStarted}, {73, ItemFlag::fOnHold}, {635, ItemFlag::fSequence}, {660, ItemFlag::fHidden},
};

const FlagItem* flagItemOf(int command)
{
    auto it = std::find_if(std::begin(kFlagItems), std::end(kFlagItems), [command](const FlagItem& f) { return f.command == command; });
    return it == std::end(kFlagItems) ? nullptr : &*it;
}

template <std::size_t N>
bool contains(const int (&list)[N], int id)
{
    return std::find(std::begin(list), std::end(list), id) != std::end(list);
}

bool isShown(const CommandInfo& row, ModeSet mode, const MenuOptions& options)
{
    if (!(row.modes & mode) || *row.menu == '\0' || contains(kRemovedEverywhere, row.id))
        return false;
    if (!options.email && contains(kEmailCommands, row.id))
        return false;
    return !(options.samplesGone && row.id == Command::deleteSampleItems);
}

MenuNode& popupIn(std::vector<MenuNode>& nodes, std::string_view text)
{
    for (MenuNode& node : nodes)
        if (node.kind == MenuNode::Kind::Popup && node.text == text)
            return node;
    nodes.push_back({MenuNode::Kind::Popup, std::string(text), 0, {}});
    return nodes.back();
}

std::vector<MenuNode>* childrenAt(std::vector<MenuNode>& bar, std::string_view path)
{
    std::size_t slash = path.find('/');
    std::string_view top = path.substr(0, slash);
    auto it = std::find_if(std::begin(kMenuBar), std::end(kMenuBar), [top](const TopLevel& t) { return t.name == top; });
    if (it == std::end(kMenuBar))
        return nullptr;
    std::vector<MenuNode>* nodes = &bar[static_cast<std::size_t>(it - std::begin(kMenuBar))].children;
    while (slash != std::string_view::npos) {
        path.remove_prefix(slash + 1);
        slash = path.find('/');
        nodes = &popupIn(*nodes, path.substr(0, slash)).children;
    }
    return nodes;
}

// Drops empty popups and separators that lead, trail or follow another. A
// submenu left with one entry gives way to that entry, so a mode's smaller
// menus do not hide single items one level down.
void tidy(std::vector<MenuNode>& nodes)
{
    for (MenuNode& node : nodes) {
        if (node.kind != MenuNode::Kind::Popup)
            continue;
        tidy(node.children);
        if (node.children.size() == 1) {
            MenuNode only = std::move(node.children.front());
            node = std::move(only);
        }
    }
    std::erase_if(nodes, [](const MenuNode& n) { return n.kind == MenuNode::Kind::Popup && n.children.empty(); });
    std::vector<MenuNode> kept;
    for (MenuNode& node : nodes) {
        bool separator = node.kind == MenuNode::Kind::Separator;
        if (separator && (kept.empty() || kept.back().kind == MenuNode::Kind::Separator))
            continue;
        kept.push_back(std::move(node));
    }
    if (!kept.empty() && kept.back().kind == MenuNode::Kind::Separator)
        kept.pop_back();
    nodes = std::move(kept);
}

void collectCommands(const std::vector<MenuNode>& nodes, std::vector<int>& out)
{
    for (const MenuNode& node : nodes) {
        if (node.kind == MenuNode::Kind::Item)
            out.push_back(node.command);
        collectCommands(node.children, out);
    }
}

bool inKeySet(const CommandInfo& row, ModeSet mode)
{
    return row.id != 0 && (row.modes == 0 || mode != Modes::lite || (row.modes & Modes::lite));
}

} // namespace

std::vector<MenuNode> menuBar(std::uint32_t interfaceMode, const MenuOptions& options)
{
    const ModeSet mode = modeBit(interfaceMode);
    std::vector<MenuNode> bar;
    for (const TopLevel& top : kMenuBar)
        bar.push_back({MenuNode::Kind::Popup, top.text, 0, {}});
    for (const CommandInfo& row : commandTable()) {
        if (!isShown(row, mode, options))
            continue;
        std::vector<MenuNode>* nodes = childrenAt(bar, row.menu);
        if (!nodes)
            continue;
        if (row.id == 0)
            nodes->push_back({MenuNode::Kind::Separator, "", 0, {}});
        else
            nodes->push_back({MenuNode::Kind::Item, row.text, row.id, {}});
    }
    for (MenuNode& popup : bar) {
        tidy(popup.children);
        // A menu-bar title holding one submenu shows that submenu's items.
        if (popup.children.size() == 1 && popup.children.front().kind == MenuNode::Kind::Popup) {
            std::vector<MenuNode> items = std::move(popup.children.front().children);
            popup.children = std::move(items);
        }
    }
    std::erase_if(bar, [](const MenuNode& n) { return n.children.empty(); });
    return bar;
}

const MenuNode* findPopup(const std::vector<MenuNode>& bar, std::string_view plainTitle)
{
    for (const MenuNode& node : bar)
        if (node.kind == MenuNode::Kind::Popup && plainText(node.text) == plainTitle)
            return &node;
    return nullptr;
}

std::vector<int> commandsOf(const std::vector<MenuNode>& nodes)
{
    std::vector<int> commands;
    collectCommands(nodes, commands);
    return commands;
}

std::vector<KeyBinding> keySet(std::uint32_t interfaceMode)
{
    const ModeSet mode = modeBit(interfaceMode);
    std::vector<KeyBinding> keys;
    for (const CommandInfo& row : commandTable()) {
        // A command out of the menus has no key either (F11 and Ctrl+K
        // would only say it is missing).
        if (!inKeySet(row, mode) || contains(kRemovedEverywhere, row.id))
            continue;
        for (KeyChord& key : parseKeys(row.keys))
            keys.push_back({std::move(key), row.id});
        if (mode == Modes::lite)
            for (KeyChord& key : parseKeys(row.liteKeys))
                keys.push_back({std::move(key), row.id});
    }
    return keys;
}

std::optional<KeyChord> menuKey(std::uint32_t interfaceMode, int command)
{
    const CommandInfo* row = findCommand(command);
    if (!row || !inKeySet(*row, modeBit(interfaceMode)))
        return std::nullopt;
    std::vector<KeyChord> keys = parseKeys(row->keys);
    if (modeBit(interfaceMode) == Modes::lite)
        for (KeyChord& key : parseKeys(row->liteKeys))
            keys.push_back(std::move(key));
    if (keys.empty())
        return std::nullopt;
    auto named = std::find_if(keys.begin(), keys.end(), [](const KeyChord& key) { return key.name.size() > 1 || std::isalpha(static_cast<unsigned char>(key.name[0])); });
    return named != keys.end() ? *named : keys.front();
}

const std::vector<ToolbarButton>& toolbarButtons()
{
    static const std::vector<ToolbarButton> buttons{
        {648, "Task"}, {921, "Delete"}, {955, "Done"}, {0, ""},
        {918, "\u25C0"}, {924, "Today"}, {917, "\u25B6"}, {0, ""},
        {931, "Day"}, {935, "Week"}, {934, "Month"}, {936, "Priorities"}, {0, ""},
        {982, "Start"}, {977, "Carry Over"}, {974, "Balance"}, {0, ""},
        {1067, "Find"}, {1124, "Notes"}, {1175, "Browse"}, {168, "Dial"}, {983, "Timer"},
    };
    return buttons;
}

bool isToolbarButtonEnabled(int command, std::uint32_t interfaceMode)
{
    static constexpr int kProOnly[] = {936, 982, 977, 974};
    static constexpr int kNotInEz[] = {1175, 168, 983, 935, 1067, 1124};
    if (contains(kProOnly, command))
        return interfaceMode == InterfaceMode::pro;
    if (contains(kNotInEz, command))
        return modeBit(interfaceMode) != Modes::ez;
    return true;
}

bool isEnabled(int command, const CommandState& state)
{
    const CommandInfo* row = findCommand(command);
    if (!state.viewAccess)
        return contains(kWithoutViewAccess, command);
    if (!row)
        return true;  // entries filled at run time
    if (state.readOnly && (row->needs & Needs::change))
        return false;
    return !(row->needs & Needs::selection) || state.hasSelection;
}

bool isChecked(int command, const CommandState& state)
{
    if (isViewCommand(command))
        return command == state.view;
    if (command >= Command::firstPaneCount && command <= Command::lastPaneCount)
        return state.paneCount == command - Command::firstPaneCount + 2;
    if (command >= Command::horizontalTiling && command <= Command::quadTiling)
        return state.tilingCommand == command;
    if (modeOfCommand(command))
        return modeCommand(state.interfaceMode) == command;
    if (command == Command::noteBrowsing)
        return state.noteBrowsing;
    if (command == Command::hideDoneItems)
        return state.hideDoneItems;
    if (command == kCashFlowItemsOnly)
        return state.cashFlowOnly;
    if (command == kPopUpColours || command == kPopUpMonochrome)
        return state.popUpColours == (command == kPopUpColours);
    if (const FlagItem* item = flagItemOf(command))
        return state.hasSelection && (state.selectedFlags & item->flag);
    if (!state.settings)
        return false;
    if (command == kAlarmsOffCommand)
        return state.settings->windowRow().alarmsOff != 0;
    for (const IntSettingInfo& setting : intSettings())
        if (setting.menuItem == command)
            return state.settings->isOn(setting.id);
    return false;
}

bool isCheckable(int command)
{
    if (isRadioItem(command) || command == kAlarmsOffCommand || command == Command::noteBrowsing
        || command == Command::hideDoneItems || command == kCashFlowItemsOnly || command == kPopUpColours
        || command == kPopUpMonochrome || flagItemOf(command))
        return true;
    const auto& settings = intSettings();
    return std::any_of(settings.begin(), settings.end(), [command](const IntSettingInfo& s) { return s.menuItem == command; });
}

bool isRadioItem(int command)
{
    return isViewCommand(command) || modeOfCommand(command).has_value()
        || (command >= Command::firstPaneCount && command <= Command::lastPaneCount)
        || (command >= Command::horizontalTiling && command <= Command::quadTiling);
}

bool isViewCommand(int command)
{
    return command == Command::singleView || command == Command::multiPaneView
        || command == Command::weekView || command == Command::monthView || command == Command::projectTreeView
        || isListView(command);
}

bool isListView(int view)
{
    return view == Command::allItemsView || view == Command::priorityListView || view == Command::globalListView
        || view == Command::alternateListView || view == Command::projectListView
        || (view >= Command::firstRecentView && view <= Command::lastRecentView);
}

} // namespace zk
