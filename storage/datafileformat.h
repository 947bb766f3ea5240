#pragma once
// What the data file's reader and writer share beyond the public contract:
// header offsets that only they touch, unit sizes and the format rules that
// depend on the version. The table of every header field is in datafile.h.

#include "core/scheduleheader.h"

#include <cstddef>
#include <cstdint>

namespace zk::datafile {

inline constexpr std::size_t kPlainHeaderBytes = 4;
inline constexpr std::size_t kScrambledHeaderBytes = ScheduleHeader::kSize - kPlainHeaderBytes;  // 651
inline constexpr std::size_t kParityBytes = 165;
inline constexpr std::size_t kTreeRecordSize = 28;
inline constexpr std::size_t kExceptionEntrySize = 2;

// Header offsets beyond ScheduleHeader's named ones.
inline constexpr std::size_t kHeaderSettingA = 440;     // i16, 0..999
inline constexpr std::size_t kHeaderOldByte = 442;      // u8, cleared below 3.91
inline constexpr std::size_t kHeaderSettingB = 443;     // i16, 0..999
inline constexpr std::size_t kHeaderSetting456 = 456;   // u8, 0 -> 12
inline constexpr std::size_t kHeaderReserved14 = 14;    // u16, 0
inline constexpr std::size_t kHeaderSize28A = 598;
inline constexpr std::size_t kHeaderSize28B = 600;

// Bit of the header option word (632): share the file with older programs,
// so it is neither rewritten on loading nor has its business hours reset.
inline constexpr std::uint32_t kShareWithOldPrograms = 0x2000000;

inline constexpr int kCurrentFormat = ScheduleHeader::kCurrentFormat;
inline constexpr float kWriterProgramVersion = 21.0f;

// Format rules by version.
inline bool hasUndatedAndTree(int format) { return format >= 25; }
inline bool hasProjects(int format) { return format >= 24; }
inline bool hasPlist(int format) { return format >= 22; }
inline bool hasWideReferences(int format) { return format >= 25; }  // u32 ids, else u16 tags
inline bool allowsSplitItems(int format) { return format >= 25; }
inline bool keepsDayWindowInHeader(int format) { return format >= 26; }

// What loading changes in a header: settleLoadedHeader() as it is read (it
// returns the version of the program that wrote the file),
// settleHeaderSettings() once the file is in. A file whose header neither
// changes is read as it was written.
float settleLoadedHeader(ScheduleHeader& h, int format);
void settleHeaderSettings(ScheduleHeader& h, float fileVersion);
void applyDayWindowDefaults(ScheduleHeader& h);

} // namespace zk::datafile
