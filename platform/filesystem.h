#pragma once
// The files of a schedule folder as saving and loading need them: existence,
// size and time, creating and syncing, renames that may refuse to replace,
// copies and folders. systemFileSystem() is the real one; tests put a
// scripted one in its place to make a rename or a write fail on purpose.
//
// Failures are errno values (0 = success); createFile returns a descriptor,
// or minus the errno.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <sys/types.h>

namespace zk {

using Path = std::filesystem::path;

enum class FolderState {
    Present,
    Missing,      // no such folder
    Unreachable,  // it cannot be examined (a share that is gone)
};

enum class RenameMode {
    Replace,    // an existing target is replaced
    NoReplace,  // an existing target refuses the rename (EEXIST)
};

// Copies the rest of `from` to `to`: 0, or the errno of the read or write
// that failed. `write` stands in for write(2) when set (tests fill a disk
// with it); a write that takes nothing counts as a full disk.
using WriteCall = std::function<ssize_t(int fd, const void* data, std::size_t size)>;
int copyFileContents(int from, int to, const WriteCall& write = {});

class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual bool exists(const Path& path) = 0;
    // Nothing when the path is not a regular file.
    virtual std::optional<std::uintmax_t> fileSize(const Path& path) = 0;
    virtual std::optional<std::filesystem::file_time_type> modificationTime(const Path& path) = 0;
    virtual FolderState folderState(const Path& folder) = 0;
    // Whether the path lies on a disk of this machine rather than a share.
    virtual bool isLocalDisk(const Path& path) = 0;

    // Creates or truncates the file for writing: a descriptor, or -errno.
    virtual int createFile(const Path& path) = 0;
    virtual int syncFile(int fd) = 0;
    virtual int closeFile(int fd) = 0;
    virtual int rename(const Path& from, const Path& to, RenameMode mode) = 0;
    // A second name for the file; EEXIST when `to` exists. File systems
    // without links answer EPERM or ENOTSUP.
    virtual int link(const Path& from, const Path& to) = 0;
    virtual int remove(const Path& path) = 0;
    // A plain byte copy, creating or truncating the destination.
    virtual int copyFile(const Path& from, const Path& to) = 0;
    virtual int createFolders(const Path& folder) = 0;
    virtual int syncFolder(const Path& folder) = 0;
};

// The real file system.
FileSystem& systemFileSystem();

// Replaces a small file whole: the bytes go to "<file>.tmp" beside it, are
// synced, and the temporary is renamed over the file, so a reader never
// sees half of it and a failure keeps the old one. 0, or the errno of the
// step that failed (the temporary is removed then).
int replaceFileContents(FileSystem& files, const Path& file, std::string_view bytes);

} // namespace zk
