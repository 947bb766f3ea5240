#include "shell/model/settings.h"

#include "core/text.h"
#include "engine/interfacemode.h"
#include "engine/marvals.h"
#include "platform/paths.h"
#include "shell/model/autostart.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace zk {

namespace {

using enum IntSetting;

constexpr std::array<IntSettingInfo, kIntSettingCount> kIntSettings{{
    {WorldTimeline, "WorldTimeline", 0, 0},
    {ShowDoneTaskTimes, "ShowDoneTaskTimes", 1, 0},
    {WeekviewEventsOnly, "WeekviewEventsOnly", 0, 0},
    {MonthviewEventsOnly, "MonthviewEventsOnly", 0, 0},
    {MonthviewVitalsOnly, "MonthviewVitalsOnly", 0, 0},
    {MonthviewBeginTimes, "MonthviewBeginTimes", 0, 0},
    {MonthviewDaysSpans, "MonthviewDaysSpans", 0, 0},
    {MonthviewWkOfYr, "MonthviewWkOfYr", 0, 0},
    {AlarmsRingOnce, "AlarmsRingOnce", 0, 0},
    {AlarmsSilent, "AlarmsSilent", 0, 0},
    {AlarmsShared, "AlarmsShared", 0, 0},
    {HideGaps, "HideGaps", 0, 0},
    {ShowConflictLens, "ShowConflictLens", 0, 0},
    {ShowSchedStats, "ShowSchedStats", 0, 0},
    {ShowEndTimes, "ShowEndTimes", 0, 0},
    {ShowTaskTimes, "ShowTaskTimes", 1, 0},
    {KeyIncre1min, "KeyIncre1min", 0, 0},
    {ShowOppCosts, "ShowOppCosts", 0, 0},
    {ShowMoons, "ShowMoons", 0, 0},
    {DisableAutosave, "DisableAutosave", 0, 0},
    {MoonAM, "MoonAM", 0, 0},
    {ShowSunrise, "ShowSunrise", 0, 0},
    {ShowSunset, "ShowSunset", 0, 0},
    {SunChimes, "SunChimes", 0, 0},
    {Moonrise, "Moonrise", 0, 0},
    {Moonset, "Moonset", 0, 0},
    {Zenith, "Zenith", 0, 0},
    {HighTide, "HighTide", 0, 0},
    {LowTide, "LowTide", 0, 0},
    {TideLine, "TideLine", 0, 0},
    {Toolbar, "Toolbar", 1, 0},
    {NoPastStrikes, "NoPastStrikes", 0, 0},
    {Timespace, "Timespace", 1, 392},
    {ClockSyncWeb, "ClockSyncWeb", 0, 0},
    {Shading, "Shading", 1, 0},
    {Chimes, "Chimes", 0, 0},
    {WeekStartsMon, "WeekStartsMon", 0, 0},
    {ProjectFilter, "ProjectFilter", 0, 0},
    {PresentFilter, "PresentFilter", 0, 0},
    {StatusFilter, "StatusFilter", 0, 0},
    {MinLenFilter, "MinLenFilter", 0, 0},
    {RoutineFilter, "RoutineFilter", 0, 0},
    {CaseFilter, "CaseFilter", 0, 0},
    {FirstWeekRule, "FirstWeekRule", 0, 0},
    {ItemBorders, "ItemBorders", 0, 0},
    {TrackChanges, "TrackChanges", 1, 0},
    {AutoStart, "AutoStart", kAutoStartUnknown, 0},
    {PopCalTiled, "PopCalTiled", 0, 603},
    {YearFirstWeekAdjust, "YearFirstWeekAdjust", 0, 0},
    {CostOfMoney, "CostOfMoney", 6, 0},
    {nBatting, "nBatting", 7, 0},
    {MinFreeLenShow, "MinFreeLenShow", 5, 0},
    {MinLenFilterLen, "MinLenFilterLen", 60, 0},
    {EnableHideDoneItems, "EnableHideDoneItems", 0, 0},
    {MarvalSense, "MarvalSense", 8, 0},
    {PalmEnable, "PalmEnable", 0, 0},
    {email, "email", 0, 0},
    // The selection moves on to the next entry after a done command.
    {AutoAdvance, "AutoAdvance", 0, 0},
}};

constexpr bool catalogueInEnumOrder()
{
    for (std::size_t i = 0; i < kIntSettings.size(); ++i)
        if (static_cast<std::size_t>(kIntSettings[i].id) != i)
            return false;
    return true;
}
static_assert(catalogueInEnumOrder(), "the integer catalogue must follow IntSetting");
static_assert(static_cast<std::uint32_t>(HeaderOption::MarvalPrioritization) == kMarvalPrioritization);

// The name the minimum-length filter length was once written under; read
// when the proper name is missing, so an older store keeps its value.
constexpr const char* kOldMinLenFilterName = "FilterMinLen";

constexpr const char* kRealNames[] = {"Latitude", "Longitude"};
constexpr const char* kRectNames[] = {"TimerPos", "TimerWndPos", "NotesWindowPos", "FilterWnd"};
static_assert(std::size(kRectNames) == kRectSettingCount);
constexpr SettingRect kNotesWindowDefault{100, 200, 500, 400};

struct TextInfo {
    const char* name;
    std::size_t maxBytes;  // 0: no limit
};
constexpr TextInfo kTexts[] = {
    {"ErrorLog", 0}, {"autoback", 10}, {"ServerDrive", 28}, {"MobilePath", 0}, {"DataFolder", 0},
    {"TideLocation", 63}, {"TideInterval", 8}, {"TextFilter", 40},
};
static_assert(std::size(kTexts) == kTextSettingCount);

struct ColorInfo {
    const char* name;
    long defaultValue;
};
constexpr ColorInfo kColors[kColorSettingCount] = {
    {"ColorNormalBackground", 0xFFFFFF}, {"ColorNormalText", 0}, {"ColorFluid", 0x808000},
    {"ColorUnscheduled", 0x7F7F7F}, {"ColorDone", 0xBDBDBD},
};

// Generic families, which fontconfig resolves to whatever sans-serif and
// serif faces the machine has.
constexpr const char* kSans = "Sans Serif";
constexpr const char* kSerif = "Serif";
struct FontInfo {
    const char* name;
    const char* face;
    int size;
    int style;
};
constexpr FontInfo kFonts[kFontSettingCount] = {
    {"PrintNormal", kSans, 120, 0},        {"PrintHeading", kSerif, 200, 0},
    {"PrintOutlook", kSans, 90, FontStyle::italic}, {"ScreenNormal", kSans, 120, FontStyle::bold},
    {"ScreenSmall", kSans, 100, 0},        {"ScreenHeading", kSerif, 220, FontStyle::italic},
    {"ScreenMonth", kSans, 80, FontStyle::italic},
};

FontSpec defaultFont(FontSetting id)
{
    const FontInfo& f = kFonts[static_cast<std::size_t>(id)];
    return FontSpec{f.face, f.size, f.style};
}

std::string defaultText(TextSetting id)
{
    switch (id) {
    case TextSetting::ErrorLog: return "NO";
    case TextSetting::MobilePath: return (homeFolder() / "").string();
    case TextSetting::DataFolder: return (defaultScheduleFolder() / "").string();
    default: return {};
    }
}

int defaultValue(IntSetting id, const SettingsEnvironment& env)
{
    if (id == WeekStartsMon)
        return env.localeWeek.weekStartsMonday ? 1 : 0;
    if (id == FirstWeekRule)
        return env.localeWeek.firstWeekRule;
    return settingInfo(id).defaultValue;
}

std::string formatReal(double v)
{
    char text[64];
    auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    return ec == std::errc() ? std::string(text, end) : std::string("0");
}

std::string formatRect(const SettingRect& r)
{
    return std::to_string(r.a) + " " + std::to_string(r.b) + " " + std::to_string(r.c) + " " + std::to_string(r.d);
}

bool isColorRef(long v) { return v >= 0 && v <= 0xFFFFFF; }

} // namespace

