// MatchWalk: destructive tree operations that keep a verb's pending search results valid.
#include "template/match_walk.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "conftree/branch.h"

namespace {

// A node of a subtree about to be merged: its name, its kind and the frame of its parent (kNoFrame
// for the top of the subtree, whose parent will be the merge target).
constexpr std::size_t kNoFrame = static_cast<std::size_t>(-1);
struct Frame {
    std::string name;
    bool leaf;
    std::size_t parent;
};

// A pending match inside a subtree about to be merged: its address (kept as a number: after the
// merge it may no longer be a valid pointer) and its frame.
struct Passenger {
    std::uintptr_t address;
    std::size_t frame;
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
        if (pending_.erase(node)) return node;
    }
    return nullptr;
}

void MatchWalk::strike(const Node* node) {
    if (pending_.erase(node)) ++struck_;
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
    for (const Node* up = node;
         up->parent() != nullptr && up->parent()->parent() != nullptr && up->parent()->children().size() == 1;
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
    std::vector<Frame> frames;
    std::vector<Passenger> passengers;
    if (!pending_.empty()) {
        struct Visit {
            const Node* node;
            std::size_t parent;
        };
        std::vector<Visit> stack{{node.get(), kNoFrame}};
        while (!stack.empty()) {
            const Visit visit = stack.back();
            stack.pop_back();
            const std::size_t frame = frames.size();
            frames.push_back({visit.node->name(), visit.node->isLeaf(), visit.parent});
            if (pending_.erase(visit.node)) passengers.push_back({reinterpret_cast<std::uintptr_t>(visit.node), frame});
            if (const Branch* branch = visit.node->asBranch()) {
                const auto& children = branch->children();
                for (std::size_t i = children.size(); i > 0; --i) stack.push_back({children[i - 1], frame});
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
    // created during a merge, so a live node found there is the passenger itself. Each frame is
    // looked up once, below its parent's node, however many passengers lie below it and however
    // deep: the whole check costs one look-up per node of the merged subtree at most.
    std::vector<const Node*> resolved(frames.size(), nullptr);
    std::vector<bool> done(frames.size(), false);
    std::vector<std::size_t> chain;
    for (const Passenger& passenger : passengers) {
        chain.clear();
        std::size_t f = passenger.frame;
        for (; f != kNoFrame && !done[f]; f = frames[f].parent) chain.push_back(f);
        const Node* found = f == kNoFrame ? &target : resolved[f];
        for (std::size_t i = chain.size(); i > 0; --i) {
            const Frame& step = frames[chain[i - 1]];
            const Branch* branch = found != nullptr ? found->asBranch() : nullptr;
            found = branch != nullptr ? branch->children().find(step.name, step.leaf) : nullptr;
            resolved[chain[i - 1]] = found;
            done[chain[i - 1]] = true;
        }
        if (found != nullptr && reinterpret_cast<std::uintptr_t>(found) == passenger.address) {
            pending_.insert(found);
        } else {
            ++struck_;
        }
    }
    return true;
}
