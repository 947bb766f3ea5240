#pragma once
// zk export --format ics and zk import --format ics: the calendar file
// through the same writer and reader as the desktop.

#include "cli/options.h"
#include "core/daynumber.h"
#include "exchange/importbatch.h"

#include <optional>
#include <string>
#include <vector>

namespace zk::cli {

class ZkSession;

// Writes the items of the days from `first` to `last` (none: every item)
// to standard output, or through a temporary file to `output`.
int exportCalendar(ZkSession& zk, DayNumber first, DayNumber last, const std::optional<std::string>& output);

// After an import: saves, and prints "imported id=N day=YYYY-MM-DD" per
// item and "imported=N skipped=M" last (zk import, every format).
int saveAndReport(ZkSession& zk, const std::vector<ImportedItem>& items, int skipped);

// Imports the calendar file (- for standard input) under one change
// access, then saves and reports; what was left out goes to standard error.
int importCalendar(const Arguments& args, const std::string& file);

} // namespace zk::cli
