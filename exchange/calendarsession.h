#pragma once
// A calendar file and a session's schedule: writing the schedule with its
// notes and the UIDs its items came with, and adding the items read from a
// file. Adding works under the change access the caller holds (taken once
// for the whole file), every item through the add-item routine.
//
// - CATEGORIES naming a status of the table or a project of the schedule
//   give the item that status or project.
// - A recurring definition gets its cancelled days before its occurrences
//   are placed; each moved instance becomes an exception of it.
// - DESCRIPTION becomes the item's note.
// - A UID met before (in the UID table, or one this schedule wrote itself)
//   updates: the items it brought the last time are deleted once the new
//   ones are in, so a file imported twice leaves one copy.
// - An item the add-item routine refuses (an archived day) is skipped with
//   its message; nothing else of the file is undone for it.

#include "exchange/icalendarread.h"
#include "exchange/icalendarwrite.h"

#include <string>
#include <vector>

namespace zk {

class Session;
class StatusTable;

struct CalendarImportOutcome {
    // The items added, in file order (definitions, single items, exceptions).
    std::vector<ItemHandle> added;
    int updated = 0;  // UIDs whose earlier items were replaced
    int skipped = 0;
};

struct CalendarImportOptions {
    const StatusTable* statuses = nullptr;
    bool scrambleNotes = false;
};

CalendarImportOutcome importCalendarEntries(Session& session, std::vector<CalendarEntry> entries,
                                            const CalendarImportOptions& options);

// The writer's options for the session's schedule: notes from the NOTES
// folder, the UIDs from the UID table, the moment from the session's clock.
CalendarExportOptions calendarExportOptions(Session& session, const StatusTable* statuses);

} // namespace zk
