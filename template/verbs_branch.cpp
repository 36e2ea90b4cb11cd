// Branch verbs: add to, delete, rename, insert, join, renumber and dissolve branches, and turn a
// list value into one setting per word.
//
// Each verb finds its branches (or settings) with one search and works through the results in tree
// order. Every step that can destroy nodes goes through MatchWalk, so a result that an earlier step
// destroyed is never touched.
#include <climits>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "conftree/branch.h"
#include "conftree/config_tree.h"
#include "conftree/leaf.h"
#include "conftree/parse.h"
#include "conftree/search_template.h"
#include "convert/tree_search.h"
#include "template/match_walk.h"
#include "template/template_processor.h"
#include "template/verb_arguments.h"

int TemplateProcessor::add_to_branch(ConfigTree& tree, char* text) {
    static constexpr const char* kVerb = "add_to_branch";
    const VerbArguments args = splitArguments(text);
    if (!args.first || !args.rest) {
        logFault(kVerb, ": Could not find objects (", args.whole);
        return 0;
    }
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Branch, *args.first,
                                   ": Unable to parse search template (", ": Search returned no data (");
    ScriptLine line;
    if (!search.matched) {
        // The item lines belong to this verb even when the search finds nowhere to put them (a
        // template that does not parse leaves them to the script, as it always has).
        if (search.verdict != 0) {
            while (readScriptLine(line) && !trimmedText(line.data()).empty()) {
            }
        }
        return search.verdict;
    }

    std::vector<std::unique_ptr<Node>> items;
    std::string itemText = *args.rest;
    for (;;) {
        std::unique_ptr<Node> item = parseLine(itemText, 0);
        if (!item) {
            logFault(kVerb, ": Unable to parse add item (", itemText);
            return 0;
        }
        items.push_back(std::move(item));
        if (!readScriptLine(line)) break;  // the end of the script ends the list
        itemText = trimmedText(line.data());
        if (itemText.empty()) break;
    }

    // Copies are merged with overwrite, which destroys only the incoming copies.
    for (Node* match : search.found) {
        Branch* branch = match->asBranch();
        if (branch == nullptr) continue;
        for (const auto& item : items) branch->mergeNode(item->clone(), true);
    }
    return 1;
}

int TemplateProcessor::delete_branch(ConfigTree& tree, char* text) {
    static constexpr const char* kVerb = "delete_branch";
    if (text == nullptr) {
        logLine(std::string(kVerb) + ": Could not find object at line " + std::to_string(lineNumber_));
        return 0;
    }
    const std::string target = text;
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Branch, target,
                                   ": Unable to parse search template (", ": Could not find target (");
    if (!search.matched) return search.verdict;
    MatchWalk walk(std::move(search.found));
    while (Node* match = walk.next()) walk.pruneUp(match);
    return 1;
}

int TemplateProcessor::rename_branch(ConfigTree& tree, char* text) {
    static constexpr const char* kVerb = "rename_branch";
    const VerbArguments args = splitArguments(text);
    if (!args.first || !args.rest) {
        logFault(kVerb, ": Could not find search template or branch name(", args.whole);
        return 0;
    }
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Branch, *args.first,
                                   ": Unable to parse source template (", ": Search returned no data (");
    if (!search.matched) return search.verdict;
    for (Node* match : search.found) match->setName(*args.rest);
    return 1;
}

