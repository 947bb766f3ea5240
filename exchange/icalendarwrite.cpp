#include "exchange/icalendarwrite.h"

#include "core/calendar.h"
#include "core/schedule.h"
#include "core/statustable.h"
#include "engine/occurrences.h"
#include "exchange/icalendarfields.h"

#include <libical/ical.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace zk {

using namespace icalendar;

namespace {

// Dated occurrences of a rule without an iCalendar form reach this far past
// their first day when the series has no end in the range.
constexpr int kOccurrenceDays = 2 * 366;

const char* const kOccurrenceComment =
    "One occurrence of a recurring item whose rule has no iCalendar form; each occurrence is written on its own.";

struct ComponentDeleter {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentDeleter>;

const char* const kWeekdayNames[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

std::string weekdayList(std::uint8_t mask, const char* prefix = "")
{
    std::string out;
    for (int n = 0; n < 7; ++n)
        if (mask & (1u << n)) {
            if (!out.empty())
                out += ',';
            out += prefix;
            out += kWeekdayNames[n];
        }
    return out;
}

// The RRULE text of a rule, or none when the rule means something the
// format cannot say (4-4-5 periods, Nearest, days 29 and 30 of a month,
// which the schedule moves to the end of a shorter month).
std::optional<std::string> ruleText(const RecurrenceRecord& rule, DayNumber start, bool allDay)
{
    const int interval = std::max<int>(rule.interval(), 1);
    const std::uint8_t type = rule.typeByte() & 0x0F;
    const CivilDate first = civilDate(start);
    std::string text;
    if (type == RecurType::daily) {
        text = "FREQ=DAILY";
    } else if (type == RecurType::weekly) {
        std::uint8_t days = rule.weekdayByte() & 0x7F;
        if (days == 0)
            days = static_cast<std::uint8_t>(1u << start.weekday());
        text = "FREQ=WEEKLY;BYDAY=" + weekdayList(days);
        // Weeks count from the series' first day, as the format counts them
        // from the week start.
        if (interval > 1)
            text += std::string(";WKST=") + kWeekdayNames[start.weekday()];
    } else if (type == RecurType::monthly) {
        if (rule.weekdayByte() & kWeekdayByteFourFourFive)
            return std::nullopt;
        const std::uint32_t mask = rule.dayMask();
        if (mask & kDayMaskWeekdayGrid) {
            std::string days;
            for (int w = 1; w <= 4; ++w) {
                std::uint8_t row = static_cast<std::uint8_t>((mask >> ((w - 1) * 7)) & 0x7F);
                std::string part = weekdayList(row, std::to_string(w).c_str());
                if (!part.empty())
                    days += (days.empty() ? "" : ",") + part;
            }
            std::string last = weekdayList(rule.weekdayByte() & 0x7F, "-1");
            if (!last.empty())
                days += (days.empty() ? "" : ",") + last;
            if (days.empty())
                return std::nullopt;
            text = "FREQ=MONTHLY;BYDAY=" + days;
        } else if (mask != 0) {
            if (rule.optionByte() & (RecurOption::nearest | RecurOption::onOrAfter | RecurOption::onOrBefore))
                return std::nullopt;
            if (mask & ((1u << 28) | (1u << 29)))
                return std::nullopt;
            std::string days;
            for (int k = 1; k <= 28; ++k)
                if (mask & (1u << (k - 1)))
                    days += (days.empty() ? "" : ",") + std::to_string(k);
            // Day 31 is the last day of every month here.
            if (mask & (1u << 30))
                days += days.empty() ? "-1" : ",-1";
            text = "FREQ=MONTHLY;BYMONTHDAY=" + days;
        } else {
            if (first.day > 28)
                return std::nullopt;
            text = "FREQ=MONTHLY";
        }
    } else if (type == RecurType::annually) {
        if (first.month == 2 && first.day == 29)
            return std::nullopt;
        text = "FREQ=YEARLY";
    } else {
        return std::nullopt;
    }
    if (interval > 1)
        text += ";INTERVAL=" + std::to_string(interval);
    if (const std::uint16_t excluded = rule.monthWord() & kMonthWordExcludedMonths; excluded != 0) {
        std::string months;
        for (int m = 1; m <= 12; ++m)
            if (!(excluded & (1u << (m - 1))))
                months += (months.empty() ? "" : ",") + std::to_string(m);
        if (months.empty())
            return std::nullopt;
        text += ";BYMONTH=" + months;
    }
    if (rule.endDayField() != 0) {
        const CivilDate end = civilDate(rule.endDay());
        char until[32];
        std::snprintf(until, sizeof until, allDay ? "%04d%02d%02d" : "%04d%02d%02dT235959", end.year, end.month,
                      end.day);
        text += std::string(";UNTIL=") + until;
    }
    return text;
}

std::string occurrenceUid(const std::string& uid, DayNumber day)
{
    const CivilDate c = civilDate(day);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "-%04d%02d%02d", c.year, c.month, c.day);
    return uid + suffix;
}

class Writer {
public:
    Writer(const Schedule& schedule, const CalendarExportOptions& options) : s_(schedule), o_(options) {}

