#pragma once
// Builds small schedules for the layout and placement tests: a day window,
// items of each class, entries in a given order, a moment to work at, and
// a message service that records what it was asked.

#include "core/schedule.h"
#include "datafilesupport.h"
#include "engine/placement.h"
#include "engine/placementcontext.h"
#include "engine/plistorder.h"
#include "platform/fault.h"
#include "platform/messages.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace zk::testing {

inline TimeValue hm(int hour, int minute = 0) { return TimeValue::fromClock(hour, minute); }

using testsupport::FaultsThrow;

// Monday 4 March 2024 and the days after it.
inline constexpr DayNumber kMonday{16135};

class Scenario {
public:
    Scenario()
    {
        s.header.setDayStart(hm(8));
        s.header.setDayEnd(hm(18));
        s.header.setInterfaceMode(3);
    }

    // Working on `day` at `now`; the day before kMonday by default, so no
    // day of a test is today unless it says so.
    PlacementContext at(DayNumber today = kMonday - 1, TimeValue now = hm(12)) const
    {
        PlacementContext c;
        c.today = today;
        c.now = now;
        return c;
    }

    ItemHandle item(const std::string& text, int duration, std::uint32_t flags = 0, TimeValue begin = kNoTime)
    {
        ItemHandle h = s.newItem();
        s.setDescription(h, text);
        ItemRecord& r = s.record(h);
        r.setDuration(static_cast<std::uint16_t>(duration));
        r.setFlags(flags);
        r.setBeginTime(static_cast<std::int16_t>(begin.value()));
        r.setKind((flags & ItemFlag::fAnchored) ? ItemKind::appointment : ItemKind::task);
        s.itemId(h);
        return h;
    }
    ItemHandle appointment(const std::string& text, TimeValue begin, int duration)
    {
        return item(text, duration, ItemFlag::fAnchored, begin);
    }
    ItemHandle task(const std::string& text, int duration, std::uint32_t flags = 0)
    {
        return item(text, duration, ItemFlag::fFloating | flags);
    }

    // Appends an entry for the item to the day (creating the day), as the
    // list order of a test wants it; the item's day follows.
    void put(ItemHandle h, DayNumber day, int placed = -1)
    {
        s.getDay(day);
        s.days.appendEntry(day, DayEntry{h, 0, static_cast<std::uint16_t>(placed < 0 ? s.record(h).duration() : placed)});
        s.setDay(h, day);
    }
    // Puts the items on the day in this order.
    void putAll(DayNumber day, std::initializer_list<ItemHandle> items)
    {
        for (ItemHandle h : items)
            put(h, day);
    }

    const std::vector<DayEntry>& entries(DayNumber day) const { return s.findDay(day)->entries(); }
    // "description@start/placed", with a "!" before the start of a
    // conflicting entry, for whole-day comparisons.
    std::vector<std::string> layout(DayNumber day) const
    {
        std::vector<std::string> out;
        if (!s.findDay(day))
            return out;
        for (const DayEntry& e : entries(day)) {
            char text[64];
            int t = e.startTime().value();
            if (t == 0)
                std::snprintf(text, sizeof text, "@-/%d", e.placedMinutes);
            else
                std::snprintf(text, sizeof text, "@%s%02d:%02d/%d", e.conflicting() ? "!" : "", (t - 1) / 60, (t - 1) % 60,
                              e.placedMinutes);
            out.push_back(std::string(s.storedDescription(e.item)) + text);
        }
        return out;
    }

    FaultsThrow faults;
    Schedule s;
};

// With a message service, and helpers for placing whole lists of tasks.
class PlacementScenario : public Scenario {
public:
    PlacementScenario() : messages(presenter) {}

    // Today is Monday, before the day window opens.
    PlacementContext monday() const { return at(kMonday, hm(7)); }

    void placeAll(const std::vector<ItemHandle>& items, const PlacementContext& context)
    {
        Placement placement(s, context, &messages);
        settle(placement);
        for (ItemHandle h : items)
            placement.placeFloatingItem(h);
    }
    // Lays out every day, as showing them would have.
    void settle(Placement& placement)
    {
        std::vector<DayNumber> all;
        for (const auto& [day, record] : s.days)
            all.push_back(DayNumber(day));
        for (DayNumber day : all)
            placement.layoutDay(day);
    }
    // A task at the end of class A of the priority list, on no day yet.
    ItemHandle listed(const std::string& text, int duration, std::uint32_t flags = 0)
    {
        ItemHandle h = task(text, duration, flags);
        s.record(h).setPriorityLetter('A');
        addToPlist(s, h, 30000, kMonday);
        return h;
    }
    // Fills the day window with one appointment, so nothing floats there.
    void fill(DayNumber day) { put(appointment("busy", s.dayStart(), s.dayEnd() - s.dayStart()), day); }
    std::vector<DayNumber> daysOf(ItemHandle h) const { return s.days.daysOf(h); }

    ScriptedPresenter presenter;
    Messages messages;
};

} // namespace zk::testing
