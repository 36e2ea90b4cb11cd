// ConfigTree: the root of a configuration, its summary and absorbing another tree.
#include "conftree/config_tree.h"

#include <ostream>

#include "conftree/tree_internal.h"
#include "conftree/tree_state.h"

using namespace conftree_internal;

ConfigTree::ConfigTree(std::ostream& log) : Branch(std::string()) { setTreeLog(log); }

ConfigTree::~ConfigTree() = default;

void ConfigTree::describe(int /*depth*/, std::ostream& /*stream*/, bool /*newline*/) const {
    std::ostream& log = treeLog();
    log << "Print config tree start";
    endLine(log);
    log << "Version: ";
    if (version == 0)
        log << "Unknown";
    else
        log << version;
    endLine(log);
    log << "Source file: " << sourceFile;
    endLine(log);
    log << "Total Branch Nodes: " << branchCount() - 1;
    endLine(log);
    log << "Total Leaf Nodes: " << leafCount();
    endLine(log);
}

void ConfigTree::write(std::ostream& stream, bool newline) const {
    describe(0, stream, newline);
    std::ostream& log = treeLog();
    log << "- Tree Start ---------------------------------------";
    endLine(log);
    Branch::write(stream, true);
    log << "- Tree End -----------------------------------------";
    endLine(log);
}

void ConfigTree::writePath(std::ostream& /*stream*/, bool /*newline*/) const {}

bool ConfigTree::search(NodeList& results, const Node* templateNode) {
    if (templateNode != nullptr)
        for (Node* child : children()) child->search(results, templateNode);
    return !results.empty();
}

void ConfigTree::absorb(ConfigTree& other) {
    for (auto& node : other.children().takeAll()) mergeNode(std::move(node), true);
}
