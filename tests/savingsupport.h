#pragma once
// Helpers for the saving and recovery tests: a scratch schedule folder, a
// file system that fails on request, and schedules that say which
// generation they are.

#include "core/schedule.h"
#include "datafilesupport.h"
#include "lockfilesupport.h"
#include "platform/clock.h"
#include "platform/filesystem.h"
#include "platform/messages.h"
#include "storage/datafile.h"
#include "storage/datafileset.h"

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace zk::saving {

inline FixedClock& clock()
{
    static FixedClock c(LocalMoment{2023, 10, 21, 10, 0, 0});
    return c;
}
inline constexpr DayNumber kToday{16000};  // 21 October 2023

// A fresh folder under the system's temporary folder, removed afterwards.
using ScratchFolder = testsupport::TempFolder;

struct FileOperation {
    std::string name;  // create, sync, close, rename, remove, copy, mkdir, syncfolder
    std::filesystem::path from, to;
    std::string text() const
    {
        std::string t = name;
        for (const auto* p : {&from, &to})
            if (!p->empty())
                t += " " + p->filename().string();
        return t;
    }
};

// The real file system, with failures on request. Only changes count as
// operations; questions are answered truthfully.
class FailingFileSystem final : public FileSystem {
public:
    // The n-th change fails (1-based), or every change from the n-th on.
    void failNth(int n) { failNth_ = n; }
    void failFrom(int n) { failFrom_ = n; }
    void failWhen(std::function<bool(const FileOperation&)> rule) { rule_ = std::move(rule); }
    // Files created for writing take no data: the disk is full.
    void fillDisk() { diskFull_ = true; }

    int changes() const { return changes_; }
    std::vector<std::string> log() const { return log_; }

    bool exists(const Path& p) override { return real().exists(p); }
    std::optional<std::uintmax_t> fileSize(const Path& p) override { return real().fileSize(p); }
    std::optional<std::filesystem::file_time_type> modificationTime(const Path& p) override
    {
        return real().modificationTime(p);
    }
    FolderState folderState(const Path& f) override { return real().folderState(f); }
    bool isLocalDisk(const Path& p) override { return real().isLocalDisk(p); }

    int createFile(const Path& p) override
    {
        if (fails({"create", p, {}}))
            return -EIO;
        int fd = real().createFile(p);
        if (!diskFull_ || fd < 0)
            return fd;
        ::close(fd);
        return ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    }
    int syncFile(int fd) override { return fails({"sync", {}, {}}) ? EIO : real().syncFile(fd); }
    int closeFile(int fd) override
    {
        int e = real().closeFile(fd);  // closed either way, as close() does
        return fails({"close", {}, {}}) ? EIO : e;
    }
    int rename(const Path& from, const Path& to, RenameMode mode) override
    {
        return fails({"rename", from, to}) ? EIO : real().rename(from, to, mode);
    }
    int link(const Path& from, const Path& to) override
    {
        return fails({"link", from, to}) ? EIO : real().link(from, to);
    }
    int remove(const Path& p) override { return fails({"remove", p, {}}) ? EIO : real().remove(p); }
    int copyFile(const Path& from, const Path& to) override
    {
        if (!fails({"copy", from, to}))
            return real().copyFile(from, to);
        copyHalf(from, to);  // a copy that broke off half-way
        return EIO;
    }
    int createFolders(const Path& f) override { return fails({"mkdir", f, {}}) ? EIO : real().createFolders(f); }
    int syncFolder(const Path& f) override { return fails({"syncfolder", {}, {}}) ? EIO : real().syncFolder(f); }

private:
    static FileSystem& real() { return systemFileSystem(); }

    bool fails(const FileOperation& op)
    {
        ++changes_;
        log_.push_back(op.text());
        return changes_ == failNth_ || (failFrom_ > 0 && changes_ >= failFrom_) || (rule_ && rule_(op));
    }
    static void copyHalf(const Path& from, const Path& to)
    {
        std::ifstream in(from, std::ios::binary);
        if (!in)
            return;
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::ofstream(to, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size() / 2);
    }

    int failNth_ = 0;
    int failFrom_ = 0;
    std::function<bool(const FileOperation&)> rule_;
    bool diskFull_ = false;
    int changes_ = 0;
    std::vector<std::string> log_;
};

// A schedule whose first item's text names its generation.
inline std::unique_ptr<Schedule> generation(const std::string& name)
{
    auto s = std::make_unique<Schedule>();
    testsupport::ScheduleMaker(*s).onDay(name, kToday + 1, TimeValue::fromClock(9, 0).value(), 30);
    s->setClock(&clock());
    return s;
}

inline std::string generationOf(const Schedule& s)
{
    for (ItemHandle h : s.chain)
        return std::string(s.storedDescription(h));
    return "(empty)";
}

// The generation a file holds, or "(unreadable)".
inline std::string generationIn(const std::filesystem::path& file)
{
    LoadOptions options;
    options.clock = &clock();
    LoadResult r = loadDataFile(file, options);
    return r ? generationOf(*r.schedule) : "(unreadable)";
}

inline void writeGeneration(const std::filesystem::path& file, const std::string& name)
{
    auto s = generation(name);
    saveDataFile(*s, file);
}

} // namespace zk::saving
