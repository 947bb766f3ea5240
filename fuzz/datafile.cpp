// Fuzz target for the data file loader: no input may crash it, hang it or
// make it allocate without bound. A file it loads must also survive being
// written and read again.

#include "fuzzsupport.h"

#include "core/schedule.h"
#include "platform/fault.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

zk::ThrowingFaultHandler faults;

using zk::fuzz::fuzzClock;
using zk::fuzz::withFittingParity;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static zk::FaultHandler* previous = zk::installFaultHandler(&faults);
    (void)previous;
    zk::LoadOptions options;
    options.clock = &fuzzClock();
    std::vector<std::uint8_t> file = withFittingParity(data, size);
    zk::LoadResult loaded;
    try {
        loaded = zk::loadDataBytes(file, options);
    } catch (const zk::InternalFault&) {
        // What the format calls an internal fault ends a session; here it
        // only ends this input.
        return 0;
    }
    if (!loaded)
        return 0;
    // A schedule that loaded must be writable, and what the writer wrote
    // must read back: a fault from here on is a real one.
    loaded.schedule->setClock(&fuzzClock());
    std::vector<std::uint8_t> written;
    if (!zk::saveDataBytes(*loaded.schedule, written))
        return 0;
    zk::LoadResult again = zk::loadDataBytes(written, options);
    if (again.error == zk::LoadError::Damaged || again.error == zk::LoadError::NotDataFile)
        std::abort();
    return 0;
}
