#include "worktools/model/notes.h"

#include "core/bytes.h"
#include "core/scheduleheader.h"
#include "core/text.h"
#include "engine/interfacemode.h"
#include "platform/filesystem.h"
#include "shell/model/settings.h"
#include "storage/scramble.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <ctime>
#include <random>
#include <system_error>

namespace zk {

const char* const kNoteInUseText = "This note is currently in use. Please try again later.";
const char* const kNoteLockFailedText = "Unable to create note lock file";
const char* const kNoteLockRemoveFailedText = "Error encountered removing note lock file.";
const char* const kNoteRetrieveFailedText = "File error. Unable to retrieve note.";
const char* const kNoteSaveFailedText = "File error. Unable to save current note.";
const char* const kNoteDamagedText = "The note file %s is damaged. It was not loaded and is left as it is.";
const char* const kMaxNotesOpenText = "Maximum number of notes are open";
const char* const kNotesFolderText = "The notes folder %s cannot be used.";
const char* const kSelectInstanceText = "You need to select a specific instance to invoke the Separate Note command";

namespace {

constexpr std::size_t kPrefixBytes = 3;
constexpr char kMarkerWord[] = "ENCRYPTED";
constexpr std::size_t kMarkerWordBytes = sizeof kMarkerWord - 1;  // 9
constexpr std::size_t kMarkerBytes = kMarkerWordBytes + 2;        // 11
constexpr std::size_t kHeaderBytes = kMarkerBytes + 4;            // 15
constexpr std::uint8_t kMarkerFrame = 0xD8;
constexpr std::uint8_t kOldMarkerFrame = 0xB0;

std::string withPath(const char* pattern, const std::string& path)
{
    std::string text = pattern;
    text.replace(text.find("%s"), 2, path);
    return text;
}

bool isFrame(std::uint8_t b) { return b == kMarkerFrame || b == kOldMarkerFrame; }

enum class Marker { None, Whole, Damaged };

// A file that starts like the marker but does not carry all of it, with its
// length, is a scrambled note cut short: reading it as plain text and saving
// that back would lose the note for good.
Marker markerOf(std::string_view bytes)
{
    if (bytes.empty() || !isFrame(static_cast<std::uint8_t>(bytes[0])))
        return Marker::None;
    const std::string_view word = bytes.substr(1, kMarkerWordBytes);
    if (word != std::string_view(kMarkerWord).substr(0, word.size()))
        return Marker::None;
    if (bytes.size() < kHeaderBytes || bytes[kMarkerBytes - 1] != bytes[0])
        return Marker::Damaged;
    return Marker::Whole;
}

NoteText failed(std::string message)
{
    NoteText note;
    note.status = NoteText::Status::Failed;
    note.message = std::move(message);
    return note;
}

} // namespace

// --- names -----------------------------------------------------------------------------------

std::string notePrefix(const ScheduleHeader& header)
{
    std::string prefix;
    for (std::size_t i = 0; i < kPrefixBytes; ++i) {
        const auto c = static_cast<char>(header.bytes()[ScheduleHeader::notesPrefixAt + i]);
        if (c < 'a' || c > 'z')
            return {};
        prefix.push_back(c);
    }
    return prefix;
}

std::uint16_t takeNoteNumber(ScheduleHeader& header, const std::function<bool(std::uint16_t)>& noteExists)
{
    std::uint16_t n = header.nextRefNo();
    for (int tries = 0; tries < 65536; ++tries) {
        ++n;  // wraps at 16 bits; 0 is no number
        if (n != 0 && !noteExists(n)) {
            header.setNextRefNo(n);
            return n;
        }
    }
    return 0;
}

bool ensureNotePrefix(ScheduleHeader& header, std::uint32_t seed)
{
    if (!notePrefix(header).empty())
        return false;
    std::minstd_rand random(seed);
    std::uniform_int_distribution<int> letter('a', 'z');
    for (std::size_t i = 0; i < kPrefixBytes; ++i)
        header.bytes()[ScheduleHeader::notesPrefixAt + i] = static_cast<std::uint8_t>(letter(random));
    header.bytes()[ScheduleHeader::notesPrefixAt + kPrefixBytes] = 0;
    return true;
}

NoteFiles::NoteFiles(const std::filesystem::path& scheduleFolder, std::string prefix_)
    : folder(scheduleFolder / kNotesFolderName), prefix(std::move(prefix_))
{
}

std::string NoteFiles::name(std::uint32_t number) const
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%05u", static_cast<unsigned>(number));
    return prefix + digits;
}

