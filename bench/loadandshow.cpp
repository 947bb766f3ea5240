// Loading a schedule and showing a day, at 10,000 and 100,000 items (60%
// appointments, 30% floating to-dos with due dates, 10% memos, nothing
// recurring), each figure beside the limit it is held to, all in one run:
//
//   dayVsRead        dayMs, what `zk show` does for one day in this process
//                    (open the schedule for the days shown, lay the day out
//                    and print it), over readMs, reading the same file and
//                    unscrambling it in this process (weekMs: 7 days)
//                                                                   (limit 3)
//   wholeVsRead      wholeDayMs, the same with the whole schedule loaded,
//                    as `zk show` does for a file it cannot read partly,
//                    over readMs                                 (no limit)
//   showMs, bareMs   `zk show` for one day and `zk parse date` in fresh
//                    processes; at 10,000 items showMs should stay below
//                    bareMs + 5
//   perItemRatio     time per item of a whole load (`zk check`, less a bare
//                    process) at 100,000 over 10,000 items, fresh
//                    processes                                     (limit 1.2)
//   peakVsFile       peak resident memory of `zk show` at 100,000 items
//                    over the data file's size                      (limit 2)
//   addVsReplace     `zk add` of one item over a durable atomic replace of
//                    the same bytes                                  (limit 1.5)
//   saveVsReplace    a whole durable save in this process over the same
//                    replace                                         (limit 2)
//
// Processes are timed by their own CPU time (user and system, from wait4),
// in-process work by this thread's: on a busy machine wall time mostly
// measures the other processes. Durable writes wait for the disk, which
// CPU time does not see, so those two ratios compare wall times. Each
// figure is the best of its runs. The files live in a temporary folder
// made once per run.

#include "benchschedule.h"
#include "buildpaths.h"
#include "core/daynumber.h"
#include "core/schedule.h"
#include "engine/daylayout.h"
#include "engine/placementcontext.h"
#include "engine/plistorder.h"
#include "exchange/dayblock.h"
#include "platform/clock.h"
#include "storage/datafile.h"
#include "storage/scramble.h"
#include "storage/shownschedule.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace zk;
namespace fs = std::filesystem;

const LocalMoment kMorning{2024, 3, 11, 8, 0, 0};
constexpr const char* kNowText = "2024-03-11 08:00";
constexpr int kItemsPerDay = 25;

const FixedClock& benchClock()
{
    static FixedClock clock(kMorning);
    return clock;
}

// Days from today on, kItemsPerDay items on each: appointments through
// working hours, to-dos placed after them, a memo now and then.
std::unique_ptr<Schedule> makeSchedule(int items)
{
    auto s = std::make_unique<Schedule>();
    s->setClock(&benchClock());
    const DayNumber today = benchClock().today();
    s->header.setLastPastDay(today - 1);
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> dueIn(0, 90);
    for (int i = 0; i < items; ++i) {
        const DayNumber day = today + i / kItemsPerDay;
        const int slot = i % kItemsPerDay;
        const int kind = i % 10;  // 0..5 appointment, 6..8 to-do, 9 memo
        ItemHandle h = s->newItem();
        std::string text = bench::randomText(rng);
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
        s->setDescription(h, text);
        ItemRecord& r = s->record(h);
        r.setDay(static_cast<std::uint16_t>(day.value()));
        r.setDuration(30);
        int start = 0;
        if (kind < 6) {
            r.setKind(ItemKind::appointment);
            r.setFlags(ItemFlag::fAnchored);
            start = TimeValue::fromClock(8, 0).value() + slot * 20;
            r.setBeginTime(static_cast<std::int16_t>(start));
        } else if (kind < 9) {
            r.setKind(ItemKind::task);
            r.setPriorityLetter(static_cast<std::uint8_t>('A' + i % 3));
            r.setDeadlineDate(static_cast<std::uint16_t>((day + dueIn(rng)).value()));
            start = TimeValue::fromClock(17, 0).value() + slot * 5;
        } else {
            r.setKind(ItemKind::memo);
        }
        s->itemId(h);
        s->addToChain(h, day);
        if (!s->days.find(day))
            s->days.insert(day);
        s->days.appendEntry(day, DayEntry{h, static_cast<std::int16_t>(start), 30});
        if (kind >= 6 && kind < 9)
            addToPlist(*s, h, s->plist.classCount(r.priorityLetter()) + 1, today);
    }
    return s;
}

// Set ZK_BENCH_KEEP to keep the files (for profiling zk on them).
struct BenchFolder {
    fs::path path = fs::temp_directory_path() / ("zk-bench-loadandshow-" + std::to_string(::getpid()));
    BenchFolder() { fs::create_directories(path / "config"); }
    ~BenchFolder()
    {
        std::error_code ec;
        if (!std::getenv("ZK_BENCH_KEEP"))
            fs::remove_all(path, ec);
    }
};

