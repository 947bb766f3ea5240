// Saving in an earlier format and freezing: what is refused, what is
// written, and that nothing is lost when writing fails.

#include "core/recurrence.h"
#include "datafilesupport.h"
#include "engine/plistorder.h"
#include "savingsupport.h"
#include "storage/freeze.h"
#include "storage/saveformat.h"
#include "storage/savesequence.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace saving;

class SaveFormatTest : public ::testing::Test {
protected:
    // A task two days ahead; a floating one is last in its class.
    ItemHandle add(const std::string& text, std::uint32_t flags = 0, std::uint8_t letter = 'A')
    {
        ItemHandle h = make.onDay(text, kToday + 2, 600, 30, ItemKind::task);
        if (flags & ItemFlag::fFloating)
            make.makeFloating(h, letter);
        return h;
    }
    FormatDialog choose(SaveFormat format, ShareWithOldPrograms share = ShareWithOldPrograms::No)
    {
        return chooseSaveFormat(*s, state, messages, format, share);
    }

    static LoadOptions loadOptions()
    {
        LoadOptions options;
        options.clock = &clock();
        return options;
    }

    std::unique_ptr<Schedule> s = generation("G1");
    testsupport::ScheduleMaker make{*s};
    ScriptedPresenter presenter{Answer::Yes};
    Messages messages{presenter};
    SaveState state;
    ScratchFolder folder;
    DataFileSet files{folder.path()};
    FailingFileSystem fs;
};

TEST_F(SaveFormatTest, FormatsThatWouldLoseProjectsOrPriorityListAreRefused)
{
    add("floating", ItemFlag::fFloating, 'B');
    EXPECT_EQ(choose(SaveFormat::Version1), FormatDialog::StayOpen);
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"Saving as a Version 1 file would result in loss of priority list"});
    EXPECT_FALSE(state.dirty());
    EXPECT_EQ(choose(SaveFormat::Version2), FormatDialog::Close);

    s->projects.push_back(s->newItem());
    presenter.clear();
    for (SaveFormat f : {SaveFormat::Version1, SaveFormat::Version2, SaveFormat::Version3})
        EXPECT_EQ(choose(f), FormatDialog::StayOpen);
    EXPECT_EQ(presenter.texts(), std::vector<std::string>(3, kProjectsLostText));
    EXPECT_EQ(s->header.i16(ScheduleHeader::saveFormatAt), 22);
    EXPECT_EQ(choose(SaveFormat::Version4), FormatDialog::Close);
}

TEST_F(SaveFormatTest, DescriptionsFromThreeHundredSixtySixBytesAreAskedAbout)
{
    add(std::string(365, 'a'));
    EXPECT_EQ(choose(SaveFormat::Version4), FormatDialog::Close);
    EXPECT_TRUE(presenter.shown().empty());

    std::string longText(366, 'b');
    add(longText);
    add(std::string(400, 'c'));
    presenter.setDefaultAnswer(Answer::No);  // stop after the first
    EXPECT_EQ(choose(SaveFormat::Version4), FormatDialog::StayOpen);
    ASSERT_EQ(presenter.shown().size(), 1u);
    EXPECT_EQ(presenter.shown()[0].text,
              "This item description is too long to be read by old versions of Zelkon:\n\n" + longText
                  + "\n\nYou must edit the item before choosing this data file format. Continue checking for "
                    "other items too long?");
    presenter.clear();
    presenter.setDefaultAnswer(Answer::Yes);
    EXPECT_EQ(choose(SaveFormat::Version4), FormatDialog::StayOpen);
    EXPECT_EQ(presenter.shown().size(), 2u);
    EXPECT_EQ(choose(SaveFormat::Current), FormatDialog::Close);  // the current format holds them
}

TEST_F(SaveFormatTest, AcceptedFormatIsWhatTheNextSaveWrites)
{
    EXPECT_EQ(choose(SaveFormat::Version4, ShareWithOldPrograms::Yes), FormatDialog::Close);
    EXPECT_EQ(sharesWithOldPrograms(*s), ShareWithOldPrograms::Yes);
    EXPECT_TRUE(state.dirty());
    SaveSequence saving(files, fs, messages, state);
    ASSERT_EQ(saving.save(*s).status, SaveStatus::Saved);
    EXPECT_EQ(loadDataFile(files.dataFile(), loadOptions()).format, 24);

    EXPECT_EQ(choose(SaveFormat::Current, ShareWithOldPrograms::No), FormatDialog::Close);
    EXPECT_EQ(sharesWithOldPrograms(*s), ShareWithOldPrograms::No);
    EXPECT_EQ(s->header.i16(ScheduleHeader::saveFormatAt), 0);
}

