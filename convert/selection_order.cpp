// The exact swaps of the selection procedure, computed with a tournament tree (see selection_order.h).

#include "convert/selection_order.h"


namespace {

// A minimum tournament over positions: each inner node holds the winning position of its subtree,
// the smaller key winning and, between equal keys, the smaller position. Placed positions are retired
// and never win again.
class Tournament {
public:
    Tournament(std::vector<int> keys) : keys_(std::move(keys)), retired_(keys_.size(), false) {
        size_ = 1;
        while (size_ < keys_.size()) size_ *= 2;
        tree_.assign(2 * size_, kNone);
        for (std::size_t i = 0; i < keys_.size(); ++i) tree_[size_ + i] = i;
        for (std::size_t n = size_ - 1; n >= 1; --n) tree_[n] = better(tree_[2 * n], tree_[2 * n + 1]);
    }

    std::size_t winner() const { return size_ > 1 ? tree_[1] : tree_[size_]; }
    int key(std::size_t pos) const { return keys_[pos]; }

    void setKey(std::size_t pos, int key) {
        keys_[pos] = key;
        replay(pos);
    }
    void retire(std::size_t pos) {
        retired_[pos] = true;
        replay(pos);
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    std::size_t better(std::size_t a, std::size_t b) const {
        if (a == kNone || retired_[a]) return (b == kNone || retired_[b]) ? kNone : b;
        if (b == kNone || retired_[b]) return a;
        if (keys_[b] < keys_[a]) return b;
        if (keys_[a] < keys_[b]) return a;
        return a < b ? a : b;
    }

    void replay(std::size_t pos) {
        for (std::size_t n = (size_ + pos) / 2; n >= 1; n /= 2) {
            tree_[n] = better(tree_[2 * n], tree_[2 * n + 1]);
        }
    }

    std::vector<int> keys_;
    std::vector<bool> retired_;
    std::vector<std::size_t> tree_;
    std::size_t size_ = 1;
};

}  // namespace

std::vector<std::size_t> selectionSwaps(const std::vector<int>& keys, std::size_t from) {
    std::vector<std::size_t> swaps;
    if (from >= keys.size()) return swaps;
    const std::size_t count = keys.size() - from;
    swaps.reserve(count);
    Tournament tournament(std::vector<int>(keys.begin() + static_cast<std::ptrdiff_t>(from), keys.end()));
    for (std::size_t i = 0; i < count; ++i) {
        // Positions before i are retired, so the winner is the first smallest among i to the end.
        const std::size_t p = tournament.winner();
        swaps.push_back(from + p);
        if (p != i) {
            // The entry at i moves to p; p's entry is placed at i for good.
            tournament.setKey(p, tournament.key(i));
        }
        tournament.retire(i);
    }
    return swaps;
}
