// The status table: its records, "STATUS.TBL" (missing, short, from an old
// program, with an overlong label, failing to save), the hide test of the
// status filter, and setting an item's status.

#include "savingsupport.h"
#include "sessionsupport.h"

#include "core/schedule.h"
#include "core/statustable.h"
#include "storage/statustablefile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace zk {
namespace {

std::vector<std::string> labelsOf(const StatusTable& table)
{
    std::vector<std::string> labels;
    for (int i = 0; i < kStatusCount; ++i)
        labels.push_back(table.label(i));
    return labels;
}

const std::vector<std::string> kDefaultLabels{"normal", "tentative", "proposed", "confirmed", "", "", "", "special"};

std::string recordBytes(std::string_view label, std::uint32_t cell = 0x123456, std::uint32_t text = 0x654321)
{
    std::string r(20, '\0');
    r.replace(0, label.size(), label);
    bytes::putU32(reinterpret_cast<std::uint8_t*>(&r[12]), cell);
    bytes::putU32(reinterpret_cast<std::uint8_t*>(&r[16]), text);
    return r;
}

StatusTable::Decoded decoded(const std::string& bytes)
{
    StatusTable::Record r{};
    std::copy(bytes.begin(), bytes.end(), r.begin());
    return StatusTable::decodeRecord(r);
}

TEST(StatusTableTest, RecordsRoundTripAndStoredLabelsAreCutOnlyWhenTheyOverflow)
{
    StatusTable table;
    table.setEntry(4, {"abcdefghijkl", 0x00112233, 0x00445566});
    EXPECT_EQ(table.label(4), "abcdefghijk");
    const StatusTable::Record r = table.encodeRecord(4);
    EXPECT_EQ(r[11], 0);
    EXPECT_EQ((std::vector<int>{r[12], r[13], r[14], r[15]}), (std::vector<int>{0x33, 0x22, 0x11, 0x00}));
    EXPECT_EQ(StatusTable::decodeRecord(r).entry, table.entry(4));

    EXPECT_TRUE(decoded(recordBytes("abcdefghijkl")).labelCut);
    std::string afterNul = recordBytes("short");
    afterNul[11] = 'x';  // not part of the label
    EXPECT_EQ(decoded(afterNul).entry.label, "short");
    EXPECT_FALSE(decoded(afterNul).labelCut);

    // Older programs wrote Windows-1252; eleven such letters need 22 bytes.
    EXPECT_EQ(decoded(recordBytes("gepr\xFC" "ft")).entry.label, "gepr\xC3\xBC" "ft");
    const auto wide = decoded(recordBytes(std::string(11, '\xFC')));
    EXPECT_EQ(wide.entry.label, "\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC");
    EXPECT_TRUE(wide.labelCut);
}

class StatusTableFileTest : public ::testing::Test {
protected:
    std::filesystem::path path() const { return folder.path() / "STATUS.TBL"; }
    StatusTableFile file() { return {folder.path(), files, messages}; }
    StatusTable load(float version = 21.0f, std::uint32_t normalText = 0)
    {
        StatusTable table;
        table.setLabel(1, "stale");  // a load starts over
        loadStatusTable(table, file(), version, normalText);
        return table;
    }
    void writeBytes(const std::string& bytes) { std::ofstream(path(), std::ios::binary) << bytes; }
    std::string fileBytes() const { return testsupport::readText(path()); }

