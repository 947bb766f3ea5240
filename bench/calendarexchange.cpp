// Exchange files against the data file: writing 100,000 items as one
// calendar file, and reading and adding 10,000 calendar events to an empty
// schedule, each beside loading the data file of as many items in the same
// run, so the ratios say what a user waits for compared with opening the
// schedule.

#include "benchschedule.h"

#include "exchange/calendarsession.h"
#include "exchange/icalendarread.h"
#include "exchange/icalendarwrite.h"
#include "platform/messages.h"
#include "sharing/session.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <stdlib.h>

namespace zk {
namespace {

const LocalMoment kAt{2024, 3, 4, 8, 0, 0};

// `items` appointments, 40 a day from kYearStart.
std::unique_ptr<Schedule> appointments(int items)
{
    auto s = std::make_unique<Schedule>();
    for (int i = 0; i < items; ++i) {
        const DayNumber day = bench::kYearStart + i / 40;
        if (i % 40 == 0)
            s->getDay(day);
        bench::addAppointment(*s, day, 7 + i % 40 / 3, 20);
    }
    return s;
}

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void CalendarExport(benchmark::State& state)
{
    const int items = static_cast<int>(state.range(0));
    std::unique_ptr<Schedule> s = appointments(items);
    CalendarExportOptions options;
    options.today = bench::kYearStart;
    double total = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        std::string file = writeICalendar(*s, options);
        total += seconds(start);
        bytes = file.size();
        benchmark::DoNotOptimize(file);
    }
    const double perItem = total / static_cast<double>(state.iterations()) * 1e6 / items;
    state.counters["usPerItem"] = perItem;
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["vsLoad"] = perItem / bench::loadMicrosPerItem(*s, items, kAt);
}
BENCHMARK(CalendarExport)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(2);

class BenchFolder {
public:
    BenchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zk-bench-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
        Schedule empty;
        saveDataFile(empty, path / "timedata.pak");
    }
    ~BenchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

void CalendarImport(benchmark::State& state)
{
    const int items = static_cast<int>(state.range(0));
    std::unique_ptr<Schedule> source = appointments(items);
    CalendarExportOptions exportOptions;
    exportOptions.today = bench::kYearStart;
    const std::string file = writeICalendar(*source, exportOptions);
    FixedClock clock(kAt);
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        BenchFolder folder;
        ScriptedPresenter presenter(Answer::Yes);
        Messages messages(presenter);
        SessionSettings settings;
        settings.folder = folder.path;
        settings.userName = "bench";
        Session session(std::move(settings), clock, messages);
        session.open();
        session.obtainChangeAccess(std::chrono::seconds(1));
        state.ResumeTiming();
        auto start = std::chrono::steady_clock::now();
        CalendarReadOptions options;
        options.templateItem = session.schedule().templateItem;
        options.today = bench::kYearStart;
        CalendarRead read = readICalendar(file, options);
        CalendarImportOutcome outcome = importCalendarEntries(session, std::move(read.entries), {});
        total += seconds(start);
        if (outcome.added.size() != static_cast<std::size_t>(items))
            state.SkipWithError("not every event was imported");
        state.PauseTiming();
        session.close();
        state.ResumeTiming();
    }
    const double perItem = total / static_cast<double>(state.iterations()) * 1e6 / items;
    state.counters["usPerItem"] = perItem;
    state.counters["vsLoad"] = perItem / bench::loadMicrosPerItem(*source, items, kAt);
}
BENCHMARK(CalendarImport)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
} // namespace zk
