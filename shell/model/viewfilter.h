#pragma once
// The one question every view, printing and the text export ask of an item
// before showing it: is it hidden? It joins the list views' membership
// rules, the view options (hide done items, appointments only in the week
// view, cash-flow items only, private items when printing) and the user's
// filters, which are in force only while the Filter window is open.
//
// Contract:
// - isHidden() is pure: it reads the item, its recurrence rule (for the
//   routine test) and the two structs below, and changes nothing. The first
//   rule that decides wins, in this order: list membership of the current
//   view; done items when hidden; private items while printing; the week
//   view's appointments-only option; cash-flow items only; the alternate
//   list's ready-now rule; then, only while the Filter window is open, the
//   project, minimum duration, ready now, status, text, case number and
//   non-routine filters.
// - A caller builds ViewFilter once per paint (viewFilterOf) and
//   ViewContext once per view, and asks per item: the test itself never
//   touches the setting store.
// - The filter project lives in the schedule header (filterProject), so a
//   schedule keeps the project it was filtered by.

#include "core/daynumber.h"
#include "core/item.h"
#include "core/scheduleheader.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

class Schedule;
class Settings;

inline constexpr std::size_t kMaxFilterWords = 5;
inline constexpr std::size_t kMaxFilterWordBytes = 40;
inline constexpr std::size_t kMaxFilterTextBytes = 40;

struct ViewFilter {
    // The view options, in force whether the Filter window is open or not.
    bool hideDone = false;
    bool cashFlowOnly = false;
    bool weekviewEventsOnly = false;
    bool includePrivate = false;

    // The user's filters: applied only while `open`.
    bool open = false;
    bool projectOn = false;
    std::uint32_t project = 0;
    bool minLengthOn = false;
    int minLength = 60;  // minutes
    bool readyNowOn = false;
    bool statusOn = false;
    std::uint16_t statusHideMask = 0;
    bool textOn = false;
    std::vector<std::string> words;  // filterWords() of the text
    bool caseOn = false;
    std::uint32_t caseNo = 0;
    bool routineOn = false;
};

// Who asks: the current view's command (931, 935, 740, 746..749, ...),
// whether printing runs, and the clock's reading.
struct ViewContext {
    int view = 0;
    bool printing = false;
    DayNumber today;
    TimeValue now;
    std::int64_t unixNow = 0;  // seconds since 1970, for the recently edited list
};

// The filter state of the settings and the header. The flags that are no
// settings (window open, cash-flow items only, text filter on) are the
// caller's.
struct FilterSwitches {
    bool open = false;
    bool cashFlowOnly = false;
    bool textOn = false;
    bool caseOn = false;
    bool includePrivate = false;
};
ViewFilter viewFilterOf(const Settings& settings, const ScheduleHeader& header, const FilterSwitches& switches);

// The filter project: none (0) until the Filter window took one.
std::uint32_t filterProject(const ScheduleHeader& header);
void setFilterProject(ScheduleHeader& header, std::uint32_t projectId);

// The text split at blanks into at most 5 words of at most 40 bytes each.
std::vector<std::string> filterWords(std::string_view text);
// The words in order, each looked for without regard to case: "+word" must
// occur, "-word" must not, any other word counts when it occurs. A match
// needs at least one word counted and no failed "+" or "-" word; an empty
// first word never matches.
bool matchesFilterWords(std::string_view description, const std::vector<std::string>& words);

bool isReadyNow(const ItemRecord& item, DayNumber today, TimeValue now);
// A recurring item (definition or exception) that is no key item, whose
// series runs 30 days or more from today, repeating daily at most every 7
// days or weekly every week.
bool isRoutine(const Schedule& schedule, ItemHandle item, DayNumber today);

bool isHidden(const Schedule& schedule, ItemHandle item, const ViewFilter& filter, const ViewContext& context);

} // namespace zk
