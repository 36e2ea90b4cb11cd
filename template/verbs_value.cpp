// Value editing verbs: change_value sets the value of every setting a template finds, edit_leaf
// applies one of the named text operations of edit_operations.h to each of them.
//
// The matches of one line are edited one after the other in the tree's order. Only do_x400_thang
// takes nodes out of the tree, and only the match it is working on; the other matches stay alive
// until the line is done, so make_legal may look at all of them.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "conftree/conftree.h"
#include "convert/tree_search.h"
#include "template/edit_operations.h"
#include "template/template_processor.h"

namespace {

std::string_view textOrEmpty(const char* text) { return text ? std::string_view(text) : std::string_view(); }

// make_legal: the value becomes its legal form, numbered "-1", "-2", ... past any value that one of
// the line's matches holds already.
//
// Only values in legal form can be taken: the candidates are all in legal form. A value in legal
// form is never changed again by make_legal, so a candidate once taken stays taken. The legal
// values are kept in a set, and for each legal form the first number not yet known to be taken, so
// that a run of equal values costs one look-up each instead of a walk through all the matches and
// all the numbers used so far.
class LegalNames {
public:
    explicit LegalNames(const NodeList& matches) {
        held_.reserve(2 * matches.size());
        for (const Node* node : matches) {
            const Leaf* leaf = node != nullptr ? node->asLeaf() : nullptr;
            if (leaf != nullptr && legalName(leaf->value()) == leaf->value()) held_.insert(leaf->value());
        }
    }

    void makeLegal(Leaf& leaf) {
        const std::string legal = legalName(leaf.value());
        if (legal == leaf.value()) return;
        long& next = nextNumber_[legal];
        std::string candidate = next == 0 ? legal : legal + "-" + std::to_string(next);
        while (held_.contains(candidate)) candidate = legal + "-" + std::to_string(++next);
        ++next;
        held_.insert(candidate);
        leaf.setValue(std::move(candidate));
    }

private:
    std::unordered_set<std::string> held_;
    std::unordered_map<std::string, long> nextNumber_;
};

}  // namespace

int TemplateProcessor::change_value(ConfigTree& tree, char* text) {
    static constexpr std::string_view kVerb = "change_value";
    const std::string whole(textOrEmpty(text));
    char* templateText = nullptr;
    char* newValue = nullptr;
    if (!splitVerb(text, templateText, newValue) || newValue == nullptr) {
        logFault(kVerb, ": Could not find objects (", whole);
        return 0;
    }
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Leaf, templateText,
                                   ": Could not parse search template (", ": Could not find target (");
    if (!search.matched) return search.verdict;
    for (Node* node : search.found) {
        if (Leaf* leaf = node->asLeaf()) leaf->setValue(newValue);
    }
    return 1;
}

// do_x400_thang for one match: the setting moves to its name below "def_proxy_X400_"; a "gdi" value
// is also split into its three parts beside it. False after the fault that stops the verb.
static bool convertX400Setting(TemplateProcessor& processor, ConfigTree& tree, Leaf& leaf) {
    const std::optional<std::string> newName = x400SettingName(leaf.name());
    if (!newName) return true;
    const std::string setting = *newName + "=" + leaf.value();
    Leaf* newLeaf = nullptr;
    std::unique_ptr<Node> chain = parseLine(setting, 0, &newLeaf);
    if (chain == nullptr || newLeaf == nullptr) {
        processor.logFault("edit_leaf", ": Unable to parse new X400 entry (", setting);
        return false;
    }
    if (newLeaf->name() == "gdi") {
        const X400Gdi gdi = splitX400Gdi(newLeaf->value());
        for (int i = 0; i < gdi.unrecognized; ++i) {
            processor.logFault("edit_leaf", ": Unrecognized X400 gdi string (", newLeaf->value());
        }
        if (Branch* branch = newLeaf->parent()) {
            branch->mergeNode(std::make_unique<Leaf>("gdi-a", gdi.a), false);
            branch->mergeNode(std::make_unique<Leaf>("gdi-c", gdi.c), false);
            branch->mergeNode(std::make_unique<Leaf>("gdi-p", gdi.p), false);
        }
    }
    // The old setting leaves the tree before the new one goes in, so that the merge can never land
    // on it; its branch stays even when it is left empty.
    const std::unique_ptr<Node> old = leaf.detach();
    tree.mergeNode(std::move(chain), true);
    return true;
}

int TemplateProcessor::edit_leaf(ConfigTree& tree, char* text) {
    static constexpr std::string_view kVerb = "edit_leaf";
    char* templateText = nullptr;
    char* rest = nullptr;
    char* operationWord = nullptr;
    char* operand = nullptr;
    splitVerb(text, templateText, rest);
    splitVerb(rest, operationWord, operand);
    if (templateText == nullptr || operationWord == nullptr || operand == nullptr) {
        logFault(kVerb, ": Could not find 3 parameters (", textOrEmpty(templateText));
        return 0;
    }
    const SearchTemplate pattern = SearchTemplate::leaf(templateText);
    if (!pattern.valid()) {
        logFault(kVerb, ": Unable to parse search template (", templateText);
        return 0;
    }
    const std::optional<EditOperation> operation = findEditOperation(operationWord);
    if (!operation) {
        logFault(kVerb, ": Unable to match operation type (", operationWord);
        return 0;
    }
    EditContext context;
    if (*operation == EditOperation::Max || *operation == EditOperation::Min) {
        context.limit = editLimit(operand);
    }
    NodeList matches;
    if (!pattern.search(tree, matches)) {
        logFault(kVerb, ": Could not find target (", templateText);
        return 1;
    }
    std::optional<LegalNames> legalNames;
    if (*operation == EditOperation::MakeLegal) legalNames.emplace(matches);
    for (std::size_t i = 0; i < matches.size(); ++i) {
        Leaf* leaf = matches[i]->asLeaf();
        if (leaf == nullptr) continue;  // a leaf template finds only leaves
        switch (*operation) {
        case EditOperation::DoX400Thang:
            if (!convertX400Setting(*this, tree, *leaf)) return 0;
            // The converted match is gone; nothing below may look at it again.
            matches[i] = nullptr;
            break;
        case EditOperation::MakeLegal:
            legalNames->makeLegal(*leaf);
            break;
        default: {
            // Edited on a copy and set back, so that the change is counted among the line's edits.
            context.leafName = leaf->name();
            context.index = i;
            std::string value = leaf->value();
            applyValueOperation(*operation, value, operand, context);
            if (value != leaf->value()) leaf->setValue(std::move(value));
        }
        }
    }
    return 1;
}
