// Search templates: setting names or lines whose components may be the wildcards "**" (any name)
// and "##" (a decimal number), used to find nodes in a ConfigTree, and the filling of wildcard
// markers in a new setting from what a search found.
//
// A template is a detached chain made by parseLine (a leaf template: matches leaves and their
// values) or parseName (a branch template: matches branches). SearchTemplate holds one such chain.
// Results are pointers into the tree, owned by the tree.
//
// The name rules consult the process-wide scope stacks (tree_state.h); single-threaded.
#pragma once

#include <memory>
#include <string_view>

#include "conftree/node.h"

class ConfigTree;

// The name-component rule: equal names match; "**" matches any name (only the names of the top
// list of starScopes when restricted and that stack is not empty); "##" matches a canonical
// decimal integer (only the names of the top list of hashScopes when restricted and that stack is
// not empty). Symmetric in a and b.
bool namesMatch(std::string_view a, std::string_view b, bool restricted);

// The value rule: equal ignoring letter case, otherwise namesMatch unrestricted.
bool valuesMatch(std::string_view a, std::string_view b);

// True when name is exactly "**" or "##".
bool isWildcard(std::string_view name);

// Fills the markers of the item chain starting at itemTop (a name component "##", "**", one
// beginning with "??", a leaf value "##" or "**") from the match foundBottom of the template whose
// last node is templateBottom, walking up both in step. Returns 0, or -1 (item unchanged, message
// "fillWildCardFromTop: multiple <marker> wildcards in branch - can't continue" in treeLog) when
// the item holds two name markers of one kind.
int fillWildCardFromTop(Node* itemTop, const Node* templateBottom, const Node* foundBottom);

// A parsed template chain and its last node. Invalid (top() == nullptr) when the parser refused
// the text (the parser has then logged what it logs).
class SearchTemplate {
public:
    // A leaf template ('a_##_name=**'): parsed with parseLine(text, 0).
    static SearchTemplate leaf(std::string_view text);
    // A branch template ('rule_proxy_##'): parsed with parseName(text).
    static SearchTemplate branch(std::string_view text);

    SearchTemplate() = default;
    SearchTemplate(SearchTemplate&&) noexcept = default;
    SearchTemplate& operator=(SearchTemplate&&) noexcept = default;

    bool valid() const { return top_ != nullptr; }
    Node* top() const { return top_.get(); }
    Node* bottom() const { return bottom_; }

    // Appends every match in tree to results; returns whether results is non-empty afterwards.
    // The matches appended are counted in treeEditCounts().searchMatches.
    bool search(ConfigTree& tree, NodeList& results) const;

private:
    std::unique_ptr<Node> top_;
    Node* bottom_ = nullptr;
};
