// Ordering of converted rules by their old rule numbers.
//
// The rule lists are ordered with a selection procedure: for each position i from the first to the
// last, the first position holding the smallest number among positions i to the end is swapped with
// position i. That procedure is not stable (rules with equal numbers can change their relative order)
// and the written rule numbers depend on the exact order it gives, so it is reproduced exactly here,
// but in O(n log n): a tournament tree over the positions still to be placed yields, at each step, the
// first position of the smallest number without rescanning the rest of the list.
//
// Pure functions over the caller's list; safe from any thread on distinct lists.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

// The swaps the selection procedure makes on keys[from..]: for each position i (from the first to the
// last), the position p it is swapped with (p == i when the entry stays). Applying them in order with
// std::swap to the list the keys were taken from orders it as the procedure would.
std::vector<std::size_t> selectionSwaps(const std::vector<int>& keys, std::size_t from = 0);

// Orders list[from..] by key(entry), ascending, exactly as the selection procedure does.
template <class T, class KeyFn>
void selectionSortFrom(std::vector<T>& list, std::size_t from, KeyFn key) {
    if (from >= list.size()) return;
    std::vector<int> keys;
    keys.reserve(list.size());
    for (const T& entry : list) keys.push_back(key(entry));
    const std::vector<std::size_t> swaps = selectionSwaps(keys, from);
    for (std::size_t i = from; i < list.size(); ++i) {
        const std::size_t p = swaps[i - from];
        if (p != i) std::swap(list[i], list[p]);
    }
}
