#include "storage/historylog.h"

#include "core/calendar.h"
#include "core/dateformat.h"
#include "core/itemrecord.h"
#include "storage/datafileset.h"

#include <cstdio>

namespace zk {

namespace {

constexpr const char* kMonthAbbreviations[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

HistoryLogError writeLines(RandomAccessFiles& files, const std::filesystem::path& log, std::string_view lines,
                           bool replace)
{
    int error = 0;
    if (replace && files.exists(log) && files.remove(log) != 0)
        return HistoryLogError::Open;
    auto file = files.open(log, files.exists(log) ? FileAccess::ReadWrite : FileAccess::Create, error);
    if (!file)
        return HistoryLogError::Open;
    std::uint64_t end = file->size().value_or(0);
    auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(lines.data()), lines.size());
    if (file->writeAt(end, bytes) != 0)
        return HistoryLogError::Write;
    if (file->sync() != 0)
        return HistoryLogError::Close;
    return HistoryLogError::None;
}

} // namespace

std::filesystem::path historyLogPath(const std::filesystem::path& folder, int month, int year)
{
    char name[16];
    std::snprintf(name, sizeof name, "%s%02d.log", kMonthAbbreviations[(month + 11) % 12], ((year % 100) + 100) % 100);
    return folder / name;
}

std::string historyLine(const ArchivedEntry& entry, DayNumber day, std::string_view projectName,
                        const RegionalSettings& regional)
{
    std::string start;
    if (!(entry.flags & ItemFlag::fOnHold) && entry.start != 0)
        start = reportTime(TimeValue(entry.start < 0 ? -entry.start : entry.start), regional);
    char notes[8] = "";
    if (entry.flags & ItemFlag::fHasNotes)
        std::snprintf(notes, sizeof notes, "%05d", entry.refNo);
    std::string text = entry.description;
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%u\t%.2f\t%d\r\n", entry.caseNo, static_cast<double>(entry.doneExpense),
                  entry.mileage);
    char duration[16];
    std::snprintf(duration, sizeof duration, "%3d", entry.duration);
    std::string line = paddedNumericDate(day, regional);
    line += '\t';
    line += start;
    line += '\t';
    line += duration;
    line += '\t';
    line += notes;
    line += '\t';
    line += text;
    line += '\t';
    line += projectName;
    line += '\t';
    line += numbers;
    return line;
}

HistoryLogError appendHistoryLines(RandomAccessFiles& files, const std::filesystem::path& log, std::string_view lines)
{
    return writeLines(files, log, lines, false);
}

HistoryLogError rewriteHistoryLog(RandomAccessFiles& files, const std::filesystem::path& log, std::string_view lines)
{
    return writeLines(files, log, lines, true);
}

std::string historyLogErrorText(HistoryLogError error, const std::filesystem::path& log)
{
    const char* format = "";
    switch (error) {
    case HistoryLogError::None: return {};
    case HistoryLogError::Open: format = "Unable to open file '%s'."; break;
    case HistoryLogError::Write: format = "Error writing to %s file. Disk may be FULL."; break;
    case HistoryLogError::Close: format = "Error closing %s file. Disk may be FULL."; break;
    }
    return textWithPath(format, log);
}

} // namespace zk
