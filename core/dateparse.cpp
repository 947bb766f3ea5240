#include "core/dateparse.h"
#include "core/text.h"

#include "core/calendar.h"

#include <array>
#include <cstdint>
#include <string>

namespace zk {

namespace {

// Longest texts the entry fields hold; anything longer is not an entry.
constexpr size_t kMaxDateEntry = 21;
constexpr size_t kMaxNumericDate = 19;
constexpr size_t kMaxTimeEntry = 13;

// ---- text helpers -------------------------------------------------------

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Decodes one UTF-8 character at s[i]; a byte that does not start a valid
// sequence decodes as itself (negative), so it is kept and never matches.
char32_t decode(std::string_view s, size_t& i)
{
    const auto b = static_cast<unsigned char>(s[i]);
    size_t len = b < 0x80 ? 1 : b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
    if (len == 0 || i + len > s.size()) {
        ++i;
        return 0x80000000u | b;
    }
    char32_t c = len == 1 ? b : b & (0xFF >> (len + 1));
    for (size_t k = 1; k < len; ++k) {
        const auto next = static_cast<unsigned char>(s[i + k]);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return 0x80000000u | b;
        }
        c = (c << 6) | (next & 0x3F);
    }
    i += len;
    return c;
}

void encode(char32_t c, std::string& out)
{
    if (c & 0x80000000u)
        out += static_cast<char>(c & 0xFF);
    else
        appendUtf8(out, c);
}

// Upper case for the scripts day and month names are written in (Latin,
// Greek, Cyrillic); enough to match a typed name against the locale's
// without depending on the process locale.
char32_t upper(char32_t c)
{
    if (c >= U'a' && c <= U'z')
        return c - 0x20;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) || (c >= 0x430 && c <= 0x44F))
        return c - 0x20;
    if (c == 0xFF)
        return 0x178;
    if (c == 0x3C2)
        return 0x3A3;
    if (c >= 0x450 && c <= 0x45F)
        return c - 0x50;
    const bool pairLowerOdd = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177) || (c >= 0x460 && c <= 0x4FF);
    const bool pairLowerEven = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if ((pairLowerOdd && (c & 1)) || (pairLowerEven && !(c & 1)))
        return c - 1;
    switch (c) {
    case 0x3AC: return 0x386;
    case 0x3AD: return 0x388;
    case 0x3AE: return 0x389;
    case 0x3AF: return 0x38A;
    case 0x3CC: return 0x38C;
    case 0x3CD: return 0x38E;
    case 0x3CE: return 0x38F;
    default: return c;
    }
}

std::string upperCased(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();)
        encode(upper(decode(s, i)), out);
    return out;
}

size_t characterCount(std::string_view s)
{
    size_t n = 0;
    for (size_t i = 0; i < s.size(); ++n)
        decode(s, i);
    return n;
}

// Reads a run of digits at s[pos]; values beyond the cap saturate at cap + 1
// so long digit strings stay invalid without overflowing.
struct Number {
    std::int64_t value = 0;
    size_t digits = 0;
};

Number readDigits(std::string_view s, size_t& pos, std::int64_t cap = 999999)
{
    Number n;
    while (pos < s.size() && isDigit(s[pos])) {
        n.value = n.value * 10 + (s[pos] - '0');
        if (n.value > cap)
            n.value = cap + 1;
        ++n.digits;
        ++pos;
    }
    return n;
}

std::string replaced(std::string_view s, std::string_view from, char to)
{
    std::string out(s);
    for (char& c : out)
        if (from.find(c) != std::string_view::npos)
            c = to;
    return out;
}

int usableOrInvalid(DayNumber d) { return d.isUsable() ? d.value() : kInvalidEntry; }

// ---- date entry ---------------------------------------------------------

