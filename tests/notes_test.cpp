// Notes: the file forms (plain and scrambled), damaged files that must be
// left alone, rewriting every note, and the note lock between sessions.

#include "lockfilesupport.h"
#include "sessionsupport.h"

#include "core/scheduleheader.h"
#include "worktools/model/notes.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;

class NotesTest : public ::testing::Test {
protected:
    NotesTest() { EXPECT_EQ(prepareNotesFolder(files), ""); }

    TempFolder schedule;
    NoteFiles files{schedule.path(), "abc"};
    LinuxLockFileSystem lockFiles;
};

TEST_F(NotesTest, NamesAndPrefix)
{
    EXPECT_EQ(files.note(42), schedule.path() / "NOTES" / "abc00042.txt");
    EXPECT_EQ(files.lock(42), schedule.path() / "NOTES" / "abc00042.loc");
    EXPECT_EQ(files.wait(42), schedule.path() / "NOTES" / "abc00042.WAI");

    ScheduleHeader header;
    EXPECT_EQ(notePrefix(header), "");
    EXPECT_TRUE(ensureNotePrefix(header, 7));
    const std::string prefix = notePrefix(header);
    ASSERT_EQ(prefix.size(), 3u);
    EXPECT_FALSE(ensureNotePrefix(header, 8)) << "a prefix once given stays";
    EXPECT_EQ(notePrefix(header), prefix);

    EXPECT_EQ(wordCountText("Zwei  Wörter\n"), "2 words, 13 characters.");
    EXPECT_EQ(noteInformation(files, 7, 0), "Item 7 has no note");
    EXPECT_EQ(noteInformation(files, 7, 42), "Note abc00042...  is not on disk.");
    ASSERT_EQ(writeNote(files.note(42), "x", false), "");
    EXPECT_EQ(noteInformation(files, 7, 42), "Note abc00042...  is on disk.");
}

TEST_F(NotesTest, PlainAndScrambledNotesReadBackAndRewriteBothWays)
{
    const std::string text = "Bring the contract.\nÄrger vermeiden – 30 000 bytes follow.\n" + std::string(40000, 'z');
    EXPECT_EQ(readNote(files.note(1)).status, NoteText::Status::Missing);
    ASSERT_EQ(writeNote(files.note(1), text, false), "");
    ASSERT_EQ(writeNote(files.note(2), "second", true), "");

    NoteText plain = readNote(files.note(1));
    EXPECT_EQ(plain.status, NoteText::Status::Loaded);
    EXPECT_EQ(plain.text, text) << "a note above 32,867 bytes loads whole";
    EXPECT_FALSE(plain.scrambled);
    const std::string stored = readText(files.note(2));
    EXPECT_EQ(static_cast<unsigned char>(stored[0]), 0xD8);
    EXPECT_EQ(stored.substr(1, 9), "ENCRYPTED");
    EXPECT_EQ(stored.find("second"), std::string::npos);
    EXPECT_EQ(readNote(files.note(2)).text, "second");

    // Scrambling on rewrites every note with the marker; off, plain again.
    std::vector<std::string> seen;
    EXPECT_TRUE(rewriteAllNotes(files, true, [&](const std::string& name) { seen.push_back(name); }).empty());
    EXPECT_EQ(seen, (std::vector<std::string>{"abc00001.txt", "abc00002.txt"}));
    EXPECT_EQ(static_cast<unsigned char>(readText(files.note(1))[0]), 0xD8);
    EXPECT_EQ(readNote(files.note(1)).text, text);
    EXPECT_TRUE(rewriteAllNotes(files, false).empty());
    EXPECT_EQ(readText(files.note(1)), text);
    EXPECT_EQ(readText(files.note(2)), "second");

    // The older marker framing reads as scrambled too.
    std::string old = noteFileBytes("old form", true);
    old[0] = old[10] = static_cast<char>(0xB0);
    writeText(files.note(3), old);
    EXPECT_EQ(readNote(files.note(3)).text, "old form");

    writeText(files.folder / "abcxyz.txt", "no number");
    writeText(files.note(0), "number 0");
    EXPECT_EQ(rewriteAllNotes(files, true),
              (std::vector<std::string>{"not a good digital filename2", "not a good digital filename1"}));
}

TEST_F(NotesTest, DamagedNotesAreRefusedAndLeftAlone)
{
    const std::string whole = noteFileBytes("a scrambled note", true);
    const std::vector<std::string> damaged = {
        whole.substr(0, 6),                             // the marker cut short
        whole.substr(0, 12),                            // the length cut short
        whole.substr(0, whole.size() - 3),              // length field larger than the file
        whole + "tail",                                 // and smaller
        std::string("\x00\x01\x02junk\xff", 8),         // binary junk
    };
    for (const std::string& bytes : damaged) {
        writeText(files.note(5), bytes);
        NoteText note = readNote(files.note(5));
        EXPECT_EQ(note.status, NoteText::Status::Failed) << bytes.size();
        EXPECT_NE(note.message.find("abc00005.txt"), std::string::npos);
        EXPECT_FALSE(rewriteAllNotes(files, false).empty());
        EXPECT_EQ(readText(files.note(5)), bytes) << "nothing overwritten";
    }

    // A notes folder that is a file, and a note that is a folder.
    TempFolder other;
    writeText(other.path() / "NOTES", "a file");
    NoteFiles blocked{other.path(), "abc"};
    EXPECT_NE(prepareNotesFolder(blocked), "");
    EXPECT_EQ(readNote(blocked.note(1)).status, NoteText::Status::Failed);
    EXPECT_EQ(writeNote(blocked.note(1), "x", false), kNoteSaveFailedText);
    EXPECT_EQ(readText(other.path() / "NOTES"), "a file");
    std::filesystem::create_directory(files.note(6));
    EXPECT_EQ(readNote(files.note(6)).status, NoteText::Status::Failed);
}

TEST_F(NotesTest, OneSessionAtATimeEditsANote)
{
    NoteLock::Taken first = NoteLock::take(lockFiles, files, 9);
    ASSERT_TRUE(first.lock) << first.message;
    NoteLock::Taken second = NoteLock::take(lockFiles, files, 9);
    EXPECT_FALSE(second.lock);
    EXPECT_EQ(second.message, kNoteInUseText);
    EXPECT_TRUE(NoteLock::take(lockFiles, files, 10).lock) << "another note is free";

    // A lock 100 seconds older than the wait file is abandoned and taken over.
    const FileTime now = *lockFiles.probeNow(files.wait(9)).now;
    setFileTime(files.lock(9), secondsAfter(now, -100));
    NoteLock::Taken taken = NoteLock::take(lockFiles, files, 9);
    ASSERT_TRUE(taken.lock) << taken.message;
    // The old holder's release leaves the new lock in place.
    EXPECT_TRUE(first.lock->release());
    EXPECT_TRUE(std::filesystem::exists(files.lock(9)));
    EXPECT_EQ(NoteLock::take(lockFiles, files, 9).message, kNoteInUseText);
    // 80 seconds is still live; a refresh keeps it so.
    setFileTime(files.lock(9), secondsAfter(now, -80));
    EXPECT_EQ(NoteLock::take(lockFiles, files, 9).message, kNoteInUseText);
    EXPECT_TRUE(taken.lock->refresh());
    EXPECT_TRUE(taken.lock->release());
    EXPECT_FALSE(std::filesystem::exists(files.lock(9)));
    EXPECT_FALSE(std::filesystem::exists(files.wait(9)));
}

} // namespace
} // namespace zk
