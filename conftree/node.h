// Node: the abstract base of every element of a configuration tree. A setting name such as
// 'rule_proxy_3_action' is held as a path of Branch nodes ('rule', 'proxy', '3') ending in a Leaf
// ('action') that carries the value.
//
// Ownership: a node belongs to the children list (ChildList) of its parent branch, or, while it is
// detached, to the std::unique_ptr its creator holds. The parent pointer is kept by the children
// lists themselves: a node gets its parent when it is put into a list and loses it when it is taken
// out, so it always names the branch whose list holds the node. A name is changed only through
// setName, which keeps the parent's name index right.
//
// Not thread-safe: one thread at a time per process (the counters are process-wide).
#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class Branch;
class Leaf;
class Node;

// Search results: pointers into a tree, owned by the tree, in the tree's depth-first order.
using NodeList = std::vector<Node*>;

class Node {
public:
    virtual ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // This part of the setting name: one underscore-separated component, or the leaf name.
    const std::string& name() const { return name_; }
    // Renames the node; the parent's lookup index follows. Siblings of the same name are allowed.
    void setName(std::string name);

    // The branch whose children list holds this node; nullptr for a tree root or a detached node.
    Branch* parent() const { return parent_; }

    // Takes this node out of its parent's children list and hands over ownership. Returns nullptr
    // (and changes nothing) when the node has no parent: then someone else already owns it.
    [[nodiscard]] std::unique_ptr<Node> detach();

    Branch* asBranch();              // nullptr for a leaf
    const Branch* asBranch() const;  // nullptr for a leaf
    Leaf* asLeaf();                  // nullptr for a branch
    const Leaf* asLeaf() const;      // nullptr for a branch

    virtual bool isBranch() const = 0;
    virtual bool isLeaf() const = 0;

    // Debug/summary output. Branch: depth tabs, name and "_". Leaf: depth tabs, "name=value" and a
    // newline when asked. ConfigTree: the save summary header to treeLog (arguments ignored).
    virtual void describe(int depth, std::ostream& stream, bool newline) const = 0;

    // Writes every setting line below (and including) this node. Leaf: its full setting line, a
    // newline when asked. Branch: every child with newlines. ConfigTree: the whole file body,
    // framed by the summary and the Tree Start/End lines in treeLog.
    virtual void write(std::ostream& stream, bool newline) const = 0;

    // Writes the path prefix down to this node: for a branch its ancestors' names and its own, each
    // followed by "_" (a ConfigTree writes nothing); for a leaf the same as write.
    virtual void writePath(std::ostream& stream, bool newline) const = 0;

    // Per-node template tests (this is the tree node, the argument the template node).
    virtual bool matches(const Node& templateNode) const = 0;
    virtual bool differs(const Node& templateNode) const = 0;

    // A detached deep copy (a ConfigTree copies as a plain Branch with an empty name).
    [[nodiscard]] virtual std::unique_ptr<Node> clone() const = 0;

    // Appends every node of this subtree that fits the template chain starting at templateNode to
    // results; returns whether results is non-empty afterwards.
    virtual bool search(NodeList& results, const Node* templateNode) = 0;

protected:
    explicit Node(std::string name);

private:
    friend class ChildList;
    friend struct ChildNameIndex;
    std::string name_;
    Branch* parent_ = nullptr;
    std::size_t slot_ = 0;  // where the parent's children list keeps this node
};
