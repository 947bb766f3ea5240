#pragma once
// A schedule with a fixed clock and a scripted message service for the
// priority list tests, and the invariant check every test runs after each
// operation.

#include "core/schedule.h"
#include "datafilesupport.h"
#include "engine/plistorder.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/messages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zk::testing {

using PlistFaultsThrow = testsupport::FaultsThrow;

class PlistTest : public ::testing::Test {
protected:
    // 2024-03-15 10:00
    static constexpr LocalMoment kNow{2024, 3, 15, 10, 0, 0};

    PlistTest() : clock(kNow), messages(presenter)
    {
        s.setClock(&clock);
        s.setMessages(&messages);
        s.header.setLastPastDay(today() - 1);
    }

    DayNumber today() const { return clock.today(); }

    // An item in the chain on a day (today unless given), not yet floating.
    ItemHandle item(const std::string& text, std::uint8_t letter = 'A', int dayOffset = 0)
    {
        ItemHandle h = s.newItem();
        s.setDescription(h, text);
        ItemRecord& r = s.record(h);
        r.setKind(ItemKind::task);
        r.setDuration(60);
        r.setPriorityLetter(letter);
        r.setDay(static_cast<std::uint16_t>((today() + dayOffset).value()));
        EXPECT_TRUE(s.addToChain(h, today() + dayOffset));
        return h;
    }

    // An item made floating at the end of its class.
    ItemHandle floating(const std::string& text, std::uint8_t letter = 'A', int seq = 1000000)
    {
        ItemHandle h = item(text, letter);
        EXPECT_TRUE(addToPlist(s, h, seq, today()));
        return h;
    }

    // "A1:a A2:b B1:c": letter, seq and description of every entry in order.
    std::string order() const
    {
        std::string out;
        for (PlistEntryHandle e : s.plist) {
            const PlistEntry& en = s.plist.entry(e);
            if (!out.empty())
                out += ' ';
            out += static_cast<char>(en.letter);
            out += std::to_string(en.seq);
            out += ':';
            out += s.storedDescription(en.item);
        }
        return out;
    }

    // Invariants 1 to 3 against the item chain.
    ::testing::AssertionResult invariantsHold() const
    {
        if (!s.plist.isOrdered())
            return ::testing::AssertionFailure() << "class order or numbering broken: " << order();
        std::size_t floatingItems = 0;
        for (ItemHandle h : s.chain) {
            const ItemRecord& r = s.record(h);
            bool listed = static_cast<bool>(findPlistEntry(s, h));
            if (r.has(ItemFlag::fFloating) != listed)
                return ::testing::AssertionFailure() << s.storedDescription(h) << ": fFloating " << r.has(ItemFlag::fFloating)
                                                     << " but listed " << listed;
            if (listed) {
                ++floatingItems;
                if (s.plist.entry(findPlistEntry(s, h)).letter != r.priorityLetter())
                    return ::testing::AssertionFailure() << s.storedDescription(h) << ": entry letter differs";
            }
        }
        for (PlistEntryHandle e : s.plist)
            if (!itemOfPlistEntry(s, e))
                return ::testing::AssertionFailure() << "entry " << e.index << " has no floating item";
        if (floatingItems != s.plist.size())
            return ::testing::AssertionFailure() << floatingItems << " floating items, " << s.plist.size() << " entries";
        return ::testing::AssertionSuccess();
    }

    // The list reads `expected` (as order() writes it) and keeps its invariants.
    ::testing::AssertionResult listIs(const std::string& expected) const
    {
        if (order() != expected)
            return ::testing::AssertionFailure() << "list is " << order();
        return invariantsHold();
    }

    std::vector<std::string> texts() const { return presenter.texts(); }

    PlistFaultsThrow faults;
    FixedClock clock;
    ScriptedPresenter presenter;
    Messages messages;
    Schedule s;
};

} // namespace zk::testing
