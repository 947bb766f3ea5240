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

// A schedule holding items of every kind, descriptions of 0, 1, 999 and
// 1000 bytes, private items, floating items, split items on several days,
// recurring definitions with exceptions and cancellations, projects in a
// tree, undated Global List items and reserved bytes that are not zero.
class RichSchedule {
public:
    RichSchedule() : make(s)
    {
        DayNumber d1 = kToday, d2 = kToday + 1, d3 = kToday + 5;
        ItemHandle a = make.onDay("", d1, 541, 60, ItemKind::appointment);
        fillReserved(a);
        make.onDay("x", d1, 661, 30, ItemKind::task);
        make.onDay(std::string(999, 'n'), d2, 700, 15, ItemKind::memo);
        make.onDay(std::string(998, 'm') + "\xC3\xA9", d2, 720, 15, ItemKind::cashFlow);
        make.onDay("|private note", d3, 800, 10, ItemKind::appointment2);
        make.onDay("birthday of Ana", d1, 0, 0, ItemKind::birthday);
        make.onDay("Holiday", d2, 0, 0, ItemKind::holiday);
        make.onDay("anniversary", d3, 0, 0, ItemKind::anniversary);
        make.onDay("trip", d1, 0, 0, ItemKind::multiDayEvent);
        make.onDay("trip 2", d2, 0, 0, ItemKind::multiDayEvent2);
        floatingA = make.onDay("floating A", d1, 900, 30, ItemKind::task, ItemFlag::fFloating);
        floatingB = make.onDay("floating B", d2, 900, 30, ItemKind::task, ItemFlag::fFloating);
        make.makeFloating(floatingB, 'B');
        split = make.onDay("split work", d1, 1000, 40, ItemKind::task, ItemFlag::fFloating | ItemFlag::fSplit);
        make.makeFloating(split, 'C');
        ItemHandle floatingA2 = make.onDay("floating A2", d3, 900, 30, ItemKind::task, ItemFlag::fFloating);
        // Entries made and dropped leave the slots out of list order.
        make.makeFloating(floatingA, 'A');
        (void)floatingA2;
        make.place(split, d2, 1000, 40);
        make.place(split, d3, 1000, 40);

        weekly = make.definition("weekly meeting");
        make.occurrence(weekly, d1, 600);
        make.occurrence(weekly, d3, 600);
        exception = make.exception(weekly, d2, "weekly meeting, moved");
        s.recurrences.addEntry(weekly, kToday + 12);  // a cancellation
        make.definition("daily stand-up", RecurType::daily);

        project = make.project("Project Alpha");
        s.record(project).setFlags(0x2);
        s.record(a).setProjectId(s.record(project).id());
        auto node = s.projectTree.addTopLevel(ProjectTree::kProjectNode, project);
        s.projectTree.addChild(node, 0, a);
        make.project("Project Beta");

        make.undated("undated memo");
        make.undated("");
        s.header.setU8(30, 0x5A);    // reserved header bytes
        s.header.setU8(600 - 2, 28);
        s.header.setU8(650, 0xA5);
        s.templateItem.setLatestEnd(1300);
        s.templateItem.bytes()[120] = 0x77;
    }

    void fillReserved(ItemHandle h)
    {
        auto& b = s.record(h).bytes();
        for (std::size_t off : {36, 37, 38, 39, 44, 45, 62, 63, 64, 65, 86, 87, 88, 89, 104, 105})
            b[off] = static_cast<std::uint8_t>(0x10 + off);
        for (std::size_t off = 116; off < 130; ++off)
            b[off] = static_cast<std::uint8_t>(0xF0 - off);
    }

    Schedule s;
    ScheduleMaker make;
    ItemHandle floatingA, floatingB, split, weekly, exception, project;
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
        out.emplace_back(s.storedDescription(s.plist.entry(e).item));
    return out;
}

inline LoadOptions testLoadOptions()
{
    LoadOptions o;
    o.clock = &testClock();
    return o;
}

} // namespace zk::testsupport
