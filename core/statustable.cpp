#include "core/statustable.h"

#include "core/schedule.h"
#include "core/text.h"
#include "platform/clock.h"
#include "platform/fault.h"

#include <algorithm>

namespace zk {

namespace {

constexpr std::size_t kLabelAt = 0;
constexpr std::size_t kLabelField = 12;
constexpr std::size_t kCellColorAt = 12;
constexpr std::size_t kTextColorAt = 16;

bool isStatusIndex(int index) { return index >= 0 && index < kStatusCount; }

std::size_t checkedIndex(int index)
{
    ZK_CHECK(isStatusIndex(index), "Status");
    return static_cast<std::size_t>(index);
}

std::string cutLabel(std::string_view label) { return std::string(utf8Prefix(label, kMaxStatusLabelBytes)); }

} // namespace

int statusIndexOf(const ItemRecord& item)
{
    const int stored = item.status();
    return isStatusIndex(stored) ? stored : kNormalStatus;
}

StatusTable::StatusTable()
{
    entries_ = {{
        {"normal", kNoCellColor, 0x000000},
        {"tentative", kNoCellColor, 0xC0C0C0},
        {"proposed", kNoCellColor, 0xFF0000},
        {"confirmed", kNoCellColor, 0x00FF00},
        {"", kNoCellColor, 0x400080},
        {"", kNoCellColor, 0xFFFF00},
        {"", kNoCellColor, 0x008000},
        {"special", kNoCellColor, 0x0000FF},
    }};
}

const StatusEntry& StatusTable::entry(int index) const { return entries_[checkedIndex(index)]; }

void StatusTable::setEntry(int index, StatusEntry entry)
{
    entry.label = cutLabel(entry.label);
    entries_[checkedIndex(index)] = std::move(entry);
}

void StatusTable::setLabel(int index, std::string_view label) { entries_[checkedIndex(index)].label = cutLabel(label); }
void StatusTable::setTextColor(int index, std::uint32_t colorRef) { entries_[checkedIndex(index)].textColor = colorRef; }
void StatusTable::setCellColor(int index, std::uint32_t colorRef) { entries_[checkedIndex(index)].cellColor = colorRef; }

StatusTable::Record StatusTable::encodeRecord(int index) const
{
    const StatusEntry& e = entry(index);
    Record r{};
    std::copy(e.label.begin(), e.label.end(), r.begin() + kLabelAt);  // at most 11 bytes: the NUL stays
    bytes::putU32(&r[kCellColorAt], e.cellColor);
    bytes::putU32(&r[kTextColorAt], e.textColor);
    return r;
}

StatusTable::Decoded StatusTable::decodeRecord(const Record& record)
{
    const auto* field = reinterpret_cast<const char*>(&record[kLabelAt]);
    const std::string_view stored(field, std::find(field, field + kLabelField, '\0') - field);
    const std::string label = textFromStored(stored);
    Decoded d;
    // A label of 12 bytes had no room for its NUL; one read as Windows-1252
    // may need more than 11 bytes as UTF-8. Either is cut, never silently.
    d.labelCut = label.size() > kMaxStatusLabelBytes;
    d.entry.label = cutLabel(label);
    d.entry.cellColor = bytes::u32(&record[kCellColorAt]);
    d.entry.textColor = bytes::u32(&record[kTextColorAt]);
    return d;
}

// --- the status filter -------------------------------------------------------------

std::uint16_t statusHideMask(const ScheduleHeader& header) { return header.u16(kStatusHideMaskAt); }
void setStatusHideMask(ScheduleHeader& header, std::uint16_t mask) { header.setU16(kStatusHideMaskAt, mask); }

bool isHiddenByStatus(const ItemRecord& item, std::uint16_t hideMask, bool statusFilterOn)
{
    return statusFilterOn && (hideMask & (1u << statusIndexOf(item))) != 0;
}

// --- setting an item's status ------------------------------------------------------

StatusChange setItemStatus(Schedule& schedule, ItemHandle item, int status, const Clock& clock)
{
    ZK_CHECK(isStatusIndex(status), "Status");
    ItemRecord& r = schedule.record(item);
    const int old = statusIndexOf(r);
    if (r.status() == status)
        return StatusChange::None;
    r.setStatus(static_cast<std::uint8_t>(status));
    r.setModifiedTime(static_cast<std::uint32_t>(clock.unixSeconds()));
    schedule.noteChange(schedule.dayOf(item));
    schedule.dirty = true;
    return old == kSpecialStatus || status == kSpecialStatus ? StatusChange::SpecialChanged : StatusChange::Changed;
}

} // namespace zk
