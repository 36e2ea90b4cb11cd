// Branch: insertion with joining of equal paths, removal, pruning, copying and output.
#include "conftree/branch.h"

#include <ostream>
#include <sstream>
#include <string>
#include <utility>

#include "conftree/leaf.h"
#include "conftree/tree_internal.h"
#include "conftree/tree_state.h"

using namespace conftree_internal;

Branch::Branch(std::string name) : Node(std::move(name)), children_(this) { branchCreated(); }

Branch::~Branch() {
    children_.clear();
    branchDestroyed();
}

bool Branch::mergeNode(std::unique_ptr<Node> node, bool overwrite) {
    if (!node) return false;
    // A node cannot go below itself: that would cut its subtree off from any owner.
    for (const Node* up = this; up != nullptr; up = up->parent())
        if (up == node.get()) return false;

    Node* existing = children_.find(node->name(), node->isLeaf());
    if (existing == nullptr) {
        children_.append(std::move(node));
        return true;
    }
    if (node->isBranch()) {
        Branch* target = static_cast<Branch*>(existing);
        for (auto& child : static_cast<Branch*>(node.get())->children_.takeAll())
            target->mergeNode(std::move(child), overwrite);
        return true;
    }
    Leaf* old = static_cast<Leaf*>(existing);
    const Leaf* incoming = static_cast<const Leaf*>(node.get());
    if (overwrite) {
        old->setValue(incoming->value());
    } else if (old->value() != incoming->value()) {
        std::ostream& log = treeLog();
        log << "Ignoring duplicate leaf at ";
        old->writePath(log, false);
        log << " old value: " << old->value() << " new value: " << incoming->value();
        endLine(log);
    }
    return true;
}

std::unique_ptr<Node> Branch::removeChild(Node* node) { return children_.take(node); }

bool Branch::destroyChild(Node* node) { return children_.erase(node); }

void Branch::describe(int depth, std::ostream& stream, bool /*newline*/) const {
    for (int i = 0; i < depth; ++i) stream.put('\t');
    stream << name() << '_';
}

namespace {

// Writes the setting lines below a branch whose path prefix (every ancestor's name and its own,
// each followed by "_") is in prefix. The lines are gathered in a buffer and handed to the stream
// in large pieces: saving a big tree is dominated by this loop.
class LineWriter {
public:
    LineWriter(std::ostream& stream, bool newline) : stream_(stream), newline_(newline) {
        buffer_.reserve(kFlushAt + 16384);
    }
    ~LineWriter() { flush(); }

    void writeChildren(const Branch& branch, std::string& prefix) {
        for (const Node* child : branch.children()) {
            if (child->isLeaf()) {
                const Leaf* leaf = static_cast<const Leaf*>(child);
                leafWritten();
                buffer_ += prefix;
                buffer_ += leaf->name();
                buffer_ += '=';
                buffer_ += leaf->value();
                if (newline_) buffer_ += '\n';
                if (buffer_.size() >= kFlushAt) flush();
            } else {
                std::size_t mark = prefix.size();
                prefix += child->name();
                prefix += '_';
                writeChildren(*static_cast<const Branch*>(child), prefix);
                prefix.resize(mark);
            }
        }
    }

    void flush() {
        if (!buffer_.empty()) stream_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        buffer_.clear();
    }

private:
    static constexpr std::size_t kFlushAt = 1 << 16;
    std::ostream& stream_;
    bool newline_;
    std::string buffer_;
};

}  // namespace

void Branch::write(std::ostream& stream, bool /*newline*/) const {
    // Children are always written with newlines: one setting per line. The prefix is what
    // writePath gives for this branch, computed once instead of once per leaf.
    std::ostringstream path;
    writePath(path, true);
    std::string prefix = path.str();
    LineWriter writer(stream, true);
    writer.writeChildren(*this, prefix);
}

void Branch::writePath(std::ostream& stream, bool newline) const {
    if (parent() != nullptr) parent()->writePath(stream, newline);
    stream << name() << '_';
}

std::unique_ptr<Node> Branch::clone() const {
    auto copy = std::make_unique<Branch>(name());
    for (const Node* child : children_) copy->children_.append(child->clone());
    return copy;
}

void pruneUp(Node* node) {
    while (node != nullptr) {
        Branch* parent = node->parent();
        if (parent == nullptr) return;
        parent->destroyChild(node);
        if (!parent->children().empty()) return;
        node = parent;
    }
}
