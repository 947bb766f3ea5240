#include "platform/regionalsource.h"

#include "core/calendar.h"
#include "core/text.h"
#include "platform/paths.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <langinfo.h>
#include <locale.h>
#include <vector>

namespace zk {

namespace {

constexpr std::array<std::string_view, 8> kIntlNames = {"iDate",     "iTime", "iTLZero", "iDayLzero",
                                                        "iMonLzero", "sDate", "sTime",   "sShortDate"};
constexpr std::array<std::string_view, 3> kWeekNames = {"WeekStartsMon", "FirstWeekRule", "YearFirstWeekAdjust"};

bool sameName(std::string_view a, std::string_view b) { return compareIgnoringCase(a, b) == 0; }

// A whole decimal integer, optionally signed, of modest size.
std::optional<int> strictInteger(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    const bool negative = !s.empty() && s.front() == '-';
    if (!s.empty() && (s.front() == '-' || s.front() == '+'))
        s.remove_prefix(1);
    if (s.empty() || s.size() > 6)
        return std::nullopt;
    int n = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return negative ? -n : n;
}

bool setInRange(int& field, std::string_view value, int low, int high)
{
    const auto n = strictInteger(value);
    if (!n || *n < low || *n > high)
        return false;
    field = *n;
    return true;
}

// ---- strftime formats ----------------------------------------------------

struct Conversion {
    char flag = 0;
    char letter = 0;
};

// Splits a strftime format into conversions and the literal text before
// each, expanding the composite conversions the locales use for dates and
// times.
struct FormatWalk {
    std::vector<Conversion> conversions;
    std::vector<std::string> literalAfter; // literalAfter[i] follows conversions[i]
    std::string literalBefore;
};

void walkFormat(std::string_view format, FormatWalk& walk, int depth = 0)
{
    auto literal = [&walk](char c) {
        (walk.conversions.empty() ? walk.literalBefore : walk.literalAfter.back()) += c;
    };
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            literal(format[i]);
            continue;
        }
        Conversion c;
        size_t j = i + 1;
        if (j < format.size() && std::string_view("-_0^#").find(format[j]) != std::string_view::npos)
            c.flag = format[j++];
        if (j < format.size() && (format[j] == 'E' || format[j] == 'O'))
            ++j;
        if (j == format.size())
            break;
        c.letter = format[j];
        i = j;
        const char* expansion = c.letter == 'D' ? "%m/%d/%y"
                                : c.letter == 'F' ? "%Y-%m-%d"
                                : c.letter == 'T' ? "%H:%M:%S"
                                : c.letter == 'R' ? "%H:%M"
                                                  : nullptr;
        if (expansion && depth == 0) {
            walkFormat(expansion, walk, depth + 1);
        } else if (c.letter == '%') {
            literal('%');
        } else {
            walk.conversions.push_back(c);
            walk.literalAfter.emplace_back();
        }
    }
}

bool padded(const Conversion& c) { return c.flag != '-' && c.flag != '_'; }

// Numbers want a punctuation separator between them: locales that write
// "年" or "時" after a number write "/" and ":" in numeric forms.
std::string separatorOr(const std::string& candidate, const char* fallback)
{
    const char c = candidate.empty() ? 0 : candidate[0];
    const bool alphanumeric = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool punctuation = candidate.size() == 1 && c > ' ' && c < 0x7F && !alphanumeric;
    return punctuation ? candidate : fallback;
}

std::string firstLiteralCharacter(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    return firstCharacters(text, 1);
}

// ---- the locale ----------------------------------------------------------

class Locale {
public:
    explicit Locale(const std::string& name)
    {
        handle_ = ::newlocale(LC_ALL_MASK, name.c_str(), static_cast<locale_t>(nullptr));
        // A user may have, say, a collation that is not installed; the
        // formats only need the time category.
        if (!handle_)
            handle_ = ::newlocale(LC_TIME_MASK, name.c_str(), static_cast<locale_t>(nullptr));
    }
    ~Locale()
    {
        if (handle_)
            ::freelocale(handle_);
    }
    Locale(const Locale&) = delete;
    Locale& operator=(const Locale&) = delete;

    explicit operator bool() const { return handle_ != nullptr; }
    std::string text(nl_item item) const
    {
        const char* s = ::nl_langinfo_l(item, handle_);
        return s ? s : "";
    }
    int byte(nl_item item, int fallback) const
    {
        const char* s = ::nl_langinfo_l(item, handle_);
        return s && *s ? static_cast<unsigned char>(*s) : fallback;
    }
    // Items of type "word" come back in the pointer itself; this is how
    // glibc's own locale program reads them.
    unsigned word(nl_item item) const
    {
        union {
            unsigned int word;
            char* string;
        } value{};
        value.string = ::nl_langinfo_l(item, handle_);
        return value.word;
    }

private:
    locale_t handle_ = nullptr;
};

