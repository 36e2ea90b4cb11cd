// Proxy rules: reading, completing and ordering the old rules, and writing them renumbered
// (see proxy_rules.h).

#include "convert/proxy_rules.h"

#include <string>
#include <unordered_map>

#include "conftree/conftree.h"
#include "convert/converter_context.h"
#include "convert/groups.h"
#include "convert/node_values.h"
#include "convert/selection_order.h"
#include "convert/text_fields.h"
#include "convert/tree_search.h"

namespace {

constexpr const char* kProxyRuleTemplate = "rule_proxy_##";

ProxyRule readProxyRule(const Branch& branch) {
    ProxyRule rule;
    rule.oldNumber = decimalValue(branch.name());
    for (const Node* child : branch.children()) {
        // The log level is kept one level deeper (loglevel_number): its first child stands in for it.
        if (child->name() == "loglevel") {
            if (const Node* first = firstChild(child)) child = first;
        }
        const Leaf* leaf = child->asLeaf();
        if (leaf == nullptr) continue;
        const std::string& name = leaf->name();
        if (name == "action") {
            rule.action = leaf->value();
        } else if (name == "auth") {
            rule.auth = leaf->value();
        } else if (name == "dest") {
            rule.dest = leaf->value();
        } else if (name == "number") {
            rule.loglevelNumber = leaf->value();
        } else if (name == "rulelabel") {
            rule.rulelabel = leaf->value();
        } else if (name == "service") {
            rule.service = leaf->value();
        } else if (name == "src") {
            rule.src = leaf->value();
        } else if (name == "state") {
            rule.state = leaf->value();
        }
    }
    return rule;
}

}  // namespace

void ProxyRuleConverter::parse(ConverterContext& context, ConfigTree& oldTree, const GroupConverter& groups) {
    const TreeSearch search = searchTree(context, oldTree, "parseProxyRules", TemplateKind::Branch, kProxyRuleTemplate,
                                         ": Unable to parse source template (", ": Search returned no data (");
    if (!search.matched) return;
    const NodeList& found = search.found;

    // The first destination record of each service and the first service group of each object name,
    // as front-to-back scans of the lists would find them.
    std::unordered_map<std::string, const DestinationRecord*> recordByService;
    for (const DestinationRecord& record : groups.destinationRecords) recordByService.emplace(record.service, &record);
    std::unordered_map<std::string, const ServiceGroup*> groupByObject;
    for (const ServiceGroup& group : groups.serviceGroups) groupByObject.emplace(group.objectName, &group);

    rules.reserve(rules.size() + found.size());
    for (std::size_t position = 0; position < found.size(); ++position) {
        const Branch* branch = found[position]->asBranch();
        if (branch == nullptr) continue;
        ProxyRule rule = readProxyRule(*branch);
        rule.branchName = branch->name();
        linkValuesBeforeScript(rule, position);
        rule.authAsRead = rule.auth;

        if (rule.state.empty()) rule.state = "on";
        if (rule.loglevelNumber.empty()) rule.loglevelNumber = "1";
        if (rule.dest.empty()) {
            rule.destFilledIn = true;
            if (auto it = recordByService.find(rule.rulelabel); it != recordByService.end()) {
                rule.dest = it->second->groupName;
            } else {
                rule.dest = rule.rulelabel == "Mail" ? "destination_group_PermitAll" : "destination_group_DenyAll";
            }
        }
        if (auto it = groupByObject.find(rule.service); it != groupByObject.end()) {
            rule.auth = it->second->authObject;
        }

        if (rule.action.empty() || rule.dest.empty() || rule.rulelabel.empty() || rule.service.empty() ||
            rule.src.empty()) {
            context.logFault("parseProxyRules", ": Unable to convert rule - critical values missing (", "");
            context.logLine("  rulelabel: " + rule.rulelabel);
            context.logLine("  action:    " + rule.action);
            context.logLine("  src:       " + rule.src);
            context.logLine("  dest:      " + rule.dest);
            context.logLine("  service:   " + rule.service);
            dropped.push_back(std::move(rule));
            continue;
        }
        rules.push_back(std::move(rule));
    }
    notedByName_.clear();
    selectionSortFrom(rules, 0, [](const ProxyRule& rule) { return rule.oldNumber; });
}

