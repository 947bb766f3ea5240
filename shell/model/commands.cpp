#include "shell/model/commands.h"

#include "engine/interfacemode.h"

#include <algorithm>
#include <array>

namespace zk {

namespace {

constexpr ModeSet L = Modes::lite, P = Modes::pro;
constexpr ModeSet LP = L | P, ELP = Modes::all, KeyOnly = 0;
constexpr std::uint8_t I = Needs::schedule, S = Needs::selection, C = Needs::change;
constexpr std::uint8_t ISC = I | S | C, IS = I | S, IC = I | C;

using enum Owner;

// Menu order. Submenus appear where their first row stands; separators
// that would lead, trail or double up in a mode's menu are dropped there.
constexpr CommandInfo kCommands[] = {
    // id, text, menu, modes, keys, LITE keys, owner, needs
    {757, "&New", "File", P, "", "", Users, 0},
    {703, "&Open...", "File", LP, "", "", Users, 0},
    {763, "&Find...", "File", LP, "", "", Find, 0},
    {0, "", "File", ELP, "", "", Shell, 0},
    {148, "&Data File", "File/&Name", LP, "Ctrl+Shift+N", "", Shell, 0},
    {291, "&Note File", "File/&Name", LP, "Shift+N", "", Notes, 0},
    {761, "&Exe Folder", "File/&Name", LP, "", "", Shell, 0},
    {1, "&Save", "File/&Transfer", LP, "", "", Saving, 0},
    {499, "Save &As...", "File/&Transfer", LP, "", "", Saving, 0},
    {0, "", "File/&Transfer", LP, "", "", Shell, 0},
    {22, "&Range of Schedules...", "File/&Transfer/&Export", LP, "", "", Exchange, 0},
    {23, "&Today's Schedule", "File/&Transfer/&Export", LP, "", "", Exchange, 0},
    {166, "&Alphabetical Items List", "File/&Transfer/&Export", LP, "", "", Exchange, 0},
    {217, "&Import", "File/&Transfer", L, "", "", Exchange, C},
    {737, "&import.txt", "File/&Transfer/&Import", P, "", "", Exchange, C},
    {738, "&Outlook.txt", "File/&Transfer/&Import", P, "", "", Exchange, C},
    {0, "", "File/&Transfer", LP, "", "", Shell, 0},
    {371, "Check &In", "File/&Transfer/&Mobile Computing", LP, "Ctrl+I", "", Shell, C},
    {372, "Check &Out", "File/&Transfer/&Mobile Computing", LP, "Ctrl+O", "", Shell, C},
    {609, "Archive Emai&l", "File/&Transfer", LP, "", "", Email, 0},
    {731, "&Calendar to Web", "File/&Transfer", P, "", "", External, 0},
    {4, "&Today's Schedule", "File/&Print/&Daily Schedule", ELP, "", "", Printing, 0},
    {222, "&Viewed Schedule", "File/&Print/&Daily Schedule", ELP, "", "", Printing, 0},
    {3, "&Range of Schedules...", "File/&Print/&Daily Schedule", ELP, "", "", Printing, 0},
    {361, "&Week", "File/&Print/&Calendar", ELP, "", "", Printing, 0},
    {363, "&Month", "File/&Print/&Calendar", ELP, "", "", Printing, 0},
    {364, "&3 Month", "File/&Print/&Calendar", ELP, "", "", Printing, 0},
    {366, "&Range...", "File/&Print/&Calendar", ELP, "", "", Printing, 0},
    {390, "&Alphabetical List", "File/&Print/&List", ELP, "", "", Printing, 0},
    {365, "&Chronological List", "File/&Print/&List", P, "", "", Printing, 0},
    {610, "&Projects List", "File/&Print/&List", P, "", "", Printing, 0},
    {212, "&All Pages", "File/&Print/&List/P&riority List", P, "", "", Printing, 0},
    {213, "&First Page", "File/&Print/&List/P&riority List", P, "", "", Printing, 0},
    {277, "&Open Notes", "File/&Print/&Notes", ELP, "", "", Printing, 0},
    {367, "&Viewed Schedule Notes", "File/&Print/&Notes", ELP, "", "", Printing, 0},
    {1258, "&Print", "File/&Print/&Standard Report", ELP, "Ctrl+P", "", Printing, 0},
    {359, "&Setup...", "File/&Print/&Standard Report", ELP, "", "", Printing, 0},
    {0, "", "File/&Print", ELP, "", "", Shell, 0},
    {169, "Page Set&up...", "File/&Print", ELP, "", "", Printing, 0},
    {220, "Printer Se&tup", "File/&Print", ELP, "", "", Printing, 0},
    {0, "", "File", ELP, "", "", Shell, 0},
    {701, "&Web Site Connect", "File", P, "F11", "", External, 0},
    {0, "", "File", ELP, "", "", Shell, 0},
    {25, "E&xit", "File", ELP, "", "", Startup, 0},
    {353, "Exit A&ll", "File", P, "", "", Locking, 0},
    {751, "Exit All S&haring", "File", P, "", "", Locking, 0},

    {19, "&Modify Item...", "Edit", ELP, "Enter", "", ItemDialog, IS},
    {921, "&Delete Item...", "Edit", ELP, "Delete", "", Deleting, ISC},
    {612, "&Undelete Item", "Edit", LP, "", "", Deleting, IC},
    {0, "", "Edit", ELP, "", "", Shell, 0},
    {955, "D&one", "Edit", ELP, "Space", "", Done, ISC},
    {206, "Ended &Now", "Edit/Done &Special", P, "Ctrl+Space", "", Done, ISC},
    {680, "Ended &Previously", "Edit/Done &Special", P, "Shift+Space", "", Done, ISC},
    {683, "&Fit to Gap", "Edit/Done &Special", P, "Ctrl+Shift+Space", "", Done, ISC},
    {399, "&Attempted", "Edit/Done &Special", P, "F6", "", Done, ISC},
    {624, "Partial &Completion", "Edit/Done &Special", P, "Ctrl+F6", "", Done, ISC},
    {724, "Cance&lled", "Edit/Done &Special", P, "Ctrl+Shift+F6", "", Done, ISC},
    {726, "Done in pa&st", "Edit/Done &Special", P, "Shift+F6", "", Done, ISC},
    {351, "&Modify All Occurrences...", "Edit/&Recurring", ELP, "Ctrl+Enter", "", ItemDialog, IS},
    {81, "&Delete All Occurrences...", "Edit/&Recurring", ELP, "Ctrl+Delete", "", Deleting, ISC},
    {152, "&Floating", "Edit/&Item Properties", P, "F2", "", Placement, ISC},
    {395, "&Appointment", "Edit/&Item Properties", P, "Ctrl+F2", "", Placement, ISC},
    {659, "&Key", "Edit/&Item Properties", P, "F3", "", Placement, ISC},
    {982, "S&tarted", "Edit/&Item Properties", P, "F5", "", Placement, ISC},
    {73, "On &Hold", "Edit/&Item Properties", P, "Alt+F2", "", Placement, ISC},
    {347, "P&rivate", "Edit/&Item Properties", P, "Alt+F3", "", Placement, ISC},
    {750, "Suspe&nded", "Edit/&Item Properties", P, "Alt+Delete", "", Placement, ISC},
    {635, "Se&quence", "Edit/&Item Properties", P, "Alt+F4", "", Placement, ISC},
    {660, "Hide until t&ime", "Edit/&Item Properties", P, "Ctrl+F4", "", Placement, ISC},
    {380, "Stat&us...", "Edit/&Item Properties", P, "Ctrl+F3", "", Statuses, IS},
    {0, "", "Edit/&Item Properties", P, "", "", Shell, 0},
    {352, "Full &description", "Edit/&Item Properties", P, "Shift+V", "", Placement, IS},
    {355, "&Creation Time", "Edit/&Item Properties", P, "Shift+C", "", Placement, IS},
    {739, "Time &modified", "Edit/&Item Properties", P, "", "", Placement, IS},
    {159, "Start Item After &Last", "Edit/Ad&vanced Commands", P, "F4, Alt+F5", "", Placement, ISC},
    {400, "&Handle Interruption...", "Edit/Ad&vanced Commands", P, "Pause", "", Placement, IC},
    {665, "&Custom Modify Item...", "Edit/Ad&vanced Commands", P, "Ctrl+Alt+Enter", "", ItemDialog, IS},
    {342, "Append &Time && Date Stamp", "Edit/Ad&vanced Commands", P, "", "", ItemDialog, ISC},
    {765, "&Shift Priority List Marvals...", "Edit/Ad&vanced Commands", P, "", "", PriorityList, IC},
    {756, "Open All &Notes", "Edit/Ad&vanced Commands", P, "", "", Notes, I},
    {742, "Delete D&uplicates", "Edit/Ad&vanced Commands", P, "", "", Deleting, IC},
    {0, "", "Edit", LP, "", "", Shell, 0},
    {92, "Cu&t", "Edit", LP, "Shift+Delete, Ctrl+X", "", External, ISC},
    {93, "&Copy", "Edit", LP, "Ctrl+C", "", External, IS},
    {94, "&Paste", "Edit", LP, "Ctrl+V", "", External, IC},
    {0, "", "Edit", ELP, "", "", Shell, 0},
    {1124, "Not&es", "Edit", LP, "Ctrl+E", "", Notes, I},
    {460, "Send E-Mai&l", "Edit", P, "", "", Email, 0},
    {63, "Delete S&ample Items", "Edit", ELP, "", "", Deleting, IC},

    {648, "&Task...", "Insert", ELP, "Shift+Insert", "', Insert", ItemDialog, IC},
    {649, "&Appointment...", "Insert", P, "Ctrl+Insert", "", ItemDialog, IC},
    {651, "&Event...", "Insert", P, "", "", ItemDialog, IC},
    {652, "&Memo...", "Insert", P, "Alt+Insert", "", ItemDialog, IC},
    {0, "", "Insert", P, "", "", Shell, 0},
    {653, "&Birthday...", "Insert", P, "", "", ItemDialog, IC},
    {654, "A&nniversary...", "Insert", P, "", "", ItemDialog, IC},
    {655, "&Holiday...", "Insert", P, "", "", ItemDialog, IC},
    {0, "", "Insert", P, "", "", Shell, 0},
    {20, "&General Item...", "Insert", P, "', Insert, Ctrl+Alt+Insert", "", ItemDialog, IC},
    {154, "&Done Item...", "Insert", P, "F10", "", ItemDialog, IC},
    {95, "D&uplicate Item", "Insert", P, "\"", "", ItemDialog, ISC},
    {735, "&Cash Flow Item", "Insert", P, "", "", ItemDialog, IC},
    {0, "", "Insert", P, "", "", Shell, 0},
    {662, "&Project...", "Insert", P, "", "", ItemDialog, IC},
    {745, "&List...", "Insert", P, "", "", ItemDialog, IC},

    {924, "&Today's Schedule", "Select", ELP, "Home", "", Shell, I},
    {917, "&Next Day", "Select", ELP, "Num+", "", Shell, I},
    {918, "&Prior Day", "Select", ELP, "Num-", "", Shell, I},
    {914, "Next &Week", "Select", ELP, "F8", "", Shell, I},
    {913, "Prior W&eek", "Select", ELP, "F7", "", Shell, I},
    {52, "&Specific Date...", "Select", LP, "F9", "", Shell, I},
    {40, "Earliest &Undone Schedule", "Select", P, "End", "", Shell, I},
    {0, "", "Select", LP, "", "", Shell, 0},
    {5, "Next Schedule Win&dow", "Select", LP, "Right", "", Shell, I},
    {6, "Prior Schedule Wind&ow", "Select", LP, "Left", "", Shell, I},
    {0, "", "Select", ELP, "", "", Shell, 0},
    {7, "Prior &Item", "Select", ELP, "Up", "", ScheduleWindow, I},
    {8, "Ne&xt Item", "Select", ELP, "Down", "", ScheduleWindow, I},
    {161, "Top Pa&ge", "Select", LP, "Ctrl+Home", "", ScheduleWindow, I},
    {162, "&Bottom Page", "Select", LP, "Ctrl+End", "", ScheduleWindow, I},
    {293, "Scro&ll Up", "Select", LP, "Ctrl+PageUp", "", ScheduleWindow, I},
    {294, "S&croll Down", "Select", LP, "Ctrl+PageDown", "", ScheduleWindow, I},
    {0, "", "Select", LP, "", "", Shell, 0},
    {1067, "&Find...", "Select", LP, "Ctrl+F", "", Find, I},
    {348, "&Repeat Find", "Select", LP, "", "", Find, I},
    {349, "E&arlier Find", "Select", LP, "", "", Find, I},

    {931, "&Single Schedule Window", "View", ELP, "Ctrl+S", "", Shell, 0},
    {32, "M&ultiple Schedule Windows", "View", LP, "", "Ctrl+U", Shell, 0},
    {935, "&Week", "View", LP, "Ctrl+W", "", Shell, 0},
    {934, "&Month", "View", ELP, "Ctrl+M", "", Shell, 0},
    {0, "", "View", ELP, "", "", Shell, 0},
    {933, "&All Items", "View", ELP, "Ctrl+A", "", Shell, 0},
    {936, "&Priority List", "View", P, "Ctrl+R", "", Shell, 0},
    {937, "&Global List", "View", P, "Ctrl+L", "", Shell, 0},
    {740, "Alternate &List", "View", P, "Alt+L", "", Shell, 0},
    {746, "Recently E&dited Items", "View", P, "", "", Shell, 0},
    {749, "Recently I&nserted Items", "View", P, "", "", Shell, 0},
    {747, "&Recurring Items", "View", P, "", "", Shell, 0},
    {748, "Suspended I&tems", "View", P, "", "", Shell, 0},
    {0, "", "View", LP, "", "", Shell, 0},
    {76, "Define Wee&k View...", "View", LP, "", "", ScheduleWindow, C},
    {43, "&2 Schedules", "View/Schedule C&ount", LP, "", "", Shell, 0},
    {44, "&3 Schedules", "View/Schedule C&ount", LP, "", "", Shell, 0},
    {45, "&4 Schedules", "View/Schedule C&ount", LP, "", "", Shell, 0},
    {46, "&5 Schedules", "View/Schedule C&ount", LP, "", "", Shell, 0},
    {47, "&6 Schedules", "View/Schedule C&ount", LP, "", "", Shell, 0},
    {48, "&7 Schedules", "View/Schedule C&ount", LP, "", "", Shell, 0},
    {85, "&Horizontal Tiling", "View/T&iling", LP, "", "", ScheduleWindow, 0},
    {86, "&Vertical Tiling", "View/T&iling", LP, "", "", ScheduleWindow, 0},
    {87, "&Quad Tiling", "View/T&iling", LP, "", "", ScheduleWindow, 0},
    {0, "", "View", LP, "", "", Shell, 0},
    {392, "&Time Graph", "View/Spe&cial", LP, "Ctrl+G", "", ScheduleWindow, 0},
    {706, "&Hide Done Items", "View/Spe&cial", P, "Ctrl+Shift+D", "", ScheduleWindow, 0},
    {1175, "&Browse Notes", "View/Spe&cial", P, "", "", Notes, 0},
    {688, "&Cash Flow Items Only", "View/Spe&cial", P, "", "", ScheduleWindow, 0},
    {153, "History for &Month", "View/Spe&cial", P, "", "", External, 0},
    {691, "T&urnover Report", "View/Spe&cial", P, "", "", External, 0},
    {165, "Current &Export File", "View/Spe&cial", P, "", "", External, 0},
    {459, "&E-Mail", "View", P, "", "", Email, 0},

    {9, "&Next Schedule", "Juggle/&Item Position", LP, "Ctrl+Right", "", Placement, ISC},
    {10, "&Prior Schedule", "Juggle/&Item Position", LP, "Ctrl+Left", "", Placement, ISC},
    {11, "&Earlier in Day", "Juggle/&Item Position", LP, "Ctrl+Up", "", Placement, ISC},
    {12, "&Later in Day", "Juggle/&Item Position", LP, "Ctrl+Down", "", Placement, ISC},
    {16, "Next &Week", "Juggle/&Item Position", LP, "Ctrl+F8", "", Placement, ISC},
    {15, "P&rior Week", "Juggle/&Item Position", LP, "Ctrl+F7", "", Placement, ISC},
    {685, "&Defer Hour", "Juggle/&Item Position", P, "Ctrl+D", "", Placement, ISC},
    {155, "&Shorter Duration", "Juggle/&Duration", P, "Alt+Left", "", Placement, ISC},
    {156, "&Longer Duration", "Juggle/&Duration", P, "Alt+Right", "", Placement, ISC},
    {157, "&Earlier Appointment Begin Time", "Juggle/&Begin Time", P, "", "", Placement, ISC},
    {158, "&Later Appointment Begin Time", "Juggle/&Begin Time", P, "", "", Placement, ISC},
    {356, "&Raise Priority", "Juggle/&Priority", P, "", "", PriorityList, ISC},
    {357, "&Lower Priority", "Juggle/&Priority", P, "", "", PriorityList, ISC},
    {397, "&Less Workload", "Juggle/&Adjust Workload", P, "Shift+Down", "", Balancing, ISC},
    {398, "&More Workload", "Juggle/&Adjust Workload", P, "Shift+Up", "", Balancing, ISC},
    {0, "", "Juggle", P, "", "", Shell, 0},
    {455, "&Optimize", "Juggle", P, "Shift+F8", "", Balancing, IC},
    {974, "Balance &Workload", "Juggle", P, "Alt+F8", "", Balancing, IC},
    {977, "&Carry Over Undone Items", "Juggle", P, "F12", "", Done, IC},

    {501, "Project &List", "Projects", P, "Ctrl+J", "", Projects, 0},
    {641, "Project &Tree", "Projects", P, "", "", Projects, 0},
    {646, "&Filter", "Projects", P, "Shift+F", "", Filters, 0},
    {0, "", "Projects", P, "", "", Shell, 0},
    {497, "&Day's Projects Report", "Projects", P, "Ctrl+Y", "", Projects, 0},
    {636, "&Split Task Report", "Projects", P, "Ctrl+K", "", Projects, 0},
    {502, "&Report...", "Projects", P, "", "", Projects, 0},
    {0, "", "Projects", P, "", "", Shell, 0},
    {663, "Time &Card", "Projects", P, "", "", Projects, 0},
    {676, "Time Card &Moving Average", "Projects", P, "", "", Projects, 0},
    {700, "T&ag Project for Time Card", "Projects", P, "", "", Projects, C},
    {722, "&Invoice", "Projects", P, "", "", Projects, 0},

    {451, "&Edit Surprise List", "Surprise", P, "", "", Worktools, 0},

    {983, "&Timer", "Worktools", LP, "Shift+T", "", Timers, 0},
    {687, "&Countdown Timer", "Worktools", LP, "Shift+D", "", Timers, 0},
    {727, "Today's &Dollars", "Worktools", P, "", "", Timers, 0},
    {88, "Time &Values...", "Worktools", P, "", "", PriorityList, C},
    {0, "", "Worktools", LP, "", "", Shell, 0},
    {168, "&AutoDial", "Worktools", LP, "Shift+A", "", AutoDial, 0},
    {698, "A&rea Codes", "Worktools", LP, "", "", AutoDial, 0},
    {1568, "Address &Book", "Worktools", LP, "", "", External, 0},
    {0, "", "Worktools", LP, "", "", Shell, 0},
    {678, "Set Address Boo&k", "Worktools", LP, "", "", Worktools, 0},
    {201, "&Edit Worktools List", "Worktools", P, "", "", Worktools, 0},

    {461, "Schedules &Setup...", "Schedules", LP, "", "", Users, 0},
    {368, "Select S&chedule...", "Schedules", LP, "", "", Users, 0},

    {634, "&Preferences...", "Options", LP, "Shift+Z", "", Settings, 0},
    {210, "Single Schedule &Text...", "Options/&Settings/&Fonts/&Screen", LP, "", "", Settings, 0},
    {214, "Single Schedule &Headings...", "Options/&Settings/&Fonts/&Screen", LP, "", "", Settings, 0},
    {211, "T&ask Begin Times...", "Options/&Settings/&Fonts/&Screen", P, "", "", Settings, 0},
    {494, "&Month View Text...", "Options/&Settings/&Fonts/&Screen", LP, "", "", Settings, 0},
    {205, "&Normal Text...", "Options/&Settings/&Fonts/&Printer", LP, "", "", Settings, 0},
    {216, "&Headings...", "Options/&Settings/&Fonts/&Printer", LP, "", "", Settings, 0},
    {350, "&Extended Outlook / Task Begin Times...", "Options/&Settings/&Fonts/&Printer", LP, "", "", Settings, 0},
    {457, "&Colors...", "Options/&Settings", P, "", "", Settings, 0},
    {393, "Alarm So&und...", "Options/&Settings", LP, "", "", Alarms, 0},
    {151, "Alarms &Off", "Options/&Settings", LP, "", "", Alarms, 0},
    {0, "", "Options/&Settings", P, "", "", Shell, 0},
    {633, "&Day Bounds...", "Options/&Settings", P, "", "", Placement, C},
    {689, "&Biz Hours...", "Options/&Settings", P, "", "", Placement, C},
    {61, "&New Item Defaults...", "Options/&Settings", P, "", "", ItemDialog, C},
    {394, "&Workload Balancing...", "Options/&Settings", P, "", "", Balancing, C},
    {379, "St&atuses...", "Options/&Settings", P, "", "", Statuses, 0},
    {218, "&Passwords...", "Options/&Settings", P, "", "", Users, 0},
    {0, "", "Options/&Settings", LP, "", "", Shell, 0},
    {644, "Time &Zones...", "Options/&Settings", P, "", "", Timers, 0},
    {645, "World Timeline, Stock Watc&h...", "Options/&Settings", P, "", "", Timers, 0},
    {728, "Sunrise/Moon &rise Location", "Options/&Settings", P, "", "", Settings, 0},
    {732, "T&ide Location...", "Options/&Settings", P, "", "", Settings, 0},
    {741, "&Vacation...", "Options/&Settings", P, "", "", External, 0},
    {711, "Correct System Ti&me", "Options/&Settings", P, "", "", External, 0},
    {714, "Palm Pi&lot...", "Options/&Settings", LP, "", "", Handheld, 0},
    {951, "&Open", "Options/&Calendar", P, "", "", MonthView, 0},
    {78, "&Close", "Options/&Calendar", P, "", "", MonthView, 0},
    {603, "&Tiled", "Options/&Calendar", P, "", "", MonthView, 0},
    {0, "", "Options/&Calendar", P, "", "", Shell, 0},
    {80, "Color &Utilization", "Options/&Calendar", P, "", "", MonthView, 0},
    {79, "&Monochrome", "Options/&Calendar", P, "", "", MonthView, 0},
    {57, "Edit &User Name...", "Options", ELP, "", "", Users, C},
    {0, "", "Options", ELP, "", "", Shell, 0},
    {716, "&LITE mode", "Options", ELP, "", "", Shell, C},
    {717, "P&RO mode", "Options", ELP, "", "", Shell, C},
    {734, "&EZ mode", "Options", ELP, "", "", Shell, C},
    {0, "", "Options", P, "", "", Shell, 0},
    {715, "&Domain Viewer", "Options", P, "", "", External, 0},

    {605, "&Contents", "Help", ELP, "F1", "", Shell, 0},
    {755, "&Watch Demo", "Help", P, "", "", External, 0},
    {147, "&Technical Support...", "Help", ELP, "", "", External, 0},
    {0, "", "Help", ELP, "", "", Shell, 0},
    {26, "&About Zelkon...", "Help", ELP, "", "", Shell, 0},

    // Keys without a menu item.
    {27, "Page Up", "", KeyOnly, "PageUp", "", ScheduleWindow, I},
    {28, "Page Down", "", KeyOnly, "PageDown", "", ScheduleWindow, I},
    {72, "Next Schedule Pane", "", KeyOnly, "Tab, Shift+Tab", "", Shell, I},
    {204, "Alt+F10", "", KeyOnly, "Alt+F10", "", Reserved, 0},
    {341, "Exit", "", KeyOnly, "Ctrl+Q", "", Startup, 0},
    {376, "Alt+Up", "", KeyOnly, "Alt+Up", "", Reserved, 0},
    {377, "Alt+Down", "", KeyOnly, "Alt+Down", "", Reserved, 0},
    {607, "Ctrl+Alt+G", "", KeyOnly, "Ctrl+Alt+G", "", Reserved, 0},
    {664, "Alt+F4", "", KeyOnly, "", "", Reserved, 0},
    {674, "Ctrl+Alt+Shift+Delete", "", KeyOnly, "Ctrl+Alt+Shift+Delete", "", Reserved, 0},
    {702, "Ctrl+Shift+A", "", KeyOnly, "Ctrl+Shift+A", "", Reserved, 0},
    {710, "Ctrl+Shift+S", "", KeyOnly, "Ctrl+Shift+S", "", Reserved, 0},
    {721, "Ctrl+Shift+Delete", "", KeyOnly, "Ctrl+Shift+Delete", "", Reserved, 0},
    {725, "Previous View", "", KeyOnly, "Backspace, Esc", "", Shell, 0},
    {733, "Ctrl+T", "", KeyOnly, "Ctrl+T", "", Reserved, 0},
    {753, "Shift+S", "", KeyOnly, "Shift+S", "", Reserved, 0},
    {759, "Cash Flow View", "", KeyOnly, "$", "", ScheduleWindow, I},
    {766, "Tab", "", KeyOnly, "", "", Reserved, 0},
    {1362, "Increase", "", KeyOnly, "=, Ctrl+Num+", "", ScheduleWindow, I},
    {1363, "Decrease", "", KeyOnly, "-, Ctrl+Num-", "", ScheduleWindow, I},
};

constexpr std::array<const char*, 31> kKeyNames{
    "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12", "Up", "Down", "Left",
    "Right", "Home", "End", "PageUp", "PageDown", "Insert", "Delete", "Enter", "Space", "Tab",
    "Backspace", "Esc", "Pause", "Num+", "Num-", "'",
};

bool isLetter(std::string_view name) { return name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z'; }

} // namespace

ModeSet modeBit(std::uint32_t interfaceMode)
{
    if (interfaceMode == InterfaceMode::lite)
        return Modes::lite;
    if (interfaceMode == InterfaceMode::pro)
        return Modes::pro;
    return Modes::ez;
}

std::span<const CommandInfo> commandTable() { return kCommands; }

const CommandInfo* findCommand(int id)
{
    if (id == 0)
        return nullptr;
    auto it = std::find_if(std::begin(kCommands), std::end(kCommands), [id](const CommandInfo& c) { return c.id == id; });
    return it == std::end(kCommands) ? nullptr : &*it;
}

std::string plainText(std::string_view menuText)
{
    std::string text;
    for (std::size_t i = 0; i < menuText.size(); ++i) {
        if (menuText[i] == '&' && i + 1 < menuText.size() && menuText[i + 1] == '&')
            ++i;
        else if (menuText[i] == '&')
            continue;
        text += menuText[i];
    }
    while (text.ends_with('.'))
        text.pop_back();
    return text;
}

std::string notAvailableText(int id)
{
    const CommandInfo* command = findCommand(id);
    return notAvailableText(command ? plainText(command->text) : "Command " + std::to_string(id));
}

std::string notAvailableText(std::string_view name) { return std::string(name) + " is not available yet."; }

int modeCommand(std::uint32_t interfaceMode)
{
    switch (modeBit(interfaceMode)) {
    case Modes::lite: return Command::liteMode;
    case Modes::pro: return Command::proMode;
    default: return Command::ezMode;
    }
}

std::optional<std::uint32_t> modeOfCommand(int id)
{
    switch (id) {
    case Command::liteMode: return InterfaceMode::lite;
    case Command::proMode: return InterfaceMode::pro;
    case Command::ezMode: return InterfaceMode::ez;
    default: return std::nullopt;
    }
}

bool isKnownKeyName(std::string_view name)
{
    if (isLetter(name) || name == "\"" || name == "$" || name == "=" || name == "-")
        return true;
    return std::find(kKeyNames.begin(), kKeyNames.end(), name) != kKeyNames.end();
}

std::optional<KeyChord> parseKey(std::string_view text)
{
    static constexpr std::pair<std::string_view, std::uint8_t> kModifiers[] = {
        {"Ctrl+", KeyModifier::ctrl}, {"Alt+", KeyModifier::alt}, {"Shift+", KeyModifier::shift}};
    KeyChord key;
    for (bool found = true; found;) {
        found = false;
        for (auto [prefix, bit] : kModifiers) {
            // "Num+" and "-" end in what looks like a modifier's '+'; only a
            // prefix with more after it is a modifier.
            if (text.size() > prefix.size() && text.starts_with(prefix)) {
                key.modifiers |= bit;
                text.remove_prefix(prefix.size());
                found = true;
            }
        }
    }
    if (!isKnownKeyName(text))
        return std::nullopt;
    key.name = std::string(text);
    return key;
}

std::vector<KeyChord> parseKeys(std::string_view text)
{
    std::vector<KeyChord> keys;
    while (!text.empty()) {
        std::size_t comma = text.find(", ");
        // A lone "," would be a key of its own; the table has none.
        if (auto key = parseKey(text.substr(0, comma)))
            keys.push_back(std::move(*key));
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 2);
    }
    return keys;
}

std::string keyText(const KeyChord& key)
{
    std::string text;
    if (key.modifiers & KeyModifier::ctrl)
        text += "Ctrl+";
    if (key.modifiers & KeyModifier::alt)
        text += "Alt+";
    if (key.modifiers & KeyModifier::shift)
        text += "Shift+";
    if (key.name == "Num+" || key.name == "Num-")
        return text + "Num " + key.name.back();
    if (key.name == "PageUp")
        return text + "PgUp";
    if (key.name == "PageDown")
        return text + "PgDn";
    return text + key.name;
}

} // namespace zk
