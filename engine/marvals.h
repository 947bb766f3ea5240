#pragma once
// Marvals: an item's value ("Marval", `value`, in dollars), its reward and
// late-charge frequencies, the arithmetic the priority list shows, and the
// Marvals preference ("Marval Prioritization"), under which class A of the
// priority list is kept sorted by value per hour instead of by hand.
//
// Frequency codes (rewardPer, lateChargePer; 0 = none):
//   code    reward              late charge   period length in days
//   0x8000  once                once          (none: amount taken whole)
//   0x4000  rate per hour       -             (none)
//   0x2000  -                   hourly        0.041666668
//   0x1000  daily               daily         1
//   0x0800  weekly              weekly        7
//   0x0400  monthly             monthly       30.437834
//   0x0200  annually            annually      365.254
// The period comes from the bits 0x3E00. No period bit gives a period of 0;
// more than one is an internal fault ("fell out of switch statements in
// Period determination").
//
// Header values: the interest rate in percent (u8 at 630), the option word
// (u32 at 632) whose bit 23 is the Marvals switch, and the worth of an hour
// in dollars (i16 at 636).

#include "core/daylist.h"
#include "core/prioritylist.h"
#include "core/scheduleheader.h"

#include <cstdint>
#include <string>

namespace zk {

class Schedule;

namespace Frequency {
inline constexpr std::uint16_t once = 0x8000;
inline constexpr std::uint16_t perHour = 0x4000;
inline constexpr std::uint16_t hourly = 0x2000;
inline constexpr std::uint16_t daily = 0x1000;
inline constexpr std::uint16_t weekly = 0x800;
inline constexpr std::uint16_t monthly = 0x400;
inline constexpr std::uint16_t annually = 0x200;
inline constexpr std::uint16_t periodBits = 0x3E00;
} // namespace Frequency

inline constexpr std::uint32_t kMarvalPrioritization = 0x00800000;  // option word bit 23

bool marvalsOn(const ScheduleHeader& header);
void setMarvalsOn(ScheduleHeader& header, bool on);
int interestRatePercent(const ScheduleHeader& header);
int hourlyWorth(const ScheduleHeader& header);

extern const char* const kPeriodFaultText;
extern const char* const kMultiplyValuesPrompt;

// --- arithmetic ----------------------------------------------------------------

// The period in days of a code; 0 when it has no period bit.
double periodLengthDays(const Schedule& schedule, std::uint16_t code);
// value x 60 / duration (a duration of 0 counts as 1); a value that is not
// a number counts as no value (0), so that sorting by it stays an order.
float hourizedMarval(const ItemRecord& record);
// The value of a day entry's item on a day: the reward part plus, from the
// deadline on, the late-charge part.
float dailyValue(const Schedule& schedule, const DayEntry& entry, DayNumber day);
// The value of a recurring reward as a capital at the interest rate: once ->
// the value itself; otherwise value / period x 365.254 / rate. A code
// without a period, or a rate of 0, gives 0.
float annualisedValue(const Schedule& schedule, float value, std::uint16_t code);
// The item's annualised value (of its value and rewardPer) x 60 / duration.
float annualisedValuePerHour(const Schedule& schedule, ItemHandle item);
// Daily reward and late charge, and the value an hour of work is worth.
void setDefaultMarval(ItemRecord& record, int hourlyWorth);
// "NS " when the item has no reward, else the daily value as "%1.f ".
std::string valueText(const Schedule& schedule, const DayEntry& entry, DayNumber day);

// --- Marvals order of class A ----------------------------------------------------

// Whether entry a orders before entry b: a without a value, yes; b without
// one, no; else the larger value per hour first; equal values, the earlier
// created day, then a when a's created time is not later than b's.
bool marvalOrdersBefore(const Schedule& schedule, PlistEntryHandle a, PlistEntryHandle b);
// The seq a new item (base 1) or a listed one (base 0) with value per hour v
// takes in class A: ahead of the first valued A entry worth less than v,
// else after the last A entry.
int marvalsPosition(const Schedule& schedule, float hourizedValue, int base);
// With Marvals on, for a floating item in class A: sorts class A, refreshes
// the item's value per hour and puts it back in its Marvals place.
void marvalsResort(Schedule& schedule, ItemHandle item);
// Sorts class A by the order above, keeping entries that compare equal in
// their order; renumbers.
void marvalsSortClassA(Schedule& schedule);

// The "Shift Priority List Marvals..." command after its factor was asked
// with kMultiplyValuesPrompt: a factor of 0.1 or less does nothing; else
// the user confirms, and every item in the item chain, floating or not, has
// its value multiplied. True when values changed.
bool multiplyValues(Schedule& schedule, double factor);
std::string multiplyValuesQuestion(double factor);

} // namespace zk
