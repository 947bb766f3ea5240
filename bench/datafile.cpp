// Writing and loading the data file of a schedule of 10,000 and 100,000
// items (60% fixed items on days, 30% floating, 10% recurring definitions
// with exceptions). The write is compared, in the same run, with plain
// write() calls of the same number of bytes to the same folder (counter
// "vsPlainWrite": should stay within 3); the load reports nanoseconds per
// item, and LoadScaling the ratio of that cost at 100,000 to 10,000 items
// (counter "perItemRatio": should stay within 1.5). The counters compare
// thread CPU times (user and kernel), which a busy machine disturbs less
// than wall time.

#include "benchschedule.h"
#include "core/recurrence.h"
#include "core/schedule.h"
#include "engine/plistorder.h"
#include "platform/clock.h"
#include "storage/datafile.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <unistd.h>

namespace {

using namespace zk;

const FixedClock& benchClock()
{
    static FixedClock clock(LocalMoment{2023, 10, 21, 10, 0, 0});
    return clock;
}

std::unique_ptr<Schedule> makeSchedule(int items)
{
    auto s = std::make_unique<Schedule>();
    s->setClock(&benchClock());
    DayNumber today = benchClock().today();
    s->header.setLastPastDay(today - 1);
    std::mt19937 rng(7);
    int days = std::max(1, items / 25);
    auto dayOf = [&](int i) { return today + i % days; };
    auto place = [&](ItemHandle h, DayNumber day, int start, int minutes) {
        if (!s->days.find(day))
            s->days.insert(day);
        s->days.appendEntry(day, DayEntry{h, static_cast<std::int16_t>(start), static_cast<std::uint16_t>(minutes)});
    };
    auto newItem = [&](std::uint16_t kind, std::uint32_t flags, DayNumber day) {
        ItemHandle h = s->newItem();
        s->setDescription(h, bench::randomText(rng));
        ItemRecord& r = s->record(h);
        r.setKind(kind);
        r.setFlags(flags);
        r.setDuration(30);
        r.setDay(static_cast<std::uint16_t>(day.value()));
        s->itemId(h);
        return h;
    };

    int definitions = items / 10, floating = items * 3 / 10, fixed = items - definitions - floating;
    std::vector<ItemHandle> defs;
    for (int i = 0; i < definitions; ++i) {
        ItemHandle h = newItem(ItemKind::appointment, ItemFlag::fRecurDef, kNoDay);
        RecurrenceRecord rule;
        rule.setTypeByte(RecurType::weekly);
        rule.setInterval(1);
        s->recurrences.add(h, rule);
        s->recurrences.addEntry(h, today + 400 + i % 50);  // a cancellation
        s->addToChain(h, DayNumber(kNoDayInChain));
        place(h, dayOf(i), 481, 30);
        ++s->days.find(dayOf(i))->nRecurEntries;
        defs.push_back(h);
    }
    for (int i = 0; i < fixed; ++i) {
        bool exception = i < definitions;
        DayNumber day = dayOf(i + 7);
        ItemHandle h = newItem(ItemKind::appointment, exception ? ItemFlag::fException : 0, day);
        s->record(h).setBeginTime(static_cast<std::int16_t>(541 + (i % 20) * 30));
        if (exception) {
            DayNumber occurrence = today + 500 + i % 40;
            s->record(h).setRecur(defs[static_cast<std::size_t>(i)].index);
            s->record(h).setCreatedDay(static_cast<std::int16_t>(occurrence.value()));
            s->recurrences.addEntry(defs[static_cast<std::size_t>(i)], occurrence, h);
        }
        s->addToChain(h, day);
        place(h, day, 541 + (i % 20) * 30, 30);
    }
    for (int i = 0; i < floating; ++i) {
        DayNumber day = dayOf(i + 3);
        ItemHandle h = newItem(ItemKind::task, 0, day);
        std::uint8_t letter = static_cast<std::uint8_t>('A' + i % 3);
        s->record(h).setPriorityLetter(letter);
        s->addToChain(h, day);
        place(h, day, 1100, 30);
        addToPlist(*s, h, s->plist.classCount(letter) + 1, today);
    }
    return s;
}

// The run's files (about 50 MB at 100,000 items) go when the run ends.
struct BenchFolder {
    std::filesystem::path path = std::filesystem::temp_directory_path() / ("zk-bench-datafile-" + std::to_string(::getpid()));
    BenchFolder() { std::filesystem::create_directories(path); }
    ~BenchFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

const std::filesystem::path& benchFolder()
{
    static BenchFolder folder;
    return folder.path;
}

struct Fixture {
    std::unique_ptr<Schedule> schedule;
    std::filesystem::path file;
    std::size_t bytes = 0;
};

Fixture& fixture(int items)
{
    static std::map<int, Fixture> all;
    Fixture& f = all[items];
    if (!f.schedule) {
        f.schedule = makeSchedule(items);
        f.file = benchFolder() / ("timedata-" + std::to_string(items) + ".pak");
        saveDataFile(*f.schedule, f.file);
        f.bytes = std::filesystem::file_size(f.file);
    }
    return f;
}

// CPU time of this thread, user and kernel: on a busy machine wall time
// mostly measures the other processes.
double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The same number of bytes in plain 64 KiB write() calls.
double plainWriteSeconds(const std::filesystem::path& file, std::size_t bytes)
{
    static std::vector<char> block(64 * 1024, 'z');
    double start = threadCpuSeconds();
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (std::size_t done = 0; done < bytes;) {
        std::size_t n = std::min(block.size(), bytes - done);
        if (::write(fd, block.data(), n) != static_cast<ssize_t>(n))
            break;
        done += n;
    }
    ::close(fd);
    return threadCpuSeconds() - start;
}

void Write(benchmark::State& state)
{
    Fixture& f = fixture(static_cast<int>(state.range(0)));
    auto out = f.file.parent_path() / "timedata.tmp";
    auto plain = f.file.parent_path() / "plain.tmp";
    double writer = 0, direct = 0;
    for (auto _ : state) {
        double start = threadCpuSeconds();
        benchmark::DoNotOptimize(saveDataFile(*f.schedule, out));
        writer += threadCpuSeconds() - start;
        direct += plainWriteSeconds(plain, f.bytes);
    }
    state.counters["bytes"] = static_cast<double>(f.bytes);
    state.counters["vsPlainWrite"] = writer / direct;
    state.counters["writerMs"] = writer * 1e3 / static_cast<double>(state.iterations());
    state.counters["plainMs"] = direct * 1e3 / static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.bytes));
}
BENCHMARK(Write)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

