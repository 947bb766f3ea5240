#pragma once
// The files of change access in a schedule folder, and the lock file held
// as an object.
//
//   file              created by                          its meaning
//   timedata.loc      the session taking change access    change access is held; its
//                                                         time is the last refresh
//   timedata.wai      a session judging a lock, for a     its time is the folder's "now"
//                     moment
//   timedata.reading  a session reloading                 data another session saved
//                                                         is being read
//   timedata.xit      "Exit All Sharing"                  every session is to close
//
// Only presence and modification time count, so every session, on every
// machine, reads them alike. The lock file also names its maker,
// "<host> <process id>": a lock made on this machine by a process that has
// ended is abandoned at once, whatever its time.
//
// Contract:
// - A lock file is only ever created with an exclusive create: of any
//   number of sessions trying at once, exactly one holds it.
// - A lock is judged by the folder's own times, never by this machine's
//   clock: it is live while N - 30 <= L <= N + 300 seconds, L its time and N
//   the time a freshly written wait file receives. Only a lock whose maker
//   is known to have ended (same host, no such process) is abandoned sooner.
// - A lock file that someone else may be replacing (an abandoned one, or
//   ours after a long stall) is removed by moving it aside under a name of
//   the remover's own and deleting what was moved only when it is the file
//   judged. Anything else is put back. Deleting by name would let a late
//   taker delete the lock an earlier taker had just created.
// - HeldLock keeps its lock file open: a refresh sets the time of the file
//   it created, never of a file someone else created under the name. While
//   it lives, an internal fault removes the lock file before the process
//   ends.

#include "platform/lockfilesystem.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

namespace zk {

class Messages;

inline constexpr int kStaleSeconds = 30;
inline constexpr int kFutureToleranceSeconds = 300;

// The paths of a schedule folder that change access uses.
struct ScheduleFiles {
    explicit ScheduleFiles(const std::filesystem::path& folder);

    std::filesystem::path folder;
    std::filesystem::path lock;         // timedata.loc
    std::filesystem::path wait;         // timedata.wai
    std::filesystem::path reading;      // timedata.reading
    std::filesystem::path exitRequest;  // timedata.xit
    std::filesystem::path dataFile;     // timedata.pak
    std::filesystem::path addedItems;   // timedata.uns: items added since the last save
};

// Whether a lock file of time `lock` is live by the folder's `now`.
bool lockTimeIsLive(FileTime lock, FileTime now);

enum class LockState { None, Live, Abandoned };

struct LockJudgement {
    LockState state = LockState::None;
    std::optional<FileStamp> lock;  // the lock file as judged
};

// Judges the folder's lock file. When the wait file cannot be written
// ("Could not create access wait file %s") the lock counts as live.
// `leftoverStamp` is given only during start-up: the lock stamp this
// machine stored last. A lock file of that time that no running process
// holds open is this machine's own leftover and counts as abandoned.
LockJudgement judgeLock(LockFileSystem& files, const ScheduleFiles& paths, Messages& messages,
                        std::optional<std::int32_t> leftoverStamp = std::nullopt);

// True when the folder has no lock file or an abandoned one: the in-use
// check for a folder that is not this session's.
bool isLockAbandoned(LockFileSystem& files, Messages& messages, const std::filesystem::path& folder);

enum class Removal {
    Removed,   // the file judged is gone
    Gone,      // there was no lock file to remove
    Replaced,  // the lock file is another one now; it was left in place
    Failed,    // the lock file could not be moved (see error)
};

struct RemovalResult {
    Removal removal = Removal::Failed;
    int error = 0;
};

enum class Match {
    File,         // our own lock, whatever its time
    FileAndTime,  // an abandoned lock, as long as nobody refreshed it since
};

// Removes the lock file when it is still the one stamped.
RemovalResult removeLockIfSame(LockFileSystem& files, const ScheduleFiles& paths, const FileStamp& expected,
                               Match match);

class HeldLock {
public:
    struct Taken {
        std::unique_ptr<HeldLock> lock;
        int error = 0;  // EEXIST: another session holds a lock file
    };

    // Creates the lock file exclusively.
    static Taken create(LockFileSystem& files, const ScheduleFiles& paths);
    // Removes the abandoned lock file judged, then creates one exclusively.
    static Taken takeOver(LockFileSystem& files, const ScheduleFiles& paths, const FileStamp& judged);

    // Removes the lock file when it is still this one.
    ~HeldLock();
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

    // The lock file's stamp as this session last created or refreshed it.
    const FileStamp& stamp() const { return stamp_; }
    // The lock file is still this one, with the time of the last refresh.
    bool inEffect();
    // Renews the lock file's time; false when it is gone or not ours any more.
    bool refresh();
    // Removes the lock file. Unless the result is Failed, nothing is held
    // afterwards and the destructor has nothing left to do.
    RemovalResult release();

private:
    HeldLock(LockFileSystem& files, const ScheduleFiles& paths, OpenFile file, FileStamp stamp);

    LockFileSystem& files_;
    ScheduleFiles paths_;
    OpenFile file_;
    FileStamp stamp_;
    bool released_ = false;
    int faultCleanup_ = 0;
};

// The reading marker while this session reloads; removed when the object
// goes out of scope, and by an internal fault.
class ReadingMarker {
public:
    ReadingMarker(LockFileSystem& files, const ScheduleFiles& paths);
    ~ReadingMarker();
    ReadingMarker(const ReadingMarker&) = delete;
    ReadingMarker& operator=(const ReadingMarker&) = delete;

private:
    LockFileSystem& files_;
    std::filesystem::path path_;
    int faultCleanup_ = 0;
};

} // namespace zk