// --- catalogue entries ----------------------------------------------------------

const IntSettingInfo& settingInfo(IntSetting id) { return kIntSettings[static_cast<std::size_t>(id)]; }
const std::array<IntSettingInfo, kIntSettingCount>& intSettings() { return kIntSettings; }

const char* settingName(RealSetting id) { return kRealNames[static_cast<std::size_t>(id)]; }
const char* settingName(TextSetting id) { return kTexts[static_cast<std::size_t>(id)].name; }
const char* settingName(RectSetting id) { return kRectNames[static_cast<std::size_t>(id)]; }
const char* settingName(ColorSetting id) { return kColors[static_cast<std::size_t>(id)].name; }
const char* settingName(FontSetting id) { return kFonts[static_cast<std::size_t>(id)].name; }

Rgb rgbOf(long colorRef)
{
    return Rgb{static_cast<int>(colorRef & 0xFF), static_cast<int>((colorRef >> 8) & 0xFF),
               static_cast<int>((colorRef >> 16) & 0xFF)};
}

long colorRefOf(Rgb rgb)
{
    auto channel = [](int v) { return static_cast<long>(v < 0 ? 0 : v > 255 ? 255 : v); };
    return channel(rgb.red) | channel(rgb.green) << 8 | channel(rgb.blue) << 16;
}