// "+3", "-2 W", "1m", "3 days": a count of -999..999 and a unit letter.
// Nothing when the text is not of this form.
std::optional<int> relativeDate(std::string_view s, const EntryContext& context)
{
    if (s.empty() || s[0] == 'M' || s[0] == 'W') // weekday names, not counts
        return std::nullopt;
    size_t pos = 0;
    const bool negative = s[0] == '-';
    if (s[0] == '-' || s[0] == '+')
        ++pos;
    const Number n = readDigits(s, pos);
    if (n.digits == 0 || n.value > 999)
        return std::nullopt;
    const int count = negative ? -static_cast<int>(n.value) : static_cast<int>(n.value);
    while (pos < s.size() && isBlankChar(s[pos]))
        ++pos;
    if (pos == s.size()) {
        // A bare count is days either way ("-1" is yesterday); "0" alone
        // was read as today before, and "+0" or "-0" mean nothing.
        if (count == 0)
            return std::nullopt;
        return usableOrInvalid(context.today + count);
    }
    // The unit may be spelt out ("3 DAYS"), but "3 DEC" is no count of days.
    const std::string_view unit = s.substr(pos);
    auto spells = [unit](std::string_view word) { return word.starts_with(unit); };
    if (!spells("DAYS") && !spells("WEEKS") && !spells("MONTHS") && !spells("YEARS"))
        return std::nullopt;
    switch (unit[0]) {
    case 'D': return usableOrInvalid(context.today + count);
    case 'W': return usableOrInvalid(context.today + 7 * count);
    case 'M': return usableOrInvalid(addMonths(context.today, count));
    case 'Y': return usableOrInvalid(addYears(context.today, count));
    default: return std::nullopt;
    }
}

// Sunday .. Saturday: how much of the name must be typed to mean it.
constexpr std::array<size_t, 7> kWeekdayMinimum = {2, 1, 2, 1, 2, 1, 2};

int weekdayOfWord(std::string_view word, const RegionalSettings& regional)
{
    if (word == "H")
        return 4; // Thursday, since "T" alone is Tuesday's too
    const size_t length = characterCount(word);
    for (size_t day = 0; day < 7; ++day) {
        const std::string name = upperCased(regional.dayNames[day]);
        if (length >= kWeekdayMinimum[day] && name.size() >= word.size() && name.compare(0, word.size(), word) == 0)
            return static_cast<int>(day);
    }
    return -1;
}

// "FRI", "MO 2" (Monday after next but one): a weekday and 0..99 further weeks.
std::optional<int> weekdayDate(std::string_view s, const EntryContext& context)
{
    size_t digitsAt = 0;
    while (digitsAt < s.size() && !isDigit(s[digitsAt]))
        ++digitsAt;
    const std::string_view word = trimBlanks(s.substr(0, digitsAt));
    if (word.empty())
        return std::nullopt;
    size_t pos = digitsAt;
    const Number weeks = readDigits(s, pos);
    if (pos != s.size() || weeks.value > 99)
        return std::nullopt;
    const int weekday = weekdayOfWord(word, context.regional);
    if (weekday < 0)
        return std::nullopt;
    return usableOrInvalid(nextWeekdayAfter(context.today, weekday) + 7 * static_cast<int>(weeks.value));
}

// A year as typed: two digits for 2000..2068 and 1980..1999, or four.
int fullYear(std::int64_t year)
{
    if (year >= 0 && year <= 68)
        return 2000 + static_cast<int>(year);
    if (year >= 80 && year <= 99)
        return 1900 + static_cast<int>(year);
    if (year >= 1980 && year <= 2068)
        return static_cast<int>(year);
    return -1;
}

// The year for a date typed without one.
int guessedYear(int month, int day, const EntryContext& context)
{
    int year = civilDate(context.today).year;
    if (dayOf(month, day, year) < context.today) // already past: the next one
        ++year;
    const DayNumber date = dayOf(month, day, year);
    if (context.doneItemDialogOpen) {
        // Done items are entered for past days.
        if (date != context.today)
            --year;
    } else if (!context.itemEditorOpen && date >= addMonths(context.today, 6)) {
        // Going to a date far ahead more likely means the recent past.
        --year;
    }
    return year;
}

