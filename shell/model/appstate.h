#pragma once
// What every part of the desktop session asks about the session as a whole.
// The start-up worker and the user-interface thread both write it, so the
// flags are atomic; the viewed day belongs to the user-interface thread
// once start-up has ended, and so does the status table, which start-up
// loads before it clears `initialising`.

#include "core/daynumber.h"
#include "core/statustable.h"

#include <atomic>

namespace zk {

struct AppState {
    // From entry until the start-up worker's last step.
    std::atomic<bool> initialising{true};
    // Set when the exit sequence has begun.
    std::atomic<bool> exiting{false};
    // The data file exists but cannot be written.
    std::atomic<bool> readOnly{false};
    // Set once the interface mode is in place; saves before run directly.
    std::atomic<bool> backgroundThreadsAllowed{false};
    // No data file existed at start / the new schedule came from the sample.
    std::atomic<bool> newSchedule{false};
    std::atomic<bool> sampleData{false};
    // An alarm or reminder is being presented: archiving waits for it.
    std::atomic<bool> alarmPresented{false};
    // The day the current schedule pane shows.
    std::atomic<int> viewedDay{0};

    // The schedule folder's statuses (STATUS.TBL).
    StatusTable statuses;

    DayNumber viewed() const { return DayNumber(viewedDay.load()); }
    void setViewed(DayNumber day) { viewedDay.store(day.value()); }
};

} // namespace zk
