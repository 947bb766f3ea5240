// Check Out and Check In of a schedule folder: the file set that goes, the
// folders that are full or hold part of a set, links at the destination,
// the checked-out mark, and folders that hold no usable schedule.

#include "sessionsupport.h"

#include "sharing/mobilecomputing.h"
#include "storage/schedulefilecopy.h"

#include <cerrno>
#include <unistd.h>

namespace zk {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

bool markedIn(const fs::path& folder)
{
    LoadResult loaded = loadDataFile(folder / "timedata.pak");
    return loaded && checkedOut(loaded.schedule->header);
}

std::string pathOf(int fd)
{
    std::error_code ec;
    return fs::read_symlink("/proc/self/fd/" + std::to_string(fd), ec).string();
}

std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        names.push_back(fs::relative(e.path(), folder).string());
    std::sort(names.begin(), names.end());
    return names;
}

class MobileComputingTest : public SessionFixture {
protected:
    void SetUp() override
    {
        SessionFixture::SetUp();
        const fs::path home = folder.path();
        writeText(home / "user.lst", "ann\n");
        writeText(home / "Mar23.log", "log line\n");
        writeText(home / "timedata.x23", std::string(5000, 'a'));
        fs::create_directory(home / "NOTES");
        writeText(home / "NOTES" / "abc00001.txt", "a note");
        writeText(home / "STATUS.TBL", std::string(160, '\0'));
        writeText(home / "zk.ini", "[Zelkon]\n");
        writeText(home / "other.txt", "not part of a schedule");
        writeText(outside.path() / "secret.lst", "outside");
        fs::create_symlink(outside.path() / "secret.lst", home / "linked.lst");
        session = openSession();
        ASSERT_EQ(session->session->addItem(itemOn(kSessionToday, "Pack the laptop", 540)).status, AddStatus::Added);
    }

    MobileHooks hooks()
    {
        MobileHooks h;
        h.chooseFolder = [this](const fs::path&, const std::string& caption) -> std::optional<fs::path> {
            captions.push_back(caption);
            if (answers.empty())
                return std::nullopt;
            fs::path next = answers.front();
            answers.erase(answers.begin());
            return next;
        };
        return h;
    }

    std::unique_ptr<TestSession> session;
    TempFolder outside, stick, secondStick;
    std::vector<std::string> captions;
    std::vector<fs::path> answers;
};

TEST_F(MobileComputingTest, CheckOutCopiesTheSetAndGoesOnInTheNextFolderWhenOneIsFull)
{
    // A link at the destination is replaced, never written through.
    writeText(outside.path() / "kept.lst", "must stay");
    fs::create_symlink(outside.path() / "kept.lst", stick.path() / "user.lst");
    MobileHooks h = hooks();
    // The first stick fills up at the archive.
    h.write = [this](int fd, const void* data, std::size_t size) -> ssize_t {
        if (pathOf(fd).starts_with(stick.path().string()) && pathOf(fd).find("timedata.x23") != std::string::npos) {
            errno = ENOSPC;
            return -1;
        }
        return ::write(fd, data, size);
    };
    answers = {secondStick.path()};

    EXPECT_EQ(checkOutTo(*session->session, stick.path(), h), MobileOutcome::Done);

    EXPECT_EQ(captions, std::vector<std::string>{"Insert Disk #2"});
    // The session's own activity logs go with the history logs.
    EXPECT_EQ(namesIn(stick.path()),
              (std::vector<std::string>{"Add.log", "Change.log", "Mar23.log", "timedata.pak", "user.lst"}));
    EXPECT_EQ(namesIn(secondStick.path()),
              (std::vector<std::string>{"NOTES", "NOTES/abc00001.txt", "STATUS.TBL", "timedata.x23", "zk.ini"}));
    EXPECT_FALSE(fs::is_symlink(stick.path() / "user.lst"));
    EXPECT_EQ(readText(stick.path() / "user.lst"), "ann\n");
    EXPECT_EQ(readText(outside.path() / "kept.lst"), "must stay");
    EXPECT_EQ(readText(secondStick.path() / "NOTES" / "abc00001.txt"), "a note");
    // Both copies say where the schedule is being worked on.
    EXPECT_TRUE(markedIn(folder.path()));
    EXPECT_TRUE(markedIn(stick.path()));
    EXPECT_TRUE(checkedOut(session->schedule().header));
}