double loadSeconds(const Fixture& f)
{
    LoadOptions options;
    options.clock = &benchClock();
    double start = threadCpuSeconds();
    LoadResult r = loadDataFile(f.file, options);
    double seconds = threadCpuSeconds() - start;
    if (!r)
        std::fprintf(stderr, "load failed: %s\n", r.failureText.c_str());
    return seconds;
}

void Load(benchmark::State& state)
{
    int items = static_cast<int>(state.range(0));
    Fixture& f = fixture(items);
    double total = 0;
    for (auto _ : state)
        total += loadSeconds(f);
    state.counters["nsPerItem"] = total / static_cast<double>(state.iterations()) * 1e9 / items;
}
BENCHMARK(Load)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void LoadScaling(benchmark::State& state)
{
    Fixture& small = fixture(10000);
    Fixture& large = fixture(100000);
    // The first loads pay for fresh memory pages; only later ones compare.
    loadSeconds(small);
    loadSeconds(large);
    double smallSeconds = 0, largeSeconds = 0;
    for (auto _ : state) {
        smallSeconds += loadSeconds(small);
        largeSeconds += loadSeconds(large);
    }
    state.counters["perItemRatio"] = (largeSeconds / 100000) / (smallSeconds / 10000);
}
BENCHMARK(LoadScaling)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
