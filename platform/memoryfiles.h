#pragma once
// Random-access files held in memory, for tests, the fuzz target and the
// benchmarks. It can also play a power cut: from a chosen operation on
// every change fails as if the machine had stopped, and losePower() then
// keeps, of the writes never flushed, only those a seed picks, and forgets
// a created or renamed name whose folder was never flushed, as a disk may.

#include "platform/randomaccessfile.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zk {

class MemoryFiles final : public RandomAccessFiles {
public:
    MemoryFiles();
    ~MemoryFiles() override;

    void put(const std::filesystem::path& path, std::vector<std::uint8_t> bytes);
    // The bytes as a reader sees them now; empty when there is no such file.
    std::vector<std::uint8_t> contents(const std::filesystem::path& path) const;
    std::vector<std::filesystem::path> names() const;

    // Changes counted so far (creations, writes, resizes, flushes, removals,
    // renames, folder flushes); reads are not counted.
    int changes() const;
    // The n-th change (1-based) and every one after it fail with EIO and do
    // nothing: the power went just before it.
    void stopAt(int n);
    // What the disk holds when the power is back.
    void losePower(unsigned seed);

    bool exists(const std::filesystem::path& path) override;
    std::unique_ptr<RandomAccessFile> open(const std::filesystem::path& path, FileAccess access, int& error) override;
    int remove(const std::filesystem::path& path) override;
    int rename(const std::filesystem::path& from, const std::filesystem::path& to) override;
    int syncFolder(const std::filesystem::path& folder) override;

    struct State;

private:
    std::shared_ptr<State> state_;
};

} // namespace zk
