#pragma once
// The background-work lock: whoever holds it owns the schedule in memory.
// A save and a background scheduling pass hold it for their whole run; the
// user-interface thread holds it while it reads or changes the schedule
// once such work can run. So two threads never touch the schedule at once.
//
// The user-interface thread never waits long for it: it takes the lock when
// free (tryHold), or, for a change the user asked for, waits and says after
// ten seconds that background processing is occurring, then waits on.

#include <chrono>
#include <mutex>

namespace zk {

class Messages;

extern const char* const kBackgroundProcessingText;

class BackgroundWork {
public:
    // For the threads that do background work: waits as long as it takes.
    void acquire() { mutex_.lock(); }
    void release() { mutex_.unlock(); }
    // At once, or false while background work runs.
    bool tryAcquire() { return mutex_.try_lock(); }
    // For a change on the user-interface thread.
    void acquireForChange(Messages& messages);

    // Holds the lock while it lives; holding() is false when tryHold found
    // it taken.
    class Hold {
    public:
        Hold(Hold&& other) noexcept : work_(other.work_) { other.work_ = nullptr; }
        Hold& operator=(Hold&&) = delete;
        ~Hold()
        {
            if (work_)
                work_->release();
        }
        bool holding() const { return work_ != nullptr; }
        explicit operator bool() const { return holding(); }

    private:
        friend class BackgroundWork;
        explicit Hold(BackgroundWork* work) : work_(work) {}
        BackgroundWork* work_;
    };

    [[nodiscard]] Hold hold()
    {
        acquire();
        return Hold(this);
    }
    [[nodiscard]] Hold tryHold() { return Hold(tryAcquire() ? this : nullptr); }
    [[nodiscard]] Hold holdForChange(Messages& messages)
    {
        acquireForChange(messages);
        return Hold(this);
    }

    static constexpr std::chrono::milliseconds kPatience{10000};

private:
    std::timed_mutex mutex_;
};

} // namespace zk
