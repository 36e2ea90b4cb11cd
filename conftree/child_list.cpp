// ChildList and its name index.
//
// The index is an open-addressing hash table (linear probing, power-of-two capacity, at most half
// full) with one entry per kind and name among the children, so it holds both kinds. An entry keeps
// the first child of its key in list order; when several children share the key (possible after
// renames, or after direct list edits) it also keeps all of them in a set ordered by their slots,
// so that the first in list order is at hand and any one of them is removed in O(log k). A run of
// renames to one name, or of removals of children sharing a name, thus costs O(n log n) together.
#include "conftree/child_list.h"

#include <algorithm>
#include <functional>
#include <set>
#include <utility>

#include "conftree/branch.h"
#include "conftree/leaf.h"
#include "conftree/node.h"
#include "conftree/tree_internal.h"

namespace {
// Lists shorter than this are scanned; an index pays off only beyond it.
constexpr std::size_t kIndexThreshold = 24;
// Holes are closed once they outnumber the children by this much.
constexpr std::size_t kHoleSlack = 32;
}  // namespace

struct ChildNameIndex {
    // Children of one key in list order: slots grow along the list and keep their relative order
    // when holes are closed or a child is inserted.
    struct BySlot {
        bool operator()(const Node* a, const Node* b) const { return a->slot_ < b->slot_; }
    };
    using Group = std::set<Node*, BySlot>;

    // An entry keeps the hash of its key beside the first node, so that a probe passes over the
    // other keys of its run, and a rehash moves every entry, without touching the nodes themselves:
    // in a list of a million children those would be a million scattered memory reads.
    struct Entry {
        std::size_t hash = 0;
        Node* first = nullptr;        // nullptr: an empty entry
        std::unique_ptr<Group> many;  // every child of the key, when there are several
    };
    std::vector<Entry> entries;
    std::size_t count = 0;  // entries in use: distinct keys

    static std::size_t hashOf(std::string_view name, bool leaf) {
        const std::size_t hash = std::hash<std::string_view>{}(name);
        return leaf ? ~hash : hash;
    }
    std::size_t mask() const { return entries.size() - 1; }

    void reserveFor(std::size_t n) {
        std::size_t capacity = 16;
        while (capacity < 2 * n) capacity *= 2;
        if (capacity <= entries.size()) return;
        std::vector<Entry> old(capacity);
        old.swap(entries);
        for (Entry& entry : old)
            if (entry.first != nullptr) place(std::move(entry));
    }

    // Puts an entry into the first empty place of its run (the capacity is known to suffice).
    void place(Entry&& entry) {
        std::size_t i = entry.hash & mask();
        while (entries[i].first != nullptr) i = (i + 1) & mask();
        entries[i] = std::move(entry);
    }

    // The place of the key's entry, or the empty place that ends its run.
    std::size_t locate(std::size_t hash, std::string_view name, bool leaf) const {
        std::size_t i = hash & mask();
        for (; entries[i].first != nullptr; i = (i + 1) & mask()) {
            const Node* node = entries[i].first;
            if (entries[i].hash == hash && node->isLeaf() == leaf && node->name() == name) break;
        }
        return i;
    }

    void insert(Node* node) {
        if (2 * (count + 1) > entries.size()) reserveFor(count + 1);
        const std::size_t hash = hashOf(node->name(), node->isLeaf());
        Entry& entry = entries[locate(hash, node->name(), node->isLeaf())];
        if (entry.first == nullptr) {
            entry.hash = hash;
            entry.first = node;
            ++count;
            return;
        }
        if (!entry.many) {
            entry.many = std::make_unique<Group>();
            entry.many->insert(entry.first);
        }
        entry.many->insert(node);
        entry.first = *entry.many->begin();
    }

