#include "platform/randomaccessfile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zk {

namespace {

class SystemFile final : public RandomAccessFile {
public:
    explicit SystemFile(int fd) : fd_(fd) {}
    ~SystemFile() override { ::close(fd_); }
    SystemFile(const SystemFile&) = delete;
    SystemFile& operator=(const SystemFile&) = delete;

    std::optional<std::uint64_t> size() override
    {
        struct stat st {};
        if (::fstat(fd_, &st) != 0)
            return std::nullopt;
        return static_cast<std::uint64_t>(st.st_size);
    }

    int readAt(std::uint64_t offset, std::span<std::uint8_t> into) override
    {
        std::size_t done = 0;
        while (done < into.size()) {
            ssize_t n = ::pread(fd_, into.data() + done, into.size() - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return errno;
            if (n == 0)
                return ENODATA;
            done += static_cast<std::size_t>(n);
        }
        return 0;
    }

    int writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return errno;
            if (n == 0)
                return EIO;
            done += static_cast<std::size_t>(n);
        }
        return 0;
    }

    int resize(std::uint64_t size) override
    {
        return ::ftruncate(fd_, static_cast<off_t>(size)) == 0 ? 0 : errno;
    }

    int sync() override { return ::fsync(fd_) == 0 ? 0 : errno; }

private:
    int fd_;
};

class SystemFiles final : public RandomAccessFiles {
public:
    bool exists(const std::filesystem::path& path) override
    {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0;
    }

    std::unique_ptr<RandomAccessFile> open(const std::filesystem::path& path, FileAccess access, int& error) override
    {
        int flags = O_CLOEXEC;
        mode_t mode = 0;
        switch (access) {
        case FileAccess::Read: flags |= O_RDONLY; break;
        case FileAccess::ReadWrite: flags |= O_RDWR; break;
        case FileAccess::Create:
            flags |= O_RDWR | O_CREAT | O_EXCL;
            mode = static_cast<mode_t>(filePermissionsFor(path.parent_path().empty() ? "." : path.parent_path()));
            break;
        }
        int fd = ::open(path.c_str(), flags, mode);
        if (fd < 0) {
            error = errno;
            return nullptr;
        }
        error = 0;
        return std::make_unique<SystemFile>(fd);
    }

    int remove(const std::filesystem::path& path) override { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

    int rename(const std::filesystem::path& from, const std::filesystem::path& to) override
    {
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    }

    int syncFolder(const std::filesystem::path& folder) override
    {
        int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return errno;
        int e = ::fsync(fd) == 0 ? 0 : errno;
        ::close(fd);
        return e;
    }
};

} // namespace

RandomAccessFiles& systemRandomAccessFiles()
{
    static SystemFiles files;
    return files;
}

unsigned filePermissionsFor(const std::filesystem::path& folder)
{
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        return 0600;
    return static_cast<unsigned>(st.st_mode) & 0666u;
}

} // namespace zk
