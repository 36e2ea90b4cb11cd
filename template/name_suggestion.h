// Suggestions for misspelt words of a template script: the known word closest to what was written,
// by edit distance ignoring letter case, as the verb table and the edit_leaf operation table match
// words ignoring case.
//
// Pure functions; any thread.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

// The number of single-character insertions, deletions, substitutions and swaps of two neighbours
// that turn a into b, ASCII letters compared ignoring case; stops counting past limit (and then
// returns limit + 1).
std::size_t editDistanceIgnoringCase(std::string_view a, std::string_view b, std::size_t limit);

// The candidate closest to word when it is close enough to be a slip of the keyboard (one edit for
// words of up to four characters, two up to eight, three beyond); the first of equally close ones.
// Empty when none is.
std::string_view closestName(std::string_view word, std::span<const std::string_view> candidates);
