// Start-up of the desktop program on a schedule of 100,000 items: how long
// until the main window is on the screen, and until the schedule is loaded
// and the session runs, beside the time `zk check` takes to load the same
// file, all in one run. The window must not wait for the load: counter
// "windowMs" should stay within 500, "runningMs" (the day on screen) within
// 300, and "windowVsZkCheck" well below 1. "residentMiB", this process's
// resident memory once the program runs, is reported beside
// "zkShowPeakMiB", the peak of `zk show` for one day of the same schedule.

#include "buildpaths.h"
#include "core/schedule.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/settingstore.h"
#include "shell/desktopapp.h"
#include "shell/mainwindow.h"
#include "storage/datafile.h"

#include "offscreen.h"

#include <QTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace zk;
namespace fs = std::filesystem;
using Seconds = std::chrono::duration<double>;

const LocalMoment kBenchMorning{2024, 3, 11, 8, 0, 0};
constexpr int kItems = 100000;
constexpr int kItemsPerDay = 20;

// Appointments on consecutive days from today, each day's spread over the
// working hours.
void writeBusySchedule(const fs::path& folder, const Clock& clock)
{
    Schedule s;
    s.setClock(&clock);
    const DayNumber today = clock.today();
    s.header.setLastPastDay(today - 1);
    for (int i = 0; i < kItems; ++i) {
        const DayNumber day = today + i / kItemsPerDay;
        const int start = TimeValue::fromClock(8, 0).value() + (i % kItemsPerDay) * 3;
        ItemHandle h = s.newItem();
        s.setDescription(h, "Appointment number " + std::to_string(i));
        ItemRecord& r = s.record(h);
        r.setKind(ItemKind::appointment);
        r.setFlags(ItemFlag::fAnchored);
        r.setBeginTime(static_cast<std::int16_t>(start));
        r.setDuration(30);
        r.setDay(static_cast<std::uint16_t>(day.value()));
        s.itemId(h);
        if (!s.days.find(day))
            s.days.insert(day);
        s.days.appendEntry(day, DayEntry{h, static_cast<std::int16_t>(start), 30});
    }
    fs::create_directories(folder);
    if (!saveDataFile(s, folder / "timedata.pak"))
        std::abort();
}

// The resident memory of this process, from /proc.
double residentMiB()
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    double kib = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmRSS: %lf kB", &kib) == 1)
            break;
    std::fclose(status);
    return kib / 1024;
}

// The peak resident memory of `zk show` for one day of the schedule.
double zkShowPeakMiB(const fs::path& folder)
{
    const std::string command = "ZELKON_NOW='2024-03-11 08:00' /usr/bin/time -f %M " + std::string(ZK_BINARY) + " show --folder '" + folder.string()
        + "' 2>&1 >/dev/null | tail -1";
    std::FILE* out = ::popen(command.c_str(), "r");
    if (!out)
        return 0;
    double kib = 0;
    if (std::fscanf(out, "%lf", &kib) != 1)
        kib = 0;
    ::pclose(out);
    return kib / 1024;
}

double zkCheckSeconds(const fs::path& folder)
{
    const std::string command = std::string(ZK_BINARY) + " check --folder '" + folder.string() + "' >/dev/null";
    auto begin = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0)
        std::abort();
    return Seconds(std::chrono::steady_clock::now() - begin).count();
}

void StartupOnALargeSchedule(benchmark::State& state)
{
    benchsupport::offscreenApplication();
    const fs::path root = fs::temp_directory_path() / ("zelkon-bench-startup-" + std::to_string(::getpid()));
    const fs::path folder = root / "schedule";
    ::setenv("ZELKON_CONFIG_HOME", (root / "config").c_str(), 1);
    fs::create_directories(root / "config");
    FixedClock clock(kBenchMorning);
    writeBusySchedule(folder, clock);

    double window = 0, running = 0, resident = 0;
    for (auto _ : state) {
        ScriptedPresenter presenter(Answer::No);
        SettingStore settings(root / "config");
        DesktopApp app(clock, presenter, settings);
        auto begin = std::chrono::steady_clock::now();
        if (app.start({folder.string(), ""}))
            std::abort();
        if (!QTest::qWaitForWindowExposed(&app.window(), 5000))
            std::abort();
        window += Seconds(std::chrono::steady_clock::now() - begin).count();
        if (!QTest::qWaitFor([&] { return !app.initialising(); }, 120000))
            std::abort();
        running += Seconds(std::chrono::steady_clock::now() - begin).count();
        resident = std::max(resident, residentMiB());
        app.terminate();
    }
    const double runs = static_cast<double>(state.iterations());
    const double check = zkCheckSeconds(folder);
    state.counters["windowMs"] = 1000 * window / runs;
    state.counters["runningMs"] = 1000 * running / runs;
    state.counters["zkCheckMs"] = 1000 * check;
    state.counters["windowVsZkCheck"] = window / runs / check;
    state.counters["residentMiB"] = resident;
    state.counters["zkShowPeakMiB"] = zkShowPeakMiB(folder);
    std::error_code ignored;
    fs::remove_all(root, ignored);
}
BENCHMARK(StartupOnALargeSchedule)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
