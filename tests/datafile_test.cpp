// The data file writer and whole-file round trips: a schedule written, read
// and written again gives the same bytes, in every format it can be kept in.

#include "datafilesupport.h"

#include "core/text.h"
#include "storage/datafileformat.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace zk {
namespace {

using namespace testsupport;

std::unique_ptr<Schedule> reload(const std::vector<std::uint8_t>& bytes)
{
    LoadResult r = loadDataBytes(bytes, testLoadOptions());
    EXPECT_TRUE(r) << r.failureText;
    return std::move(r.schedule);
}

using DataFileRoundTrip = FaultsThrowTest;
using DataFileWriter = FaultsThrowTest;

ItemHandle findByText(const Schedule& s, const std::string& text)
{
    for (ItemHandle h : s.chain)
        if (s.storedDescription(h) == text)
            return h;
    return kNoItem;
}

TEST_F(DataFileRoundTrip, RichScheduleIsWrittenAgainByteForByte)
{
    RichSchedule rich;
    std::vector<std::uint8_t> first = saved(rich.s);
    ASSERT_FALSE(first.empty());
    auto loaded = reload(first);
    ASSERT_TRUE(loaded);
    loaded->setClock(&testClock());
    std::vector<std::uint8_t> second = saved(*loaded);
    EXPECT_EQ(first, second);
}

TEST_F(DataFileRoundTrip, LoadedScheduleHoldsWhatWasWritten)
{
    RichSchedule rich;
    auto loaded = reload(saved(rich.s));
    ASSERT_TRUE(loaded);
    Schedule& s = *loaded;

    EXPECT_EQ(s.chain.size(), rich.s.chain.size());
    EXPECT_EQ(s.days.size(), 3u);
    EXPECT_EQ(s.recurrences.size(), 2u);
    EXPECT_EQ(s.projects.size(), 2u);
    EXPECT_EQ(s.globalList.size(), 2u);
    EXPECT_EQ(s.projectTree.size(), 2u);

    ItemHandle longOne = findByText(s, std::string(999, 'n'));
    ASSERT_TRUE(longOne);
    ASSERT_TRUE(findByText(s, std::string(998, 'm') + "\xC3\xA9"));
    ASSERT_TRUE(findByText(s, "|private note"));

    // The Plist in its order; keys are list positions.
    EXPECT_EQ(plistTexts(s), (std::vector<std::string>{"floating A2", "floating A", "floating B", "split work"}));

    // The split item is one item with three entries.
    ItemHandle split = findByText(s, "split work");
    ASSERT_TRUE(split);
    EXPECT_EQ(s.days.daysOf(split).size(), 3u);

    // The exception is linked to its definition, the cancellation kept.
    ItemHandle weekly = findByText(s, "weekly meeting");
    ItemHandle exception = findByText(s, "weekly meeting, moved");
    ASSERT_TRUE(weekly && exception);
    EXPECT_EQ(s.recurrences.definitionOf(exception), weekly);
    EXPECT_EQ(s.recurrences.findEntry(weekly, kToday + 1)->item, exception);
    EXPECT_TRUE(s.recurrences.isCancelled(weekly, kToday + 12));
    EXPECT_EQ(s.recurrences.ruleOf(weekly).recurringId(), rich.s.recurrences.ruleOf(rich.weekly).recurringId());

    // Reserved bytes of records, header and template survive.
    EXPECT_EQ(s.header.u8(30), 0x5A);
    EXPECT_EQ(s.header.u8(650), 0xA5);
    EXPECT_EQ(s.templateItem.bytes()[120], 0x77);
    EXPECT_EQ(s.templateItem.latestEndField(), 1300);
    const auto* d1 = s.findDay(kToday);
    ASSERT_TRUE(d1);
    EXPECT_EQ(d1->nRecurEntries, 1);
    EXPECT_EQ(s.record(d1->entries()[0].item).bytes()[120], static_cast<std::uint8_t>(0xF0 - 120));
    EXPECT_TRUE(s.unreportedTexts().empty());
}

TEST_F(DataFileRoundTrip, EarlierFormatsKeepWhatTheyCanHold)
{
    for (int format : {21, 22, 23, 24, 25}) {
        SCOPED_TRACE(format);
        Schedule s;
        ScheduleMaker make(s);
        s.header.setDayStart(TimeValue(361));  // before format 26 the template carries the window
        s.header.setDayEnd(TimeValue(1321));
        make.onDay("fixed", kToday, 541, 60);
        make.onDay("one", kToday, 600, 30, ItemKind::task, ItemFlag::fFloating);
        make.onDay("two", kToday + 3, 700, 30, ItemKind::task, ItemFlag::fFloating);
        ItemHandle weekly = make.definition("weekly");
        make.occurrence(weekly, kToday + 1, 600);
        make.exception(weekly, kToday + 2, "moved one");
        // Sections a format cannot hold are left out, their counts zero.
        s.projectTree.addTopLevel(1, make.project("a project"));
        make.undated("undated");
        std::vector<std::uint8_t> first = saved(s, format);
        ASSERT_FALSE(first.empty());
        auto loaded = reload(first);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->header.i16(ScheduleHeader::formatAt), format);
        EXPECT_EQ(loaded->chain.size(), s.chain.size());
        EXPECT_EQ(loaded->projects.size(), format >= 24 ? 1u : 0u);
        EXPECT_EQ(loaded->globalList.size(), format >= 25 ? 1u : 0u);
        EXPECT_EQ(loaded->projectTree.size(), format >= 24 ? 1u : 0u);
        ItemHandle def = findByText(*loaded, "weekly");
        ASSERT_TRUE(def);
        const DayRecord* d = loaded->findDay(kToday + 1);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->entries()[0].item, def);
        EXPECT_EQ(loaded->recurrences.definitionOf(findByText(*loaded, "moved one")), def);
        EXPECT_EQ(loaded->dayStart().value(), 361);
        EXPECT_EQ(loaded->dayEnd().value(), 1321);
        // Regression: older layouts carry the list key in the high half of
        // the item's link, which once lost the whole list after such a save.
        // Format 21 has no list, and its items do not float.
        EXPECT_TRUE(loaded->unreportedTexts().empty());
        EXPECT_EQ(plistTexts(*loaded), format == 21 ? std::vector<std::string>{} : plistTexts(s));
        EXPECT_EQ(loaded->record(findByText(*loaded, "one")).has(ItemFlag::fFloating), format != 21);
        // The first load builds the project tree; from then on the file
        // stays the same. Packed records hold no ids, so every load of
        // those gives fresh ones and only the header's id counter moves.
        loaded->setClock(&testClock());
        std::vector<std::uint8_t> second = saved(*loaded, format);
        auto again = reload(second);
        ASSERT_TRUE(again);
        again->setClock(&testClock());
        std::vector<std::uint8_t> third = saved(*again, format);
        ASSERT_EQ(third.size(), second.size());
        std::size_t from = format < 25 ? ScheduleHeader::kSize : 0;
        auto diff = std::mismatch(second.begin() + from, second.end(), third.begin() + from);
        EXPECT_TRUE(diff.first == second.end()) << "differs at " << (diff.first - second.begin());
    }
}

