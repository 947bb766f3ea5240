#include "engine/marvals.h"

#include "core/schedule.h"
#include "engine/plistorder.h"
#include "platform/fault.h"
#include "platform/messages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zk {

const char* const kPeriodFaultText = "fell out of switch statements in Period determination";
const char* const kMultiplyValuesPrompt = "Multiply Priority List Values by:";

namespace {

constexpr const char* kModule = "Marval";

// The value per hour as the order compares it: not-a-number counts as none.
float comparable(float hourized) { return std::isnan(hourized) ? 0.0f : hourized; }

bool ordersBefore(const PlistEntry& a, const ItemRecord& ra, const PlistEntry& b, const ItemRecord& rb)
{
    float va = comparable(a.hourizedMarval);
    float vb = comparable(b.hourizedMarval);
    if (va == 0.0f)
        return true;
    if (vb == 0.0f)
        return false;
    if (va != vb)
        return va > vb;
    if (ra.createdDay() != rb.createdDay())
        return ra.createdDay() < rb.createdDay();
    return ra.createdTime() <= rb.createdTime();
}

} // namespace

bool marvalsOn(const ScheduleHeader& header)
{
    return (header.u32(ScheduleHeader::optionWordAt) & kMarvalPrioritization) != 0;
}

void setMarvalsOn(ScheduleHeader& header, bool on)
{
    std::uint32_t word = header.u32(ScheduleHeader::optionWordAt);
    header.setU32(ScheduleHeader::optionWordAt, on ? word | kMarvalPrioritization : word & ~kMarvalPrioritization);
}

int interestRatePercent(const ScheduleHeader& header) { return header.u8(ScheduleHeader::interestRateAt); }

int hourlyWorth(const ScheduleHeader& header) { return header.i16(ScheduleHeader::hourlyWorthAt); }

// --- arithmetic ----------------------------------------------------------------

double periodLengthDays(const Schedule& schedule, std::uint16_t code)
{
    switch (code & Frequency::periodBits) {
    case 0:
        return 0;
    case Frequency::hourly:
        return 0.041666668f;
    case Frequency::daily:
        return 1;
    case Frequency::weekly:
        return 7;
    case Frequency::monthly:
        return 30.437834f;
    case Frequency::annually:
        return 365.254f;
    default:
        if (Messages* messages = schedule.messages())
            messages->error(kPeriodFaultText);
        ZK_FAULT(kModule);
    }
}

float hourizedMarval(const ItemRecord& record)
{
    int duration = record.duration() == 0 ? 1 : record.duration();
    return comparable(static_cast<float>(static_cast<double>(record.value()) * 60.0 / duration));
}

float dailyValue(const Schedule& schedule, const DayEntry& entry, DayNumber day)
{
    const ItemRecord& r = schedule.record(entry.item);
    double value = r.value();
    double reward = 0;
    if (r.rewardPer() == 0) {
        reward = 0;
    } else if (!r.has(ItemFlag::fFloating)) {
        reward = value;
    } else if (r.rewardPer() == Frequency::once) {
        reward = value * (interestRatePercent(schedule.header) / 100.0) / 365.25;
    } else if (r.rewardPer() == Frequency::perHour) {
        reward = entry.placedMinutes * value / 60.0;
    } else if (double period = periodLengthDays(schedule, r.rewardPer()); period > 0) {
        reward = value / period;
    }

    double lateCharge = 0;
    DayNumber deadline(r.deadlineDate());
    if (deadline && day >= deadline) {
        if (day == deadline && r.lateChargePer() == Frequency::once)
            lateCharge = static_cast<double>(r.expense()) + value;
        else if ((r.lateChargePer() & Frequency::periodBits) != 0)
            lateCharge = r.expense() / periodLengthDays(schedule, r.lateChargePer());
    }
    return static_cast<float>(reward + lateCharge);
}

float annualisedValue(const Schedule& schedule, float value, std::uint16_t code)
{
    if (code == 0)
        return 0;
    if (static_cast<std::int16_t>(code) < 0)  // once: taken whole
        return value;
    double period = periodLengthDays(schedule, code);
    int rate = interestRatePercent(schedule.header);
    // A rate of 0 would make every recurring reward infinite.
    if (period == 0 || rate == 0)
        return 0;
    return static_cast<float>(value / period * 365.254 / (rate / 100.0));
}

float annualisedValuePerHour(const Schedule& schedule, ItemHandle item)
{
    const ItemRecord& r = schedule.record(item);
    int duration = r.duration() == 0 ? 1 : r.duration();
    return static_cast<float>(static_cast<double>(annualisedValue(schedule, r.value(), r.rewardPer())) * 60.0 / duration);
}

