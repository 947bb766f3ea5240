#include "storage/statustablefile.h"

#include "platform/messages.h"
#include "storage/datafileset.h"
#include "storage/savesequence.h"

#include <cmath>
#include <fstream>
#include <string>

namespace zk {

const char* const kStatusTableFileName = "STATUS.TBL";
const char* const kStatusLabelsTruncatedText =
    "Due to changes in the status table format to support background colors in the Month view, one or more of "
    "your status labels had to be truncated. Right-click on an item to see how the labels were affected.";

namespace {

// The first program whose table held cell colours.
constexpr float kCellColorsVersion = 6.3f;

bool predatesCellColors(float fileProgramVersion)
{
    // A version that is not a number compares as the oldest program.
    return std::isnan(fileProgramVersion) || fileProgramVersion < kCellColorsVersion;
}

struct ReadOutcome {
    bool labelCut = false;
};

// Overlays the records the file holds onto the table; nothing when it cannot
// be opened.
ReadOutcome readRecords(StatusTable& table, const Path& path, bool dropCellColors)
{
    ReadOutcome outcome;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return outcome;
    StatusTable::Record record{};
    for (int index = 0; index < kStatusCount; ++index) {
        if (!in.read(reinterpret_cast<char*>(record.data()), record.size()))
            break;  // a short read ends the table; the rest keep their defaults
        StatusTable::Decoded d = StatusTable::decodeRecord(record);
        if (dropCellColors)
            d.entry.cellColor = kNoCellColor;
        outcome.labelCut = outcome.labelCut || d.labelCut;
        table.setEntry(index, std::move(d.entry));
    }
    return outcome;
}

} // namespace

void loadStatusTable(StatusTable& table, const StatusTableFile& file, float fileProgramVersion,
                     std::uint32_t normalTextColor)
{
    const bool oldFormat = predatesCellColors(fileProgramVersion);
    table = StatusTable();
    const ReadOutcome read = readRecords(table, file.path(), oldFormat);
    table.setTextColor(kNormalStatus, normalTextColor);
    if (oldFormat || read.labelCut)
        saveStatusTable(table, file);
    if (read.labelCut)
        file.messages.information(kStatusLabelsTruncatedText);
}

bool saveStatusTable(const StatusTable& table, const StatusTableFile& file)
{
    std::string bytes;
    bytes.reserve(kStatusCount * StatusTable::kRecordSize);
    for (int index = 0; index < kStatusCount; ++index) {
        const StatusTable::Record r = table.encodeRecord(index);
        bytes.append(reinterpret_cast<const char*>(r.data()), r.size());
    }
    if (replaceFileContents(file.files, file.path(), bytes) == 0)
        return true;
    file.messages.error(textWithPath(kUnableToCreateFileText, file.path()));
    return false;
}

} // namespace zk