FontSpec parseFont(std::string_view text, const FontSpec& fallback)
{
    FontSpec font;
    std::size_t comma = text.find(',');
    font.face = std::string(utf8Prefix(text.substr(0, comma), kMaxFontFace));
    if (font.face.empty())
        font.face = fallback.face;
    if (comma == std::string_view::npos)
        return font;
    std::string rest(text.substr(comma + 1));
    int size = std::atoi(rest.c_str());
    if (size > 0)
        font.size = size;
    if (std::size_t second = rest.find(','); second != std::string::npos)
        font.style = std::atoi(rest.c_str() + second + 1);
    return font;
}

std::string formatFont(const FontSpec& font)
{
    return std::string(utf8Prefix(font.face, kMaxFontFace)) + "," + std::to_string(font.size) + ","
        + std::to_string(font.style);
}

// --- the window row ------------------------------------------------------------------

namespace {

// The view as the row stores it: the command's last two digits, the
// multi-pane view (32) as it is; anything else as the single schedule.
int viewCodeOf(int command)
{
    switch (command) {
    case 931: case 933: case 934: case 935: case 936: return command - 900;
    case 32: return 32;
    default: return 31;
    }
}

int viewCommandOf(int code)
{
    switch (code) {
    case 31: case 33: case 34: case 35: case 36: return code + 900;
    case 32: return 32;
    default: return kSingleScheduleView;
    }
}

std::array<int*, 19> rowFields(UserWindowRow& r, int& flags, int& view)
{
    return {&r.alarmsOff,     &flags,        &r.mainWindow.a, &r.mainWindow.b, &r.mainWindow.c,
            &r.mainWindow.d,  &r.popCal.a,   &r.popCal.b,     &r.popCal.c,     &r.popCal.d,
            &r.tilingCommand, &r.agentsOff,  &r.noteBrowsing, &view,           &r.hideDoneItems,
            &r.timeBar.a,     &r.timeBar.b,  &r.timeBar.c,    &r.timeBar.d};
}

} // namespace

std::string windowRowName(long userNumber)
{
    char name[32];
    std::snprintf(name, sizeof name, "User%05ld", userNumber);
    return name;
}

std::string formatWindowRow(const UserWindowRow& row)
{
    UserWindowRow copy = row;
    int flags = row.windowFlags;
    int view = viewCodeOf(row.viewCommand);
    std::string text;
    for (int* field : rowFields(copy, flags, view))
        text += std::to_string(*field) + " ";
    return text;
}

