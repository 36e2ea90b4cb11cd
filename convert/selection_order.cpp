// The exact swaps of the selection procedure, computed with a tournament tree (see selection_order.h).

#include "convert/selection_order.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

// A minimum tournament over positions. Each node holds one 64-bit word: the key (shifted to be
// unsigned) in the high half and the position in the low half, so the smallest word is the smallest
// key at its first position. Placed positions are retired with a word larger than any real one.
class Tournament {
public:
    explicit Tournament(const std::vector<int>& keys) {
        while (size_ < keys.size()) size_ *= 2;
        tree_.assign(2 * size_, kRetired);
        for (std::size_t i = 0; i < keys.size(); ++i) tree_[size_ + i] = word(keys[i], i);
        for (std::size_t n = size_ - 1; n >= 1; --n) tree_[n] = std::min(tree_[2 * n], tree_[2 * n + 1]);
    }

    // The first position of the smallest key among the positions not yet retired.
    std::size_t winner() const { return static_cast<std::size_t>(tree_[size_ > 1 ? 1 : size_] & 0xFFFFFFFFu); }
    int key(std::size_t pos) const {
        return static_cast<int>(static_cast<std::int64_t>(tree_[size_ + pos] >> 32) + INT_MIN);
    }

    void setKey(std::size_t pos, int key) { update(pos, word(key, pos)); }
    void retire(std::size_t pos) { update(pos, kRetired); }

private:
    static constexpr std::uint64_t kRetired = ~std::uint64_t{0};

    static std::uint64_t word(int key, std::size_t pos) {
        const auto high = static_cast<std::uint64_t>(static_cast<std::int64_t>(key) - INT_MIN);
        return (high << 32) | static_cast<std::uint64_t>(pos);
    }

    void update(std::size_t pos, std::uint64_t value) {
        std::size_t n = size_ + pos;
        tree_[n] = value;
        for (n /= 2; n >= 1; n /= 2) tree_[n] = std::min(tree_[2 * n], tree_[2 * n + 1]);
    }

    std::size_t size_ = 1;
    std::vector<std::uint64_t> tree_;
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
        // The entry at i moves to p; p's entry is placed at i for good.
        if (p != i) tournament.setKey(p, tournament.key(i));
        tournament.retire(i);
    }
    return swaps;
}