std::filesystem::path NoteFiles::note(std::uint32_t number) const { return folder / (name(number) + ".txt"); }
std::filesystem::path NoteFiles::lock(std::uint32_t number) const { return folder / (name(number) + ".loc"); }
std::filesystem::path NoteFiles::wait(std::uint32_t number) const { return folder / (name(number) + ".WAI"); }

std::string prepareNotesFolder(const NoteFiles& files)
{
    std::error_code error;
    if (std::filesystem::is_directory(files.folder, error))
        return {};
    if (!std::filesystem::exists(files.folder, error) && std::filesystem::create_directories(files.folder, error))
        return {};
    return withPath(kNotesFolderText, files.folder.string());
}

void prepareScheduleNotes(ScheduleHeader& header, bool& changed, const std::filesystem::path& scheduleFolder,
                          const std::function<void(const std::string&)>& report)
{
    if (ensureNotePrefix(header, static_cast<std::uint32_t>(std::time(nullptr))))
        changed = true;
    if (std::string problem = prepareNotesFolder(NoteFiles(scheduleFolder, notePrefix(header))); !problem.empty())
        report(problem);
}

// --- the file ----------------------------------------------------------------------------------

NoteText readNote(const std::filesystem::path& file)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    // A notes folder that is a file is no empty note: saving would fail.
    const std::filesystem::path folder = file.parent_path();
    if (status.type() == std::filesystem::file_type::not_found && std::filesystem::exists(folder, error) &&
        !std::filesystem::is_directory(folder, error))
        return failed(withPath("Unable to check length of %s", file.string()));
    if (status.type() == std::filesystem::file_type::not_found)
        return {};
    if (error || status.type() != std::filesystem::file_type::regular)
        return failed(withPath("Unable to check length of %s", file.string()));
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error)
        return failed(withPath("Unable to check length of %s", file.string()));
    if (size > kMaxNoteFileBytes)
        return failed(withPath(kNoteDamagedText, file.string()));
    std::ifstream in(file, std::ios::binary);
    std::string content(static_cast<std::size_t>(size), '\0');
    const auto want = static_cast<std::streamsize>(size);
    if (!in || !in.read(content.data(), want) || in.gcount() != want)
        return failed(withPath("error reading %s", file.string()));

    NoteText note;
    note.status = NoteText::Status::Loaded;
    switch (markerOf(content)) {
    case Marker::Damaged: return failed(withPath(kNoteDamagedText, file.string()));
    case Marker::Whole: {
        const auto* header = reinterpret_cast<const std::uint8_t*>(content.data());
        const std::uint32_t length = bytes::u32(header + kMarkerBytes);
        if (length != content.size() - kHeaderBytes)
            return failed(withPath(kNoteDamagedText, file.string()));
        std::string text = content.substr(kHeaderBytes);
        scrambleUnit(reinterpret_cast<std::uint8_t*>(text.data()), text.size());
        note.text = textFromStored(text);
        note.scrambled = true;
        return note;
    }
    case Marker::None: break;
    }
    // Text has no NUL bytes; a file with them is not a note this program wrote.
    if (content.find('\0') != std::string::npos)
        return failed(withPath(kNoteDamagedText, file.string()));
    note.text = textFromStored(content);
    return note;
}

std::string noteFileBytes(std::string_view text, bool scramble)
{
    if (!scramble)
        return std::string(text);
    std::string content(kHeaderBytes, '\0');
    content[0] = static_cast<char>(kMarkerFrame);
    std::copy_n(kMarkerWord, kMarkerWordBytes, content.begin() + 1);
    content[kMarkerBytes - 1] = static_cast<char>(kMarkerFrame);
    auto* header = reinterpret_cast<std::uint8_t*>(content.data());
    bytes::putU32(header + kMarkerBytes, static_cast<std::uint32_t>(text.size()));
    const std::size_t at = content.size();
    content.append(text);
    scrambleUnit(reinterpret_cast<std::uint8_t*>(content.data()) + at, text.size());
    return content;
}

bool notesScrambled(const ScheduleHeader& header)
{
    return headerOption(header, HeaderOption::EncryptNotes) && !isLiteMode(header);
}

