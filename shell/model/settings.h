#pragma once
// The catalogue of this user's preferences: every named value of the
// setting store with its type and default, held in memory between the read
// after loading a schedule and the window settings save; the per-user
// window row; fonts and colours; and the preferences that live in the
// schedule header instead (the option word at 632, the interface mode at 18
// and the cost of money, the interest rate byte at 630).
//
// Contract:
// - read() takes every value through the store's read order; a missing or
//   empty value, or one that cannot be used (a colour outside 0..0xFFFFFF),
//   gives the default, silently.
// - Integer and real values are written by every write(); texts, rectangles,
//   colours and fonts only once they were set here, so a value another
//   module stores itself is never overwritten with a stale copy.
// - Header-held preferences are read and written on the header directly, so
//   the engine and the views always see the current choice.

#include "core/regional.h"
#include "core/scheduleheader.h"
#include "platform/settingstore.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zk {

// --- the values of the setting store ----------------------------------------

// Integer values (atoi on reading, "%d" on writing), in catalogue order.
enum class IntSetting {
    WorldTimeline, ShowDoneTaskTimes, WeekviewEventsOnly, MonthviewEventsOnly, MonthviewVitalsOnly,
    MonthviewBeginTimes, MonthviewDaysSpans, MonthviewWkOfYr, AlarmsRingOnce, AlarmsSilent, AlarmsShared,
    HideGaps, ShowConflictLens, ShowSchedStats, ShowEndTimes, ShowTaskTimes, KeyIncre1min, ShowOppCosts,
    ShowMoons, DisableAutosave, MoonAM, ShowSunrise, ShowSunset, SunChimes, Moonrise, Moonset, Zenith,
    HighTide, LowTide, TideLine, Toolbar, NoPastStrikes, Timespace, ClockSyncWeb, Shading, Chimes,
    WeekStartsMon, ProjectFilter, PresentFilter, StatusFilter, MinLenFilter, RoutineFilter, CaseFilter, FirstWeekRule,
    ItemBorders, TrackChanges, AutoStart, PopCalTiled, YearFirstWeekAdjust, CostOfMoney, nBatting,
    MinFreeLenShow, MinLenFilterLen, EnableHideDoneItems, MarvalSense, PalmEnable, email, AutoAdvance,
};
inline constexpr std::size_t kIntSettingCount = static_cast<std::size_t>(IntSetting::AutoAdvance) + 1;

struct IntSettingInfo {
    IntSetting id;
    const char* name;
    int defaultValue;  // WeekStartsMon and FirstWeekRule: see SettingsEnvironment
    int menuItem;      // a menu item checked while the value is non-zero, or 0
};
const IntSettingInfo& settingInfo(IntSetting id);
const std::array<IntSettingInfo, kIntSettingCount>& intSettings();

// AutoStart before it was ever decided: ask whether the autostart entry exists.
inline constexpr int kAutoStartUnknown = -1;

enum class RealSetting { Latitude, Longitude };  // atof; 0.0 when missing
// TideLocation and TideInterval: the tide location's name and its mean
// high-water interval, "h:mm".
// TextFilter: the Filter window's text, at most 40 bytes.
enum class TextSetting { ErrorLog, autoback, ServerDrive, MobilePath, DataFolder, TideLocation, TideInterval, TextFilter };
inline constexpr std::size_t kTextSettingCount = 8;
enum class RectSetting { TimerPos, TimerWndPos, NotesWindowPos, FilterWnd };  // "%d %d %d %d"
inline constexpr std::size_t kRectSettingCount = 4;

// Colours are COLORREF values, 0x00BBGGRR, read with atol.
enum class ColorSetting { ColorNormalBackground, ColorNormalText, ColorFluid, ColorUnscheduled, ColorDone };
inline constexpr std::size_t kColorSettingCount = 5;
struct Rgb {
    int red = 0, green = 0, blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};
Rgb rgbOf(long colorRef);
long colorRefOf(Rgb rgb);

