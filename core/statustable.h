#pragma once
// The table of the eight item statuses of a schedule. An item's `status`
// byte indexes it: 0 is the normal status, 7 the special one, which the
// views show apart. Each status has a label and two colours: the colour its
// items' text is drawn in, and a cell colour the month view fills with.
//
// One status record as "STATUS.TBL" stores it (the file itself is
// storage/statustablefile.h's), 20 bytes, little-endian:
//
//  off  width  field
//    0  12     label, NUL-terminated: at most 11 bytes of UTF-8
//   12  u32    cell colour, COLORREF 0x00BBGGRR; 0xFFFFFFFF = none
//   16  u32    text colour, COLORREF
//
// A stored status outside 0..7 (a damaged record) counts as normal wherever
// a status is looked up, so no lookup can run off the table.

#include "core/item.h"
#include "core/scheduleheader.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zk {

class Clock;
class Schedule;

inline constexpr int kStatusCount = 8;
inline constexpr int kNormalStatus = 0;
inline constexpr int kSpecialStatus = 7;
inline constexpr std::uint32_t kNoCellColor = 0xFFFFFFFF;
inline constexpr std::size_t kMaxStatusLabelBytes = 11;

// The status an item is shown with: its stored index, or normal when the
// stored byte is out of range.
int statusIndexOf(const ItemRecord& item);

struct StatusEntry {
    std::string label;
    std::uint32_t cellColor = kNoCellColor;
    std::uint32_t textColor = 0;
    friend bool operator==(const StatusEntry&, const StatusEntry&) = default;
};

class StatusTable {
public:
    static constexpr std::size_t kRecordSize = 20;
    using Record = std::array<std::uint8_t, kRecordSize>;

    // The defaults: normal, tentative, proposed, confirmed, three unnamed,
    // special; no cell colours.
    StatusTable();

    const StatusEntry& entry(int index) const;
    const std::string& label(int index) const { return entry(index).label; }
    std::uint32_t textColor(int index) const { return entry(index).textColor; }
    std::uint32_t cellColor(int index) const { return entry(index).cellColor; }
    bool hasCellColor(int index) const { return cellColor(index) != kNoCellColor; }

    // Labels are cut to 11 bytes on a character boundary.
    void setEntry(int index, StatusEntry entry);
    void setLabel(int index, std::string_view label);
    void setTextColor(int index, std::uint32_t colorRef);
    void setCellColor(int index, std::uint32_t colorRef);

    // One record in its stored form, and back. A stored label that fills
    // all 12 bytes (or is longer than 11 bytes once read as UTF-8) is cut,
    // and decodeRecord says so.
    Record encodeRecord(int index) const;
    struct Decoded {
        StatusEntry entry;
        bool labelCut = false;
    };
    static Decoded decodeRecord(const Record& record);

    friend bool operator==(const StatusTable& a, const StatusTable& b) { return a.entries_ == b.entries_; }

private:
    std::array<StatusEntry, kStatusCount> entries_;
};

// --- the status filter -------------------------------------------------------------
//
// The hide mask lives in the data file header at offset 574 (u16): bit i set
// hides items of status i while the status filter (setting StatusFilter) is on.

inline constexpr std::size_t kStatusHideMaskAt = 574;

std::uint16_t statusHideMask(const ScheduleHeader& header);
void setStatusHideMask(ScheduleHeader& header, std::uint16_t mask);
bool isHiddenByStatus(const ItemRecord& item, std::uint16_t hideMask, bool statusFilterOn);

// --- setting an item's status ------------------------------------------------------

enum class StatusChange {
    None,            // refused, or the item already had it
    Changed,         // repaint
    SpecialChanged,  // the special status came or went: lay the pane out again
};

// Stores the status (0..7) in the item and marks the item (its edit time)
// and the schedule changed. The caller holds change access.
StatusChange setItemStatus(Schedule& schedule, ItemHandle item, int status, const Clock& clock);

} // namespace zk
