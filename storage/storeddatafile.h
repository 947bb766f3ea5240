#pragma once
// A data file held as its stored bytes, with the place of every day record,
// so that a change to a few days (zk add) writes the file again without
// building the whole schedule in memory: a partial schedule holds the
// header, the template and the days asked for, and the file is written back
// with those days in place of their stored bytes. Nothing else moves, so
// the result is byte for byte what loading the whole file, making the same
// change and saving it would write.
//
// That holds only for a file loading takes exactly as stored: read()
// refuses any other, and the caller loads the whole file instead. Taken:
// a current-format file last written by this program, with a header that
// loading leaves as it is, no recurring definitions, projects, project
// tree, split items or exceptions, days in order after the last past day,
// every text valid UTF-8, the item count and the next item id as loading
// checks them, and the priority list keys 1..n, in class order, each the
// key of exactly one floating item.

#include "core/daynumber.h"
#include "storage/datafile.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

namespace zk {

class Clock;
class Schedule;

class StoredDataFile {
public:
    struct Day {
        DayNumber day;
        std::size_t begin = 0;  // the day record's first byte
        std::size_t end = 0;    // past its last entry
        int entries = 0;
        // Dropped by the purge that making a new day record may run.
        bool purgeCandidate = false;
    };

    // Nothing when the file cannot be read or is not one loading takes as
    // it is stored.
    static std::shared_ptr<StoredDataFile> read(const std::filesystem::path& file);
    static std::shared_ptr<StoredDataFile> fromBytes(std::span<const std::uint8_t> bytes);

    StoredDataFile() = default;
    ~StoredDataFile();
    StoredDataFile(const StoredDataFile&) = delete;
    StoredDataFile& operator=(const StoredDataFile&) = delete;

    // The header and the template, as loading gives them; no day yet.
    std::unique_ptr<Schedule> partialSchedule(const Clock* clock) const;
    // Puts the days the file holds among `days` into the partial schedule,
    // as loading would. False, with the schedule unchanged, when a day that
    // is not in the file would have to be made while the file holds a day
    // record the purge that comes with making one would drop.
    bool addDays(Schedule& partial, std::span<const DayNumber> days);
    // Whether addDays() was given every one of `days`.
    bool covers(std::span<const DayNumber> days) const;

    // Writes the file with the partial schedule's days in place of the
    // stored ones (and its new days among them), the header counted for
    // the whole; to an open descriptor, left open.
    SaveResult write(Schedule& partial, int fd) const;
    SaveResult write(Schedule& partial, std::vector<std::uint8_t>& out) const;

    // Whether the file read() mapped still holds the bytes it had then, as
    // far as its size and modification time tell. Writers replace the data
    // file by a rename, which leaves the mapped one as it was; one that
    // wrote over it in place would change what bytes() gives.
    bool unchanged() const;

    std::span<const std::uint8_t> bytes() const { return {bytes_, size_}; }
    const std::vector<Day>& days() const { return days_; }
    const Day* findDay(DayNumber day) const;
    std::size_t daysBegin() const { return daysBegin_; }
    std::size_t plistBegin() const { return plistBegin_; }
    int entries() const { return entries_; }
    int undated() const { return undated_; }

private:
    bool index();

    // The file's own pages, mapped (read() on a local disk), or a copy.
    const std::uint8_t* bytes_ = nullptr;
    std::size_t size_ = 0;
    void* mapping_ = nullptr;
    std::vector<std::uint8_t> copy_;
    // The mapped file, kept open to tell whether it changed; -1 for a copy.
    int fd_ = -1;
    std::int64_t modified_ = 0;  // nanoseconds
    std::vector<Day> days_;
    std::size_t daysBegin_ = 0;
    std::size_t plistBegin_ = 0;
    int entries_ = 0;
    int undated_ = 0;
    // The days given to addDays().
    std::vector<DayNumber> covered_;
};

} // namespace zk
