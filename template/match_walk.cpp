// MatchWalk: destructive tree operations that keep a verb's pending search results valid.
#include "template/match_walk.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "conftree/branch.h"

namespace {

// One step of a path below a merge target: the name and the kind of the node at that level.
struct PathStep {
    std::string name;
    bool leaf;
};

// A pending match inside a subtree about to be merged: its address (kept as a number: after the
// merge it may no longer be a valid pointer) and its path relative to the merge target.
struct Passenger {
    std::uintptr_t address;
    std::vector<PathStep> path;
};

}  // namespace

MatchWalk::MatchWalk(NodeList matches) : order_(std::move(matches)) {
    pending_.reserve(order_.size());
    for (const Node* node : order_) pending_.insert(node);
}

Node* MatchWalk::next() {
    while (position_ < order_.size()) {
        Node* node = order_[position_++];
        // Erasing hands the match out exactly once; a struck match is no longer in the set.
        if (pending_.erase(node) != 0) return node;
    }
    return nullptr;
}

void MatchWalk::strike(const Node* node) {
    if (pending_.erase(node) != 0) ++struck_;
}

void MatchWalk::strikeSubtree(const Node* top) {
    if (pending_.empty()) return;
    std::vector<const Node*> stack{top};
    while (!stack.empty()) {
        const Node* node = stack.back();
        stack.pop_back();
        strike(node);
        if (const Branch* branch = node->asBranch()) {
            for (const Node* child : branch->children()) stack.push_back(child);
        }
    }
}

void MatchWalk::pruneUp(Node* node) {
    if (node == nullptr || node->parent() == nullptr) return;
    strikeSubtree(node);
    // The ancestors that pruneUp destroys with the node: each one whose only child is the path to
    // the node, up to (not including) the tree root, which has no parent.
    for (const Node* up = node; up->parent() != nullptr && up->parent()->parent() != nullptr &&
                                up->parent()->children().size() == 1;
         up = up->parent()) {
        strike(up->parent());
    }
    ::pruneUp(node);
}

void MatchWalk::destroy(Node* node) {
    if (node == nullptr || node->parent() == nullptr) return;
    strikeSubtree(node);
    node->parent()->destroyChild(node);
}

bool MatchWalk::merge(Branch& target, std::unique_ptr<Node> node, bool overwrite) {
    if (!node) return false;

    // Take the pending matches inside the incoming subtree out of the set, noting where each one
    // will be if it survives: merging keeps relative paths, joining every incoming branch into the
    // first existing child of its name and kind, or appending it as that first child.
    std::vector<Passenger> passengers;
    if (!pending_.empty()) {
        std::vector<PathStep> path;
        struct Frame {
            const Node* node;
            std::size_t depth;
        };
        std::vector<Frame> stack{{node.get(), 0}};
        while (!stack.empty()) {
            const Frame frame = stack.back();
            stack.pop_back();
            path.resize(frame.depth);
            path.push_back({frame.node->name(), frame.node->isLeaf()});
            if (pending_.erase(frame.node) != 0) {
                passengers.push_back({reinterpret_cast<std::uintptr_t>(frame.node), path});
            }
            if (const Branch* branch = frame.node->asBranch()) {
                const auto& children = branch->children();
                for (std::size_t i = children.size(); i > 0; --i)
                    stack.push_back({children[i - 1], frame.depth + 1});
            }
        }
    }

    const bool merged = target.mergeNode(std::move(node), overwrite);
    if (!merged) {
        // A refused merge destroys the whole incoming subtree (and with it the target when the
        // target lay inside it): no passenger survives, and the target must not be looked at.
        struck_ += passengers.size();
        return false;
    }

    // A passenger survived exactly when its path now leads to a node at its old address. No node is
    // created during a merge, so a live node found there is the passenger itself.
    for (const Passenger& passenger : passengers) {
        const Node* found = &target;
        for (const PathStep& step : passenger.path) {
            const Branch* branch = found->asBranch();
            found = branch != nullptr ? branch->children().find(step.name, step.leaf) : nullptr;
            if (found == nullptr) break;
        }
        if (found != nullptr && reinterpret_cast<std::uintptr_t>(found) == passenger.address) {
            pending_.insert(found);
        } else {
            ++struck_;
        }
    }
    return true;
}