// A font value "face,size,style": size in tenths of a point, style bits as
// below. The face holds at most kMaxFontFace bytes.
enum class FontSetting { PrintNormal, PrintHeading, PrintOutlook, ScreenNormal, ScreenSmall, ScreenHeading, ScreenMonth };
inline constexpr std::size_t kFontSettingCount = 7;
inline constexpr std::size_t kMaxFontFace = 31;
namespace FontStyle {
inline constexpr int bold = 0x2;
inline constexpr int italic = 0x4;
inline constexpr int underline = 0x8;
} // namespace FontStyle
struct FontSpec {
    std::string face;
    int size = 120;
    int style = 0;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};
// Missing size or style (or a size that is not positive) gives 120 and 0;
// an empty face gives the fallback's face.
FontSpec parseFont(std::string_view text, const FontSpec& fallback);
std::string formatFont(const FontSpec& font);

const char* settingName(RealSetting id);
const char* settingName(TextSetting id);
const char* settingName(RectSetting id);
const char* settingName(ColorSetting id);
const char* settingName(FontSetting id);

// --- the per-user window row ----------------------------------------------------

namespace WindowFlag {
inline constexpr std::uint16_t popCalOpen = 0x1;
inline constexpr std::uint16_t maximised = 0x2;
inline constexpr std::uint16_t minimised = 0x4;
inline constexpr std::uint16_t firstRunLayout = 0x8;
// The month view numbers its weeks by the 4-4-5 period calendar.
inline constexpr std::uint16_t fiscalWeeks = 0x10;
inline constexpr std::uint16_t timeBarOpen = 0x20;
} // namespace WindowFlag

inline constexpr int kQuadTiling = 87;
inline constexpr int kSingleScheduleView = 931;

// The value "User%05ld" of one user: 19 integers in this order. Rectangles
// are x, y, width, height. The view is kept as its command (931, 32, 933,
// 934, 935, 936).
struct UserWindowRow {
    int alarmsOff = 0;
    std::uint16_t windowFlags = 0;
    SettingRect mainWindow;
    SettingRect popCal;
    int tilingCommand = kQuadTiling;  // 85, 86 or 87
    int agentsOff = 0;
    int noteBrowsing = 0;
    int viewCommand = kSingleScheduleView;
    int hideDoneItems = 0;
    SettingRect timeBar;
    friend bool operator==(const UserWindowRow&, const UserWindowRow&) = default;
};

std::string windowRowName(long userNumber);
// Numbers with a blank after each, the last included.
std::string formatWindowRow(const UserWindowRow& row);
// Reads as many leading numbers as there are; the rest keep base's values.
UserWindowRow parseWindowRow(std::string_view text, UserWindowRow base = {});

// The layout of a schedule's first run on a screen of the given size.
UserWindowRow firstRunLayout(int screenWidth, int screenHeight);

struct ScreenLimits {
    int desktopWidth = 0;             // all screens side by side
    int height = 0;                   // the screen
    int minWidth = 0, minHeight = 0;  // the smallest window the system allows
};
// The main window's saved rectangle brought onto the desktop; nothing when
// none was saved (width 0), and the system places the window.
std::optional<SettingRect> placeMainWindow(const SettingRect& saved, const ScreenLimits& screen);

// --- the catalogue -----------------------------------------------------------------

struct SettingsEnvironment {
    WeekSettings localeWeek;                // WeekStartsMon and FirstWeekRule when the store has none
    std::filesystem::path autostartFolder;  // where "Launch at Start up" keeps its entry; empty: none
};

class Settings {
public:
    explicit Settings(SettingsEnvironment environment = {});

    const SettingsEnvironment& environment() const { return environment_; }
    long userNumber() const { return userNumber_; }
    void setUserNumber(long number) { userNumber_ = number; }

    void read(const SettingStore& store);
    // The row of userNumber(); a missing row leaves the current one.
    void readWindowRow(const SettingStore& store);
    // Every integer and real value, the window row, and what was set here.
    void write(SettingStore& store) const;

    int value(IntSetting id) const { return ints_[index(id)]; }
    bool isOn(IntSetting id) const { return value(id) != 0; }
    void setValue(IntSetting id, int v) { ints_[index(id)] = v; }
    void setOn(IntSetting id, bool on) { setValue(id, on ? 1 : 0); }

