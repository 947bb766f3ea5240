#pragma once
// Reading the text files a user imports: pipeline lines ("import.txt",
// one "[date] [time] [duration] text" per line) and the tab-delimited file a
// mail and calendar program exports ("Outlook.txt": a heading line, then
// subject, start date and start time separated by tabs).
//
// A file is UTF-8 (a byte order mark is dropped) or, when it is not valid
// UTF-8, Windows-1252. It is read whole, up to kMaxImportFileBytes; a line
// is never cut into two items, however long: one too long for an item is
// skipped and counted. A line that does not read is skipped and counted.
// The readers only prepare items; exchange/importbatch.h adds them.

#include "core/dateparse.h"
#include "exchange/importbatch.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

inline constexpr const char* kImportFileName = "import.txt";
inline constexpr const char* kTabImportFileName = "Outlook.txt";
inline constexpr const char* kTabImportTitle = "Import Outlook tab-delimited file (TXT)";
inline constexpr std::uintmax_t kMaxImportFileBytes = 64u << 20;
// More items than a schedule is built for are refused whole.
inline constexpr std::size_t kMaxImportItems = 100000;

extern const char* const kImportNotFoundText;  // printf form, the file
extern const char* const kImportTooLargeText;  // printf form, the file

struct ImportFile {
    std::string text;     // UTF-8
    std::string problem;  // why it could not be read; empty when read
};

ImportFile readImportFile(const std::filesystem::path& file);
// The bytes as UTF-8: a byte order mark dropped, Windows-1252 converted.
std::string importText(std::string_view bytes);

struct PreparedImport {
    std::vector<ImportItem> items;
    int skipped = 0;
    std::string problem;  // the whole file refused
};

// Lines without a date go on `shownDay`.
PreparedImport readPipelineImport(std::string_view text, const ItemRecord& templateItem, DayNumber shownDay,
                                  const EntryContext& context);
PreparedImport readTabImport(std::string_view text, const ItemRecord& templateItem, const EntryContext& context);

// The subject field: a leading double quote removed and every other one
// made a blank, then trimmed.
std::string tabSubject(std::string_view field);
// The start time field: "2:00:00 PM", "9:15:00 AM", "09:15:00", "14:30";
// a time value, or kInvalidEntry. The hour reads as it stands unless the
// field says AM or PM.
int tabTime(std::string_view field);

} // namespace zk
