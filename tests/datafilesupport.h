#pragma once
// Helpers for the data file tests: a builder for raw files (to corrupt them
// on purpose) and for schedules with items of every kind.

#include "core/recurrence.h"
#include "core/schedule.h"
#include "engine/plistorder.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "storage/datafile.h"
#include "storage/recordlayout.h"
#include "storage/scramble.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zk::testsupport {

class FaultsThrow {
public:
    FaultsThrow() : previous_(installFaultHandler(&handler_)) {}
    ~FaultsThrow() { installFaultHandler(previous_); }
    FaultsThrow(const FaultsThrow&) = delete;
    FaultsThrow& operator=(const FaultsThrow&) = delete;

private:
    ThrowingFaultHandler handler_;
    FaultHandler* previous_;
};

// A test in which an internal fault throws.
class FaultsThrowTest : public ::testing::Test {
    FaultsThrow faults_;
};

inline constexpr DayNumber kToday{16000};  // 21 October 2023, the test clock's day

inline FixedClock& testClock()
{
    static FixedClock clock(LocalMoment{2023, 10, 21, 10, 0, 0});
    return clock;
}

// A raw data file, unit by unit, scrambled as the format says.
class FileBuilder {
public:
    explicit FileBuilder(int format = 26) : format_(format)
    {
        header = ScheduleHeader::emptySchedule();
        header.setI16(ScheduleHeader::formatAt, static_cast<std::int16_t>(format));
        header.setU8(ScheduleHeader::recordSizeAt, static_cast<std::uint8_t>(recordSizeForFormat(format < 21 ? 21 : format)));
        header.setLastPastDay(kToday - 1);
    }

    ScheduleHeader header;
    bool scrambled = true;
    bool fixParity = true;
    bool placedMinutes = true;  // files from program versions before 4.04 have none

    FileBuilder& unit(std::vector<std::uint8_t> bytes)
    {
        units_.push_back(std::move(bytes));
        return *this;
    }
    FileBuilder& u16(std::uint16_t v) { return unit({static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)}); }
    FileBuilder& u32(std::uint32_t v)
    {
        return unit({static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
                     static_cast<std::uint8_t>(v >> 24)});
    }
    // An item record in this format's layout, then its text.
    FileBuilder& item(ItemRecord r, const std::string& text)
    {
        r.setTextField(static_cast<std::uint32_t>(text.size()));
        record(r);
        if (!text.empty())
            unit(std::vector<std::uint8_t>(text.begin(), text.end()));
        return *this;
    }
    FileBuilder& record(const ItemRecord& r)
    {
        std::size_t size = header.u8(ScheduleHeader::recordSizeAt);
        std::vector<std::uint8_t> b(size);
        encodeFileRecord(r, usesPackedLayout(format_), size, b.data());
        return unit(b);
    }
    FileBuilder& templateItem() { return record(ItemRecord{}); }
    FileBuilder& rule(const RecurrenceRecord& r) { return unit({r.bytes().begin(), r.bytes().end()}); }
    FileBuilder& day(DayNumber d, int nTasks)
    {
        std::vector<std::uint8_t> b(DayRecord::kSize, 0);
        bytes::putI16(&b[0], static_cast<std::int16_t>(d.value()));
        bytes::putI16(&b[6], static_cast<std::int16_t>(nTasks));
        return unit(b);
    }
    // A day entry that places an item record (which follows).
    FileBuilder& itemEntry(int start, int minutes)
    {
        format_ >= 25 ? u32(0) : u16(0);
        u16(static_cast<std::uint16_t>(start));
        if (format_ >= 25 && placedMinutes)
            u16(static_cast<std::uint16_t>(minutes));
        return *this;
    }
    FileBuilder& definitionEntry(std::uint32_t reference, int start, int minutes)
    {
        format_ >= 25 ? u32(reference) : u16(static_cast<std::uint16_t>(reference));
        u16(static_cast<std::uint16_t>(start));
        if (format_ >= 25)
            u16(static_cast<std::uint16_t>(minutes));
        return *this;
    }
    FileBuilder& plistKey(std::uint32_t key) { return format_ >= 25 ? u32(key) : u16(static_cast<std::uint16_t>(key)); }

    std::vector<std::uint8_t> bytes() const
    {
        ScheduleHeader h = header;
        if (fixParity)
            h.setI16(ScheduleHeader::parityAt, headerParity(h.bytes().data()));
        std::vector<std::uint8_t> out(h.bytes().begin(), h.bytes().end());
        if (scrambled)
            scrambleUnit(out.data() + 4, out.size() - 4);
        for (auto u : units_) {
            if (scrambled)
                scrambleUnit(u.data(), u.size());
            out.insert(out.end(), u.begin(), u.end());
        }
        return out;
    }

