#pragma once
// Every command of the main window: its number, its menu text (with its
// "&" mnemonic), where it stands in the menus of each interface mode, its
// keys, what it needs, and which module carries it out.
//
// Contract:
// - The table is in menu order: walking it gives each menu's items top to
//   bottom; a row with id 0 is a separator in its menu.
// - A row without a menu path is a key-only command; it is in every mode's
//   key set.
// - keys are the keys of the full key set (PRO and EZ); liteKeys are keys
//   the LITE set has in addition. Keys are written "Ctrl+Alt+Shift+Name",
//   several separated by ", ".
// - Command numbers are stable: they are stored (the view in the window
//   row) and other modules dispatch them.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

// Which modes' menus hold a row: bits per mode.
using ModeSet = std::uint8_t;
namespace Modes {
inline constexpr ModeSet ez = 0x1;
inline constexpr ModeSet lite = 0x2;
inline constexpr ModeSet pro = 0x4;
inline constexpr ModeSet all = ez | lite | pro;
} // namespace Modes
// The bit of an interface mode (1 LITE, 3 PRO, anything else EZ's menus).
ModeSet modeBit(std::uint32_t interfaceMode);

// Who carries a command out; Reserved commands have keys and do nothing.
enum class Owner {
    Shell, Startup, Saving, Printing, ItemDialog, Deleting, Placement, PriorityList, Balancing, Done,
    Users, Locking, Email, Settings, ScheduleWindow, MonthView, Filters, ListViews, Find, Notes, Timers,
    AutoDial, Alarms, Worktools, Handheld, Exchange, Projects, Statuses, External, Reserved,
};

// What a command needs; see CommandInfo::needs.
namespace Needs {
inline constexpr std::uint8_t schedule = 0x1;   // an item, navigation or juggling command
inline constexpr std::uint8_t selection = 0x2;  // acts on the selected item
inline constexpr std::uint8_t change = 0x4;     // changes data: takes change access first
} // namespace Needs

struct CommandInfo {
    int id;                // 0: a separator
    const char* text;      // menu text with its mnemonic
    const char* menu;      // "File/Print/Daily Schedule"; "" for key-only commands
    ModeSet modes;
    const char* keys;
    const char* liteKeys;
    Owner owner;
    std::uint8_t needs;
};

// The whole table, separators included, in menu order.
std::span<const CommandInfo> commandTable();
// The row of a command, or null for a number that is not a command.
const CommandInfo* findCommand(int id);
// The menu text without mnemonics ("&&" gives "&") and without "...".
std::string plainText(std::string_view menuText);
// "Range of Schedules is not available yet."
std::string notAvailableText(int id);
// The same answer for a control that is no command: "Alarm is not available yet."
std::string notAvailableText(std::string_view name);

// Commands named in code.
namespace Command {
inline constexpr int exit = 25;
inline constexpr int about = 26;
inline constexpr int multiPaneView = 32;
inline constexpr int firstPaneCount = 43;  // 43..48: 2..7 panes
inline constexpr int lastPaneCount = 48;
inline constexpr int nextPane = 72;
inline constexpr int quit = 341;
inline constexpr int previousView = 725;
inline constexpr int nextScheduleWindow = 5;
inline constexpr int priorScheduleWindow = 6;
inline constexpr int specificDate = 52;
inline constexpr int horizontalTiling = 85;
inline constexpr int quadTiling = 87;
inline constexpr int noteBrowsing = 1175;
inline constexpr int hideDoneItems = 706;
inline constexpr int deleteSampleItems = 63;
inline constexpr int liteMode = 716;
inline constexpr int proMode = 717;
inline constexpr int ezMode = 734;
inline constexpr int geoPosition = 728;
inline constexpr int tideLocation = 732;
inline constexpr int priorWeek = 913;
inline constexpr int nextWeek = 914;
inline constexpr int nextDay = 917;
inline constexpr int priorDay = 918;
inline constexpr int todaysSchedule = 924;
inline constexpr int singleView = 931;
inline constexpr int allItemsView = 933;
inline constexpr int monthView = 934;
inline constexpr int weekView = 935;
inline constexpr int priorityListView = 936;
inline constexpr int globalListView = 937;
inline constexpr int alternateListView = 740;
inline constexpr int firstRecentView = 746;  // 746..749: the recent, recurring and suspended lists
inline constexpr int lastRecentView = 749;
inline constexpr int projectListView = 501;
inline constexpr int projectTreeView = 641;
// On the selected entry.
inline constexpr int nextSchedule = 9;
inline constexpr int priorSchedule = 10;
inline constexpr int entryPriorWeek = 15;
inline constexpr int entryNextWeek = 16;
inline constexpr int onHold = 73;
inline constexpr int appointmentToggle = 395;
inline constexpr int deferHour = 685;
// Menus filled at run time.
inline constexpr int firstSurprise = 401;  // 401..450: surprise entries 0..49
inline constexpr int lastSurprise = 450;
inline constexpr int firstWorktool = 97;   // 97..116: worktools 0..19
inline constexpr int lastWorktool = 116;
inline constexpr int firstRecentSchedule = 170;  // 170..189: recent schedules 0..19
inline constexpr int lastRecentSchedule = 189;
} // namespace Command

// The mode command of an interface mode, and back.
int modeCommand(std::uint32_t interfaceMode);
std::optional<std::uint32_t> modeOfCommand(int id);

// --- keys ----------------------------------------------------------------------

namespace KeyModifier {
inline constexpr std::uint8_t ctrl = 0x1;
inline constexpr std::uint8_t alt = 0x2;
inline constexpr std::uint8_t shift = 0x4;
} // namespace KeyModifier

// A key with its modifiers. Names: letters "A".."Z", "F1".."F12", "Up",
// "Down", "Left", "Right", "Home", "End", "PageUp", "PageDown", "Insert",
// "Delete", "Enter", "Space", "Tab", "Backspace", "Esc", "Pause", "Num+",
// "Num-" (the keypad's), and the characters ' " $ = -.
struct KeyChord {
    std::string name;
    std::uint8_t modifiers = 0;
    friend bool operator==(const KeyChord&, const KeyChord&) = default;
};
// One key as written in the table; nothing for an unknown key name.
std::optional<KeyChord> parseKey(std::string_view text);
// Every key of a ", "-separated list; unknown names are left out.
std::vector<KeyChord> parseKeys(std::string_view text);
// As a menu shows it: "Ctrl+Right", "Num +".
std::string keyText(const KeyChord& key);
bool isKnownKeyName(std::string_view name);

} // namespace zk
