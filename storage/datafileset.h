#pragma once
// The files of a schedule folder that saving, backups and recovery use, by
// their fixed names. Other sessions and older programs find the schedule by
// these names, so they never change.
//
// Backup chain, newest first: timedata.pak -> timedata.tmp -> timedata.bak
// -> timedata.bk2 -> timedata.sav. Recovery walks it from a file that failed
// to load; timedata.sav ends it.

#include <filesystem>
#include <optional>
#include <string>

namespace zk {

inline constexpr const char* kDataFileName = "timedata.pak";
inline constexpr const char* kTemporaryFileName = "timedata.tmp";
inline constexpr const char* kBackupFileName = "timedata.bak";
inline constexpr const char* kSecondBackupFileName = "timedata.bk2";
inline constexpr const char* kStartupCopyFileName = "timedata.sav";
inline constexpr const char* kUnsavedJournalFileName = "timedata.uns";
inline constexpr const char* kFrozenFileName = "frozen.pak";
inline constexpr const char* kBackupFolderName = "backup";
inline constexpr const char* kSampleFileName = "SAMPLE.DTA";
inline constexpr const char* kSpecialSampleFileName = "SPECIAL.INC";

class DataFileSet {
public:
    using Path = std::filesystem::path;

    explicit DataFileSet(Path folder) : folder_(std::move(folder)) {}

    const Path& folder() const { return folder_; }
    Path dataFile() const { return folder_ / kDataFileName; }
    Path temporaryFile() const { return folder_ / kTemporaryFileName; }
    Path backupFile() const { return folder_ / kBackupFileName; }
    Path secondBackupFile() const { return folder_ / kSecondBackupFileName; }
    Path startupCopy() const { return folder_ / kStartupCopyFileName; }
    Path unsavedJournal() const { return folder_ / kUnsavedJournalFileName; }
    Path frozenFile() const { return folder_ / kFrozenFileName; }
    Path backupFolder() const { return folder_ / kBackupFolderName; }

    // The next older generation of a file of the chain; none after
    // timedata.sav and for files outside the chain.
    std::optional<Path> successor(const Path& file) const;

private:
    Path folder_;
};

// A message text in printf form with one %s, filled with a path.
std::string textWithPath(const char* format, const std::filesystem::path& path);

} // namespace zk
