#pragma once
// The project tree: nodes {value, item, children}, top-level nodes in order,
// each node's children in order. The data file stores it depth first.
//
// Nodes live in one vector and refer to their children by index, so a tree
// as deep as a damaged file can make it is neither built nor destroyed by
// recursion.

#include "core/item.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zk {

class ProjectTree {
public:
    using NodeId = std::size_t;
    static constexpr std::uint32_t kProjectNode = 1;

    struct Node {
        std::uint32_t value = 0;  // kProjectNode for a project
        ItemHandle item;
        std::vector<NodeId> children;
    };

    NodeId addTopLevel(std::uint32_t value, ItemHandle item);
    NodeId addChild(NodeId parent, std::uint32_t value, ItemHandle item);

    const Node& node(NodeId id) const { return nodes_.at(id); }
    const std::vector<NodeId>& topLevel() const { return topLevel_; }
    std::size_t size() const { return nodes_.size(); }
    bool empty() const { return nodes_.empty(); }
    void clear();

    // Calls f(node, depth) for every node, depth first, parents before
    // their children (the order of the data file).
    template <typename F>
    void forEachDepthFirst(F f) const
    {
        struct Pending {
            NodeId id;
            int depth;
        };
        std::vector<Pending> stack;
        for (auto it = topLevel_.rbegin(); it != topLevel_.rend(); ++it)
            stack.push_back({*it, 0});
        while (!stack.empty()) {
            Pending p = stack.back();
            stack.pop_back();
            const Node& n = nodes_[p.id];
            f(n, p.depth);
            for (auto it = n.children.rbegin(); it != n.children.rend(); ++it)
                stack.push_back({*it, p.depth + 1});
        }
    }

private:
    std::vector<Node> nodes_;
    std::vector<NodeId> topLevel_;
};

} // namespace zk
