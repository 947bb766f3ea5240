#include "core/projecttree.h"

namespace zk {

ProjectTree::NodeId ProjectTree::addTopLevel(std::uint32_t value, ItemHandle item)
{
    nodes_.push_back(Node{value, item, {}});
    topLevel_.push_back(nodes_.size() - 1);
    return nodes_.size() - 1;
}

ProjectTree::NodeId ProjectTree::addChild(NodeId parent, std::uint32_t value, ItemHandle item)
{
    nodes_.push_back(Node{value, item, {}});
    NodeId id = nodes_.size() - 1;
    nodes_.at(parent).children.push_back(id);
    return id;
}

void ProjectTree::clear()
{
    nodes_.clear();
    topLevel_.clear();
}

} // namespace zk
