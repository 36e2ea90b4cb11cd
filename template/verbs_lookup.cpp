// Name/value lookup and translation verbs: moving information between the names and the values of
// settings (merge_name_value, replace_name_with_value, replace_value_with_name), resolving a value
// to the full name of what it refers to (object_lookup), replacing addresses by network address
// objects (address_convert) and expanding packed content-category masks (translate_cybermasks).
//
// Each verb finds its nodes with one search and works through the results in tree order; steps
// that can destroy nodes go through MatchWalk.
#include <array>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "conftree/branch.h"
#include "conftree/config_tree.h"
#include "conftree/leaf.h"
#include "conftree/parse.h"
#include "conftree/search_template.h"
#include "convert/tree_search.h"
#include "template/match_walk.h"
#include "template/template_processor.h"
#include "template/text_util.h"
#include "template/verb_arguments.h"

namespace {

// The first leaf child of branch whose name equals name ignoring letter case. A branch child of
// that name carries no value, so it does not count.
Leaf* findLeafIgnoringCase(const Branch& branch, std::string_view name) {
    for (Node* child : branch.children()) {
        if (child->isLeaf() && equalsIgnoreCase(child->name(), name)) return child->asLeaf();
    }
    return nullptr;
}

struct ContentCategory {
    const char* name;
    unsigned bit;
};

// The content categories of a packed mask, in the order their settings are written. Bits 0x2000
// and 0x4000 carry no category.
constexpr std::array<ContentCategory, 14> kContentCategories{{
    {"CYBERVIOLENCE", 0x0001},
    {"CYBERPARTNUDITY", 0x0002},
    {"CYBERFULLNUDITY", 0x0004},
    {"CYBERSEXUALTEXT", 0x0008},
    {"CYBERGROSSDEPICT", 0x0010},
    {"CYBERINTOLERANCE", 0x0020},
    {"CYBERSATANICCULT", 0x0040},
    {"CYBERDRUGCULTURE", 0x0080},
    {"CYBERMILLITANTEXTREMIST", 0x0100},
    {"CYBERSEXEDUCATION", 0x0200},
    {"CYBERGAMBLINGILLEGAL", 0x0400},
    {"CYBERALCOHOLTOBACCO", 0x0800},
    {"CYBERSPORTSLEISURE", 0x1000},
    {"CYBERSEARCHENGINES", 0x8000},
}};

// A mask written as four hexadecimal digits: read as "0x" + digits with automatic base, stopping at
// the first character that is not a hexadecimal digit (0 when the first one is not).
unsigned long readMask(const std::string& digits) {
    const std::string text = "0x" + digits;
    return static_cast<unsigned long>(std::strtol(text.c_str(), nullptr, 0));
}

// The eight digits of a packed mask: four for work time, then four for leisure time. Values are
// canonicalised when a configuration is loaded, so a mask written with leading zeros and only
// decimal digits ('00018001') arrives without them ('18001'), and cutting that text would read the
// work-time digits from the wrong place. Such a value gets its zeros back; any other value (hex
// letters, eight or more characters) is used as it is.
std::string packedMaskDigits(const std::string& value) {
    constexpr std::size_t kMaskDigits = 8;
    if (value.empty() || value.size() >= kMaskDigits) return value;
    for (char c : value) {
        if (c < '0' || c > '9') return value;
    }
    return std::string(kMaskDigits - value.size(), '0') + value;
}

// One branch of on/off settings, a leaf per category, for a mask.
std::unique_ptr<Branch> categoryBranch(const char* name, unsigned long mask) {
    auto branch = std::make_unique<Branch>(name);
    for (const ContentCategory& category : kContentCategories) {
        branch->mergeNode(std::make_unique<Leaf>(category.name, (mask & category.bit) ? "on" : "off"), true);
    }
    return branch;
}

}  // namespace