const fs::path& benchFolder()
{
    static BenchFolder folder;
    return folder.path;
}

struct Fixture {
    fs::path folder;
    fs::path file;
    std::size_t bytes = 0;
};

// Made once per size and run; the schedule itself is not kept, so that
// the in-process figures start from a clean heap.
const Fixture& fixture(int items)
{
    static std::map<int, Fixture> all;
    Fixture& f = all[items];
    if (f.bytes == 0) {
        f.folder = benchFolder() / std::to_string(items);
        fs::create_directories(f.folder);
        f.file = f.folder / "timedata.pak";
        if (!saveDataFile(*makeSchedule(items), f.file))
            std::abort();
        f.bytes = fs::file_size(f.file);
    }
    return f;
}

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double wallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The least of the runs: on a shared machine the other processes only ever
// add time.
double best(const std::vector<double>& v) { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); }

int runs(const benchmark::State& state) { return std::max<int>(3, static_cast<int>(state.range(1))); }

// --- in this process -----------------------------------------------------------

// Reading the whole file and unscrambling it in record-sized units.
double readAndUnscrambleSeconds(const Fixture& f)
{
    double start = threadCpuSeconds();
    std::vector<std::uint8_t> bytes(f.bytes);
    int fd = ::open(f.file.c_str(), O_RDONLY | O_CLOEXEC);
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    for (std::size_t at = 0; at < done; at += ItemRecord::kSize)
        scrambleInto(bytes.data() + at, bytes.data() + at, std::min(ItemRecord::kSize, done - at));
    benchmark::DoNotOptimize(bytes.data());
    return threadCpuSeconds() - start;
}

enum class Load { AsShown, Whole };

// What `zk show` does for the days from today, printed into a string: the
// schedule opened for those days, or loaded whole.
double loadAndShowSeconds(const Fixture& f, int days, Load load)
{
    double start = threadCpuSeconds();
    LoadOptions options;
    options.clock = &benchClock();
    options.changeAccess = [] { return false; };
    const PlacementContext now = PlacementContext::at(benchClock());
    LoadResult loaded;
    if (load == Load::Whole) {
        loaded = loadDataFile(f.file, options);
    } else {
        ShownSchedule shown = loadForShowing(f.file, options, [&](const Schedule&) {
            std::vector<DayNumber> shownDays;
            for (int i = 0; i < days; ++i)
                shownDays.push_back(now.today + i);
            return std::optional(shownDays);
        });
        if (!shown.partial)
            std::abort();  // the figure would measure the whole load
        loaded = std::move(shown.loaded);
    }
    if (!loaded)
        std::abort();
    Schedule& s = *loaded.schedule;
    DayBlockContext context{now.today, now.now, RegionalSettings{}, {}};
    std::string out;
    for (int i = 0; i < days; ++i) {
        openDayForDisplay(s, now.today + i, now);
        DayBlock block = dayBlock(s, now.today + i, context);
        out += block.title;
        for (const std::string& line : block.lines)
            out += line;
    }
    benchmark::DoNotOptimize(out.data());
    loaded.schedule.reset();
    return threadCpuSeconds() - start;
}

void LoadAndShow(benchmark::State& state)
{
    const Fixture& f = fixture(static_cast<int>(state.range(0)));
    readAndUnscrambleSeconds(f);
    loadAndShowSeconds(f, 1, Load::AsShown);
    loadAndShowSeconds(f, 1, Load::Whole);
    std::vector<double> read, day, week, wholeDay;
    for (auto _ : state) {
        for (int i = 0; i < runs(state); ++i) {
            read.push_back(readAndUnscrambleSeconds(f));
            day.push_back(loadAndShowSeconds(f, 1, Load::AsShown));
            week.push_back(loadAndShowSeconds(f, 7, Load::AsShown));
            wholeDay.push_back(loadAndShowSeconds(f, 1, Load::Whole));
        }
    }
    state.counters["readMs"] = best(read) * 1e3;
    state.counters["dayMs"] = best(day) * 1e3;
    state.counters["weekMs"] = best(week) * 1e3;
    state.counters["dayVsRead"] = best(day) / best(read);
    state.counters["dayVsRead_limit"] = 3;
    state.counters["wholeDayMs"] = best(wholeDay) * 1e3;
    state.counters["wholeVsRead"] = best(wholeDay) / best(read);
}
BENCHMARK(LoadAndShow)->Args({10000, 5})->Args({100000, 3})->Iterations(1)->Unit(benchmark::kMillisecond);

// --- fresh processes -------------------------------------------------------------

struct Child {
    double cpuSeconds = 0;
    double wallSeconds = 0;
    double peakBytes = 0;
};

