#pragma once
// The item chain: every live item of the schedule, in ascending
// case-insensitive order of its sort key (the description as readers
// receive it when the item was inserted), items with equal keys in
// insertion order. Each node also holds the item's day (kNoDayInChain for
// items on no day).
//
// Ordered by (key, insertion number) in a balanced tree, so inserting,
// finding and removing stay logarithmic as the chain grows. Cursors (the
// list views' current item) move to the following item when theirs leaves.

#include "core/item.h"

#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace zk {

class ItemChain {
    struct Node {
        std::string key;
        std::uint64_t order;
        ItemHandle item;
        int day;
    };
    struct NodeLess {
        bool operator()(const Node& a, const Node& b) const;
    };
    using Nodes = std::multiset<Node, NodeLess>;

public:
    class const_iterator {
    public:
        using value_type = ItemHandle;
        using difference_type = std::ptrdiff_t;
        const_iterator() = default;
        explicit const_iterator(Nodes::const_iterator it) : it_(it) {}
        ItemHandle operator*() const { return it_->item; }
        int day() const { return it_->day; }
        const_iterator& operator++() { ++it_; return *this; }
        const_iterator operator++(int) { auto c = *this; ++it_; return c; }
        const_iterator& operator--() { --it_; return *this; }
        friend bool operator==(const const_iterator&, const const_iterator&) = default;

    private:
        Nodes::const_iterator it_;
    };

    const_iterator begin() const { return const_iterator(nodes_.begin()); }
    const_iterator end() const { return const_iterator(nodes_.end()); }
    std::size_t size() const { return nodes_.size(); }
    bool empty() const { return nodes_.empty(); }

    bool contains(ItemHandle item) const { return byItem_.count(item.index) != 0; }
    // The node's day, or 0 when the item is not in the chain.
    int dayOf(ItemHandle item) const;
    const_iterator find(ItemHandle item) const;

    // Inserts after every node whose key compares equal or less.
    void insert(ItemHandle item, std::string_view sortKey, int day);
    void remove(ItemHandle item);
    // The item at 0-based position n, or no item.
    ItemHandle nth(std::size_t n) const;

    // Cursors of the list views.
    int addCursor(ItemHandle at = kNoItem);
    void removeCursor(int cursor);
    ItemHandle cursor(int cursor) const;
    void setCursor(int cursor, ItemHandle at);

private:
    Nodes nodes_;
    std::unordered_map<std::uint32_t, Nodes::iterator> byItem_;
    std::uint64_t nextOrder_ = 1;
    std::unordered_map<int, ItemHandle> cursors_;
    int nextCursor_ = 1;
};

} // namespace zk
