// The archive of past days: the file layout through its reader and writer,
// days moving out of the data file and back into views, the history logs,
// and a power cut at every step of archiving a day.

#include "core/calendar.h"
#include "core/schedule.h"
#include "datafilesupport.h"
#include "engine/interfacemode.h"
#include "platform/memoryfiles.h"
#include "platform/messages.h"
#include "shell/model/archiving.h"
#include "storage/archive.h"
#include "storage/archivefile.h"
#include "storage/datafile.h"
#include "storage/historylog.h"
#include "storage/scramble.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace zk {
namespace {

using testsupport::kToday;
using testsupport::testClock;

const std::filesystem::path kFolder = "/schedule";
const std::filesystem::path kDataFile = kFolder / "timedata.pak";

ArchivedEntry entry(std::string text, std::int16_t start = 541, std::uint16_t duration = 30)
{
    ArchivedEntry e;
    e.start = start;
    e.duration = duration;
    e.flags = ItemFlag::fDone;
    e.description = std::move(text);
    return e;
}

std::string text(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// With ZELKON_ARCHIVE_SEEDS set to a folder, the archives the tests write
// are kept there as seeds for the archive fuzz target.
void keepAsSeed(const MemoryFiles& files, const std::filesystem::path& path, const std::string& name)
{
    const char* folder = std::getenv("ZELKON_ARCHIVE_SEEDS");
    if (!folder)
        return;
    std::vector<std::uint8_t> bytes = files.contents(path);
    std::ofstream(std::filesystem::path(folder) / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::unique_ptr<ArchiveFile> openArchive(MemoryFiles& files, const std::filesystem::path& path,
                                         ArchiveFile::Mode mode = ArchiveFile::Mode::UpdateOrCreate)
{
    ArchiveStatus status;
    auto file = ArchiveFile::open(files, path, mode, status);
    EXPECT_EQ(status, ArchiveStatus::Ok);
    return file;
}

// --- the file ----------------------------------------------------------------------

TEST(ArchiveFileTest, ADayComesBackWithEveryFieldTheFileKeeps)
{
    MemoryFiles files;
    auto file = openArchive(files, "a.x23");
    ASSERT_TRUE(file);
    EXPECT_EQ(files.contents("a.x23").size(), archive::kFirstBlockAt);

    ArchivedEntry full = entry("Quarterly report\r\nwith notes");
    full.start = -601;  // conflicting, as it was laid out
    full.flags = ItemFlag::fDone | ItemFlag::fHasNotes | ItemFlag::fException | ItemFlag::fFloating;
    full.refNo = 77;
    full.projectId = 12;
    full.recur = 9;
    full.status = 3;
    full.createdDay = 15990;
    full.createdTime = 600;
    full.caseNo = 4242;
    full.doneExpense = 12.5f;
    full.mileage = -3;
    std::vector<ArchivedEntry> day = {full, entry(""), entry(std::string(1000, 'x'))};
    ASSERT_EQ(file->writeDay(200, day), ArchiveStatus::Ok);

    auto again = openArchive(files, "a.x23", ArchiveFile::Mode::Read);
    ArchivedDay read = again->readDay(200);
    ASSERT_EQ(read.status, ArchiveStatus::Ok);
    ASSERT_EQ(read.entries.size(), 3u);
    // Only the flags an archive keeps survive: floating and exception do not.
    day[0].flags = ItemFlag::fDone | ItemFlag::fHasNotes;
    EXPECT_EQ(read.entries, day);
    EXPECT_FALSE(again->readDay(201).hasBlock);
    keepAsSeed(files, "a.x23", "oneday.x23");
    // The block takes exactly the estimate: 2 + sum(77 + text).
    EXPECT_EQ(files.contents("a.x23").size(), archive::kFirstBlockAt + 2 + 3 * 77 + full.description.size() + 1000);
}

TEST(ArchiveFileTest, ALongerDayMovesToANewBlockAndTheOldOneIsReusedBestFit)
{
    MemoryFiles files;
    auto file = openArchive(files, "a.x23");
    std::vector<ArchivedEntry> small = {entry("short")};
    std::vector<ArchivedEntry> large = {entry(std::string(200, 'L'))};
    ASSERT_EQ(file->writeDay(10, small), ArchiveStatus::Ok);
    ASSERT_EQ(file->writeDay(11, large), ArchiveStatus::Ok);
    ArchiveSlot first;
    ASSERT_EQ(file->readSlot(10, first), ArchiveStatus::Ok);

    // Day 10 grows: it cannot stay, and its block goes to the free table.
    std::vector<ArchivedEntry> longer = {entry("short, and now a good deal longer than before")};
    ASSERT_EQ(file->writeDay(10, longer), ArchiveStatus::Ok);
    ArchiveSlot moved;
    file->readSlot(10, moved);
    EXPECT_NE(moved.offset, first.offset);
    EXPECT_EQ(file->readDay(10).entries, longer);
    ArchiveSlot freed;
    ASSERT_EQ(file->readFreeSlot(1, freed), ArchiveStatus::Ok);
    EXPECT_EQ(freed.offset, first.offset);
    EXPECT_EQ(freed.length, first.length);

    // Day 11 shrinks to the size of the freed block: it takes that block.
    std::uint64_t size = files.contents("a.x23").size();
    std::vector<ArchivedEntry> smaller = {entry("tiny!")};
    ASSERT_EQ(file->writeDay(12, smaller), ArchiveStatus::Ok);
    ArchiveSlot reused;
    file->readSlot(12, reused);
    EXPECT_EQ(reused.offset, first.offset);
    EXPECT_EQ(files.contents("a.x23").size(), size);
    file->readFreeSlot(1, freed);
    EXPECT_EQ(freed.length, 0u);
    EXPECT_EQ(file->readDay(11).entries, large);
    EXPECT_EQ(file->readDay(12).entries, smaller);
    keepAsSeed(files, "a.x23", "relocated.x23");
}

// Regression: the directory slot of 31 December of a leap year lies where
// free-space slot 0 lies; using that free slot overwrote the day's slot.
TEST(ArchiveFileTest, December31OfALeapYearKeepsItsSlotWhileBlocksAreFreed)
{
    MemoryFiles files;
    auto file = openArchive(files, "a.x24");
    std::vector<ArchivedEntry> newYearsEve = {entry("fireworks")};
    ASSERT_EQ(file->writeDay(366, newYearsEve), ArchiveStatus::Ok);
    for (int round = 0; round < 3; ++round)
        for (int day = 1; day <= 5; ++day) {
            std::vector<ArchivedEntry> grown = {entry(std::string(static_cast<std::size_t>(10 + 40 * round + day), 'g'))};
            ASSERT_EQ(file->writeDay(day, grown), ArchiveStatus::Ok);
        }
    EXPECT_EQ(file->readDay(366).entries, newYearsEve);
    keepAsSeed(files, "a.x24", "leapyear.x24");
    ArchiveSlot slotZero;
    EXPECT_EQ(file->readFreeSlot(0, slotZero), ArchiveStatus::InvalidSlot);
}

TEST(ArchiveFileTest, HeadersOfOtherProgramsAndDamageAreToldApart)
{
    MemoryFiles files;
    openArchive(files, "good.x23");
    auto withHeader = [&](std::uint32_t magic, std::int16_t version) {
        std::vector<std::uint8_t> bytes = files.contents("good.x23");
        std::uint8_t header[archive::kHeaderSize];
        scrambleInto(header, bytes.data(), sizeof header);
        bytes::putU32(header, magic);
        bytes::putI16(header + 4, version);
        scrambleInto(bytes.data(), header, sizeof header);
        files.put("other.x23", bytes);
        ArchiveStatus status;
        ArchiveFile::open(files, "other.x23", ArchiveFile::Mode::Read, status);
        return status;
    };
    EXPECT_EQ(withHeader(6424, 0), ArchiveStatus::Ok);
    EXPECT_EQ(withHeader(6424, 2), ArchiveStatus::NewerVersion);
    EXPECT_EQ(withHeader(6424, 9), ArchiveStatus::NewerVersion);
    EXPECT_EQ(withHeader(6424, 10), ArchiveStatus::Damaged);
    EXPECT_EQ(withHeader(6274, 1), ArchiveStatus::OlderFormat);
    EXPECT_EQ(withHeader(1234, 1), ArchiveStatus::NotArchive);

    // Tables cut short are damage, not a crash.
    std::vector<std::uint8_t> cut = files.contents("good.x23");
    cut.resize(3000);
    files.put("cut.x23", cut);
    ArchiveStatus status;
    EXPECT_FALSE(ArchiveFile::open(files, "cut.x23", ArchiveFile::Mode::Read, status));
    EXPECT_EQ(status, ArchiveStatus::Damaged);
}

TEST(ArchiveFileTest, CountsLengthsAndOffsetsAreBoundedByTheFile)
{
    MemoryFiles files;
    auto file = openArchive(files, "a.x23");
    std::vector<ArchivedEntry> one = {entry("one")};
    ASSERT_EQ(file->writeDay(5, one), ArchiveStatus::Ok);
    std::vector<std::uint8_t> good = files.contents("a.x23");
    ArchiveSlot slot;
    file->readSlot(5, slot);

    auto patched = [&](std::uint64_t at, std::vector<std::uint8_t> unit) {
        std::vector<std::uint8_t> bytes = good;
        scrambleUnit(unit.data(), unit.size());
        std::copy(unit.begin(), unit.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
        files.put("bad.x23", bytes);
        return openArchive(files, "bad.x23", ArchiveFile::Mode::Read)->readDay(5).status;
    };
    std::vector<std::uint8_t> slotPastEnd(12, 0);
    bytes::putU32(&slotPastEnd[0], slot.offset);
    bytes::putU32(&slotPastEnd[4], 0xFFFFFF00u);
    EXPECT_EQ(patched(100 + 12 * 5, slotPastEnd), ArchiveStatus::InvalidSlot);
    EXPECT_EQ(patched(slot.offset, {0xFF, 0x7F}), ArchiveStatus::BadEntry);  // 32767 entries
    std::vector<std::uint8_t> fixed(23, 0);
    bytes::putU16(&fixed[8], 60000);  // a text longer than the block
    bytes::putU8(&fixed[22], 54);
    EXPECT_EQ(patched(slot.offset + 2, fixed), ArchiveStatus::BadEntry);
    bytes::putU16(&fixed[8], 57);
    bytes::putU8(&fixed[22], 20);  // a trailer too small to be one
    EXPECT_EQ(patched(slot.offset + 2, fixed), ArchiveStatus::BadEntry);
}

// --- past days of a schedule --------------------------------------------------------

class PastDaysTest : public testsupport::FaultsThrowTest {
protected:
    PastDaysTest()
    {
        s.setClock(&testClock());
        s.setMessages(&messages);
        s.header.setInterfaceMode(InterfaceMode::pro);
        s.header.setLastPastDay(kToday - 10);
        s.header.setU16(ScheduleHeader::startDayAt, static_cast<std::uint16_t>((kToday - 400).value()));
        archive.attach(s);
    }

    ItemHandle add(Schedule& into, const std::string& description, DayNumber day, bool done, int start = 541)
    {
        ItemHandle h = into.newItem();
        into.setDescription(h, description);
        into.record(h).setDay(static_cast<std::uint16_t>(day.value()));
        into.record(h).setDuration(30);
        into.record(h).setBeginTime(static_cast<std::int16_t>(start));
        into.record(h).setFlag(ItemFlag::fDone, done);
        into.itemId(h);
        EXPECT_TRUE(into.addToChain(h, day));
        into.getDay(day);
        into.days.appendEntry(day, DayEntry{h, static_cast<std::int16_t>(start), 30});
        return h;
    }
    std::vector<std::string> texts(DayNumber day)
    {
        std::vector<std::string> out;
        if (DayRecord* r = s.getDay(day))
            for (const DayEntry& e : r->entries())
                out.emplace_back(s.storedDescription(e.item));
        return out;
    }
    std::filesystem::path archiveOf(DayNumber day) { return archive.archivePath(civilDate(day).year); }

    ScriptedPresenter presenter;
    Messages messages{presenter};
    MemoryFiles files;
    Schedule s;
    ScheduleArchive archive{files, messages, kDataFile, RegionalSettings{}};
};

TEST_F(PastDaysTest, StartUpRaisesLastPastDayToTheNewestArchiveButNeverLowersItNorPassesAHeldDay)
{
    // No archive yet: yesterday, but not over a day the data file holds.
    ItemHandle tax = add(s, "tax return", kToday - 6, false);
    settleLastPastDay(s, archive, kToday);
    EXPECT_EQ(s.header.lastPastDay(), kToday - 7);
    EXPECT_TRUE(s.dirty);
    EXPECT_EQ(texts(kToday - 6), std::vector<std::string>{"tax return"});

    s.record(tax).setFlag(ItemFlag::fDone, true);
    ASSERT_EQ(archive.archiveDueDays(s, kToday, {}).archived.size(), 1u);
    ASSERT_EQ(s.header.lastPastDay(), kToday - 6);

    // A data file older than its archives (a backup put back) catches up.
    s.header.setLastPastDay(kToday - 20);
    settleLastPastDay(s, archive, kToday);
    EXPECT_EQ(s.header.lastPastDay(), kToday - 6);
    EXPECT_EQ(texts(kToday - 6), std::vector<std::string>{"tax return"});

    // A newer lastPastDay stays: those days are archived already.
    s.header.setLastPastDay(kToday - 2);
    s.dirty = false;
    settleLastPastDay(s, archive, kToday);
    EXPECT_EQ(s.header.lastPastDay(), kToday - 2);
    EXPECT_FALSE(s.dirty);
}

TEST_F(PastDaysTest, FinishedDaysMoveUntilAnUndoneItemAndComeBackForViews)
{
    add(s, "wrote report", kToday - 5, true);
    add(s, "called bank", kToday - 5, true, 600);
    s.getDay(kToday - 4);  // an empty day counts as finished
    add(s, "gym", kToday - 3, true);
    ItemHandle undone = add(s, "tax return", kToday - 3, false);
    add(s, "dentist", kToday - 2, true);
    std::size_t live = s.items.liveCount();

    // A view showing a day makes archiving wait there.
    DueDaysConditions shown;
    shown.dayIsShown = [&](DayNumber d) { return d == kToday - 5; };
    DueDaysResult waiting = archive.archiveDueDays(s, kToday, shown);
    EXPECT_EQ(waiting.stop, ArchivingStop::Shown);
    EXPECT_EQ(s.header.lastPastDay(), kToday - 10);

    DueDaysResult result = archive.archiveDueDays(s, kToday, {});
    ASSERT_EQ(result.archived.size(), 2u);
    EXPECT_EQ(result.archived[0].day, kToday - 5);
    EXPECT_EQ(result.archived[0].items, 2);
    EXPECT_EQ(result.archived[1].items, 0);
    EXPECT_EQ(result.stop, ArchivingStop::UndoneItem);
    EXPECT_EQ(result.stoppedAt, kToday - 3);
    EXPECT_EQ(s.header.lastPastDay(), kToday - 4);
    EXPECT_EQ(s.items.liveCount(), live - 2);
    EXPECT_EQ(s.findDay(kToday - 5), nullptr);
    EXPECT_TRUE(s.dirty);
    EXPECT_EQ(s.header.u32(ScheduleHeader::archivedCountAt), 2u);
    EXPECT_TRUE(s.items.isLive(undone));

    // The data file no longer holds the day; its archive does.
    std::vector<std::uint8_t> saved;
    ASSERT_TRUE(saveDataBytes(s, saved));
    LoadOptions options;
    options.clock = &testClock();
    LoadResult loaded = loadDataBytes(saved, options);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded.schedule->findDay(kToday - 5), nullptr);
    EXPECT_NE(loaded.schedule->findDay(kToday - 3), nullptr);
    archive.attach(*loaded.schedule);
    DayRecord* back = loaded.schedule->getDay(kToday - 5);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->nTasks(), 2);
    EXPECT_EQ(loaded.schedule->storedDescription(back->entries()[1].item), "called bank");
    EXPECT_EQ(loaded.schedule->record(back->entries()[1].item).beginTime(), 600);
    EXPECT_FALSE(loaded.schedule->chain.contains(back->entries()[0].item));
    EXPECT_TRUE(presenter.texts().empty());

    // Once the undone item is done, the next run goes on from there.
    s.record(undone).setFlag(ItemFlag::fDone, true);
    DueDaysResult next = archive.archiveDueDays(s, kToday, {});
    EXPECT_EQ(next.archived.size(), 2u);
    EXPECT_EQ(s.header.lastPastDay(), kToday - 2);
}

TEST_F(PastDaysTest, AChangedPastDayIsWrittenBackAndItsMonthsLogRebuilt)
{
    DayNumber day = kToday - 5;
    add(s, "planning", day, true);
    ASSERT_EQ(archive.archiveDueDays(s, kToday, {}).archived.size(), 1u);
    std::filesystem::path log = historyLogPath(kFolder, 10, 2023);
    EXPECT_EQ(log.filename(), "Oct23.log");
    EXPECT_NE(text(files.contents(log)).find("planning"), std::string::npos);

    DayRecord* r = s.getDay(day);
    ASSERT_EQ(r->nTasks(), 1);
    ItemHandle h = r->entries()[0].item;
    s.setDescription(h, "planning, with the whole team");
    s.noteChange(day);
    EXPECT_TRUE(s.findDay(day)->dirtyPast());
    s.releaseDay(day);
    EXPECT_FALSE(s.items.isLive(h));
    EXPECT_TRUE(archive.historyRebuildDue());
    EXPECT_EQ(texts(day), std::vector<std::string>{"planning, with the whole team"});

    ASSERT_TRUE(archive.rebuildHistoryLogs(s, kToday));
    std::string rebuilt = text(files.contents(log));
    EXPECT_NE(rebuilt.find("planning, with the whole team"), std::string::npos);
    EXPECT_EQ(std::count(rebuilt.begin(), rebuilt.end(), '\n'), 1);
    EXPECT_EQ(openArchive(files, archiveOf(day))->header().pendingMonths, 0);
    EXPECT_FALSE(archive.historyRebuildDue());
}

TEST_F(PastDaysTest, HistoryLinesKeepOneLinePerItemAndLeaveHeldStartsEmpty)
{
    RegionalSettings regional;
    ArchivedEntry e = entry("line one\r\nline two\nthree", 541, 45);
    e.flags |= ItemFlag::fHasNotes;
    e.refNo = 42;
    e.caseNo = 7;
    e.doneExpense = 3.5f;
    e.mileage = 12;
    std::string line = historyLine(e, kToday, "Garden", regional);
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);
    EXPECT_NE(line.find("\t 45\t00042\tline one  line two three\tGarden\t7\t3.50\t12\r\n"), std::string::npos);
    EXPECT_EQ(line.find('\t'), 8u);  // "10/21/23"
    EXPECT_NE(line.find("09:00"), std::string::npos);

    e.flags |= ItemFlag::fOnHold;
    std::string held = historyLine(e, kToday, "", regional);
    EXPECT_NE(held.find("\t\t 45\t"), std::string::npos);
}

TEST_F(PastDaysTest, AnEmptyPastDayOffersTheMergeArchiveAndKeepsWhatItFinds)
{
    DayNumber day = kToday - 20;
    {
        auto merge = openArchive(files, archive.mergeArchivePath());
        std::vector<ArchivedEntry> old = {entry("from the old machine")};
        merge->writeDay(day - dayOf(1, 1, 2023) + 1, old);
    }
    openArchive(files, archiveOf(day));
    presenter.queueAnswer(Answer::No);
    EXPECT_TRUE(texts(day).empty());
    s.releaseDay(day);
    presenter.queueAnswer(Answer::Yes);
    EXPECT_EQ(texts(day), std::vector<std::string>{"from the old machine"});
    EXPECT_TRUE(s.findDay(day)->dirtyPast());
    ASSERT_EQ(presenter.shown().size(), 2u);
    EXPECT_EQ(presenter.shown()[1].text, "Do you want to merge in data from timedata.mrg for " + s.formatDate(day));
    // Released, the day goes into its year's archive and needs no question.
    s.releaseDay(day);
    presenter.clear();
    EXPECT_EQ(texts(day), std::vector<std::string>{"from the old machine"});
    EXPECT_TRUE(presenter.shown().empty());

    s.releaseDay(day);
    DayNumber other = day - 1;
    presenter.queueAnswer(Answer::Yes);
    EXPECT_TRUE(texts(other).empty());
    EXPECT_EQ(presenter.texts().back(), kMergeArchiveEmptyText);
}

TEST_F(PastDaysTest, RefusedAndMissingArchivesAreNamedAndNeverRead)
{
    DayNumber day = kToday - 20;
    openArchive(files, archiveOf(day));
    std::vector<std::uint8_t> bytes = files.contents(archiveOf(day));
    std::uint8_t header[archive::kHeaderSize];
    scrambleInto(header, bytes.data(), sizeof header);
    bytes::putI16(header + 4, 2);
    scrambleInto(bytes.data(), header, sizeof header);
    files.put(archiveOf(day), bytes);
    EXPECT_TRUE(texts(day).empty());
    EXPECT_EQ(presenter.texts().back(),
              "Archive file " + archiveOf(day).string() + " is newer version. Run newer version of program.");

    // A missing archive is reported three times; the third also offers an
    // empty one.
    presenter.clear();
    DayNumber lastYear = kToday - 300;
    for (int i = 0; i < 4; ++i) {
        s.releaseDay(lastYear);
        if (i == 2)
            presenter.queueAnswer(Answer::Yes);
        texts(lastYear);
    }
    std::vector<std::string> shown = presenter.texts();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0], "Archive file " + archiveOf(lastYear).string() + " is missing! Restore from most recent backup.");
    EXPECT_EQ(shown[3], "Do you want to create a new (empty) archive " + archiveOf(lastYear).string() + "?");
    EXPECT_TRUE(files.exists(archiveOf(lastYear)));
}

