#include "engine/linetext.h"

#include "core/calendar.h"
#include "core/dateformat.h"
#include "core/schedule.h"
#include "engine/daylayout.h"
#include "engine/interfacemode.h"
#include "engine/placementcontext.h"
#include "engine/timelimits.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace zk {

const char* const kUndefinedCurrencyText = "undefined ICURRENCY";

namespace {

std::string printf6(const std::string& field)
{
    char text[64];
    std::snprintf(text, sizeof text, "%6s", field.c_str());
    return text;
}

std::string hoursAndMinutes(int minutes)
{
    char text[32];
    minutes = std::max(0, minutes);
    std::snprintf(text, sizeof text, "%d:%02d", minutes / 60, minutes % 60);
    return text;
}

std::string lowered(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Placed by the scheduler into free time, as opposed to standing at a time
// of its own (started, done, anchored) or taking none (on hold).
bool isFreePlacement(const DayEntry& e, const ItemRecord& r)
{
    return e.start != 0 && !r.has(ItemFlag::notFreelyMovable | ItemFlag::fOnHold);
}

bool isDoneLook(const ItemRecord& r, const PaneDisplay& d) { return r.has(ItemFlag::fDone) && !d.noPastStrikes; }

bool showsStartTime(const ItemRecord& r, const PaneDisplay& d)
{
    if (r.has(ItemFlag::fAnchored))
        return true;
    return d.proMode && d.showTaskTimes && (!r.has(ItemFlag::fDone) || d.showDoneTaskTimes);
}

// An entry without a time: "memo" marks a zero-length item in PRO mode.
std::string timelessField(const ItemRecord& r, const PaneDisplay& d)
{
    return d.proMode && r.duration() == 0 ? "memo" : "";
}

std::string startField(const DayEntry& e, const ItemRecord& r, const PaneDisplay& d, const RegionalSettings& regional)
{
    if (r.has(ItemFlag::fHeldTime) && e.placedMinutes > 0)
        return "hold";
    if (e.start == 0 || r.has(ItemFlag::fOnHold))
        return timelessField(r, d);
    return showsStartTime(r, d) ? timeText(e.startTime(), regional) : "";
}

std::string endField(const DayEntry& e, const ItemRecord& r, const PaneDisplay& d, const RegionalSettings& regional)
{
    if (!d.showEndTimes || !(d.proMode || r.has(ItemFlag::fAnchored)))
        return {};
    std::string end = e.start == 0 || r.has(ItemFlag::fOnHold) ? timelessField(r, d)
                                                               : timeText(e.startTime() + e.placedMinutes, regional);
    return "  " + printf6(end) + (isDoneLook(r, d) ? " " : "");
}

ItemHandle definitionOf(const Schedule& schedule, ItemHandle h)
{
    const ItemRecord& r = schedule.record(h);
    if (r.has(ItemFlag::fRecurDef))
        return schedule.recurrences.contains(h) ? h : kNoItem;
    if (r.has(ItemFlag::fException))
        return schedule.recurrences.definitionOf(h);
    return kNoItem;
}

// The value a braced keyword stands for; nothing when the segment holds none.
std::optional<std::string> braceValue(std::string_view segment, const Schedule& schedule, ItemHandle definition,
                                      DayNumber day, const RegionalSettings& regional)
{
    const RecurrenceRecord& rule = schedule.recurrences.ruleOf(definition);
    DayNumber origin = rule.startDay().isNone() ? day : rule.startDay();
    std::string key = lowered(segment);
    if (key.find("last done") != std::string::npos)
        return rule.lastDoneDay().isNone() ? std::string("never") : shortDate(rule.lastDoneDay(), regional);
    if (key.find("count up") != std::string::npos)
        return std::to_string(day - origin);
    if (key.find("count down") != std::string::npos)
        return std::to_string(rule.endDay() - day);
    if (key.find("origin date") != std::string::npos)
        return shortDate(origin, regional);
    if (key.find("origin day") != std::string::npos)
        return dayName(origin, regional);
    if (key.find("origin month") != std::string::npos)
        return monthName(civilDate(origin).month, regional);
    return std::nullopt;
}

std::string expandBraces(std::string text, const Schedule& schedule, ItemHandle definition, DayNumber day,
                         const RegionalSettings& regional)
{
    for (std::size_t open = text.find('{'); open != std::string::npos; open = text.find('{', open + 1)) {
        std::size_t close = text.find('}', open);
        if (close == std::string::npos)
            break;
        auto value = braceValue(std::string_view(text).substr(open + 1, close - open - 1), schedule, definition, day,
                                regional);
        if (value)
            text.replace(open, close - open + 1, *value);
    }
    return text;
}

// The first number of exactly four digits in the text, or 0.
int firstYearIn(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
            ++end;
        if (end - i == 4)
            return std::atoi(std::string(text.substr(i, 4)).c_str());
        i = end;
    }
    return 0;
}

// Birthdays and anniversaries kept as a yearly series say how many years it is.
std::string yearsSuffix(const std::string& text, const Schedule& schedule, ItemHandle h, DayNumber day)
{
    if (!schedule.record(h).has(ItemFlag::fRecurDef) || !schedule.recurrences.contains(h))
        return {};
    if (!(schedule.recurrences.ruleOf(h).typeByte() & RecurType::annually))
        return {};
    int year = firstYearIn(text);
    int thisYear = civilDate(day).year;
    if (year < 1700 || year > thisYear)
        return {};
    return " (" + std::to_string(thisYear - year) + ")";
}

} // namespace

