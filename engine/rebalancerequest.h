#pragma once
// Whether the floating items want placing afresh. Every change that
// affects them (toggling floating, a changed floating item, the priority
// list, the balancing settings, the keep-clear dates) sets the request;
// the next balancing run clears it. A forced request (the Balance
// Workload command) makes the next run a full one in the foreground.
//
// Set on the user-interface thread, read and cleared by a run that may be
// on its own thread: both flags are atomic.

#include <atomic>

namespace zk {

class RebalanceRequest {
public:
    void request() { requested_.store(true); }
    void force() { forced_.store(true); }
    bool requested() const { return requested_.load(); }
    bool forced() const { return forced_.load(); }
    void clearForced() { forced_.store(false); }
    // What a finished run does.
    void clear()
    {
        requested_.store(false);
        forced_.store(false);
    }

private:
    std::atomic<bool> requested_{false};
    std::atomic<bool> forced_{false};
};

} // namespace zk
