#include "platform/filesystem.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace zk {

namespace {

int closeKeepingErrno(int fd)
{
    // Not retried on EINTR: the descriptor may already be gone and reused.
    return ::close(fd) == 0 ? 0 : errno;
}

int writeAll(int fd, const char* data, std::size_t size, const WriteCall& write = {})
{
    while (size > 0) {
        ssize_t n = write ? write(fd, data, size) : ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOSPC;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

// File systems whose files live on another machine.
bool isNetworkFileSystem(long type)
{
    switch (static_cast<unsigned long>(type) & 0xFFFFFFFFul) {
    case 0x6969ul:      // NFS
    case 0x517Bul:      // SMB
    case 0xFF534D42ul:  // CIFS
    case 0xFE534D42ul:  // SMB2
    case 0x73757245ul:  // Coda
    case 0x5346414Ful:  // AFS
    case 0x00C36400ul:  // Ceph
    case 0x01021997ul:  // 9P
    case 0x65735546ul:  // FUSE: sshfs and friends are the common case
        return true;
    default:
        return false;
    }
}

class SystemFileSystem final : public FileSystem {
public:
    bool exists(const Path& path) override
    {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0;
    }

    std::optional<std::uintmax_t> fileSize(const Path& path) override
    {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            return std::nullopt;
        return static_cast<std::uintmax_t>(st.st_size);
    }

    std::optional<std::filesystem::file_time_type> modificationTime(const Path& path) override
    {
        std::error_code ec;
        auto t = std::filesystem::last_write_time(path, ec);
        if (ec)
            return std::nullopt;
        return t;
    }

    FolderState folderState(const Path& folder) override
    {
        struct stat st {};
        if (::stat(folder.c_str(), &st) == 0)
            return S_ISDIR(st.st_mode) ? FolderState::Present : FolderState::Missing;
        return errno == ENOENT || errno == ENOTDIR ? FolderState::Missing : FolderState::Unreachable;
    }

    bool isLocalDisk(const Path& path) override
    {
        struct statfs fs {};
        Path probe = path;
        // The file itself may not exist yet: ask about its folder.
        while (::statfs(probe.c_str(), &fs) != 0) {
            if (!probe.has_parent_path() || probe.parent_path() == probe)
                return false;
            probe = probe.parent_path();
        }
        return !isNetworkFileSystem(fs.f_type);
    }

    int createFile(const Path& path) override
    {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        return fd >= 0 ? fd : -errno;
    }

    int syncFile(int fd) override { return ::fsync(fd) == 0 ? 0 : errno; }

    int closeFile(int fd) override { return closeKeepingErrno(fd); }

    int rename(const Path& from, const Path& to, RenameMode mode) override
    {
        if (mode == RenameMode::Replace)
            return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
            return 0;
        if (errno != EINVAL && errno != ENOSYS)
            return errno;
        // The file system cannot refuse by itself: test first, accepting the
        // window between the test and the rename.
        if (exists(to))
            return EEXIST;
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    }

    int link(const Path& from, const Path& to) override
    {
        return ::link(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    }

    int remove(const Path& path) override { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

    int copyFile(const Path& from, const Path& to) override
    {
        int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0)
            return errno;
        int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (out < 0) {
            int e = errno;
            ::close(in);
            return e;
        }
        int e = copyFileContents(in, out);
        if (e == 0 && ::fsync(out) != 0)
            e = errno;
        int closed = closeKeepingErrno(out);
        ::close(in);
        return e != 0 ? e : closed;
    }

    int createFolders(const Path& folder) override
    {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        return ec ? (ec.value() != 0 ? ec.value() : EIO) : 0;
    }

    int syncFolder(const Path& folder) override
    {
        int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return errno;
        int e = ::fsync(fd) == 0 ? 0 : errno;
        ::close(fd);
        // Some shares cannot sync a folder at all; their renames are as
        // durable as the server makes them, and that is all there is.
        return e == EINVAL || e == ENOTSUP ? 0 : e;
    }
};

} // namespace

int copyFileContents(int from, int to, const WriteCall& write)
{
    char buffer[64 * 1024];
    for (;;) {
        ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return 0;
        if (int e = writeAll(to, buffer, static_cast<std::size_t>(n), write))
            return e;
    }
}

FileSystem& systemFileSystem()
{
    static SystemFileSystem instance;
    return instance;
}

int replaceFileContents(FileSystem& files, const Path& file, std::string_view bytes)
{
    const Path temporary = file.string() + ".tmp";
    const int fd = files.createFile(temporary);
    if (fd < 0)
        return -fd;
    int e = writeAll(fd, bytes.data(), bytes.size());
    if (e == 0)
        e = files.syncFile(fd);
    const int closed = files.closeFile(fd);
    if (e == 0)
        e = closed;
    if (e == 0)
        e = files.rename(temporary, file, RenameMode::Replace);
    if (e != 0)
        files.remove(temporary);
    return e;
}

} // namespace zk
