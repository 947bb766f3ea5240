#pragma once
// Change access: the right of one session at a time to change the data of a
// schedule folder, held as the folder's lock file (sharing/lockfiles.h). Any
// number of sessions read; the holder takes the right just before a change
// and gives it back once the change is saved, and the others reload what it
// saved.
//
// States, with the function behind each transition:
//
//            requestChangeAccess()              takeChangeAccess()
//   Idle ──────────────────────────▶ Requesting ──────────────────▶ Holding ◀─────────┐
//    ▲                                   │ the lock is live, or        │   markSaving()  │ afterSave(Partial)
//    │                                   │ none could be created       │        ▼        │
//    │ the next tick()                   ▼                             │      Saving ────┘
//    │                                Waiting                          │        │ afterSave(Full)
//   Released ◀─────────────────────────────────────────────────────────┴────────┘
//            releaseChangeAccess(): by tick() once nothing is left to save,
//            or by afterSave(Full)
//
//   Waiting ── waitingStep(), once a second, finds the lock gone or abandoned:
//              an item is pending: requestChangeAccess() ──▶ Holding;
//              none: a beep ──▶ Idle
//   Holding ── refreshLock() or changeAccessInEffect() find the lock file
//              taken over by another session ──▶ Idle (the lock is lost)
//   any ────── stopForFault(), atExit(): a held lock file is removed
//
// Invariants:
//  1. Holding (and Saving) exactly while this object owns a HeldLock; every
//     change access it reports is checked against the lock file on the way:
//     a lock file found replaced is dropped, never re-created over the other
//     holder's.
//  2. A lock file is only created exclusively (HeldLock), and only a lock
//     file this session created or judged abandoned is ever removed by it.
//  3. At most one item is pending, and only while change access is not held.
//  4. Locks are judged by the folder's file times only. The clock says when
//     to refresh and whether the refusal message may be shown, nothing more.
//
// Threads: members are called on the user-interface thread, and by a save
// on its own thread (changeAccessInEffect, refreshLock, afterSave, and what
// they call). Members take the object's lock, and the hooks run on the
// caller's thread with it held: a hook may call back into this object, but
// must not wait for another thread that does. waitForChangeAccess() pauses
// without the lock.

#include "core/daynumber.h"
#include "core/itemrecord.h"
#include "sharing/lockfiles.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace zk {

class Clock;
class Messages;
enum class LoadError;

enum class AccessState {
    Idle,        // not holding, nothing waits
    Requesting,  // inside requestChangeAccess(): what its hooks see
    Holding,     // our lock file is in the folder and refreshed
    Saving,      // holding, and a save is writing
    Released,    // just given back; Idle from the next tick on
    Waiting,     // refused: the access pending window is open or an item is pending
};

enum class AccessRight { ViewOnly, Modify };
enum class SessionPhase { StartingUp, Running };
enum class SaveKind { Full, Partial };
enum class PendingResult { Held, Dropped };

enum class ReloadStatus { Loaded, Failed, OutOfMemory };
ReloadStatus reloadStatusOf(LoadError error);

// What the reload check found.
enum class ReloadCheck {
    Unreachable,      // the schedule folder is not there
    NoDataFile,       // nothing to reload
    AbortInProgress,
    NotLoaded,        // this session has not loaded the data file yet
    Older,            // the file is older than what this session loaded
    Unchanged,
    WriterActive,     // newer, but another session holds the lock: it may still be writing
    Newer,            // newer, and it may be reloaded now
};

// A new item that waits for change access, with the day it belongs to.
struct PendingItem {
    ItemRecord record{};
    std::string text;
    DayNumber day;
};

// What the session is doing, as far as giving change access back goes.
struct SessionActivity {
    bool unsavedChanges = false;
    bool editing = false;  // an editing dialog is open or an editing operation runs
    bool alarmMessageOpen = false;
};

// How the session takes part. Every hook may be left empty.
struct ChangeAccessHooks {
    // Drops the schedule in memory and loads the data file anew (restoring
    // the selection and the view). Needed once the session reloads.
    std::function<ReloadStatus(const std::filesystem::path& dataFile)> reload;
    // Adds the item that waited for change access, with its log line.
    std::function<void(PendingItem&&)> addPendingItem;
    std::function<SessionActivity()> activity;
    // The access pending window: open it (false: it could not be created),
    // close it, bring it to the front. Without them it is only a state.
    std::function<bool()> openPendingWindow;
    std::function<void()> closePendingWindow;
    std::function<void()> focusPendingWindow;
    // The title shows whether change access is held.
    std::function<void()> titleChanged;
    // Posts a close request to every session window on this machine.
    std::function<void()> closeAllSessions;
    // The setting TimeLockfileCreated: the lock stamp this machine created last.
    std::function<std::optional<std::int32_t>()> readLockStamp;
    std::function<void(std::int32_t)> writeLockStamp;
    // How waitForChangeAccess() pauses between attempts; false stops the
    // wait. Unset: it sleeps, and cancelWaiting() wakes it.
    std::function<bool(std::chrono::milliseconds)> pause;
};

inline constexpr std::chrono::milliseconds kWaitStep{1000};  // the tick's period
inline constexpr int kRefreshSeconds = 10;

// The status line while this session reloads; the access pending window's line.
extern const char* const kReloadingStatusText;
extern const char* const kAccessPendingText;

class ChangeAccess {
public:
    // Ends a save's Saving state when it goes out of scope; made before the
    // save starts, it may travel to the save thread.
    class SavingMark {
    public:
        SavingMark(SavingMark&& other) noexcept : access_(other.access_) { other.access_ = nullptr; }
        SavingMark& operator=(SavingMark&&) = delete;
        ~SavingMark();

