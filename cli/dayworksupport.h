#pragma once
// What zk done, zk start and zk carry-over share: reading item ids and the
// --date option, and the one line printed per entry touched.

#include "cli/options.h"
#include "core/daynumber.h"
#include "core/item.h"
#include "engine/carryover.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zk {
class Schedule;
class Session;
}

namespace zk::cli {

// Every word an item id (a positive number); nothing when one is not.
std::optional<std::vector<std::uint32_t>> itemIds(const std::vector<std::string>& words);

// --date read as a date field reads it (default today); nothing, after
// saying why on stderr, when it is no date.
std::optional<DayNumber> dateOption(const Arguments& args, const Session& session);

// "<word> id=N day=YYYY-MM-DD start=HH:MM minutes=M" (start empty without a time).
std::string entryLine(const char* word, const Schedule& schedule, ItemHandle item, DayNumber day);
// "carried|deleted|shifted id=N from=YYYY-MM-DD to=YYYY-MM-DD"
std::string carriedLine(const CarriedEntry& entry);

} // namespace zk::cli
