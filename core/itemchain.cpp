#include "core/itemchain.h"

#include "core/text.h"
#include "platform/fault.h"

namespace zk {

bool ItemChain::NodeLess::operator()(const Node& a, const Node& b) const
{
    int c = a.key.compare(b.key);
    return c != 0 ? c < 0 : a.order < b.order;
}

int ItemChain::dayOf(ItemHandle item) const
{
    auto it = byItem_.find(item.index);
    return it == byItem_.end() || it->second->item != item ? 0 : it->second->day;
}

ItemChain::const_iterator ItemChain::find(ItemHandle item) const
{
    auto it = byItem_.find(item.index);
    if (it == byItem_.end() || it->second->item != item)
        return end();
    return const_iterator(Nodes::const_iterator(it->second));
}

void ItemChain::insert(ItemHandle item, std::string_view sortKey, int day)
{
    ZK_CHECK(item && !contains(item), "Actchain");
    auto it = nodes_.insert(Node{caseFoldKey(sortKey), nextOrder_++, item, day});
    byItem_.emplace(item.index, it);
}

void ItemChain::remove(ItemHandle item)
{
    auto found = byItem_.find(item.index);
    ZK_CHECK(found != byItem_.end() && found->second->item == item, "Actchain");
    auto node = found->second;
    auto next = std::next(node);
    ItemHandle following = next == nodes_.end() ? kNoItem : next->item;
    for (auto& [id, at] : cursors_)
        if (at == item)
            at = following;
    nodes_.erase(node);
    byItem_.erase(found);
}

ItemHandle ItemChain::nth(std::size_t n) const
{
    if (n >= nodes_.size())
        return kNoItem;
    auto it = nodes_.begin();
    std::advance(it, static_cast<std::ptrdiff_t>(n));
    return it->item;
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