// The children are started by a helper process forked before this one has
// grown: a child's peak memory as the kernel counts it starts from the
// peak of the process that started it.
class Spawner {
public:
    Spawner()
    {
        ::setenv("ZELKON_NOW", kNowText, 1);
        ::setenv("ZELKON_CONFIG_HOME", (benchFolder() / "config").c_str(), 1);
        int requests[2], answers[2];
        if (::pipe(requests) != 0 || ::pipe(answers) != 0)
            std::abort();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(requests[1]);
            ::close(answers[0]);
            serve(requests[0], answers[1]);
            ::_exit(0);
        }
        ::close(requests[0]);
        ::close(answers[1]);
        requests_ = requests[1];
        answers_ = answers[0];
    }
    ~Spawner()
    {
        ::close(requests_);
        ::close(answers_);
        ::waitpid(pid_, nullptr, 0);
    }

    Child run(const std::vector<std::string>& words)
    {
        std::string request;
        for (const std::string& w : words)
            request += w + '\0';
        std::uint32_t length = static_cast<std::uint32_t>(request.size());
        Child out;
        if (!writeAll(requests_, &length, sizeof length) || !writeAll(requests_, request.data(), length)
            || !readAll(answers_, &out, sizeof out) || out.cpuSeconds < 0) {
            std::fprintf(stderr, "zk %s failed\n", words.front().c_str());
            std::abort();
        }
        return out;
    }

private:
    static bool writeAll(int fd, const void* data, std::size_t n)
    {
        return ::write(fd, data, n) == static_cast<ssize_t>(n);
    }
    static bool readAll(int fd, void* data, std::size_t n)
    {
        auto* p = static_cast<char*>(data);
        while (n > 0) {
            ssize_t got = ::read(fd, p, n);
            if (got <= 0)
                return false;
            p += got;
            n -= static_cast<std::size_t>(got);
        }
        return true;
    }

    static void serve(int requests, int answers)
    {
        std::uint32_t length = 0;
        while (readAll(requests, &length, sizeof length)) {
            std::string request(length, '\0');
            if (!readAll(requests, request.data(), length))
                return;
            std::vector<std::string> argv{ZK_BINARY};
            for (std::size_t at = 0; at < request.size();) {
                std::size_t end = request.find('\0', at);
                argv.push_back(request.substr(at, end - at));
                at = end + 1;
            }
            Child out = spawn(argv);
            writeAll(answers, &out, sizeof out);
        }
    }

    static Child spawn(std::vector<std::string>& argv)
    {
        std::vector<char*> args;
        for (std::string& w : argv)
            args.push_back(w.data());
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        Child out;
        double begin = wallSeconds();
        pid_t pid = 0;
        int status = 0;
        rusage usage{};
        if (posix_spawn(&pid, ZK_BINARY, &actions, nullptr, args.data(), environ) != 0
            || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            out.cpuSeconds = -1;
            return out;
        }
        posix_spawn_file_actions_destroy(&actions);
        out.wallSeconds = wallSeconds() - begin;
        out.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
            + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
        out.peakBytes = static_cast<double>(usage.ru_maxrss) * 1024.0;
        return out;
    }

    pid_t pid_ = 0;
    int requests_ = -1;
    int answers_ = -1;
};

// Made before main(), while this process is still small.
Spawner spawner;

Child runZk(const std::vector<std::string>& words) { return spawner.run(words); }

Child bareProcess() { return runZk({"parse", "date", "3/11/24"}); }
// Loads the whole schedule, with every check, and prints a summary.
Child checkSchedule(const Fixture& f) { return runZk({"check", "--folder", f.folder.string()}); }
Child showDays(const Fixture& f, int days)
{
    return runZk({"show", "--folder", f.folder.string(), "--days", std::to_string(days)});
}

void ShowInFreshProcess(benchmark::State& state)
{
    const int items = static_cast<int>(state.range(0));
    const Fixture& f = fixture(items);
    std::vector<double> bare, day, week, peak;
    for (auto _ : state) {
        for (int i = 0; i < runs(state); ++i) {
            bare.push_back(bareProcess().cpuSeconds);
            Child one = showDays(f, 1);
            day.push_back(one.cpuSeconds);
            peak.push_back(one.peakBytes);
            week.push_back(showDays(f, 7).cpuSeconds);
        }
    }
    state.counters["bareMs"] = best(bare) * 1e3;
    state.counters["showMs"] = best(day) * 1e3;
    state.counters["show7Ms"] = best(week) * 1e3;
    state.counters["showMs_limit"] = best(bare) * 1e3 + 5;
    state.counters["fileMiB"] = static_cast<double>(f.bytes) / (1 << 20);
    state.counters["peakMiB"] = best(peak) / (1 << 20);
    state.counters["peakBytesPerItem"] = best(peak) / items;
    state.counters["peakVsFile"] = best(peak) / static_cast<double>(f.bytes);
    state.counters["peakVsFile_limit"] = 2;
}
BENCHMARK(ShowInFreshProcess)->Args({10000, 5})->Args({100000, 3})->Iterations(1)->Unit(benchmark::kMillisecond);

