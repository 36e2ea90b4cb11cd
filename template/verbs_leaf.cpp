// Leaf verbs: copy, spread, rename, promote, demote and delete whole settings.
//
// Each verb finds its settings with one search and then works through the results in tree order.
// Moves and deletions go through MatchWalk, so a result that an earlier step destroyed is never
// touched.
#include <memory>
#include <string>
#include <utility>

#include "conftree/branch.h"
#include "conftree/config_tree.h"
#include "conftree/leaf.h"
#include "conftree/parse.h"
#include "conftree/search_template.h"
#include "convert/tree_search.h"
#include "template/match_walk.h"
#include "template/template_processor.h"
#include "template/verb_arguments.h"

int TemplateProcessor::copy_leaf(ConfigTree& tree, char* text) {
    static constexpr const char* kVerb = "copy_leaf";
    const VerbArguments args = splitArguments(text);
    if (!args.first || !args.rest) {
        logFault(kVerb, ": Could not find objects (", args.whole);
        return 0;
    }
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Leaf, *args.first,
                                   ": Unable to parse search template (", ": Search returned no data (");
    if (!search.matched) return search.verdict;
    const std::unique_ptr<Node> item = parseLine(*args.rest, 0);
    if (!item) {
        logLine(std::string(kVerb) + ": Unable to parse add item: " + *args.rest);
        return 0;
    }
    MatchWalk walk(std::move(search.found));
    while (Node* match = walk.next()) {
        std::unique_ptr<Node> copy = item->clone();
        fillWildCardFromTop(copy.get(), search.pattern.bottom(), match);
        walk.merge(tree, std::move(copy), true);
    }
    return 1;
}

int TemplateProcessor::spread_leaf(ConfigTree& tree, char* text) {
    static constexpr const char* kVerb = "spread_leaf";
    const VerbArguments args = splitArguments(text);
    if (!args.first || !args.rest) {
        logFault(kVerb, ": Could not find source or destination template (", args.whole);
        return 0;
    }
    const std::string& source = *args.first;
    const std::string& destination = *args.rest;
    TreeSearch destinationSearch =
        searchTree(*this, tree, kVerb, TemplateKind::Branch, destination, ": Unable to parse destination template (",
                   ": Search returned no data (");
    if (!destinationSearch.matched) return destinationSearch.verdict;
    TreeSearch sourceSearch = searchTree(*this, tree, kVerb, TemplateKind::Leaf, source,
                                         ": Unable to parse source template (", ": Search returned no data (");
    if (!sourceSearch.matched) return sourceSearch.verdict;
    // Copies are merged with overwrite, which destroys only the incoming copies: every source leaf
    // and destination branch stays where it is, at most with a new value.
    for (Node* target : destinationSearch.found) {
        Branch* branch = target->asBranch();
        if (branch == nullptr) continue;
        for (const Node* leaf : sourceSearch.found) branch->mergeNode(leaf->clone(), true);
    }
    return 1;
}

int TemplateProcessor::rename_leaf(ConfigTree& tree, char* text) {
    static constexpr const char* kVerb = "rename_leaf";
    const VerbArguments args = splitArguments(text);
    if (!args.first || !args.rest) {
        logFault(kVerb, ": Could not find source template or new leafname(", args.whole);
        return 0;
    }
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Leaf, *args.first,
                                   ": Unable to parse source template (", ": Search returned no data (");
    if (!search.matched) return search.verdict;
    for (Node* match : search.found) match->setName(*args.rest);
    return 1;
}

int TemplateProcessor::promote_leaf(ConfigTree& tree, char* text) {
    static constexpr const char* kVerb = "promote_leaf";
    const VerbArguments args = splitArguments(text);
    if (!args.first) {
        logFault(kVerb, ": Could not find source template (", args.whole);
        return 0;
    }
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Leaf, *args.first,
                                   ": Unable to parse source template (", ": Search returned no data (");
    if (!search.matched) return search.verdict;
    MatchWalk walk(std::move(search.found));
    while (Node* match = walk.next()) {
        Branch* parent = match->parent();
        Branch* grandparent = parent != nullptr ? parent->parent() : nullptr;
        if (grandparent == nullptr) {
            // A setting directly below the tree root has no level above it to move to.
            const Leaf* leaf = match->asLeaf();
            logFault(kVerb, ": Setting is already at the top level, left in place (",
                     match->name() + "=" + (leaf != nullptr ? leaf->value() : std::string()));
            continue;
        }
        // The merge may destroy the moved leaf (an existing leaf of its name takes its value).
        walk.merge(*grandparent, parent->removeChild(match), true);
        if (parent->children().empty()) walk.pruneUp(parent);
    }
    return 1;
}

int TemplateProcessor::demote_leaf(ConfigTree& tree, char* text) {
    static constexpr const char* kVerb = "demote_leaf";
    const VerbArguments args = splitArguments(text);
    if (!args.first || !args.rest) {
        logFault(kVerb, ": Could not find source template (", args.whole);
        return 0;
    }
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Leaf, *args.first,
                                   ": Unable to parse source template (", ": Search returned no data (");
    if (!search.matched) return search.verdict;
    MatchWalk walk(std::move(search.found));
    while (Node* match = walk.next()) {
        Branch* parent = match->parent();
        if (parent == nullptr) continue;
        auto level = std::make_unique<Branch>(match->name());
        std::unique_ptr<Node> leaf = parent->removeChild(match);
        leaf->setName(*args.rest);
        level->mergeNode(std::move(leaf), false);
        walk.merge(*parent, std::move(level), false);
    }
    return 1;
}

int TemplateProcessor::delete_leaf(ConfigTree& tree, char* text) {
    static constexpr const char* kVerb = "delete_leaf";
    if (text == nullptr) {
        logLine(std::string(kVerb) + ": Could not find object at line " + std::to_string(lineNumber_));
        return 0;
    }
    const std::string target = text;
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Leaf, target,
                                   ": Unable to parse search template (", ": Could not find target (");
    if (!search.matched) return search.verdict;
    MatchWalk walk(std::move(search.found));
    while (Node* match = walk.next()) walk.pruneUp(match);
    return 1;
}
