#pragma once
// The item chain: every live item of the schedule, in ascending
// case-insensitive order of its sort key (the description as readers
// receive it when the item was inserted), items with equal keys in
// insertion order. Each node also holds the item's day (kNoDayInChain for
// items on no day).
//
// The keys are not copied: the chain reads them from the item store, and
// keeps a copy only of the key of an item whose text changes while it is
// chained (keepKey()), so that its place stays what it was.
//
// Ordered by (key, insertion number); inserting, finding and removing stay
// nearly flat in cost as the chain grows. Cursors (the
// list views' current item) move to the following item when theirs leaves.
//
// A loader that inserts every item of a file brackets the inserts with
// beginBulkInsert() and endBulkInsert(): the nodes are then sorted once and
// laid out in full blocks, instead of searched for one by one. The order
// comes out the same.

#include "core/item.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zk {

class ItemChain {
    // Small on purpose: a node is moved whenever one is inserted before it in
    // its block, and the blocks of a large chain should stay in the cache.
    struct Node {
        std::uint64_t prefix;  // the key's first 8 bytes folded, big-endian: most compares end here
        ItemHandle item;
    };
    bool less(const Node& a, const Node& b) const;
    // Sorted runs of at most kBlockSize nodes. A tree of one node per item
    // spends its time in cache misses once the chain outgrows the cache;
    // short contiguous runs keep inserts nearly flat up to 100,000 items.
    static constexpr std::size_t kBlockSize = 64;
    using Block = std::vector<Node>;

public:
    explicit ItemChain(const ItemStore& items) : items_(items) {}
    ItemChain(const ItemChain&) = delete;
    ItemChain& operator=(const ItemChain&) = delete;

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

    // Inserts after every node whose key compares equal or less. The key is
    // the first keyBytes of the item's text: all of it, or only the private
    // marker while private text is hidden.
    void insert(ItemHandle item, std::size_t keyBytes, int day);
    // To be called before a chained item's text changes: the chain keeps
    // the key the item was inserted with.
    void keepKey(ItemHandle item);
    // Between these two, only insert, contains, dayOf, size and empty may be
    // called: the chain's order is settled at the end.
    void beginBulkInsert();
    void endBulkInsert();
    void remove(ItemHandle item);
    // Whether a comes before b; both must be in the chain.
    bool precedes(ItemHandle a, ItemHandle b) const;
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
    // Per item slot: its insertion number, its day and how much of its text
    // is its key.
    struct Placement {
        std::uint32_t order = 0;  // equal keys keep insertion order
        std::uint32_t generation = 0;
        int day = 0;
        std::uint16_t keyLength = 0;
        bool present = false;
        bool keptKey = false;  // the key is in keptKeys_
    };
    const Placement* placement(ItemHandle item) const;
    std::string_view keyOf(ItemHandle item) const;
    Node nodeOf(ItemHandle item) const;
    // The block and position of the first node not less than n.
    std::pair<std::size_t, std::size_t> lowerBound(const Node& n) const;
    std::pair<std::size_t, std::size_t> locate(ItemHandle item) const;
    void placeInBlock(const Node& node);
    void renumber();

    const ItemStore& items_;
    std::vector<Block> blocks_;
    std::vector<std::uint64_t> lastPrefix_;  // per block: its last node's prefix
    std::vector<Placement> byIndex_;  // indexed by item slot
    std::unordered_map<std::uint32_t, std::string> keptKeys_;  // by item slot
    std::vector<Node> bulk_;  // inserted since beginBulkInsert, in insertion order
    bool inBulk_ = false;
    std::size_t size_ = 0;
    std::uint32_t nextOrder_ = 1;
    std::unordered_map<int, ItemHandle> cursors_;
    int nextCursor_ = 1;
};

} // namespace zk
