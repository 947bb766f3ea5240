#pragma once
// "STATUS.TBL" in the schedule folder: the status table's 8 records
// (core/statustable.h) in index order, 20 bytes each, nothing else.
//
// Loading:
// - always leaves a usable table: a file that cannot be opened gives the
//   defaults silently, and a short file keeps the defaults for the records
//   it does not hold (records before the short read are used);
// - then sets the text colour of status 0 from the user's normal text
//   colour (the setting ColorNormalText);
// - programs before 6.3 wrote no cell colours: with a data file from one,
//   every cell colour reads as none and the table is written back at once;
// - a label that had to be cut is written back too, and the user told once.
//
// Saving replaces the file whole, so a failed save keeps the old table on
// disk; the failure is shown ("Unable to create file: %s.").

#include "core/statustable.h"
#include "platform/filesystem.h"

namespace zk {

class Messages;

extern const char* const kStatusTableFileName;  // "STATUS.TBL"
extern const char* const kStatusLabelsTruncatedText;

// The table's place and the services its reading and writing use.
struct StatusTableFile {
    Path folder;
    FileSystem& files;
    Messages& messages;

    Path path() const { return folder / kStatusTableFileName; }
};

// `fileProgramVersion` is the version of the program that last wrote the
// data file (its header), before this session saves it.
void loadStatusTable(StatusTable& table, const StatusTableFile& file, float fileProgramVersion,
                     std::uint32_t normalTextColor);
// False when it could not be written (the user was told).
bool saveStatusTable(const StatusTable& table, const StatusTableFile& file);

} // namespace zk
