#pragma once
// The interface mode kept in the schedule header (offset 18): 1 LITE, 3 PRO,
// 4 EZ. It decides which menus and keys the desktop offers, and a few rules
// of placement and display. As with the desktop's two mode flags, a value
// that is neither 1 nor 3 (EZ, or anything unknown) is neither LITE nor PRO.

#include "core/scheduleheader.h"

namespace zk {

namespace InterfaceMode {
inline constexpr std::uint32_t lite = 1;
inline constexpr std::uint32_t pro = 3;
inline constexpr std::uint32_t ez = 4;
} // namespace InterfaceMode

inline bool isLiteMode(const ScheduleHeader& header) { return header.interfaceMode() == InterfaceMode::lite; }
inline bool isProMode(const ScheduleHeader& header) { return header.interfaceMode() == InterfaceMode::pro; }

} // namespace zk
