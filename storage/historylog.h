#pragma once
// The monthly history logs: one tab-separated text file per month in the
// schedule folder, one line for every item archived on a day of the month.
// A line:
//   date \t start \t duration(%3d) \t notes number \t description \t
//   project \t caseNo \t doneExpense(%.2f) \t mileage \r\n
// The date is "%02d%c%02d%c%02d" in the regional order, the start the
// report form of the time (empty for an item on hold), the notes number
// "%05d" when the item has notes, and line breaks in the description become
// blanks so that one item stays one line.
//
// File names use fixed English month abbreviations ("Mar24.log"): with the
// locale's names a change of language would start a second file for a
// month and leave the first one behind.

#include "core/daynumber.h"
#include "core/regional.h"
#include "platform/randomaccessfile.h"
#include "storage/archivefile.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace zk {

std::filesystem::path historyLogPath(const std::filesystem::path& folder, int month, int year);
std::string historyLine(const ArchivedEntry& entry, DayNumber day, std::string_view projectName,
                        const RegionalSettings& regional);

enum class HistoryLogError { None, Open, Write, Close };

// Appends lines to a month's log, creating it when missing.
HistoryLogError appendHistoryLines(RandomAccessFiles& files, const std::filesystem::path& log, std::string_view lines);
// Replaces a month's log with the lines given.
HistoryLogError rewriteHistoryLog(RandomAccessFiles& files, const std::filesystem::path& log, std::string_view lines);

// The message for a failure, naming the file.
std::string historyLogErrorText(HistoryLogError error, const std::filesystem::path& log);

} // namespace zk
