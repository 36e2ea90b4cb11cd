// Branch: an inner node of a configuration tree, one underscore-separated component of setting
// names, holding its children in a ChildList. Constructing one counts it in branchCount,
// destroying it (with its whole subtree) uncounts it.
//
// Ownership: the branch owns its children. Threads: see node.h.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "conftree/child_list.h"
#include "conftree/node.h"

class Branch : public Node {
public:
    explicit Branch(std::string name);
    ~Branch() override;

    ChildList& children() { return children_; }
    const ChildList& children() const { return children_; }

    // Shorthands for children().findBranch / findLeaf.
    Branch* findBranch(std::string_view name) const { return children_.findBranch(name); }
    Leaf* findLeaf(std::string_view name) const { return children_.findLeaf(name); }

    // Inserts a detached node (usually a chain from parseLine) under this branch. Branches of the
    // same name are joined, their children merged one by one in order; a leaf whose name already
    // exists takes the new value when overwrite is set, otherwise keeps its value (a differing new
    // value is reported in treeLog as a duplicate). A node that is joined into an existing one is
    // destroyed. To move an attached node, pass node->detach().
    // Returns false, doing nothing, for a null node or one that would become its own descendant
    // (this branch lies inside the node's subtree); the node is then destroyed.
    bool mergeNode(std::unique_ptr<Node> node, bool overwrite);

    // Takes node out of this branch's children and hands it over; nullptr when it is not a child.
    [[nodiscard]] std::unique_ptr<Node> removeChild(Node* node);

    // Removes node from the children and destroys it; false when it is not a child.
    bool destroyChild(Node* node);

    bool isBranch() const override { return true; }
    bool isLeaf() const override { return false; }
    void describe(int depth, std::ostream& stream, bool newline) const override;
    void write(std::ostream& stream, bool newline) const override;
    void writePath(std::ostream& stream, bool newline) const override;
    bool matches(const Node& templateNode) const override;
    bool differs(const Node& templateNode) const override;
    [[nodiscard]] std::unique_ptr<Node> clone() const override;
    bool search(NodeList& results, const Node* templateNode) override;

private:
    ChildList children_;
};

// Destroys node, then every ancestor branch that it left without children. A node without a parent
// (a tree root, or a detached node someone else owns) is left alone, so a tree root always survives.
void pruneUp(Node* node);