    bool inRange(DayNumber first, DayNumber last) const
    {
        if (!o_.from && !o_.to)
            return true;
        return last >= o_.from && first <= o_.to;
    }

    std::string uid(ItemHandle h) const
    {
        if (o_.uidOf)
            if (std::string u = o_.uidOf(h); !u.empty())
                return u;
        return madeUid(s_.record(h).id(), o_.uidDomain);
    }

    // The item's calendar components, appended to `out`.
    void writeItem(ItemHandle h, std::string& out)
    {
        const ItemRecord& r = s_.record(h);
        const std::uint16_t kind = r.kind();
        if (kind == ItemKind::project)
            return;
        if (r.has(ItemFlag::fRecurDef)) {
            writeDefinition(h, out);
            return;
        }
        if (r.has(ItemFlag::fException)) {
            // Written with its definition when that has a rule the format
            // can say; on its own otherwise.
            const ItemHandle definition = s_.recurrences.definitionOf(h);
            if (definition && mappedRule(definition))
                return;
        }
        const DayNumber day = s_.dayOf(h);
        if (!day)
            return;
        const DayNumber last = ItemKind::isMultiDayEvent(kind) && r.deadlineDate() > day.value()
                                   ? DayNumber(r.deadlineDate())
                                   : day;
        if (!inRange(day, last))
            return;
        Component c = component(h, day);
        icalcomponent_add_property(c.get(), icalproperty_new_uid(uid(h).c_str()));
        append(c, out);
    }

    // One occurrence of a definition as an item of its own.
    void writeOccurrence(ItemHandle definition, DayNumber day, std::string& out)
    {
        Component c = component(definition, day);
        icalcomponent_add_property(c.get(), icalproperty_new_uid(occurrenceUid(uid(definition), day).c_str()));
        append(c, out);
    }

    std::string result(std::string body) const
    {
        std::string out = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:";
        out += kProductId;
        out += "\r\nCALSCALE:GREGORIAN\r\n";
        out += body;
        out += "END:VCALENDAR\r\n";
        return out;
    }

private:
    bool allDay(const ItemRecord& r) const
    {
        const std::uint16_t kind = r.kind();
        return kind == ItemKind::memo || kind == ItemKind::cashFlow || ItemKind::isSpecialDay(kind)
            || ItemKind::isMultiDayEvent(kind) || r.beginTime() == 0;
    }

    bool isTodo(const ItemRecord& r) const { return r.kind() == ItemKind::task && !r.has(ItemFlag::fAnchored); }

    std::optional<std::string> mappedRule(ItemHandle definition) const
    {
        const RecurrenceRecord& rule = s_.recurrences.ruleOf(definition);
        if (rule.monthWord() & kMonthWordSuspended)
            return std::nullopt;
        const DayNumber start = ruleStartDay(rule, o_.today);
        return ruleText(rule, start, allDay(s_.record(definition)));
    }

    // The component of an item on a day, without UID.
    Component component(ItemHandle h, DayNumber day)
    {
        const ItemRecord& r = s_.record(h);
        const bool todo = isTodo(r);
        Component c(icalcomponent_new(todo ? ICAL_VTODO_COMPONENT : ICAL_VEVENT_COMPONENT));
        icalcomponent* e = c.get();
        icalcomponent_add_property(
            e, icalproperty_new_dtstamp(icaltime_from_timet_with_zone(o_.stamp, 0, icaltimezone_get_utc_timezone())));
        if (todo)
            addTaskTimes(e, h, day);
        else
            addEventTimes(e, r, day);
        icalcomponent_add_property(e, icalproperty_new_summary(s_.description(h).c_str()));
        if (o_.noteOf && r.has(ItemFlag::fHasNotes))
            if (std::string note = o_.noteOf(h); !note.empty())
                icalcomponent_add_property(e, icalproperty_new_description(note.c_str()));
        addCategories(e, r);
        if (r.has(ItemFlag::fAlarm))
            addAlarm(e, h, r);
        return c;
    }

