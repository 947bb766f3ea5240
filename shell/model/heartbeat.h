#pragma once
// The session's heartbeat: one tick a second drives the status line, change
// access, saving and background scheduling, and, when the minute or the day
// changes, the minute work and the day change work.
//
// The order of a tick (runTick):
//  1. the status line, always;
//  2. unless initialising: change access, the save when one is needed,
//     background scheduling (told whether the moment is near a minute
//     boundary: seconds below 10 or above 55), the tide line, the count of
//     running sessions, a pending carry-over;
//  3. the clock is read into today and now (the night-owl rule below);
//  4. unless initialising: the minute work when now changed, then the day
//     change work when today changed.
// While initialising only the status line and the clock move.
//
// The night-owl rule: when the day window ends after midnight, a moment
// before the middle of the hours outside the window still belongs to the
// day before, as a time value past 1440.

#include "core/daynumber.h"
#include "platform/clock.h"

#include <mutex>

namespace zk {

// What a tick does at each step; the host does the work.
class TickSteps {
public:
    virtual ~TickSteps() = default;
    virtual void statusLine() = 0;
    virtual void changeAccess() = 0;
    virtual void saveWhenNeeded() = 0;
    virtual void backgroundScheduling(bool nearMinuteBoundary) = 0;
    virtual void tideLine() = 0;
    virtual void countSessions() = 0;
    virtual void pendingCarryOver() = 0;
    virtual void minuteWork() = 0;
    virtual void dayChangeWork() = 0;
};

// Today and now as the session counts them.
struct SessionMoment {
    DayNumber today;
    TimeValue now;
    friend bool operator==(const SessionMoment&, const SessionMoment&) = default;
};

// The day window the night-owl rule looks at (the schedule header's).
struct DayWindow {
    TimeValue dayStart;
    TimeValue dayEnd;
    bool nightOwl = false;
};

SessionMoment sessionMoment(const LocalMoment& moment, const DayWindow& window);

class Heartbeat {
public:
    explicit Heartbeat(TickSteps& steps) : steps_(steps) {}

    // The clock as it stands, without running any work (start-up).
    void readClock(const LocalMoment& moment, const DayWindow& window);
    void tick(const LocalMoment& moment, const DayWindow& window, bool initialising);

    // Read by any thread; the start-up worker and the ticks both set it.
    SessionMoment moment() const;
    DayNumber today() const { return moment().today; }
    TimeValue now() const { return moment().now; }

private:
    TickSteps& steps_;
    mutable std::mutex mutex_;
    SessionMoment current_;
};

// The date check: the clock stands before the last session's day.
bool clockWentBack(DayNumber today, DayNumber lastSessionDay);
extern const char* const kInconsistentDateText;

} // namespace zk
