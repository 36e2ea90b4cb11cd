// MatchWalk: walking the results of a search while the walk itself reshapes the tree.
//
// Several verbs move, merge and destroy nodes while they go through the list of nodes their search
// found: deleting one match can prune branches, merging a moved subtree into an existing branch can
// destroy the moved copies of nodes that are still waiting in the list. A plain loop over the raw
// result pointers would then touch freed nodes. MatchWalk hands out the results one at a time and
// performs the destructive tree operations on the verb's behalf, striking every pending match that
// an operation destroys; a struck match is never handed out. Matches that an operation only moves
// stay pending and are handed out in their new place.
//
// Rule for callers: once a match has been handed out, every operation that can destroy a node that
// is still in the tree goes through this class (pruneUp, destroy, merge), and the verb does not use
// a pointer to a node that the operation may have destroyed (the current match after merging it,
// for instance).
//
// Ownership: the walk does not own any node; the tree does. Threads: one thread, like the tree.
#pragma once

#include <cstddef>
#include <memory>

#include "conftree/node.h"
#include "template/pointer_set.h"

class Branch;

class MatchWalk {
public:
    explicit MatchWalk(NodeList matches);

    // The next match in result order that is still in the tree; nullptr when none is left.
    Node* next();

    // pruneUp(node): destroys node and every ancestor branch it leaves empty (never a tree root).
    void pruneUp(Node* node);

    // Removes node from its parent's children and destroys it with its subtree.
    void destroy(Node* node);

    // target.mergeNode(node, overwrite). Pending matches inside node's subtree that the merge joins
    // into existing nodes (and so destroys) are struck; those that land in the tree stay pending.
    // False when mergeNode refuses the node (it would go below itself): the whole incoming subtree
    // is then destroyed, target with it if target lay inside.
    bool merge(Branch& target, std::unique_ptr<Node> node, bool overwrite);

    // Matches struck so far because an operation destroyed them before their turn.
    std::size_t struck() const { return struck_; }

private:
    // Strikes every pending match in the subtree of top (top included).
    void strikeSubtree(const Node* top);
    void strike(const Node* node);

    NodeList order_;
    std::size_t position_ = 0;
    PointerSet pending_;
    std::size_t struck_ = 0;
};
