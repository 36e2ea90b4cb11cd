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

// Orders list[from..] by key(entry), ascending, exactly as the selection procedure does. The swaps are
// made on positions first and the entries then moved once each into their places, so large records
// are not carried through a chain of swaps.
template <class T, class KeyFn>
void selectionSortFrom(std::vector<T>& list, std::size_t from, KeyFn key) {
    if (from >= list.size()) return;
    std::vector<int> keys;
    keys.reserve(list.size() - from);
    for (std::size_t i = from; i < list.size(); ++i) keys.push_back(key(list[i]));
    const std::vector<std::size_t> swaps = selectionSwaps(keys, 0);
    std::vector<std::size_t> order(keys.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    for (std::size_t i = 0; i < order.size(); ++i) std::swap(order[i], order[swaps[i]]);
    std::vector<T> sorted;
    sorted.reserve(order.size());
    for (std::size_t position : order) sorted.push_back(std::move(list[from + position]));
    for (std::size_t i = 0; i < sorted.size(); ++i) list[from + i] = std::move(sorted[i]);
}