int TemplateProcessor::insert_branch(ConfigTree& tree, char* text) {
    static constexpr const char* kVerb = "insert_branch";
    const VerbArguments args = splitArguments(text);
    if (!args.first || !args.rest) {
        logFault(kVerb, ": Could not find templates (", args.whole);
        return 0;
    }
    const std::string& t1 = *args.first;
    const std::string& t2 = *args.rest;
    SearchTemplate shorter = SearchTemplate::leaf(t1);
    SearchTemplate longer;
    if (shorter.valid()) {
        longer = SearchTemplate::leaf(t2);
        if (!longer.valid()) {
            logFault(kVerb, ": Template type mismatch (", t1 + " and " + t2);
            return 0;
        }
    } else {
        shorter = SearchTemplate::branch(t1);
        longer = SearchTemplate::branch(t2);
        if (!shorter.valid() || !longer.valid()) {
            logFault(kVerb, ": Unable to parse templates (", t1 + " and " + t2);
            return 0;
        }
    }
    NodeList found;
    if (!shorter.search(tree, found)) {
        logFault(kVerb, ": Search returned no data (", t1);
        return 1;
    }

    MatchWalk walk(std::move(found));
    while (Node* match = walk.next()) {
        // Walk up the match and both templates in step while the longer template's next level up
        // still fits the tree; the first level that does not fit is the one to insert.
        const Node* a = shorter.bottom();
        const Node* b = longer.bottom();
        Node* n = match;
        while (a != nullptr && b != nullptr && n != nullptr) {
            const Branch* levelAbove = b->parent();
            Branch* parent = n->parent();
            // No component of the longer template left to name a new level, or nothing above the
            // tree root: the path already has every level, nothing to insert for this match.
            if (levelAbove == nullptr || parent == nullptr) break;
            if (parent->matches(*levelAbove)) {
                a = a->parent();
                b = levelAbove;
                n = parent;
                continue;
            }
            auto level = std::make_unique<Branch>(levelAbove->name());
            level->mergeNode(parent->removeChild(n), false);
            // Joining the new level into an existing branch of its name can destroy moved nodes
            // that are still waiting in the results.
            walk.merge(*parent, std::move(level), false);
            break;
        }
    }
    return 1;
}

int TemplateProcessor::join_branches(ConfigTree& tree, char* text) {
    static constexpr const char* kVerb = "join_branches";
    const VerbArguments args = splitArguments(text);
    if (!args.first || !args.rest) {
        logFault(kVerb, ": Could not branch templates (", args.whole);
        return 0;
    }
    const std::string& source = *args.first;
    const std::string& destination = *args.rest;
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Branch, source,
                                   ": Unable to parse source branch (", ": Search returned no data (");
    if (!search.matched) return search.verdict;
    Branch* destinationBottom = nullptr;
    std::unique_ptr<Branch> destinationChain = parseName(destination, &destinationBottom);
    if (!destinationChain) {
        logFault(kVerb, ": Unable to parse dest branch (", destination);
        return 0;
    }

    MatchWalk walk(std::move(search.found));
    while (Node* match = walk.next()) {
        Branch* sourceBranch = match->asBranch();
        if (sourceBranch == nullptr) continue;
        // Every match gets a chain of its own: the one merged for the previous match now belongs
        // to the tree.
        if (!destinationChain) destinationChain = parseName(destination, &destinationBottom);
        for (auto& child : sourceBranch->children().takeAll()) destinationBottom->children().append(std::move(child));
        walk.pruneUp(sourceBranch);
        walk.merge(tree, std::move(destinationChain), false);
    }
    return 1;
}

int TemplateProcessor::renumber_branches(ConfigTree& tree, char* text) {
    static constexpr const char* kVerb = "renumber_branches";
    const VerbArguments args = splitArguments(text);
    if (!args.first) {
        logFault(kVerb, ": Could not find search template (", args.whole);
        return 0;
    }
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Branch, *args.first,
                                   ": Unable to parse source template (", ": Search returned no data (");
    if (!search.matched) return search.verdict;
    for (Node* match : search.found) {
        Branch* branch = match->asBranch();
        if (branch == nullptr) continue;
        long counter = 1;
        const ChildList& children = branch->children();
        for (std::size_t i = 0; i < children.size(); ++i) {
            Node* child = children[i];
            if (namesMatch("##", child->name(), false)) child->setName(std::to_string(counter++));
        }
    }
    return 1;
}