    saving::ScratchFolder folder;
    saving::FailingFileSystem files;
    ScriptedPresenter presenter;
    Messages messages{presenter};
};

TEST_F(StatusTableFileTest, MissingOrUnreadableTableGivesTheDefaultsSilently)
{
    EXPECT_EQ(labelsOf(load(21.0f, 0x202020)), kDefaultLabels);
    EXPECT_EQ(load(21.0f, 0x202020).textColor(kNormalStatus), 0x202020u);
    EXPECT_FALSE(std::filesystem::exists(path()));
    std::filesystem::create_directory(path());
    EXPECT_EQ(load(), StatusTable());
    EXPECT_TRUE(presenter.texts().empty());
}

TEST_F(StatusTableFileTest, SavedTableLoadsBackWithTheNormalColourFromTheSetting)
{
    StatusTable table;
    table.setEntry(0, {"usual", 0x00AABBCC, 0x00111111});
    table.setEntry(7, {"\xC3\xBC" "ber", kNoCellColor, 0x000000FF});
    ASSERT_TRUE(saveStatusTable(table, file()));
    EXPECT_EQ(fileBytes().size(), 160u);

    const StatusTable back = load(21.0f, 0x00333333);
    EXPECT_EQ(back.entry(7), table.entry(7));
    EXPECT_EQ(back.cellColor(0), 0x00AABBCCu);
    EXPECT_EQ(back.textColor(0), 0x00333333u);
}

TEST_F(StatusTableFileTest, ShortFileKeepsTheDefaultsForTheRecordsItLacks)
{
    writeBytes(recordBytes("first") + recordBytes("second", 0x3, 0x4) + "partial");
    const StatusTable table = load();
    EXPECT_EQ(labelsOf(table),
              (std::vector<std::string>{"first", "second", "proposed", "confirmed", "", "", "", "special"}));
    EXPECT_EQ(table.cellColor(1), 0x3u);
    EXPECT_TRUE(presenter.texts().empty());
}

TEST_F(StatusTableFileTest, TableOfAProgramBeforeCellColoursLosesThemAndIsWrittenBackAtOnce)
{
    std::string old;
    for (int i = 0; i < kStatusCount; ++i)
        old += recordBytes("s" + std::to_string(i), 0x00ABCDEF, 0x100u * i);
    writeBytes(old);

    const StatusTable table = load(6.2f, 0x010203);
    for (int i = 0; i < kStatusCount; ++i)
        EXPECT_FALSE(table.hasCellColor(i)) << i;
    EXPECT_EQ(table.textColor(3), 0x300u);
    const std::string rewritten = fileBytes();
    ASSERT_EQ(rewritten.size(), 160u);
    EXPECT_EQ(rewritten.substr(60, 20), recordBytes("s3", kNoCellColor, 0x300));

    writeBytes(old);
    EXPECT_TRUE(load(6.3f).hasCellColor(3));
}

TEST_F(StatusTableFileTest, TwelveCharacterLabelComesBackCutWithTheMessageOnce)
{
    writeBytes(recordBytes("normal") + recordBytes("provisional1"));
    EXPECT_EQ(load().label(1), "provisional");
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{kStatusLabelsTruncatedText});
    presenter.clear();
    EXPECT_EQ(load().label(1), "provisional");
    EXPECT_TRUE(presenter.texts().empty());
}

TEST_F(StatusTableFileTest, FailedSaveKeepsTheOldTableAndSaysWhichFile)
{
    StatusTable table;
    ASSERT_TRUE(saveStatusTable(table, file()));
    const std::string before = fileBytes();
    files.fillDisk();
    table.setLabel(1, "lost");
    EXPECT_FALSE(saveStatusTable(table, file()));
    EXPECT_EQ(fileBytes(), before);
    EXPECT_FALSE(std::filesystem::exists(path().string() + ".tmp"));
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"Unable to create file: " + path().string() + "."});
}

// The filter's dialog and its hiding are met in the status dialog tests.
TEST(StatusFilterTest, ADamagedStatusCountsAsNormal)
{
    ItemRecord item;
    item.setStatus(200);
    EXPECT_FALSE(isHiddenByStatus(item, 0x0006, true));
    EXPECT_TRUE(isHiddenByStatus(item, 0x0001, true));
}

TEST(SetItemStatusTest, MarksTheItemAndTheScheduleChangedAndNamesTheSpecialStatus)
{
    FixedClock clock{LocalMoment{2023, 10, 21, 10, 0, 0}};
    Schedule schedule;
    const ItemHandle item = schedule.newItem();
    EXPECT_EQ(setItemStatus(schedule, item, 0, clock), StatusChange::None);
    EXPECT_FALSE(schedule.dirty);

    EXPECT_EQ(setItemStatus(schedule, item, 3, clock), StatusChange::Changed);
    EXPECT_EQ(schedule.record(item).status(), 3);
    EXPECT_EQ(schedule.record(item).modifiedTime(), static_cast<std::uint32_t>(clock.unixSeconds()));
    EXPECT_TRUE(schedule.dirty);
    EXPECT_EQ(setItemStatus(schedule, item, kSpecialStatus, clock), StatusChange::SpecialChanged);
    EXPECT_EQ(setItemStatus(schedule, item, 1, clock), StatusChange::SpecialChanged);
}

} // namespace
} // namespace zk
