#pragma once
// The two forms an item takes on the clipboard, and the item a paste makes
// of either: a line as the Task Pipeline reads it ("date time duration
// text", so any program can paste it into timedata.add or another
// schedule), and a calendar file of the one item (text/calendar) for
// calendar programs. A paste prefers the calendar form, which keeps more.

#include "core/daynumber.h"
#include "core/item.h"
#include "core/regional.h"

#include <string>
#include <string_view>
#include <vector>

namespace zk {

class Schedule;
class Session;
class StatusTable;

inline constexpr const char* kCalendarMimeType = "text/calendar";

// The item's pipeline line as it stands on `day`: the day in the short
// date form, its begin time ("*" for none, "-" on hold), its duration in
// minutes and its text.
std::string clipboardLine(const Schedule& schedule, ItemHandle item, DayNumber day, const RegionalSettings& regional);

struct PasteOutcome {
    std::vector<ItemHandle> added;
    std::string refusal;  // nothing could be read from the clipboard
};

// Adds the item (or items) of the clipboard's calendar form, or else of its
// line, as new items, under change access. A calendar item
// pasted is a copy: its UID does not make it replace the item it came from.
// A line without a date goes on `shownDay`.
PasteOutcome pasteItems(Session& session, std::string_view calendar, std::string_view line, DayNumber shownDay,
                        const StatusTable* statuses);

extern const char* const kNothingToPasteText;

} // namespace zk