    void remove(Node* node) {
        const std::size_t i = locate(hashOf(node->name(), node->isLeaf()), node->name(), node->isLeaf());
        Entry& entry = entries[i];
        if (entry.first == nullptr) return;  // not indexed: nothing to do
        if (entry.many) {
            entry.many->erase(node);
            entry.first = *entry.many->begin();
            if (entry.many->size() == 1) entry.many.reset();
            return;
        }
        if (entry.first != node) return;
        // Backward-shift deletion keeps every probe run unbroken without tombstones.
        std::size_t hole = i;
        std::size_t j = i;
        for (;;) {
            j = (j + 1) & mask();
            Entry& candidate = entries[j];
            if (candidate.first == nullptr) break;
            std::size_t home = candidate.hash & mask();
            // Move candidate into the hole unless its home lies cyclically in (hole, j].
            bool homeBetween = hole <= j ? (home > hole && home <= j) : (home > hole || home <= j);
            if (!homeBetween) {
                entries[hole] = std::move(candidate);
                hole = j;
            }
        }
        entries[hole] = Entry{};
        --count;
    }

    void collect(std::string_view name, bool leaf, std::vector<Node*>& out) const {
        const Entry& entry = entries[locate(hashOf(name, leaf), name, leaf)];
        if (entry.many)
            out.insert(out.end(), entry.many->begin(), entry.many->end());
        else if (entry.first != nullptr)
            out.push_back(entry.first);
    }

    // The first child of that kind and name in list order, nullptr when none.
    Node* find(std::string_view name, bool leaf) const { return entries[locate(hashOf(name, leaf), name, leaf)].first; }
};

ChildList::ChildList(Branch* owner) : owner_(owner) {}

ChildList::~ChildList() {
    // The list of a branch being destroyed: that branch is in no tree (see takeAllUnwatched).
    std::vector<std::unique_ptr<Node>> all = takeAllUnwatched();
    all.clear();
}

void ChildList::compact() const {
    std::size_t to = 0;
    for (std::size_t from = first_; from < items_.size(); ++from) {
        if (!items_[from]) continue;
        if (from != to) items_[to] = std::move(items_[from]);
        items_[to]->slot_ = to;
        ++to;
    }
    items_.resize(to);
    first_ = 0;
}

Node* ChildList::at(std::size_t index) const { return index < size() ? (*this)[index] : nullptr; }

Node* ChildList::front() const {
    if (empty()) return nullptr;
    while (!items_[first_]) ++first_;
    return items_[first_].get();
}

Node* ChildList::back() const { return empty() ? nullptr : items_.back().get(); }

bool ChildList::contains(const Node* node) const { return node != nullptr && node->parent() == owner_; }

long ChildList::indexOf(const Node* node) const {
    if (!contains(node)) return -1;
    closeHoles();
    return static_cast<long>(node->slot_);
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
    if (useIndex()) return index_->find(name, leaf);
    for (Node* node : *this)
        if (node->isLeaf() == leaf && node->name() == name) return node;
    return nullptr;
}

bool ChildList::collectNamed(std::string_view name, bool leaf, std::vector<Node*>& out) const {
    if (!useIndex()) return false;
    index_->collect(name, leaf, out);
    return true;
}

void ChildList::sortInListOrder(std::vector<Node*>& nodes) const {
    std::sort(nodes.begin(), nodes.end(), [](const Node* a, const Node* b) { return a->slot_ < b->slot_; });
}

Branch* ChildList::findBranch(std::string_view name) const { return static_cast<Branch*>(find(name, false)); }
Leaf* ChildList::findLeaf(std::string_view name) const { return static_cast<Leaf*>(find(name, true)); }

Node* ChildList::adopt(std::unique_ptr<Node>& node, std::size_t slot) {
    Node* raw = node.get();
    raw->parent_ = owner_;
    raw->slot_ = slot;
    if (index_) index_->insert(raw);
    if (conftree_internal::watchingEdits()) conftree_internal::countEntered(*owner_, *raw);
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
    Node* raw = adopt(node, items_.size());
    items_.push_back(std::move(node));
    ++live_;
    return raw;
}

