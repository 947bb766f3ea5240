// Adding to a schedule opened partly (only the days the add changes read,
// the stored bytes written back around them) writes byte for byte what the
// whole load, the same add and the whole save write, for files and items
// of many kinds; anything the partial way does not handle takes the whole
// way.

#include "sessionsupport.h"

#include "core/bytes.h"
#include "engine/plistorder.h"
#include "storage/scramble.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

namespace zk {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

const FixedClock kClock{LocalMoment{2023, 10, 21, 10, 0, 5}};

struct Shape {
    int items = 300;
    int perDay = 7;
    bool undated = false;
    bool emptyDay = false;        // a day record without entries (dropped when a day is made)
    bool idBehind = false;        // the next item id below an id in use: repaired on loading
    bool invalidText = false;     // a text in another encoding: converted on loading
    bool recurring = false;       // a recurring definition: always the whole way
    bool templateText = false;    // a text length in the template: cleared on loading
    bool pastItemDay = false;     // an item filed on a day to come whose own day is past: not read
};

// Appointments, floating to-dos in the priority list and memos, from today
// (which has some) over the following days.
std::vector<std::uint8_t> storedSchedule(const Shape& shape)
{
    Schedule s;
    s.setClock(&kClock);
    const DayNumber today = kClock.today();
    s.header.setLastPastDay(today - 1);
    std::mt19937 rng(7);
    for (int i = 0; i < shape.items; ++i) {
        const DayNumber day = today + i / shape.perDay;
        const int slot = i % shape.perDay, kind = static_cast<int>(rng() % 10);
        ItemHandle h = s.newItem();
        std::string text = "Item " + std::to_string(rng() % 1000) + (kind < 5 ? " call" : " plan");
        if (shape.invalidText && i == shape.items / 2)
            text += "\xE9t\xE9";
        s.setDescription(h, text);
        ItemRecord& r = s.record(h);
        r.setDay(static_cast<std::uint16_t>((shape.pastItemDay && i == shape.items / 2 ? today - 30 : day).value()));
        r.setDuration(static_cast<std::uint16_t>(15 + 15 * (rng() % 4)));
        int start = 0;
        if (kind < 6) {
            r.setKind(ItemKind::appointment);
            r.setFlags(ItemFlag::fAnchored);
            start = TimeValue::fromClock(9, 0).value() + slot * 60;
            r.setBeginTime(static_cast<std::int16_t>(start));
        } else if (kind < 9) {
            r.setKind(ItemKind::task);
            r.setPriorityLetter(static_cast<std::uint8_t>('A' + rng() % 3));
            r.setDeadlineDate(static_cast<std::uint16_t>((day + static_cast<int>(rng() % 20)).value()));
            start = TimeValue::fromClock(17, 0).value() + slot * 5;
        } else {
            r.setKind(ItemKind::memo);
        }
        s.itemId(h);
        s.addToChain(h, day);
        if (!s.days.find(day))
            s.days.insert(day);
        s.days.appendEntry(day, DayEntry{h, static_cast<std::int16_t>(start), r.duration()});
        if (kind >= 6 && kind < 9)
            addToPlist(s, h, s.plist.classCount(r.priorityLetter()) + 1, today);
    }
    if (shape.undated)
        for (const char* text : {"Someday: paint the shed", "Someday: learn the cello"}) {
            ItemHandle h = s.newItem();
            s.setDescription(h, text);
            s.itemId(h);
            s.globalList.push_back(h);
        }
    if (shape.emptyDay)
        s.days.insert(today + shape.items / shape.perDay + 3);
    if (shape.recurring) {
        ItemHandle h = s.newItem();
        s.setDescription(h, "Standup");
        s.record(h).setFlag(ItemFlag::fRecurDef, true);
        s.itemId(h);
        RecurrenceRecord rule;
        s.recurrences.add(h, rule);
        s.addToChain(h, DayNumber(kNoDayInChain));
    }
    if (shape.idBehind)
        s.header.setNextItemId(3);
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(saveDataBytes(s, bytes));
    if (shape.templateText) {  // outside the header parity
        std::uint8_t* stored = bytes.data() + ScheduleHeader::kSize;
        scrambleUnit(stored, 4);
        bytes::putU32(stored, 12);
        scrambleUnit(stored, 4);
    }
    if (shape.idBehind) {  // the writer keeps the counter as it is; the parity does not cover it
        EXPECT_EQ(s.header.nextItemId(), 3u);
    }
    return bytes;
}

void writeBytes(const fs::path& file, const std::vector<std::uint8_t>& bytes)
{
    writeText(file, std::string(bytes.begin(), bytes.end()));
}

struct Outcome {
    std::string data;          // timedata.pak after the save
    std::vector<std::string> added;  // Add.log
    std::vector<std::string> shown;
    std::string journal;       // timedata.uns after the save
    bool partial = false;
};

// Opens the folder (partly when asked), adds the items and saves.
Outcome addAndSave(const fs::path& folder, const std::vector<NewItem>& items, bool partly)
{
    TestSession t(folder, kClock);
    Session& session = *t.session;
    if (partly)
        session.openPartly([&items](const Schedule& s, const EntryContext&) { return daysChangedBy(s, items); });
    Outcome out;
    EXPECT_TRUE(session.open());
    out.partial = session.partial();
    EXPECT_TRUE(session.obtainChangeAccess(std::chrono::seconds(0)));
    for (const NewItem& item : items)
        EXPECT_EQ(session.addItem(item).status, AddStatus::Added);
    EXPECT_TRUE(session.save().ok());
    out.data = readText(folder / "timedata.pak");
    out.added = linesOf(folder / "Add.log");
    out.shown = t.texts();
    out.journal = readText(folder / "timedata.uns");
    return out;
}

class PartialAddTest : public ::testing::Test {
protected:
    // The same file in two folders, the items added to each, one of them
    // opened partly: what each writes.
    // `journal`: what a session that ended without saving left.
    std::pair<Outcome, Outcome> bothWays(const std::vector<std::uint8_t>& stored, const std::vector<NewItem>& items,
                                         const std::string& journal = {})
    {
        for (const char* name : {"whole", "partly"}) {
            fs::create_directories(root.path() / name);
            writeBytes(root.path() / name / "timedata.pak", stored);
            fs::remove(root.path() / name / "timedata.uns");
            if (!journal.empty())
                writeText(root.path() / name / "timedata.uns", journal);
        }
        Outcome whole = addAndSave(root.path() / "whole", items, false);
        Outcome partly = addAndSave(root.path() / "partly", items, true);
        EXPECT_FALSE(whole.partial);
        return {std::move(whole), std::move(partly)};
    }