UserWindowRow parseWindowRow(std::string_view text, UserWindowRow base)
{
    int flags = base.windowFlags;
    int view = viewCodeOf(base.viewCommand);
    std::istringstream in{std::string(text)};
    for (int* field : rowFields(base, flags, view)) {
        long v = 0;
        if (!(in >> v))
            break;
        *field = static_cast<int>(v);
    }
    base.windowFlags = static_cast<std::uint16_t>(flags);
    base.viewCommand = viewCommandOf(view);
    if (base.tilingCommand < 2)
        base.tilingCommand = kQuadTiling;
    return base;
}

UserWindowRow firstRunLayout(int screenWidth, int screenHeight)
{
    UserWindowRow row;
    const int w = screenWidth;
    const int h = screenHeight * 95 / 100;
    const int left = w * 7 / 10;  // where the pop-up calendar begins
    const int top = h * 6 / 10;   // where the calendar and the time bar begin
    row.mainWindow = {0, 0, w, h};
    row.popCal = {left, top, w - left, h - top};
    row.timeBar = {0, top, left, h - top};
    row.windowFlags |= WindowFlag::popCalOpen | WindowFlag::firstRunLayout | WindowFlag::timeBarOpen;
    return row;
}

std::optional<SettingRect> placeMainWindow(const SettingRect& saved, const ScreenLimits& screen)
{
    if (saved.c == 0)
        return std::nullopt;
    // A range that cannot be met at all gives 0 rather than either bound.
    auto clamp = [](int v, int low, int high) { return high < low ? 0 : v < low ? low : v > high ? high : v; };
    SettingRect r;
    r.a = clamp(saved.a, 0, screen.desktopWidth - screen.minWidth);
    r.b = clamp(saved.b, 0, screen.height - screen.minHeight);
    r.c = clamp(saved.c, screen.minWidth, screen.desktopWidth - r.a);
    r.d = clamp(saved.d, screen.minHeight, screen.height - r.b);
    return r;
}

// --- the catalogue ---------------------------------------------------------------------

Settings::Settings(SettingsEnvironment environment) : environment_(std::move(environment))
{
    for (const auto& info : kIntSettings)
        ints_[index(info.id)] = defaultValue(info.id, environment_);
    for (std::size_t i = 0; i < texts_.size(); ++i)
        texts_[i] = defaultText(static_cast<TextSetting>(i));
    rects_[index(RectSetting::NotesWindowPos)] = kNotesWindowDefault;
    for (std::size_t i = 0; i < kColorSettingCount; ++i)
        colors_[i] = kColors[i].defaultValue;
    for (std::size_t i = 0; i < kFontSettingCount; ++i)
        fonts_[i] = defaultFont(static_cast<FontSetting>(i));
}

void Settings::read(const SettingStore& store)
{
    for (const auto& info : kIntSettings)
        ints_[index(info.id)] = store.integer(info.name, defaultValue(info.id, environment_));
    if (!store.value(settingInfo(MinLenFilterLen).name))
        setValue(MinLenFilterLen, store.integer(kOldMinLenFilterName, settingInfo(MinLenFilterLen).defaultValue));
    auto costOfMoney = store.value(settingInfo(CostOfMoney).name);
    costOfMoneyChosen_ = costOfMoney && !costOfMoney->empty();
    if (value(AutoStart) == kAutoStartUnknown)
        setOn(AutoStart, launchesAtStartup(environment_.autostartFolder));

    for (std::size_t i = 0; i < reals_.size(); ++i)
        reals_[i] = store.real(kRealNames[i]);
    for (std::size_t i = 0; i < texts_.size(); ++i) {
        auto id = static_cast<TextSetting>(i);
        std::string v = store.string(kTexts[i].name, defaultText(id));
        texts_[i] = kTexts[i].maxBytes ? std::string(utf8Prefix(v, kTexts[i].maxBytes)) : v;
    }
    for (std::size_t i = 0; i < rects_.size(); ++i)
        if (auto r = store.rect(kRectNames[i]))
            rects_[i] = r;
    for (std::size_t i = 0; i < kColorSettingCount; ++i) {
        long v = store.longInteger(kColors[i].name, kColors[i].defaultValue);
        colors_[i] = isColorRef(v) ? v : kColors[i].defaultValue;
    }
    for (std::size_t i = 0; i < kFontSettingCount; ++i) {
        FontSpec fallback = defaultFont(static_cast<FontSetting>(i));
        auto v = store.value(kFonts[i].name);
        fonts_[i] = v && !v->empty() ? parseFont(*v, fallback) : fallback;
    }
}