std::optional<int> numericDate(std::string_view s, const EntryContext& context)
{
    if (s.size() > kMaxNumericDate)
        return std::nullopt;
    const std::string text = replaced(s, "-. \t", '/');
    if (text.empty() || !isDigit(text[0]) || text.find('/') == std::string::npos)
        return std::nullopt;
    std::array<Number, 3> fields{};
    size_t count = 0;
    for (size_t pos = 0; pos < text.size();) {
        if (!isDigit(text[pos]))
            return std::nullopt;
        if (count == fields.size())
            return std::nullopt;
        fields[count++] = readDigits(text, pos);
        while (pos < text.size() && text[pos] == '/')
            ++pos;
    }
    std::int64_t month = 0, day = 0, year = -1;
    const int order = context.regional.iDate;
    if (order == 2) {
        if (count != 3)
            return std::nullopt; // the year leads, so it cannot be left out
        year = fields[0].value, month = fields[1].value, day = fields[2].value;
    } else {
        month = fields[order == 1 ? 1 : 0].value;
        day = fields[order == 1 ? 0 : 1].value;
        if (count == 3)
            year = fields[2].value;
    }
    if (count < 2 || month < 1 || month > 12 || day < 1 || day > 31)
        return kInvalidEntry;
    const int m = static_cast<int>(month), d = static_cast<int>(day);
    const int y = year < 0 ? guessedYear(m, d, context) : fullYear(year);
    if (y < 0 || d > monthLength(m, y))
        return kInvalidEntry;
    return usableOrInvalid(dayOf(m, d, y));
}

// ---- time entry ---------------------------------------------------------

// The clock part of a time or duration: "9", "930", "9:30", "9:3", ":30".
struct Clock {
    std::int64_t minutes = 0;
    Number bare;            // the number when there is no colon
    bool colon = false;
    bool leadingZero = false;
    size_t end = 0;
};

// Reads the clock part at the start of s (colons already unified). Minutes
// of 60 or more after an hour are refused: "9:75" is a slip, not 10:15.
std::optional<Clock> readClock(std::string_view s)
{
    Clock c;
    size_t pos = 0;
    c.leadingZero = !s.empty() && s[0] == '0';
    const Number hours = readDigits(s, pos);
    if (pos < s.size() && s[pos] == ':') {
        c.colon = true;
        ++pos;
        const size_t minutesAt = pos;
        Number minutes = readDigits(s, pos);
        if (hours.digits == 0) {
            if (minutes.digits == 0)
                return std::nullopt;
            c.minutes = minutes.value; // ":30"
        } else {
            // "9:3" means 9:30; "9:03" and "9:0" say what they mean.
            if (minutes.digits == 1 && s[minutesAt] != '0')
                minutes.value *= 10;
            if (minutes.value >= 60)
                return std::nullopt;
            c.minutes = hours.value * 60 + minutes.value;
        }
    } else {
        if (hours.digits == 0)
            return std::nullopt;
        c.bare = hours;
        if (hours.value > 99999)
            return std::nullopt;
        if (hours.value > 99) {
            if (hours.value % 100 >= 60)
                return std::nullopt;
            c.minutes = hours.value / 100 * 60 + hours.value % 100; // hhmm
        } else {
            c.minutes = hours.value;
        }
    }
    c.end = pos;
    return c;
}

enum class Meridiem { None, Am, Pm, Invalid };

Meridiem meridiemOf(std::string_view letters)
{
    letters = trimBlanks(letters);
    if (letters.empty())
        return Meridiem::None;
    if (letters == "A" || letters == "AM")
        return Meridiem::Am;
    if (letters == "P" || letters == "PM")
        return Meridiem::Pm;
    return Meridiem::Invalid;
}

// Puts a time value on the day: small hours of a night-owl day come after
// its evening. The day changes halfway through the hours outside the window.
int onTheDay(int t, const EntryContext& context)
{
    t = (t - 1) % 1440 + 1;
    if (context.nightOwl) {
        const int midnight = (context.dayStart.value() + context.dayEnd.value() % 1440) / 2;
        if (t < midnight)
            t += 1440;
    }
    return t;
}

