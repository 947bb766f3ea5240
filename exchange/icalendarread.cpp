#include "exchange/icalendarread.h"

#include "core/calendar.h"
#include "core/item.h"
#include "core/text.h"
#include "engine/occurrences.h"
#include "exchange/icalendarfields.h"

#include <libical/ical.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <set>

namespace zk {

using namespace icalendar;

const char* const kCalendarTooLargeText = "The calendar file is larger than 32 MB; it was not imported.";
const char* const kCalendarLineTooLongText =
    "The calendar file holds a line longer than 1 MB; it is damaged and was not imported.";
const char* const kCalendarNotReadText = "The file is not a calendar file that can be read; nothing was imported.";
const char* const kCalendarTooManyItemsText =
    "The calendar file would make more than 100,000 items; nothing was imported.";
const char* const kCalendarTooManyStepsText =
    "The calendar file's repeat rules are too many to follow; nothing was imported.";

namespace {

// First occurrences compared with the schedule's own rule before a rule is
// taken as one.
constexpr int kRuleCheckSteps = 400;
// An endless rule without a schedule form is written out this far ahead.
constexpr int kDatedOccurrenceDays = 2 * 366;

struct ComponentDeleter {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
struct IteratorDeleter {
    void operator()(icalrecur_iterator* i) const { icalrecur_iterator_free(i); }
};

struct Local {
    DayNumber day;
    TimeValue time;  // none for a date
    std::int64_t seconds = 0;  // for differences: UTC, or the floating time read as UTC
};

// The time in the machine's local time: zoned and UTC times converted
// through the system's zone rules, floating times as they stand.
std::optional<Local> localOf(icaltimetype t)
{
    if (icaltime_is_null_time(t) || !icaltime_is_valid_time(t))
        return std::nullopt;
    Local out;
    if (t.is_date || !t.zone) {
        out.day = dayOfTime(t);
        out.time = timeValueOf(t);
        out.seconds = static_cast<std::int64_t>(icaltime_as_timet(t));
    } else {
        const std::time_t at = icaltime_as_timet_with_zone(t, t.zone);
        std::tm tm{};
        if (!localtime_r(&at, &tm))
            return std::nullopt;
        icaltimetype l = icaltime_null_time();
        l.year = tm.tm_year + 1900;
        l.month = tm.tm_mon + 1;
        l.day = tm.tm_mday;
        l.hour = tm.tm_hour;
        l.minute = tm.tm_min;
        out.day = dayOfTime(l);
        out.time = timeValueOf(l);
        out.seconds = static_cast<std::int64_t>(at);
    }
    if (!out.day)
        return std::nullopt;
    return out;
}

// Before 18 April 1986, the first day a schedule holds.
bool beforeUsableDays(const icaltimetype& t) { return t.year * 10000 + t.month * 100 + t.day < 19860418; }

// A time read from a property, with the zone its TZID names.
icaltimetype zoned(icaltimetype t, icalproperty* p, icalcomponent* calendar)
{
    if (t.is_date || t.zone || !p)
        return t;
    if (icalparameter* param = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER))
        if (const char* tzid = icalparameter_get_tzid(param)) {
            icaltimezone* zone = calendar ? icalcomponent_get_timezone(calendar, tzid) : nullptr;
            if (!zone)
                zone = icaltimezone_get_builtin_timezone_from_tzid(tzid);
            if (!zone)
                zone = icaltimezone_get_builtin_timezone(tzid);
            if (zone)
                t = icaltime_set_timezone(&t, zone);
        }
    return t;
}

std::string oneLine(std::string_view text)
{
    std::string out = textFromStored(text);
    for (char& c : out)
        if (c == '\r' || c == '\n' || c == '\t')
            c = ' ';
    std::string_view trimmed = trimBlanks(out);
    return std::string(utf8Prefix(trimmed, kMaxDescriptionBytes));
}

std::vector<std::string> categoriesOf(icalcomponent* c)
{
    std::vector<std::string> out;
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_CATEGORIES_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_CATEGORIES_PROPERTY)) {
        const char* value = icalproperty_get_categories(p);
        if (!value)
            continue;
        std::string_view rest(value);
        while (!rest.empty()) {
            const std::size_t comma = rest.find(',');
            std::string one = oneLine(rest.substr(0, comma));
            if (!one.empty())
                out.push_back(std::move(one));
            if (comma == std::string_view::npos)
                break;
            rest.remove_prefix(comma + 1);
        }
    }
    return out;
}

