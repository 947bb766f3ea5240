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
#include <memory>
#include <string>
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

struct Item {
    ItemRecord record;
    std::string description;  // UTF-8, at most kMaxDescriptionBytes
};

class ItemStore {
public:
    ItemHandle create();
    void free(ItemHandle h);

    // Inline, with get(): every walk over items asks for each of them.
    bool isLive(ItemHandle h) const
    {
        if (h.index == 0 || h.index > count_)
            return false;
        const Slot& s = slot(h.index);
        return s.live && s.generation == h.generation;
    }
    // A stale or null handle is an internal fault.
    Item& get(ItemHandle h)
    {
        if (!isLive(h))
            staleHandle();
        return slot(h.index).item;
    }
    const Item& get(ItemHandle h) const
    {
        if (!isLive(h))
            staleHandle();
        return slot(h.index).item;
    }

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
    struct Slot {
        Item item;
        std::uint32_t generation = 0;
        bool live = false;
    };
    // Fixed-size chunks: growing never moves an item, so a large schedule
    // does not pay for copying every record each time the store doubles.
    static constexpr std::uint32_t kChunk = 1024;
    [[noreturn]] static void staleHandle();
    Slot& slot(std::uint32_t index) { return (*chunks_[(index - 1) / kChunk])[(index - 1) % kChunk]; }
    const Slot& slot(std::uint32_t index) const { return (*chunks_[(index - 1) / kChunk])[(index - 1) % kChunk]; }

    std::vector<std::unique_ptr<std::array<Slot, kChunk>>> chunks_;
    std::uint32_t count_ = 0;  // slots in use or freed
    std::vector<std::uint32_t> freeSlots_;
    std::size_t live_ = 0;
};

} // namespace zk
