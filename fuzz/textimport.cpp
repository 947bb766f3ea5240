// Feeds arbitrary bytes to the readers of imported text: the tab-delimited
// file, pipeline lines and the handheld's file, and checks that what they
// prepare would fit a schedule and that a handheld record read back writes
// a line that reads again.
//
// Input: one byte choosing the reader, then the file's bytes.

#include "core/item.h"
#include "exchange/textimport.h"
#include "handheld/handheldfiles.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

zk::EntryContext context()
{
    zk::EntryContext c;
    c.today = zk::DayNumber(16000);
    c.now = zk::TimeValue::fromClock(10, 0);
    return c;
}

void checkItems(const zk::PreparedImport& prepared)
{
    require(prepared.skipped >= 0);
    for (const zk::ImportItem& in : prepared.items) {
        require(in.item.text.size() <= zk::kMaxDescriptionBytes);
        require(in.item.record.beginTime() >= 0 && in.item.record.beginTime() <= 2880);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::string text = zk::importText(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    const zk::ItemRecord templateItem;
    switch (data[0] % 3) {
    case 0:
        checkItems(zk::readTabImport(text, templateItem, context()));
        break;
    case 1:
        checkItems(zk::readPipelineImport(text, templateItem, zk::DayNumber(16000), context()));
        break;
    default: {
        int skipped = 0;
        for (const zk::HandheldRecord& r : zk::parseHandheldFile(text, skipped)) {
            std::optional<zk::HandheldRecord> again = zk::parseHandheldLine(zk::handheldLine(r));
            require(r.changed == 4 || again.has_value());
        }
        break;
    }
    }
    return 0;
}
