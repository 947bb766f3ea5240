#pragma once
// Copying the file set of one schedule from one folder to another: the
// data file, the lists, the history logs, the yearly archives, the notes,
// the status table and the profile, in this order:
//
//   timedata.pak, *.lst, *.nbk, *.log, *.x??, NOTES/*.txt, status.tbl, zk.ini
//
// Names match without regard to case (older programs wrote "STATUS.TBL" and
// "NOTES"); each file keeps its own name in the target.
//
// Each file is written to a hidden temporary name in the target folder,
// synced, and renamed over the target name, so a reader there sees the old
// file or the new one, never half of one. Nothing at the target is followed
// if it is a symbolic link: the temporary is created exclusively without
// following links, the rename replaces a link rather than writing through
// it, and a notes folder that is a link is refused. Only regular files are
// copied from the source; a link there is left out.
//
// A target that runs out of room (ENOSPC, EDQUOT) asks `nextTarget` for
// another folder (the next disk, numbered from 2) and goes on there with the
// file that did not fit; no answer stops the copy. Any other failure stops
// it at once. What was copied before a stop stays.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zk {

// The file the set ends with; a folder that holds it holds a whole set.
inline constexpr const char* kStatusTablePattern = "status.tbl";

struct FileSetCopyHooks {
    // Before each file: its name relative to the folder ("NOTES/abc00001.txt").
    std::function<void(const std::string& name)> progress;
    // The target is full: the folder to go on in for disk `number`, or none.
    std::function<std::optional<std::filesystem::path>(int number)> nextTarget;
    // The write of the copy; unset, write(2). Tests fill disks with it.
    std::function<ssize_t(int fd, const void* data, std::size_t size)> write;
};

enum class FileSetCopyStatus {
    Copied,   // every pattern was processed
    Stopped,  // a target was full and no other folder was given
    Failed,   // a read, write, sync or rename failed
};

struct FileSetCopyResult {
    FileSetCopyStatus status = FileSetCopyStatus::Copied;
    int error = 0;                       // errno of the failure
    std::string failedName;              // the file it happened on
    std::vector<std::string> copied;     // relative names, in order
    std::filesystem::path lastTarget;    // the folder the copy ended in

    bool ok() const { return status == FileSetCopyStatus::Copied; }
    bool copiedFile(const std::string& name) const;  // without regard to case
};

FileSetCopyResult copyScheduleFiles(const std::filesystem::path& source, const std::filesystem::path& target,
                                      const FileSetCopyHooks& hooks = {});

// Whether the folder holds a regular file matching the name, without regard
// to case; its real name, or none.
std::optional<std::string> findInFolder(const std::filesystem::path& folder, const std::string& name);

} // namespace zk
