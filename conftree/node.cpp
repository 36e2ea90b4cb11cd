// Node basics and the Leaf: names, detaching, counting, and the leaf's own output.
#include "conftree/node.h"

#include <ostream>
#include <utility>

#include "conftree/branch.h"
#include "conftree/leaf.h"
#include "conftree/tree_internal.h"

using namespace conftree_internal;

Node::Node(std::string name) : name_(std::move(name)) {}

Node::~Node() = default;

void Node::setName(std::string name) {
    // Renaming a node of the watched tree renames the settings of every leaf below it.
    if (watchingEdits() && parent_ != nullptr && name != name_) countRenamed(*this);
    if (parent_ == nullptr) {
        name_ = std::move(name);
        return;
    }
    ChildList& list = parent_->children();
    list.nameAboutToChange(this);
    name_ = std::move(name);
    list.nameChanged(this);
}

std::unique_ptr<Node> Node::detach() {
    if (parent_ == nullptr) return nullptr;
    return parent_->children().take(this);
}

Branch* Node::asBranch() { return isBranch() ? static_cast<Branch*>(this) : nullptr; }
const Branch* Node::asBranch() const { return isBranch() ? static_cast<const Branch*>(this) : nullptr; }
Leaf* Node::asLeaf() { return isLeaf() ? static_cast<Leaf*>(this) : nullptr; }
const Leaf* Node::asLeaf() const { return isLeaf() ? static_cast<const Leaf*>(this) : nullptr; }

Leaf::Leaf(std::string name, std::string value) : Node(std::move(name)), value_(std::move(value)) { leafCreated(); }

Leaf::~Leaf() { leafDestroyed(); }

void Leaf::setValue(std::string value) {
    if (watchingEdits() && value != value_) countValueChange(*this);
    value_ = std::move(value);
}

void Leaf::describe(int depth, std::ostream& stream, bool newline) const {
    for (int i = 0; i < depth; ++i) stream.put('\t');
    stream << name() << '=' << value_;
    if (newline) stream.put('\n');
}

void Leaf::write(std::ostream& stream, bool newline) const {
    leafWritten();
    if (parent() != nullptr) parent()->writePath(stream, newline);
    stream << name() << '=' << value_;
    if (newline) stream.put('\n');
}

void Leaf::writePath(std::ostream& stream, bool newline) const { write(stream, newline); }

std::unique_ptr<Node> Leaf::clone() const { return std::make_unique<Leaf>(name(), value_); }
