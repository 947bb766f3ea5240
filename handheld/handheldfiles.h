#pragma once
// The exchange with a handheld organiser's date book, by two text files in
// the user's own data folder: "zk2palm.txt" (the schedule for the
// handheld) and "palm2zk.txt" (the handheld's records, changes included).
// No synchronisation manager exists on Linux: the user's own tool carries
// the files over.
//
// One record per line, blank-separated:
//   id changed 0 start end text<TAB> duration note<0x01> onHold 0 0 alarm
//   advance unit repeatType frequency repeatEnd 0 week days nExceptions [dates]
// start and end count seconds from day 0 at midnight, repeatEnd and the
// exception dates count days; the text is at most 255 characters, the note
// at most 1000 (else left out); line breaks travel as byte 0x02, an empty
// text or note as "`". A deleted item's line is "id 4 0 0 0 text<TAB>".
// Pieces of split items get ids from 4444000 on (at most 999 of them).
//
// The files are written through a temporary file and a rename, and never
// through a symbolic link.

#include "exchange/importbatch.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

class Schedule;
class Session;

inline constexpr const char* kToHandheldFileName = "zk2palm.txt";
inline constexpr const char* kFromHandheldFileName = "palm2zk.txt";
inline constexpr std::uint32_t kSplitPieceIds = 4444000;
inline constexpr int kMaxSplitPieces = 999;
inline constexpr std::size_t kMaxHandheldLine = 3000;

namespace HandheldOption {
inline constexpr std::uint16_t showTaskTimes = 0x8000;    // floating tasks at their placed times
inline constexpr std::uint16_t appointmentsOnly = 0x4000;
inline constexpr std::uint16_t onlyTransfer = 0x2000;
inline constexpr std::uint16_t transfer = 0x1000;
} // namespace HandheldOption

extern const char* const kNoConduitText;
extern const char* const kHandheldFileMissingText;     // "Palm2ZK.txt file not found"
extern const char* const kHandheldFileUnreadableText;  // "Unable to open Palm2ZK.txt file"
extern const char* const kHandheldWriteFailedText;
extern const char* const kHandheldDaysRangeText;
extern const char* const kSplitPiecesText;

struct HandheldSettings {
    int futureDays = 30;  // 0..999
    int pastDays = 30;
    std::uint16_t options = 0;
    std::int64_t lastExchange = 0;  // seconds since 1970 of the last export
};

struct HandheldRecord {
    std::uint32_t id = 0;
    int changed = 0;  // 2 changed since the last exchange, 4 deleted
    std::int64_t start = 0, end = 0;
    std::string text;
    int duration = 0;
    std::string note;
    bool onHold = false;
    bool alarm = false;
    int advance = 0;
    bool advanceInHours = false;
    int repeatType = 0, frequency = 0;
    std::int64_t repeatEnd = 0;
    int week = 0, days = 0;
    std::vector<std::int64_t> exceptions;

    DayNumber day() const;
    int minuteOfDay() const;  // 0..1439
};

// The user's handheld folder: <data home>/Zelkon/handheld.
std::filesystem::path handheldFolder();

std::string handheldLine(const HandheldRecord& record);
std::string deletedItemLine(std::uint32_t id, std::string_view text);
// A line of the handheld's file; nothing when it does not read.
std::optional<HandheldRecord> parseHandheldLine(std::string_view line);
// Every line that reads; the others are counted in `skipped`.
std::vector<HandheldRecord> parseHandheldFile(std::string_view text, int& skipped);

struct HandheldExport {
    std::string text;
    std::vector<std::string> messages;
    int records = 0;
};

// The days from today - pastDays to today + futureDays, as the options ask,
// then a deleted-item line for every record of the previous handheld file
// whose item is gone or done since.
HandheldExport exportForHandheld(Schedule& schedule, DayNumber today, TimeValue now,
                                 const HandheldSettings& settings, std::string_view previousFile,
                                 const std::filesystem::path& scheduleFolder);

// The records of the handheld's file as imports: changed items replace
// their originals (by id), new ones are added; split pieces, deleted items
// and days already archived never are. `unchanged` counts the records
// that matched their items.
std::vector<ImportItem> handheldImports(const Schedule& schedule, const std::vector<HandheldRecord>& records,
                                        const std::filesystem::path& scheduleFolder, int& unchanged);

// Writes the file in the folder (made private when missing) through a
// temporary file; the message when refused or failed, else empty.
std::string writeHandheldFile(const std::filesystem::path& folder, const char* name, std::string_view text);
// Reads the handheld's file: the text, or nothing with the message.
std::optional<std::string> readHandheldFile(const std::filesystem::path& folder, std::string& message);

struct HandheldOutcome {
    bool ok = false;
    std::string message;  // what the user is told
    std::vector<ImportedItem> items;  // read back: the items changed or added
};

// Writes the schedule for the handheld into the folder, the previous
// handheld file giving the deleted-item lines.
HandheldOutcome writeForHandheld(Session& session, const HandheldSettings& settings,
                                 const std::filesystem::path& folder, DayNumber today, TimeValue now);
// Reads the handheld's file from the folder and imports its changes under
// one change access.
HandheldOutcome readFromHandheld(Session& session, const std::filesystem::path& folder,
                                 std::chrono::seconds wait = std::chrono::seconds(0));

} // namespace zk
