// The status table: its defaults, its records and its file, the hide test
// of the status filter, and setting an item's status.

#include "savingsupport.h"

#include "core/schedule.h"
#include "core/statustable.h"
#include "platform/fault.h"
#include "storage/statustablefile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zk {
namespace {

using saving::ScratchFolder;

std::vector<std::string> labelsOf(const StatusTable& table)
{
    std::vector<std::string> labels;
    for (int i = 0; i < kStatusCount; ++i)
        labels.push_back(table.label(i));
    return labels;
}

StatusTable::Record recordWithLabel(std::string_view label, std::uint32_t cell = 0x123456, std::uint32_t text = 0x654321)
{
    StatusTable::Record r{};
    std::copy(label.begin(), label.end(), r.begin());
    bytes::putU32(&r[12], cell);
    bytes::putU32(&r[16], text);
    return r;
}

// --- the table and its records -----------------------------------------------------

TEST(StatusTableTest, DefaultsHaveFiveNamedStatusesAndThreeEmptyOnes)
{
    const StatusTable table;
    EXPECT_EQ(labelsOf(table),
              (std::vector<std::string>{"normal", "tentative", "proposed", "confirmed", "", "", "", "special"}));
    const std::uint32_t textColors[] = {0x000000, 0xC0C0C0, 0xFF0000, 0x00FF00, 0x400080, 0xFFFF00, 0x008000, 0x0000FF};
    for (int i = 0; i < kStatusCount; ++i) {
        EXPECT_EQ(table.textColor(i), textColors[i]) << i;
        EXPECT_FALSE(table.hasCellColor(i)) << i;
    }
}

TEST(StatusTableTest, LabelsAreCutToElevenBytesOnACharacterBoundary)
{
    StatusTable table;
    table.setLabel(1, "abcdefghijkl");
    EXPECT_EQ(table.label(1), "abcdefghijk");
    table.setLabel(2, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");  // six e-acute, 12 bytes
    EXPECT_EQ(table.label(2), "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
    table.setEntry(3, {"abcdefghijklmnop", 1, 2});
    EXPECT_EQ(table.label(3), "abcdefghijk");
}

TEST(StatusTableTest, RecordKeepsItsFieldsLittleEndianWithTheLabelNulTerminated)
{
    StatusTable table;
    table.setEntry(4, {"abcdefghijk", 0x00112233, 0x00445566});
    const StatusTable::Record r = table.encodeRecord(4);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.data()), 11), "abcdefghijk");
    EXPECT_EQ(r[11], 0);
    EXPECT_EQ((std::vector<int>{r[12], r[13], r[14], r[15]}), (std::vector<int>{0x33, 0x22, 0x11, 0x00}));
    EXPECT_EQ(bytes::u32(&r[16]), 0x00445566u);

    const StatusTable::Decoded back = StatusTable::decodeRecord(r);
    EXPECT_EQ(back.entry, table.entry(4));
    EXPECT_FALSE(back.labelCut);
}

TEST(StatusTableTest, DecodingCutsOnlyALabelThatFillsItsField)
{
    const auto twelve = StatusTable::decodeRecord(recordWithLabel("abcdefghijkl"));
    EXPECT_EQ(twelve.entry.label, "abcdefghijk");
    EXPECT_TRUE(twelve.labelCut);

    // Bytes after the terminating NUL are not part of the label.
    StatusTable::Record r = recordWithLabel("short");
    r[11] = 'x';
    const auto shortLabel = StatusTable::decodeRecord(r);
    EXPECT_EQ(shortLabel.entry.label, "short");
    EXPECT_FALSE(shortLabel.labelCut);
}

TEST(StatusTableTest, DecodingReadsAnOlderProgramsLabelAsWindows1252)
{
    const auto d = StatusTable::decodeRecord(recordWithLabel("gepr\xFC" "ft"));
    EXPECT_EQ(d.entry.label, "gepr\xC3\xBC" "ft");
    EXPECT_FALSE(d.labelCut);
    // Eleven such letters need 22 bytes as UTF-8: cut, and said so.
    const auto wide = StatusTable::decodeRecord(recordWithLabel("\xFC\xFC\xFC\xFC\xFC\xFC\xFC\xFC\xFC\xFC\xFC"));
    EXPECT_EQ(wide.entry.label, "\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC");
    EXPECT_TRUE(wide.labelCut);
}

TEST(StatusTableTest, AStatusOutsideTheTableCountsAsNormal)
{
    ItemRecord item;
    item.setStatus(7);
    EXPECT_EQ(statusIndexOf(item), 7);
    item.setStatus(8);
    EXPECT_EQ(statusIndexOf(item), kNormalStatus);
    item.setStatus(255);
    EXPECT_EQ(statusIndexOf(item), kNormalStatus);
}

// --- the file -------------------------------------------------------------------------