int TemplateProcessor::merge_name_value(ConfigTree& tree, char* text) {
    static constexpr const char* kVerb = "merge_name_value";
    const VerbArguments args = splitArguments(text);
    if (!args.first || !args.rest) {
        logFault(kVerb, ": Could not find templates (", args.whole);
        return 0;
    }
    const std::string& destination = *args.rest;
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Branch, *args.first,
                                   ": Unable to parse search template (", ": Search returned no data (");
    if (!search.matched) return search.verdict;

    MatchWalk walk(std::move(search.found));
    while (Node* match = walk.next()) {
        Branch* branch = match->asBranch();
        if (branch == nullptr) continue;
        if (branch->children().size() < 2) {
            logFault(kVerb, ": too small for name/value pair (", branchPathText(*branch));
            continue;
        }
        Leaf* nameLeaf = findLeafIgnoringCase(*branch, "name");
        if (nameLeaf == nullptr) {
            logFault(kVerb, ": Name leaf missing from branch (", branchPathText(*branch));
            continue;
        }
        Leaf* valueLeaf = findLeafIgnoringCase(*branch, "value");
        if (valueLeaf == nullptr) {
            logFault(kVerb, ": Value leaf missing from branch (", branchPathText(*branch));
            continue;
        }
        if (!usableAsSettingName(nameLeaf->value())) {
            // Written out, the name would cut the setting line in the wrong place; the pair stays.
            logFault(kVerb, ": Name value cannot be a setting name (", branchPathText(*branch));
            continue;
        }
        Branch* destinationBottom = nullptr;
        std::unique_ptr<Branch> chain = parseName(destination, &destinationBottom);
        if (!chain) {
            logFault(kVerb, ": Unable to parse dest template (", destination);
            return 0;
        }
        destinationBottom->children().append(std::make_unique<Leaf>(nameLeaf->value(), valueLeaf->value()));
        fillWildCardFromTop(chain.get(), search.pattern.bottom(), branch);
        // Merging with overwrite destroys only incoming nodes: the branch and its two leaves stay.
        walk.merge(tree, std::move(chain), true);
        walk.destroy(nameLeaf);
        walk.destroy(valueLeaf);
        if (branch->children().empty()) walk.pruneUp(branch);
    }
    return 1;
}

int TemplateProcessor::replace_name_with_value(ConfigTree& tree, char* text) {
    static constexpr const char* kVerb = "replace_name_with_value";
    const VerbArguments args = splitArguments(text);
    if (!args.first) {
        logFault(kVerb, ": Could not find source template or new leafname(", args.whole);
        return 0;
    }
    std::string component = "**";
    if (args.rest) {
        const VerbArguments more = splitArguments(args.rest->c_str());
        if (more.first) component = *more.first;
    }
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Leaf, *args.first,
                                   ": Unable to parse search template (", ": Could not find target (");
    if (!search.matched) return search.verdict;
    for (Node* match : search.found) {
        const Leaf* leaf = match->asLeaf();
        if (leaf == nullptr) continue;
        const Node* t = search.pattern.bottom();
        Node* n = match;
        for (; t != nullptr && n != nullptr; t = t->parent(), n = n->parent()) {
            if (t->name() == component) {
                if (usableAsSettingName(leaf->value())) {
                    n->setName(leaf->value());
                } else {
                    // Written out, the name would cut the setting line in the wrong place.
                    logFault(kVerb, ": Value cannot be a setting name (", leaf->value());
                }
                break;
            }
        }
    }
    return 1;
}

int TemplateProcessor::replace_value_with_name(ConfigTree& tree, char* text) {
    static constexpr const char* kVerb = "replace_value_with_name";
    if (text == nullptr) {
        logLine(std::string(kVerb) + ": Could not find search template (" + std::to_string(lineNumber_) + ")");
        return 0;
    }
    const std::string target = text;
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Leaf, target,
                                   ": Unable to parse search template (", ": Could not find target (");
    if (!search.matched) return search.verdict;
    for (Node* match : search.found) {
        Leaf* leaf = match->asLeaf();
        if (leaf == nullptr) continue;
        const Node* t = search.pattern.bottom();
        const Node* n = match;
        for (; t != nullptr && n != nullptr; t = t->parent(), n = n->parent()) {
            if (isWildcard(t->name())) {
                leaf->setValue(n->name());
                break;
            }
        }
    }
    return 1;
}

