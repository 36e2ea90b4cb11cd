// PointerSet: a set of node addresses in one flat table (open addressing with linear probing, a
// power-of-two capacity, at most half full). MatchWalk keeps its pending matches in one: a million
// of them cost one allocation instead of a million, and a look-up touches one or two cache lines.
//
// Holds addresses only; owns nothing. Not thread-safe: one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class PointerSet {
public:
    // Makes room for n addresses at once.
    void reserve(std::size_t n) {
        std::size_t capacity = 16;
        while (capacity < 2 * n) capacity *= 2;
        if (capacity <= slots_.size()) return;
        std::vector<const void*> old(capacity, nullptr);
        old.swap(slots_);
        for (const void* p : old)
            if (p != nullptr) slots_[emptySlotFor(p)] = p;
    }

    // False when the address was there already (or is null).
    bool insert(const void* p) {
        if (p == nullptr) return false;
        if (2 * (count_ + 1) > slots_.size()) reserve(count_ + 1);
        std::size_t i = home(p);
        for (; slots_[i] != nullptr; i = (i + 1) & mask())
            if (slots_[i] == p) return false;
        slots_[i] = p;
        ++count_;
        return true;
    }

    // False when the address was not there.
    bool erase(const void* p) {
        if (count_ == 0 || p == nullptr) return false;
        std::size_t i = home(p);
        while (slots_[i] != p) {
            if (slots_[i] == nullptr) return false;
            i = (i + 1) & mask();
        }
        // Backward-shift deletion keeps every probe run unbroken without tombstones.
        std::size_t hole = i;
        for (std::size_t j = (i + 1) & mask(); slots_[j] != nullptr; j = (j + 1) & mask()) {
            const std::size_t h = home(slots_[j]);
            const bool homeBetween = hole <= j ? (h > hole && h <= j) : (h > hole || h <= j);
            if (!homeBetween) {
                slots_[hole] = slots_[j];
                hole = j;
            }
        }
        slots_[hole] = nullptr;
        --count_;
        return true;
    }

    bool empty() const { return count_ == 0; }
    std::size_t size() const { return count_; }

private:
    std::size_t mask() const { return slots_.size() - 1; }
    // Addresses are aligned and clustered: mix every bit into the low ones the mask keeps.
    std::size_t home(const void* p) const {
        std::uint64_t x = reinterpret_cast<std::uintptr_t>(p);
        x ^= x >> 33;
        x *= 0xff51afd7ed558ccdULL;
        x ^= x >> 33;
        return static_cast<std::size_t>(x) & mask();
    }
    std::size_t emptySlotFor(const void* p) const {
        std::size_t i = home(p);
        while (slots_[i] != nullptr) i = (i + 1) & mask();
        return i;
    }

    std::vector<const void*> slots_;
    std::size_t count_ = 0;
};
