// Reading and writing configuration files: ConfigTree::load and ConfigTree::save.
//
// load walks the tree with the parts of each line instead of building a chain and merging it: the
// result (order, joining, first-occurrence-wins, the duplicate report, the counters) is the same as
// mergeNode(parseLine(line), false), without allocating and freeing a chain for every line.
#include <fstream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "conftree/config_tree.h"
#include "conftree/leaf.h"
#include "conftree/line_reader.h"
#include "conftree/parse_internal.h"
#include "conftree/tree_internal.h"
#include "conftree/tree_state.h"

using namespace conftree_internal;

namespace {

// The branches the previous line went through, root first. Consecutive lines mostly share their
// path ('rule_filter_7_name', 'rule_filter_7_action', ...), so a line follows the previous one
// as far as the names agree and looks up only the rest. This gives the same branches as looking
// every name up: during a load nodes are only appended, and an appended branch never has the name
// of an earlier sibling branch, so the first branch of each name stays the first.
using Walk = std::vector<Branch*>;

void insertSetting(Branch& root, std::string_view line, long lineNumber, SettingParts& parts, Walk& walk) {
    if (splitSetting(line, lineNumber, parts) != SettingStatus::Ok) return;
    Branch* at = &root;
    std::size_t i = 0;
    while (i < parts.used && i < walk.size() && walk[i]->name() == parts.components[i]) at = walk[i++];
    walk.resize(i);
    for (; i < parts.used; ++i) {
        Branch* next = at->findBranch(parts.components[i]);
        if (next == nullptr) break;
        at = next;
        walk.push_back(at);
    }
    bool fresh = i < parts.used;
    for (; i < parts.used; ++i) {
        at = static_cast<Branch*>(at->children().append(std::make_unique<Branch>(parts.components[i])));
        walk.push_back(at);
    }

    Leaf* existing = fresh ? nullptr : at->findLeaf(parts.leafName);
    if (existing == nullptr) {
        at->children().append(std::make_unique<Leaf>(parts.leafName, parts.value));
        return;
    }
    // The line's leaf is made and dropped, as a merge would, so the counters (and the progress
    // dots) run exactly as they do for any insertion.
    Leaf dropped{std::string(), std::string()};
    if (existing->value() != parts.value) {
        std::ostream& log = treeLog();
        log << "Ignoring duplicate leaf at ";
        existing->writePath(log, false);
        log << " old value: " << existing->value() << " new value: " << parts.value;
        endLine(log);
    }
}

}  // namespace

int ConfigTree::load(const std::string& path) {
    LineReader reader(path);
    std::ostream& log = treeLog();
    if (!reader.isOpen()) {
        log << "Unable to open file: " << path;
        endLine(log);
        return -1;
    }
    SettingParts parts;
    Walk walk;
    std::string_view line;
    for (long lineNumber = 1;; ++lineNumber) {
        LineReader::Status status = reader.next(line);
        if (status == LineReader::Status::End) break;
        if (status == LineReader::Status::Error) {
            log << "Unable to read file: " << path;
            endLine(log);
            return -1;
        }
        if (status == LineReader::Status::TooLong) {
            log << "Line " << lineNumber << ": Skipping line longer than " << LineReader::kMaxLineLength
                << " characters";
            endLine(log);
            continue;
        }
        insertSetting(*this, line, lineNumber, parts, walk);
    }
    sourceFile = path;
    return 0;
}

bool ConfigTree::save(const std::string& path) {
    std::ofstream file(path, std::ios::out | std::ios::trunc | std::ios::binary);
    bool ok = file.is_open();
    write(file, true);  // runs even when the file did not open: the summary still goes to the log
    if (!file.good()) ok = false;
    if (file.is_open()) {
        file.close();
        if (file.fail()) ok = false;  // buffered lines that could not be flushed (a full disk)
    }
    if (!ok) {
        std::ostream& log = treeLog();
        log << "Unable to write file: " << path;
        endLine(log);
    }
    return ok;
}

bool ConfigTree::save(std::ostream& stream) {
    write(stream, true);
    stream.flush();
    return stream.good();
}
