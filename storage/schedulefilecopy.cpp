#include "storage/schedulefilecopy.h"

#include "platform/filesystem.h"

#include <algorithm>
#include <utility>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <string_view>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zk {

namespace {

// The set in the order it is copied: the data file first, the status table
// (the mark of a whole set) near the end.
constexpr std::string_view kPatterns[] = {
    "timedata.pak", "*.lst", "*.nbk", "*.log", "*.x??", "NOTES/*.txt", kStatusTablePattern, "zk.ini",
};

// The temporary of a file being copied: hidden, and matching no pattern.
std::string temporaryName(const std::string& name) { return "." + name + ".zkcopy"; }

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        reset();
        fd_ = std::exchange(other.fd_, -1);
        return *this;
    }
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Not retried on EINTR: the descriptor may already be gone and reused.
    int close()
    {
        int e = ::close(std::exchange(fd_, -1)) == 0 ? 0 : errno;
        return e;
    }
    void reset()
    {
        if (fd_ >= 0)
            ::close(std::exchange(fd_, -1));
    }

private:
    int fd_;
};

bool isFull(int error) { return error == ENOSPC || error == EDQUOT; }

Descriptor openFolder(const std::filesystem::path& folder)
{
    return Descriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

// A folder inside another, never through a link.
Descriptor openSubfolder(int parent, const std::string& name)
{
    return Descriptor(::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

struct Entry {
    std::string name;
    bool folder = false;
};

// The regular files and real folders of a folder, links left out, by name.
std::vector<Entry> entriesOf(int folder)
{
    std::vector<Entry> entries;
    // fdopendir takes the descriptor over; the duplicate shares the
    // position, which rewinddir resets.
    int copy = ::dup(folder);
    if (copy < 0)
        return entries;
    DIR* dir = ::fdopendir(copy);
    if (!dir) {
        ::close(copy);
        return entries;
    }
    ::rewinddir(dir);
    while (const dirent* d = ::readdir(dir)) {
        std::string name = d->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st {};
        if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))
            entries.push_back({std::move(name), S_ISDIR(st.st_mode)});
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return entries;
}

std::vector<std::string> matching(int folder, const std::string& pattern, bool folders)
{
    std::vector<std::string> names;
    for (Entry& e : entriesOf(folder))
        if (e.folder == folders && ::fnmatch(pattern.c_str(), e.name.c_str(), FNM_CASEFOLD) == 0)
            names.push_back(std::move(e.name));
    return names;
}

class Copier {
public:
    Copier(const FileSetCopyHooks& hooks) : hooks_(hooks) {}

    int copy(int fromFolder, const std::string& name, int toFolder)
    {
        Descriptor in(::openat(fromFolder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (!in)
            return errno;
        struct stat st {};
        if (::fstat(in.get(), &st) != 0)
            return errno;
        const std::string temporary = temporaryName(name);
        // A temporary left by a copy that broke off; unlinking removes a
        // link itself, never what it points at.
        ::unlinkat(toFolder, temporary.c_str(), 0);
        Descriptor out(::openat(toFolder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                st.st_mode & 0666));
        if (!out)
            return errno;
        int error = copyFileContents(in.get(), out.get(), hooks_.write);
        if (!error && ::fsync(out.get()) != 0)
            error = errno;
        if (int closed = out.close(); !error)
            error = closed;
        if (!error && ::renameat(toFolder, temporary.c_str(), toFolder, name.c_str()) != 0)
            error = errno;
        if (error) {
            ::unlinkat(toFolder, temporary.c_str(), 0);
            return error;
        }
        return ::fsync(toFolder) == 0 ? 0 : errno;
    }

private:
    const FileSetCopyHooks& hooks_;
};

// The notes folder of the target, made when missing; never a link.
Descriptor targetSubfolder(int target, const std::string& name, int& error)
{
    Descriptor sub = openSubfolder(target, name);
    if (!sub && errno == ENOENT) {
        if (::mkdirat(target, name.c_str(), 0700) != 0 && errno != EEXIST) {
            error = errno;
            return sub;
        }
        sub = openSubfolder(target, name);
    }
    error = sub ? 0 : errno;
    return sub;
}

} // namespace

bool FileSetCopyResult::copiedFile(const std::string& name) const
{
    return std::any_of(copied.begin(), copied.end(),
                       [&](const std::string& c) { return ::strcasecmp(c.c_str(), name.c_str()) == 0; });
}

FileSetCopyResult copyScheduleFiles(const std::filesystem::path& source, const std::filesystem::path& target,
                                      const FileSetCopyHooks& hooks)
{
    FileSetCopyResult result;
    result.lastTarget = target;
    auto fail = [&](int error, std::string name) {
        result.status = FileSetCopyStatus::Failed;
        result.error = error;
        result.failedName = std::move(name);
        return result;
    };
    Descriptor from = openFolder(source);
    if (!from)
        return fail(errno, source.string());
    Descriptor to = openFolder(target);
    if (!to)
        return fail(errno, target.string());
    Copier copier(hooks);
    int disk = 1;
    for (std::string_view entry : kPatterns) {
        const std::string pattern(entry);
        const std::size_t slash = pattern.find('/');
        // The folder of the pattern in the source, as it is spelled there.
        std::string folderName;
        Descriptor sourceFolder;
        if (slash != std::string::npos) {
            std::vector<std::string> folders = matching(from.get(), pattern.substr(0, slash), true);
            if (folders.empty())
                continue;
            folderName = folders.front();
            sourceFolder = openSubfolder(from.get(), folderName);
            if (!sourceFolder)
                return fail(errno, folderName);
        }
        const int fromFolder = sourceFolder ? sourceFolder.get() : from.get();
        const std::string filePattern = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
        for (const std::string& name : matching(fromFolder, filePattern, false)) {
            const std::string relative = folderName.empty() ? name : folderName + "/" + name;
            for (;;) {
                if (hooks.progress)
                    hooks.progress(relative);
                int error = 0;
                Descriptor targetFolder;
                if (!folderName.empty()) {
                    targetFolder = targetSubfolder(to.get(), folderName, error);
                    if (error)
                        return fail(error, folderName);
                }
                error = copier.copy(fromFolder, name, targetFolder ? targetFolder.get() : to.get());
                if (!error)
                    break;
                if (!isFull(error))
                    return fail(error, relative);
                std::optional<std::filesystem::path> next = hooks.nextTarget ? hooks.nextTarget(++disk) : std::nullopt;
                if (!next) {
                    result.status = FileSetCopyStatus::Stopped;
                    result.error = error;
                    result.failedName = relative;
                    return result;
                }
                to = openFolder(*next);
                if (!to)
                    return fail(errno, next->string());
                result.lastTarget = *next;
            }
            result.copied.push_back(relative);
        }
    }
    return result;
}

std::optional<std::string> findInFolder(const std::filesystem::path& folder, const std::string& name)
{
    Descriptor dir = openFolder(folder);
    if (!dir)
        return std::nullopt;
    std::vector<std::string> found = matching(dir.get(), name, false);
    if (found.empty())
        return std::nullopt;
    return found.front();
}

} // namespace zk
