// Fuzz target for opening a whole schedule folder: a data file and any of
// its backup generations (timedata.tmp, .bak, .bk2, .sav), each damaged in
// its own way, with every question answered Yes so that recovery walks the
// chain. No input may crash or hang it; a schedule it hands over must be
// the one now in timedata.pak, and must write and read back.
//
// Input: one byte whose low five bits say which of the five files exist,
// then for each existing file a 16-bit little-endian length and its bytes.

#include "core/bytes.h"
#include "core/schedule.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/filesystem.h"
#include "platform/messages.h"
#include "storage/datafile.h"
#include "storage/datafileset.h"
#include "storage/recovery.h"
#include "storage/scramble.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

zk::ThrowingFaultHandler faults;

const zk::FixedClock& fuzzClock()
{
    static zk::FixedClock clock(zk::LocalMoment{2023, 10, 21, 10, 0, 0});
    return clock;
}

// As in the data file target: a fitting parity lets mutations reach the
// sections instead of stopping at the header.
std::vector<std::uint8_t> withFittingParity(std::vector<std::uint8_t> file)
{
    if (file.size() < 655 || zk::bytes::i16(&file[2]) != 26)
        return file;
    zk::scrambleUnit(file.data() + 4, 651);
    zk::bytes::putI16(&file[461], zk::headerParity(file.data()));
    zk::scrambleUnit(file.data() + 4, 651);
    return file;
}

const std::filesystem::path& scratchFolder()
{
    static const std::filesystem::path folder = [] {
        std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
        auto f = base / ("zelkon-fuzz-folder-" + std::to_string(::getpid()));
        std::filesystem::create_directories(f);
        return f;
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static zk::FaultHandler* previous = zk::installFaultHandler(&faults);
    (void)previous;
    if (size < 1)
        return 0;
    const std::filesystem::path& folder = scratchFolder();
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        std::filesystem::remove_all(entry.path());
    zk::DataFileSet files(folder);
    const std::array<std::filesystem::path, 5> names = {files.dataFile(), files.temporaryFile(), files.backupFile(),
                                                         files.secondBackupFile(), files.startupCopy()};
    const std::uint8_t present = data[0];
    std::size_t at = 1;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!(present & (1u << i)))
            continue;
        std::size_t length = 0;
        if (at + 2 <= size) {
            length = zk::bytes::u16(data + at);
            at += 2;
        }
        length = std::min(length, size - std::min(at, size));
        std::vector<std::uint8_t> bytes = withFittingParity(std::vector<std::uint8_t>(data + at, data + at + length));
        at += length;
        std::ofstream(names[i], std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                        static_cast<std::streamsize>(bytes.size()));
    }

    zk::ScriptedPresenter presenter(zk::Answer::Yes);
    zk::Messages messages(presenter);
    zk::ScheduleLoadRequest request;
    request.options.clock = &fuzzClock();
    request.pathGiven = zk::PathGiven::Yes;
    zk::ScheduleLoad loaded;
    try {
        loaded = zk::loadSchedule(files, zk::systemFileSystem(), messages, request);
    } catch (const zk::InternalFault&) {
        return 0;
    }
    if (!loaded)
        return 0;
    if (loaded.status != zk::ScheduleLoadStatus::Created) {
        // What was handed over is what timedata.pak holds now.
        zk::LoadOptions options = request.options;
        options.messages = &messages;
        zk::LoadResult again;
        try {
            again = zk::loadDataFile(files.dataFile(), options);
        } catch (const zk::InternalFault&) {
            std::abort();
        }
        if (!again)
            std::abort();
    }
    loaded.schedule->setClock(&fuzzClock());
    std::vector<std::uint8_t> written;
    if (!zk::saveDataBytes(*loaded.schedule, written))
        return 0;
    zk::LoadOptions options;
    options.clock = &fuzzClock();
    zk::LoadResult back = zk::loadDataBytes(written, options);
    if (back.error == zk::LoadError::Damaged || back.error == zk::LoadError::NotDataFile)
        std::abort();
    return 0;
}