class StatusTableFileTest : public ::testing::Test {
protected:
    std::filesystem::path path() const { return folder.path() / "STATUS.TBL"; }
    StatusTableFile file() { return {folder.path(), files, messages}; }
    StatusTable load(float version = 21.0f, std::uint32_t normalText = 0x000000)
    {
        StatusTable table;
        table.setLabel(1, "stale");  // a load starts over
        loadStatusTable(table, file(), version, normalText);
        return table;
    }
    void writeBytes(const std::string& bytes) { std::ofstream(path(), std::ios::binary) << bytes; }
    std::string fileBytes() const
    {
        std::ifstream in(path(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static std::string recordBytes(std::string_view label, std::uint32_t cell, std::uint32_t text)
    {
        const StatusTable::Record r = recordWithLabel(label, cell, text);
        return std::string(reinterpret_cast<const char*>(r.data()), r.size());
    }

    ScratchFolder folder;
    saving::FailingFileSystem files;
    ScriptedPresenter presenter;
    Messages messages{presenter};
};

TEST_F(StatusTableFileTest, NewScheduleWithoutATableGetsTheDefaultsSilently)
{
    const StatusTable table = load(21.0f, 0x00202020);
    EXPECT_EQ(labelsOf(table), labelsOf(StatusTable()));
    EXPECT_EQ(table.textColor(kNormalStatus), 0x00202020u);
    EXPECT_TRUE(presenter.texts().empty());
    EXPECT_FALSE(std::filesystem::exists(path()));  // written with the next save of the table
}

TEST_F(StatusTableFileTest, SavedTableLoadsBackWithTheNormalColourFromTheSetting)
{
    StatusTable table;
    table.setEntry(0, {"usual", 0x00AABBCC, 0x00111111});
    table.setEntry(5, {"waiting", 0x0000FFFF, 0x00808080});
    table.setEntry(7, {"\xC3\xBC" "ber", kNoCellColor, 0x000000FF});
    ASSERT_TRUE(saveStatusTable(table, file()));
    EXPECT_EQ(fileBytes().size(), 160u);
    EXPECT_FALSE(std::filesystem::exists(path().string() + ".tmp"));

    const StatusTable back = load(21.0f, 0x00333333);
    EXPECT_EQ(back.entry(5), table.entry(5));
    EXPECT_EQ(back.entry(7), table.entry(7));
    EXPECT_EQ(back.label(0), "usual");
    EXPECT_EQ(back.cellColor(0), 0x00AABBCCu);
    EXPECT_EQ(back.textColor(0), 0x00333333u);
    EXPECT_TRUE(presenter.texts().empty());
}

TEST_F(StatusTableFileTest, ShortFileKeepsTheDefaultsForTheRecordsItLacks)
{
    writeBytes(recordBytes("first", 0x1, 0x2) + recordBytes("second", 0x3, 0x4) + std::string(7, 'z'));
    const StatusTable table = load();
    EXPECT_EQ(labelsOf(table),
              (std::vector<std::string>{"first", "second", "proposed", "confirmed", "", "", "", "special"}));
    EXPECT_EQ(table.cellColor(1), 0x3u);
    EXPECT_EQ(table.textColor(2), StatusTable().textColor(2));
    EXPECT_TRUE(presenter.texts().empty());
}

TEST_F(StatusTableFileTest, EmptyOrUnreadableFileGivesTheDefaults)
{
    writeBytes("");
    EXPECT_EQ(load(), StatusTable());
    std::filesystem::remove(path());
    std::filesystem::create_directory(path());  // cannot be read as a file
    EXPECT_EQ(load(), StatusTable());
    EXPECT_TRUE(presenter.texts().empty());
}

TEST_F(StatusTableFileTest, TableOfAProgramBeforeCellColoursLosesThemAndIsWrittenBackAtOnce)
{
    std::string old;
    for (int i = 0; i < kStatusCount; ++i)
        old += recordBytes("s" + std::to_string(i), 0x00ABCDEF, 0x00000100u * i);
    writeBytes(old);

    const StatusTable table = load(6.2f, 0x00010203);
    for (int i = 0; i < kStatusCount; ++i)
        EXPECT_FALSE(table.hasCellColor(i)) << i;
    EXPECT_EQ(table.label(3), "s3");
    EXPECT_EQ(table.textColor(3), 0x300u);
    EXPECT_TRUE(presenter.texts().empty());

    // Written back as loaded, so the next session finds cell colours none.
    const std::string rewritten = fileBytes();
    ASSERT_EQ(rewritten.size(), 160u);
    EXPECT_EQ(bytes::u32(reinterpret_cast<const std::uint8_t*>(rewritten.data()) + 20 * 3 + 12), kNoCellColor);
    EXPECT_EQ(bytes::u32(reinterpret_cast<const std::uint8_t*>(rewritten.data()) + 16), 0x00010203u);

    writeBytes(old);
    EXPECT_TRUE(load(6.3f).hasCellColor(3));
}

TEST_F(StatusTableFileTest, TwelveCharacterLabelComesBackCutWithTheMessageOnce)
{
    writeBytes(recordBytes("normal", kNoCellColor, 0) + recordBytes("provisional1", kNoCellColor, 0xC0C0C0));
    const StatusTable table = load();
    EXPECT_EQ(table.label(1), "provisional");
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{kStatusLabelsTruncatedText});

    presenter.clear();
    EXPECT_EQ(load().label(1), "provisional");
    EXPECT_TRUE(presenter.texts().empty());
}

TEST_F(StatusTableFileTest, FailedSaveKeepsTheOldTableAndSaysWhichFile)
{
    StatusTable table;
    table.setLabel(1, "kept");
    ASSERT_TRUE(saveStatusTable(table, file()));
    const std::string before = fileBytes();

    files.fillDisk();
    table.setLabel(1, "lost");
    EXPECT_FALSE(saveStatusTable(table, file()));
    EXPECT_EQ(fileBytes(), before);
    EXPECT_FALSE(std::filesystem::exists(path().string() + ".tmp"));
    ASSERT_EQ(presenter.shown().size(), 1u);
    EXPECT_EQ(presenter.shown()[0].kind, MessageKind::Error);
    EXPECT_EQ(presenter.shown()[0].text, "Unable to create file: " + path().string() + ".");
}

// --- the status filter -------------------------------------------------------------

TEST(StatusFilterTest, HidesTheStatusesOfTheMaskOnlyWhileTheFilterIsOn)
{
    ScheduleHeader header = ScheduleHeader::emptySchedule();
    setStatusHideMask(header, 0x0006);  // tentative and proposed
    EXPECT_EQ(header.u16(574), 0x0006);

    ItemRecord item;
    const std::uint16_t mask = statusHideMask(header);
    for (int status : {1, 2}) {
        item.setStatus(static_cast<std::uint8_t>(status));
        EXPECT_TRUE(isHiddenByStatus(item, mask, true)) << status;
        EXPECT_FALSE(isHiddenByStatus(item, mask, false)) << status;
    }
    for (int status : {0, 3, 7}) {
        item.setStatus(static_cast<std::uint8_t>(status));
        EXPECT_FALSE(isHiddenByStatus(item, mask, true)) << status;
    }
    // A damaged status is normal, and hidden only when normal is.
    item.setStatus(200);
    EXPECT_FALSE(isHiddenByStatus(item, mask, true));
    EXPECT_TRUE(isHiddenByStatus(item, 0x0001, true));
}

// --- setting an item's status ------------------------------------------------------

class SetItemStatusTest : public ::testing::Test {
protected:
    SetItemStatusTest() : previous_(installFaultHandler(&faults_))
    {
        item = schedule.newItem();
        schedule.setDescription(item, "call the bank");
        schedule.record(item).setDay(16000);
        schedule.addToChain(item, DayNumber(16000));
    }
    ~SetItemStatusTest() override { installFaultHandler(previous_); }

    ThrowingFaultHandler faults_;
    FaultHandler* previous_;
    FixedClock clock{LocalMoment{2023, 10, 21, 10, 0, 0}};
    Schedule schedule;
    ItemHandle item;
};

TEST_F(SetItemStatusTest, StoresTheStatusAndMarksTheItemAndTheScheduleChanged)
{
    EXPECT_EQ(setItemStatus(schedule, item, 3, clock), StatusChange::Changed);
    EXPECT_EQ(schedule.record(item).status(), 3);
    EXPECT_EQ(schedule.record(item).modifiedTime(), static_cast<std::uint32_t>(clock.unixSeconds()));
    EXPECT_TRUE(schedule.dirty);
}

TEST_F(SetItemStatusTest, TheSpecialStatusComingOrGoingAsksForTheLayout)
{
    EXPECT_EQ(setItemStatus(schedule, item, kSpecialStatus, clock), StatusChange::SpecialChanged);
    EXPECT_EQ(setItemStatus(schedule, item, 2, clock), StatusChange::SpecialChanged);
    EXPECT_EQ(setItemStatus(schedule, item, 1, clock), StatusChange::Changed);
}

TEST_F(SetItemStatusTest, TheSameStatusChangesNothing)
{
    schedule.record(item).setStatus(4);
    EXPECT_EQ(setItemStatus(schedule, item, 4, clock), StatusChange::None);
    EXPECT_FALSE(schedule.dirty);
    EXPECT_EQ(schedule.record(item).modifiedTime(), 0u);
}

TEST_F(SetItemStatusTest, AStatusOutsideTheTableIsAnInternalFault)
{
    EXPECT_THROW(setItemStatus(schedule, item, 8, clock), InternalFault);
    EXPECT_THROW(setItemStatus(schedule, item, -1, clock), InternalFault);
    EXPECT_EQ(schedule.record(item).status(), 0);
}

} // namespace
} // namespace zk
