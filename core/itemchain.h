#pragma once
// The item chain: every live item of the schedule, in ascending
// case-insensitive order of its sort key (the description as readers
// receive it when the item was inserted), items with equal keys in
// insertion order. Each node also holds the item's day (kNoDayInChain for
// items on no day).
//
// Ordered by (key, insertion number); inserting, finding and removing stay
// nearly flat in cost as the chain grows. Cursors (the
// list views' current item) move to the following item when theirs leaves.

#include "core/item.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace zk {

class ItemChain {
    // Small on purpose: a node is moved whenever one is inserted before it in
    // its block, and the blocks of a large chain should stay in the cache.
    struct Node {
        std::uint64_t prefix;  // the key's first 8 bytes, big-endian: most compares end here
        std::uint64_t order;   // insertion number: equal keys keep insertion order
        ItemHandle item;
    };
    bool less(const Node& a, const Node& b) const;
    // Sorted runs of at most kBlockSize nodes. A tree of one node per item
    // spends its time in cache misses once the chain outgrows the cache;
    // short contiguous runs keep inserts nearly flat up to 100,000 items.
    static constexpr std::size_t kBlockSize = 64;
    using Block = std::vector<Node>;

public:
    class const_iterator {
    public:
        using value_type = ItemHandle;
        using difference_type = std::ptrdiff_t;
        const_iterator() = default;
        ItemHandle operator*() const { return (*blocks_)[block_][pos_].item; }
        const_iterator& operator++()
        {
            if (++pos_ == (*blocks_)[block_].size()) {
                ++block_;
                pos_ = 0;
            }
            return *this;
        }
        const_iterator operator++(int)
        {
            auto c = *this;
            ++*this;
            return c;
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b)
        {
            return a.block_ == b.block_ && a.pos_ == b.pos_;
        }

    private:
        friend class ItemChain;
        const_iterator(const std::vector<Block>* blocks, std::size_t block, std::size_t pos)
            : blocks_(blocks), block_(block), pos_(pos)
        {
        }
        const std::vector<Block>* blocks_ = nullptr;
        std::size_t block_ = 0;
        std::size_t pos_ = 0;
    };

    // Iterators are invalidated by insert and remove: collect first, then change.
    const_iterator begin() const { return const_iterator(&blocks_, 0, 0); }
    const_iterator end() const { return const_iterator(&blocks_, blocks_.size(), 0); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    bool contains(ItemHandle item) const { return placement(item) != nullptr; }
    // The node's day, or 0 when the item is not in the chain.
    int dayOf(ItemHandle item) const;

    // Inserts after every node whose key compares equal or less.
    void insert(ItemHandle item, std::string_view sortKey, int day);
    void remove(ItemHandle item);
    // The item at 0-based position n, or no item.
    ItemHandle nth(std::size_t n) const;
    // The item after the given one in chain order, or no item.
    ItemHandle next(ItemHandle item) const;

    // Cursors of the list views.
    int addCursor(ItemHandle at = kNoItem);
    void removeCursor(int cursor);
    ItemHandle cursor(int cursor) const;
    void setCursor(int cursor, ItemHandle at);

private:
    // Per item slot: its key and node copy, to compare past the prefix and
    // to find the node again.
    struct Placement {
        Node node;
        std::string key;
        int day = 0;
        bool present = false;
    };
    const Placement* placement(ItemHandle item) const;
    const std::string& keyOf(const Node& n) const { return byIndex_[n.item.index].key; }
    // The block and position of the first node not less than n.
    std::pair<std::size_t, std::size_t> lowerBound(const Node& n) const;
    std::pair<std::size_t, std::size_t> locate(ItemHandle item) const;

    std::vector<Block> blocks_;
    std::vector<std::uint64_t> lastPrefix_;  // per block: its last node's prefix
    std::vector<Placement> byIndex_;  // indexed by item slot
    std::size_t size_ = 0;
    std::uint64_t nextOrder_ = 1;
    std::unordered_map<int, ItemHandle> cursors_;
    int nextCursor_ = 1;
};

} // namespace zk
