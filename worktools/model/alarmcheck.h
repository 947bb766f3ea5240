#pragma once
// The minute's alarm check of one session: finds today's due alarms, rings
// each through the bell, and keeps the answer in the item, so every session
// on a shared schedule sees the alarm handled.
//
// How one alarm rings:
//  1. The alarm's key (item id, reference, the repeat it rings for) goes
//     into this session's set of alarms rung today. A reload that brings
//     back an older state cannot make it ring twice in this session.
//  2. The session takes change access, which brings in what another session
//     saved. The item is found again by id; when another session answered
//     the alarm meanwhile, nothing rings. Otherwise `alarmRepeat` becomes
//     "answered" (a recurring definition gets an exception for today that
//     carries it) and the schedule is saved at once, before the question is
//     shown: of two sessions due at the same minute, exactly one rings.
//     While another session holds change access the alarm waits for the
//     next minute; after kClaimAttempts minutes it rings here anyway,
//     without the record (a late alarm is worse than a doubled one).
//  3. The bell shows the question; on "repeat", the repeat delay is asked
//     and stored under change access, unless another session answered first.
//
// "Alarm on all stations": every session on the schedule rings an alarm,
// not only the one that answers it. A session rings, without recording it,
// an alarm another session answered first, provided it saw that alarm still
// waiting to ring (or due) in its own copy; an alarm answered before this
// session watched it (a restart in the afternoon) stays quiet. Each session
// still rings each alarm once.
//
// The bell's question is modal and the event loop runs nested under it, so
// the next minute's check may run while it is open: at most kMaxOpenAlarms
// questions stack, and the fifth due alarm shows the stacking message once.
//
// The schedule is only touched inside `withSchedule`, which the desktop
// program runs under its background-work lock; never while a question is open.

#include "core/daynumber.h"
#include "worktools/model/alarms.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace zk {

class Schedule;
class Session;

// One alarm that rings.
struct RingingAlarm {
    std::uint32_t itemId = 0;
    AlarmReference reference = AlarmReference::Begin;
    std::string itemText;
    std::string message;  // "begin in 10 minutes."
    std::string text;     // the whole question
    bool dialPager = false;
};

// The side that rings: a question in the program's own window, with the
// sound and the desktop's notification as the bell sees fit.
class AlarmBell {
public:
    virtual ~AlarmBell() = default;
    // Asks whether to repeat the alarm later; true = repeat.
    virtual bool ring(const RingingAlarm& alarm) = 0;
    // The repeat delay in minutes (1..99), or none when cancelled.
    virtual std::optional<int> askRepeatMinutes(int proposal) = 0;
};

struct AlarmCheckServices {
    Session& session;
    AlarmBell& bell;
    std::function<DayNumber()> today;
    std::function<TimeValue()> now;
    // Runs the step with the schedule to itself; false when it cannot now.
    std::function<bool(const std::function<void()>& step)> withSchedule;
    // Writes the schedule (called inside withSchedule).
    std::function<void()> save;
    std::function<std::string(TimeValue)> clockText;
    std::function<bool()> alarmsOff;
    // "Alarm on all stations"; unset: off.
    std::function<bool()> allStations;
};

// An alarm due at a minute of today.
struct DueAlarm {
    std::uint32_t itemId;
    AlarmReference reference;
    std::uint16_t repeat;  // the repeat it rings for (0: the first ring)
    auto key() const { return std::tuple(itemId, static_cast<int>(reference), repeat); }
};
// Today's due alarms; only today's entries are looked at, so the cost does
// not grow with the schedule. Gives an item without an id its id.
std::vector<DueAlarm> dueAlarms(Schedule& schedule, DayNumber today, TimeValue now);

class AlarmCheck {
public:
    static constexpr int kMaxOpenAlarms = 4;
    static constexpr int kClaimAttempts = 3;

    explicit AlarmCheck(AlarmCheckServices services) : s_(std::move(services)) {}

    // The minute's check.
    void check();
    int openAlarms() const { return open_; }

private:
    using Due = DueAlarm;
    enum class Claim { Ring, RingUnrecorded, Wait, Skip };

    std::vector<Due> findDue();
    void ringOne(const Due& due);
    Claim claim(const Due& due, RingingAlarm& alarm);
    void repeat(std::uint32_t itemId);
    void newDay(DayNumber today);
    void watchAnswered(const Schedule& s, std::vector<Due>& due);

    AlarmCheckServices s_;
    DayNumber day_;
    std::set<std::tuple<std::uint32_t, int, std::uint16_t>> rung_;
    std::map<std::tuple<std::uint32_t, int, std::uint16_t>, int> waited_;
    // All stations: today's alarms still to ring, with the repeat they wait for.
    std::map<std::pair<std::uint32_t, int>, std::uint16_t> watched_;
    int open_ = 0;
    bool stackShown_ = false;
    int lastRepeat_ = 5;
};

// Today's alarms in ring order (by the minute each first rings), for lists
// and `zk alarms`: every entry of the day with an alarm set.
struct DayAlarm {
    TimeValue rings;
    std::uint32_t itemId = 0;
    AlarmReference reference = AlarmReference::Begin;
    int offset = 0;  // minutes; negative = before
    std::uint16_t repeat = 0;
    std::string text;
};
std::vector<DayAlarm> alarmsOfDay(const Schedule& schedule, DayNumber day);

} // namespace zk
