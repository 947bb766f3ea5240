#pragma once
// Notes: one text file per note in the schedule folder's "NOTES" folder,
// named by the schedule's note prefix and the item's note number (`refNo`):
// NOTES/abc00042.txt. Several items may share one number.
//
// A note file is plain text, or scrambled (the "Scramble notes on disk"
// preference; a fixed-key scramble, not encryption):
//
//   off  size  field
//     0    11  marker: 0xD8 "ENCRYPTED" 0xD8 (0xB0 framing is read too)
//    11     4  u32 little-endian: text length in bytes
//    15     n  the text, scrambled as one unit the way the data file is
//
// A file shorter than the marker and the length is plain. A scrambled file
// whose length field does not match what follows is damaged: it is not
// loaded, and a note that did not load is never saved over.
//
// Saving writes a temporary file beside the note and renames it over the
// note, so a crash leaves the old note or the new one.
//
// Two sessions never edit one note: the note lock (abc00042.loc) is created
// exclusively before the note is opened, and refreshed every minute. A lock
// is abandoned when, by the time a freshly written wait file (abc00042.WAI)
// receives, it was not refreshed for more than 90 seconds (or lies more
// than 180 seconds ahead); an abandoned lock is removed and taken over.

#include "platform/lockfilesystem.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zk {

class ScheduleHeader;

extern const char* const kNoteInUseText;
extern const char* const kNoteLockFailedText;
extern const char* const kNoteLockRemoveFailedText;
extern const char* const kNoteRetrieveFailedText;
extern const char* const kNoteSaveFailedText;
extern const char* const kNoteDamagedText;
extern const char* const kMaxNotesOpenText;
extern const char* const kNotesFolderText;
extern const char* const kSelectInstanceText;

inline constexpr const char* kNotesFolderName = "NOTES";
// Larger files are refused as damaged rather than read into memory.
inline constexpr std::uintmax_t kMaxNoteFileBytes = 64u << 20;
inline constexpr int kNoteLockStaleSeconds = 90;
inline constexpr int kNoteLockFutureSeconds = 180;

// The schedule's three-letter note prefix; empty when the header has none.
std::string notePrefix(const ScheduleHeader& header);
// Gives the header a prefix of three random lower-case letters when it has
// none; true when it changed the header.
bool ensureNotePrefix(ScheduleHeader& header, std::uint32_t seed);

struct NoteFiles {
    std::filesystem::path folder;  // the NOTES folder
    std::string prefix;

    NoteFiles(const std::filesystem::path& scheduleFolder, std::string prefix);
    std::filesystem::path note(std::uint32_t number) const;  // abc00042.txt
    std::filesystem::path lock(std::uint32_t number) const;  // abc00042.loc
    std::filesystem::path wait(std::uint32_t number) const;  // abc00042.WAI
    // "abc00042", for messages.
    std::string name(std::uint32_t number) const;
};

// The next note number from the header's counter whose file does not exist
// yet, taken (the counter moves on); 0 when every number is used. For an
// item not stored yet; a stored item takes its number with
// Schedule::notesNumber().
std::uint16_t takeNoteNumber(ScheduleHeader& header, const std::function<bool(std::uint16_t)>& noteExists);

// Start-up: gives the schedule its note prefix (marking it changed) and
// creates the NOTES folder; a folder that cannot be had is reported.
void prepareScheduleNotes(ScheduleHeader& header, bool& changed, const std::filesystem::path& scheduleFolder,
                          const std::function<void(const std::string&)>& report);

// Creates the NOTES folder when missing. The message when it cannot be had
// (a file of that name, no permission), else empty.
std::string prepareNotesFolder(const NoteFiles& files);

// --- the file ----------------------------------------------------------------------------

struct NoteText {
    enum class Status { Loaded, Missing, Failed } status = Status::Missing;
    std::string text;
    bool scrambled = false;
    std::string message;  // Failed: why
};

// Reads a note file; a missing file is an empty note.
NoteText readNote(const std::filesystem::path& file);
// The bytes a note is stored as.
std::string noteFileBytes(std::string_view text, bool scramble);
// Writes the note through a temporary file; the message when it failed.
std::string writeNote(const std::filesystem::path& file, std::string_view text, bool scramble);
// Whether the schedule's notes are written scrambled: the "Scramble notes
// on disk" option, which LITE mode does not offer. Every writer of a note
// asks here, so no way in leaves a note plain that the user asked hidden.
bool notesScrambled(const ScheduleHeader& header);

// Rewrites every note file of the folder in the form asked for; `progress`
// sees each file name. The messages of the files left alone, one per file.
std::vector<std::string> rewriteAllNotes(const NoteFiles& files, bool scramble,
                                         const std::function<void(const std::string&)>& progress = {});

// "Note abc00042...  is on disk." / "Item 7 has no note".
std::string noteInformation(const NoteFiles& files, std::uint32_t itemId, std::uint32_t number);

// "12 words, 60 characters." (characters, not bytes).
std::string wordCountText(std::string_view text);

// --- the lock ------------------------------------------------------------------------------

class NoteLock {
public:
    struct Taken {
        std::unique_ptr<NoteLock> lock;
        std::string message;  // why not: in use, or the lock could not be made
    };
    // Takes the note's lock: removes an abandoned one, then creates it
    // exclusively.
    static Taken take(LockFileSystem& files, const NoteFiles& notes, std::uint32_t number);

    // Removes the lock file when it is still this one.
    ~NoteLock();
    NoteLock(const NoteLock&) = delete;
    NoteLock& operator=(const NoteLock&) = delete;

    // The minute's refresh: keeps the lock's time current.
    bool refresh();
    // False when the lock file could not be removed.
    bool release();

private:
    NoteLock(LockFileSystem& files, std::filesystem::path path, OpenFile file, FileStamp stamp);

    LockFileSystem& files_;
    std::filesystem::path path_;
    OpenFile file_;
    FileStamp stamp_;
    bool released_ = false;
};

// Whether a note lock of time `lock` is abandoned by the folder's `now`.
bool noteLockAbandoned(FileTime lock, FileTime now);

} // namespace zk
