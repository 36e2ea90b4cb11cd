// NAT and INAT rules: reading the old combined list, checking and ordering it, and writing the two
// new lists (see nat_rules.h).

#include "convert/nat_rules.h"

#include <string>
#include <utility>

#include "conftree/conftree.h"
#include "convert/converter_context.h"
#include "convert/netobjects.h"
#include "convert/node_values.h"
#include "convert/selection_order.h"
#include "convert/text_fields.h"
#include "convert/tree_search.h"

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
    message +=
        "  globalAddr: " + (rule.global.empty() ? std::string("<blank>     This is illegal") : rule.global) + kCrLf;
    message += "  localAddr:  " + (rule.local.empty() ? std::string("<blank>    This is illegal") : rule.local) + kCrLf;
    message +=
        "  ruleType:   " + (rule.ruleType.empty() ? std::string("<blank>    This is illegal") : rule.ruleType) + kCrLf;
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

void NatRuleConverter::parse(ConverterContext& context, ConfigTree& oldTree, NetObjectList& objects) {
    const TreeSearch search = searchTree(context, oldTree, "parseNatRules", TemplateKind::Branch, kNatRuleTemplate,
                                         ": Unable to parse source template (", ": Search returned no data (");
    if (!search.matched) return;
    std::string port;
    rules.reserve(rules.size() + search.found.size());
    for (const Node* node : search.found) {
        const Branch* branch = node->asBranch();
        if (branch == nullptr) continue;
        NatRule rule;
        rule.oldNumber = decimalValue(branch->name());
        rule.branchName = branch->name();
        for (const Node* child : branch->children()) {
            const std::string& name = child->name();
            if (const Leaf* leaf = child->asLeaf()) {
                if (name == "protocols") rule.protocols = leaf->value();
            } else if (const Branch* range = rangeOf(child)) {
                std::string text = addressSpecText(*range);
                std::string value;
                if (!(name == "remote" && text == "0.0.0.0:0.0.0.0")) {
                    value = objects.convertAddr(text, port, std::string());
                }
                if (name == "global") {
                    rule.global = value;
                    rule.globalText = std::move(text);
                } else if (name == "local") {
                    rule.local = value;
                    rule.localText = std::move(text);
                } else if (name == "remote") {
                    rule.remote = value;
                    rule.remoteText = std::move(text);
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
        rule.networkAsRead = rule.network;
        if (!rule.global.empty() && !rule.local.empty() && !rule.ruleType.empty() && !rule.network.empty() &&
            rule.network != "*") {
            rules.push_back(std::move(rule));
            continue;
        }
        const std::string message = rejectionMessage(rule);
        context.logLine("parseNatRules: " + message);
        context.logWarning(message);
        dropped.push_back(std::move(rule));
    }
    selectionSortFrom(rules, 0, [](const NatRule& rule) { return rule.oldNumber; });
}

void NatRuleConverter::save(ConverterContext& context, ConfigTree& tree) {
    int nat = 0;
    int inat = 0;
    for (NatRule& rule : rules) {
        if (rule.ruleType != kInatRuleType) {
            rule.writtenAs = ++nat;
            const std::string prefix = "rule_natrule_" + std::to_string(nat);
            context.addSetting(tree, prefix + "_global=" + rule.global);
            context.addSetting(tree, prefix + "_local=" + rule.local);
            if (!rule.remote.empty()) context.addSetting(tree, prefix + "_remote=" + rule.remote);
            context.addSetting(tree, prefix + "_network-interface=" + rule.network);
            context.addSetting(tree, prefix + "_port-start=" + rule.portStart);
            context.addSetting(tree, prefix + "_port-end=" + rule.portEnd);
            context.addSetting(tree, prefix + "_protocols=" + rule.protocols);
            context.addSetting(tree, prefix + "_rule-type=" + rule.ruleType);
        } else {
            rule.writtenAs = ++inat;
            const std::string prefix = "rule_inatrule_" + std::to_string(inat);
            context.addSetting(tree, prefix + "_legal=" + rule.global);
            context.addSetting(tree, prefix + "_illegal=" + rule.local);
            context.addSetting(tree, prefix + "_network-interface=" + rule.network);
        }
    }
}