    void addEventTimes(icalcomponent* e, const ItemRecord& r, DayNumber day)
    {
        if (allDay(r)) {
            DayNumber last = day;
            if (ItemKind::isMultiDayEvent(r.kind()) && r.deadlineDate() > day.value())
                last = DayNumber(r.deadlineDate());
            icalcomponent_add_property(e, icalproperty_new_dtstart(dateOf(day)));
            icalcomponent_add_property(e, icalproperty_new_dtend(dateOf(last + 1)));
            icalcomponent_add_property(e, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
            return;
        }
        const icaltimetype start = localTimeOf(day, TimeValue(r.beginTime()));
        icalcomponent_add_property(e, icalproperty_new_dtstart(start));
        icalcomponent_add_property(
            e, icalproperty_new_dtend(icaltime_add(start, icaldurationtype_from_int(r.duration() * 60))));
    }

    void addTaskTimes(icalcomponent* e, ItemHandle h, DayNumber day)
    {
        const ItemRecord& r = s_.record(h);
        // The planned start: where the scheduler placed the task, else its day.
        TimeValue placed;
        if (const DayRecord* record = s_.findDay(day))
            if (std::optional<std::size_t> at = s_.entryOf(h, day))
                placed = record->entries()[*at].startTime();
        icalcomponent_add_property(e, icalproperty_new_dtstart(placed ? localTimeOf(day, placed) : dateOf(day)));
        const bool due = r.deadlineDate() != 0 && DayNumber(r.deadlineDate()).isUsable();
        if (due) {
            const DayNumber d(r.deadlineDate());
            icalcomponent_add_property(
                e, icalproperty_new_due(r.deadlineTime() ? localTimeOf(d, TimeValue(r.deadlineTime())) : dateOf(d)));
        }
        if (r.duration() != 0) {
            if (due) {
                icalproperty* p = icalproperty_new_x(std::to_string(r.duration()).c_str());
                icalproperty_set_x_name(p, kPlannedDurationProperty);
                icalcomponent_add_property(e, p);
            } else {
                icalcomponent_add_property(e, icalproperty_new_duration(icaldurationtype_from_int(r.duration() * 60)));
            }
        }
        if (const int priority = icalPriorityOf(r.priorityLetter()); priority != 0)
            icalcomponent_add_property(e, icalproperty_new_priority(priority));
        if (r.has(ItemFlag::fDone))
            icalcomponent_add_property(e, icalproperty_new_status(ICAL_STATUS_COMPLETED));
        else if (r.has(ItemFlag::fStarted))
            icalcomponent_add_property(e, icalproperty_new_status(ICAL_STATUS_INPROCESS));
        else
            icalcomponent_add_property(e, icalproperty_new_status(ICAL_STATUS_NEEDSACTION));
    }

    void addCategories(icalcomponent* e, const ItemRecord& r)
    {
        auto add = [e](const std::string& name) {
            if (!name.empty())
                icalcomponent_add_property(e, icalproperty_new_categories(name.c_str()));
        };
        switch (r.kind()) {
        case ItemKind::birthday: add("Birthday"); break;
        case ItemKind::anniversary: add("Anniversary"); break;
        case ItemKind::holiday: add("Holiday"); break;
        default: break;
        }
        if (o_.statuses && r.status() != 0)
            add(o_.statuses->label(statusIndexOf(r)));
        if (r.projectId() != 0)
            if (const ItemHandle project = s_.findItemById(r.projectId()))
                add(s_.description(project));
    }

    void addAlarm(icalcomponent* e, ItemHandle h, const ItemRecord& r)
    {
        icalcomponent* alarm = icalcomponent_new(ICAL_VALARM_COMPONENT);
        icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
        icalcomponent_add_property(alarm, icalproperty_new_description(s_.description(h).c_str()));
        icaltriggertype trigger{};
        trigger.time = icaltime_null_time();
        trigger.duration = icaldurationtype_from_int(-alarmMinutesBefore(r) * 60);
        icalproperty* p = icalproperty_new_trigger(trigger);
        if (r.has(ItemFlag::alarmFromEnd) && !r.has(ItemFlag::alarmFromBegin))
            icalproperty_add_parameter(p, icalparameter_new_related(ICAL_RELATED_END));
        icalcomponent_add_property(alarm, p);
        icalcomponent_add_component(e, alarm);
    }

    static void addRule(icalcomponent* e, const std::string& text)
    {
        icalrecurrencetype rule = icalrecurrencetype_from_string(text.c_str());
        icalcomponent_add_property(e, icalproperty_new_rrule(rule));
    }

    void writeDefinition(ItemHandle h, std::string& out)
    {
        const RecurrenceRecord& rule = s_.recurrences.ruleOf(h);
        if (rule.monthWord() & kMonthWordSuspended)
            return;
        const DayNumber start = ruleStartDay(rule, o_.today);
        const DayNumber end = ruleEndDay(rule);
        if (!inRange(start, end))
            return;
        const ItemRecord& r = s_.record(h);
        const std::string id = uid(h);
        if (std::optional<std::string> text = mappedRule(h)) {
            // The first written day must be an occurrence: the format counts
            // its first day as one.
            const DayNumber first = firstRuleDay(rule, start, end, o_.today);
            if (!first)
                return;
            Component c = component(h, first);
            icalcomponent_add_property(c.get(), icalproperty_new_uid(id.c_str()));
            addRule(c.get(), *text);
            std::vector<ItemHandle> exceptions;
            if (const ExceptionList* list = s_.recurrences.exceptionListOf(h))
                for (const ExceptionEntry& entry : *list) {
                    if (entry.isCancellation())
                        icalcomponent_add_property(c.get(), icalproperty_new_exdate(occurrenceTime(r, entry.day)));
                    else
                        exceptions.push_back(entry.item);
                }
            append(c, out);
            for (ItemHandle x : exceptions) {
                if (!s_.items.isLive(x))
                    continue;
                const DayNumber day = s_.dayOf(x);
                if (!day)
                    continue;
                Component o = component(x, day);
                icalcomponent_add_property(o.get(), icalproperty_new_uid(id.c_str()));
                icalcomponent_add_property(
                    o.get(), icalproperty_new_recurrenceid(occurrenceTime(r, DayNumber(s_.record(x).createdDay()))));
                append(o, out);
            }
            return;
        }
        // Each occurrence on its own, over the range or two years of it.
        DayNumber from = std::max(start, o_.from ? o_.from : start);
        DayNumber to = std::min(end, o_.to ? o_.to : from + kOccurrenceDays);
        to = std::min(to, from + kOccurrenceDays);
        for (DayNumber d = firstRuleDay(rule, from, to, o_.today); d && d <= to;
             d = d < to ? firstRuleDay(rule, d + 1, to, o_.today) : kNoDay) {
            if (s_.recurrences.findEntry(h, d))
                continue;
            Component c = component(h, d);
            icalcomponent_add_property(c.get(), icalproperty_new_uid(occurrenceUid(id, d).c_str()));
            icalcomponent_add_property(c.get(), icalproperty_new_comment(kOccurrenceComment));
            append(c, out);
        }
    }

    icaltimetype occurrenceTime(const ItemRecord& definition, DayNumber day) const
    {
        if (isTodo(definition) || allDay(definition))
            return dateOf(day);
        return localTimeOf(day, TimeValue(definition.beginTime()));
    }

    static void append(const Component& c, std::string& out)
    {
        char* text = icalcomponent_as_ical_string_r(c.get());
        if (text) {
            out += text;
            icalmemory_free_buffer(text);
        }
    }

    const Schedule& s_;
    const CalendarExportOptions& o_;
};

} // namespace

std::string madeUid(std::uint32_t id, const std::string& domain)
{
    return std::to_string(id) + "@" + (domain.empty() ? std::string("schedule") : domain) + ".zelkon";
}

std::string writeICalendar(const Schedule& schedule, const CalendarExportOptions& options)
{
    Writer writer(schedule, options);
    std::string body;
    schedule.items.forEach([&](ItemHandle h) { writer.writeItem(h, body); });
    return writer.result(std::move(body));
}

std::string writeICalendarItem(const Schedule& schedule, ItemHandle item, const CalendarExportOptions& options,
                               DayNumber occurrence)
{
    CalendarExportOptions all = options;
    all.from = all.to = kNoDay;
    Writer writer(schedule, all);
    std::string body;
    if (occurrence && schedule.record(item).has(ItemFlag::fRecurDef))
        writer.writeOccurrence(item, occurrence, body);
    else
        writer.writeItem(item, body);
    return writer.result(std::move(body));
}

} // namespace zk