bool hasCategory(const std::vector<std::string>& categories, std::string_view name)
{
    return std::any_of(categories.begin(), categories.end(),
                       [&](const std::string& c) { return compareIgnoringCase(c, name) == 0; });
}

bool listed(const short* values, int size) { return size > 0 && values[0] != ICAL_RECURRENCE_ARRAY_MAX; }

template <std::size_t N>
std::vector<short> valuesOf(const short (&values)[N])
{
    std::vector<short> out;
    for (std::size_t i = 0; i < N && values[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i)
        out.push_back(values[i]);
    return out;
}

// The schedule rule saying the same as the RRULE from the local first day,
// when there is one; the end day is set by the caller.
std::optional<RecurrenceRecord> ruleOf(const icalrecurrencetype& rr, DayNumber first)
{
    if (listed(rr.by_second, ICAL_BY_SECOND_SIZE) || listed(rr.by_minute, ICAL_BY_MINUTE_SIZE)
        || listed(rr.by_hour, ICAL_BY_HOUR_SIZE) || listed(rr.by_year_day, ICAL_BY_YEARDAY_SIZE)
        || listed(rr.by_week_no, ICAL_BY_WEEKNO_SIZE) || listed(rr.by_set_pos, ICAL_BY_SETPOS_SIZE)
        || (rr.rscale && *rr.rscale))
        return std::nullopt;
    if (rr.interval < 1 || rr.interval > 999)
        return std::nullopt;
    RecurrenceRecord rule;
    rule.setInterval(rr.interval);
    rule.setStartDay(first);
    std::uint8_t weekdays = 0;
    std::uint32_t grid = 0;
    std::uint8_t last = 0;
    bool positioned = false;
    for (short day : valuesOf(rr.by_day)) {
        const int weekday = static_cast<int>(icalrecurrencetype_day_day_of_week(day)) - 1;
        const int position = icalrecurrencetype_day_position(day);
        if (weekday < 0 || weekday > 6)
            return std::nullopt;
        if (position == 0) {
            weekdays |= static_cast<std::uint8_t>(1u << weekday);
        } else if (position >= 1 && position <= 4) {
            grid |= 1u << ((position - 1) * 7 + weekday);
            positioned = true;
        } else if (position == -1) {
            last |= static_cast<std::uint8_t>(1u << weekday);
            positioned = true;
        } else {
            return std::nullopt;
        }
    }
    if (positioned && weekdays != 0)
        return std::nullopt;
    const std::vector<short> monthDays = valuesOf(rr.by_month_day);
    std::uint16_t months = 0;
    for (short m : valuesOf(rr.by_month)) {
        if (m < 1 || m > 12)
            return std::nullopt;
        months |= static_cast<std::uint16_t>(1u << (m - 1));
    }
    if (months != 0)
        rule.setMonthWord(static_cast<std::uint16_t>(~months & kMonthWordExcludedMonths));
    switch (rr.freq) {
    case ICAL_DAILY_RECURRENCE:
        if (positioned || !monthDays.empty())
            return std::nullopt;
        if (weekdays != 0) {
            // Daily on some weekdays is weekly on them.
            if (rr.interval != 1)
                return std::nullopt;
            rule.setTypeByte(RecurType::weekly);
            rule.setWeekdayByte(weekdays);
        } else {
            rule.setTypeByte(RecurType::daily);
        }
        break;
    case ICAL_WEEKLY_RECURRENCE:
        if (positioned || !monthDays.empty())
            return std::nullopt;
        rule.setTypeByte(RecurType::weekly);
        rule.setWeekdayByte(weekdays ? weekdays : static_cast<std::uint8_t>(1u << first.weekday()));
        if (rr.interval > 1) {
            // Weeks count from the week start before the first day.
            const int weekStart = std::max(0, static_cast<int>(rr.week_start) - 1);
            rule.setStartDay(first - ((first.weekday() - weekStart + 7) % 7));
        }
        break;
    case ICAL_MONTHLY_RECURRENCE:
        rule.setTypeByte(RecurType::monthly);
        if (weekdays != 0 || (positioned && !monthDays.empty()))
            return std::nullopt;
        if (positioned) {
            rule.setDayMask(grid | kDayMaskWeekdayGrid);
            rule.setWeekdayByte(last);
        } else if (!monthDays.empty()) {
            std::uint32_t mask = 0;
            for (short d : monthDays) {
                if (d >= 1 && d <= 28)
                    mask |= 1u << (d - 1);
                else if (d == -1)
                    mask |= 1u << 30;  // day 31 stands for the last day of every month
                else
                    return std::nullopt;
            }
            rule.setDayMask(mask);
        }
        break;
    case ICAL_YEARLY_RECURRENCE: {
        const CivilDate c = civilDate(first);
        if (positioned || weekdays != 0 || (months != 0 && months != (1u << (c.month - 1))))
            return std::nullopt;
        if (!monthDays.empty() && (monthDays.size() != 1 || monthDays[0] != c.day))
            return std::nullopt;
        rule.setTypeByte(RecurType::annually);
        rule.setMonthWord(0);
        break;
    }
    default:
        return std::nullopt;
    }
    return rule;
}

class Reader {
public:
    Reader(const CalendarReadOptions& options, CalendarRead& out) : o_(options), out_(out) {}

    void readCalendar(icalcomponent* calendar)
    {
        calendar_ = calendar;
        // Masters first, so that each RECURRENCE-ID instance finds its series.
        std::vector<icalcomponent*> instances;
        for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_ANY_COMPONENT); c;
             c = icalcomponent_get_next_component(calendar, ICAL_ANY_COMPONENT)) {
            const icalcomponent_kind kind = icalcomponent_isa(c);
            if (kind != ICAL_VEVENT_COMPONENT && kind != ICAL_VTODO_COMPONENT && kind != ICAL_VJOURNAL_COMPONENT)
                continue;
            if (icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY))
                instances.push_back(c);
            else
                readMaster(c);
            if (tooMany() || outOfSteps())
                return;
        }
        for (icalcomponent* c : instances) {
            readInstance(c);
            if (tooMany() || outOfSteps())
                return;
        }
    }

    bool tooMany() const { return count_ > kMaxCalendarItems; }
    bool outOfSteps() const { return steps_ > kMaxFileRuleSteps; }

