// The one place that holds the process-wide tree state.
#include "conftree/tree_state.h"

#include <iostream>
#include <vector>

#include "conftree/branch.h"
#include "conftree/leaf.h"
#include "conftree/progress.h"
#include "conftree/tree_internal.h"

namespace {

struct TreeState {
    std::ostream* log = &std::cout;
    long branches = 0;
    long leaves = 0;
    long leafWrites = 0;
    TreeEditCounts edits;
    ScopeStack starScopes;
    ScopeStack hashScopes;
};

TreeState& state() {
    static TreeState s;
    return s;
}

}  // namespace

std::ostream& treeLog() { return *state().log; }
void setTreeLog(std::ostream& stream) { state().log = &stream; }
long branchCount() { return state().branches; }
long leafCount() { return state().leaves; }
long leafWriteCount() { return state().leafWrites; }
TreeEditCounts treeEditCounts() { return state().edits; }
ScopeStack& starScopes() { return state().starScopes; }
ScopeStack& hashScopes() { return state().hashScopes; }

const Branch* watchTreeEdits(const Branch* root) {
    const Branch* previous = conftree_internal::watchedTree;
    conftree_internal::watchedTree = root;
    return previous;
}

namespace conftree_internal {

const Branch* watchedTree = nullptr;

namespace {

// The leaves of a subtree (the node itself when it is a leaf), without recursion. The stack of
// branches still to visit is kept from call to call: a script line may count thousands of subtrees.
long leavesOf(const Node& subtree) {
    if (subtree.isLeaf()) return 1;
    long leaves = 0;
    static std::vector<const Branch*> pending;
    pending.clear();
    pending.push_back(static_cast<const Branch*>(&subtree));
    while (!pending.empty()) {
        const Branch* branch = pending.back();
        pending.pop_back();
        for (const Node* child : branch->children()) {
            if (child->isLeaf()) {
                ++leaves;
            } else {
                pending.push_back(static_cast<const Branch*>(child));
            }
        }
    }
    return leaves;
}

// True when node lies in the watched tree: the walk up from it meets the tree's root.
bool inWatchedTree(const Node& node) {
    for (const Node* up = &node; up != nullptr; up = up->parent()) {
        if (up == watchedTree) return true;
    }
    return false;
}

}  // namespace

void countEntered(const Branch& owner, const Node& subtree) {
    if (inWatchedTree(owner)) state().edits.leavesIn += leavesOf(subtree);
}
void countLeft(const Branch& owner, const Node& subtree) {
    if (inWatchedTree(owner)) state().edits.leavesOut += leavesOf(subtree);
}
void countRenamed(const Node& node) {
    if (inWatchedTree(node)) state().edits.leavesRenamed += leavesOf(node);
}
void countValueChange(const Leaf& leaf) {
    if (inWatchedTree(leaf)) ++state().edits.valueChanges;
}
void countSearchMatches(long results) { state().edits.searchMatches += results; }

void branchCreated() { ++state().branches; }
void branchDestroyed() { --state().branches; }

void leafCreated() {
    if (++state().leaves % 20 == 0) progressDot(ProgressKind::LeavesCreated);
}

void leafDestroyed() { --state().leaves; }

void leafWritten() {
    if (++state().leafWrites % 20 == 0) progressDot(ProgressKind::LinesWritten);
}

}  // namespace conftree_internal
