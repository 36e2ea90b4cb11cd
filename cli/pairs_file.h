// A reviewed interface pairing kept in a file, for --pairs-file: one OLDDEV=NEWDEV per line, as --pair
// takes it. Blank lines and lines whose first non-blank character is '#' are skipped; white space
// around a line is ignored. Anything else is an error naming its line, and nothing is taken.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/interfaces.h"

namespace cli {

// The longest pairs file read (a pairing has one line per interface).
inline constexpr std::size_t kPairsFileMax = 1 << 20;

// The pairs of text, in order; none, with problem set ("line N: ..."), when a line is not a pair.
std::optional<std::vector<DevicePair>> parsePairsText(std::string_view text, std::string& problem);

// Reads and parses the file at path; none with problem set when it cannot be read, is larger than
// kPairsFileMax, or holds a line that is not a pair.
std::optional<std::vector<DevicePair>> readPairsFile(const std::string& path, std::string& problem);

}  // namespace cli
