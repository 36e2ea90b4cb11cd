// NAT and INAT rules: reading the old combined list, checking and ordering it, and writing the two
// new lists (see nat_rules.h).

#include "convert/nat_rules.h"

#include <string>

#include "conftree/search_template.h"
#include "convert/converter_output.h"
#include "convert/selection_order.h"
#include "convert/text_fields.h"
#include "template/template_processor.h"

namespace {

constexpr const char* kNatRuleTemplate = "rule_natrule_##";
constexpr const char* kCrLf = "\r\n";

// The text of an old address specification: the branch's first child is "range", holding the kind
// of specification (type), the second value (delimiter) and the first value (first leaf of start).
std::string addressSpecText(const Branch& range) {
    std::string type;
    std::string second;
    std::string first;
    for (const Node* child : range.children()) {
        if (child->name() == "type" && child->isLeaf()) {
            type = leafValue(child);
        } else if (child->name() == "delimiter" && child->isLeaf()) {
            second = leafValue(child);
        } else if (child->name() == "start" && child->isBranch()) {
            if (const Leaf* leaf = firstLeafChild(child)) first = leaf->value();
        }
    }
    std::string text = first;
    if (type == "range") {
        text += '-';
    } else if (type == "mask") {
        text += ':';
    }
    return text + second;
}

// The branch named "range" when it is the first child of node, else none.
const Branch* rangeOf(const Node* node) {
    const Node* first = firstChild(node);
    if (first == nullptr || first->name() != "range") return nullptr;
    return first->asBranch();
}

std::string rejectionMessage(const NatRule& rule) {
    std::string message = "Unable to convert NAT/INAT rule number " + std::to_string(rule.oldNumber) +
                          " - critical values missing or invalid" + kCrLf;
    message += "  globalAddr: " + (rule.global.empty() ? std::string("<blank>     This is illegal") : rule.global) + kCrLf;
    message += "  localAddr:  " + (rule.local.empty() ? std::string("<blank>    This is illegal") : rule.local) + kCrLf;
    message += "  ruleType:   " + (rule.ruleType.empty() ? std::string("<blank>    This is illegal") : rule.ruleType) + kCrLf;
    message += "  iface:      ";
    if (rule.network.empty()) {
        message += "<blank>    This is illegal";
    } else if (rule.network == "*") {
        message += "*    This is not a valid value";
    } else {
        message += rule.network;
    }
    message += kCrLf;
    if (rule.network == "*") message += std::string("NAT/INAT rules may not be bound to a \"*\" interface") + kCrLf;
    message += std::string("This rule was deleted.") + kCrLf;
    return message;
}

}  // namespace

void TemplateProcessor::parseNatRules(ConfigTree& oldTree) {
    const SearchTemplate rules = SearchTemplate::branch(kNatRuleTemplate);
    if (!rules.valid()) {
        logFault("parseNatRules", ": Unable to parse source template (", kNatRuleTemplate);
        return;
    }
    NodeList found;
    if (!rules.search(oldTree, found)) {
        logFault("parseNatRules", ": Search returned no data (", kNatRuleTemplate);
        return;
    }
    std::string port;
    natRules.reserve(natRules.size() + found.size());
    for (const Node* node : found) {
        const Branch* branch = node->asBranch();
        if (branch == nullptr) continue;
        NatRule rule;
        rule.oldNumber = decimalValue(branch->name());
        for (const Node* child : branch->children()) {
            const std::string& name = child->name();
            if (const Leaf* leaf = child->asLeaf()) {
                if (name == "protocols") rule.protocols = leaf->value();
            } else if (const Branch* range = rangeOf(child)) {
                const std::string text = addressSpecText(*range);
                std::string value;
                if (!(name == "remote" && text == "0.0.0.0:0.0.0.0")) value = convertAddr(text, port, std::string());
                if (name == "global") {
                    rule.global = value;
                } else if (name == "local") {
                    rule.local = value;
                } else if (name == "remote") {
                    rule.remote = value;
                }
            } else if (name == "network") {
                rule.network = leafValue(firstChild(child));
            } else if (name == "rule") {
                rule.ruleType = leafValue(firstChild(child));
            } else if (name == "port") {
                const Branch* portBranch = child->asBranch();
                rule.portStart = leafValue(portBranch->findLeaf("start"));
                rule.portEnd = leafValue(portBranch->findLeaf("end"));
            }
        }
        if (!rule.global.empty() && !rule.local.empty() && !rule.ruleType.empty() && !rule.network.empty() &&
            rule.network != "*") {
            natRules.push_back(std::move(rule));
            continue;
        }
        const std::string message = rejectionMessage(rule);
        logStream << "parseNatRules" << ": " << message << '\n';
        logStream.flush();
        warningsStream << message << '\n';
        warningsStream.flush();
    }
    selectionSortFrom(natRules, 0, [](const NatRule& rule) { return rule.oldNumber; });
}

void TemplateProcessor::saveNatRules(ConfigTree& tree) {
    int nat = 0;
    int inat = 0;
    for (const NatRule& rule : natRules) {
        if (rule.ruleType != kInatRuleType) {
            const std::string prefix = "rule_natrule_" + std::to_string(++nat);
            addSetting(*this, tree, prefix + "_global=" + rule.global);
            addSetting(*this, tree, prefix + "_local=" + rule.local);
            if (!rule.remote.empty()) addSetting(*this, tree, prefix + "_remote=" + rule.remote);
            addSetting(*this, tree, prefix + "_network-interface=" + rule.network);
            addSetting(*this, tree, prefix + "_port-start=" + rule.portStart);
            addSetting(*this, tree, prefix + "_port-end=" + rule.portEnd);
            addSetting(*this, tree, prefix + "_protocols=" + rule.protocols);
            addSetting(*this, tree, prefix + "_rule-type=" + rule.ruleType);
        } else {
            const std::string prefix = "rule_inatrule_" + std::to_string(++inat);
            addSetting(*this, tree, prefix + "_legal=" + rule.global);
            addSetting(*this, tree, prefix + "_illegal=" + rule.local);
            addSetting(*this, tree, prefix + "_network-interface=" + rule.network);
        }
    }
}
