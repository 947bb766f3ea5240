#include "shell/model/startup.h"

#include "core/schedule.h"
#include "shell/model/deletecommands.h"
#include "platform/messages.h"
#include "platform/settingstore.h"
#include "shell/model/appstate.h"
#include "shell/model/archiving.h"
#include "shell/model/heartbeat.h"
#include "shell/model/settings.h"
#include "sharing/mobilecomputing.h"
#include "sharing/session.h"
#include "sharing/workgroup.h"
#include "storage/statustablefile.h"
#include "worktools/model/notes.h"
#include "worktools/model/timezones.h"

#include <unistd.h>

namespace zk {

namespace {

DayWindow windowOf(const Schedule& s) { return {s.dayStart(), s.dayEnd(), s.nightOwl()}; }

// --- steps whose modules are still to come -------------------------------------------

// Without a table the World Timeline has nothing to show.
void loadTimeZones(const StartupServices& s)
{
    const ZoneFiles files{s.settings.folder() / kZoneFileName, s.session.settings().programFolder / kZoneFileName};
    ZoneStart start = startTimeZones(s.session.schedule().header, files, computerZone());
    if (start.problem)
        s.messages.error(*start.problem);
    if (!start.table)
        s.preferences.setOn(IntSetting::WorldTimeline, false);
}
void checkArchives(const StartupServices& s)
{
    s.heartbeat.readClock(s.clock.localNow(), windowOf(s.session.schedule()));
    settleLastPastDay(s.session.schedule(), s.session.archive(), s.heartbeat.today());
}
// NotesWindowPos is read with the other settings.
void readNotesWindowPosition(const StartupServices&) {}
void prepareNotes(const StartupServices& s)
{
    Schedule& schedule = s.session.schedule();
    prepareScheduleNotes(schedule.header, schedule.dirty, s.session.files().folder(),
                         [&](const std::string& problem) { s.messages.error(problem); });
}
// Without passwords everything is unlocked, as it is from the start.
void checkPassword(const StartupServices& s)
{
    if (headerPasswords(s.session.schedule().header).any())
        s.host.checkPasswords();
}
// A checked-out schedule is worked on elsewhere until it comes back.
void offerCheckIn(const StartupServices& s)
{
    if (!s.state.readOnly && checkedOut(s.session.schedule().header))
        s.host.offerCheckIn();
}
// ServerDrive is read afresh by each workgroup command, and change access
// keeps itself up on the tick.
void startWorkgroupUpkeep(const StartupServices& s) { s.host.rememberRecentSchedule(); }
// FIXME: the schedule window computes today's sunrise and sunset.
void computeSunTimes(const StartupServices&) {}
void askUserName(const StartupServices& s)
{
    if (headerUserName(s.session.schedule().header).empty() && !s.state.readOnly)
        s.host.askUserName();
}

// --- steps done here -----------------------------------------------------------------

ScheduleOrigin originOf(const Session& session)
{
    return session.newSchedule() ? ScheduleOrigin::New : ScheduleOrigin::Existing;
}

bool openSchedule(const StartupServices& s)
{
    if (!s.session.open())
        return false;
    s.state.newSchedule = s.session.newSchedule();
    s.state.sampleData = s.session.sampleData();
    if (s.session.newSchedule() && s.session.sampleData())
        recordSampleItems(s.session.schedule(), s.session.files().folder());
    readAllSettings(s.preferences, s.settings, s.session.schedule().header, originOf(s.session));
    s.host.placeMainWindow();
    return true;
}

// Data from old program versions moves to PRO with the defaults its users
// had; sample data keeps the mode it was made in.
void applyProDefaultsToOldData(const StartupServices& s)
{
    ScheduleHeader& header = s.session.schedule().header;
    if (s.session.newSchedule() || !wantsProDefaults(header, s.session.sampleData()))
        return;
    applyProDefaults(header, s.preferences, s.settings);
    s.session.schedule().dirty = true;
}

// A new schedule gets the header defaults; without sample data the user's
// own settings then count again over what the defaults just set.
void headerDefaults(const StartupServices& s)
{
    ScheduleHeader& header = s.session.schedule().header;
    applyNewScheduleDefaults(header, s.preferences, s.settings);
    if (!s.session.sampleData())
        readAllSettings(s.preferences, s.settings, header, ScheduleOrigin::New);
}

// Before this session saves, the header still names the program that last
// wrote the data file, which decides whether the table predates cell colours.
void loadStatuses(const StartupServices& s)
{
    const StatusTableFile file{s.session.files().folder(), systemFileSystem(), s.messages};
    loadStatusTable(s.state.statuses, file, s.session.schedule().header.writerVersion(),
                    static_cast<std::uint32_t>(s.preferences.color(ColorSetting::ColorNormalText)));
}

void setReadOnly(const StartupServices& s)
{
    const auto data = s.session.files().dataFile();
    s.state.readOnly = ::access(data.c_str(), F_OK) == 0 && ::access(data.c_str(), W_OK) != 0;
}

// Every schedule folder this program works in is one the user may write:
// there is no protected program folder that would take the data elsewhere.
void rememberDataFolder(const StartupServices& s)
{
    s.settings.setValue("DataFolder", s.session.files().folder().string());
}

// A new schedule has no last session of its own (a sample's is the day it
// was made).
void dateCheck(const StartupServices& s)
{
    if (s.session.newSchedule())
        return;
    const Schedule& schedule = s.session.schedule();
    DayNumber lastSession(schedule.header.u16(ScheduleHeader::lastSaveDayAt));
    if (clockWentBack(s.heartbeat.today(), lastSession))
        s.messages.error(kInconsistentDateText);
}

void readyNewOrExisting(const StartupServices& s)
{
    if (!s.session.newSchedule())
        return;  // the start-up copy was made as the data file was read
    s.session.access().requestChangeAccess();
    Schedule& schedule = s.session.schedule();
    schedule.templateItem.setDuration(10);
    headerDefaults(s);
    schedule.dirty = true;
}

void runDayChangeWhenNewDay(const StartupServices& s)
{
    const Schedule& schedule = s.session.schedule();
    s.heartbeat.readClock(s.clock.localNow(), windowOf(schedule));
    DayNumber lastSession(schedule.header.u16(ScheduleHeader::lastSaveDayAt));
    if (lastSession != s.heartbeat.today())
        s.host.dayChangeWork();
}

} // namespace

bool runStartup(const StartupServices& s)
{
    if (!openSchedule(s))
        return false;
    loadTimeZones(s);
    if (s.session.newSchedule())
        s.host.setDefaultWindowLayout();
    checkArchives(s);
    setReadOnly(s);
    rememberDataFolder(s);
    loadStatuses(s);
    applyProDefaultsToOldData(s);
    readNotesWindowPosition(s);
    s.heartbeat.readClock(s.clock.localNow(), windowOf(s.session.schedule()));
    s.state.setViewed(s.heartbeat.today());
    dateCheck(s);
    // The view layout and the fonts are the window's: it takes them from
    // the header and the settings with the interface mode, below.
    checkPassword(s);
    prepareNotes(s);
    readyNewOrExisting(s);
    s.host.applyInterfaceMode();
    runDayChangeWhenNewDay(s);
    offerCheckIn(s);
    // Today's alarms, the day's reminders and the automatic backup need no
    // step here: the first minute's work does them.
    startWorkgroupUpkeep(s);
    computeSunTimes(s);
    s.host.reopenWindows();
    askUserName(s);
    s.host.showToday();
    s.host.offerUndoneReminder();
    s.state.initialising = false;
    s.messages.setInitialising(false);
    s.session.access().setPhase(SessionPhase::Running);
    return true;
}

} // namespace zk