std::string shownDescription(const Schedule& schedule, ItemHandle h, DayNumber day, const RegionalSettings& regional)
{
    std::string text = schedule.description(h);
    if (ItemHandle definition = definitionOf(schedule, h))
        text = expandBraces(std::move(text), schedule, definition, day, regional);
    return text + yearsSuffix(text, schedule, h, day);
}

namespace {



std::string rankField(int rank, const ItemRecord& r, DayNumber day, const PaneDisplay& d, const LineMoment& m)
{
    if (!d.proMode || day != m.today || r.has(ItemFlag::fDone | ItemFlag::fOnHold) || rank < 1 || rank > d.nBatting)
        return {};
    return std::to_string(rank) + ". ";
}

// "/": today's floating entry that cannot begin yet.
std::string waitingMark(Schedule& schedule, const DayEntry& e, DayNumber day, const PaneDisplay& d,
                        const LineMoment& m)
{
    const ItemRecord& r = schedule.record(e.item);
    if (d.printing || !d.proMode || day != m.today || !isFreePlacement(e, r))
        return {};
    PlacementContext at;
    at.today = m.today;
    at.now = m.now;
    return earliestBeginOn(schedule, e.item, day, at) > m.now ? "/" : "";
}

std::string statusTag(const ItemRecord& r, const PaneDisplay& d)
{
    if (!d.printing || d.hideStatusTags || r.status() == 0)
        return {};
    return "[" + d.statusLabels[r.status() & 7] + "] ";
}

// "~": a floating item whose placements on the day add up to less than it
// needs (only split pieces can; layout gives others their whole duration).
std::string shortfallMark(const Schedule& schedule, ItemHandle h, DayNumber day, const PaneDisplay& d)
{
    const ItemRecord& r = schedule.record(h);
    if (!d.printing || !r.has(ItemFlag::fFloating))
        return {};
    return schedule.minutesOf(h, day) < r.duration() ? "~" : "";
}


std::string durationGroup(const DayEntry& e, const ItemRecord& r, DayNumber day, const PaneDisplay& d,
                          const LineMoment& m, const RegionalSettings& regional)
{
    if (!d.proMode && !r.has(ItemFlag::fAnchored))
        return {};
    if (r.has(ItemFlag::fOnHold) && r.duration() == 0)
        return {};
    if (r.kind() == ItemKind::cashFlow)
        return "(cash) ";
    return "(" + progressPart(e, r, day, m, regional) + durationText(r.duration(), regional) + ") ";
}

std::string amountOrReport(Schedule& schedule, long amount, const CurrencyFormat& currency)
{
    if (auto text = currencyAmount(amount, currency))
        return *text;
    schedule.report(kUndefinedCurrencyText);
    return std::to_string(amount);
}

std::string priorityGroup(Schedule& schedule, const ItemRecord& r, const PaneDisplay& d)
{
    if (!d.valuesDisplay)
        return {};
    std::string group;
    bool floating = r.has(ItemFlag::fFloating);
    if (floating) {
        if (PlistEntryHandle p = schedule.plist.handleAt(r.plistLink()); p && schedule.plist.isLinked(p)) {
            const PlistEntry& entry = schedule.plist.entry(p);
            char text[32];
            if (r.priorityLetter() != 0)
                std::snprintf(text, sizeof text, "%c%d ", r.priorityLetter(), entry.seq);
            else
                std::snprintf(text, sizeof text, "new ");
            group += text;
        }
    }
    if (floating || r.value() > 0) {
        group += amountOrReport(schedule, std::lround(r.value()), d.currency);
        if (d.valuePerHour) {
            char text[48];
            std::snprintf(text, sizeof text, " (%.2f) ", r.value() * 60.0 / std::max<int>(1, r.duration()));
            group += text;
        } else {
            group += " ";
        }
    }
    return group;
}

std::string opportunityCost(Schedule& schedule, int minutes, const PaneDisplay& d)
{
    if (!d.showOppCosts || minutes <= 0)
        return {};
    return amountOrReport(schedule, std::lround(d.hourlyRate * minutes / 60.0), d.currency) + " ";
}


std::string conflictLens(const Schedule& schedule, const DayEntry& e, DayNumber day, const PaneDisplay& d,
                         const RegionalSettings& regional)
{
    const ItemRecord& r = schedule.record(e.item);
    if (d.printing || !d.showConflictLens || !d.proMode || !isFreePlacement(e, r))
        return {};
    int excess = (e.startTime() + r.duration()) - latestEndOn(schedule, e.item, day);
    return excess > 0 ? "(" + durationText(excess, regional) + ")" : "";
}

} // namespace