// Regression: a day archived again because the data file that should have
// dropped it was never saved got its history lines a second time.
TEST_F(PastDaysTest, ADayArchivedAgainAfterALostSaveKeepsOneHistoryLine)
{
    DayNumber day = kToday - 5;
    add(s, "filed the report", day, true);
    std::vector<std::uint8_t> unsaved;
    ASSERT_TRUE(saveDataBytes(s, unsaved));
    ASSERT_EQ(archive.archiveDueDays(s, kToday, {}).archived.size(), 1u);

    LoadOptions options;
    options.clock = &testClock();
    LoadResult again = loadDataBytes(unsaved, options);
    ASSERT_TRUE(again);
    again.schedule->setClock(&testClock());
    ScheduleArchive rerun(files, messages, kDataFile, RegionalSettings{});
    ASSERT_EQ(rerun.archiveDueDays(*again.schedule, kToday, {}).archived.size(), 1u);
    EXPECT_TRUE(rerun.historyRebuildDue());
    ASSERT_TRUE(rerun.rebuildHistoryLogs(*again.schedule, kToday));
    std::string log = text(files.contents(historyLogPath(kFolder, 10, 2023)));
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
}

// --- a power cut while a day is archived ------------------------------------------

TEST_F(PastDaysTest, APowerCutAtAnyStepLeavesEveryDayInTheDataFileOrItsArchive)
{
    DayNumber day = kToday - 5;
    std::vector<std::string> expected;
    for (int i = 0; i < 4; ++i) {
        expected.push_back("done item " + std::to_string(i));
        add(s, expected.back(), day, true, 541 + 30 * i);
    }
    // The year's archive holds another day already, so a cut can also hit
    // a live archive, not only a new one.
    add(s, "earlier", kToday - 7, true);
    s.header.setLastPastDay(kToday - 8);
    ASSERT_EQ(archive.archiveDueDays(s, kToday - 6, {}).archived.size(), 1u);
    s.dirty = false;
    std::vector<std::uint8_t> before;
    ASSERT_TRUE(saveDataBytes(s, before));
    std::vector<std::pair<std::filesystem::path, std::vector<std::uint8_t>>> start;
    for (const auto& name : files.names())
        start.emplace_back(name, files.contents(name));

    // How many changes a whole run makes.
    int changes = 0;
    {
        MemoryFiles counting;
        for (const auto& [name, bytes] : start)
            counting.put(name, bytes);
        LoadOptions options;
        options.clock = &testClock();
        LoadResult loaded = loadDataBytes(before, options);
        ScheduleArchive counted(counting, messages, kDataFile, RegionalSettings{});
        ASSERT_EQ(counted.archiveDueDays(*loaded.schedule, kToday, {}).archived.size(), 1u);
        changes = counting.changes();
    }
    ASSERT_GE(changes, 6);

    for (int cut = 1; cut <= changes + 1; ++cut) {
        for (unsigned seed = 1; seed <= 4; ++seed) {
            SCOPED_TRACE("cut before change " + std::to_string(cut) + ", seed " + std::to_string(seed));
            MemoryFiles disk;
            for (const auto& [name, bytes] : start)
                disk.put(name, bytes);
            disk.stopAt(cut);
            LoadOptions options;
            options.clock = &testClock();
            LoadResult running = loadDataBytes(before, options);
            ASSERT_TRUE(running);
            running.schedule->header.setInterfaceMode(InterfaceMode::pro);
            ScheduleArchive archiving(disk, messages, kDataFile, RegionalSettings{});
            DueDaysResult result = archiving.archiveDueDays(*running.schedule, kToday, {});
            // The data file is replaced whole by a rename (tested with the
            // save sequence): it is the new one only when the run finished.
            std::vector<std::uint8_t> dataFile = before;
            if (!result.archived.empty()) {
                ASSERT_TRUE(saveDataBytes(*running.schedule, dataFile));
            }
            disk.losePower(seed);

            LoadResult after = loadDataBytes(dataFile, options);
            ASSERT_TRUE(after);
            Schedule& restarted = *after.schedule;
            restarted.setClock(&testClock());
            restarted.setMessages(&messages);
            ScheduleArchive reading(disk, messages, kDataFile, RegionalSettings{});
            reading.attach(restarted);
            for (DayNumber d : {day, kToday - 7}) {
                std::vector<std::string> found;
                if (DayRecord* r = restarted.getDay(d))
                    for (const DayEntry& e : r->entries())
                        found.emplace_back(restarted.storedDescription(e.item));
                EXPECT_EQ(found.size(), d == day ? expected.size() : 1u);
                if (d == day) {
                    EXPECT_EQ(found, expected);
                }
            }
            ArchiveStatus status;
            auto file = ArchiveFile::open(disk, archiveOf(day), ArchiveFile::Mode::Read, status);
            ASSERT_TRUE(file) << static_cast<int>(status);
            for (int n = 1; n <= 366; ++n)
                ASSERT_EQ(file->readDay(n).status, ArchiveStatus::Ok) << n;

            // And the next run finishes what the cut interrupted.
            if (result.archived.empty()) {
                restarted.header.setInterfaceMode(InterfaceMode::pro);
                EXPECT_EQ(reading.archiveDueDays(restarted, kToday, {}).archived.size(), 1u);
            }
        }
    }
}

} // namespace
} // namespace zk
