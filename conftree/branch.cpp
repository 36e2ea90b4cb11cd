// Branch: insertion with joining of equal paths, removal, pruning, copying and output.
#include "conftree/branch.h"

#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "conftree/config_tree.h"
#include "conftree/leaf.h"
#include "conftree/tree_internal.h"
#include "conftree/tree_state.h"

using namespace conftree_internal;

Branch::Branch(std::string name) : Node(std::move(name)), children_(this) { branchCreated(); }

Branch::~Branch() {
    // The subtree is taken apart without recursion, one branch at a time, so that a tree of any
    // depth can be destroyed: each branch is emptied before it is destroyed.
    // A branch being destroyed is in no tree: its leaves were counted out of the watched tree, if
    // ever, when it was taken out (tree_state.h).
    std::vector<std::unique_ptr<Node>> pending = children_.takeAllUnwatched();
    while (!pending.empty()) {
        std::unique_ptr<Node> node = std::move(pending.back());
        pending.pop_back();
        if (node->isBranch()) {
            for (auto& child : static_cast<Branch*>(node.get())->children_.takeAllUnwatched())
                pending.push_back(std::move(child));
        }
    }
    branchDestroyed();
}

bool Branch::mergeNode(std::unique_ptr<Node> node, bool overwrite) {
    if (!node) return false;
    // A node cannot go below itself: that would cut its subtree off from any owner.
    for (const Node* up = this; up != nullptr; up = up->parent())
        if (up == node.get()) return false;

    // Each step merges one incoming node into one existing branch. The children of a joined branch
    // are stacked so that each one is merged whole, in order, before its next sibling: the order of
    // a recursive merge, without recursion, whatever the depth. Below the first level the incoming
    // nodes are detached and the targets lie in this tree, so none can go below itself.
    struct Step {
        Branch* target;
        std::unique_ptr<Node> node;
    };
    std::vector<Step> pending;
    pending.push_back({this, std::move(node)});
    while (!pending.empty()) {
        Step step = std::move(pending.back());
        pending.pop_back();
        Node* existing = step.target->children_.find(step.node->name(), step.node->isLeaf());
        if (existing == nullptr) {
            step.target->children_.append(std::move(step.node));
            continue;
        }
        if (step.node->isBranch()) {
            Branch* into = static_cast<Branch*>(existing);
            // An incoming branch is detached: its children enter the tree, they leave none.
            std::vector<std::unique_ptr<Node>> children =
                static_cast<Branch*>(step.node.get())->children_.takeAllUnwatched();
            for (std::size_t i = children.size(); i > 0; --i) pending.push_back({into, std::move(children[i - 1])});
            continue;
        }
        Leaf* old = static_cast<Leaf*>(existing);
        const Leaf* incoming = static_cast<const Leaf*>(step.node.get());
        if (overwrite) {
            old->setValue(incoming->value());
        } else if (old->value() != incoming->value()) {
            std::ostream& log = treeLog();
            log << "Ignoring duplicate leaf at ";
            old->writePath(log, false);
            log << " old value: " << old->value() << " new value: " << incoming->value();
            endLine(log);
        }
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

    // Depth first, children in order, with an explicit stack: a tree of any depth is written.
    void writeChildren(const Branch& branch, std::string& prefix) {
        struct Frame {
            ChildList::const_iterator next, end;
            std::size_t mark;  // the prefix length above this branch
        };
        std::vector<Frame> stack;
        stack.push_back({branch.children().begin(), branch.children().end(), prefix.size()});
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.next == frame.end) {
                prefix.resize(frame.mark);
                stack.pop_back();
                continue;
            }
            const Node* child = *frame.next++;
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
                const std::size_t mark = prefix.size();
                prefix += child->name();
                prefix += '_';
                const ChildList& below = static_cast<const Branch*>(child)->children();
                stack.push_back({below.begin(), below.end(), mark});
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

void Branch::writePath(std::ostream& stream, bool /*newline*/) const {
    // The ancestors first, gathered without recursion. The root writes its own part (a tree root
    // writes nothing), every branch below it its name.
    std::vector<const Branch*> chain;
    for (const Branch* up = this; up != nullptr; up = up->parent()) chain.push_back(up);
    std::size_t i = chain.size();
    if (dynamic_cast<const ConfigTree*>(chain.back()) != nullptr) --i;
    while (i > 0) stream << chain[--i]->name() << '_';
}

std::unique_ptr<Node> Branch::clone() const {
    // Copied level by level with an explicit stack, so that a subtree of any depth is copied.
    auto copy = std::make_unique<Branch>(name());
    struct Step {
        const Branch* source;
        Branch* copy;
    };
    std::vector<Step> pending{{this, copy.get()}};
    while (!pending.empty()) {
        const Step step = pending.back();
        pending.pop_back();
        for (const Node* child : step.source->children_) {
            if (child->isLeaf()) {
                step.copy->children_.append(child->clone());
                continue;
            }
            Node* branch = step.copy->children_.append(std::make_unique<Branch>(child->name()));
            pending.push_back({static_cast<const Branch*>(child), static_cast<Branch*>(branch)});
        }
    }
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