// --- the writer ---------------------------------------------------------------

TEST_F(DataFileWriter, EmptyScheduleIsHeaderTemplateAndOneZeroKey)
{
    Schedule s;
    s.setClock(&testClock());
    std::vector<std::uint8_t> bytes = saved(s);
    ASSERT_EQ(bytes.size(), 655u + 130u + 4u);
    // The first four bytes are plain: magic 12960, format 26.
    EXPECT_EQ(bytes::u16(&bytes[0]), 12960);
    EXPECT_EQ(bytes::i16(&bytes[2]), 26);
    // The rest of the header is one scrambled unit: offset 16 (header size)
    // is byte 12 of that unit.
    std::uint8_t unit[651];
    std::copy(bytes.begin() + 4, bytes.begin() + 655, unit);
    scrambleUnit(unit, sizeof unit);
    EXPECT_EQ(bytes::u16(&unit[12]), 655);
    EXPECT_EQ(s.header.u16(ScheduleHeader::lastSaveDayAt), kToday.value());
    EXPECT_EQ(s.header.u16(ScheduleHeader::startDayAt), kToday.value());
}

TEST_F(DataFileWriter, ScramblingLongUnitsRepeatsEvery256Bytes)
{
    std::vector<std::uint8_t> whole(600, 0x41), pieces = whole;
    scrambleUnit(whole.data(), whole.size());
    for (std::size_t at = 0; at < pieces.size(); at += 256)
        scrambleUnit(pieces.data() + at, std::min<std::size_t>(256, pieces.size() - at));
    EXPECT_EQ(whole, pieces);
    EXPECT_EQ(whole[0], 0x41 ^ 0xD2 ^ 21);
    EXPECT_EQ(whole[5], 0x41 ^ 5 ^ 0xD2 ^ 21);
}

