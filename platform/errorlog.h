#pragma once
// The error log, "error.log" in the schedule folder: one line per entry,
// "<clock> <date> <first 150 characters>". Messages writes every error box
// to it; what needs no box (a desktop service that is missing) is written
// to it alone.

#include <filesystem>
#include <string_view>

namespace zk {

void appendErrorLogLine(const std::filesystem::path& folder, std::string_view clock, std::string_view date,
                        std::string_view text);

} // namespace zk
