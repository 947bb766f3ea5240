#include "core/item.h"

#include "platform/fault.h"

namespace zk {

ItemHandle ItemStore::create()
{
    std::uint32_t index;
    if (!freeSlots_.empty()) {
        index = freeSlots_.back();
        freeSlots_.pop_back();
    } else {
        // Default-initialised, not value-initialised: each slot's own
        // constructor clears it, and zeroing the chunk first would only
        // write every byte twice. A freed slot was cleared by free().
        if (count_ % kChunk == 0)
            chunks_.push_back(std::unique_ptr<std::array<Slot, kChunk>>(new std::array<Slot, kChunk>));
        index = ++count_;
    }
    Slot& s = slot(index);
    s.live = true;
    ++s.generation;
    ++live_;
    return ItemHandle{index, s.generation};
}

void ItemStore::free(ItemHandle h)
{
    ZK_CHECK(isLive(h), "Actalloc");
    Slot& s = slot(h.index);
    s.live = false;
    s.item = Item{};
    freeSlots_.push_back(h.index);
    --live_;
}

void ItemStore::staleHandle() { ZK_FAULT("Actalloc"); }

ItemHandle ItemStore::handleAt(std::uint32_t index) const
{
    if (index == 0 || index > count_ || !slot(index).live)
        return kNoItem;
    return ItemHandle{index, slot(index).generation};
}

void ItemStore::prefetchSlot(ItemHandle h) const
{
    if (h.index == 0 || h.index > count_)
        return;
    const auto* begin = reinterpret_cast<const char*>(&slot(h.index));
    for (std::size_t line = 0; line < sizeof(Slot); line += 64)
        __builtin_prefetch(begin + line);
    __builtin_prefetch(begin + sizeof(Slot) - 1);
}

void ItemStore::prefetchDescription(ItemHandle h) const
{
    if (!isLive(h))
        return;
    const std::string& text = slot(h.index).item.description;
    __builtin_prefetch(text.data());
    __builtin_prefetch(text.data() + text.size());
}

} // namespace zk