int TemplateProcessor::object_lookup(ConfigTree& tree, char* text) {
    static constexpr const char* kVerb = "object_lookup";
    const VerbArguments args = splitArguments(text);
    if (!args.first || !args.rest) {
        logFault(kVerb, ": Could not find templates (", args.whole);
        return 0;
    }
    const std::string& prefix = *args.rest;
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Leaf, *args.first,
                                   ": Unable to parse leaf template (", ": Search returned no data (");
    if (!search.matched) return search.verdict;
    // Only values change: every node found stays where it is.
    for (Node* match : search.found) {
        Leaf* leaf = match->asLeaf();
        if (leaf == nullptr) continue;
        const std::string lookupText = prefix + "_" + leaf->value();
        const TreeSearch lookup = searchTree(*this, tree, kVerb, TemplateKind::Branch, lookupText,
                                             ": Unable to parse search template (", ": Search returned no data (");
        if (!lookup.matched) continue;
        leaf->setValue(fullNodeName(*lookup.found.front()));
    }
    return 1;
}

int TemplateProcessor::address_convert(ConfigTree& tree, char* text) {
    static constexpr const char* kVerb = "address_convert";
    const VerbArguments args = splitArguments(text);
    if (!args.first) {
        logFault(kVerb, ": Could not find objects (", args.whole);
        return 0;
    }
    std::optional<std::string> destination;
    std::optional<std::string> descriptionName;
    if (args.rest) {
        const VerbArguments more = splitArguments(args.rest->c_str());
        destination = more.first;
        if (more.rest) descriptionName = splitArguments(more.rest->c_str()).first;
    }
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Leaf, *args.first,
                                   ": Unable to parse search template(", ": Could not find address (");
    if (!search.matched) return search.verdict;

    MatchWalk walk(std::move(search.found));
    while (Node* match = walk.next()) {
        const Leaf* address = match->asLeaf();
        if (address == nullptr) continue;
        std::string description;
        if (descriptionName && address->parent() != nullptr) {
            if (const Leaf* sibling = address->parent()->findLeaf(*descriptionName)) description = sibling->value();
        }
        std::string port;
        // Registers the object for the network object list even when nothing is written here.
        const std::string objectName = netObjects_.convertAddr(address->value(), port, description);
        if (!destination || objectName.empty()) continue;

        Leaf* destinationLeaf = nullptr;
        std::unique_ptr<Node> chain = parseLine(*destination, 0, &destinationLeaf);
        if (!chain) {
            logFault(kVerb, ": Unable to parse dest item (", *destination);
            return 0;
        }
        fillWildCardFromTop(chain.get(), search.pattern.bottom(), match);
        std::unique_ptr<Leaf> portLeaf;
        if (!port.empty()) {
            portLeaf = std::make_unique<Leaf>("PORT", port);
            if (Branch* beside = destinationLeaf->parent()) beside->mergeNode(std::move(portLeaf), true);
        }
        destinationLeaf->setValue(objectName);
        walk.merge(tree, std::move(chain), true);
        // A destination without a path sits directly below the tree root; so does its port.
        if (portLeaf) walk.merge(tree, std::move(portLeaf), true);
    }
    return 1;
}

int TemplateProcessor::translate_cybermasks(ConfigTree& tree, char* text) {
    static constexpr const char* kVerb = "translate_cybermasks";
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
        const Leaf* leaf = match->asLeaf();
        Branch* parent = match->parent();
        if (leaf == nullptr || parent == nullptr) continue;
        const std::string value = packedMaskDigits(leaf->value());
        const std::string workDigits = value.substr(0, 4);
        const std::string leisureDigits = value.size() < 4 ? value : value.substr(value.size() - 4);
        auto worktime = categoryBranch("worktime", readMask(workDigits));
        auto leisure = categoryBranch("leisure", readMask(leisureDigits));
        walk.merge(*parent, std::move(worktime), true);
        walk.merge(*parent, std::move(leisure), true);
    }
    return 1;
}
