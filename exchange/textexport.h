#pragma once
// The text exports a user reads or prints with any editor: a range of
// schedules (a heading, one block per day, then the vital items of the
// coming months) and the alphabetical list of all items. The texts are
// UTF-8; long lines are cut into pieces of 72 characters (dayblock.h).
//
// Days are laid out as the desktop shows them, recurring occurrences and
// all; a day the schedule holds no record of and that nothing comes to is
// left out of the range.

#include "exchange/dayblock.h"

#include <filesystem>
#include <string>

namespace zk {

class Schedule;

inline constexpr const char* kExportFileName = "export.txt";
extern const char* const kExportOpenFailedText;  // "Unable to open file for exporting. "

struct TextExportContext {
    DayBlockContext day;    // today, now, regional, the view's hide test
    DayNumber viewedDay;    // the vital items start the day after it
    std::string userName;
};

// The range export of the days first..last, both included.
std::string exportRangeText(Schedule& schedule, DayNumber first, DayNumber last, const TextExportContext& context);

// The key items from the day after the viewed day to the end of the second
// month after its month, in month blocks.
std::string futureVitalItemsText(Schedule& schedule, const TextExportContext& context);

// The all-items list, in the item chain's (alphabetical) order.
std::string exportItemsListText(const Schedule& schedule, const TextExportContext& context);

// Writes the text through a temporary file beside the target and a rename;
// false when that failed (the target is then as it was).
bool writeExportFile(const std::filesystem::path& file, const std::string& text);

} // namespace zk
