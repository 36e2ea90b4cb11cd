// Closest known words by edit distance.
#include "template/name_suggestion.h"

#include <algorithm>
#include <vector>

#include "template/text_util.h"

std::size_t editDistanceIgnoringCase(std::string_view a, std::string_view b, std::size_t limit) {
    // The distance is at least the difference in length: words far apart in length are not compared
    // character by character (a script line may hold thousands of characters).
    const std::size_t gap = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    if (gap > limit) return limit + 1;
    // Optimal string alignment over three rows of the table.
    std::vector<std::size_t> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) previous[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        std::size_t rowBest = current[0];
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const bool same = asciiLower(a[i - 1]) == asciiLower(b[j - 1]);
            std::size_t best = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (same ? 0 : 1)});
            if (i > 1 && j > 1 && asciiLower(a[i - 1]) == asciiLower(b[j - 2]) &&
                asciiLower(a[i - 2]) == asciiLower(b[j - 1])) {
                best = std::min(best, before[j - 2] + 1);
            }
            current[j] = best;
            rowBest = std::min(rowBest, best);
        }
        if (rowBest > limit) return limit + 1;
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return std::min(previous[b.size()], limit + 1);
}

std::string_view closestName(std::string_view word, std::span<const std::string_view> candidates) {
    const std::size_t allowed = word.size() <= 4 ? 1 : word.size() <= 8 ? 2 : 3;
    std::string_view best;
    std::size_t bestDistance = allowed + 1;
    for (std::string_view candidate : candidates) {
        const std::size_t distance = editDistanceIgnoringCase(word, candidate, allowed);
        if (distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}
