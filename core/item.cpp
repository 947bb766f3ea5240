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
        if (count_ % kChunk == 0)
            chunks_.push_back(std::make_unique<std::array<Slot, kChunk>>());
        index = ++count_;
    }
    Slot& s = slot(index);
    s.item = Item{};
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

bool ItemStore::isLive(ItemHandle h) const
{
    if (h.index == 0 || h.index > count_)
        return false;
    const Slot& s = slot(h.index);
    return s.live && s.generation == h.generation;
}

Item& ItemStore::get(ItemHandle h)
{
    ZK_CHECK(isLive(h), "Actalloc");
    return slot(h.index).item;
}

const Item& ItemStore::get(ItemHandle h) const
{
    ZK_CHECK(isLive(h), "Actalloc");
    return slot(h.index).item;
}

ItemHandle ItemStore::handleAt(std::uint32_t index) const
{
    if (index == 0 || index > count_ || !slot(index).live)
        return kNoItem;
    return ItemHandle{index, slot(index).generation};
}

} // namespace zk
