// Internal to the conftree library: the setting-line splitter shared by parseLine and the file
// reader, which walks the tree with the parts instead of building a chain for every line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace conftree_internal {

enum class SettingStatus { Ok, Skip, NoEquals };

// The parts of one setting line, canonicalised. components[0..used) is the branch path; the
// strings are reused from line to line to spare allocations.
struct SettingParts {
    std::vector<std::string> components;
    std::size_t used = 0;
    std::string leafName;
    std::string value;
};

// Splits text as parseLine does; NoEquals has already been reported to treeLog.
SettingStatus splitSetting(std::string_view text, long lineNumber, SettingParts& parts);

}  // namespace conftree_internal
