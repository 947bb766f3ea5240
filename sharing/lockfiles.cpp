#include "sharing/lockfiles.h"

#include "platform/fault.h"
#include "platform/messages.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <random>
#include <string>
#include <unistd.h>

namespace zk {

namespace {

std::string hostName()
{
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0)
        return {};
    return host;
}

// A name in the folder that no other session will choose: the lock file is
// moved there before it is deleted.
std::filesystem::path asideName(const ScheduleFiles& paths)
{
    std::random_device random;
    char suffix[128];
    std::snprintf(suffix, sizeof suffix, "timedata.loc.%.64s.%ld.%08x%08x", hostName().c_str(),
                  static_cast<long>(::getpid()), random(), random());
    return paths.folder / suffix;
}

constexpr std::size_t kOwnerTextLimit = 512;

// "<host> <process id>\n": who made the lock file.
std::string ownerText() { return hostName() + " " + std::to_string(static_cast<long>(::getpid())) + "\n"; }

// The lock file was made on this machine by a process that has ended. A
// lock file without an owner (older programs, or one being written) says
// nothing, and neither does one from another machine: their time decides.
bool ownerHasEnded(LockFileSystem& files, const ScheduleFiles& paths)
{
    std::optional<std::string> text = files.readContents(paths.lock, kOwnerTextLimit);
    if (!text || text->empty() || text->back() != '\n')
        return false;
    text->pop_back();
    std::size_t blank = text->rfind(' ');
    if (blank == std::string::npos || blank == 0)
        return false;
    const std::string host = hostName();
    if (host.empty() || text->compare(0, blank, host) != 0 || blank != host.size())
        return false;
    std::int64_t pid = 0;
    const char* first = text->data() + blank + 1;
    const char* last = text->data() + text->size();
    auto [end, error] = std::from_chars(first, last, pid);
    if (error != std::errc() || end != last || pid <= 0)
        return false;
    return !files.processRunning(pid);
}

// The folder's "now": the time a freshly written wait file receives.
std::optional<FileTime> folderNow(LockFileSystem& files, const ScheduleFiles& paths, Messages& messages)
{
    // An old wait file left by a session that ended would lend its old time.
    files.remove(paths.wait);
    ProbeResult probe = files.probeNow(paths.wait);
    if (probe.now)
        return probe.now;
    // Another session judging at this moment wrote one: its time serves.
    if (auto other = files.stamp(paths.wait)) {
        files.remove(paths.wait);
        return other->modified;
    }
    messages.error("Could not create access wait file " + paths.wait.string());
    return std::nullopt;
}

} // namespace

ScheduleFiles::ScheduleFiles(const std::filesystem::path& folder)
    : folder(folder),
      lock(folder / "timedata.loc"),
      wait(folder / "timedata.wai"),
      reading(folder / "timedata.reading"),
      exitRequest(folder / "timedata.xit"),
      dataFile(folder / "timedata.pak"),
      addedItems(folder / "timedata.uns")
{
}

bool lockTimeIsLive(FileTime lock, FileTime now)
{
    // Whole seconds, as every file system can report them.
    return now.seconds - kStaleSeconds <= lock.seconds && lock.seconds <= now.seconds + kFutureToleranceSeconds;
}

LockJudgement judgeLock(LockFileSystem& files, const ScheduleFiles& paths, Messages& messages,
                        std::optional<std::int32_t> leftoverStamp)
{
    if (!files.exists(paths.lock))
        return {};
    std::optional<FileTime> now = folderNow(files, paths, messages);
    // Read after "now", so a refresh in between only makes the lock younger.
    std::optional<FileStamp> lock = files.stamp(paths.lock);
    if (!lock)
        return {};
    if (!now)
        return {LockState::Live, lock};
    // The stored stamp is only a time: a live session of this machine may
    // hold a lock of that very time. Its open lock file gives it away.
    if (leftoverStamp && static_cast<std::int32_t>(lock->modified.seconds) == *leftoverStamp
        && files.probeAdvisory(paths.lock) == AdvisoryLock::Free)
        return {LockState::Abandoned, lock};
    // A holder on this machine that has ended cannot refresh its lock:
    // waiting for the lock to age would only cost the next session time.
    if (ownerHasEnded(files, paths)) {
        // Judged by the owner read from the file as it is now: the stamp
        // must be of that file, not of one created since.
        std::optional<FileStamp> again = files.stamp(paths.lock);
        if (again && *again == *lock)
            return {LockState::Abandoned, lock};
    }
    return {lockTimeIsLive(lock->modified, *now) ? LockState::Live : LockState::Abandoned, lock};
}