private:
    std::string nameOf(icalcomponent* c) const
    {
        const char* summary = icalcomponent_get_summary(c);
        std::string name = summary && *summary ? oneLine(summary) : std::string("an item without a title");
        return "\"" + std::string(utf8Prefix(name, 60)) + "\"";
    }

    void skip(icalcomponent* c, const std::string& why)
    {
        out_.notices.push_back(nameOf(c) + " was not imported: " + why);
        ++out_.skipped;
    }

    std::optional<Local> start(icalcomponent* c)
    {
        icalproperty* p = icalcomponent_get_first_property(c, ICAL_DTSTART_PROPERTY);
        if (!p)
            return std::nullopt;
        return localOf(zoned(icalproperty_get_dtstart(p), p, calendar_));
    }

    // The entry of one component without its rule: kind, day, times, text,
    // note, alarm, categories.
    std::optional<CalendarEntry> entryOf(icalcomponent* c, bool yearly)
    {
        CalendarEntry e;
        if (const char* uid = icalcomponent_get_uid(c))
            e.uid = oneLine(uid);
        const icalcomponent_kind kind = icalcomponent_isa(c);
        ItemRecord& r = e.item.record;
        r = o_.templateItem;
        constexpr std::uint32_t kept = ItemFlag::fSplit | ItemFlag::fBizHours | ItemFlag::fOffHours;
        r.setFlags(r.flags() & kept);
        r.setId(0);
        r.setPlistLink(0);
        r.setRecur(0);
        r.setRefNo(0);
        r.setStatus(0);
        r.setBeginTime(0);
        r.setDuration(0);
        r.setDeadlineDate(0);
        r.setDeadlineTime(0);
        r.setPostponeDate(0);
        r.setAlarmMinutes(0);
        r.setAlarmHours(0);
        r.setAlarmDays(0);
        r.setAlarmRepeat(0);
        r.setProjectId(0);
        r.setPrereqId(0);
        r.setDoneMinutes(0);
        const char* summary = icalcomponent_get_summary(c);
        e.item.text = summary ? oneLine(summary) : std::string();
        if (const char* description = icalcomponent_get_description(c); description && *description) {
            e.note = textFromStored(description);
            if (e.item.text.empty())
                e.item.text = oneLine(std::string_view(e.note).substr(0, e.note.find('\n')));
        }
        if (e.item.text.empty())
            e.item.text = "(untitled)";
        e.categories = categoriesOf(c);
        const std::optional<Local> begin = start(c);

        if (kind == ICAL_VTODO_COMPONENT) {
            r.setKind(ItemKind::task);
            std::optional<Local> due;
            if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_DUE_PROPERTY)) {
                due = localOf(zoned(icalproperty_get_due(p), p, calendar_));
                if (due) {
                    r.setDeadlineDate(static_cast<std::uint16_t>(due->day.value()));
                    r.setDeadlineTime(static_cast<std::int16_t>(due->time.value()));
                }
            }
            int minutes = 0;
            if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_DURATION_PROPERTY))
                minutes = icaldurationtype_as_int(icalproperty_get_duration(p)) / 60;
            for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); p;
                 p = icalcomponent_get_next_property(c, ICAL_X_PROPERTY))
                if (const char* name = icalproperty_get_x_name(p); name && std::strcmp(name, kPlannedDurationProperty) == 0)
                    if (const char* value = icalproperty_get_x(p))
                        minutes = std::atoi(value);
            r.setDuration(static_cast<std::uint16_t>(std::clamp(minutes, 0, 1440)));
            if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_PRIORITY_PROPERTY))
                if (std::uint8_t letter = letterOfPriority(icalproperty_get_priority(p)))
                    r.setPriorityLetter(letter);
            const icalproperty_status status = icalcomponent_get_status(c);
            const bool done = status == ICAL_STATUS_COMPLETED
                || icalcomponent_get_first_property(c, ICAL_COMPLETED_PROPERTY) != nullptr;
            r.setFlag(ItemFlag::fDone, done);
            r.setFlag(ItemFlag::fStarted, !done && status == ICAL_STATUS_INPROCESS);
            r.setFlag(ItemFlag::fFloating, !done);
            e.item.day = begin ? begin->day : due ? due->day : kNoDay;
        } else if (kind == ICAL_VJOURNAL_COMPONENT) {
            r.setKind(ItemKind::memo);
            e.item.day = begin ? begin->day : o_.today;
        } else {
            if (!begin)
                return std::nullopt;
            e.item.day = begin->day;
            std::optional<Local> end;
            if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_DTEND_PROPERTY))
                end = localOf(zoned(icalproperty_get_dtend(p), p, calendar_));
            else if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_DURATION_PROPERTY)) {
                Local l = *begin;
                l.seconds += icaldurationtype_as_int(icalproperty_get_duration(p));
                const int days = static_cast<int>((l.seconds - begin->seconds) / 86400);
                l.day = begin->day + std::max(days, 0);
                end = l;
            }
            const std::int64_t seconds = end ? std::max<std::int64_t>(end->seconds - begin->seconds, 0) : 0;
            if (begin->time.isNone()) {
                // Dates only: DTEND is the day after the last.
                const DayNumber lastDay = end && end->day > begin->day ? end->day - 1 : begin->day;
                if (lastDay > begin->day) {
                    r.setKind(ItemKind::multiDayEvent);
                    r.setDeadlineDate(static_cast<std::uint16_t>(lastDay.value()));
                } else if (yearly || hasCategory(e.categories, "Birthday") || hasCategory(e.categories, "Anniversary")
                           || hasCategory(e.categories, "Holiday")) {
                    r.setKind(hasCategory(e.categories, "Birthday")      ? ItemKind::birthday
                              : hasCategory(e.categories, "Anniversary") ? ItemKind::anniversary
                                                                         : ItemKind::holiday);
                } else {
                    r.setKind(ItemKind::memo);
                }
            } else if (seconds >= 86400) {
                r.setKind(ItemKind::multiDayEvent);
                const DayNumber lastDay = end->time == kMidnight ? end->day - 1 : end->day;
                r.setDeadlineDate(static_cast<std::uint16_t>(std::max(lastDay, begin->day).value()));
                r.setBeginTime(static_cast<std::int16_t>(begin->time.value()));
            } else {
                r.setKind(ItemKind::appointment);
                r.setFlag(ItemFlag::fAnchored, true);
                r.setBeginTime(static_cast<std::int16_t>(begin->time.value()));
                r.setDuration(static_cast<std::uint16_t>(seconds / 60));
            }
        }
        // What takes no time of its day shows as a note at the day's head.
        if (kind != ICAL_VTODO_COMPONENT && r.beginTime() == 0)
            r.setFlag(ItemFlag::fOnHold, true);
        r.setDay(static_cast<std::uint16_t>(e.item.day.value()));
        readAlarm(c, begin, r);
        return e;
    }

    void readAlarm(icalcomponent* c, const std::optional<Local>& begin, ItemRecord& r)
    {
        icalcomponent* alarm = icalcomponent_get_first_component(c, ICAL_VALARM_COMPONENT);
        if (!alarm)
            return;
        icalproperty* p = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
        if (!p)
            return;
        const icaltriggertype trigger = icalproperty_get_trigger(p);
        bool fromEnd = false;
        if (icalparameter* related = icalproperty_get_first_parameter(p, ICAL_RELATED_PARAMETER))
            fromEnd = icalparameter_get_related(related) == ICAL_RELATED_END;
        int before = 0;
        if (!icaltime_is_null_time(trigger.time)) {
            const std::optional<Local> at = localOf(trigger.time);
            if (!at || !begin)
                return;
            before = static_cast<int>((begin->seconds - at->seconds) / 60);
            fromEnd = false;
        } else {
            before = -icaldurationtype_as_int(trigger.duration) / 60;
        }
        r.setFlag(ItemFlag::fAlarm, true);
        r.setFlag(ItemFlag::alarmFromBegin, !fromEnd);
        r.setFlag(ItemFlag::alarmFromEnd, fromEnd);
        setAlarmOffset(r, before);
    }

    // The local days (and times) of the rule's occurrences, at most `steps`
    // of them, none past `last`.
    std::vector<Local> occurrences(const icalrecurrencetype& rr, icaltimetype first, int steps, DayNumber last)
    {
        std::vector<Local> out;
        std::unique_ptr<icalrecur_iterator, IteratorDeleter> it(icalrecur_iterator_new(rr, first));
        if (!it)
            return out;
        for (int i = 0; i < steps && spend(); ++i) {
            const icaltimetype next = icalrecur_iterator_next(it.get());
            if (icaltime_is_null_time(next))
                break;
            icaltimetype t = next;
            if (!t.is_date && first.zone)
                t = icaltime_set_timezone(&t, const_cast<icaltimezone*>(first.zone));
            const std::optional<Local> l = localOf(t);
            if (!l && beforeUsableDays(t))
                continue;
            if (!l || l->day > last)
                break;
            out.push_back(*l);
        }
        return out;
    }

    void readMaster(icalcomponent* c)
    {
        if (icalcomponent_isa(c) == ICAL_VEVENT_COMPONENT && icalcomponent_get_status(c) == ICAL_STATUS_CANCELLED) {
            skip(c, "it is cancelled");
            return;
        }
        icalproperty* rp = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY);
        const icalrecurrencetype rr = rp ? icalproperty_get_rrule(rp) : icalrecurrencetype{};
        const bool yearly = rp && rr.freq == ICAL_YEARLY_RECURRENCE;
        const int firstYear = rp ? moveIntoRange(c, rr) : 0;
        std::optional<CalendarEntry> base = entryOf(c, yearly);
        if (!base) {
            skip(c, "it has no start");
            return;
        }
        if (!base->item.day && icalcomponent_isa(c) != ICAL_VTODO_COMPONENT) {
            skip(c, "its date lies outside 1986..2068");
            return;
        }
        if (firstYear != 0 && (base->item.record.kind() == ItemKind::birthday
                               || base->item.record.kind() == ItemKind::anniversary))
            base->item.record.setBaseYear(static_cast<std::int16_t>(firstYear));
        const std::size_t at = out_.entries.size();
        if (rp && base->item.day) {
            if (!readRule(c, rr, *base))
                return;
        } else {
            out_.entries.push_back(std::move(*base));
            ++count_;
        }
        readDates(c, at);
    }

    // A series that began before the first day a schedule holds (a
    // birthday of 1970) starts at its first occurrence from then on; the
    // year it began is returned (0 when it did not move).
    int moveIntoRange(icalcomponent* c, const icalrecurrencetype& rr)
    {
        icalproperty* sp = icalcomponent_get_first_property(c, ICAL_DTSTART_PROPERTY);
        if (!sp)
            return 0;
        const icaltimetype first = zoned(icalproperty_get_dtstart(sp), sp, calendar_);
        if (icaltime_is_null_time(first) || !beforeUsableDays(first))
            return 0;
        std::unique_ptr<icalrecur_iterator, IteratorDeleter> it(icalrecur_iterator_new(rr, first));
        if (!it)
            return 0;
        for (int i = 0; i < kMaxRuleSteps && spend(); ++i) {
            icaltimetype next = icalrecur_iterator_next(it.get());
            if (icaltime_is_null_time(next) || next.year > 2068)
                return 0;
            if (beforeUsableDays(next))
                continue;
            if (!next.is_date && first.zone)
                next = icaltime_set_timezone(&next, first.zone);
            const int shift = icaldurationtype_as_int(icaltime_subtract(next, first));
            if (icalproperty* ep = icalcomponent_get_first_property(c, ICAL_DTEND_PROPERTY)) {
                icaltimetype end = zoned(icalproperty_get_dtend(ep), ep, calendar_);
                icalproperty_set_dtend(ep, icaltime_add(end, icaldurationtype_from_int(shift)));
            }
            icalproperty_set_dtstart(sp, next);
            return first.year;
        }
        return 0;
    }

    // A master with a rule: a definition, or its dated occurrences.
    bool readRule(icalcomponent* c, const icalrecurrencetype& rr, CalendarEntry& base)
    {
        icalproperty* sp = icalcomponent_get_first_property(c, ICAL_DTSTART_PROPERTY);
        const icaltimetype first = sp ? zoned(icalproperty_get_dtstart(sp), sp, calendar_) : icaltime_null_time();
        const std::optional<Local> begin = localOf(first);
        if (!begin) {
            // A task dated by its DUE alone: no series to follow.
            out_.entries.push_back(std::move(base));
            ++count_;
            return true;
        }
        DayNumber untilDay;
        if (!icaltime_is_null_time(rr.until)) {
            icaltimetype untilTime = rr.until;
            if (!untilTime.is_date && !untilTime.zone && first.zone)
                untilTime = icaltime_set_timezone(&untilTime, const_cast<icaltimezone*>(first.zone));
            const std::optional<Local> until = localOf(untilTime);
            if (until && (until->day < begin->day || (!first.is_date && until->seconds < begin->seconds))) {
                skip(c, "its repeat rule ends before it begins");
                return false;
            }
            untilDay = until ? until->day : kLastUsableDay;
        }
        // The first occurrences, a year of them at most, check the rule.
        const std::vector<Local> check = occurrences(rr, first, kRuleCheckSteps, begin->day + 366);
        if (check.empty()) {
            skip(c, "its repeat rule has no occurrences");
            return false;
        }
        std::vector<DayNumber> cancelled = exceptionDays(c);
        std::optional<RecurrenceRecord> rule = ruleOf(rr, begin->day);
        if (rule && !sameAsRule(*rule, check, begin->time))
            rule.reset();
        if (rule) {
            if (untilDay)
                rule->setEndDay(std::min(untilDay, kLastUsableDay));
            else if (rr.count > 0)
                rule->setEndDay(lastOfCount(rr, first, begin->day));
        }
        if (rule) {
            base.item.recurrence = *rule;
            base.item.record.setFlag(ItemFlag::fFloating, false);
            std::sort(cancelled.begin(), cancelled.end());
            cancelled.erase(std::unique(cancelled.begin(), cancelled.end()), cancelled.end());
            base.cancelled = std::move(cancelled);
            out_.entries.push_back(std::move(base));
            ++count_;
            return true;
        }
        // Each occurrence on its own.
        const std::vector<Local> all = occurrences(rr, first, 2 * kMaxDatedOccurrences, kLastUsableDay);
        const bool endless = rr.count <= 0 && icaltime_is_null_time(rr.until);
        const DayNumber last = endless ? std::max(begin->day, o_.today) + kDatedOccurrenceDays : kLastUsableDay;
        const std::set<DayNumber> skipped(cancelled.begin(), cancelled.end());
        int written = 0;
        for (const Local& l : all) {
            if (l.day > last)
                break;
            if (skipped.count(l.day))
                continue;
            if (written == kMaxDatedOccurrences) {
                out_.notices.push_back(nameOf(c) + ": only its first " + std::to_string(kMaxDatedOccurrences)
                                       + " occurrences were imported");
                break;
            }
            CalendarEntry one = base;
            placeOn(one, l);
            out_.entries.push_back(std::move(one));
            ++written;
            if (++count_ > kMaxCalendarItems)
                return false;
        }
        out_.notices.push_back(nameOf(c) + ": its repeat rule has no form here; each occurrence was imported as "
                                           "an item of its own");
        return true;
    }

    // The day of the last of a counted series. A schedule's rule gives at
    // most one occurrence a day, so a count that outlasts the usable days
    // ends with them, without following it there.
    DayNumber lastOfCount(const icalrecurrencetype& rr, icaltimetype first, DayNumber begin)
    {
        if (rr.count > kLastUsableDay - begin)
            return kLastUsableDay;
        const std::vector<Local> all = occurrences(rr, first, rr.count, kLastUsableDay);
        return static_cast<int>(all.size()) < rr.count ? kLastUsableDay : all.back().day;
    }

    void placeOn(CalendarEntry& e, const Local& l) const
    {
        ItemRecord& r = e.item.record;
        const int span = r.deadlineDate() > e.item.day.value() ? r.deadlineDate() - e.item.day.value() : 0;
        e.item.day = l.day;
        r.setDay(static_cast<std::uint16_t>(l.day.value()));
        if (ItemKind::isMultiDayEvent(r.kind()))
            r.setDeadlineDate(static_cast<std::uint16_t>((l.day + span).value()));
        if (!l.time.isNone() && r.beginTime() != 0)
            r.setBeginTime(static_cast<std::int16_t>(l.time.value()));
    }

    // Whether the schedule's rule gives the days the format's own expansion
    // gives (its first few hundred), all at the first one's local time.
    bool sameAsRule(const RecurrenceRecord& rule, const std::vector<Local>& all, TimeValue time) const
    {
        const std::size_t n = std::min<std::size_t>(all.size(), kRuleCheckSteps);
        DayNumber d = firstRuleDay(rule, ruleStartDay(rule, o_.today), all[n - 1].day, o_.today);
        for (std::size_t i = 0; i < n; ++i) {
            if (all[i].time != time || d != all[i].day)
                return false;
            d = all[i].day < all[n - 1].day ? firstRuleDay(rule, all[i].day + 1, all[n - 1].day, o_.today) : kNoDay;
        }
        return !d;
    }

    std::vector<DayNumber> exceptionDays(icalcomponent* c)
    {
        std::vector<DayNumber> out;
        for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_EXDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(c, ICAL_EXDATE_PROPERTY))
            if (std::optional<Local> l = localOf(zoned(icalproperty_get_exdate(p), p, calendar_)))
                out.push_back(l->day);
        return out;
    }

    // RDATE: more dated items like the master.
    void readDates(icalcomponent* c, std::size_t master)
    {
        if (master >= out_.entries.size())
            return;
        for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_RDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(c, ICAL_RDATE_PROPERTY)) {
            const icaldatetimeperiodtype rdate = icalproperty_get_rdate(p);
            const icaltimetype t = icaltime_is_null_time(rdate.time) ? rdate.period.start : rdate.time;
            const std::optional<Local> l = localOf(zoned(t, p, calendar_));
            if (!l)
                continue;
            CalendarEntry one = out_.entries[master];
            one.item.recurrence.reset();
            one.cancelled.clear();
            one.moved.clear();
            placeOn(one, *l);
            out_.entries.push_back(std::move(one));
            if (++count_ > kMaxCalendarItems)
                return;
        }
    }

    void readInstance(icalcomponent* c)
    {
        icalproperty* p = icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY);
        const std::optional<Local> original = localOf(zoned(icalproperty_get_recurrenceid(p), p, calendar_));
        const char* uid = icalcomponent_get_uid(c);
        CalendarEntry* master = nullptr;
        std::vector<CalendarEntry*> dated;
        if (uid && original)
            for (CalendarEntry& e : out_.entries)
                if (e.uid == oneLine(uid)) {
                    if (e.item.recurrence)
                        master = &e;
                    else if (e.item.day == original->day)
                        dated.push_back(&e);
                }
        const bool cancelled = icalcomponent_get_status(c) == ICAL_STATUS_CANCELLED;
        std::optional<CalendarEntry> instance = cancelled ? std::nullopt : entryOf(c, false);
        if (!cancelled && (!instance || !instance->item.day)) {
            skip(c, "it has no start");
            return;
        }
        if (master) {
            master->cancelled.push_back(original->day);
            std::sort(master->cancelled.begin(), master->cancelled.end());
            master->cancelled.erase(std::unique(master->cancelled.begin(), master->cancelled.end()),
                                    master->cancelled.end());
            if (instance) {
                instance->replaces = original->day;
                instance->item.record.setFlag(ItemFlag::fFloating, false);
                master->moved.push_back(std::move(*instance));
                ++count_;
            }
            return;
        }
        // A dated occurrence it replaces goes; an instance without its
        // series in the file is an item of its own.
        for (CalendarEntry* e : dated)
            if (instance)
                *e = std::move(*instance), instance.reset();
            else
                e->item.day = kNoDay, e->uid.clear();
        if (instance) {
            out_.entries.push_back(std::move(*instance));
            ++count_;
        }
    }

    const CalendarReadOptions& o_;
    CalendarRead& out_;
    icalcomponent* calendar_ = nullptr;
    std::size_t count_ = 0;
    long steps_ = 0;

    // One step of some rule; false once the whole file has used its share.
    bool spend() { return ++steps_ <= kMaxFileRuleSteps; }
};

