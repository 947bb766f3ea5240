#pragma once
// What a printed daily schedule holds: the days of the print, each with the
// printed form of its lines ("^" after a scheduler placement's time, "~"
// before a floating entry that got less time than it needs, the status tag)
// and only the items the view filters let through; and the range of days a
// user typed for "Range of Schedules...".
//
// The lines are the panes' own (dayLines), so the screen and the paper
// never say different things.

#include "core/dateparse.h"
#include "shell/model/panelines.h"

#include <string>
#include <variant>
#include <vector>

namespace zk {

struct PrintRange {
    DayNumber first;
    DayNumber last;
};

// A year of days at most: a longer range is most likely a typing slip.
inline constexpr int kMostPrintedDays = 366;
extern const char* const kLastBeforeFirstText;
extern const char* const kTooManyDaysText;

// The range from the two typed dates, or the error text to show.
std::variant<PrintRange, std::string> printRangeFrom(const std::string& first, const std::string& last,
                                                     const EntryContext& context);

// The printed lines of every day of the range, in order.
std::vector<DayLines> printedDays(Schedule& schedule, const PrintRange& range, PaneDisplay display,
                                  const LineMoment& moment, const RegionalSettings& regional,
                                  const HideTest& hidden = {});

} // namespace zk