std::string recurrenceMark(const ItemRecord& r)
{
    if (r.has(ItemFlag::fRecurDef))
        return " -r";
    if (r.has(ItemFlag::fException | ItemFlag::fPastException))
        return " -rx";
    return {};
}

std::string alarmMark(const ItemRecord& r, DayNumber day, DayNumber today)
{
    if (!r.has(ItemFlag::fAlarm) || day < today)
        return {};
    auto state = static_cast<std::int16_t>(r.alarmRepeat());
    return state == -1 ? " -ax" : state > 0 ? " -ar" : " -a";
}

std::string deadlineMark(const ItemRecord& r, DayNumber day)
{
    if (!r.has(ItemFlag::fFloating) || r.deadlineDate() == 0 || day.value() < r.deadlineDate())
        return {};
    return day.value() == r.deadlineDate() ? " [due today]" : " [overdue]";
}

std::string progressPart(const DayEntry& e, const ItemRecord& r, DayNumber day, const LineMoment& m,
                         const RegionalSettings& regional)
{
    if (r.has(ItemFlag::fStarted) && !r.has(ItemFlag::fDone) && e.start != 0) {
        int elapsed = m.now - e.startTime();
        std::string part = day != m.today || elapsed < 0 ? "*" : durationClock(elapsed, regional) + "/";
        if (r.has(ItemFlag::fSplit))
            part += durationClock(e.placedMinutes, regional) + "/";
        return part;
    }
    if (e.placedMinutes < r.duration())
        return durationClock(e.placedMinutes, regional) + "/";
    return {};
}

int freeTimeFrom(const Schedule& schedule, const std::vector<DayEntry>& entries)
{
    if (!entries.empty() && schedule.record(entries.front().item).has(ItemFlag::fAnchored))
        return entries.front().startTime().value();
    return schedule.dayStart().value();
}

std::string ItemLineText::whole() const { return time + afterTime + endTime + " " + text + conflictLens; }
std::string GapLineText::whole() const { return time + endTime + " " + text; }