TEST_F(MobileComputingTest, CheckOutThatDoesNotFinishClearsTheMarkAgain)
{
    MobileHooks h = hooks();
    h.write = [](int, const void*, std::size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    EXPECT_EQ(checkOutTo(*session->session, stick.path(), h), MobileOutcome::Cancelled);
    EXPECT_FALSE(checkedOut(session->schedule().header));
    EXPECT_TRUE(session->schedule().dirty);
    // Nothing half-written stays behind.
    EXPECT_TRUE(namesIn(stick.path()).empty());

    h.write = nullptr;
    const fs::path gone = stick.path() / "unplugged";
    EXPECT_EQ(checkOutTo(*session->session, gone, h), MobileOutcome::Failed);
    EXPECT_EQ(session->texts().back(), gone.string() + " could not be copied: No such file or directory.");
    EXPECT_FALSE(checkedOut(session->schedule().header));

    EXPECT_EQ(checkOutTo(*session->session, folder.path(), h), MobileOutcome::Failed);
    EXPECT_TRUE(session->shown(folder.path().string() + " is the schedule folder itself. Choose another folder."));
}

TEST_F(MobileComputingTest, CheckInBringsBackWhatChangedElsewhere)
{
    ASSERT_EQ(checkOutTo(*session->session, stick.path(), hooks()), MobileOutcome::Done);
    {
        // Worked on at the other machine, in the folder it went to.
        FixedClock later{LocalMoment{2023, 10, 21, 18, 0, 0}};
        TestSession away(stick.path(), later);
        ASSERT_TRUE(away.session->open());
        ASSERT_EQ(away.session->addItem(itemOn(kSessionToday, "Written on the train", 900)).status, AddStatus::Added);
        ASSERT_TRUE(away.session->save().ok());
        writeText(stick.path() / "NOTES" / "abc00001.txt", "a longer note");
    }
    // The stick's set comes back in two parts: the status table is on the second.
    fs::rename(stick.path() / "STATUS.TBL", secondStick.path() / "STATUS.TBL");
    answers = {secondStick.path()};

    EXPECT_EQ(checkInFrom(*session->session, stick.path(), hooks()), MobileOutcome::Done);

    EXPECT_EQ(captions, std::vector<std::string>{"Insert next disk to Check in."});
    Schedule& s = session->schedule();
    std::vector<std::string> texts;
    for (const DayEntry& e : s.findDay(kSessionToday)->entries())
        texts.emplace_back(s.storedDescription(e.item));
    EXPECT_EQ(texts, (std::vector<std::string>{"Pack the laptop", "Written on the train"}));
    EXPECT_FALSE(checkedOut(s.header));
    EXPECT_TRUE(s.dirty);
    EXPECT_EQ(readText(folder.path() / "NOTES" / "abc00001.txt"), "a longer note");
    ASSERT_TRUE(session->session->save().ok());
    EXPECT_FALSE(markedIn(folder.path()));
}

TEST_F(MobileComputingTest, CheckInFromAFolderWithoutAUsableScheduleChangesNothing)
{
    const std::string before = readText(folder.path() / "timedata.pak");
    EXPECT_EQ(checkInFrom(*session->session, stick.path(), hooks()), MobileOutcome::Failed);
    EXPECT_EQ(session->texts().back(), stick.path().string() + " holds no schedule to check in. Nothing was copied.");

    writeText(stick.path() / "TIMEDATA.PAK", "no schedule in here");
    writeText(stick.path() / "user.lst", "mallory\n");
    EXPECT_EQ(checkInFrom(*session->session, stick.path(), hooks()), MobileOutcome::Failed);
    EXPECT_EQ(session->texts().back(), "The schedule in " + stick.path().string() + " cannot be read. Nothing was copied.");
    EXPECT_EQ(readText(folder.path() / "user.lst"), "ann\n");
    EXPECT_EQ(readText(folder.path() / "timedata.pak"), before);
    EXPECT_TRUE(captions.empty());
}

} // namespace
} // namespace zk