    private:
        friend class ChangeAccess;
        explicit SavingMark(ChangeAccess* access) : access_(access) {}
        ChangeAccess* access_;
    };

    ChangeAccess(const std::filesystem::path& folder, const Clock& clock, Messages& messages, std::string userName,
                 LockFileSystem& files, ChangeAccessHooks hooks = {});
    // Gives back a held lock file.
    ~ChangeAccess();
    ChangeAccess(const ChangeAccess&) = delete;
    ChangeAccess& operator=(const ChangeAccess&) = delete;

    // --- the session -------------------------------------------------------
    void setAccessRight(AccessRight right);
    void setPhase(SessionPhase phase);
    // After the session loaded the data file itself (start-up).
    void noteDataLoaded();
    // The next check reloads, whatever the data file's time.
    void markDataStale();
    const ScheduleFiles& paths() const { return paths_; }
    // For the access pending window's line.
    const std::string& userName() const { return userName_; }

    // --- what it shows -------------------------------------------------------
    AccessState state() const;
    bool holding() const;
    // Whether a change may be offered: a request would not be refused.
    bool mayChangeNow();
    // Not holding, and a lock file exists (the status line's " !").
    bool anotherSessionHolds();
    // Some session reloads (the status line's " %").
    bool readingInProgress();
    // This session reloads now (kReloadingStatusText).
    bool reloading() const;
    // The data file is newer than what this session has (a difference of
    // exactly an hour is a time-zone shift, not a save): commands that
    // change something wait for the reload.
    bool newerDataWaiting();
    bool abortInProgress() const;
    bool dontSave() const;
    bool accessPendingOpen() const;
    bool itemPending() const;
    // Seconds since 1970 by the clock, of the last reload.
    std::optional<std::int64_t> lastReloadTime() const;

    // --- requesting and holding ----------------------------------------------
    // Before every change. True when this session holds change access
    // afterwards; otherwise it waits (the access pending window opens).
    bool requestChangeAccess();
    // A request that waits at most `limit`, trying once per kWaitStep.
    bool waitForChangeAccess(std::chrono::seconds limit);
    // The access pending window's Cancel; also ends a waitForChangeAccess().
    void cancelWaiting();
    // The Save command: a request that says why it failed, or how saving works.
    bool requestForSaveCommand();
    // Keeps a new item until change access comes; a second one is refused
    // ("One item already pending...") and dropped.
    PendingResult holdPendingItem(PendingItem item);
    std::optional<PendingItem> takePendingItem();

    // --- saving --------------------------------------------------------------
    [[nodiscard]] SavingMark markSaving();
    // Called by the save before it writes: false means the save must not
    // write ("Change access not in effect. Save aborted." once a session).
    bool changeAccessInEffect();
    // Called by the save once the data file is written (the journal of
    // added items is the session's business).
    void afterSave(SaveKind kind);
    // Gives change access back. False when the lock file could not be
    // removed ("Error encountered removing schedule lock file. rc=%d");
    // change access is then still held.
    bool releaseChangeAccess();
    // Renews the lock file's time (the tick, and long renames of a save).
    bool refreshLock();

    // --- other sessions' work -------------------------------------------------
    bool isLockAbandoned();
    ReloadCheck checkReload();
    // Brings in what another session saved. True when this session has the
    // newest data afterwards. A reload that fails for any reason but memory
    // ends the session through the internal-fault path: the schedule in
    // memory is gone by then.
    bool reloadIfChanged();

    // --- the one-second timer --------------------------------------------------
    void tick();
    // The tick's step for a waiting session, for callers that drive the
    // waiting themselves.
    void waitingStep();

    // --- exit ------------------------------------------------------------------
    // False when the user keeps the program open because an item is pending.
    bool confirmExit();
    void atExit();
    // The fatal-error stop: nothing is saved or requested any more, the
    // reading marker and a held lock file are removed.
    void stopForFault();
    // "Exit All Sharing": asks every session on this folder to close.
    void requestExitAll();
    bool exitRequested();
    // At start: an old request must not close the new session.
    void removeLeftoverExitRequest();

private:
    struct KnownData {
        enum class Kind { NotLoaded, MustReload, Known } kind = Kind::NotLoaded;
        FileTime time;
    };

    bool unreachable();
    bool holdingInEffect();
    bool lockHeldByOther();
    void dropLostLock();
    bool takeChangeAccess();
    bool doReload(FileTime dataTime);
    void noteLockStamp();
    void addPending();
    void openPendingWindow();
    void closePendingWindow();
    bool refreshDue() const;
    bool pause(std::chrono::milliseconds step);
    void endSaving();
    SessionActivity activity() const;

    const Clock& clock_;
    Messages& messages_;
    std::string userName_;
    LockFileSystem& files_;
    ChangeAccessHooks hooks_;
    ScheduleFiles paths_;

    mutable std::recursive_mutex mutex_;
    std::unique_ptr<HeldLock> held_;
    std::unique_ptr<ReadingMarker> readingMarker_;
    std::optional<PendingItem> pending_;
    KnownData known_;
    AccessRight right_ = AccessRight::Modify;
    SessionPhase phase_ = SessionPhase::Running;
    bool pendingWindowOpen_ = false;
    bool requesting_ = false;
    bool justReleased_ = false;
    bool reloading_ = false;
    bool refusalShown_ = false;
    bool abort_ = false;
    bool dontSave_ = false;
    std::int64_t lastRefresh_ = 0;
    std::optional<std::int64_t> lastReload_;
    std::atomic<int> saving_{0};

    std::mutex waitMutex_;
    std::condition_variable waitWake_;
    bool waitCancelled_ = false;
};

} // namespace zk
