#include "storage/shownschedule.h"

#include "core/schedule.h"
#include "storage/storeddatafile.h"

#include <algorithm>

namespace zk {

namespace {

std::unique_ptr<Schedule> partialSchedule(const std::filesystem::path& dataFile, const LoadOptions& options,
                                          const DaysToShow& days)
{
    std::shared_ptr<StoredDataFile> stored = StoredDataFile::read(dataFile);
    if (!stored)
        return nullptr;
    std::unique_ptr<Schedule> s = stored->partialSchedule(options.clock);
    std::optional<std::vector<DayNumber>> shown = days(*s);
    // A past day is read from its archive, which only the whole schedule's
    // hooks reach.
    auto pastOrUnusable = [&s](DayNumber d) { return !d.isUsable() || s->isPastDay(d); };
    if (!shown || std::any_of(shown->begin(), shown->end(), pastOrUnusable))
        return nullptr;
    if (!stored->addDays(*s, *shown))
        return nullptr;
    return s;
}

} // namespace

ShownSchedule loadForShowing(const std::filesystem::path& dataFile, const LoadOptions& options, const DaysToShow& days)
{
    ShownSchedule out;
    if (std::unique_ptr<Schedule> s = partialSchedule(dataFile, options, days)) {
        out.loaded.schedule = std::move(s);
        out.loaded.format = ScheduleHeader::kCurrentFormat;
        std::error_code ec;
        auto time = std::filesystem::last_write_time(dataFile, ec);
        if (!ec)
            out.loaded.loadedFileTime = time;
        out.partial = true;
        return out;
    }
    out.loaded = loadDataFile(dataFile, options);
    return out;
}

} // namespace zk
