// Importing a file's items: all of them under one change access, or none.

#include "sessionsupport.h"

#include "exchange/importbatch.h"
#include "shell/model/settings.h"
#include "worktools/model/notes.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;

class ImportBatchTest : public SessionFixture {};

ImportItem imported(DayNumber day, const std::string& text, int begin = 0)
{
    ImportItem in;
    in.item = itemOn(day, text, begin);
    return in;
}

TEST_F(ImportBatchTest, AddsEveryItemWithNoteAndAlarmAndReplacesByKey)
{
    auto t = openSession();
    std::vector<ImportItem> items;
    items.push_back(imported(kSessionToday, "dentist", 600));
    items.back().note = "bring the card";
    items.back().alarm = AlarmSettings{.minutes = 15, .pagerNumber = {}};
    // Whatever a file's record says, its text was not typed by the owner here.
    items.back().item.record.setFlag(ItemFlag::fOwnerText, true);
    items.push_back(imported(kSessionToday + 2, "call Ann"));
    ImportReport first = importItems(*t->session, std::move(items), 3);
    ASSERT_EQ(first.status, ImportStatus::Imported);
    ASSERT_EQ(first.items.size(), 2u);
    EXPECT_EQ(first.skipped, 3);
    EXPECT_EQ(first.items[1].day, kSessionToday + 2);

    Schedule& s = t->schedule();
    ItemHandle dentist = s.findItemById(first.items[0].id);
    ASSERT_TRUE(dentist);
    EXPECT_TRUE(s.record(dentist).has(ItemFlag::fAlarm));
    EXPECT_EQ(s.record(dentist).alarmMinutes(), 15);
    EXPECT_FALSE(s.record(dentist).has(ItemFlag::fOwnerText));
    const NoteFiles notes(folder.path(), notePrefix(s.header));
    EXPECT_EQ(readNote(notes.note(s.record(dentist).refNo())).text, "bring the card");

    // The same key again replaces the item, which keeps its id.
    std::vector<ImportItem> again;
    again.push_back(imported(kSessionToday + 1, "dentist moved", 660));
    again.back().sourceKey = std::to_string(first.items[0].id);
    again.back().updateExisting = true;
    ImportReport second = importItems(*t->session, std::move(again), 0);
    ASSERT_EQ(second.items.size(), 1u);
    EXPECT_TRUE(second.items[0].updated);
    EXPECT_EQ(second.items[0].id, first.items[0].id);
    EXPECT_EQ(second.items[0].day, kSessionToday + 1);
    int dentists = 0;
    for (ItemHandle h : t->schedule().chain)
        dentists += t->schedule().storedDescription(h).starts_with("dentist");
    EXPECT_EQ(dentists, 1);

    // With "Scramble notes on disk" on, an imported note is written scrambled.
    t->schedule().header.setInterfaceMode(3);
    setHeaderOption(t->schedule().header, HeaderOption::EncryptNotes, true);
    std::vector<ImportItem> hidden;
    hidden.push_back(imported(kSessionToday, "lawyer"));
    hidden.back().note = "the will";
    ImportReport third = importItems(*t->session, std::move(hidden), 0);
    ASSERT_EQ(third.items.size(), 1u);
    const ItemHandle lawyer = t->schedule().findItemById(third.items[0].id);
    const NoteText note = readNote(notes.note(t->schedule().record(lawyer).refNo()));
    EXPECT_TRUE(note.scrambled);
    EXPECT_EQ(note.text, "the will");
}

TEST_F(ImportBatchTest, RefusedItemOrMissingChangeAccessAddsNothing)
{
    auto holder = openSession();
    ASSERT_TRUE(holder->session->obtainChangeAccess(std::chrono::seconds(0)));
    auto t = openSession();
    std::vector<ImportItem> items;
    items.push_back(imported(kSessionToday, "a"));
    ImportReport refused = importItems(*t->session, std::move(items), 0);
    EXPECT_EQ(refused.status, ImportStatus::NoChangeAccess);
    EXPECT_EQ(refused.message, kImportNoAccessText);
    holder.reset();

    // One item too long for the schedule refuses the whole file.
    std::vector<ImportItem> batch;
    batch.push_back(imported(kSessionToday, "fine"));
    batch.push_back(imported(kSessionToday, std::string(kMaxDescriptionBytes + 1, 'x')));
    const std::size_t before = t->schedule().chain.size();
    ImportReport report = importItems(*t->session, std::move(batch), 0);
    EXPECT_EQ(report.status, ImportStatus::Refused);
    EXPECT_TRUE(report.items.empty());
    EXPECT_EQ(t->schedule().chain.size(), before);
}

} // namespace
} // namespace zk