bool isCLocale(std::string_view name)
{
    return name.empty() || name == "C" || name == "POSIX" || name.starts_with("C.");
}

void readNames(const Locale& locale, RegionalSettings& regional)
{
    for (int i = 0; i < 7; ++i) {
        regional.dayNames[static_cast<size_t>(i)] = locale.text(static_cast<nl_item>(DAY_1 + i));
        regional.abbreviatedDayNames[static_cast<size_t>(i)] = locale.text(static_cast<nl_item>(ABDAY_1 + i));
    }
    for (int i = 0; i < 12; ++i) {
        // The stand-alone (nominative) forms where a language has them.
        std::string full = locale.text(static_cast<nl_item>(ALTMON_1 + i));
        std::string abbreviated = locale.text(static_cast<nl_item>(_NL_ABALTMON_1 + i));
        regional.monthNames[static_cast<size_t>(i)] = full.empty() ? locale.text(static_cast<nl_item>(MON_1 + i)) : full;
        regional.abbreviatedMonthNames[static_cast<size_t>(i)] =
            abbreviated.empty() ? locale.text(static_cast<nl_item>(ABMON_1 + i)) : abbreviated;
    }
}

WeekSettings readWeek(const Locale& locale)
{
    WeekSettings week;
    // The first weekday counts from a reference Sunday or Monday (a date
    // written as yyyymmdd), 1 being the reference day itself.
    unsigned reference = locale.word(_NL_TIME_WEEK_1STDAY);
    if (reference < 19000101 || reference > 21001231)
        reference = 19971130;
    const int referenceWeekday = dayOf(static_cast<int>(reference / 100 % 100), static_cast<int>(reference % 100),
                                       static_cast<int>(reference / 10000))
                                     .weekday();
    const int firstWeekday = locale.byte(_NL_TIME_FIRST_WEEKDAY, 1);
    week.weekStartsMonday = (referenceWeekday + firstWeekday - 1) % 7 == 1;
    week.firstWeekRule = firstWeekRuleForMinimalDays(locale.byte(_NL_TIME_WEEK_1STWEEK, 1));
    return week;
}

} // namespace