bool isLockAbandoned(LockFileSystem& files, Messages& messages, const std::filesystem::path& folder)
{
    return judgeLock(files, ScheduleFiles(folder), messages).state != LockState::Live;
}

namespace {

bool matches(const std::optional<FileStamp>& found, const FileStamp& expected, Match match)
{
    return found && found->sameFile(expected) && (match == Match::File || found->modified == expected.modified);
}

} // namespace

RemovalResult removeLockIfSame(LockFileSystem& files, const ScheduleFiles& paths, const FileStamp& expected,
                               Match match)
{
    // Looking first spares a live holder the moment without its lock file.
    std::optional<FileStamp> present = files.stamp(paths.lock);
    if (!present)
        return {Removal::Gone, 0};
    if (!matches(present, expected, match))
        return {Removal::Replaced, 0};
    std::filesystem::path aside = asideName(paths);
    if (int error = files.rename(paths.lock, aside))
        return error == ENOENT ? RemovalResult{Removal::Gone, 0} : RemovalResult{Removal::Failed, error};
    if (matches(files.stamp(aside), expected, match)) {
        // A copy left behind by a failed delete is not a lock file any more.
        files.remove(aside);
        return {Removal::Removed, 0};
    }
    // Someone else's lock was moved: put it back, unless a newer one has
    // taken the name meanwhile; then the moved one is out of date anyway.
    if (files.renameNoReplace(aside, paths.lock) != 0)
        files.remove(aside);
    return {Removal::Replaced, 0};
}

HeldLock::Taken HeldLock::create(LockFileSystem& files, const ScheduleFiles& paths)
{
    // Names its maker, so that a session on this machine can take it over
    // at once when this process has ended.
    CreatedFile created = files.createExclusive(paths.lock, ownerText());
    if (created.error != 0) {
        if (created.file) {  // made, but unreadable: not a lock this session can keep
            created.file.close();
            files.remove(paths.lock);
        }
        return {nullptr, created.error};
    }
    // Lets a session starting on this machine tell our lock from a leftover;
    // a share without lock support only loses that distinction.
    files.lockAdvisory(created.file);
    return {std::unique_ptr<HeldLock>(new HeldLock(files, paths, std::move(created.file), created.stamp)), 0};
}

HeldLock::Taken HeldLock::takeOver(LockFileSystem& files, const ScheduleFiles& paths, const FileStamp& judged)
{
    RemovalResult removed = removeLockIfSame(files, paths, judged, Match::FileAndTime);
    if (removed.removal == Removal::Replaced)
        return {nullptr, EEXIST};
    if (removed.removal == Removal::Failed)
        return {nullptr, removed.error};
    return create(files, paths);
}

HeldLock::HeldLock(LockFileSystem& files, const ScheduleFiles& paths, OpenFile file, FileStamp stamp)
    : files_(files), paths_(paths), file_(std::move(file)), stamp_(stamp)
{
    faultCleanup_ = addFaultCleanup([path = paths_.lock, stamp] { removeIfSameFile(path, stamp); });
}

HeldLock::~HeldLock()
{
    if (!released_)
        release();
    removeFaultCleanup(faultCleanup_);
}

bool HeldLock::inEffect()
{
    if (released_)
        return false;
    std::optional<FileStamp> now = files_.stamp(paths_.lock);
    return now && *now == stamp_;
}

bool HeldLock::refresh()
{
    if (!inEffect())
        return false;
    // Touching through our own descriptor: should the lock have been taken
    // over since the test above, only our old file's time moves.
    std::optional<FileStamp> renewed = files_.touch(file_);
    if (!renewed)
        return false;
    stamp_ = *renewed;
    return inEffect();
}

RemovalResult HeldLock::release()
{
    if (released_)
        return {Removal::Gone, 0};
    RemovalResult result = removeLockIfSame(files_, paths_, stamp_, Match::File);
    if (result.removal != Removal::Failed) {
        released_ = true;
        removeFaultCleanup(faultCleanup_);
        faultCleanup_ = 0;
        file_.close();
    }
    return result;
}

ReadingMarker::ReadingMarker(LockFileSystem& files, const ScheduleFiles& paths) : files_(files), path_(paths.reading)
{
    // Only a sign for the other sessions' status line: a marker that cannot
    // be written does not stop the reload.
    files_.createOrTruncate(path_);
    faultCleanup_ = addFaultCleanup([path = path_] {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    });
}

ReadingMarker::~ReadingMarker()
{
    removeFaultCleanup(faultCleanup_);
    files_.remove(path_);
}

} // namespace zk
