#pragma once
// The data file "timedata.pak": one schedule, read completely and written
// completely, never updated in place.
//
// Contract:
// - loadDataFile() reads into a fresh Schedule and hands it over only when
//   the whole file was read; a failed load leaves nothing behind. Repairs
//   are reported through Schedule::report as they happen (kept in
//   LoadResult::messages when no Messages is attached). The failure itself
//   is not shown: the caller decides (recovery may take over).
// - A damaged or truncated file is a failed load, never a crash, a hang or
//   an unbounded allocation: every count is checked against the bytes the
//   file still holds. What the format calls an internal fault (an
//   out-of-sequence day in a recent file, a project tree naming no item)
//   stays one.
// - saveDataFile() writes the whole schedule in the format chosen (header
//   offset 8, or the one given) to the path given; temporary files, renames
//   and backups, and the priority list check before a save, belong to the
//   caller. What it writes reads back: Plist keys are list positions, and a
//   project tree node whose item the file does not hold is left out.
//
// File order: header; template item; undated items (25+); recurring
// definitions, each with its recurrence record and exception days; projects;
// day records with their entries; Plist keys ending in a 0 key (22+); the
// project tree, depth first (25+).
//
// Header (655 bytes; bytes 0..3 plain, 4..654 one scrambled unit):
//
//  off  width  meaning                                   on load / on save
//    0  u16    magic 12960                               checked / set
//    2  i16    format version 20..26 (>9999: 24)         checked / set
//    4  f32    0; very old files: i16 writer, i16        moved to 594, 590
//              creator program versions x 100
//    8  i16    format to save in; 0 = 26                 0 below format 24
//   10  4      preserved
//   14  u16    0                                         / set
//   16  u16    header size 655 (0 in old files)          checked / set
//   18  u32    interface mode                            <=4.2: 3; 0 -> 1
//   22  79     preserved
//  101  i16    day records in the file                   read count / set
//  103  i16    recurring definitions                     / set
//  105  6      preserved
//  111  u16    the schedule's start day                  / today when 0
//  113  u16    day of the last save                      sample shift / today
//  115  22     preserved
//  137  i16    total day entries at the last save        / set
//  139  i16    nItems at the last save                   / set
//  141  i16    definitions in the definitions section    read count / set
//  143  i16    recurring exceptions in the item chain    / set
//  145  i16    larger of previous and current 137        / set
//  147  i16    the same for 139                          / set
//  149  i16    the same for 141                          / set
//  151  i16    the same for 143                          / set
//  153  u32    items archived so far                     preserved
//  157  288    other modules' settings                   preserved, except:
//  440  i16      a setting 0..999                        30 outside, or < 6.31
//  442  u8       a setting                               cleared below 3.91
//  443  i16      a setting 0..999                        30 outside, or < 6.31
//  445  9      localZone                                 preserved
//  454  u8     nShownZones                               preserved
//  455  6      other modules' settings                   preserved, except:
//  456  u8       a setting                               0 -> 12
//  461  i16    parity of bytes 0..164                    checked (26) / set
//  463  f32    timerRate                                 preserved
//  467  u16    timerPer                                  preserved
//  469  u16    countdownMinutes                          preserved
//  471  u16    countdownSeconds                          preserved
//  473  16     other modules' settings                   preserved
//  489  i16    lastPastDay                               < 4420: repaired
//  491  4      other modules' settings                   preserved
//  495  u8     item record size (0 = 27)                 read size / set
//  496  i16    number of projects                        read count / set
//  498  29     other modules' settings                   preserved, among them
//  498  u32      the project the Filter window shows
//  502  i16      today's free reserve, minutes 0..1380   (balancing; read as
//  504  i16      future free reserve, minutes 0..1380     they are, clamped
//  506  i16      day of the last full balancing run       where used)
//  508  i16      default Marval horizon, months; 510 u8: 1 = checked out
//  527  u16    nextRefNo                                 preserved
//  529  2      a setting                                 preserved
//  531  4      notes file name prefix                    preserved
//  535  45     other modules' settings                   preserved
//  580  i16    vacation start day (first keep-clear day) preserved
//  582  i16    vacation end day (last keep-clear day)    preserved
//  584  i16    nightOwl                                  preserved
//  586  i16    nItems                                    / set
//  588  2      a setting                                 preserved
//  590  f32    program version that created the file     / 21.0 when missing
//  594  f32    program version that last wrote it        / 21.0
//  598  u16    28                                        < 4.02: 28 / 28
//  600  u16    28                                        < 4.02: 28 / 28
//  602  u32    project tree entries at the last save     / set
//  606  u32    top-level project tree records            read count / set
//  610  u32    nextItemId                                preserved
//  614  i16    minimum split piece, 1..720               clamped
//  616  i16    a setting 1..120                          30 outside
//  618  i16    records in the undated items section      read count / set
//  620  i16    Global List nodes at the last save        / set
//  622  u16    last location number handed out           preserved
//  624  i16    dayStart                                  0 -> 07:00 (before
//  626  i16    dayEnd                                    0 -> 23:00  26: from
//                                                        the template item)
//  628  15     other modules' settings                   preserved, except:
//  630  u8       interest rate in percent                0 -> 12
//  632  u32      header option word                      < 6.0: 0x2000000 off
//  643  i16    business hours start                      < 6.0: 09:00
//  645  i16    business hours end                        < 6.0: 17:00
//  647  8      other modules' settings                   preserved
//
// Counts that are i16 in the header wrap like the 16-bit fields they are.

