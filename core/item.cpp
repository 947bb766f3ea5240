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
        slots_.emplace_back();
        index = static_cast<std::uint32_t>(slots_.size());
    }
    Slot& s = slots_[index - 1];
    s.item = Item{};
    s.live = true;
    ++s.generation;
    ++live_;
    return ItemHandle{index, s.generation};
}

void ItemStore::free(ItemHandle h)
{
    ZK_CHECK(isLive(h), "Actalloc");
    Slot& s = slots_[h.index - 1];
    s.live = false;
    s.item = Item{};
    freeSlots_.push_back(h.index);
    --live_;
}

bool ItemStore::isLive(ItemHandle h) const
{
    return h.index != 0 && h.index <= slots_.size() && slots_[h.index - 1].live
        && slots_[h.index - 1].generation == h.generation;
}

Item& ItemStore::get(ItemHandle h)
{
    ZK_CHECK(isLive(h), "Actalloc");
    return slots_[h.index - 1].item;
}

const Item& ItemStore::get(ItemHandle h) const
{
    ZK_CHECK(isLive(h), "Actalloc");
    return slots_[h.index - 1].item;
}

ItemHandle ItemStore::handleAt(std::uint32_t index) const
{
    if (index == 0 || index > slots_.size() || !slots_[index - 1].live)
        return kNoItem;
    return ItemHandle{index, slots_[index - 1].generation};
}

} // namespace zk