void Settings::readWindowRow(const SettingStore& store)
{
    if (auto v = store.value(windowRowName(userNumber_)))
        row_ = parseWindowRow(*v, row_);
}

void Settings::write(SettingStore& store) const
{
    std::vector<std::pair<std::string, std::string>> values;
    // Toolbar too is written as it is: written inverted, it flipped at every start.
    for (const auto& info : kIntSettings)
        values.emplace_back(info.name, std::to_string(ints_[index(info.id)]));
    for (std::size_t i = 0; i < reals_.size(); ++i)
        values.emplace_back(kRealNames[i], formatReal(reals_[i]));
    for (std::size_t i = 0; i < texts_.size(); ++i)
        if (textSet_[i])
            values.emplace_back(kTexts[i].name, texts_[i]);
    for (std::size_t i = 0; i < rects_.size(); ++i)
        if (rectSet_[i] && rects_[i])
            values.emplace_back(kRectNames[i], formatRect(*rects_[i]));
    for (std::size_t i = 0; i < kColorSettingCount; ++i)
        if (colorSet_[i])
            values.emplace_back(kColors[i].name, std::to_string(colors_[i]));
    for (std::size_t i = 0; i < kFontSettingCount; ++i)
        if (fontSet_[i])
            values.emplace_back(kFonts[i].name, formatFont(fonts_[i]));
    values.emplace_back(windowRowName(userNumber_), formatWindowRow(row_));
    store.setValues(values);
}

void Settings::setText(TextSetting id, std::string_view v)
{
    std::size_t limit = kTexts[index(id)].maxBytes;
    texts_[index(id)] = std::string(limit ? utf8Prefix(v, limit) : v);
    textSet_[index(id)] = true;
}

void Settings::setRect(RectSetting id, const SettingRect& r)
{
    rects_[index(id)] = r;
    rectSet_[index(id)] = true;
}

void Settings::setColor(ColorSetting id, long colorRef)
{
    if (!isColorRef(colorRef))
        return;
    colors_[index(id)] = colorRef;
    colorSet_[index(id)] = true;
}

void Settings::setFont(FontSetting id, FontSpec font)
{
    font.face = std::string(utf8Prefix(font.face, kMaxFontFace));
    if (font.face.empty())
        font.face = defaultFont(id).face;
    if (font.size <= 0)
        font.size = FontSpec{}.size;
    fonts_[index(id)] = std::move(font);
    fontSet_[index(id)] = true;
}

bool Settings::traceToErrorLog() const { return compareIgnoringCase(text(TextSetting::ErrorLog), "YES") == 0; }

WeekSettings Settings::week() const
{
    WeekSettings w;
    w.weekStartsMonday = isOn(WeekStartsMon);
    w.firstWeekRule = value(FirstWeekRule);
    w.yearFirstWeekAdjust = value(YearFirstWeekAdjust);
    return sanitised(w);
}

void Settings::applyToHeader(ScheduleHeader& header) const
{
    // 0 would make every annualised value divide by zero.
    int rate = value(CostOfMoney);
    if (costOfMoneyChosen_ && rate >= 1 && rate <= 255)
        header.setU8(ScheduleHeader::interestRateAt, static_cast<std::uint8_t>(rate));
}

void Settings::takeFromHeader(const ScheduleHeader& header)
{
    if (int rate = header.u8(ScheduleHeader::interestRateAt); rate != 0)
        setValue(CostOfMoney, rate);
}

