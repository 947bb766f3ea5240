#include "core/itemchain.h"

#include "core/text.h"
#include "platform/fault.h"

#include <algorithm>
#include <utility>

namespace zk {

namespace {

std::uint64_t keyPrefix(const std::string& key)
{
    std::uint64_t p = 0;
    for (std::size_t i = 0; i < 8; ++i)
        p = (p << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return p;
}

} // namespace

bool ItemChain::less(const Node& a, const Node& b) const
{
    if (a.prefix != b.prefix)
        return a.prefix < b.prefix;
    int c = a.item == b.item ? 0 : keyOf(a).compare(keyOf(b));
    return c != 0 ? c < 0 : a.order < b.order;
}

std::pair<std::size_t, std::size_t> ItemChain::lowerBound(const Node& n) const
{
    // The first block whose last node is not less than n: by the dense array
    // of last prefixes, and by whole keys among the blocks whose prefix ties
    // (many titles share their first eight letters), both by halving.
    auto tie = std::equal_range(lastPrefix_.begin(), lastPrefix_.end(), n.prefix);
    std::size_t first = static_cast<std::size_t>(tie.first - lastPrefix_.begin());
    std::size_t last = static_cast<std::size_t>(tie.second - lastPrefix_.begin());
    std::size_t b = first;
    for (std::size_t count = last - first; count > 0;) {
        std::size_t half = count / 2;
        if (less(blocks_[b + half].back(), n)) {
            b += half + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    // The blocks of a large chain are seldom in the cache, and a search
    // within one would wait for its lines one after another: all of them
    // are asked for at once.
    if (b < blocks_.size())
        for (std::size_t i = 0; i < blocks_[b].size(); i += 64 / sizeof(Node))
            __builtin_prefetch(blocks_[b].data() + i);
    if (b == blocks_.size())
        return {blocks_.size(), 0};
    auto block = blocks_.begin() + static_cast<std::ptrdiff_t>(b);
    auto pos = std::partition_point(block->begin(), block->end(), [&](const Node& x) { return less(x, n); });
    return {static_cast<std::size_t>(block - blocks_.begin()), static_cast<std::size_t>(pos - block->begin())};
}

const ItemChain::Placement* ItemChain::placement(ItemHandle item) const
{
    if (item.index >= byIndex_.size())
        return nullptr;
    const Placement& p = byIndex_[item.index];
    return p.present && p.node.item == item ? &p : nullptr;
}

std::pair<std::size_t, std::size_t> ItemChain::locate(ItemHandle item) const
{
    const Placement* p = placement(item);
    ZK_CHECK(p != nullptr, "Actchain");
    auto at = lowerBound(p->node);
    ZK_CHECK(at.first < blocks_.size() && blocks_[at.first][at.second].item == item, "Actchain");
    return at;
}

int ItemChain::dayOf(ItemHandle item) const
{
    const Placement* p = placement(item);
    return p ? p->day : 0;
}

void ItemChain::insert(ItemHandle item, std::string_view sortKey, int day)
{
    ZK_CHECK(item && !contains(item), "Actchain");
    if (item.index >= byIndex_.size())
        byIndex_.resize(std::max<std::size_t>(item.index + 1, byIndex_.size() * 2));
    Placement& p = byIndex_[item.index];
    p.key = caseFoldKey(sortKey);
    Node node{keyPrefix(p.key), nextOrder_++, item};
    p.node = node;
    p.day = day;
    p.present = true;
    ++size_;

    if (blocks_.empty()) {
        lastPrefix_.push_back(node.prefix);
        blocks_.emplace_back().push_back(std::move(node));
        return;
    }
    auto [b, pos] = lowerBound(node);
    if (b == blocks_.size()) {  // after every node: append to the last block
        b = blocks_.size() - 1;
        pos = blocks_[b].size();
    }
    Block& block = blocks_[b];
    block.insert(block.begin() + static_cast<std::ptrdiff_t>(pos), std::move(node));
    if (block.size() > kBlockSize) {
        Block upper(std::make_move_iterator(block.begin() + kBlockSize / 2), std::make_move_iterator(block.end()));
        block.resize(kBlockSize / 2);
        lastPrefix_.insert(lastPrefix_.begin() + static_cast<std::ptrdiff_t>(b) + 1, upper.back().prefix);
        blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(b) + 1, std::move(upper));
    }
    lastPrefix_[b] = blocks_[b].back().prefix;
}

ItemHandle ItemChain::next(ItemHandle item) const
{
    auto [b, pos] = locate(item);
    if (pos + 1 < blocks_[b].size())
        return blocks_[b][pos + 1].item;
    return b + 1 < blocks_.size() ? blocks_[b + 1].front().item : kNoItem;
}

void ItemChain::remove(ItemHandle item)
{
    auto [b, pos] = locate(item);
    ItemHandle following = next(item);
    for (auto& [id, at] : cursors_)
        if (at == item)
            at = following;
    Block& block = blocks_[b];
    block.erase(block.begin() + static_cast<std::ptrdiff_t>(pos));
    if (block.empty()) {
        blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(b));
        lastPrefix_.erase(lastPrefix_.begin() + static_cast<std::ptrdiff_t>(b));
    } else {
        lastPrefix_[b] = block.back().prefix;
    }
    Placement& p = byIndex_[item.index];
    p.present = false;
    p.key.clear();
    --size_;
}

ItemHandle ItemChain::nth(std::size_t n) const
{
    for (const Block& b : blocks_) {
        if (n < b.size())
            return b[n].item;
        n -= b.size();
    }
    return kNoItem;
}

int ItemChain::addCursor(ItemHandle at)
{
    int id = nextCursor_++;
    cursors_[id] = at;
    return id;
}

void ItemChain::removeCursor(int cursor) { cursors_.erase(cursor); }

ItemHandle ItemChain::cursor(int cursor) const
{
    auto it = cursors_.find(cursor);
    return it == cursors_.end() ? kNoItem : it->second;
}

void ItemChain::setCursor(int cursor, ItemHandle at) { cursors_[cursor] = at; }

} // namespace zk