// Minutes after midnight from the clock part and the letters after it.
int clockTime(const Clock& c, Meridiem meridiem, bool twentyFourHour)
{
    std::int64_t m = c.minutes;
    if (meridiem == Meridiem::None && (c.leadingZero || m > 721)) {
        // Written as a 24-hour time; "05" is five past midnight.
        if (!c.colon && c.bare.value <= 99 && c.bare.value >= 60)
            return kInvalidEntry;
        return m <= 1439 ? static_cast<int>(m) + 1 : kInvalidEntry;
    }
    if (!c.colon) {
        if (c.bare.value < 24)
            m = 60 * c.bare.value;
        else if (c.bare.value <= 99)
            return kInvalidEntry; // neither an hour nor hhmm
    }
    if (m >= 1440)
        return kInvalidEntry;
    const std::int64_t hour = m / 60;
    switch (meridiem) {
    case Meridiem::Am:
        if (hour > 12)
            return kInvalidEntry;
        return static_cast<int>(m >= 720 ? m - 719 : m + 1); // 12:xx AM is just after midnight
    case Meridiem::Pm:
        if (hour > 12)
            return kInvalidEntry;
        return static_cast<int>(m < 720 ? m + 721 : m + 1);
    default:
        if (twentyFourHour)
            return static_cast<int>(m) + 1;
        // Nobody plans 1:00 to 5:59 at night; 6:00 to 11:59 is morning.
        return static_cast<int>(m < 360 ? m + 721 : m + 1);
    }
}

// ---- file forms ---------------------------------------------------------

// Splits "a-b-c" into three fields; nothing when there are not exactly three.
std::optional<std::array<std::string_view, 3>> threeFields(std::string_view s, char separator)
{
    std::array<std::string_view, 3> f;
    for (size_t i = 0; i < 2; ++i) {
        const size_t at = s.find(separator);
        if (at == std::string_view::npos)
            return std::nullopt;
        f[i] = s.substr(0, at);
        s.remove_prefix(at + 1);
    }
    if (s.find(separator) != std::string_view::npos)
        return std::nullopt;
    f[2] = s;
    return f;
}

// A field that is all digits (1..6 of them).
std::optional<int> wholeNumber(std::string_view s)
{
    size_t pos = 0;
    const Number n = readDigits(s, pos);
    if (n.digits == 0 || pos != s.size() || n.value > 999999)
        return std::nullopt;
    return static_cast<int>(n.value);
}

int fileDayOf(int month, int day, int year)
{
    if (year < 0 || month < 1 || month > 12 || day < 1)
        return kInvalidEntry;
    const int y = year < 70 ? 2000 + year : year < 200 ? 1900 + year : year;
    if (day > monthLength(month, y))
        return kInvalidEntry;
    const int d = dayOf(month, day, y).value();
    return d >= 1 && d <= 32767 ? d : kInvalidEntry;
}

int monthOfAbbreviation(std::string_view token, const RegionalSettings& regional)
{
    const std::string wanted = upperCased(token);
    for (size_t i = 0; i < 12; ++i) {
        const std::string name = upperCased(regional.abbreviatedMonthNames[i]);
        // Files hold three letters even where the locale abbreviates longer.
        if (wanted == name || (characterCount(wanted) == 3 && upperCased(firstCharacters(name, 3)) == wanted))
            return static_cast<int>(i) + 1;
    }
    return -1;
}

} // namespace

int parseDateEntry(std::string_view text, const EntryContext& context)
{
    const std::string s = upperCased(trimBlanks(text));
    if (s.empty() || s.size() > kMaxDateEntry)
        return kInvalidEntry;
    if (s == "0" || s == "TODAY")
        return context.today.value();
    if (s.size() >= 3 && std::string_view("TOMORROW").starts_with(s))
        return usableOrInvalid(context.today + 1);
    if (auto d = relativeDate(s, context))
        return *d;
    if (auto d = weekdayDate(s, context))
        return *d;
    if (auto d = numericDate(s, context))
        return *d;
    return kInvalidEntry;
}