std::string writeNote(const std::filesystem::path& file, std::string_view text, bool scramble)
{
    if (replaceFileContents(systemFileSystem(), file, noteFileBytes(text, scramble)) != 0)
        return kNoteSaveFailedText;
    return {};
}

std::vector<std::string> rewriteAllNotes(const NoteFiles& files, bool scramble,
                                         const std::function<void(const std::string&)>& progress)
{
    std::vector<std::string> messages;
    std::error_code error;
    std::vector<std::filesystem::path> notes;
    for (auto it = std::filesystem::directory_iterator(files.folder, error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error))
        if (it->path().extension() == ".txt")
            notes.push_back(it->path());
    std::sort(notes.begin(), notes.end());
    for (const std::filesystem::path& file : notes) {
        const std::string name = file.filename().string();
        if (progress)
            progress(name);
        std::string digits;
        for (char c : file.stem().string())
            if (c >= '0' && c <= '9')
                digits.push_back(c);
        if (digits.empty()) {
            messages.push_back("not a good digital filename1");
            continue;
        }
        if (digits.find_first_not_of('0') == std::string::npos) {
            messages.push_back("not a good digital filename2");
            continue;
        }
        NoteText note = readNote(file);
        if (note.status == NoteText::Status::Failed) {
            messages.push_back(note.message);
            continue;
        }
        if (note.scrambled == scramble)
            continue;
        if (std::string failure = writeNote(file, note.text, scramble); !failure.empty())
            messages.push_back(failure);
    }
    return messages;
}

std::string noteInformation(const NoteFiles& files, std::uint32_t itemId, std::uint32_t number)
{
    if (number == 0)
        return "Item " + std::to_string(itemId) + " has no note";
    std::error_code error;
    const bool onDisk = std::filesystem::is_regular_file(files.note(number), error);
    return "Note " + files.name(number) + "...  " + (onDisk ? "is" : "is not") + " on disk.";
}

std::string wordCountText(std::string_view text)
{
    long words = 0, characters = 0;
    bool inWord = false;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80)
            ++characters;
        const bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\r';
        words += !blank && !inWord;
        inWord = !blank;
    }
    return std::to_string(words) + " words, " + std::to_string(characters) + " characters.";
}

// --- the lock --------------------------------------------------------------------------------------

bool noteLockAbandoned(FileTime lock, FileTime now)
{
    return lock.seconds < now.seconds - kNoteLockStaleSeconds || lock.seconds > now.seconds + kNoteLockFutureSeconds;
}

NoteLock::Taken NoteLock::take(LockFileSystem& files, const NoteFiles& notes, std::uint32_t number)
{
    const std::filesystem::path path = notes.lock(number);
    if (std::optional<FileStamp> held = files.stamp(path)) {
        ProbeResult now = files.probeNow(notes.wait(number));
        if (!now.now || !noteLockAbandoned(held->modified, *now.now))
            return {nullptr, kNoteInUseText};
        // Only the lock judged: one refreshed or replaced meanwhile is live.
        std::optional<FileStamp> still = files.stamp(path);
        if (still && *still == *held)
            files.remove(path);
    }
    CreatedFile created = files.createExclusive(path, {});
    if (created.error == EEXIST)
        return {nullptr, kNoteInUseText};
    if (created.error != 0 || !created.file)
        return {nullptr, kNoteLockFailedText};
    return {std::unique_ptr<NoteLock>(new NoteLock(files, path, std::move(created.file), created.stamp)), {}};
}

NoteLock::NoteLock(LockFileSystem& files, std::filesystem::path path, OpenFile file, FileStamp stamp)
    : files_(files), path_(std::move(path)), file_(std::move(file)), stamp_(stamp)
{
}

NoteLock::~NoteLock() { release(); }

bool NoteLock::refresh()
{
    if (released_)
        return false;
    std::optional<FileStamp> now = files_.touch(file_);
    if (!now)
        return false;
    stamp_ = *now;
    return true;
}

bool NoteLock::release()
{
    if (released_)
        return true;
    std::optional<FileStamp> current = files_.stamp(path_);
    // Taken over by another session after a long stall: theirs now.
    if (current && current->sameFile(stamp_)) {
        const int e = files_.remove(path_);
        if (e != 0 && e != ENOENT)
            return false;
    }
    file_.close();
    released_ = true;
    return true;
}

} // namespace zk
