#include "worktools/model/alarmcheck.h"

#include "core/schedule.h"
#include "engine/placement.h"
#include "engine/placementcontext.h"
#include "engine/recurrenceexpansion.h"
#include "platform/messages.h"
#include "sharing/session.h"

#include <algorithm>

namespace zk {

namespace {

constexpr AlarmReference kReferences[] = {AlarmReference::Begin, AlarmReference::End};

std::uint32_t referenceFlag(AlarmReference reference)
{
    return reference == AlarmReference::Begin ? ItemFlag::alarmFromBegin : ItemFlag::alarmFromEnd;
}

// Every alarm reference set on an entry of the day.
template <class Visit>
void forEachAlarm(const Schedule& s, DayNumber dayNumber, Visit visit)
{
    const DayRecord* day = s.findDay(dayNumber);
    if (!day)
        return;
    for (const DayEntry& entry : day->entries()) {
        const ItemRecord& r = s.record(entry.item);
        if (!r.has(ItemFlag::fAlarm))
            continue;
        for (AlarmReference reference : kReferences)
            visit(entry, r, reference);
    }
}

ItemHandle findItem(const Schedule& s, std::uint32_t id)
{
    if (ItemHandle h = s.findItemById(id))
        return h;
    return s.recurrences.findByItemId(id);
}

} // namespace

void AlarmCheck::newDay(DayNumber today)
{
    if (today == day_)
        return;
    day_ = today;
    rung_.clear();
    waited_.clear();
    watched_.clear();
}

void AlarmCheck::check()
{
    if (s_.alarmsOff && s_.alarmsOff())
        return;
    if (open_ >= kMaxOpenAlarms) {
        if (open_ == kMaxOpenAlarms && !stackShown_) {
            stackShown_ = true;
            s_.session.messages().information(kStackedAlarmsText);
        }
        return;
    }
    newDay(s_.today());
    for (const Due& due : findDue()) {
        if (open_ >= kMaxOpenAlarms)
            break;  // the next minute's check shows the stacking message
        ringOne(due);
    }
}

std::vector<DueAlarm> dueAlarms(Schedule& s, DayNumber today, TimeValue now)
{
    std::vector<DueAlarm> due;
    forEachAlarm(s, today, [&](const DayEntry& entry, const ItemRecord& r, AlarmReference reference) {
        if (alarmDue(r, reference, referenceTime(r, entry, reference), now))
            due.push_back(DueAlarm{s.itemId(entry.item), reference, r.alarmRepeat()});
    });
    return due;
}

std::vector<AlarmCheck::Due> AlarmCheck::findDue()
{
    std::vector<Due> due;
    s_.withSchedule([&] {
        if (!s_.session.isOpen())
            return;
        Schedule& s = s_.session.schedule();
        for (const Due& d : dueAlarms(s, s_.today(), s_.now()))
            if (!rung_.contains(d.key()))
                due.push_back(d);
        if (s_.allStations && s_.allStations())
            watchAnswered(s, due);
    });
    return due;
}

// Alarms another session answered since this one last looked ring here too.
void AlarmCheck::watchAnswered(const Schedule& s, std::vector<Due>& due)
{
    forEachAlarm(s, s_.today(), [&](const DayEntry&, const ItemRecord& r, AlarmReference reference) {
        if (!r.id() || !r.has(referenceFlag(reference)))
            return;
        const auto key = std::pair(r.id(), static_cast<int>(reference));
        if (r.alarmRepeat() != kAlarmAnswered) {
            watched_[key] = r.alarmRepeat();
            return;
        }
        auto seen = watched_.find(key);
        if (seen == watched_.end())
            return;
        const Due answered{r.id(), reference, seen->second};
        watched_.erase(seen);
        if (!rung_.contains(answered.key()))
            due.push_back(answered);
    });
}

// Under the schedule: takes the alarm for this session and records it.
AlarmCheck::Claim AlarmCheck::claim(const Due& due, RingingAlarm& alarm)
{
    Session& session = s_.session;
    ChangeAccess& access = session.access();
    const bool held = access.holding();
    const bool mayChange = held || access.mayChangeNow();
    if (mayChange && !access.requestChangeAccess())
        return Claim::Wait;
    // Taken only to look: the other sessions may save again at once.
    auto giveBack = [&] {
        if (mayChange && !held && !session.schedule().dirty)
            access.releaseChangeAccess();
        return Claim::Skip;
    };
    if (!mayChange && ++waited_[due.key()] < kClaimAttempts)
        return Claim::Wait;
    // Taking change access may have brought in another session's save.
    Schedule& s = session.schedule();
    ItemHandle h = findItem(s, due.itemId);
    const DayNumber today = s_.today();
    std::optional<std::size_t> index = h ? s.entryOf(h, today) : std::nullopt;
    if (!index)
        return giveBack();
    const DayEntry entry = s.findDay(today)->entries()[*index];
    const TimeValue now = s_.now();
    const TimeValue at = referenceTime(s.record(h), entry, due.reference);
    const bool answeredElsewhere = s_.allStations && s_.allStations() && s.record(h).alarmRepeat() == kAlarmAnswered &&
                                   s.record(h).has(referenceFlag(due.reference));
    if (!alarmDue(s.record(h), due.reference, at, now) && !answeredElsewhere)
        return giveBack();
    alarm.itemText = s.description(h);
    alarm.message = alarmMessage(s.record(h), due.reference, at, now);
    alarm.text = ringingText(s_.clockText(now), alarm.itemText, alarm.message);
    alarm.dialPager = s.record(h).has(ItemFlag::dialPager);
    if (answeredElsewhere) {
        giveBack();
        return Claim::RingUnrecorded;
    }
    if (!mayChange)
        return Claim::RingUnrecorded;
    if (s.record(h).has(ItemFlag::fRecurDef)) {
        Placement placement(s, PlacementContext::at(session.clock()), &session.messages());
        if (ItemHandle exception = RecurrenceExpansion(placement).makeException(EntryRef{today, *index}))
            h = exception;
    }
    alarm.itemId = s.itemId(h);
    s.record(h).setAlarmRepeat(kAlarmAnswered);
    s.noteChange(today);
    s.dirty = true;
    s_.save();
    return Claim::Ring;
}

void AlarmCheck::ringOne(const Due& due)
{
    RingingAlarm alarm;
    alarm.itemId = due.itemId;
    alarm.reference = due.reference;
    Claim claimed = Claim::Wait;
    if (!s_.withSchedule([&] { claimed = claim(due, alarm); }))
        return;
    if (claimed == Claim::Wait)
        return;
    rung_.insert(due.key());
    if (claimed == Claim::Skip)
        return;
    ++open_;
    const bool again = s_.bell.ring(alarm);
    --open_;
    if (open_ < kMaxOpenAlarms)
        stackShown_ = false;
    if (again)
        repeat(alarm.itemId);
}

void AlarmCheck::repeat(std::uint32_t itemId)
{
    Messages& messages = s_.session.messages();
    ChangeAccess& access = s_.session.access();
    bool mayChange = false;
    s_.withSchedule([&] { mayChange = access.holding() || access.mayChangeNow(); });
    if (!mayChange) {
        messages.error(kRepeatNoAccessText);
        return;
    }
    std::optional<int> minutes = s_.bell.askRepeatMinutes(lastRepeat_);
    if (!minutes)
        return;
    lastRepeat_ = *minutes;
    std::string notice;
    bool stored = s_.withSchedule([&] {
        if (!access.requestChangeAccess()) {
            notice = kRepeatAnsweredElsewhereText;
            return;
        }
        Schedule& s = s_.session.schedule();
        ItemHandle h = findItem(s, itemId);
        // Another session that set a repeat first has answered the question.
        if (!h || s.record(h).alarmRepeat() != kAlarmAnswered) {
            notice = kRepeatAnsweredElsewhereText;
            if (!s.dirty)
                access.releaseChangeAccess();
            return;
        }
        RepeatTime at = repeatTime(s_.now(), *minutes, s.dayEnd(), s.nightOwl());
        notice = at.message;
        if (!at.alarmRepeat)
            return;
        s.record(h).setAlarmRepeat(*at.alarmRepeat);
        s.noteChange(s_.today());
        s.dirty = true;
        s_.save();
    });
    if (!stored)
        notice = kRepeatAnsweredElsewhereText;
    if (!notice.empty())
        messages.information(notice);
}

// --- the day's list ------------------------------------------------------------------------

std::vector<DayAlarm> alarmsOfDay(const Schedule& s, DayNumber dayNumber)
{
    std::vector<DayAlarm> alarms;
    forEachAlarm(s, dayNumber, [&](const DayEntry& entry, const ItemRecord& r, AlarmReference reference) {
        if (!r.has(referenceFlag(reference)))
            return;
        const TimeValue at = referenceTime(r, entry, reference);
        DayAlarm a;
        a.rings = triggerTime(r, at);
        a.itemId = r.id();
        a.reference = reference;
        a.offset = -(r.alarmHours() * 60 + r.alarmMinutes());
        a.repeat = r.alarmRepeat();
        a.text = s.description(entry.item);
        alarms.push_back(std::move(a));
    });
    std::stable_sort(alarms.begin(), alarms.end(),
                     [](const DayAlarm& a, const DayAlarm& b) { return a.rings < b.rings; });
    return alarms;
}

} // namespace zk