void ProxyRuleConverter::noteValuesBeforeScript(ConfigTree& oldTree) {
    noted_.clear();
    notedRules_.clear();
    notedByName_.clear();
    const SearchTemplate pattern = SearchTemplate::branch(kProxyRuleTemplate);
    NodeList found;
    if (!pattern.search(oldTree, found)) return;
    notedRules_.reserve(found.size());
    for (const Node* node : found) {
        const Branch* branch = node->asBranch();
        if (branch == nullptr) continue;
        // The first leaf of each name, as a lookup by name finds it.
        const Leaf* src = nullptr;
        const Leaf* dest = nullptr;
        for (const Node* child : branch->children()) {
            const Leaf* leaf = child->asLeaf();
            if (leaf == nullptr) continue;
            if (src == nullptr && leaf->name() == "src") src = leaf;
            if (dest == nullptr && leaf->name() == "dest") dest = leaf;
        }
        NotedRule rule{};
        rule.name = noted_.size();
        noted_ += branch->name();
        rule.src = noted_.size();
        if (src != nullptr) noted_ += src->value();
        rule.dest = noted_.size();
        if (dest != nullptr) noted_ += dest->value();
        rule.end = noted_.size();
        notedRules_.push_back(rule);
    }
}

void ProxyRuleConverter::linkValuesBeforeScript(ProxyRule& rule, std::size_t position) {
    // The script usually leaves the rules where they are: the values noted at the same position are
    // the rule's. Only when it did not are they looked up by name.
    std::size_t index = notedRules_.size();
    if (position < notedRules_.size() &&
        notedText(notedRules_[position].name, notedRules_[position].src) == rule.branchName) {
        index = position;
    } else if (!notedRules_.empty()) {
        if (notedByName_.empty()) {
            for (std::size_t i = 0; i < notedRules_.size(); ++i) {
                notedByName_.try_emplace(notedText(notedRules_[i].name, notedRules_[i].src), i);
            }
        }
        if (auto found = notedByName_.find(rule.branchName); found != notedByName_.end()) index = found->second;
    }
    // A rule the script made or renamed has no noted values: its values as read are the oldest known.
    if (index == notedRules_.size() || notedRules_[index].taken) return;
    notedRules_[index].taken = true;
    rule.notedBeforeScript = static_cast<int>(index);
}

std::string_view ProxyRuleConverter::srcBeforeScript(const ProxyRule& rule) const {
    if (rule.notedBeforeScript < 0) return rule.src;
    const NotedRule& noted = notedRules_[static_cast<std::size_t>(rule.notedBeforeScript)];
    return notedText(noted.src, noted.dest);
}

std::string_view ProxyRuleConverter::destBeforeScript(const ProxyRule& rule) const {
    // A destination filled in was read as none.
    if (rule.notedBeforeScript < 0) return rule.destFilledIn ? std::string_view() : std::string_view(rule.dest);
    const NotedRule& noted = notedRules_[static_cast<std::size_t>(rule.notedBeforeScript)];
    return notedText(noted.dest, noted.end);
}

void ProxyRuleConverter::save(ConverterContext& context, ConfigTree& tree) {
    for (ProxyRule& rule : rules) {
        rule.writtenAs = ++written;
        const std::string prefix = "rule_proxy_" + std::to_string(rule.writtenAs);
        context.addSetting(tree, prefix + "_action=" + rule.action);
        context.addSetting(tree, prefix + "_auth=" + rule.auth);
        context.addSetting(tree, prefix + "_dest=" + rule.dest);
        context.addSetting(tree, prefix + "_loglevel_number=" + rule.loglevelNumber);
        context.addSetting(tree, prefix + "_rulelabel=" + rule.rulelabel);
        context.addSetting(tree, prefix + "_service=" + rule.service);
        context.addSetting(tree, prefix + "_src=" + rule.src);
        context.addSetting(tree, prefix + "_state=" + rule.state);
    }
}