void setDefaultMarval(ItemRecord& record, int hourlyWorth)
{
    record.setRewardPer(Frequency::daily);
    record.setLateChargePer(Frequency::daily);
    record.setValue(static_cast<float>(hourlyWorth * static_cast<double>(record.duration()) / 60.0));
}

std::string valueText(const Schedule& schedule, const DayEntry& entry, DayNumber day)
{
    if (schedule.record(entry.item).rewardPer() == 0)
        return "NS ";
    char text[64];
    std::snprintf(text, sizeof text, "%1.f ", static_cast<double>(dailyValue(schedule, entry, day)));
    return text;
}

// --- Marvals order of class A ----------------------------------------------------

bool marvalOrdersBefore(const Schedule& schedule, PlistEntryHandle a, PlistEntryHandle b)
{
    const PlistEntry& ea = schedule.plist.entry(a);
    const PlistEntry& eb = schedule.plist.entry(b);
    return ordersBefore(ea, schedule.record(ea.item), eb, schedule.record(eb.item));
}

int marvalsPosition(const Schedule& schedule, float hourizedValue, int base)
{
    const PriorityList& list = schedule.plist;
    // Entries below class A have no letter and are passed over; only class A
    // can hold a qualifying entry.
    for (PlistEntryHandle e = list.classFirst(kClassA); e && list.entry(e).letter == kClassA; e = list.next(e)) {
        float v = comparable(list.entry(e).hourizedMarval);
        if (v > 0 && v < hourizedValue)
            return base - 1 + list.entry(e).seq;
    }
    return base + list.classCount(kClassA);
}

void marvalsSortClassA(Schedule& schedule)
{
    PriorityList& list = schedule.plist;
    std::vector<PlistEntryHandle> order = list.classEntries(kClassA);
    auto before = [&](PlistEntryHandle a, PlistEntryHandle b) { return marvalOrdersBefore(schedule, a, b); };
    bool sorted = true;
    for (std::size_t i = 1; i < order.size() && sorted; ++i)
        sorted = before(order[i - 1], order[i]);
    if (!sorted) {
        // The program's pass moves an entry back past every entry it does
        // not order after: an insertion sort, which is a stable sort by the
        // same order, without its quadratic worst case.
        std::stable_sort(order.begin(), order.end(),
                         [&](PlistEntryHandle a, PlistEntryHandle b) { return !before(b, a); });
        list.reorderClass(kClassA, order);
        schedule.dirty = true;
    }
    list.renumberClass(kClassA);
}

void marvalsResort(Schedule& schedule, ItemHandle item)
{
    if (!marvalsOn(schedule.header))
        return;
    ItemRecord& r = schedule.record(item);
    if (!r.has(ItemFlag::fFloating))
        return;
    PriorityList& list = schedule.plist;
    PlistEntryHandle moved = findPlistEntry(schedule, item);
    if (!moved || list.entry(moved).letter != kClassA)
        return;

    list.unlink(moved);
    marvalsSortClassA(schedule);
    list.setHourizedMarval(moved, hourizedMarval(r));

    PlistEntryHandle before = kNoEntry;
    for (PlistEntryHandle e = list.classFirst(kClassA); e && list.entry(e).letter == kClassA; e = list.next(e)) {
        if (marvalOrdersBefore(schedule, moved, e)) {
            before = e;
            break;
        }
    }
    if (before)
        list.insertBefore(moved, before);
    else if (PlistEntryHandle lastA = list.classLast(kClassA))
        list.insertAfter(moved, lastA);
    else
        list.insertBefore(moved, list.firstAbove(kClassA));
    list.renumberClass(kClassA);
    schedule.dirty = true;
}

std::string multiplyValuesQuestion(double factor)
{
    char text[128];
    std::snprintf(text, sizeof text, "Multiply the Value of each item in the Priority List by a factor of %.2f?", factor);
    return text;
}

bool multiplyValues(Schedule& schedule, double factor)
{
    if (!(factor > 0.1))
        return false;
    Messages* messages = schedule.messages();
    // Without a message service nobody can confirm, so nothing changes.
    if (!messages || messages->question(multiplyValuesQuestion(factor)) != Answer::Yes)
        return false;
    for (ItemHandle h : schedule.chain) {
        ItemRecord& r = schedule.record(h);
        r.setValue(static_cast<float>(r.value() * factor));
    }
    schedule.dirty = true;
    return true;
}

} // namespace zk