Node* ChildList::insert(std::size_t index, std::unique_ptr<Node> node) {
    if (refuseAttached(node)) return nullptr;
    closeHoles();
    index = std::min(index, size());
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::unique_ptr<Node>());
    for (std::size_t j = index + 1; j < items_.size(); ++j) items_[j]->slot_ = j;
    Node* raw = adopt(node, index);
    items_[index] = std::move(node);
    ++live_;
    return raw;
}

std::unique_ptr<Node> ChildList::release(std::size_t slot) {
    std::unique_ptr<Node> node = std::move(items_[slot]);
    if (index_) index_->remove(node.get());
    if (conftree_internal::watchingEdits()) conftree_internal::countLeft(*owner_, *node);
    node->parent_ = nullptr;
    --live_;
    if (slot + 1 == items_.size()) {
        while (!items_.empty() && !items_.back()) items_.pop_back();
        if (items_.empty()) first_ = 0;
    } else if (items_.size() - live_ > live_ + kHoleSlack) {
        compact();
    }
    return node;
}

std::unique_ptr<Node> ChildList::take(std::size_t index) {
    if (index >= size()) return nullptr;
    closeHoles();
    return release(index);
}

std::unique_ptr<Node> ChildList::take(const Node* node) {
    if (!contains(node)) return nullptr;
    return release(node->slot_);
}

bool ChildList::erase(std::size_t index) {
    if (index >= size()) return false;
    closeHoles();
    release(index);
    return true;
}

bool ChildList::erase(const Node* node) {
    if (!contains(node)) return false;
    release(node->slot_);
    return true;
}

std::unique_ptr<Node> ChildList::replace(std::size_t index, std::unique_ptr<Node> node) {
    if (refuseAttached(node) || index >= size()) return nullptr;
    closeHoles();
    std::unique_ptr<Node> old = std::move(items_[index]);
    if (index_) index_->remove(old.get());
    if (conftree_internal::watchingEdits()) conftree_internal::countLeft(*owner_, *old);
    old->parent_ = nullptr;
    adopt(node, index);
    items_[index] = std::move(node);
    return old;
}

bool ChildList::swap(std::size_t a, std::size_t b) {
    if (a >= size() || b >= size()) return false;
    if (a == b) return true;
    closeHoles();
    Node* x = items_[a].get();
    Node* y = items_[b].get();
    // Both leave the index while their slots change: a key's children are kept in slot order.
    if (index_) {
        index_->remove(x);
        index_->remove(y);
    }
    std::swap(items_[a], items_[b]);
    x->slot_ = b;
    y->slot_ = a;
    if (index_) {
        index_->insert(x);
        index_->insert(y);
    }
    return true;
}

void ChildList::resize(std::size_t count) {
    // The last slot always holds a child.
    while (size() > count) release(items_.size() - 1);
}

void ChildList::clear() {
    // Detach first so that nothing reached from a destructor sees a half-emptied list.
    std::vector<std::unique_ptr<Node>> all = takeAll();
    all.clear();
}

std::vector<std::unique_ptr<Node>> ChildList::takeAll() {
    if (conftree_internal::watchingEdits()) {
        for (const auto& node : items_) {
            if (node) conftree_internal::countLeft(*owner_, *node);
        }
    }
    return takeAllUnwatched();
}

std::vector<std::unique_ptr<Node>> ChildList::takeAllUnwatched() {
    // The storage itself is handed over: releasing a big tree calls this for every branch, and a
    // copy of each children list would cost an allocation and a pass over the children each.
    index_.reset();
    Storage all;
    all.swap(items_);
    if (live_ != all.size()) std::erase_if(all, [](const std::unique_ptr<Node>& node) { return !node; });
    live_ = 0;
    first_ = 0;
    for (const auto& node : all) node->parent_ = nullptr;
    return all;
}

void ChildList::nameAboutToChange(Node* node) {
    if (index_) index_->remove(node);
}

void ChildList::nameChanged(Node* node) {
    if (index_) index_->insert(node);
}
