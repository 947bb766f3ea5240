// The handheld exchange files: what goes out, what comes back and how it
// changes the schedule, and where the files may be written.

#include "sessionsupport.h"

#include "handheld/handheldfiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace zk {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

TEST(HandheldLineTest, TextsNotesAndLineBreaksSurviveTheRoundTrip)
{
    HandheldRecord r;
    r.id = 7;
    r.start = (16000ll * 1440 + 600) * 60;
    r.end = r.start + 1800;
    r.duration = 30;
    r.text = std::string(299, 'x') + "\xC3\xA9";  // 300 characters, the last one two bytes
    r.alarm = true;
    r.advance = 2;
    r.advanceInHours = true;
    const std::string line = handheldLine(r);
    EXPECT_NE(line.find(" `\x01"), std::string::npos);  // the empty note
    std::optional<HandheldRecord> back = parseHandheldLine(line);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->text, std::string(255, 'x'));
    EXPECT_EQ(back->note, "");
    EXPECT_EQ(back->day(), DayNumber(16000));
    EXPECT_EQ(back->minuteOfDay(), 600);
    EXPECT_TRUE(back->alarm && back->advanceInHours);

    r.text = "two\nlines";
    r.note = "a\r\nnote";
    back = parseHandheldLine(handheldLine(r));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->text, "two\nlines");
    EXPECT_EQ(back->note, "a\nnote");
    EXPECT_EQ(parseHandheldLine(deletedItemLine(9, "gone"))->changed, 4);

    for (const char* bad : {"", "1 0 0 5", "x 0 0 0 0 a\t 30 `\x01", "1 0 0 0 0 no tab", "1 0 0 0 0 a\t 30 `\x01 1 2"})
        EXPECT_FALSE(parseHandheldLine(bad)) << bad;
}

class HandheldExchangeTest : public SessionFixture {};

TEST_F(HandheldExchangeTest, ExportThenChangesFromTheHandheldComeBack)
{
    auto t = openSession();
    ASSERT_EQ(t->session->addItem(itemOn(kSessionToday, "dentist", 601, 60)).status, AddStatus::Added);
    ASSERT_EQ(t->session->addItem(itemOn(kSessionToday + 1, "long " + std::string(300, 'z'), 841, 30)).status,
              AddStatus::Added);
    HandheldSettings settings;
    settings.futureDays = 3;
    settings.pastDays = 0;
    HandheldExport out = exportForHandheld(t->schedule(), kSessionToday, TimeValue::fromClock(9, 0), settings,
                                           deletedItemLine(1, "x") + "99 0 0 0 0 lost\t 30 `\x01 0 0 0 0 0 0 0 0 0 0 0 0 0\n",
                                           folder.path());
    EXPECT_EQ(out.records, 2);
    int skipped = 0;
    std::vector<HandheldRecord> records = parseHandheldFile(out.text, skipped);
    EXPECT_EQ(skipped, 0);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2].id, 99u);  // gone from the schedule: a deleted-item line
    EXPECT_EQ(records[2].changed, 4);

    // On the handheld: the dentist moved to 11:00, a new item, a split piece.
    records[0].start += 3600;
    records[0].end += 3600;
    HandheldRecord added = records[0];
    added.id = 5000;
    added.text = "from the handheld";
    HandheldRecord piece = records[0];
    piece.id = kSplitPieceIds + 1;
    records = {records[0], records[1], added, piece};
    // The owner typed the dentist's text; a change from the handheld is not his typing.
    t->schedule().record(t->schedule().findItemById(records[0].id)).setFlag(ItemFlag::fOwnerText, true);
    int unchanged = 0;
    std::vector<ImportItem> items = handheldImports(t->schedule(), records, folder.path(), unchanged);
    EXPECT_EQ(unchanged, 1);  // the long text kept: the handheld holds only its first 255 characters
    ASSERT_EQ(items.size(), 2u);
    ImportReport report = importItems(*t->session, std::move(items), 0);
    ASSERT_EQ(report.items.size(), 2u);
    EXPECT_TRUE(report.items[0].updated);
    EXPECT_EQ(report.items[0].id, records[0].id);
    Schedule& s = t->schedule();
    ItemHandle dentist = s.findItemById(records[0].id);
    ASSERT_TRUE(dentist);
    EXPECT_EQ(s.record(dentist).beginTime(), TimeValue::fromClock(11, 0).value());
    EXPECT_FALSE(s.record(dentist).has(ItemFlag::fOwnerText));
    EXPECT_FALSE(report.items[1].updated);
    EXPECT_EQ(s.storedDescription(s.findItemById(report.items[1].id)), "from the handheld");
}

TEST_F(HandheldExchangeTest, FilesAreReplacedWholeAndNeverThroughALink)
{
    const fs::path hand = folder.path() / "hand";
    EXPECT_EQ(writeHandheldFile(hand, kToHandheldFileName, "one\n"), "");
    EXPECT_EQ(writeHandheldFile(hand, kToHandheldFileName, "two\n"), "");
    EXPECT_EQ(readText(hand / kToHandheldFileName), "two\n");
    struct stat st {};
    ASSERT_EQ(::stat(hand.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u);

    writeText(folder.path() / "elsewhere", "keep");
    fs::remove(hand / kToHandheldFileName);
    fs::create_symlink(folder.path() / "elsewhere", hand / kToHandheldFileName);
    EXPECT_NE(writeHandheldFile(hand, kToHandheldFileName, "evil\n"), "");
    EXPECT_EQ(readText(folder.path() / "elsewhere"), "keep");

    std::string message;
    EXPECT_FALSE(readHandheldFile(hand, message));
    EXPECT_EQ(message, kHandheldFileMissingText);
}

} // namespace
} // namespace zk
