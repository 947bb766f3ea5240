#include "storage/recovery.h"

#include "core/schedule.h"
#include "platform/messages.h"
#include "storage/savesequence.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace zk {

const char* const kInvalidFilenameText = "Invalid filename";
const char* const kFileNotAvailableText = "File: %s not available.";
const char* const kUnableToAccessFolderText = "Unable to access folder %s";
const char* const kDataFileMissingText = "Data file missing. Load latest backup data?";
const char* const kFileNotFoundCreateText = "File not found: %s\rCreate?";
const char* const kUseBackupText =
    "Error reading data. %s file data may be invalid or incomplete. Use latest backup file?";
const char* const kBackupAlsoInvalidText = "Backup file data also invalid or incomplete.";
const char* const kNoBackupFoundText =
    "Error reading data. %s file data may be invalid or incomplete. Replace with latest external backup file. "
    "No .BAK file found in current directory.";
const char* const kInsufficientMemoryText = "Insufficient memory to load data";
const char* const kNotValidSampleText = "Not a valid Sample file.";

namespace {

// A sample with this many items or more is a real schedule, not a sample.
constexpr int kSampleItemLimit = 41;

bool hasBakExtension(const std::filesystem::path& file)
{
    std::string ext = file.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".bak";
}

class FolderLoader {
public:
    FolderLoader(const DataFileSet& files, FileSystem& fs, Messages& messages, const ScheduleLoadRequest& request)
        : files_(files), fs_(fs), messages_(messages), request_(request)
    {
    }

    ScheduleLoad run();

private:
    ScheduleLoad loadExisting();
    ScheduleLoad loadMissing();
    ScheduleLoad loadBackup();
    ScheduleLoad recoverFrom(std::filesystem::path failed, LoadResult failure);
    ScheduleLoad adopt(const std::filesystem::path& file, LoadResult loaded, ScheduleLoadStatus status);
    bool replaceDataFileWith(const std::filesystem::path& file);
    ScheduleLoad createNew();
    ScheduleLoad createFromSample();
    std::unique_ptr<Schedule> emptySchedule() const;
    void prepareSample(Schedule& s) const;
    void takeSpecial(Schedule& s);
    std::optional<std::filesystem::path> firstExistingSuccessor(const std::filesystem::path& file);
    LoadResult read(const std::filesystem::path& file, LoadMode mode = LoadMode::Normal) const;
    ScheduleLoad fail(const std::string& text);

