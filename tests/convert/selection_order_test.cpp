// Ordering by old rule numbers: the fast procedure must give exactly the selection procedure's order.

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "convert/selection_order.h"

namespace {

struct Entry {
    int key;
    int id;
};

// The procedure as described: swap the first smallest of i..end into i.
void naiveSelection(std::vector<Entry>& v, std::size_t from) {
    for (std::size_t i = from; i < v.size(); ++i) {
        std::size_t best = i;
        for (std::size_t j = i + 1; j < v.size(); ++j) {
            if (v[j].key < v[best].key) best = j;
        }
        std::swap(v[i], v[best]);
    }
}

std::vector<int> ids(const std::vector<Entry>& v) {
    std::vector<int> out;
    for (const Entry& e : v) out.push_back(e.id);
    return out;
}

TEST(SelectionOrderTest, OrdersDistinctNumbersAscending) {
    std::vector<Entry> v{{5, 0}, {2, 1}, {9, 2}};
    selectionSortFrom(v, 0, [](const Entry& e) { return e.key; });
    EXPECT_EQ(ids(v), (std::vector<int>{1, 0, 2}));
}

TEST(SelectionOrderTest, EqualNumbersTakeTheUnstableOrderOfTheProcedure) {
    // Swapping 1 into place moves the first 3 behind the second 3.
    std::vector<Entry> v{{3, 0}, {3, 1}, {1, 2}};
    selectionSortFrom(v, 0, [](const Entry& e) { return e.key; });
    EXPECT_EQ(ids(v), (std::vector<int>{2, 1, 0}));
}

TEST(SelectionOrderTest, LeavesEntriesBeforeTheStartAlone) {
    std::vector<Entry> v{{9, 0}, {8, 1}, {4, 2}, {1, 3}};
    selectionSortFrom(v, 2, [](const Entry& e) { return e.key; });
    EXPECT_EQ(ids(v), (std::vector<int>{0, 1, 3, 2}));
    selectionSortFrom(v, 4, [](const Entry& e) { return e.key; });
    selectionSortFrom(v, 7, [](const Entry& e) { return e.key; });
    EXPECT_EQ(ids(v), (std::vector<int>{0, 1, 3, 2}));
}

TEST(SelectionOrderTest, MatchesTheDescribedProcedureOnRandomListsWithManyTies) {
    std::mt19937 random(12345);
    for (int round = 0; round < 400; ++round) {
        const std::size_t n = random() % 60;
        const int range = 1 + static_cast<int>(random() % 8);
        std::vector<Entry> v;
        for (std::size_t i = 0; i < n; ++i) {
            v.push_back({static_cast<int>(random() % range) - range / 2, static_cast<int>(i)});
        }
        const std::size_t from = n == 0 ? 0 : random() % (n + 1);
        std::vector<Entry> expected = v;
        naiveSelection(expected, from);
        selectionSortFrom(v, from, [](const Entry& e) { return e.key; });
        ASSERT_EQ(ids(v), ids(expected)) << "round " << round;
    }
}

TEST(SelectionOrderTest, ExtremeNumbersAreOrderedToo) {
    std::vector<Entry> v{{INT_MAX, 0}, {INT_MIN, 1}, {-1, 2}, {INT_MAX, 3}};
    std::vector<Entry> expected = v;
    naiveSelection(expected, 0);
    selectionSortFrom(v, 0, [](const Entry& e) { return e.key; });
    EXPECT_EQ(ids(v), ids(expected));
}

}  // namespace
