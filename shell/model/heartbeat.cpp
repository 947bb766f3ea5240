#include "shell/model/heartbeat.h"

#include "core/schedule.h"

namespace zk {

const char* const kInconsistentDateText = "System date is inconsistent with last session. Fix it now if incorrect.";

namespace {

bool nearMinuteBoundary(int second) { return second < 10 || second > 55; }

} // namespace

SessionMoment sessionMoment(const LocalMoment& moment, const DayWindow& window)
{
    SessionMoment m{moment.dayNumber(), moment.timeValue()};
    if (window.nightOwl && m.now < nightOwlMidnight(window.dayStart, window.dayEnd)) {
        m.now = TimeValue(m.now.value() + 1440);
        m.today = m.today - 1;
    }
    return m;
}

void Heartbeat::readClock(const LocalMoment& moment, const DayWindow& window)
{
    std::lock_guard lock(mutex_);
    current_ = sessionMoment(moment, window);
}

SessionMoment Heartbeat::moment() const
{
    std::lock_guard lock(mutex_);
    return current_;
}

void Heartbeat::tick(const LocalMoment& moment, const DayWindow& window, bool initialising)
{
    steps_.statusLine();
    if (!initialising) {
        steps_.changeAccess();
        steps_.saveWhenNeeded();
        steps_.backgroundScheduling(nearMinuteBoundary(moment.second));
        steps_.tideLine();
        steps_.countSessions();
        steps_.pendingCarryOver();
    }
    SessionMoment before = this->moment();
    readClock(moment, window);
    if (initialising)
        return;
    SessionMoment after = this->moment();
    if (after.now != before.now)
        steps_.minuteWork();
    if (after.today != before.today)
        steps_.dayChangeWork();
}

bool clockWentBack(DayNumber today, DayNumber lastSessionDay)
{
    return lastSessionDay.value() != 0 && today < lastSessionDay;
}

} // namespace zk
