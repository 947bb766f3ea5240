#include "platform/lockfilesystem.h"

#include <cerrno>
#include <csignal>
#include <random>
#include <string>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zk {

namespace {

FileStamp stampOf(const struct stat& st)
{
    return FileStamp{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                     FileTime{static_cast<std::int64_t>(st.st_mtim.tv_sec),
                              static_cast<std::int32_t>(st.st_mtim.tv_nsec)}};
}

int errorOf(int result) { return result == 0 ? 0 : errno; }

} // namespace

OpenFile::~OpenFile() { close(); }

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

void OpenFile::close()
{
    // Not retried on EINTR: the descriptor may already be gone and reused.
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

std::optional<FileStamp> LinuxLockFileSystem::stamp(const std::filesystem::path& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return stampOf(st);
}

bool LinuxLockFileSystem::isFolder(const std::filesystem::path& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

// A lock file's few bytes go in one write; a short one counts as failed
// (the file is then not used).
int writeWhole(int fd, std::string_view text)
{
    ssize_t n;
    while ((n = ::write(fd, text.data(), text.size())) < 0 && errno == EINTR) {
    }
    if (n < 0)
        return errno;
    return static_cast<std::size_t>(n) == text.size() ? 0 : EIO;
}

} // namespace

CreatedFile LinuxLockFileSystem::createExclusive(const std::filesystem::path& path, std::string_view contents)
{
    CreatedFile created;
    // Written whole under a name of its own, then given the wanted name by
    // a link, which fails when that name is taken. A process killed before
    // the link leaves only its own name behind.
    std::random_device random;
    std::filesystem::path own = path;
    own += "." + std::to_string(static_cast<long>(::getpid())) + "." + std::to_string(random()) + ".new";
    int fd = ::open(own.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        created.error = errno;
        return created;
    }
    OpenFile file(fd);
    if (int e = writeWhole(fd, contents)) {
        ::unlink(own.c_str());
        created.error = e;
        return created;
    }
    int linked = ::link(own.c_str(), path.c_str()) == 0 ? 0 : errno;
    ::unlink(own.c_str());
    if (linked == EPERM || linked == ENOSYS || linked == EOPNOTSUPP) {
        // No links here: an exclusive create, then the contents.
        file.close();
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            created.error = errno;
            return created;
        }
        file = OpenFile(fd);
        linked = writeWhole(fd, contents);
        if (linked != 0)
            ::unlink(path.c_str());
    }
    if (linked != 0) {
        created.error = linked;
        return created;
    }
    created.file = std::move(file);
    if (auto s = stamp(created.file))
        created.stamp = *s;
    else
        created.error = errno != 0 ? errno : EIO;
    return created;
}

int LinuxLockFileSystem::createOrTruncate(const std::filesystem::path& path)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

int LinuxLockFileSystem::remove(const std::filesystem::path& path) { return errorOf(::unlink(path.c_str())); }

int LinuxLockFileSystem::rename(const std::filesystem::path& from, const std::filesystem::path& to)
{
    return errorOf(::rename(from.c_str(), to.c_str()));
}

int LinuxLockFileSystem::renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // Shares that cannot refuse a rename can still refuse a link: a second
    // name made atomically, then the first dropped.
    if (::link(from.c_str(), to.c_str()) != 0)
        return errno;
    ::unlink(from.c_str());
    return 0;
}

ProbeResult LinuxLockFileSystem::probeNow(const std::filesystem::path& probe)
{
    ProbeResult result;
    int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    OpenFile file(fd);
    // Truncating a file that was there already need not move its time;
    // asking for "now" explicitly lets a share use its own clock.
    if (auto s = touch(file))
        result.now = s->modified;
    else
        result.error = errno != 0 ? errno : EIO;
    file.close();
    ::unlink(probe.c_str());
    return result;
}

std::optional<FileStamp> LinuxLockFileSystem::stamp(const OpenFile& file)
{
    struct stat st {};
    if (::fstat(file.fd(), &st) != 0)
        return std::nullopt;
    return stampOf(st);
}

std::optional<FileStamp> LinuxLockFileSystem::touch(const OpenFile& file)
{
    if (::futimens(file.fd(), nullptr) != 0)
        return std::nullopt;
    return stamp(file);
}

bool LinuxLockFileSystem::lockAdvisory(const OpenFile& file) { return ::flock(file.fd(), LOCK_EX | LOCK_NB) == 0; }

AdvisoryLock LinuxLockFileSystem::probeAdvisory(const std::filesystem::path& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return AdvisoryLock::Unknown;
    OpenFile file(fd);
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return AdvisoryLock::Free;  // closing the probe drops it again
    return errno == EWOULDBLOCK ? AdvisoryLock::Held : AdvisoryLock::Unknown;
}

bool LinuxLockFileSystem::writable(const std::filesystem::path& path)
{
    // Opening without truncating leaves the file and its time as they were.
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

std::optional<std::string> LinuxLockFileSystem::readContents(const std::filesystem::path& path, std::size_t limit)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    OpenFile file(fd);
    std::string text(limit, '\0');
    ssize_t n;
    while ((n = ::read(fd, text.data(), limit)) < 0 && errno == EINTR) {
    }
    if (n < 0)
        return std::nullopt;
    text.resize(static_cast<std::size_t>(n));
    return text;
}

bool LinuxLockFileSystem::processRunning(std::int64_t pid)
{
    if (pid <= 0 || pid > 0x3FFFFFFF)
        return false;
    // EPERM: it runs, under another user.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

void removeIfSameFile(const std::filesystem::path& path, const FileStamp& expected)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && stampOf(st).sameFile(expected))
        ::unlink(path.c_str());
}

} // namespace zk
