#include "core/itemchain.h"

#include "platform/fault.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace zk {

namespace {

unsigned folded(char c)
{
    unsigned u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u;
}

// The key's folded bytes [at, at + 8), big-endian, zeros past its end.
std::uint64_t keyChunk(std::string_view key, std::size_t at)
{
    std::uint64_t p = 0;
    for (std::size_t i = at; i < at + 8; ++i)
        p = (p << 8) | (i < key.size() ? folded(key[i]) : 0u);
    return p;
}

std::uint64_t keyPrefix(std::string_view key) { return keyChunk(key, 0); }

// Compares as the case-folded keys would, byte by byte unsigned, without
// making them.
int compareFolded(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned x = folded(a[i]), y = folded(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

constexpr std::ptrdiff_t kSmallRun = 32;

// How many folded bytes every key of the run has in common with the
// first; all of them share at least `from`.
template <typename Node, typename Key>
std::size_t sharedLength(const Node* begin, const Node* end, Key key, std::size_t from)
{
    const std::string_view first = key(*begin);
    std::size_t length = first.size();
    for (const Node* n = begin + 1; n != end && length > from; ++n) {
        const std::string_view k = key(*n);
        const std::size_t limit = std::min(length, k.size());
        std::size_t i = from;
        while (i < limit && folded(first[i]) == folded(k[i]))
            ++i;
        length = i;
    }
    return length;
}

// Sorts a run of nodes whose keys are all at least `shared` bytes long and
// alike in those bytes. Titles that share a long beginning ("Appointment
// number ...") would have every comparison walk it again: the run is
// ordered by the 8 bytes after all its keys share instead, and only nodes
// that tie on those as well go on to the whole comparison.
template <typename Node, typename Less, typename Key>
void sortSharedRun(Node* begin, Node* end, std::size_t shared, Less less, Key key)
{
    if (end - begin < kSmallRun) {
        std::sort(begin, end, less);
        return;
    }
    const std::size_t at = sharedLength(begin, end, key, shared);
    std::vector<std::pair<std::uint64_t, Node>> keyed;
    keyed.reserve(static_cast<std::size_t>(end - begin));
    for (const Node* n = begin; n != end; ++n)
        keyed.emplace_back(keyChunk(key(*n), at), *n);
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        begin[i] = keyed[i].second;
    for (std::size_t i = 0; i < keyed.size();) {
        std::size_t j = i + 1;
        bool whole = key(keyed[i].second).size() >= at + 8;
        for (; j < keyed.size() && keyed[j].first == keyed[i].first; ++j)
            whole = whole && key(keyed[j].second).size() >= at + 8;
        // Keys that end within the chunk tie on its padding: the whole
        // comparison (and the insertion order) settles them.
        if (j - i > 1) {
            if (whole)
                sortSharedRun(begin + i, begin + j, at + 8, less, key);
            else
                std::sort(begin + i, begin + j, less);
        }
        i = j;
    }
}

// Sorts chain nodes: spread into buckets by the first bits of their keys
// (at most the first two bytes) in one counting pass, then each bucket
// sorted on its prefix, and the nodes that tie on it by their keys. About
// one bucket per node: a small chain does not pay for clearing a table
// sized for a large one.
template <typename Node, typename Less, typename Key>
void sortNodes(std::vector<Node>& nodes, Less less, Key key)
{
    int bits = 8;
    while (bits < 16 && (std::size_t(1) << bits) < nodes.size())
        ++bits;
    const int kShift = 64 - bits;
    std::vector<std::uint32_t> end((std::size_t(1) << bits) + 1, 0);
    for (const Node& n : nodes)
        ++end[(n.prefix >> kShift) + 1];
    for (std::size_t b = 1; b < end.size(); ++b)
        end[b] += end[b - 1];
    std::vector<Node> sorted(nodes.size());
    for (const Node& n : nodes)
        sorted[end[n.prefix >> kShift]++] = n;
    // Now end[b] is where bucket b ends, and the bucket before it begins.
    auto byPrefix = [](const Node& a, const Node& b) { return a.prefix < b.prefix; };
    std::uint32_t begin = 0;
    for (std::size_t b = 0; b + 1 < end.size(); ++b) {
        Node* first = sorted.data() + begin;
        Node* last = sorted.data() + end[b];
        begin = end[b];
        if (last - first < 2)
            continue;
        std::sort(first, last, byPrefix);
        for (Node* run = first; run != last;) {
            Node* runEnd = std::find_if(run + 1, last, [run](const Node& n) { return n.prefix != run->prefix; });
            // Most runs are one node: their keys are not read at all.
            auto longKey = [&key](const Node& n) { return key(n).size() >= 8; };
            if (runEnd - run >= kSmallRun && std::all_of(run, runEnd, longKey))
                sortSharedRun(run, runEnd, 8, less, key);
            else if (runEnd - run > 1)
                std::sort(run, runEnd, less);
            run = runEnd;
        }
    }
    nodes.swap(sorted);
}

} // namespace

bool ItemChain::less(const Node& a, const Node& b) const
{
    if (a.prefix != b.prefix)
        return a.prefix < b.prefix;
    if (a.item == b.item)
        return false;
    if (int c = compareFolded(keyOf(a.item), keyOf(b.item)); c != 0)
        return c < 0;
    return byIndex_[a.item.index].order < byIndex_[b.item.index].order;
}

std::string_view ItemChain::keyOf(ItemHandle item) const
{
    const Placement& p = byIndex_[item.index];
    if (p.keptKey)
        return keptKeys_.find(item.index)->second;
    return items_.text(item).substr(0, p.keyLength);
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
    return p.present && p.generation == item.generation ? &p : nullptr;
}

ItemChain::Node ItemChain::nodeOf(ItemHandle item) const { return Node{keyPrefix(keyOf(item)), item}; }

std::pair<std::size_t, std::size_t> ItemChain::locate(ItemHandle item) const
{
    ZK_CHECK(!inBulk_, "Actchain");
    const Placement* p = placement(item);
    ZK_CHECK(p != nullptr, "Actchain");
    auto at = lowerBound(nodeOf(item));
    ZK_CHECK(at.first < blocks_.size() && blocks_[at.first][at.second].item == item, "Actchain");
    return at;
}

int ItemChain::dayOf(ItemHandle item) const
{
    const Placement* p = placement(item);
    return p ? p->day : 0;
}

void ItemChain::insert(ItemHandle item, std::size_t keyBytes, int day)
{
    ZK_CHECK(item && !contains(item), "Actchain");
    // Grown by the vector's own doubling of its capacity: the part not yet
    // used is never touched, so it costs no memory.
    if (item.index >= byIndex_.size())
        byIndex_.resize(item.index + 1);
    if (nextOrder_ == UINT32_MAX)
        renumber();
    Placement& p = byIndex_[item.index];
    // Descriptions are far below the limit; a longer key still sorts by
    // what fits.
    p.keyLength = static_cast<std::uint16_t>(std::min<std::size_t>(keyBytes, UINT16_MAX));
    p.keptKey = false;
    p.order = nextOrder_++;
    p.generation = item.generation;
    p.day = day;
    p.present = true;
    ++size_;
    Node node = nodeOf(item);
    if (inBulk_)
        bulk_.push_back(node);
    else
        placeInBlock(node);
}

void ItemChain::keepKey(ItemHandle item)
{
    const Placement* p = placement(item);
    if (!p || p->keptKey)
        return;
    keptKeys_.emplace(item.index, std::string(keyOf(item)));
    byIndex_[item.index].keptKey = true;
}

// Insertion numbers are 32 bits to keep the placements small; after four
// billion inserts they are handed out again from 1, in chain order, which
// keeps every order as it was.
void ItemChain::renumber()
{
    std::uint32_t n = 0;
    for (const Block& block : blocks_)
        for (const Node& node : block)
            byIndex_[node.item.index].order = ++n;
    for (const Node& node : bulk_)
        byIndex_[node.item.index].order = ++n;
    nextOrder_ = n + 1;
}

void ItemChain::placeInBlock(const Node& node)
{
    if (blocks_.empty()) {
        lastPrefix_.push_back(node.prefix);
        blocks_.emplace_back().push_back(node);
        return;
    }
    auto [b, pos] = lowerBound(node);
    if (b == blocks_.size()) {  // after every node: append to the last block
        b = blocks_.size() - 1;
        pos = blocks_[b].size();
    }
    Block& block = blocks_[b];
    block.insert(block.begin() + static_cast<std::ptrdiff_t>(pos), node);
    if (block.size() > kBlockSize) {
        Block upper(block.begin() + kBlockSize / 2, block.end());
        block.resize(kBlockSize / 2);
        lastPrefix_.insert(lastPrefix_.begin() + static_cast<std::ptrdiff_t>(b) + 1, upper.back().prefix);
        blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(b) + 1, std::move(upper));
    }
    lastPrefix_[b] = blocks_[b].back().prefix;
}

void ItemChain::beginBulkInsert()
{
    ZK_CHECK(!inBulk_, "Actchain");
    inBulk_ = true;
}

void ItemChain::endBulkInsert()
{
    ZK_CHECK(inBulk_, "Actchain");
    inBulk_ = false;
    if (bulk_.empty())
        return;
    // One sort of the new nodes and one merge with the chain as it was,
    // then the blocks laid out full: a search and a shift per item would
    // cost far more once the chain is large.
    auto byOrder = [this](const Node& a, const Node& b) { return less(a, b); };
    sortNodes(bulk_, byOrder, [this](const Node& n) { return keyOf(n.item); });
    std::vector<Node> all;
    if (blocks_.empty()) {
        all = std::move(bulk_);
    } else {
        all.reserve(size_);
        std::vector<Node> old;
        old.reserve(size_ - bulk_.size());
        for (const Block& block : blocks_)
            old.insert(old.end(), block.begin(), block.end());
        std::merge(old.begin(), old.end(), bulk_.begin(), bulk_.end(), std::back_inserter(all), byOrder);
    }
    bulk_ = {};
    blocks_.clear();
    lastPrefix_.clear();
    blocks_.reserve((all.size() + kBlockSize - 1) / kBlockSize);
    lastPrefix_.reserve(blocks_.capacity());
    for (std::size_t at = 0; at < all.size(); at += kBlockSize) {
        std::size_t end = std::min(all.size(), at + kBlockSize);
        Block& block = blocks_.emplace_back();
        block.reserve(kBlockSize + 1);
        block.assign(all.begin() + static_cast<std::ptrdiff_t>(at), all.begin() + static_cast<std::ptrdiff_t>(end));
        lastPrefix_.push_back(block.back().prefix);
    }
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
    if (p.keptKey)
        keptKeys_.erase(item.index);
    p.keptKey = false;
    --size_;
}

bool ItemChain::precedes(ItemHandle a, ItemHandle b) const
{
    ZK_CHECK(!inBulk_ && contains(a) && contains(b), "Actchain");
    return less(nodeOf(a), nodeOf(b));
}

ItemHandle ItemChain::nth(std::size_t n) const
{
    ZK_CHECK(!inBulk_, "Actchain");
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