    TempFolder root;
    ThrowingFaultHandler faults;
    FaultHandler* previousHandler = installFaultHandler(&faults);
    ~PartialAddTest() override { installFaultHandler(previousHandler); }
};

NewItem floating(DayNumber day, const std::string& text)
{
    NewItem item = itemOn(day, text);
    item.record.setFlag(ItemFlag::fFloating, true);
    item.record.setPriorityLetter('B');
    return item;
}

TEST_F(PartialAddTest, FixedItemsOnKnownNewAndTodaysDaysAreWrittenAsTheWholeSaveWritesThem)
{
    const DayNumber today = kClock.today();
    const std::vector<std::vector<NewItem>> adds = {
        {itemOn(today + 3, "Dentist", TimeValue::fromClock(10, 0).value())},
        {itemOn(today + 3, "Dentist", TimeValue::fromClock(10, 0).value()), itemOn(today + 9, "Call Ann"),
         itemOn(today, "Water the plants", 0, 45)},
        {itemOn(today + 200, "Far ahead", TimeValue::fromClock(8, 30).value())},
        {itemOn(today, "Right now", TimeValue::fromClock(10, 0).value(), 90)},
    };
    for (const Shape& shape : {Shape{}, Shape{.items = 40, .perDay = 3, .undated = true}, Shape{.items = 1}}) {
        const std::vector<std::uint8_t> stored = storedSchedule(shape);
        for (const std::vector<NewItem>& items : adds) {
            auto [whole, partly] = bothWays(stored, items);
            EXPECT_TRUE(partly.partial);
            EXPECT_TRUE(whole.data == partly.data) << shape.items << " items, adding " << items.front().text;
            EXPECT_EQ(whole.added.size(), partly.added.size());
            EXPECT_EQ(whole.shown, partly.shown);
        }
    }
}

TEST_F(PartialAddTest, WhatThePartialWayDoesNotHandleTakesTheWholeWayWithTheSameResult)
{
    const DayNumber today = kClock.today();
    NewItem undated;
    undated.record.setKind(ItemKind::task);
    undated.text = "Someday";
    struct Case {
        Shape shape;
        std::vector<NewItem> items;
    };
    const std::vector<Case> cases = {
        {Shape{}, {floating(today + 1, "Write report")}},
        {Shape{}, {undated}},
        {Shape{.emptyDay = true}, {itemOn(today + 300, "A day to be made")}},
        {Shape{.idBehind = true}, {itemOn(today + 1, "Ids repaired first")}},
        {Shape{.invalidText = true}, {itemOn(today + 1, "Texts converted first")}},
        {Shape{.recurring = true}, {itemOn(today + 1, "Beside a definition")}},
        {Shape{.templateText = true}, {itemOn(today + 1, "Template cleared first")}},
        {Shape{.pastItemDay = true}, {itemOn(today + 1, "Item count repaired first")}},
    };
    for (const Case& c : cases) {
        auto [whole, partly] = bothWays(storedSchedule(c.shape), c.items);
        EXPECT_FALSE(partly.partial) << c.items.front().text;
        EXPECT_TRUE(whole.data == partly.data) << c.items.front().text;
        EXPECT_EQ(whole.shown, partly.shown);
    }
    // The journal of a session that ended without saving is settled
    // against the whole schedule: a line of an item the data file holds on
    // a day the add does not touch goes, one of an item it lacks stays.
    const std::vector<std::uint8_t> stored = storedSchedule(Shape{});
    LoadResult loaded = loadDataBytes(stored);
    ASSERT_TRUE(loaded);
    const Schedule& s = *loaded.schedule;
    ItemHandle held = s.days.find(today + 20)->entries().front().item;
    const std::string journal = "10/20/23 9:00a " + std::string(s.storedDescription(held)) + "\t"
        + std::to_string(s.record(held).id()) + "\n10/20/23 9:01a Lost item\t99999\n";
    auto [wholeJournal, partlyJournal] = bothWays(stored, {itemOn(today + 1, "After a crash")}, journal);
    EXPECT_FALSE(partlyJournal.partial);
    EXPECT_TRUE(wholeJournal.data == partlyJournal.data);
    EXPECT_EQ(wholeJournal.journal, "10/20/23 9:01a Lost item\t99999\n");
    EXPECT_EQ(wholeJournal.journal, partlyJournal.journal);
    // A day record without entries is kept while no day is made.
    auto [whole, partly] = bothWays(storedSchedule(Shape{.emptyDay = true}), {itemOn(today + 1, "On a day held")});
    EXPECT_TRUE(partly.partial);
    EXPECT_TRUE(whole.data == partly.data);
}

// The stored bytes of a partly opened file are the file's own pages: a file
// another program wrote over in place after it was read must not be
// written back around the days read before it changed.
TEST_F(PartialAddTest, AFileWrittenOverInPlaceAfterItWasReadIsNotWrittenBackAroundOldDays)
{
    const fs::path folder = root.path() / "inplace";
    fs::create_directories(folder);
    const fs::path data = folder / "timedata.pak";
    std::vector<std::uint8_t> stored = storedSchedule(Shape{});
    writeBytes(data, stored);
    const auto written = fs::last_write_time(data);
    const std::vector<NewItem> items{itemOn(kClock.today() + 3, "Dentist")};
    TestSession t(folder, kClock);
    t.session->openPartly([&items](const Schedule& s, const EntryContext&) { return daysChangedBy(s, items); });
    ASSERT_TRUE(t.session->open());
    ASSERT_TRUE(t.session->partial());
    ASSERT_TRUE(t.session->obtainChangeAccess(std::chrono::seconds(0)));
    ASSERT_EQ(t.session->addItem(items.front()).status, AddStatus::Added);

    stored[stored.size() / 2] ^= 0x20;
    {
        std::fstream out(data, std::ios::in | std::ios::out | std::ios::binary);
        out.seekp(static_cast<std::streamoff>(stored.size() / 2));
        out.put(static_cast<char>(stored[stored.size() / 2]));
    }
    fs::last_write_time(data, written + std::chrono::seconds(1));
    EXPECT_FALSE(t.session->save().ok());
    EXPECT_TRUE(readText(data) == std::string(stored.begin(), stored.end())) << "the other program's bytes stay";
}

} // namespace
} // namespace zk
