// Search templates: the wildcard rules, the per-node tests, searching and wildcard filling.
#include "conftree/search_template.h"

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "conftree/branch.h"
#include "conftree/config_tree.h"
#include "conftree/leaf.h"
#include "conftree/parse.h"
#include "conftree/tree_internal.h"
#include "conftree/tree_state.h"

namespace {

bool inList(const NameList& list, std::string_view name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

bool namesMatch(std::string_view a, std::string_view b, bool restricted) {
    if (a == b) return true;
    if (a != "**" && b != "**") {
        if (a != "##" && b != "##") return false;
        std::string_view x = a == "##" ? b : a;
        if (restricted && !hashScopes().empty()) return inList(hashScopes().back(), x);
        return isCanonicalInteger(x);
    }
    if (!restricted || starScopes().empty()) return true;
    std::string_view x = a == "**" ? b : a;
    return inList(starScopes().back(), x);
}

bool valuesMatch(std::string_view a, std::string_view b) { return equalIgnoringCase(a, b) || namesMatch(a, b, false); }

bool isWildcard(std::string_view name) { return name == "**" || name == "##"; }

// Per-node tests ------------------------------------------------------------------------------

bool Branch::matches(const Node& templateNode) const {
    return templateNode.isBranch() && namesMatch(name(), templateNode.name(), true);
}

bool Branch::differs(const Node& templateNode) const {
    return templateNode.isLeaf() || !namesMatch(name(), templateNode.name(), true);
}

bool Leaf::matches(const Node& templateNode) const {
    return templateNode.isLeaf() && namesMatch(name(), templateNode.name(), true) &&
           valuesMatch(value_, static_cast<const Leaf&>(templateNode).value());
}

bool Leaf::differs(const Node& templateNode) const {
    return templateNode.isBranch() || !namesMatch(name(), templateNode.name(), true) ||
           !valuesMatch(value_, static_cast<const Leaf&>(templateNode).value());
}

// Searching ------------------------------------------------------------------------------------

bool Branch::search(NodeList& results, const Node* templateNode) {
    // Depth first, children in order, with an explicit stack: the search goes as deep as its
    // template, however deep that is. Each step tries one tree node against one template node.
    struct Step {
        Node* node;
        const Node* templateNode;
    };
    std::vector<Step> pending{{this, templateNode}};
    std::vector<Node*> candidates;
    while (!pending.empty()) {
        const Step step = pending.back();
        pending.pop_back();
        if (step.templateNode == nullptr) continue;
        if (step.node->isLeaf()) {
            if (step.node->matches(*step.templateNode)) results.push_back(step.node);
            continue;
        }
        Branch* branch = static_cast<Branch*>(step.node);
        if (branch->differs(*step.templateNode)) continue;
        const ChildList& below = static_cast<const Branch*>(step.templateNode)->children();
        if (below.empty()) {
            results.push_back(branch);
            continue;
        }
        const Node* next = below.front();
        // In a wide branch, a literal component can only be fitted by children of that name or by
        // children literally named "**" or "##": the name index gives those, and only they need
        // trying, in list order. Otherwise every child is tried.
        const ChildList& list = branch->children();
        candidates.clear();
        if (!isWildcard(next->name()) && list.collectNamed(next->name(), next->isLeaf(), candidates) &&
            list.collectNamed("**", next->isLeaf(), candidates) &&
            list.collectNamed("##", next->isLeaf(), candidates)) {
            list.sortInListOrder(candidates);
            for (std::size_t i = candidates.size(); i > 0; --i) pending.push_back({candidates[i - 1], next});
            continue;
        }
        for (std::size_t i = list.size(); i > 0; --i) pending.push_back({list[i - 1], next});
    }
    return !results.empty();
}

bool Leaf::search(NodeList& results, const Node* templateNode) {
    if (templateNode == nullptr || !matches(*templateNode)) return false;
    results.push_back(this);
    return true;
}

// Filling wildcard markers ----------------------------------------------------------------------

int fillWildCardFromTop(Node* itemTop, const Node* templateBottom, const Node* foundBottom) {
    if (itemTop == nullptr) return 0;

    Node* hashNode = nullptr;
    Node* starNode = nullptr;
    Node* prefixNode = nullptr;
    std::string prefixRest;  // what follows "??" in the prefix marker, kept for every refill
    Leaf* hashValueLeaf = nullptr;
    Leaf* starValueLeaf = nullptr;

    auto multiple = [](const char* marker) {
        std::ostream& log = treeLog();
        log << "fillWildCardFromTop: multiple " << marker << " wildcards in branch - can't continue";
        conftree_internal::endLine(log);
        return -1;
    };

    for (Node* node = itemTop; node != nullptr;) {
        const std::string& name = node->name();
        if (name == "##") {
            if (hashNode != nullptr) return multiple("##");
            hashNode = node;
        } else if (name == "**") {
            if (starNode != nullptr) return multiple("**");
            starNode = node;
        } else if (name.size() >= 2 && name[0] == '?' && name[1] == '?') {
            if (prefixNode != nullptr) return multiple("??");
            prefixNode = node;
            prefixRest = name.substr(2);
        }
        if (node->isLeaf()) {
            Leaf* leaf = static_cast<Leaf*>(node);
            if (leaf->value() == "##")
                hashValueLeaf = leaf;
            else if (leaf->value() == "**")
                starValueLeaf = leaf;
            break;
        }
        node = static_cast<Branch*>(node)->children().front();
    }

    if (!hashNode && !starNode && !prefixNode && !hashValueLeaf && !starValueLeaf) return 0;
    if (templateBottom == nullptr || foundBottom == nullptr) return 0;

    bool first = true;
    for (const Node *t = templateBottom, *f = foundBottom; t != nullptr && f != nullptr;
         t = t->parent(), f = f->parent()) {
        if (hashNode != nullptr && t->name() == "##")
            hashNode->setName(f->name());
        else if (starNode != nullptr && t->name() == "**")
            starNode->setName(f->name());
        else if (prefixNode != nullptr && t->name() == "##")
            prefixNode->setName(f->name() + prefixRest);
        if (first && t->isLeaf() && f->isLeaf()) {
            const std::string& templateValue = static_cast<const Leaf*>(t)->value();
            const std::string& foundValue = static_cast<const Leaf*>(f)->value();
            if (hashValueLeaf != nullptr && templateValue == "##")
                hashValueLeaf->setValue(foundValue);
            else if (starValueLeaf != nullptr && templateValue == "**")
                starValueLeaf->setValue(foundValue);
        }
        first = false;
    }
    return 0;
}

// SearchTemplate --------------------------------------------------------------------------------

SearchTemplate SearchTemplate::leaf(std::string_view text) {
    SearchTemplate result;
    Leaf* bottom = nullptr;
    result.top_ = parseLine(text, 0, &bottom);
    result.bottom_ = bottom;
    return result;
}

SearchTemplate SearchTemplate::branch(std::string_view text) {
    SearchTemplate result;
    Branch* bottom = nullptr;
    result.top_ = parseName(text, &bottom);
    result.bottom_ = bottom;
    return result;
}

bool SearchTemplate::search(ConfigTree& tree, NodeList& results) const {
    if (!top_) return !results.empty();
    const std::size_t before = results.size();
    const bool found = tree.search(results, top_.get());
    conftree_internal::countSearchMatches(static_cast<long>(results.size() - before));
    return found;
}
