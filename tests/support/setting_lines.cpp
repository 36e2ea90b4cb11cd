#include "support/setting_lines.h"

#include <sstream>

#include "conftree/conftree.h"

namespace testsupport {

void addSettings(Branch& tree, const Lines& lines, bool overwrite) {
    for (const std::string& line : lines) tree.mergeNode(parseLine(line, 0), overwrite);
}

Lines settingLines(const Branch& tree) { return splitLines(settingText(tree)); }

std::string settingText(const Branch& tree) {
    std::ostringstream out;
    for (const Node* child : tree.children()) child->write(out, true);
    return out.str();
}

Lines splitLines(const std::string& text) {
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace testsupport