// --- freeze -------------------------------------------------------------------------------------------

class SaveFreezeTest : public SaveFormatTest {
protected:
    SaveFreezeTest()
    {
        add("class A", ItemFlag::fFloating, 'A');
        add("class B", ItemFlag::fFloating, 'B');
        add("class C", ItemFlag::fFloating, 'C');
        // A floating definition stays: freezing is for items on days.
        ItemHandle weekly = make.definition("weekly");
        s->record(weekly).setFlag(ItemFlag::fFloating, true);
        s->record(weekly).setPriorityLetter('B');
        make.occurrence(weekly, kToday + 2, 900);

        writeGeneration(files.dataFile(), "on disk");
        writeGeneration(files.backupFile(), "backup");
    }
    FreezeOutcome freezeNow(Confirmation c = Confirmation::Given)
    {
        SaveSequence saving(files, fs, messages, state, hooks, Tenacity{3, std::chrono::milliseconds(0), 10});
        return freeze(*s, saving, fs, messages, c);
    }
    std::vector<std::string> texts(const Schedule& in)
    {
        std::vector<std::string> out;
        for (ItemHandle h : in.chain)
            out.emplace_back(in.storedDescription(h));
        std::sort(out.begin(), out.end());
        return out;
    }

    SaveHooks hooks;
};

TEST_F(SaveFreezeTest, FrozenItemsMoveToTheirOwnFileOnceAndOnlyWhenConfirmed)
{
    int afterSave = 0;
    hooks.afterSave = [&] { ++afterSave; };
    EXPECT_STREQ(freezeButtonText(files, fs), "Freeze");
    presenter.queueAnswer(Answer::No);
    EXPECT_EQ(freezeNow(Confirmation::Ask).status, FreezeStatus::Declined);
    EXPECT_FALSE(fs.exists(files.frozenFile()));
    presenter.clear();
    FreezeOutcome outcome = freezeNow(Confirmation::Ask);
    EXPECT_EQ(outcome.status, FreezeStatus::Frozen);
    EXPECT_EQ(outcome.deleted, 2);
    EXPECT_EQ(presenter.texts(), (std::vector<std::string>{kFreezeConfirmText, "2 frozen items deleted from active schedule."}));

    LoadResult frozen = loadDataFile(files.frozenFile(), loadOptions());
    ASSERT_TRUE(frozen) << frozen.failureText;
    EXPECT_EQ(texts(*frozen.schedule), (std::vector<std::string>{"class B", "class C"}));
    EXPECT_TRUE(frozen.schedule->recurrences.empty());

    EXPECT_EQ(texts(*s), (std::vector<std::string>{"G1", "class A", "weekly"}));
    EXPECT_TRUE(state.dirty());
    EXPECT_STREQ(freezeButtonText(files, fs), "Unfreeze");
    // Regression: the data file, its backups and the journal of added items
    // are not part of a freeze.
    EXPECT_EQ(generationIn(files.dataFile()), "on disk");
    EXPECT_EQ(generationIn(files.backupFile()), "backup");
    EXPECT_FALSE(fs.exists(files.secondBackupFile()));
    EXPECT_FALSE(fs.exists(files.temporaryFile()));
    EXPECT_EQ(afterSave, 0);

    presenter.clear();
    EXPECT_EQ(freezeNow().status, FreezeStatus::AlreadyFrozen);
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"frozen.pak already exists. Thaw first, if you want to freeze again"});
}

// Regression: items are deleted only once frozen.pak is safely written.
TEST_F(SaveFreezeTest, FailedWriteDeletesNothing)
{
    fs.failWhen([](const FileOperation& op) { return op.to.filename() == kFrozenFileName; });
    EXPECT_EQ(freezeNow().status, FreezeStatus::Failed);
    EXPECT_EQ(texts(*s), (std::vector<std::string>{"G1", "class A", "class B", "class C", "weekly"}));
    EXPECT_FALSE(state.dirty());
    EXPECT_FALSE(fs.exists(files.frozenFile()));
    EXPECT_FALSE(fs.exists(files.temporaryFile()));

    hooks.changeAccessInEffect = [] { return false; };
    fs = FailingFileSystem();
    EXPECT_EQ(freezeNow().status, FreezeStatus::NoChangeAccess);
    EXPECT_EQ(texts(*s).size(), 5u);
}

} // namespace
} // namespace zk
