#pragma once
// Item records as the data file stores them. Formats 25 and 26 store the
// first 74 or all 130 bytes of the in-memory layout (core/itemrecord.h);
// formats 21..24 store the first 27, 31, 33 or 53 bytes of a packed layout:
//
//  off  width  record field (record offset)
//    0  u16    description length (0)
//    2  u16    beginTime (4)
//    4  u16    duration (6)
//    6  u16    earliestBegin (8)
//    8  u16    latestEnd (10)
//   10  u16    postponeDate (12)
//   12  u16    deadlineDate (14)
//   14  u16    day (16)
//   16  u8     weekdayMask (18)
//   17  u8     status (19)
//   18  u16    low half of recur (20)
//   20  u8     low byte of alarmMinutes (46)
//   21  u16    low half of flags (40)
//   23  u16    createdDay (50)
//   25  u32    plistLink (24)
//   29  u16    low half of refNo (28)
//   31  u16    alarmRepeat (48)
//   33  u16    low half of projectId (32)
//   35  u32    reserved (36), 24 bits used
//   39  14     0
//
// In every layout the first field holds the description's length instead of
// a handle. Fields a shorter record does not reach read as 0.

#include "core/itemrecord.h"

#include <cstddef>
#include <cstdint>

namespace zk {

inline constexpr int kOldestReadFormat = 21;
inline constexpr std::size_t kPackedRecordSize = 53;

// 21 -> 27, 22 -> 31, 23 -> 33, 24 -> 53, 25 -> 74, 26 -> 130.
std::size_t recordSizeForFormat(int format);
inline bool usesPackedLayout(int format) { return format < 25; }

// The record in the 130-byte layout; its textField holds the description
// length read from the file.
ItemRecord decodeFileRecord(const std::uint8_t* stored, std::size_t size, bool packed);
// Writes `size` bytes of the record's file form; textField must already hold
// the description length.
void encodeFileRecord(const ItemRecord& record, bool packed, std::size_t size, std::uint8_t* out);

} // namespace zk
