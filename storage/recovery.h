#pragma once
// Opening a schedule folder: loading timedata.pak, recovering along the
// backup chain when it does not load, starting a new schedule when there is
// none, and the start-up copy to timedata.sav.
//
// Contract:
// - loadSchedule() hands over a schedule only when one was loaded or
//   created; every failure has been shown through Messages, and every
//   choice of an older generation was the user's answer to a question.
// - A file that cannot be read ("not available") is never replaced; a file
//   that is damaged is replaced by the generation the user chose, and only
//   once that generation has loaded.
// - Recovery offers each older generation at most once, newest first.
// - When timedata.pak is missing, a complete timedata.tmp (a save
//   interrupted between its renames) is the newest data: it becomes
//   timedata.pak without a question. Only then is timedata.bak offered.
// - timedata.pak is only ever replaced by a rename, never rewritten.

#include "platform/filesystem.h"
#include "storage/datafile.h"
#include "storage/datafileset.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace zk {

class Messages;
class Schedule;

// Whether the user named the data file (command line or setting); without a
// name a missing schedule is started from the sample data.
enum class PathGiven { Yes, No };

struct ScheduleLoadRequest {
    // Passed to every loadDataFile(); its messages default to the ones given
    // to loadSchedule().
    LoadOptions options;
    PathGiven pathGiven = PathGiven::No;
    // Where "SAMPLE.DTA" and "SPECIAL.INC" are looked for.
    std::filesystem::path programFolder;
    // Takes the items of "SPECIAL.INC" into the new sample schedule. Unset:
    // the file is neither read nor deleted.
    std::function<void(Schedule& into, Schedule& special)> mergeSpecial;
};

enum class ScheduleLoadStatus {
    Loaded,      // timedata.pak as it was
    Recovered,   // an older generation, now copied over timedata.pak
    Created,     // a new schedule, empty or from the sample data
    Failed,
    EndProgram,  // the sample file was refused: the program ends
};

struct ScheduleLoad {
    ScheduleLoadStatus status = ScheduleLoadStatus::Failed;
    std::unique_ptr<Schedule> schedule;  // set unless Failed or EndProgram
    std::filesystem::path loadedFrom;    // the file read; empty when created
    bool newSchedule = false;
    bool sampleData = false;
    // timedata.pak's modification time once loaded or replaced.
    std::optional<std::filesystem::file_time_type> dataFileTime;

    explicit operator bool() const { return schedule != nullptr; }
};

ScheduleLoad loadSchedule(const DataFileSet& files, FileSystem& fs, Messages& messages,
                          const ScheduleLoadRequest& request);

// The start-up copy of an existing schedule to timedata.sav. Skipped for a
// new schedule, for data read from a ".bak" file, and when timedata.sav is
// more than twice the size of timedata.pak (a schedule that suddenly shrank
// keeps its older copy). True when the copy was made.
bool makeStartupCopy(const DataFileSet& files, FileSystem& fs, const ScheduleLoad& loaded);

extern const char* const kInvalidFilenameText;
extern const char* const kFileNotAvailableText;      // printf form, the path
extern const char* const kUnableToAccessFolderText;  // printf form, the folder
extern const char* const kDataFileMissingText;
extern const char* const kFileNotFoundCreateText;    // printf form, the path
extern const char* const kUseBackupText;             // printf form, the failed file
extern const char* const kBackupAlsoInvalidText;
extern const char* const kNoBackupFoundText;         // printf form, the failed file
extern const char* const kInsufficientMemoryText;
extern const char* const kNotValidSampleText;

} // namespace zk
