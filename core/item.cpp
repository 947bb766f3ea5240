#include "core/item.h"

#include "platform/fault.h"

namespace zk {

static_assert(sizeof(ItemRecord) == ItemRecord::kSize);

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
    s.live = 1;
    ++s.generation;
    ++live_;
    return ItemHandle{index, s.generation};
}

void ItemStore::free(ItemHandle h)
{
    ZK_CHECK(isLive(h), "Actalloc");
    Slot& s = slot(h.index);
    releaseText(s);
    s.live = 0;
    s.record = ItemRecord{};
    freeSlots_.push_back(h.index);
    --live_;
}

void ItemStore::releaseText(Slot& s)
{
    if (s.ownText) {
        std::string().swap(ownTexts_[s.textAt]);
        freeOwnTexts_.push_back(s.textAt);
    }
    s.ownText = 0;
    s.textAt = 0;
    s.textLength = 0;
}

void ItemStore::setText(ItemHandle h, std::string_view text)
{
    Slot& s = liveSlot(h);
    ZK_CHECK(text.size() <= kMaxDescriptionBytes, "Actalloc");
    if (s.ownText) {
        ownTexts_[s.textAt].assign(text.data(), text.size());  // assign copes with its own bytes
    } else {
        std::uint32_t at;
        if (!freeOwnTexts_.empty()) {
            at = freeOwnTexts_.back();
            freeOwnTexts_.pop_back();
            ownTexts_[at].assign(text.data(), text.size());
        } else {
            ZK_CHECK(ownTexts_.size() < UINT32_MAX, "Actalloc");
            at = static_cast<std::uint32_t>(ownTexts_.size());
            ownTexts_.emplace_back(text);
        }
        s.ownText = 1;
        s.textAt = at;
    }
    s.textLength = static_cast<std::uint16_t>(text.size()) & 0x3FFF;
}

char* ItemStore::loadedTextSpace(ItemHandle h, std::size_t n)
{
    Slot& s = liveSlot(h);
    ZK_CHECK(n <= kMaxDescriptionBytes, "Actalloc");
    releaseText(s);
    if (n == 0)
        return nullptr;
    if (textChunks_.empty() || lastChunkUsed_ + n > kTextChunk) {
        ZK_CHECK(textChunks_.size() < UINT32_MAX / kTextChunk, "Actalloc");
        // Left uninitialised: only what a text fills is ever touched.
        textChunks_.emplace_back(new char[kTextChunk]);
        lastChunkUsed_ = 0;
    }
    s.textAt = static_cast<std::uint32_t>((textChunks_.size() - 1) * kTextChunk + lastChunkUsed_);
    s.textLength = static_cast<std::uint16_t>(n);
    char* space = textChunks_.back().get() + lastChunkUsed_;
    lastChunkUsed_ += static_cast<std::uint32_t>(n);
    return space;
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
    std::string_view t = text(h);
    __builtin_prefetch(t.data());
    __builtin_prefetch(t.data() + t.size());
}

} // namespace zk