#include "core/daynumber.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace zk {

class Clock;
class Messages;
class Schedule;

enum class LoadMode {
    Normal,
    Sample,  // sample data: days moved to today, no finishing repairs
    Added,   // a file whose items are taken over: no Plist, no finishing
};

struct LoadOptions {
    LoadMode mode = LoadMode::Normal;
    const Clock* clock = nullptr;
    // Repair messages and the Plist repair's question go here; without it
    // the texts are returned in LoadResult::messages.
    Messages* messages = nullptr;
    std::function<std::string(DayNumber)> formatDate;  // default m/d/yy
    // Caption progress: " - Reading Data 42%" or " - <step>".
    std::function<void(const std::string&)> progress;
    // Whether change access can be had; a file from an older program is
    // then marked dirty so that the next save rewrites it. Unset: yes.
    std::function<bool()> changeAccess;
};

enum class LoadError {
    None,
    NotDataFile,  // wrong magic, refused version, header size
    Damaged,      // contents invalid or cut short
    ReadFailed,   // the file could not be opened or read
    OutOfMemory,
    Refused,      // the user chose the backup during the Plist repair
};

struct LoadResult {
    std::unique_ptr<Schedule> schedule;  // set exactly when error is None
    LoadError error = LoadError::None;
    std::string failureText;             // what the caller shows on failure
    std::vector<std::string> messages;   // repairs, when no Messages attached
    int format = 0;                      // the file's format version as read
    std::filesystem::file_time_type loadedFileTime{};  // for reload checks

    explicit operator bool() const { return error == LoadError::None; }
};

LoadResult loadDataFile(const std::filesystem::path& file, const LoadOptions& options = {});
// The same from bytes already read (tests, fuzzing).
LoadResult loadDataBytes(std::span<const std::uint8_t> bytes, const LoadOptions& options = {});

enum class SaveError {
    None,
    Refused,     // a split item cannot be written in the chosen format
    WriteFailed,
};

struct SaveResult {
    SaveError error = SaveError::None;
    std::string failureText;
    explicit operator bool() const { return error == SaveError::None; }
};

struct SaveOptions {
    // 21..26; 0 = the header's format to save in (offset 8), or 26.
    int format = 0;
};

// Writes the schedule to the file (created or truncated). The header's
// computed fields are updated in the schedule as they are written.
SaveResult saveDataFile(Schedule& schedule, const std::filesystem::path& file, const SaveOptions& options = {});
// The same to an open file descriptor, left open; a negative one fails with
// "null file handle".
SaveResult saveDataFile(Schedule& schedule, int fd, const SaveOptions& options = {});
// The same into memory (tests, benchmarks); `out` is replaced.
SaveResult saveDataBytes(Schedule& schedule, std::vector<std::uint8_t>& out, const SaveOptions& options = {});

// The parity of a header: the first 165 bytes as signed bytes, summed in a
// wrapping signed 16-bit integer.
std::int16_t headerParity(const std::uint8_t* header);

// Texts that callers and tests compare against.
extern const char* const kIncompleteFileText;

} // namespace zk
