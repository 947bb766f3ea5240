// Fuzz target for zk show's partial load: for every file whose days it
// reads alone, each day shown (laid out at the clock's moment, as a text
// block and entry by entry) must be what the whole load shows. Each input
// is shown from a day the file holds and from a day after its last past
// day, for one to seven days; the days and their number come from the
// input's hash.

#include "fuzzsupport.h"

#include "core/schedule.h"
#include "engine/daylayout.h"
#include "engine/placementcontext.h"
#include "engine/recurrenceexpansion.h"
#include "exchange/dayblock.h"
#include "platform/fault.h"
#include "storage/shownschedule.h"
#include "storage/storeddatafile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace zk;
using fuzz::fuzzClock;

// loadForShowing reads a file: each input is written to this one.
struct InputFile {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("zelkon-partialshow-" + std::to_string(::getpid()) + ".pak");
    ~InputFile()
    {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

const std::filesystem::path& dataFile()
{
    static InputFile file;
    return file.path;
}

// The days as zk show prints them, entry fields and all.
std::string shownText(Schedule& s, const std::vector<DayNumber>& days)
{
    attachOccurrencePlacing(s, fuzzClock());
    const PlacementContext now = PlacementContext::at(fuzzClock());
    DayBlockContext context{now.today, now.now, RegionalSettings{}, {}};
    std::string out;
    for (DayNumber day : days) {
        openDayForDisplay(s, day, now);
        DayBlock block = dayBlock(s, day, context);
        out += block.title + "\n";
        for (const std::string& line : block.lines)
            out += line + "\n";
        if (const DayRecord* record = s.findDay(day))
            for (const DayEntry& e : record->entries()) {
                const ItemRecord& r = s.record(e.item);
                out += std::to_string(e.start) + " " + std::to_string(e.placedMinutes) + " "
                    + std::to_string(r.flags()) + " " + std::to_string(r.id()) + "\n";
            }
    }
    return out;
}

void compareWays(const std::vector<std::uint8_t>& file, DayNumber first, int count)
{
    std::vector<DayNumber> days;
    for (int i = 0; i < count; ++i)
        days.push_back(first + i);
    LoadOptions options;
    options.clock = &fuzzClock();
    options.changeAccess = [] { return false; };
    ShownSchedule partly = loadForShowing(dataFile(), options, [&days](const Schedule&) { return days; });
    if (!partly.partial)
        return;
    std::string partial, whole;
    try {
        partial = shownText(*partly.loaded.schedule, days);
    } catch (const InternalFault&) {
        partial = "fault";
    }
    try {
        LoadResult loaded = loadDataBytes(file, options);
        if (!loaded)
            std::abort();  // taken as stored means the whole load takes it too
        loaded.schedule->setClock(&fuzzClock());
        whole = shownText(*loaded.schedule, days);
    } catch (const InternalFault&) {
        whole = "fault";
    }
    if (partial != whole) {
        std::fprintf(stderr, "days from %d, %d of them:\n--- partly\n%s--- whole\n%s", first.value(), count,
                     partial.c_str(), whole.c_str());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::optional<fuzz::StoredInput> input = fuzz::storedInput(data, size);
    if (!input)
        return 0;
    const std::vector<std::uint8_t>& file = input->file;
    const std::shared_ptr<StoredDataFile>& stored = input->stored;
    {
        std::ofstream out(dataFile(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    }
    const std::uint64_t hash = fuzz::hashOf(file);
    const int count = 1 + static_cast<int>((hash >> 4) % 7);
    const auto& held = stored->days();
    if (!held.empty())
        compareWays(file, held[hash % held.size()].day, count);
    DayNumber lastPast = stored->partialSchedule(&fuzzClock())->header.lastPastDay();
    compareWays(file, lastPast + 1 + static_cast<int>((hash >> 32) % 60), count);
    return 0;
}
