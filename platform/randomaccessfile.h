#pragma once
// Files that are updated in place at given offsets: the yearly archives and
// the history logs. Unlike the data file, which is always written whole to
// a temporary and renamed, an archive is patched block by block, so its
// writer needs positioned reads and writes and a flush it can order them by.
//
// systemRandomAccessFiles() is the real one; tests put one in its place that
// fails an operation on request or forgets what was never flushed.
//
// Failures are errno values (0 = success). A read that meets the end of the
// file early is ENODATA: the file is shorter than its own tables say.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>

namespace zk {

class RandomAccessFile {
public:
    virtual ~RandomAccessFile() = default;
    virtual std::optional<std::uint64_t> size() = 0;
    virtual int readAt(std::uint64_t offset, std::span<std::uint8_t> into) = 0;
    virtual int writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
    // Truncates (or extends with zeros) to the size given.
    virtual int resize(std::uint64_t size) = 0;
    // Everything written so far is on the disk when this returns 0.
    virtual int sync() = 0;
};

enum class FileAccess {
    Read,       // an existing file, read only
    ReadWrite,  // an existing file
    Create,     // a new file; an existing one refuses (EEXIST)
};

class RandomAccessFiles {
public:
    virtual ~RandomAccessFiles() = default;
    virtual bool exists(const std::filesystem::path& path) = 0;
    // Null with `error` set when the file cannot be had. A created file gets
    // the permissions of the folder it lies in, without execute bits, so a
    // schedule kept private stays private whatever the umask.
    virtual std::unique_ptr<RandomAccessFile> open(const std::filesystem::path& path, FileAccess access,
                                                   int& error) = 0;
    virtual int remove(const std::filesystem::path& path) = 0;
    // Replaces `to` with `from`.
    virtual int rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    // Makes a created file's name durable.
    virtual int syncFolder(const std::filesystem::path& folder) = 0;
};

RandomAccessFiles& systemRandomAccessFiles();

// The permissions a file created in the folder gets: the folder's read and
// write bits; 0600 when the folder cannot be examined.
unsigned filePermissionsFor(const std::filesystem::path& folder);

} // namespace zk