int TemplateProcessor::merge_unique_num_branch(ConfigTree& tree, char* text) {
    static constexpr const char* kVerb = "merge_unique_num_branch";
    const VerbArguments args = splitArguments(text);
    if (!args.first) {
        logFault(kVerb, ": Could not find templates (", args.whole);
        return 0;
    }
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Branch, *args.first,
                                   ": Unable to parse search template (", ": Search returned no data (");
    if (!search.matched) return search.verdict;

    // The numbers among each parent's children, gathered when the parent is first met (its numeric
    // names lose their leading zeros then) and kept up to date as children come and go, so that
    // the highest is at hand for every match. Only this verb changes the children meanwhile: it
    // appends the dissolved branch's children and destroys the dissolved branch. All matches lie at
    // one depth, so no match is the parent of another.
    std::unordered_map<const Branch*, std::multiset<long>> numbersByParent;
    auto numberOf = [](const Node& node) {
        std::string name = node.name();
        return canonicalNumber(name);
    };
    MatchWalk walk(std::move(search.found));
    while (Node* match = walk.next()) {
        Branch* dissolved = match->asBranch();
        Branch* parent = match->parent();
        if (dissolved == nullptr || parent == nullptr) continue;
        auto [known, fresh] = numbersByParent.try_emplace(parent);
        std::multiset<long>& numbers = known->second;
        if (fresh) {
            for (Node* sibling : parent->children()) {
                std::string name = sibling->name();
                const long number = canonicalNumber(name);
                if (name != sibling->name()) sibling->setName(std::move(name));
                if (number >= 0) numbers.insert(number);
            }
        }
        // The highest number among the parent's children; -1 when there is none.
        long highest = numbers.empty() ? -1 : *numbers.rbegin();
        const long needed = static_cast<long>(dissolved->children().size());
        if (highest > LONG_MAX - needed) {
            // No fresh numbers left above the highest one: the branch stays as it is.
            logFault(kVerb, ": No free numbers above the highest child (", branchPathText(*dissolved));
            continue;
        }
        for (auto& child : dissolved->children().takeAll()) {
            highest = highest == -1 ? 1 : highest + 1;
            child->setName(std::to_string(highest));
            parent->children().append(std::move(child));
            numbers.insert(highest);
        }
        const long own = numberOf(*dissolved);
        if (auto mine = numbers.find(own); mine != numbers.end()) numbers.erase(mine);
        walk.destroy(dissolved);
    }
    return 1;
}

int TemplateProcessor::tokenize_leaf2branches(ConfigTree& tree, char* text) {
    static constexpr const char* kVerb = "tokenize_leaf2branches";
    const VerbArguments args = splitArguments(text);
    if (!args.first || !args.rest) {
        logFault(kVerb, ": Could not find source or destination template (", args.whole);
        return 0;
    }
    const std::string& destination = *args.rest;
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Leaf, *args.first,
                                   ": Unable to parse source template (", ": Search returned no data (");
    if (!search.matched) return search.verdict;

    MatchWalk walk(std::move(search.found));
    while (Node* match = walk.next()) {
        const Leaf* source = match->asLeaf();
        if (source == nullptr) continue;
        Branch* destinationBottom = nullptr;
        std::unique_ptr<Branch> chain = parseName(destination, &destinationBottom);
        if (!chain) {
            logFault(kVerb, ": Unable to parse destination template (", destination);
            return 0;
        }
        std::string rest = source->value();
        while (!rest.empty()) {
            const std::size_t end = rest.find_first_of(" \t");
            const std::string token = rest.substr(0, end);
            if (usableAsSettingName(token)) {
                destinationBottom->mergeNode(std::make_unique<Leaf>(token, source->name()), true);
            } else {
                // Written out, the word would cut the setting line in the wrong place; the source
                // setting keeps it.
                logFault(kVerb, ": Word cannot be a setting name (", token);
            }
            rest.erase(0, end == std::string::npos ? rest.size() : end + 1);
        }
        fillWildCardFromTop(chain.get(), search.pattern.bottom(), match);
        walk.merge(tree, std::move(chain), true);
    }
    return 1;
}
