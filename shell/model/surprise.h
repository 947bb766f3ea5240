#pragma once
// Surprise items: ready-made interruption items, one per line of
// "Surprise.lst" in the schedule folder, dropped into today's schedule with
// one command and recorded as done up to now at once.
//
// Contract:
// - At most 50 lines are used, each trimmed and cut to 79 bytes (on a
//   character boundary); blank lines are skipped. A missing file is an
//   empty list.
// - A surprise item goes on today only: a later day shown is refused with
//   kSurpriseFutureDayText. It takes the project of the most recent done
//   item of the last 91 days whose text equals its own (letter case aside),
//   else of one whose text contains it.
// - The caller owns the schedule while it calls (the background-work lock).

#include "shell/model/daywork.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zk {

class Session;

inline constexpr const char* kSurpriseListName = "Surprise.lst";
inline constexpr std::size_t kMaxSurpriseItems = 50;
inline constexpr std::size_t kMaxSurpriseLineBytes = 79;
inline constexpr int kSurpriseLookBackDays = 91;
extern const char* const kSurpriseFutureDayText;

std::vector<std::string> readSurpriseList(const std::filesystem::path& folder);

// The project id of the item a surprise text takes after, or 0.
std::uint32_t surpriseProject(const Schedule& schedule, const std::string& text, DayNumber today);

// Inserts the surprise item and marks it done, fitted to the gap up to now.
EntryWorkResult insertSurpriseItem(Session& session, const std::string& text, DayNumber viewedDay);

} // namespace zk
