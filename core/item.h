#pragma once
// Items and their handles. Every item (record and description) lives in the
// schedule's ItemStore; everything else refers to it by an ItemHandle, a
// slot index with a generation, so a handle kept past the item's end is
// detected instead of reaching another item.
//
// Within an item record, the u32 fields that refer to other objects in
// memory (`recur` of an exception, `plistLink` of a floating item) hold slot
// indexes; ItemStore::handleAt turns one back into a handle.

#include "core/itemrecord.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

struct ItemHandle {
    std::uint32_t index = 0;       // 1-based slot; 0 = no item
    std::uint32_t generation = 0;

    constexpr explicit operator bool() const { return index != 0; }
    friend constexpr bool operator==(ItemHandle, ItemHandle) = default;
};

inline constexpr ItemHandle kNoItem{};

struct ItemHandleHash {
    std::size_t operator()(ItemHandle h) const { return (static_cast<std::size_t>(h.index) << 20) ^ h.generation; }
};

// The longest description, in stored bytes.
inline constexpr std::size_t kMaxDescriptionBytes = 1000;
// Marks a private description.
inline constexpr char kPrivateMarker = '|';

class ItemStore {
public:
    ItemHandle create();
    void free(ItemHandle h);

    // Inline, with record(): every walk over items asks for each of them.
    bool isLive(ItemHandle h) const
    {
        if (h.index == 0 || h.index > count_)
            return false;
        const Slot& s = slot(h.index);
        return s.live && s.generation == h.generation;
    }
    // A stale or null handle is an internal fault.
    ItemRecord& record(ItemHandle h) { return liveSlot(h).record; }
    const ItemRecord& record(ItemHandle h) const { return liveSlot(h).record; }

    // The item's description as stored. The view stays valid until the
    // item's text is set again or the item is freed.
    std::string_view text(ItemHandle h) const
    {
        const Slot& s = liveSlot(h);
        if (s.textLength == 0)
            return {};
        if (s.ownText)
            return ownTexts_[s.textAt];
        return {textChunks_[s.textAt / kTextChunk].get() + s.textAt % kTextChunk, s.textLength};
    }
    // Stores a copy of the text, which may view any item's text. Changed
    // texts are kept one by one: the shared buffer only grows by loading.
    void setText(ItemHandle h, std::string_view text);
    // Room for the n bytes of a text read from a file, in the shared buffer
    // of loaded texts: a description costs its bytes and no allocation of
    // its own. The caller fills it before the next call that changes texts.
    char* loadedTextSpace(ItemHandle h, std::size_t n);

    // The live item in a slot, or no item.
    ItemHandle handleAt(std::uint32_t index) const;
    // Only a hint: starts loading the item's slot, and once that is in, its
    // description, for walks that reach items out of slot order. Any handle
    // may be given.
    // Out of line: the compiler drops an inlined prefetch, finding no effect.
    void prefetchSlot(ItemHandle h) const;
    void prefetchDescription(ItemHandle h) const;
    std::size_t liveCount() const { return live_; }

    // Visits every live item in slot order.
    template <typename F>
    void forEach(F f) const
    {
        for (std::uint32_t i = 1; i <= count_; ++i)
            if (const Slot& s = slot(i); s.live)
                f(ItemHandle{i, s.generation});
    }

private:
    // The record and where its text is: 140 bytes, where a record beside a
    // string object took 176 and the string's own allocation on top.
    struct Slot {
        ItemRecord record;
        std::uint16_t textLength : 14 = 0;
        std::uint16_t ownText : 1 = 0;  // textAt indexes ownTexts_, else the loaded texts
        std::uint16_t live : 1 = 0;
        std::uint32_t textAt = 0;
        std::uint32_t generation = 0;
    };
    static_assert(kMaxDescriptionBytes < (1u << 14));
    // Fixed-size chunks: growing never moves an item, so a large schedule
    // does not pay for copying every record each time the store doubles.
    static constexpr std::uint32_t kChunk = 1024;
    // Loaded texts are packed into chunks of this size; none spans two.
    static constexpr std::uint32_t kTextChunk = 64 * 1024;
    [[noreturn]] static void staleHandle();
    Slot& slot(std::uint32_t index) { return (*chunks_[(index - 1) / kChunk])[(index - 1) % kChunk]; }
    const Slot& slot(std::uint32_t index) const { return (*chunks_[(index - 1) / kChunk])[(index - 1) % kChunk]; }
    Slot& liveSlot(ItemHandle h)
    {
        if (!isLive(h))
            staleHandle();
        return slot(h.index);
    }
    const Slot& liveSlot(ItemHandle h) const
    {
        if (!isLive(h))
            staleHandle();
        return slot(h.index);
    }
    void releaseText(Slot& s);

    std::vector<std::unique_ptr<std::array<Slot, kChunk>>> chunks_;
    std::uint32_t count_ = 0;  // slots in use or freed
    std::vector<std::uint32_t> freeSlots_;
    std::size_t live_ = 0;
    // Texts as read from the file; the bytes of a text changed or freed
    // later stay unused until the schedule goes.
    std::vector<std::unique_ptr<char[]>> textChunks_;
    std::uint32_t lastChunkUsed_ = 0;  // bytes of the last chunk taken
    // Texts set after loading, one string each; a deque never moves them.
    std::deque<std::string> ownTexts_;
    std::vector<std::uint32_t> freeOwnTexts_;
};

} // namespace zk