ItemLineText itemLineText(Schedule& schedule, const DayEntry& e, DayNumber day, int rank, const PaneDisplay& d,
                          const LineMoment& m, const RegionalSettings& regional)
{
    const ItemRecord& r = schedule.record(e.item);
    ItemLineText line;
    std::string desc = shownDescription(schedule, e.item, day, regional);
    if (lowered(desc) == "bar") {
        line.separator = true;
        return line;
    }
    line.time = printf6(startField(e, r, d, regional));
    if (isDoneLook(r, d))
        line.afterTime = " ";
    else if (d.printing && d.proMode && isFreePlacement(e, r))
        line.afterTime = "^";
    line.endTime = endField(e, r, d, regional);
    line.timeInRed = e.conflicting() && d.proMode && !r.has(ItemFlag::fHeldTime);

    // "%s%s%s%s%s %s %s %s ": the marks before the description, the
    // description, an empty field, the recurrence and the alarm marks.
    line.text = shortfallMark(schedule, e.item, day, d) + statusTag(r, d) + rankField(rank, r, day, d, m) +
                waitingMark(schedule, e, day, d, m) + desc + " " + "" + " " + recurrenceMark(r) + " " +
                alarmMark(r, day, m.today) + " ";
    line.text += durationGroup(e, r, day, d, m, regional);
    line.text += priorityGroup(schedule, r, d);
    line.text += opportunityCost(schedule, e.placedMinutes, d);
    line.text += deadlineMark(r, day);
    line.conflictLens = conflictLens(schedule, e, day, d, regional);
    return line;
}

GapLineText gapLineText(TimeValue begin, TimeValue end, const PaneDisplay& d, const RegionalSettings& regional)
{
    GapLineText gap;
    gap.time = printf6(d.showTaskTimes ? timeText(begin, regional) : "");
    if (d.showEndTimes)
        gap.endTime = "  " + printf6(timeText(end, regional));
    gap.text = "(" + durationText(end - begin, regional) + ")";
    if (d.showOppCosts) {
        if (auto cost = currencyAmount(std::lround(d.hourlyRate * (end - begin) / 60.0), d.currency))
            gap.text += " " + *cost;
    }
    return gap;
}

std::string dayFactsLine(const Schedule& schedule, DayNumber day, const PaneDisplay& d, const LineMoment& m)
{
    std::string facts;
    char text[128];
    if (int offset = day - m.today; offset != 0) {
        std::snprintf(text, sizeof text, "<%c%d>", offset > 0 ? '+' : '-', std::abs(offset));
        facts += text;
    }
    if (d.weekOfYear) {
        std::snprintf(text, sizeof text, " wk# %d, ", calendarWeek(day, d.week));
        facts += text;
    }
    int count = 0, done = 0, scheduled = 0, conflicting = 0;
    double value = 0;
    if (const DayRecord* record = schedule.findDay(day)) {
        for (const DayEntry& e : record->entries()) {
            const ItemRecord& r = schedule.record(e.item);
            ++count;
            done += r.has(ItemFlag::fDone) ? 1 : 0;
            scheduled += r.has(ItemFlag::fOnHold) ? 0 : e.placedMinutes;
            conflicting += e.conflicting() ? e.placedMinutes : 0;
            value += r.value();
        }
    }
    if (count > 0) {
        if (day == m.today)
            std::snprintf(text, sizeof text, " %d/%d %s", done, count, "undone");
        else
            std::snprintf(text, sizeof text, " %d %s", count, "items");
        facts += text;
        facts += " (" + hoursAndMinutes(scheduled) + ")";
        if (d.valuesDisplay)
            facts += " " + currencyAmount(std::lround(value), d.currency).value_or(std::to_string(std::lround(value)));
    }
    if (day < m.today) {
        std::snprintf(text, sizeof text, " %d %s", count - done, "undone");
        facts += text;
    } else {
        PlacementContext at;
        at.today = m.today;
        at.now = m.now;
        facts += " " + hoursAndMinutes(freeMinutesOfDay(schedule, day, at)) + " free; " + hoursAndMinutes(conflicting) +
                 " conflicting";
    }
    return facts;
}

std::string skyFacts(DayNumber day, const PaneDisplay& d, const LineMoment& m, const RegionalSettings& regional)
{
    return moonFacts(day, d.moon, regional) + sunFacts(day, d.sun, regional)
         + tideFacts(day, m.today, m.now, d.tides, regional);
}

std::string paneHeading(DayNumber day, const RegionalSettings& regional)
{
    return dayName(day, regional) + " " + shortDate(day, regional);
}

