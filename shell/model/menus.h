#pragma once
// The menus, key sets and toolbar of each interface mode, built from the
// command table, and the rules that enable, grey and check menu items.
//
// Contract:
// - menuBar() gives the mode's menu bar as a tree: the rows of the mode, in
//   table order, less the items no mode shows (New, the cash-flow items,
//   Calendar to Web, Project Tree, Domain Viewer, Delete Duplicates, Open
//   All Notes, Web Site Connect, Watch Demo, Technical Support, Correct
//   System Time, Address Book and Set Address Book, and the project
//   reports but Day's Projects Report: Report..., Split Task Report, Time
//   Card, Time Card Moving Average, Tag Project for Time Card, Invoice,
//   Turnover Report), the e-mail items unless e-mail is on, and Delete
//   Sample Items once the samples are gone. No popup is empty and no separator
//   leads, trails or doubles up.
// - keySet() gives the mode's keys: LITE has the keys of its own menu items,
//   its extra keys and the key-only commands; PRO and EZ share the full set,
//   so a PRO key works in EZ even where EZ's menus lack the item. No key
//   appears twice in one set. The items no mode shows have no keys.
// - isEnabled()/isChecked() answer for one command from a CommandState; they
//   decide nothing about dispatching (see commanddispatch.h).

#include "shell/model/commands.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zk {

class Settings;

struct MenuOptions {
    bool email = false;        // the `email` setting
    bool samplesGone = false;  // the header's no-samples mark
};

struct MenuNode {
    enum class Kind { Popup, Item, Separator };
    Kind kind = Kind::Item;
    std::string text;          // with its mnemonic; empty for a separator
    int command = 0;           // items only
    std::vector<MenuNode> children;  // popups only
};

// The top-level popups, in menu-bar order.
std::vector<MenuNode> menuBar(std::uint32_t interfaceMode, const MenuOptions& options);
// A popup of the menu bar by its text without mnemonic ("Surprise"), or null.
const MenuNode* findPopup(const std::vector<MenuNode>& bar, std::string_view plainTitle);
// Every command of a tree, depth first.
std::vector<int> commandsOf(const std::vector<MenuNode>& nodes);

struct KeyBinding {
    KeyChord key;
    int command = 0;
};
std::vector<KeyBinding> keySet(std::uint32_t interfaceMode);
// The key a menu shows beside a command in this mode: its first named key
// ("Insert" rather than "'"), else its first.
std::optional<KeyChord> menuKey(std::uint32_t interfaceMode, int command);

// The toolbar, left to right; 0 is a gap.
struct ToolbarButton {
    int command = 0;
    const char* label = "";
};
const std::vector<ToolbarButton>& toolbarButtons();
// Some buttons are greyed in some modes (Priority List in LITE and EZ...).
bool isToolbarButtonEnabled(int command, std::uint32_t interfaceMode);

// What the enabling and checking rules look at.
struct CommandState {
    std::uint32_t interfaceMode = 1;
    int view = Command::singleView;
    int paneCount = 4;                         // of the multi-pane view
    int tilingCommand = Command::quadTiling;   // 85, 86 or 87
    bool viewAccess = true;
    bool readOnly = false;
    bool hasSelection = false;
    std::uint32_t selectedFlags = 0;           // the selected item's flag word
    bool noteBrowsing = false;
    bool hideDoneItems = false;
    bool cashFlowOnly = false;
    bool popUpColours = true;                  // the pop-up calendar's Color Utilization
    const Settings* settings = nullptr;        // values that check a menu item
};

bool isEnabled(int command, const CommandState& state);
bool isChecked(int command, const CommandState& state);
// Whether a command ever shows a check mark.
bool isCheckable(int command);
// Checked as one of a group (views, modes, pane counts, tilings): shown as a
// radio mark rather than a tick.
bool isRadioItem(int command);

// The views and whether a command is one.
bool isViewCommand(int command);
bool isListView(int view);

} // namespace zk
