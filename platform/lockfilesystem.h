#pragma once
// The file operations a lock between sessions rests on: times read from the
// file system itself, an exclusive create, moves that never replace, and an
// advisory lock on an open file. (Saving and loading use platform/filesystem.h.)
//
// Contract:
// - Every time here is the file system's own: a file's modification time,
//   or probeNow(), the time a freshly written file receives. Sessions on
//   several machines compare only such times, never their own clocks.
// - Failures are errno values (0 = success); nothing throws.
// - LinuxLockFileSystem is the real implementation. Tests may wrap it to
//   inject failures the real one cannot be made to produce (a folder that
//   refuses a file while the tests run as root).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zk {

// A modification time: seconds and nanoseconds since 1970 UTC.
struct FileTime {
    std::int64_t seconds = 0;
    std::int32_t nanoseconds = 0;
    friend auto operator<=>(const FileTime&, const FileTime&) = default;
};

// One file and its state: device and inode name the file, the time its
// last change. A file removed and created anew differs in its inode.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    FileTime modified;
    bool sameFile(const FileStamp& other) const { return device == other.device && inode == other.inode; }
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// An open file descriptor, closed when the object goes out of scope.
class OpenFile {
public:
    OpenFile() = default;
    explicit OpenFile(int fd) : fd_(fd) {}
    ~OpenFile();
    OpenFile(OpenFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    OpenFile& operator=(OpenFile&& other) noexcept;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    int fd() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void close();

private:
    int fd_ = -1;
};

struct CreatedFile {
    OpenFile file;  // open for writing when created
    FileStamp stamp;
    int error = 0;  // EEXIST: a file of that name was there
};

struct ProbeResult {
    std::optional<FileTime> now;
    int error = 0;
};

enum class AdvisoryLock {
    Free,     // no open file anywhere holds it
    Held,     // a live process holds it
    Unknown,  // the file system cannot tell (no lock support, no file)
};

class LockFileSystem {
public:
    virtual ~LockFileSystem() = default;

    // Nothing when there is no such file (or it cannot be examined).
    virtual std::optional<FileStamp> stamp(const std::filesystem::path& path) = 0;
    bool exists(const std::filesystem::path& path) { return stamp(path).has_value(); }
    virtual bool isFolder(const std::filesystem::path& path) = 0;

    // Creates the file, holding `contents`, only when no file of that name
    // exists; of any number of callers racing for one name exactly one
    // succeeds, and nobody sees the file without its contents.
    virtual CreatedFile createExclusive(const std::filesystem::path& path, std::string_view contents) = 0;
    // Creates or truncates an empty file and closes it.
    virtual int createOrTruncate(const std::filesystem::path& path) = 0;
    // ENOENT when there was nothing to remove.
    virtual int remove(const std::filesystem::path& path) = 0;
    // Replaces `to` when it exists.
    virtual int rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    // EEXIST when `to` exists; never replaces it.
    virtual int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) = 0;

    // Writes the probe file (created or truncated), reads back the time the
    // file system gave it and removes it: the folder's notion of "now".
    virtual ProbeResult probeNow(const std::filesystem::path& probe) = 0;

    virtual std::optional<FileStamp> stamp(const OpenFile& file) = 0;
    // Sets the open file's time to the file system's "now"; its new stamp.
    // Only the file the descriptor names is touched, whatever its name is now.
    virtual std::optional<FileStamp> touch(const OpenFile& file) = 0;
    // Takes an exclusive advisory lock on the open file without waiting;
    // it lasts until the descriptor is closed.
    virtual bool lockAdvisory(const OpenFile& file) = 0;
    // Whether some process holds the advisory lock on the file.
    virtual AdvisoryLock probeAdvisory(const std::filesystem::path& path) = 0;

    // The file exists and this process may open it for writing.
    virtual bool writable(const std::filesystem::path& path) = 0;

    // At most `limit` bytes of the file; nothing when it cannot be read.
    virtual std::optional<std::string> readContents(const std::filesystem::path& path, std::size_t limit) = 0;
    // Whether a process of this id runs on this machine.
    virtual bool processRunning(std::int64_t pid) = 0;
};

class LinuxLockFileSystem final : public LockFileSystem {
public:
    std::optional<FileStamp> stamp(const std::filesystem::path& path) override;
    bool isFolder(const std::filesystem::path& path) override;
    CreatedFile createExclusive(const std::filesystem::path& path, std::string_view contents) override;
    int createOrTruncate(const std::filesystem::path& path) override;
    int remove(const std::filesystem::path& path) override;
    int rename(const std::filesystem::path& from, const std::filesystem::path& to) override;
    int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override;
    ProbeResult probeNow(const std::filesystem::path& probe) override;
    std::optional<FileStamp> stamp(const OpenFile& file) override;
    std::optional<FileStamp> touch(const OpenFile& file) override;
    bool lockAdvisory(const OpenFile& file) override;
    AdvisoryLock probeAdvisory(const std::filesystem::path& path) override;
    bool writable(const std::filesystem::path& path) override;
    std::optional<std::string> readContents(const std::filesystem::path& path, std::size_t limit) override;
    bool processRunning(std::int64_t pid) override;
};

// Removes the file when it is still the one stamped. For the fault path,
// which may run when no LockFileSystem object is left to ask.
void removeIfSameFile(const std::filesystem::path& path, const FileStamp& expected);

} // namespace zk