DayNumber easterSunday(int year)
{
    // The Gregorian computus (Meeus/Jones/Butcher).
    int a = year % 19;                                 // [0, 18]
    int b = year / 100, c = year % 100;
    int dd = b / 4, e = b % 4;
    int f = (b + 8) / 25;
    int g = (b - f + 1) / 3;
    int h = (19 * a + b - dd - g + 15) % 30;           // [0, 29]
    int i = c / 4, k = c % 4;
    int l = (32 + 2 * e + 2 * i - h - k) % 7;          // [0, 6]
    int mm = (a + 11 * h + 22 * l) / 451;              // 0 or 1
    int month = (h + l - 7 * mm + 114) / 31;           // 3 or 4
    int day = (h + l - 7 * mm + 114) % 31 + 1;         // [1, 31]
    return dayOf(month, day, year);
}

bool isHighlightedDay(const Schedule& schedule, DayNumber day)
{
    if (day == easterSunday(civilDate(day).year))
        return true;
    const DayRecord* record = schedule.findDay(day);
    if (!record)
        return false;
    return std::any_of(record->entries().begin(), record->entries().end(),
                       [&](const DayEntry& e) { return schedule.record(e.item).kind() == ItemKind::holiday; });
}

std::optional<std::string> currencyAmount(long amount, const CurrencyFormat& currency)
{
    std::string number = std::to_string(amount);
    switch (currency.placement) {
    case 0: return currency.symbol + number;
    case 1: return number + currency.symbol;
    case 2: return currency.symbol + " " + number;
    case 3: return number + " " + currency.symbol;
    default: return std::nullopt;
    }
}

// --- the caption and the title ------------------------------------------------------------

namespace {

const char* activityText(StatusActivity activity)
{
    switch (activity) {
    case StatusActivity::WaitingForServer: return " Waiting for server connection...";
    case StatusActivity::SharedUpdate: return " Please wait - shared schedule data update in progress...";
    case StatusActivity::Autosaving: return " Autosaving...";
    case StatusActivity::FetchingTides: return " Fetching tide data...";
    case StatusActivity::NoInternet: return " No Internet.";
    case StatusActivity::Searching: return " - Searching... ";
    case StatusActivity::None: break;
    }
    return "";
}

} // namespace

std::string statusText(const StatusFacts& f, const RegionalSettings& regional)
{
    std::string text;
    if (f.weekView)
        text += "Week View - ";
    else if (!f.viewAccess && !f.initialising)
        text += "No View - ";
    text += f.clock + " - " + firstCharacters(dayName(f.today, regional), 3) + " " + shortDate(f.today, regional);
    if (f.checkedOut)
        text += " - Checked-Out";
    if (f.immediateFocus)
        text += " - Immediate Focus";
    else if (f.hideDoneItems)
        text += " - Hide Done Items";
    if (f.otherHoldsAccess)
        text += " !";
    if (f.unsaved)
        text += " *";
    if (f.readingMarker)
        text += " %";
    text += activityText(f.activity);
    if (f.activity == StatusActivity::Searching)
        text += f.searchText;
    if (f.filterOn)
        text += " - Filter On";
    if (f.cashFlowView)
        text += " - Cash Flow View - to view Normal, press $";
    return text + f.timerText;
}

std::string clockText(int hour, int minute, int second, const RegionalSettings& regional)
{
    const char* suffix = "";
    if (!regional.uses24HourClock()) {
        suffix = hour >= 12 ? " pm" : " am";
        hour = hour == 0 ? 12 : hour > 12 ? hour - 12 : hour;
    }
    char separator = regional.sTime.empty() ? ':' : regional.sTime[0];
    char text[48];
    std::snprintf(text, sizeof text, regional.iTLZero ? "%02d%c%02d%c%02d%s" : "%d%c%02d%c%02d%s", hour, separator,
                  minute, separator, second, suffix);
    return text;
}

std::string mainWindowTitle(std::string_view versionText, bool proMode, std::string_view userName)
{
    std::string title(versionText);
    title += proMode ? " PRO - " : " LITE - ";
    title += userName.empty() ? std::string_view("(unnamed)") : userName;
    return title;
}

} // namespace zk