std::optional<std::string> boundsProblem(std::string_view text)
{
    if (text.size() > kMaxCalendarFileBytes)
        return kCalendarTooLargeText;
    std::size_t lineStart = 0;
    for (;;) {
        const std::size_t end = text.find('\n', lineStart);
        const std::size_t length = (end == std::string_view::npos ? text.size() : end) - lineStart;
        if (length > kMaxCalendarLineBytes)
            return kCalendarLineTooLongText;
        if (end == std::string_view::npos)
            break;
        lineStart = end + 1;
    }
    if (!looksLikeICalendar(text))
        return kCalendarNotReadText;
    return std::nullopt;
}

} // namespace

bool looksLikeICalendar(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    while (!text.empty() && (text.front() == '\r' || text.front() == '\n' || text.front() == ' '))
        text.remove_prefix(1);
    constexpr std::string_view begin = "BEGIN:VCALENDAR";
    return text.size() >= begin.size() && compareIgnoringCase(text.substr(0, begin.size()), begin) == 0;
}

CalendarRead readICalendar(std::string_view text, const CalendarReadOptions& options)
{
    CalendarRead out;
    if (std::optional<std::string> problem = boundsProblem(text)) {
        out.refusal = *problem;
        return out;
    }
    // A malformed file must give a message, never end the program.
    icalerror_set_errors_are_fatal(0);
    const std::string copy(text);
    std::unique_ptr<icalcomponent, ComponentDeleter> root(icalparser_parse_string(copy.c_str()));
    if (!root) {
        out.refusal = kCalendarNotReadText;
        return out;
    }
    Reader reader(options, out);
    if (icalcomponent_isa(root.get()) == ICAL_VCALENDAR_COMPONENT) {
        reader.readCalendar(root.get());
    } else {
        for (icalcomponent* c = icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT); c;
             c = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT))
            reader.readCalendar(c);
    }
    if (reader.tooMany() || reader.outOfSteps()) {
        out.entries.clear();
        out.refusal = reader.tooMany() ? kCalendarTooManyItemsText : kCalendarTooManyStepsText;
        return out;
    }
    // Dated occurrences replaced by a cancelled instance are dropped.
    out.entries.erase(std::remove_if(out.entries.begin(), out.entries.end(),
                                     [](const CalendarEntry& e) {
                                         return !e.item.day && e.item.record.kind() != ItemKind::task;
                                     }),
                      out.entries.end());
    return out;
}

} // namespace zk
