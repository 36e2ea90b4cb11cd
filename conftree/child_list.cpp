// ChildList and its name index.
//
// The index is an open-addressing hash set of the children (linear probing, power-of-two capacity,
// at most half full), keyed by each child's current name. It holds every child of the list, of
// both kinds, so a lookup probes the run of slots for the name and picks the matches of the wanted
// kind. One match is the answer; several (same kind and name, possible after renames or direct
// list edits) are rare and resolved by a scan of the list so that the first in list order wins.
#include "conftree/child_list.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "conftree/branch.h"
#include "conftree/leaf.h"
#include "conftree/node.h"

namespace {
// Lists shorter than this are scanned; an index pays off only beyond it.
constexpr std::size_t kIndexThreshold = 24;
}  // namespace

struct ChildNameIndex {
    // A slot keeps the hash of its node's name beside the node, so that a probe passes over the
    // other names of its run, and a rehash moves every node, without touching the nodes
    // themselves: in a list of a million children those would be a million scattered memory
    // reads, and they made loading a big configuration grow faster than its size.
    struct Slot {
        std::size_t hash;
        Node* node;  // nullptr: an empty slot
    };
    std::vector<Slot> slots;
    std::size_t count = 0;

    static std::size_t hashOf(std::string_view name) { return std::hash<std::string_view>{}(name); }
    std::size_t mask() const { return slots.size() - 1; }

    void reserveFor(std::size_t n) {
        std::size_t capacity = 16;
        while (capacity < 2 * n) capacity *= 2;
        if (capacity <= slots.size()) return;
        std::vector<Slot> old(capacity, Slot{0, nullptr});
        old.swap(slots);
        for (const Slot& slot : old)
            if (slot.node != nullptr) place(slot);
    }

    // Puts a slot into the first empty place of its run (the capacity is known to suffice).
    void place(const Slot& slot) {
        std::size_t i = slot.hash & mask();
        while (slots[i].node != nullptr) i = (i + 1) & mask();
        slots[i] = slot;
    }

    void insert(Node* node) {
        if (2 * (count + 1) > slots.size()) reserveFor(count + 1);
        place(Slot{hashOf(node->name()), node});
        ++count;
    }

    void remove(Node* node) {
        std::size_t i = hashOf(node->name()) & mask();
        while (slots[i].node != node) {
            if (slots[i].node == nullptr) return;  // not indexed: nothing to do
            i = (i + 1) & mask();
        }
        // Backward-shift deletion keeps every probe run unbroken without tombstones.
        std::size_t hole = i;
        std::size_t j = i;
        for (;;) {
            j = (j + 1) & mask();
            const Slot& candidate = slots[j];
            if (candidate.node == nullptr) break;
            std::size_t home = candidate.hash & mask();
            // Move candidate into the hole unless its home lies cyclically in (hole, j].
            bool homeBetween = hole <= j ? (home > hole && home <= j) : (home > hole || home <= j);
            if (!homeBetween) {
                slots[hole] = candidate;
                hole = j;
            }
        }
        slots[hole] = Slot{0, nullptr};
        --count;
    }

    static bool fits(const Slot& slot, std::size_t hash, std::string_view name, bool leaf) {
        return slot.hash == hash && slot.node->name() == name && slot.node->isLeaf() == leaf;
    }

    void collect(std::string_view name, bool leaf, std::vector<Node*>& out) const {
        std::size_t hash = hashOf(name);
        for (std::size_t i = hash & mask(); slots[i].node != nullptr; i = (i + 1) & mask())
            if (fits(slots[i], hash, name, leaf)) out.push_back(slots[i].node);
    }

    // The single node of that kind and name, nullptr when none; *several is set when more than one.
    Node* find(std::string_view name, bool leaf, bool* several) const {
        *several = false;
        Node* found = nullptr;
        std::size_t hash = hashOf(name);
        for (std::size_t i = hash & mask(); slots[i].node != nullptr; i = (i + 1) & mask()) {
            if (fits(slots[i], hash, name, leaf)) {
                if (found != nullptr) {
                    *several = true;
                    return found;
                }
                found = slots[i].node;
            }
        }
        return found;
    }
};

ChildList::ChildList(Branch* owner) : owner_(owner) {}

ChildList::~ChildList() { clear(); }

Node* ChildList::at(std::size_t index) const { return index < size() ? (*this)[index] : nullptr; }
Node* ChildList::front() const { return empty() ? nullptr : (*this)[0]; }
Node* ChildList::back() const { return empty() ? nullptr : items_.back().get(); }

bool ChildList::contains(const Node* node) const { return node != nullptr && node->parent() == owner_; }

long ChildList::indexOf(const Node* node) const {
    if (!contains(node)) return -1;
    // Scan from both ends at once: removals tend to happen at either end of wide lists.
    std::size_t n = items_.size();
    for (std::size_t i = head_, j = n; i < j; ++i) {
        if (items_[i].get() == node) return static_cast<long>(i - head_);
        --j;
        if (items_[j].get() == node) return static_cast<long>(j - head_);
    }
    return -1;
}

