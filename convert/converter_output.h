// Helpers the converters share for reading records out of a tree and writing settings back.
//
// Writers form a complete setting line ('name=value') and add it with the add_leaf verb, so an
// existing leaf of that name takes the new value and a line that cannot be parsed is reported under
// the name "add_leaf", like any other setting a script adds. Readers take values of leaves only: a
// branch carries no value. One thread at a time, like the processor.
#pragma once

#include <string>
#include <string_view>

#include "conftree/branch.h"
#include "conftree/config_tree.h"
#include "conftree/leaf.h"
#include "template/template_processor.h"

// Adds one converter-made setting line to the tree (through add_leaf).
inline void addSetting(TemplateProcessor& processor, ConfigTree& tree, std::string line) {
    processor.add_leaf(tree, line.data());
}

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
