#pragma once
// The activity logs of a schedule folder ("Add.log", "Delete.log", ...):
// one line per item event, "<date> <clock> <item text>", appended as text.
// Every line written to a log whose name does not contain "change" (in
// any case) goes to "Change.log" as well, so that one file tells every
// change.
//
// Contract:
// - A line is written with one append to a file opened for appending, so
//   lines of several sessions never interleave inside a line, and a line
//   never holds a line break: breaks in the item text become blanks.
// - A log that cannot be opened or written is reported once per append
//   ("unable to open file %s" with its path); the caller goes on.

#include "core/daynumber.h"
#include "core/regional.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace zk {

class Messages;
struct LocalMoment;

inline constexpr const char* kAddLogName = "Add.log";
inline constexpr const char* kChangeLogName = "Change.log";

extern const char* const kUnableToOpenLogText;  // printf form, the path

// "<short date> <H:MM:SS with the time separator> <text>", no line end.
std::string activityLine(const LocalMoment& moment, const RegionalSettings& regional, std::string_view text);

// Appends the line (a line end added) to the log and, by the rule above,
// to "Change.log". False when any of them could not be written.
bool appendActivity(const std::filesystem::path& folder, std::string_view logName, std::string_view line,
                    Messages& messages);

// Appends the text to the file (created when missing) in one write; false
// when the file could not be opened or written whole.
bool appendToFile(const std::filesystem::path& file, std::string_view text);
// Writes the whole text to the descriptor (a short write is continued).
bool writeAll(int fd, std::string_view text);

// The text with every line break replaced by a blank.
std::string oneLine(std::string_view text);

} // namespace zk
