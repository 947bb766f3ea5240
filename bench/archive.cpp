// Archiving a year of past days (365 finished days of 100 items each) into
// its archive, and reading one past day back from that full archive. Each
// is reported beside a plain write (or read) of the same bytes to a file in
// the same folder, in the same run: counter "vsPlainWrite" and
// "vsPlainRead". Reading reports "bytesRead" and "archiveBytes": one day
// must cost its own block and the tables' few slots, never the year.

#include "core/calendar.h"
#include "core/schedule.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/randomaccessfile.h"
#include "storage/archive.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace {

using namespace zk;

constexpr int kDays = 365;
constexpr int kItemsPerDay = 100;

const FixedClock& benchClock()
{
    static FixedClock clock(LocalMoment{2024, 1, 2, 10, 0, 0});
    return clock;
}

std::filesystem::path scratchFolder(const char* name)
{
    std::filesystem::path folder = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

// The days of 2023, every item done.
std::unique_ptr<Schedule> finishedYear()
{
    auto s = std::make_unique<Schedule>();
    s->setClock(&benchClock());
    s->header.setInterfaceMode(3);
    DayNumber first = dayOf(1, 1, 2023);
    s->header.setLastPastDay(first - 1);
    for (int d = 0; d < kDays; ++d) {
        DayNumber day = first + d;
        s->days.insert(day);
        for (int i = 0; i < kItemsPerDay; ++i) {
            ItemHandle h = s->newItem();
            s->setDescription(h, "finished item number " + std::to_string(i) + " of the day");
            s->record(h).setDay(static_cast<std::uint16_t>(day.value()));
            s->record(h).setDuration(10);
            s->record(h).setFlag(ItemFlag::fDone, true);
            s->addToChain(h, day);
            s->days.appendEntry(day, DayEntry{h, static_cast<std::int16_t>(421 + 10 * i), 10});
        }
    }
    return s;
}

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

double plainWrite(const std::filesystem::path& file, std::size_t bytes, int flushes)
{
    std::vector<char> buffer(bytes / static_cast<std::size_t>(flushes) + 1, 'x');
    auto start = std::chrono::steady_clock::now();
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    std::size_t left = bytes;
    for (int i = 0; i < flushes && left > 0; ++i) {
        std::size_t n = std::min(left, buffer.size());
        if (::write(fd, buffer.data(), n) < 0)
            break;
        left -= n;
        ::fdatasync(fd);
    }
    ::close(fd);
    return seconds(std::chrono::steady_clock::now() - start);
}

void ArchiveAYear(benchmark::State& state)
{
    std::filesystem::path folder = scratchFolder("zelkon-bench-archive");
    ScriptedPresenter presenter;
    Messages messages(presenter);
    double archiving = 0, plain = 0;
    std::uintmax_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(folder / "timedata.x23");
        std::unique_ptr<Schedule> s = finishedYear();
        ScheduleArchive archive(systemRandomAccessFiles(), messages, folder / "timedata.pak", RegionalSettings{});
        DueDaysConditions conditions;
        conditions.writeHistory = false;
        state.ResumeTiming();
        auto start = std::chrono::steady_clock::now();
        DueDaysResult result = archive.archiveDueDays(*s, benchClock().today(), conditions);
        archiving += seconds(std::chrono::steady_clock::now() - start);
        state.PauseTiming();
        if (result.archived.size() != kDays)
            state.SkipWithError("not every day was archived");
        bytes = std::filesystem::file_size(folder / "timedata.x23");
        // The same bytes, flushed as often as archiving flushes a day.
        plain += plainWrite(folder / "plain.bin", bytes, kDays * 4);
        s.reset();
        state.ResumeTiming();
    }
    state.counters["archiveBytes"] = static_cast<double>(bytes);
    state.counters["vsPlainWrite"] = plain > 0 ? archiving / plain : 0;
}
BENCHMARK(ArchiveAYear)->Unit(benchmark::kMillisecond)->Iterations(1);

// Counts what the archive reader reads.
class CountingFiles final : public RandomAccessFiles {
public:
    std::uint64_t bytesRead = 0;

    bool exists(const std::filesystem::path& p) override { return real().exists(p); }
    std::unique_ptr<RandomAccessFile> open(const std::filesystem::path& p, FileAccess access, int& error) override
    {
        auto file = real().open(p, access, error);
        return file ? std::make_unique<Counted>(std::move(file), bytesRead) : nullptr;
    }
    int remove(const std::filesystem::path& p) override { return real().remove(p); }
    int rename(const std::filesystem::path& a, const std::filesystem::path& b) override { return real().rename(a, b); }
    int syncFolder(const std::filesystem::path& f) override { return real().syncFolder(f); }

private:
    static RandomAccessFiles& real() { return systemRandomAccessFiles(); }
    struct Counted final : RandomAccessFile {
        Counted(std::unique_ptr<RandomAccessFile> f, std::uint64_t& n) : file(std::move(f)), read(n) {}
        std::optional<std::uint64_t> size() override { return file->size(); }
        int readAt(std::uint64_t o, std::span<std::uint8_t> into) override
        {
            read += into.size();
            return file->readAt(o, into);
        }
        int writeAt(std::uint64_t o, std::span<const std::uint8_t> b) override { return file->writeAt(o, b); }
        int resize(std::uint64_t n) override { return file->resize(n); }
        int sync() override { return file->sync(); }
        std::unique_ptr<RandomAccessFile> file;
        std::uint64_t& read;
    };
};

void ReadOnePastDay(benchmark::State& state)
{
    std::filesystem::path folder = scratchFolder("zelkon-bench-pastday");
    ScriptedPresenter presenter;
    Messages messages(presenter);
    std::unique_ptr<Schedule> s = finishedYear();
    {
        ScheduleArchive archive(systemRandomAccessFiles(), messages, folder / "timedata.pak", RegionalSettings{});
        DueDaysConditions conditions;
        conditions.writeHistory = false;
        archive.archiveDueDays(*s, benchClock().today(), conditions);
    }
    CountingFiles files;
    ScheduleArchive archive(files, messages, folder / "timedata.pak", RegionalSettings{});
    archive.attach(*s);
    DayNumber day = dayOf(7, 1, 2023);
    double reading = 0, plain = 0;
    std::uint64_t perDay = 0;
    std::vector<char> buffer;
    for (auto _ : state) {
        files.bytesRead = 0;
        auto start = std::chrono::steady_clock::now();
        DayRecord* r = s->getDay(day);
        reading += seconds(std::chrono::steady_clock::now() - start);
        if (!r || r->nTasks() != kItemsPerDay)
            state.SkipWithError("the day did not come back whole");
        perDay = files.bytesRead;
        s->releaseDay(day);
        // The same number of bytes with one plain open and read.
        buffer.resize(perDay);
        start = std::chrono::steady_clock::now();
        int fd = ::open((folder / "timedata.x23").c_str(), O_RDONLY | O_CLOEXEC);
        benchmark::DoNotOptimize(::pread(fd, buffer.data(), buffer.size(), 5692));
        ::close(fd);
        plain += seconds(std::chrono::steady_clock::now() - start);
    }
    state.counters["bytesRead"] = static_cast<double>(perDay);
    state.counters["archiveBytes"] = static_cast<double>(std::filesystem::file_size(folder / "timedata.x23"));
    state.counters["vsPlainRead"] = plain > 0 ? reading / plain : 0;
}
BENCHMARK(ReadOnePastDay)->Unit(benchmark::kMicrosecond);

} // namespace