TEST_F(DataFileWriter, DefinitionEntryIsItsIdStartAndMinutesOnly)
{
    Schedule s;
    ScheduleMaker make(s);
    ItemHandle weekly = make.definition("");
    make.occurrence(weekly, kToday, 600);
    std::vector<std::uint8_t> withEntry = saved(s);
    // Header, template, the definition (record, rule), the day record: then
    // the entry and the Plist end.
    std::size_t at = 655 + 130 + 130 + 28 + 28;
    ASSERT_EQ(withEntry.size(), at + 8 + 4);
    std::uint8_t entry[8];
    std::copy(withEntry.begin() + at, withEntry.begin() + at + 8, entry);
    scrambleUnit(entry, 4);
    scrambleUnit(entry + 4, 2);
    scrambleUnit(entry + 6, 2);
    EXPECT_EQ(bytes::u32(entry), s.record(weekly).id());
    EXPECT_EQ(bytes::i16(entry + 4), 600);
    EXPECT_EQ(bytes::u16(entry + 6), 30);
}

TEST_F(DataFileWriter, SplitItemIsWrittenOncePerEntryAndOnlyInFormatsThatHoldIt)
{
    Schedule s;
    ScheduleMaker make(s);
    ItemHandle split = make.onDay("piece", kToday, 600, 20, ItemKind::task, ItemFlag::fFloating | ItemFlag::fSplit);
    std::size_t one = saved(s).size();
    make.place(split, kToday + 1, 600, 20);
    make.place(split, kToday + 2, 600, 20);
    std::size_t three = saved(s).size();
    EXPECT_EQ(three, one + 2 * (28 + 8 + 130 + 5));

    // Formats before 25 cannot hold it.
    std::vector<std::uint8_t> out;
    SaveResult r = saveDataBytes(s, out, SaveOptions{24});
    EXPECT_EQ(r.error, SaveError::Refused);
    EXPECT_EQ(r.failureText, "The following item is SPLIT. You must switch off this property before saving in this "
                             "back-level format\npiece");
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(saveDataBytes(s, out, SaveOptions{25}));
}

TEST_F(DataFileWriter, WriteErrorsAreTold)
{
    Schedule s;
    s.setClock(&testClock());
    EXPECT_EQ(saveDataFile(s, -1).failureText, "null file handle");

    int full = ::open("/dev/full", O_WRONLY);
    if (full >= 0) {
        SaveResult r = saveDataFile(s, full);
        EXPECT_EQ(r.error, SaveError::WriteFailed);
        EXPECT_EQ(r.failureText, "No space left on device. Disk is FULL");
        ::close(full);
    }
    int readOnly = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(readOnly, 0);
    EXPECT_EQ(saveDataFile(s, readOnly).failureText, "Invalid file handle");
    ::close(readOnly);
}

TEST_F(DataFileWriter, TreeLeavesOutNodesWhoseItemTheFileDoesNotHold)
{
    // Regression: a tree node naming an item on no current day was written,
    // and reading the file back stopped at it.
    FaultsThrow faults;
    Schedule s;
    ScheduleMaker make(s);
    ItemHandle project = make.project("project");
    ItemHandle placed = make.onDay("placed", kToday, 600, 30);
    ItemHandle unplaced = make.item("unplaced");
    s.addToChain(unplaced, kToday + 3);
    auto top = s.projectTree.addTopLevel(1, project);
    s.projectTree.addChild(top, 0, placed);
    auto gone = s.projectTree.addChild(top, 0, unplaced);
    s.projectTree.addChild(gone, 0, placed);
    auto loaded = reload(saved(s));
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->projectTree.size(), 2u);
    EXPECT_EQ(loaded->projectTree.node(loaded->projectTree.topLevel()[0]).children.size(), 1u);
    EXPECT_EQ(s.header.u32(ScheduleHeader::projectTreeShownAt), 2u);
}

} // namespace
} // namespace zk
