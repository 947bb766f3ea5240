#pragma once
// A calendar file and a session's schedule: writing the schedule with its
// notes and the UIDs its items came with, and adding the items read from a
// file. Adding goes through the shared import routine (exchange/
// importbatch.h): change access taken once for the whole file, every item
// checked first and none added on a refusal, each added through the
// add-item routine.
//
// - CATEGORIES naming a status of the table or a project of the schedule
//   give the item that status or project.
// - A recurring definition's cancelled days leave its occurrences once it
//   is in; each moved instance becomes an exception of it.
// - DESCRIPTION becomes the item's note.
// - Each item keeps its source key in the UID table (exchange/
//   calendaruids.h): the UID, or for the second and later items of one
//   UID (moved instances, dated occurrences) the UID with the day. A key
//   met before (or a UID this schedule wrote itself) replaces the item that
//   has it, which keeps its id: a file imported twice leaves one copy.

#include "exchange/icalendarread.h"
#include "exchange/icalendarwrite.h"

#include "exchange/importbatch.h"

#include <chrono>
#include <string>
#include <vector>

namespace zk {

class Session;
class StatusTable;

struct CalendarImportOutcome {
    // The items added, in file order (definitions, single items, exceptions).
    std::vector<ItemHandle> added;
    std::vector<ImportedItem> items;  // their ids and days, as the routine reports them
    int updated = 0;                  // items that replaced one imported before
    int skipped = 0;
    // Set when nothing was imported: why (no change access, a refused item).
    std::string refusal;
    bool noChangeAccess = false;
};

struct CalendarImportOptions {
    const StatusTable* statuses = nullptr;
    std::chrono::seconds wait{0};  // for change access
};

CalendarImportOutcome importCalendarEntries(Session& session, std::vector<CalendarEntry> entries,
                                            const CalendarImportOptions& options);

// A file's text and what importing it did.
struct CalendarFileOutcome {
    CalendarImportOutcome imported;
    // Components left out or written as dated items, one line each.
    std::vector<std::string> notices;
    // Set when nothing was imported: why.
    std::string refusal;
};

// Reads a calendar file ("-": standard input) no further than the calendar
// limit; the message when it cannot be read or is larger.
std::string readCalendarFile(const std::string& path, std::string& text);

// Reads the text and imports its items.
CalendarFileOutcome importCalendarText(Session& session, std::string_view text, const CalendarImportOptions& options);

// The writer's options for the session's schedule: notes from the NOTES
// folder, the UIDs from the UID table, the moment from the session's clock.
CalendarExportOptions calendarExportOptions(Session& session, const StatusTable* statuses);

// The calendar file of the options' range (or of every item): the range's
// past days are read back from their archives first, as the text export
// reads them, so a past range holds what those days held.
std::string exportCalendarText(Session& session, const CalendarExportOptions& options);

} // namespace zk
