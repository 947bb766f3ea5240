#pragma once
// Helpers for the lock and change-access tests: a temporary schedule folder,
// file times set on purpose, and a file system that can be told to fail.

#include "platform/lockfilesystem.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <sys/stat.h>
#include <fcntl.h>

namespace zk::testsupport {

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zk-access-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Sets an environment variable for one scope and puts the old value back;
// the C library rereads TZ both times.
struct ScopedVariable {
    ScopedVariable(const char* name, const char* value) : name(name)
    {
        if (const char* was = std::getenv(name))
            old = was;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
        ::tzset();
    }
    ~ScopedVariable()
    {
        old ? ::setenv(name, old->c_str(), 1) : ::unsetenv(name);
        ::tzset();
    }

    const char* name;
    std::optional<std::string> old;
};

inline void setFileTime(const std::filesystem::path& path, FileTime time)
{
    timespec times[2] = {{time.seconds, time.nanoseconds}, {time.seconds, time.nanoseconds}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

inline FileTime secondsAfter(FileTime time, int seconds) { return FileTime{time.seconds + seconds, 0}; }

inline void touchFile(const std::filesystem::path& path, FileTime time)
{
    LinuxLockFileSystem().createOrTruncate(path);
    setFileTime(path, time);
}

// The real file system, with failures and a fixed "now" on request.
class ScriptedLockFileSystem final : public LockFileSystem {
public:
    std::optional<FileTime> probeTime;  // the folder's "now", instead of the real one
    bool probeFails = false;
    bool notWritable = false;
    int renameError = 0;                // every rename fails with it
    std::function<void()> beforeRename; // runs once, just before the next rename
    std::function<void()> beforeCreate; // runs before every exclusive create
    int touches = 0;

    std::optional<FileStamp> stamp(const std::filesystem::path& p) override { return real.stamp(p); }
    bool isFolder(const std::filesystem::path& p) override { return real.isFolder(p); }
    CreatedFile createExclusive(const std::filesystem::path& p, std::string_view contents) override
    {
        if (beforeCreate)
            beforeCreate();
        return real.createExclusive(p, contents);
    }
    int createOrTruncate(const std::filesystem::path& p) override { return real.createOrTruncate(p); }
    int remove(const std::filesystem::path& p) override { return real.remove(p); }
    int rename(const std::filesystem::path& from, const std::filesystem::path& to) override
    {
        if (auto hook = std::exchange(beforeRename, nullptr))
            hook();
        return renameError != 0 ? renameError : real.rename(from, to);
    }
    int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override
    {
        return real.renameNoReplace(from, to);
    }
    ProbeResult probeNow(const std::filesystem::path& p) override
    {
        if (probeFails)
            return {std::nullopt, EACCES};
        ProbeResult result = real.probeNow(p);
        if (probeTime)
            result.now = probeTime;
        return result;
    }
    std::optional<FileStamp> stamp(const OpenFile& f) override { return real.stamp(f); }
    std::optional<FileStamp> touch(const OpenFile& f) override
    {
        ++touches;
        return real.touch(f);
    }
    bool lockAdvisory(const OpenFile& f) override { return real.lockAdvisory(f); }
    AdvisoryLock probeAdvisory(const std::filesystem::path& p) override { return real.probeAdvisory(p); }
    bool writable(const std::filesystem::path& p) override { return !notWritable && real.writable(p); }
    std::optional<std::string> readContents(const std::filesystem::path& p, std::size_t limit) override
    {
        return real.readContents(p, limit);
    }
    bool processRunning(std::int64_t pid) override { return real.processRunning(pid); }

    LinuxLockFileSystem real;
};

} // namespace zk::testsupport