int parseTimeEntry(std::string_view text, const EntryContext& context)
{
    std::string s = upperCased(trimBlanks(text));
    if (s.empty() || s.size() > kMaxTimeEntry)
        return kInvalidEntry;
    if (s == "NOW")
        return context.now.isNone() ? kInvalidEntry : onTheDay(context.now.value(), context);
    if (s == "NOON")
        return onTheDay(kNoon.value(), context);
    s = replaced(s, ".,", ':');
    for (char c : s)
        if (!isDigit(c) && c != ':' && !isBlankChar(c) && c != 'A' && c != 'P' && c != 'M')
            return kInvalidEntry;
    if (s[0] == ':')
        return kInvalidEntry;
    const auto clock = readClock(s);
    if (!clock)
        return kInvalidEntry;
    const Meridiem meridiem = meridiemOf(std::string_view(s).substr(clock->end));
    if (meridiem == Meridiem::Invalid)
        return kInvalidEntry;
    const int t = clockTime(*clock, meridiem, context.regional.uses24HourClock());
    return t == kInvalidEntry ? kInvalidEntry : onTheDay(t, context);
}

std::optional<int> parseDurationEntry(std::string_view text)
{
    std::string s = upperCased(trimBlanks(text));
    if (s.empty() || s.size() > kMaxTimeEntry)
        return std::nullopt;
    if (s == "MEMO" || s == "NOTE")
        return 0;
    s = replaced(s, ".,", ':');
    // The sign is read apart from the hours, so "-0:30" is -30 minutes.
    const bool negative = s[0] == '-';
    const std::string_view body = std::string_view(s).substr(negative ? 1 : 0);
    const auto clock = readClock(body);
    if (!clock || clock->end != body.size())
        return std::nullopt;
    std::int64_t minutes = clock->minutes;
    if (!clock->colon) {
        const std::int64_t n = clock->bare.value;
        if (n > 2400)
            return std::nullopt;
        if (n <= 99)
            minutes = n < 25 && !clock->leadingZero ? 60 * n : n; // "2" hours, "30" and "02" minutes
    }
    if (minutes > 1440)
        return std::nullopt;
    return static_cast<int>(negative ? -minutes : minutes);
}

int parseFileDate(std::string_view text)
{
    const auto f = threeFields(trimBlanks(text), '-');
    if (!f)
        return kInvalidEntry;
    const auto year = wholeNumber((*f)[0]), month = wholeNumber((*f)[1]), day = wholeNumber((*f)[2]);
    if (!year || !month || !day)
        return kInvalidEntry;
    return fileDayOf(*month, *day, *year);
}

int parseFileDateWithMonthName(std::string_view text, const RegionalSettings& regional)
{
    const auto f = threeFields(trimBlanks(text), '-');
    if (!f)
        return kInvalidEntry;
    const auto day = wholeNumber((*f)[0]), year = wholeNumber((*f)[2]);
    const int month = monthOfAbbreviation((*f)[1], regional);
    if (!day || !year || month < 0)
        return kInvalidEntry;
    return fileDayOf(month, *day, *year);
}

int parseFileTime(std::string_view text)
{
    const std::string s = upperCased(trimBlanks(text));
    const size_t colon = s.find(':');
    if (colon == std::string::npos)
        return kInvalidEntry;
    size_t pos = colon + 1;
    const auto hour = wholeNumber(std::string_view(s).substr(0, colon));
    const Number minute = readDigits(s, pos);
    const std::string_view suffix = trimBlanks(std::string_view(s).substr(pos));
    if (!hour || *hour > 12 || minute.digits == 0 || minute.value > 59 || (suffix != "AM" && suffix != "PM"))
        return kInvalidEntry;
    const int h = *hour % 12 + (suffix == "PM" ? 12 : 0); // 12 am is the hour after midnight
    return TimeValue::fromClock(h, static_cast<int>(minute.value)).value();
}

} // namespace zk