std::optional<DateFormatFacts> dateFormatFacts(std::string_view dateFormat)
{
    FormatWalk walk;
    walkFormat(dateFormat, walk);
    DateFormatFacts facts;
    std::string order;
    std::vector<std::string> fields;
    std::string written = walk.literalBefore;
    for (size_t i = 0; i < walk.conversions.size(); ++i) {
        const Conversion& c = walk.conversions[i];
        if (c.letter == 'd' || c.letter == 'e') {
            facts.iDayLzero = c.letter == 'd' && padded(c);
            fields.push_back(facts.iDayLzero ? "dd" : "d");
        } else if (c.letter == 'm') {
            facts.iMonLzero = padded(c);
            fields.push_back(facts.iMonLzero ? "mm" : "m");
        } else if (c.letter == 'y' || c.letter == 'Y') {
            fields.push_back(c.letter == 'Y' ? "yyyy" : "yy");
        } else {
            continue; // weekday names and the like have no place in a short date
        }
        order += fields.back()[0];
        written += fields.back() + walk.literalAfter[i];
        if (fields.size() == 1)
            facts.sDate = firstLiteralCharacter(walk.literalAfter[i]);
    }
    if (order == "mdy")
        facts.iDate = 0;
    else if (order == "dmy")
        facts.iDate = 1;
    else if (order == "ymd")
        facts.iDate = 2;
    else
        return std::nullopt;
    facts.sDate = separatorOr(facts.sDate, "/");
    // A pattern that does not fit, or holds words, becomes the bare fields.
    const bool plain = written.size() <= kMaxShortDatePattern
                       && std::all_of(written.begin(), written.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (plain) {
        facts.sShortDate = written;
        return facts;
    }
    // At most "dd/mm/yyyy": always fits.
    facts.sShortDate = fields[0] + facts.sDate + fields[1] + facts.sDate + fields[2];
    return facts;
}

std::optional<TimeFormatFacts> timeFormatFacts(std::string_view timeFormat, std::string_view amPmFormat)
{
    FormatWalk walk;
    walkFormat(timeFormat.find("%r") != std::string_view::npos ? amPmFormat : timeFormat, walk);
    for (size_t i = 0; i < walk.conversions.size(); ++i) {
        const Conversion& c = walk.conversions[i];
        if (c.letter != 'H' && c.letter != 'k' && c.letter != 'I' && c.letter != 'l')
            continue;
        TimeFormatFacts facts;
        facts.iTime = c.letter == 'H' || c.letter == 'k';
        facts.iTLZero = (c.letter == 'H' || c.letter == 'I') && padded(c);
        facts.sTime = separatorOr(firstLiteralCharacter(walk.literalAfter[i]), ":");
        return facts;
    }
    return std::nullopt;
}

int firstWeekRuleForMinimalDays(int days)
{
    if (days >= 7)
        return 1;
    return days >= 4 ? 2 : 0;
}

RegionalSources userRegionalSources() { return RegionalSources{profilePath(), ""}; }

UserRegional regionalFromLocale(const std::string& localeName)
{
    UserRegional out;
    const Locale locale(localeName);
    if (!locale || isCLocale(locale.text(_NL_LOCALE_NAME(LC_TIME))))
        return out;
    if (auto date = dateFormatFacts(locale.text(D_FMT))) {
        out.regional.iDate = date->iDate;
        out.regional.sDate = date->sDate;
        out.regional.sShortDate = date->sShortDate;
        out.regional.iDayLzero = date->iDayLzero;
        out.regional.iMonLzero = date->iMonLzero;
    }
    if (auto time = timeFormatFacts(locale.text(T_FMT), locale.text(T_FMT_AMPM))) {
        out.regional.iTime = time->iTime;
        out.regional.sTime = time->sTime;
        out.regional.iTLZero = time->iTLZero;
    }
    readNames(locale, out.regional);
    out.week = readWeek(locale);
    out.regional = sanitised(out.regional);
    out.week = sanitised(out.week);
    return out;
}

void applyProfile(const IniFile& profile, UserRegional& settings)
{
    for (std::string_view name : kIntlNames) {
        std::optional<std::string> v;
        if (name[0] != 'i')
            v = profile.value("intl", name);
        else if (auto n = profile.intValue("intl", name)) // "1 ; old" reads as 1, as the profile's integer reads do
            v = std::to_string(*n);
        if (v)
            setIntlValue(settings.regional, name, *v); // out-of-range values keep the locale's
    }
    for (std::string_view name : kWeekNames)
        if (auto n = profile.intValue("Zelkon", name))
            setWeekSetting(settings.week, name, std::to_string(*n));
    settings.regional = sanitised(settings.regional);
    settings.week = sanitised(settings.week);
}

UserRegional loadUserRegional(const RegionalSources& sources)
{
    UserRegional settings = regionalFromLocale(sources.localeName);
    if (!sources.profile.empty()) {
        IniFile profile;
        // A missing or unreadable profile leaves the locale's values; the
        // setting store reports unreadable files where it can say more.
        if (profile.load(sources.profile) == IniFile::LoadStatus::Loaded)
            applyProfile(profile, settings);
    }
    return settings;
}

bool setIntlValue(RegionalSettings& r, std::string_view name, std::string_view value)
{
    if (sameName(name, "iDate"))
        return setInRange(r.iDate, value, 0, 2);
    if (sameName(name, "iTime"))
        return setInRange(r.iTime, value, 0, 1);
    if (sameName(name, "iTLZero"))
        return setInRange(r.iTLZero, value, 0, 1);
    if (sameName(name, "iDayLzero"))
        return setInRange(r.iDayLzero, value, 0, 1);
    if (sameName(name, "iMonLzero"))
        return setInRange(r.iMonLzero, value, 0, 1);
    const bool separator = sameName(name, "sDate") || sameName(name, "sTime");
    if (separator || sameName(name, "sShortDate")) {
        if (value.empty())
            return false;
        std::string& field = sameName(name, "sDate") ? r.sDate : sameName(name, "sTime") ? r.sTime : r.sShortDate;
        field = separator ? firstCharacters(value, 1) : std::string(utf8Prefix(value, kMaxShortDatePattern));
        return true;
    }
    return false;
}

bool setWeekSetting(WeekSettings& w, std::string_view name, std::string_view value)
{
    if (sameName(name, "WeekStartsMon")) {
        int on = 0;
        if (!setInRange(on, value, 0, 1))
            return false;
        w.weekStartsMonday = on == 1;
        return true;
    }
    if (sameName(name, "FirstWeekRule"))
        return setInRange(w.firstWeekRule, value, 0, 2);
    if (sameName(name, "YearFirstWeekAdjust"))
        return setInRange(w.yearFirstWeekAdjust, value, -52, 52);
    return false;
}

} // namespace zk