    double real(RealSetting id) const { return reals_[index(id)]; }
    void setReal(RealSetting id, double v) { reals_[index(id)] = v; }
    const std::string& text(TextSetting id) const { return texts_[index(id)]; }
    void setText(TextSetting id, std::string_view v);
    std::optional<SettingRect> rect(RectSetting id) const { return rects_[index(id)]; }
    void setRect(RectSetting id, const SettingRect& r);
    long color(ColorSetting id) const { return colors_[index(id)]; }
    void setColor(ColorSetting id, long colorRef);
    const FontSpec& font(FontSetting id) const { return fonts_[index(id)]; }
    void setFont(FontSetting id, FontSpec font);

    UserWindowRow& windowRow() { return row_; }
    const UserWindowRow& windowRow() const { return row_; }

    bool traceToErrorLog() const;  // ErrorLog is "YES", in any case
    WeekSettings week() const;

    // The cost of money goes into the header only when the user chose one:
    // otherwise the schedule keeps its own rate.
    void applyToHeader(ScheduleHeader& header) const;
    void takeFromHeader(const ScheduleHeader& header);

private:
    template <typename E>
    static std::size_t index(E id) { return static_cast<std::size_t>(id); }

    SettingsEnvironment environment_;
    long userNumber_ = 0;
    std::array<int, kIntSettingCount> ints_{};
    bool costOfMoneyChosen_ = false;
    std::array<double, 2> reals_{};
    std::array<std::string, kTextSettingCount> texts_;
    std::array<std::optional<SettingRect>, kRectSettingCount> rects_;
    std::array<long, kColorSettingCount> colors_{};
    std::array<FontSpec, kFontSettingCount> fonts_;
    std::array<bool, kTextSettingCount> textSet_{};
    std::array<bool, kRectSettingCount> rectSet_{};
    std::array<bool, kColorSettingCount> colorSet_{};
    std::array<bool, kFontSettingCount> fontSet_{};
    UserWindowRow row_;
};

// What happens after a schedule was loaded: every value, the window row of
// an existing schedule, and the cost of money into the header.
enum class ScheduleOrigin { Existing, New };
void readAllSettings(Settings& settings, const SettingStore& store, ScheduleHeader& header, ScheduleOrigin origin);
// The window settings save (on moves, every minute, at exit).
void saveWindowSettings(Settings& settings, const ScheduleHeader& header, SettingStore& store);

// --- preferences in the header --------------------------------------------------------

// Bits of the header option word that belong to the preferences; the word's
// other bits are left as they are.
enum class HeaderOption : std::uint32_t {
    Autobalance = 0x80000000,
    ConflictChecking = 0x40000000,
    WriteLogFiles = 0x20000000,
    ShowUserName = 0x10000000,
    IncludePrivateItems = 0x08000000,
    AutoDoneAppointments = 0x04000000,
    FullItemDialog = 0x01000000,
    MarvalPrioritization = 0x00800000,
    AutomaticCarryOver = 0x00400000,
    FitToGap = 0x00100000,
    EncryptNotes = 0x00080000,
    Autosort = 0x00040000,
    Option0x00020000 = 0x00020000,  // the three without a dialog control
    Option0x00000400 = 0x00000400,
    Option0x00000200 = 0x00000200,
};
bool headerOption(const ScheduleHeader& header, HeaderOption option);
void setHeaderOption(ScheduleHeader& header, HeaderOption option, bool on);

// --- defaults -----------------------------------------------------------------------------

// A schedule created at start: LITE, the display defaults, the header's day
// bounds, business hours and durations; then the window settings are saved.
void applyNewScheduleDefaults(ScheduleHeader& header, Settings& settings, SettingStore& store);

// Data from program versions up to 4.12 (not sample data) moves to PRO with
// the defaults PRO users had; then the window settings are saved.
bool wantsProDefaults(const ScheduleHeader& header, bool sampleData);
void applyProDefaults(ScheduleHeader& header, Settings& settings, SettingStore& store);

// Page size and margins for the [intl] iMeasure value (1 U.S., else metric).
struct PageSetup {
    double width = 0, height = 0, margin = 0;
    bool inches = false;
};
PageSetup pageSetupFor(int iMeasure);

} // namespace zk
