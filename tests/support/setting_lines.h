// Trees from setting lines and back, for tests: settings added as a configuration file load adds
// them, and a tree listed as the file writer writes it, one 'name=value' line per leaf.
#pragma once

#include <string>
#include <vector>

class Branch;

namespace testsupport {

using Lines = std::vector<std::string>;

// Parses each line as a setting and merges it into `tree` as the file reader does: the first
// occurrence of a name wins, unless `overwrite`. Faults go to the tree log as in a load.
void addSettings(Branch& tree, const Lines& lines, bool overwrite = false);

// The settings below `tree`, one per leaf, depth-first in the file writer's order, without the save
// summary.
Lines settingLines(const Branch& tree);

// The same settings as one text, each line ending in a line feed, as a save writes them.
std::string settingText(const Branch& tree);

// The lines of a text, without their line ends.
Lines splitLines(const std::string& text);

}  // namespace testsupport
