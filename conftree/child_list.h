// ChildList: the ordered children of a Branch. It owns its nodes, keeps each node's parent pointer
// right (set on the way in, cleared on the way out) and answers "first child of this kind with this
// name" quickly even for branches with hundreds of thousands of children: from a modest width on it
// keeps a name index, built lazily on the first lookup and kept right by every list operation and
// by Node::setName. Narrow lists carry no index and are scanned, which is cheapest for them.
//
// Order is insertion order unless a caller inserts at an index; lookups always return the first
// match in list order, as a linear scan would.
//
// Positions are 0-based. Operations given a position outside the list do nothing and return
// nullptr/false (insert clamps to the end). Iterators and positions are invalidated by any change
// to the list, as with std::vector.
//
// Costs: append, size, front, back, a lookup by name and the removal of a given node are O(1)
// (amortised), whatever the width of the list and however many children share a name; a removal
// leaves a hole that the next access by position or iteration closes, so a run of removals costs
// one pass. Insertion at a position and access by position after removals cost O(n).
//
// Not thread-safe: one thread at a time.
#pragma once

#include <cstddef>
#include <iterator>
#include <memory>
#include <string_view>
#include <vector>

class Branch;
class Leaf;
class Node;
struct ChildNameIndex;

class ChildList {
    using Storage = std::vector<std::unique_ptr<Node>>;

public:
    // Iterates the children as Node* in list order.
    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = Node*;
        using difference_type = std::ptrdiff_t;
        using pointer = Node* const*;
        using reference = Node*;

        const_iterator() = default;
        Node* operator*() const { return it_->get(); }
        Node* operator[](difference_type n) const { return it_[n].get(); }
        const_iterator& operator++() {
            ++it_;
            return *this;
        }
        const_iterator operator++(int) {
            auto old = *this;
            ++it_;
            return old;
        }
        const_iterator& operator--() {
            --it_;
            return *this;
        }
        const_iterator operator--(int) {
            auto old = *this;
            --it_;
            return old;
        }
        const_iterator& operator+=(difference_type n) {
            it_ += n;
            return *this;
        }
        const_iterator& operator-=(difference_type n) {
            it_ -= n;
            return *this;
        }
        friend const_iterator operator+(const_iterator a, difference_type n) { return a += n; }
        friend const_iterator operator+(difference_type n, const_iterator a) { return a += n; }
        friend const_iterator operator-(const_iterator a, difference_type n) { return a -= n; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b) { return a.it_ - b.it_; }
        friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.it_ == b.it_; }
        friend auto operator<=>(const const_iterator& a, const const_iterator& b) { return a.it_ <=> b.it_; }

    private:
        friend class ChildList;
        explicit const_iterator(Storage::const_iterator it) : it_(it) {}
        Storage::const_iterator it_;
    };
    using iterator = const_iterator;

    explicit ChildList(Branch* owner);
    ~ChildList();
    ChildList(const ChildList&) = delete;
    ChildList& operator=(const ChildList&) = delete;

    std::size_t size() const { return live_; }
    bool empty() const { return live_ == 0; }
    Node* operator[](std::size_t index) const {
        closeHoles();
        return items_[index].get();
    }                                   // unchecked
    Node* at(std::size_t index) const;  // nullptr when out of range
    Node* front() const;                // nullptr when empty
    Node* back() const;                 // nullptr when empty
    const_iterator begin() const {
        closeHoles();
        return const_iterator(items_.begin());
    }
    const_iterator end() const {
        closeHoles();
        return const_iterator(items_.end());
    }

    // Position of the node in this list, or -1 when it is not a child here.
    long indexOf(const Node* node) const;
    bool contains(const Node* node) const;

    // First child of the given kind whose name equals name exactly (case-sensitive), or nullptr.
    Node* find(std::string_view name, bool leaf) const;
    Branch* findBranch(std::string_view name) const;
    Leaf* findLeaf(std::string_view name) const;

    // Adds a detached node at the end (append) or before position index (insert; clamped to the
    // end). Returns the node, now a child of the owner, or nullptr when node was null or already
    // had a parent (such a node stays where it is).
    Node* append(std::unique_ptr<Node> node);
    Node* insert(std::size_t index, std::unique_ptr<Node> node);

    // Removes a child and hands it over, detached; nullptr when out of range or not a child here.
    [[nodiscard]] std::unique_ptr<Node> take(std::size_t index);
    [[nodiscard]] std::unique_ptr<Node> take(const Node* node);

    // Removes and destroys a child; false when out of range or not a child here.
    bool erase(std::size_t index);
    bool erase(const Node* node);

    // Puts node at position index and hands over the node that was there. nullptr when node is
    // null or attached (it stays where it is) or index is out of range (node is destroyed).
    [[nodiscard]] std::unique_ptr<Node> replace(std::size_t index, std::unique_ptr<Node> node);

    // Exchanges the children at two positions (false when either is out of range).
    bool swap(std::size_t a, std::size_t b);

    // Shrinks the list to count children, destroying the ones past it; a larger count changes
    // nothing (a children list holds no empty places).
    void resize(std::size_t count);

    // Destroys every child.
    void clear();

    // Hands over every child, in order, leaving the list empty.
    [[nodiscard]] std::vector<std::unique_ptr<Node>> takeAll();

private:
    friend class Node;
    friend class Branch;
    // Every child of that kind and name, in list order; false (nothing added) when the list keeps
    // no index (it is narrow), so the caller scans instead.
    bool collectNamed(std::string_view name, bool leaf, std::vector<Node*>& out) const;
    // Sorts children of this list into list order.
    void sortInListOrder(std::vector<Node*>& nodes) const;
    // takeAll for a list whose owner is known to lie outside the watched tree (tree_state.h): a
    // branch being destroyed, or one coming into a merge. Skips the test for the watched tree, which
    // would cost a call for every branch of a large tree being released. The destructor uses it too.
    [[nodiscard]] std::vector<std::unique_ptr<Node>> takeAllUnwatched();
    void nameAboutToChange(Node* node);
    void nameChanged(Node* node);
    Node* adopt(std::unique_ptr<Node>& node, std::size_t slot);  // sets parent and slot, indexes
    bool useIndex() const;  // builds the index of a wide list on first use; false for narrow lists
    std::unique_ptr<Node> release(std::size_t slot);
    void closeHoles() const {
        if (live_ != items_.size()) compact();
    }
    void compact() const;

    Branch* owner_;
    // The children in list order, each knowing its slot here (Node::slot_). Removing a child leaves
    // an empty slot (a hole) instead of moving the children behind it; holes are closed in one pass
    // by the next access by position or iteration, or once they outnumber the children. Trailing
    // holes are dropped at once, so the last slot always holds a child. Every slot before first_ is
    // a hole.
    mutable Storage items_;
    std::size_t live_ = 0;
    mutable std::size_t first_ = 0;
    mutable std::unique_ptr<ChildNameIndex> index_;
};