    const DataFileSet& files_;
    FileSystem& fs_;
    Messages& messages_;
    const ScheduleLoadRequest& request_;
};

ScheduleLoad FolderLoader::run()
{
    if (files_.folder().empty())
        return fail(kInvalidFilenameText);
    if (fs_.folderState(files_.folder()) == FolderState::Unreachable)
        return fail(kNetworkErrorText);
    return fs_.exists(files_.dataFile()) ? loadExisting() : loadMissing();
}

ScheduleLoad FolderLoader::loadExisting()
{
    LoadResult loaded = read(files_.dataFile());
    if (loaded)
        return adopt(files_.dataFile(), std::move(loaded), ScheduleLoadStatus::Loaded);
    // An unreadable file may be perfectly good: never recover over it.
    if (loaded.error == LoadError::ReadFailed)
        return fail(textWithPath(kFileNotAvailableText, files_.dataFile()));
    return recoverFrom(files_.dataFile(), std::move(loaded));
}

ScheduleLoad FolderLoader::loadMissing()
{
    if (fs_.folderState(files_.folder()) != FolderState::Present)
        return fail(textWithPath(kUnableToAccessFolderText, files_.folder()));
    // A save stopped between its renames (by an older program, or on a
    // share that cannot rename over a file) leaves the newest data complete
    // in timedata.tmp: it is what the user saved last, so it is taken
    // without a question. A partial one (a save stopped while writing) is
    // not worth one.
    if (fs_.exists(files_.temporaryFile()))
        if (LoadResult interrupted = read(files_.temporaryFile()))
            return adopt(files_.temporaryFile(), std::move(interrupted), ScheduleLoadStatus::Recovered);
    if (fs_.exists(files_.backupFile())) {
        if (messages_.question(kDataFileMissingText) != Answer::Yes)
            return {};
        return loadBackup();
    }
    if (request_.pathGiven == PathGiven::No)
        return createFromSample();
    if (messages_.question(textWithPath(kFileNotFoundCreateText, files_.dataFile())) != Answer::Yes)
        return {};
    return createNew();
}

ScheduleLoad FolderLoader::loadBackup()
{
    LoadResult loaded = read(files_.backupFile());
    if (loaded)
        return adopt(files_.backupFile(), std::move(loaded), ScheduleLoadStatus::Recovered);
    return recoverFrom(files_.backupFile(), std::move(loaded));
}

ScheduleLoad FolderLoader::recoverFrom(std::filesystem::path failed, LoadResult failure)
{
    if (failure.error == LoadError::OutOfMemory)
        return fail(kInsufficientMemoryText);
    if (!failure.failureText.empty())
        messages_.error(failure.failureText);
    // Each generation is offered once: asking again about one that already
    // failed would only go round in circles.
    for (;;) {
        std::optional<std::filesystem::path> candidate = firstExistingSuccessor(failed);
        if (!candidate)
            return fail(textWithPath(kNoBackupFoundText, failed));
        if (messages_.question(textWithPath(kUseBackupText, failed)) != Answer::Yes)
            return {};
        LoadResult loaded = read(*candidate);
        if (loaded)
            return adopt(*candidate, std::move(loaded), ScheduleLoadStatus::Recovered);
        if (loaded.error == LoadError::OutOfMemory)
            return fail(kInsufficientMemoryText);
        messages_.error(loaded.error == LoadError::ReadFailed ? textWithPath(kFileNotAvailableText, *candidate)
                                                               : std::string(kBackupAlsoInvalidText));
        failed = *candidate;
    }
}

ScheduleLoad FolderLoader::adopt(const std::filesystem::path& file, LoadResult loaded, ScheduleLoadStatus status)
{
    ScheduleLoad out;
    out.status = status;
    out.schedule = std::move(loaded.schedule);
    out.loadedFrom = file;
    const auto pak = files_.dataFile();
    if (file != pak && !replaceDataFileWith(file))
        messages_.error(textWithPath(kUnableToCreateFileText, pak));
    out.dataFileTime = fs_.modificationTime(pak);
    return out;
}

// The data file is replaced in one rename, never rewritten in place:
// timedata.bak may be a second name of the same file, and a session that
// opens the folder meanwhile finds either file whole.
bool FolderLoader::replaceDataFileWith(const std::filesystem::path& file)
{
    const auto tmp = files_.temporaryFile();
    if (file != tmp && fs_.copyFile(file, tmp) != 0) {
        fs_.remove(tmp);
        return false;
    }
    if (fs_.rename(tmp, files_.dataFile(), RenameMode::Replace) != 0)
        return false;
    fs_.syncFolder(files_.folder());
    return true;
}

ScheduleLoad FolderLoader::createNew()
{
    ScheduleLoad out;
    out.status = ScheduleLoadStatus::Created;
    out.schedule = emptySchedule();
    out.newSchedule = true;
    return out;
}

ScheduleLoad FolderLoader::createFromSample()
{
    const auto sample = request_.programFolder / kSampleFileName;
    if (request_.programFolder.empty() || !fs_.exists(sample))
        return createNew();
    LoadResult loaded = read(sample, LoadMode::Sample);
    if (!loaded)
        return createNew();  // a damaged sample holds nothing of the user's
    if (loaded.schedule->header.nItems() >= kSampleItemLimit) {
        messages_.error(kNotValidSampleText);
        ScheduleLoad out;
        out.status = ScheduleLoadStatus::EndProgram;
        return out;
    }
    prepareSample(*loaded.schedule);
    takeSpecial(*loaded.schedule);
    ScheduleLoad out;
    out.status = ScheduleLoadStatus::Created;
    out.schedule = std::move(loaded.schedule);
    out.newSchedule = true;
    out.sampleData = true;
    return out;
}

std::unique_ptr<Schedule> FolderLoader::emptySchedule() const
{
    auto s = std::make_unique<Schedule>();
    s->header = ScheduleHeader::emptySchedule();
    s->setClock(request_.options.clock);
    s->setMessages(request_.options.messages ? request_.options.messages : &messages_);
    if (request_.options.formatDate)
        s->formatDate = request_.options.formatDate;
    if (DayNumber today = s->today())
        s->header.setLastPastDay(today - 1);
    return s;
}

// The sample's days were moved to today by the loader; what is left is to
// make it a schedule of its own that starts today.
void FolderLoader::prepareSample(Schedule& s) const
{
    ScheduleHeader& h = s.header;
    if (DayNumber today = s.today()) {
        h.setLastPastDay(today - 1);
        h.setU16(ScheduleHeader::startDayAt, static_cast<std::uint16_t>(today.value()));
    }
    h.setF32(ScheduleHeader::createdVersionAt, 0.0f);  // the first save stamps this program
    h.setU32(ScheduleHeader::archivedCountAt, 0);
    // The peaks of earlier saves (8 bytes after each statistic) were the sample's.
    for (std::size_t statistic : {ScheduleHeader::statEntriesAt, ScheduleHeader::statItemsAt,
                                  ScheduleHeader::statDefinitionsAt, ScheduleHeader::statExceptionsAt})
        h.setI16(statistic + 8, 0);
}

void FolderLoader::takeSpecial(Schedule& s)
{
    const auto special = request_.programFolder / kSpecialSampleFileName;
    if (!request_.mergeSpecial || !fs_.exists(special))
        return;
    LoadResult loaded = read(special, LoadMode::Sample);
    if (!loaded)
        return;
    request_.mergeSpecial(s, *loaded.schedule);
    fs_.remove(special);
}

std::optional<std::filesystem::path> FolderLoader::firstExistingSuccessor(const std::filesystem::path& file)
{
    std::optional<std::filesystem::path> next = files_.successor(file);
    while (next && !fs_.exists(*next))
        next = files_.successor(*next);
    return next;
}

LoadResult FolderLoader::read(const std::filesystem::path& file, LoadMode mode) const
{
    LoadOptions options = request_.options;
    options.mode = mode;
    if (!options.messages)
        options.messages = &messages_;
    return loadDataFile(file, options);
}

ScheduleLoad FolderLoader::fail(const std::string& text)
{
    messages_.error(text);
    return {};
}

} // namespace

ScheduleLoad loadSchedule(const DataFileSet& files, FileSystem& fs, Messages& messages,
                          const ScheduleLoadRequest& request)
{
    return FolderLoader(files, fs, messages, request).run();
}

bool makeStartupCopy(const DataFileSet& files, FileSystem& fs, const ScheduleLoad& loaded)
{
    if (!loaded || loaded.newSchedule || hasBakExtension(loaded.loadedFrom))
        return false;
    std::optional<std::uintmax_t> data = fs.fileSize(files.dataFile());
    if (!data)
        return false;
    std::optional<std::uintmax_t> copy = fs.fileSize(files.startupCopy());
    if (copy && *copy > 2 * *data)
        return false;
    // Copied under a name of its own and renamed into place: a session
    // killed while copying leaves the previous start's copy whole, never a
    // part of one for recovery to offer.
    std::filesystem::path copying = files.startupCopy();
    copying += ".new";
    if (fs.copyFile(files.dataFile(), copying) != 0 || fs.rename(copying, files.startupCopy(), RenameMode::Replace) != 0) {
        fs.remove(copying);
        return false;
    }
    return true;
}

} // namespace zk
