// Helpers the converters share for reading values out of a tree: values of leaves only, as a branch
// carries no value. The nodes belong to the tree; nothing here keeps them. One thread at a time, like
// the tree.
#pragma once

#include <string>
#include <vector>

#include "conftree/branch.h"
#include "conftree/leaf.h"
#include "conftree/node.h"

// The value of node when it is a leaf; empty for a branch or none.
inline std::string leafValue(const Node* node) {
    const Leaf* leaf = node != nullptr ? node->asLeaf() : nullptr;
    return leaf != nullptr ? leaf->value() : std::string();
}

// The first child of a branch, or none for a leaf or an empty branch.
inline Node* firstChild(const Node* node) {
    const Branch* branch = node != nullptr ? node->asBranch() : nullptr;
    return branch != nullptr ? branch->children().front() : nullptr;
}

// The first child of a branch that is a leaf, or none.
inline const Leaf* firstLeafChild(const Node* node) {
    const Branch* branch = node != nullptr ? node->asBranch() : nullptr;
    if (branch == nullptr) return nullptr;
    for (const Node* child : branch->children()) {
        if (const Leaf* leaf = child->asLeaf()) return leaf;
    }
    return nullptr;
}

// The setting name prefix of a node: the names from below the tree root down to it, joined by '_'
// ("rule_proxy_7" for that rule's branch).
inline std::string settingPath(const Node& node) {
    std::vector<const Node*> chain;
    for (const Node* up = &node; up != nullptr && up->parent() != nullptr; up = up->parent()) chain.push_back(up);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!path.empty()) path += '_';
        path += (*it)->name();
    }
    return path;
}
