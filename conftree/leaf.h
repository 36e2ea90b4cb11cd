// Leaf: the last component of a setting name, carrying the setting's value. Constructing one counts
// it in leafCount (and may write a progress dot); destroying it uncounts it.
//
// Ownership and threads: see node.h.
#pragma once

#include <memory>
#include <string>

#include "conftree/node.h"

class Leaf final : public Node {
public:
    Leaf(std::string name, std::string value);
    ~Leaf() override;

    // The setting's value (everything after the first '=' of its line). It plays no part in
    // lookups by name, so it may be changed freely. A change through setValue is counted among the
    // edits of the watched tree (tree_state.h); one made in place through value() is not.
    const std::string& value() const { return value_; }
    std::string& value() { return value_; }
    void setValue(std::string value);

    bool isBranch() const override { return false; }
    bool isLeaf() const override { return true; }
    void describe(int depth, std::ostream& stream, bool newline) const override;
    void write(std::ostream& stream, bool newline) const override;
    void writePath(std::ostream& stream, bool newline) const override;
    bool matches(const Node& templateNode) const override;
    bool differs(const Node& templateNode) const override;
    [[nodiscard]] std::unique_ptr<Node> clone() const override;
    bool search(NodeList& results, const Node* templateNode) override;

private:
    std::string value_;
};
