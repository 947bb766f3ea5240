#pragma once
// Opening a schedule to show a few of its days (zk show): when the data
// file is one loading takes exactly as stored (storage/storeddatafile.h),
// the schedule holds only its header, its template and the days asked
// for, read straight from the stored bytes, as the whole load would hold
// them; showing those days then prints what showing them from the whole
// schedule prints, without building the rest. Anything else loads the
// whole file, with its messages and failures, as loadDataFile() does.
//
// The partial schedule holds no priority list, no undated items and no
// other day: only what a day's layout, its lines, its facts and the view
// filters read. It is for showing; it is never saved.

#include "core/daynumber.h"
#include "storage/datafile.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace zk {

// Given the schedule's header and template (dates are read against its day
// window), the days to show; nothing to load the whole file, as for a
// request that is refused once the schedule is loaded.
using DaysToShow = std::function<std::optional<std::vector<DayNumber>>(const Schedule&)>;

struct ShownSchedule {
    LoadResult loaded;     // as loadDataFile() gives it
    bool partial = false;  // only the header, the template and the days asked for
};

// The whole load is taken as well when a day asked for is past (it comes
// from its archive), or when making a day the file lacks would purge a
// stored day (StoredDataFile::addDays).
ShownSchedule loadForShowing(const std::filesystem::path& dataFile, const LoadOptions& options,
                             const DaysToShow& days);

} // namespace zk