bool ChildList::useIndex() const {
    if (size() < kIndexThreshold) return false;
    if (!index_) {
        auto index = std::make_unique<ChildNameIndex>();
        index->reserveFor(size());
        for (Node* node : *this) index->insert(node);
        index_ = std::move(index);
    }
    return true;
}

Node* ChildList::find(std::string_view name, bool leaf) const {
    if (useIndex()) {
        bool several = false;
        Node* node = index_->find(name, leaf, &several);
        if (!several) return node;
    }
    for (Node* node : *this)
        if (node->isLeaf() == leaf && node->name() == name) return node;
    return nullptr;
}

bool ChildList::collectNamed(std::string_view name, bool leaf, std::vector<Node*>& out) const {
    if (!useIndex()) return false;
    index_->collect(name, leaf, out);
    return true;
}

Branch* ChildList::findBranch(std::string_view name) const { return static_cast<Branch*>(find(name, false)); }
Leaf* ChildList::findLeaf(std::string_view name) const { return static_cast<Leaf*>(find(name, true)); }

Node* ChildList::adopt(std::unique_ptr<Node>& node) {
    Node* raw = node.get();
    raw->parent_ = owner_;
    if (index_) index_->insert(raw);
    return raw;
}

// A node that already sits in a list belongs to that list: refuse it and leave it there (the
// pointer is released, not destroyed, so the rightful owner keeps it).
static bool refuseAttached(std::unique_ptr<Node>& node) {
    if (!node) return true;
    if (node->parent() == nullptr) return false;
    (void)node.release();
    return true;
}

Node* ChildList::append(std::unique_ptr<Node> node) {
    if (refuseAttached(node)) return nullptr;
    Node* raw = adopt(node);
    items_.push_back(std::move(node));
    return raw;
}

Node* ChildList::insert(std::size_t index, std::unique_ptr<Node> node) {
    if (refuseAttached(node)) return nullptr;
    index = std::min(index, size());
    Node* raw = adopt(node);
    if (head_ > 0 && index <= size() / 2) {
        // Shift the children before the new place one slot towards the front gap.
        auto first = items_.begin() + static_cast<std::ptrdiff_t>(head_);
        std::move(first, first + static_cast<std::ptrdiff_t>(index), first - 1);
        --head_;
        items_[head_ + index] = std::move(node);
    } else {
        items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(head_ + index), std::move(node));
    }
    return raw;
}

std::unique_ptr<Node> ChildList::release(std::size_t index) {
    std::unique_ptr<Node> node = std::move(items_[head_ + index]);
    if (index < size() / 2) {
        // Close the slot from the shorter side: shift the children before it one slot back.
        auto first = items_.begin() + static_cast<std::ptrdiff_t>(head_);
        std::move_backward(first, first + static_cast<std::ptrdiff_t>(index), first + static_cast<std::ptrdiff_t>(index) + 1);
        ++head_;
        if (head_ == items_.size()) {
            items_.clear();
            head_ = 0;
        } else if (head_ >= 64 && head_ * 2 >= items_.size()) {
            items_.erase(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(head_));
            head_ = 0;
        }
    } else {
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(head_ + index));
    }
    if (index_) index_->remove(node.get());
    node->parent_ = nullptr;
    return node;
}

std::unique_ptr<Node> ChildList::take(std::size_t index) {
    if (index >= size()) return nullptr;
    return release(index);
}

std::unique_ptr<Node> ChildList::take(const Node* node) {
    long index = indexOf(node);
    if (index < 0) return nullptr;
    return release(static_cast<std::size_t>(index));
}

bool ChildList::erase(std::size_t index) {
    if (index >= size()) return false;
    release(index);
    return true;
}

bool ChildList::erase(const Node* node) {
    long index = indexOf(node);
    if (index < 0) return false;
    release(static_cast<std::size_t>(index));
    return true;
}

std::unique_ptr<Node> ChildList::replace(std::size_t index, std::unique_ptr<Node> node) {
    if (refuseAttached(node) || index >= size()) return nullptr;
    std::unique_ptr<Node> old = std::move(items_[head_ + index]);
    if (index_) index_->remove(old.get());
    old->parent_ = nullptr;
    adopt(node);
    items_[head_ + index] = std::move(node);
    return old;
}

bool ChildList::swap(std::size_t a, std::size_t b) {
    if (a >= size() || b >= size()) return false;
    std::swap(items_[head_ + a], items_[head_ + b]);
    return true;
}

void ChildList::resize(std::size_t count) {
    while (size() > count) release(size() - 1);
}

void ChildList::clear() {
    // Detach first so that nothing reached from a destructor sees a half-emptied list.
    std::vector<std::unique_ptr<Node>> all = takeAll();
    all.clear();
}

std::vector<std::unique_ptr<Node>> ChildList::takeAll() {
    // The storage itself is handed over: releasing a big tree calls this for every branch, and a
    // copy of each children list would cost an allocation and a pass over the children each.
    index_.reset();
    Storage all;
    all.swap(items_);
    if (head_ > 0) all.erase(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(head_));
    head_ = 0;
    for (const auto& node : all) node->parent_ = nullptr;
    return all;
}

void ChildList::nameAboutToChange(Node* node) {
    if (index_) index_->remove(node);
}

void ChildList::nameChanged(Node* node) {
    if (index_) index_->insert(node);
}
