#pragma once
// The block a day makes in a text export of schedules: the day title (the
// date and the day facts), then one item line per entry in list order, with
// a FREE line before every entry that begins after the latest end so far.
// Long lines are cut into pieces of at most 72 characters at blanks.
//
// The day is shown as it is: callers lay it out first (openDayForDisplay),
// so starts, conflict marks and free minutes agree with the clock.

#include "core/daynumber.h"
#include "core/daylist.h"
#include "core/regional.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

class Schedule;

struct DayBlockContext {
    DayNumber today;
    TimeValue now;
    RegionalSettings regional;  // sanitised
    // Items the view filters hide: left out, their time still taken.
    std::function<bool(ItemHandle)> hidden;
};

struct DayBlock {
    std::string title;
    std::vector<std::string> lines;  // item pieces and FREE lines, without newlines
};

DayBlock dayBlock(const Schedule& schedule, DayNumber day, const DayBlockContext& context);

// The block as the export writes it: "\n\n<title>\n\n", then every line
// ended by a newline.
std::string exportText(const DayBlock& block);

// The facts after the date in a day's title: the distance from today, the
// entry counts, the scheduled time and, from today on, the free and
// conflicting time.
std::string dayFactsText(const Schedule& schedule, DayNumber day, const DayBlockContext& context);

// One entry's line before it is cut: the start in the aligned time form
// right-aligned in six characters (or "note"), the description and the marks.
std::string exportItemLine(const Schedule& schedule, const DayEntry& entry, DayNumber day,
                           const DayBlockContext& context);

// Cuts text into pieces of at most 72 characters: each piece ends at the
// last blank among its first 72 characters (the blank is dropped), or after
// 72 characters when there is none.
std::vector<std::string> piecesOf72(std::string_view text);

} // namespace zk
