#include "platform/memoryfiles.h"

#include <algorithm>
#include <cerrno>
#include <random>

namespace zk {

namespace {

struct Write {
    std::uint64_t offset = 0;
    std::vector<std::uint8_t> bytes;
    bool isResize = false;
};

void applyWrite(std::vector<std::uint8_t>& to, const Write& w)
{
    if (w.isResize) {
        to.resize(w.offset, 0);
        return;
    }
    if (to.size() < w.offset + w.bytes.size())
        to.resize(w.offset + w.bytes.size(), 0);
    std::copy(w.bytes.begin(), w.bytes.end(), to.begin() + static_cast<std::ptrdiff_t>(w.offset));
}

struct FileData {
    std::vector<std::uint8_t> durable;  // what survives a power cut for certain
    std::vector<Write> pending;         // written, not yet flushed
    std::vector<std::uint8_t> current;  // durable with pending applied
};

// A name change not yet made durable by a folder flush: the names it
// touched and what each held before (null = nothing). A rename is one
// change: after a power cut it happened or it did not.
struct NameChange {
    std::vector<std::pair<std::string, std::shared_ptr<FileData>>> before;
};

} // namespace

struct MemoryFiles::State {
    std::map<std::string, std::shared_ptr<FileData>> files;
    std::vector<NameChange> unsyncedNames;
    int changes = 0;
    int stopAt = 0;

    // Counts a change; false when the power is already gone.
    bool change()
    {
        ++changes;
        return stopAt == 0 || changes < stopAt;
    }
    void noteNames(std::initializer_list<std::string> names)
    {
        NameChange change;
        for (const std::string& name : names) {
            auto it = files.find(name);
            change.before.emplace_back(name, it == files.end() ? nullptr : it->second);
        }
        unsyncedNames.push_back(std::move(change));
    }
};

namespace {

class MemoryFile final : public RandomAccessFile {
public:
    MemoryFile(std::shared_ptr<MemoryFiles::State> state, std::shared_ptr<FileData> data, bool writable)
        : state_(std::move(state)), data_(std::move(data)), writable_(writable)
    {
    }

    std::optional<std::uint64_t> size() override { return data_->current.size(); }

    int readAt(std::uint64_t offset, std::span<std::uint8_t> into) override
    {
        if (offset > data_->current.size() || data_->current.size() - offset < into.size())
            return ENODATA;
        std::copy_n(data_->current.begin() + static_cast<std::ptrdiff_t>(offset), into.size(), into.begin());
        return 0;
    }

    int writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override
    {
        if (!writable_)
            return EBADF;
        if (!state_->change())
            return EIO;
        Write w{offset, std::vector<std::uint8_t>(bytes.begin(), bytes.end()), false};
        applyWrite(data_->current, w);
        data_->pending.push_back(std::move(w));
        return 0;
    }

    int resize(std::uint64_t size) override
    {
        if (!writable_)
            return EBADF;
        if (!state_->change())
            return EIO;
        Write w{size, {}, true};
        applyWrite(data_->current, w);
        data_->pending.push_back(std::move(w));
        return 0;
    }

    int sync() override
    {
        if (!state_->change())
            return EIO;
        data_->durable = data_->current;
        data_->pending.clear();
        return 0;
    }

private:
    std::shared_ptr<MemoryFiles::State> state_;
    std::shared_ptr<FileData> data_;
    bool writable_;
};

} // namespace

MemoryFiles::MemoryFiles() : state_(std::make_shared<State>()) {}
MemoryFiles::~MemoryFiles() = default;

void MemoryFiles::put(const std::filesystem::path& path, std::vector<std::uint8_t> bytes)
{
    auto data = std::make_shared<FileData>();
    data->durable = bytes;
    data->current = std::move(bytes);
    state_->files[path.string()] = std::move(data);
}

std::vector<std::uint8_t> MemoryFiles::contents(const std::filesystem::path& path) const
{
    auto it = state_->files.find(path.string());
    return it == state_->files.end() ? std::vector<std::uint8_t>{} : it->second->current;
}

std::vector<std::filesystem::path> MemoryFiles::names() const
{
    std::vector<std::filesystem::path> names;
    for (const auto& [name, data] : state_->files)
        names.emplace_back(name);
    return names;
}

int MemoryFiles::changes() const { return state_->changes; }
void MemoryFiles::stopAt(int n) { state_->stopAt = n; }

void MemoryFiles::losePower(unsigned seed)
{
    std::mt19937 random(seed);
    // Names first, newest change first, so each goes back to what it was.
    for (auto it = state_->unsyncedNames.rbegin(); it != state_->unsyncedNames.rend(); ++it) {
        if (random() % 2 == 0)
            continue;
        for (const auto& [name, before] : it->before) {
            if (before)
                state_->files[name] = before;
            else
                state_->files.erase(name);
        }
    }
    state_->unsyncedNames.clear();
    for (auto& [name, data] : state_->files) {
        std::vector<std::uint8_t> kept = data->durable;
        for (const Write& w : data->pending)
            if (random() % 2 == 0)
                applyWrite(kept, w);
        data->durable = kept;
        data->current = std::move(kept);
        data->pending.clear();
    }
    state_->stopAt = 0;
}

bool MemoryFiles::exists(const std::filesystem::path& path) { return state_->files.count(path.string()) != 0; }

std::unique_ptr<RandomAccessFile> MemoryFiles::open(const std::filesystem::path& path, FileAccess access, int& error)
{
    auto it = state_->files.find(path.string());
    if (access == FileAccess::Create) {
        if (it != state_->files.end()) {
            error = EEXIST;
            return nullptr;
        }
        if (!state_->change()) {
            error = EIO;
            return nullptr;
        }
        state_->noteNames({path.string()});
        it = state_->files.emplace(path.string(), std::make_shared<FileData>()).first;
    } else if (it == state_->files.end()) {
        error = ENOENT;
        return nullptr;
    }
    error = 0;
    return std::make_unique<MemoryFile>(state_, it->second, access != FileAccess::Read);
}

int MemoryFiles::remove(const std::filesystem::path& path)
{
    if (!state_->change())
        return EIO;
    if (!exists(path))
        return ENOENT;
    state_->noteNames({path.string()});
    state_->files.erase(path.string());
    return 0;
}

int MemoryFiles::rename(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (!state_->change())
        return EIO;
    auto it = state_->files.find(from.string());
    if (it == state_->files.end())
        return ENOENT;
    std::shared_ptr<FileData> data = it->second;
    state_->noteNames({from.string(), to.string()});
    state_->files.erase(it);
    state_->files[to.string()] = std::move(data);
    return 0;
}

int MemoryFiles::syncFolder(const std::filesystem::path&)
{
    if (!state_->change())
        return EIO;
    state_->unsyncedNames.clear();
    return 0;
}

} // namespace zk