void LoadScalingInFreshProcesses(benchmark::State& state)
{
    const Fixture& small = fixture(10000);
    const Fixture& large = fixture(100000);
    std::vector<double> bare, smallRuns, largeRuns;
    for (auto _ : state) {
        for (int i = 0; i < runs(state); ++i) {
            bare.push_back(bareProcess().cpuSeconds);
            smallRuns.push_back(checkSchedule(small).cpuSeconds);
            largeRuns.push_back(checkSchedule(large).cpuSeconds);
        }
    }
    const double b = best(bare);
    const double perItemSmall = std::max(1e-9, best(smallRuns) - b) / 10000;
    const double perItemLarge = std::max(1e-9, best(largeRuns) - b) / 100000;
    state.counters["nsPerItem10k"] = perItemSmall * 1e9;
    state.counters["nsPerItem100k"] = perItemLarge * 1e9;
    state.counters["perItemRatio"] = perItemLarge / perItemSmall;
    state.counters["perItemRatio_limit"] = 1.2;
}
BENCHMARK(LoadScalingInFreshProcesses)->Args({0, 15})->Iterations(1)->Unit(benchmark::kMillisecond);

// --- saving ------------------------------------------------------------------------

// Flushes the written file, renames it over the target and flushes the
// folder, so that the rename too survives a crash.
void replaceDurably(int fd, const fs::path& temporary, const fs::path& target)
{
    ::fsync(fd);
    ::close(fd);
    ::rename(temporary.c_str(), target.c_str());
    int dir = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::fsync(dir);
    ::close(dir);
}

// Write, flush, rename over the file, flush the folder: the least a durable
// save of the same bytes costs.
double durableReplaceSeconds(const fs::path& folder, std::size_t bytes)
{
    static std::vector<char> block(64 * 1024, 'z');
    const fs::path temporary = folder / "replace.tmp", target = folder / "replace.dat";
    double start = wallSeconds();
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    for (std::size_t done = 0; done < bytes;) {
        std::size_t n = std::min(block.size(), bytes - done);
        if (::write(fd, block.data(), n) != static_cast<ssize_t>(n))
            std::abort();
        done += n;
    }
    replaceDurably(fd, temporary, target);
    return wallSeconds() - start;
}

// The writer's whole save, made durable the same way.
double durableSaveSeconds(Schedule& schedule, const fs::path& folder)
{
    const fs::path temporary = folder / "whole.tmp", target = folder / "whole.pak";
    double start = wallSeconds();
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (!saveDataFile(schedule, fd))
        std::abort();
    replaceDurably(fd, temporary, target);
    return wallSeconds() - start;
}

void AddAndSave(benchmark::State& state)
{
    const int items = static_cast<int>(state.range(0));
    const Fixture& f = fixture(items);
    std::vector<double> add, save, replace;
    LoadOptions options;
    options.clock = &benchClock();
    LoadResult loaded = loadDataFile(f.file, options);
    if (!loaded)
        std::abort();
    const std::vector<std::string> addOne{"add", "--folder", f.folder.string(), "--", "3/12/24 10:00 30 Bench item"};
    // Every measured step as in a folder in use: the fixture just written
    // is on the disk, each replace goes over an older file and each add
    // frees the generation before last, as a durable replace and a save
    // do every time after their first.
    int folder = ::open(f.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::syncfs(folder);
    ::close(folder);
    durableReplaceSeconds(f.folder, f.bytes);
    durableSaveSeconds(*loaded.schedule, f.folder);
    runZk(addOne);
    runZk(addOne);
    for (auto _ : state) {
        for (int i = 0; i < runs(state); ++i) {
            replace.push_back(durableReplaceSeconds(f.folder, f.bytes));
            add.push_back(runZk(addOne).wallSeconds);
            save.push_back(durableSaveSeconds(*loaded.schedule, f.folder));
        }
    }
    state.counters["replaceMs"] = best(replace) * 1e3;
    state.counters["addMs"] = best(add) * 1e3;
    state.counters["saveMs"] = best(save) * 1e3;
    state.counters["addVsReplace"] = best(add) / best(replace);
    state.counters["addVsReplace_limit"] = 1.5;
    state.counters["saveVsReplace"] = best(save) / best(replace);
    state.counters["saveVsReplace_limit"] = 2;
}
BENCHMARK(AddAndSave)->Args({10000, 5})->Args({100000, 5})->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