void readAllSettings(Settings& settings, const SettingStore& store, ScheduleHeader& header, ScheduleOrigin origin)
{
    settings.read(store);
    if (origin == ScheduleOrigin::Existing)
        settings.readWindowRow(store);
    settings.applyToHeader(header);
    settings.takeFromHeader(header);
}

void saveWindowSettings(Settings& settings, const ScheduleHeader& header, SettingStore& store)
{
    settings.takeFromHeader(header);
    settings.write(store);
}

// --- preferences in the header --------------------------------------------------------

bool headerOption(const ScheduleHeader& header, HeaderOption option)
{
    return (header.u32(ScheduleHeader::optionWordAt) & static_cast<std::uint32_t>(option)) != 0;
}

void setHeaderOption(ScheduleHeader& header, HeaderOption option, bool on)
{
    std::uint32_t bit = static_cast<std::uint32_t>(option);
    std::uint32_t word = header.u32(ScheduleHeader::optionWordAt);
    header.setU32(ScheduleHeader::optionWordAt, on ? word | bit : word & ~bit);
}

// --- defaults -----------------------------------------------------------------------------

namespace {

// The two durations that a new schedule starts at 30 minutes.
constexpr std::size_t kHeaderDurationA = 440;
constexpr std::size_t kHeaderDurationB = 443;

} // namespace

void applyNewScheduleDefaults(ScheduleHeader& header, Settings& settings, SettingStore& store)
{
    header.setInterfaceMode(InterfaceMode::lite);
    for (IntSetting id : {ShowTaskTimes, ShowDoneTaskTimes, ShowSchedStats, Timespace})
        settings.setOn(id, true);
    settings.setOn(WeekStartsMon, settings.environment().localeWeek.weekStartsMonday);
    setHeaderOption(header, HeaderOption::ShowUserName, true);
    setHeaderOption(header, HeaderOption::Autosort, true);
    header.setI16(kHeaderDurationA, 30);
    header.setI16(kHeaderDurationB, 30);
    header.setMinSplitMinutes(15);
    header.setDayStart(TimeValue::fromClock(7, 0));
    header.setDayEnd(TimeValue::fromClock(23, 0));
    header.setBizHours(TimeValue::fromClock(9, 0), TimeValue::fromClock(17, 0));
    saveWindowSettings(settings, header, store);
}

bool wantsProDefaults(const ScheduleHeader& header, bool sampleData)
{
    return !sampleData && header.writerVersion() <= 4.12f;
}

void applyProDefaults(ScheduleHeader& header, Settings& settings, SettingStore& store)
{
    header.setInterfaceMode(InterfaceMode::pro);
    for (IntSetting id : {WeekviewEventsOnly, MonthviewEventsOnly, MonthviewWkOfYr, AlarmsSilent, AlarmsShared,
                          ShowConflictLens, ShowEndTimes, KeyIncre1min, ShowOppCosts, ShowMoons, DisableAutosave,
                          EnableHideDoneItems})
        settings.setOn(id, false);
    for (IntSetting id : {ShowDoneTaskTimes, MonthviewVitalsOnly, MonthviewBeginTimes, MonthviewDaysSpans,
                          AlarmsRingOnce, HideGaps, ShowSchedStats, ShowTaskTimes, Timespace})
        settings.setOn(id, true);
    settings.windowRow().agentsOff = 0;
    settings.windowRow().alarmsOff = 0;
    using enum HeaderOption;
    for (HeaderOption o : {Autobalance, AutoDoneAppointments, AutomaticCarryOver, FitToGap, Option0x00000400})
        setHeaderOption(header, o, false);
    for (HeaderOption o : {ConflictChecking, WriteLogFiles, ShowUserName, IncludePrivateItems, FullItemDialog})
        setHeaderOption(header, o, true);
    saveWindowSettings(settings, header, store);
}

PageSetup pageSetupFor(int iMeasure)
{
    if (iMeasure == 1)
        return PageSetup{8.5, 11.0, 0.5, true};
    return PageSetup{21.0, 29.5, 1.2, false};
}

} // namespace zk