private:
    int format_;
    std::vector<std::vector<std::uint8_t>> units_;
};

// Schedules with items of every kind.
class ScheduleMaker {
public:
    explicit ScheduleMaker(Schedule& s) : s_(s)
    {
        s_.setClock(&testClock());
        s_.header.setLastPastDay(kToday - 1);
    }

    ItemHandle item(const std::string& text, std::uint16_t kind = ItemKind::task, std::uint32_t flags = 0)
    {
        ItemHandle h = s_.newItem();
        s_.setDescription(h, text);
        ItemRecord& r = s_.record(h);
        r.setKind(kind);
        r.setFlags(flags);
        r.setDuration(30);
        s_.itemId(h);
        return h;
    }
    // An item placed on a day (and in the chain).
    ItemHandle onDay(const std::string& text, DayNumber day, int start, int minutes,
                     std::uint16_t kind = ItemKind::appointment, std::uint32_t flags = 0)
    {
        ItemHandle h = item(text, kind, flags & ~ItemFlag::fFloating);
        s_.record(h).setDay(static_cast<std::uint16_t>(day.value()));
        s_.record(h).setBeginTime(static_cast<std::int16_t>(start));
        s_.addToChain(h, day);
        place(h, day, start, minutes);
        if (flags & ItemFlag::fFloating)
            makeFloating(h, 'A');
        return h;
    }
    // Into the Plist, last in its class.
    void makeFloating(ItemHandle h, std::uint8_t letter)
    {
        if (s_.record(h).has(ItemFlag::fFloating))
            removeFromPlist(s_, h);
        s_.record(h).setPriorityLetter(letter);
        addToPlist(s_, h, s_.plist.classCount(letter) + 1, kToday);
    }
    void place(ItemHandle h, DayNumber day, int start, int minutes)
    {
        if (!s_.days.find(day))
            s_.days.insert(day);
        s_.days.appendEntry(day, DayEntry{h, static_cast<std::int16_t>(start), static_cast<std::uint16_t>(minutes)});
    }
    ItemHandle definition(const std::string& text, std::uint8_t type = RecurType::weekly)
    {
        ItemHandle h = item(text, ItemKind::appointment, ItemFlag::fRecurDef);
        RecurrenceRecord rule;
        rule.setTypeByte(type);
        rule.setInterval(1);
        rule.setWeekdayByte(0x3E);
        rule.setStartDay(kToday - 30);
        rule.setRecurringId(static_cast<std::uint16_t>(s_.recurrences.size() + 7));
        s_.recurrences.add(h, rule);
        s_.record(h).setRecur(h.index);
        s_.addToChain(h, DayNumber(kNoDayInChain));
        return h;
    }
    // An occurrence of the definition placed on a day.
    void occurrence(ItemHandle definition, DayNumber day, int start)
    {
        place(definition, day, start, s_.record(definition).duration());
        ++s_.days.find(day)->nRecurEntries;
    }
    ItemHandle exception(ItemHandle definition, DayNumber day, const std::string& text)
    {
        ItemHandle h = onDay(text, day, 600, 45, ItemKind::appointment, ItemFlag::fException);
        s_.record(h).setRecur(definition.index);
        s_.record(h).setCreatedDay(static_cast<std::int16_t>(day.value()));
        s_.recurrences.addEntry(definition, day, h);
        return h;
    }
    ItemHandle project(const std::string& text)
    {
        ItemHandle h = item(text, ItemKind::project);
        s_.projects.push_back(h);
        return h;
    }
    ItemHandle undated(const std::string& text)
    {
        ItemHandle h = item(text, ItemKind::memo);
        s_.globalList.push_back(h);
        return h;
    }

private:
    Schedule& s_;
};

inline std::vector<std::uint8_t> saved(Schedule& s, int format = 0)
{
    std::vector<std::uint8_t> out;
    SaveResult r = saveDataBytes(s, out, SaveOptions{format});
    if (!r)
        out.clear();
    return out;
}

// The descriptions of the priority list's items, in list order.
inline std::vector<std::string> plistTexts(const Schedule& s)
{
    std::vector<std::string> out;
    for (PlistEntryHandle e : s.plist)
        out.push_back(s.storedDescription(s.plist.entry(e).item));
    return out;
}

inline LoadOptions testLoadOptions()
{
    LoadOptions o;
    o.clock = &testClock();
    return o;
}

} // namespace zk::testsupport
