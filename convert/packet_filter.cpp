// Packet filter rules: reading old edit lines and new-style rules, and writing both directions
// renumbered (see packet_filter.h).

#include "convert/packet_filter.h"

#include <string>

#include "conftree/search_template.h"
#include "convert/converter_output.h"
#include "convert/netobjects.h"
#include "convert/selection_order.h"
#include "convert/text_fields.h"
#include "template/template_processor.h"

namespace {

const PfDirection& directionOf(bool forward) { return forward ? kPfForward : kPfLocal; }

// The option text after the protocol's ':' holds up to three conditions, each an optional '!', a
// value up to the next ':' and, between conditions, a connective '&' or '|'. The options are used in
// groups of three: negation, value, connective (opt1..opt3, opt4..opt6, opt7 and opt8).
void readOptions(std::string text, PfService& service) {
    service.options.fill(std::string());
    for (int condition = 0; condition < 3; ++condition) {
        const int base = condition * 3;
        if (!text.empty() && text.front() == '!') {
            service.options[base] = "!";
            text.erase(0, 1);
        }
        service.options[base + 1] = takeUpTo(text, ':');
        if (condition == 2 || text.empty()) break;
        if (text.front() == '&' || text.front() == '|') {
            service.options[base + 2] = std::string(1, text.front());
            text.erase(0, 1);
        }
    }
}

// The option slot (0..7) named by a leaf "opt1".."opt8"; -1 for any other name beginning with
// "opt" ("opt9", "opt01", "options"): a service has exactly eight slots.
int optionSlot(const std::string& name) {
    if (name.size() != 4 || name.compare(0, 3, "opt") != 0) return -1;
    const char digit = name[3];
    return digit >= '1' && digit <= '8' ? digit - '1' : -1;
}

}  // namespace

void TemplateProcessor::parse5xStylePF(ConfigTree& tree, const char* editTemplate,
                                       std::vector<PfService>& services, std::vector<PfRule>& rules,
                                       bool forward) {
    const PfDirection& direction = directionOf(forward);
    const SearchTemplate lines = SearchTemplate::leaf(editTemplate);
    if (!lines.valid()) {
        logFault("parse5xStylePF", ": Unable to parse source template (", editTemplate);
        return;
    }
    NodeList found;
    if (!lines.search(tree, found)) {
        logFault("parse5xStylePF", ": Search returned no data (", editTemplate);
        return;
    }
    services.reserve(services.size() + found.size());
    rules.reserve(rules.size() + found.size());
    for (const Node* node : found) {
        const Leaf* leaf = node->asLeaf();
        if (leaf == nullptr) continue;
        std::string work = leaf->value();
        PfService service;
        PfRule rule;

        const std::string& ownName = leaf->name();
        rule.oldRuleNumber = decimalValue(ownName.size() > 4 ? std::string_view(ownName).substr(4) : std::string_view());
        rule.type = takeUpTo(work, '+');
        if (rule.type == "FilterAll-FSA") {
            rule.type = "Fwd+Reply";
        } else if (forward && rule.type == "Permit") {
            rule.type = "Fwd";
        }
        rule.state = "on";
        service.interface = takeUpTo(work, '+');
        service.proto = takeUpTo(work, '+');
        if (const std::size_t colon = service.proto.find(':'); colon != std::string::npos) {
            service.hasOptions = true;
            const std::string options = service.proto.substr(colon + 1);
            service.proto.erase(colon);
            readOptions(options, service);
        }
        service.srcport1 = takeUpTo(work, '-');
        service.srcport2 = takeUpTo(work, '+');
        const std::string srcAddr = takeUpTo(work, '+');
        const std::string srcMask = takeUpTo(work, '+');
        rule.src = getNetObject(kNetIpNet, srcAddr, srcMask, std::string());
        service.dstport1 = takeUpTo(work, '-');
        service.dstport2 = takeUpTo(work, '+');
        const std::string dstAddr = takeUpTo(work, '+');
        const std::string dstMask = takeUpTo(work, '+');
        rule.dst = getNetObject(kNetIpNet, dstAddr, dstMask, std::string());
        service.comment = work;
        service.baseName = "Pre60-" + ownName;
        service.objectName = direction.servicePrefix + service.baseName;

        rule.listName = direction.listName;
        rule.service = service.objectName;
        rule.loglevelNumber = "1";
        rule.label = service.baseName;
        services.push_back(std::move(service));
        rules.push_back(std::move(rule));
    }
    selectionSortFrom(rules, 0, [](const PfRule& rule) { return rule.oldRuleNumber; });
}

void TemplateProcessor::parse60StylePF(ConfigTree& tree, std::vector<PfService>& services,
                                       std::vector<PfRule>& rules, bool forward) {
    const PfDirection& direction = directionOf(forward);
    const SearchTemplate serviceTemplate = SearchTemplate::branch(direction.serviceTemplate);
    if (!serviceTemplate.valid()) {
        logFault("parse60StylePF", ": Unable to parse service template (", direction.serviceTemplate);
        return;
    }
    const SearchTemplate ruleTemplate = SearchTemplate::branch(direction.ruleTemplate);
    if (!ruleTemplate.valid()) {
        logFault("parse60StylePF", ": Unable to parse rule template (", direction.ruleTemplate);
        return;
    }

    NodeList found;
    if (!serviceTemplate.search(tree, found)) {
        logFault("parse60StylePF", ": Search returned no data (", direction.serviceTemplate);
    }
    for (const Node* node : found) {
        const Branch* branch = node->asBranch();
        if (branch == nullptr) continue;
        PfService service;
        service.baseName = branch->name();
        service.objectName = direction.servicePrefix + service.baseName;
        for (const Node* child : branch->children()) {
            const Leaf* leaf = child->asLeaf();
            if (leaf == nullptr) continue;
            const std::string& name = leaf->name();
            if (name == "proto") {
                service.proto = leaf->value();
            } else if (name == "interface") {
                service.interface = leaf->value();
            } else if (name == "srcport1") {
                service.srcport1 = leaf->value();
            } else if (name == "srcport2") {
                service.srcport2 = leaf->value();
            } else if (name == "dstport1") {
                service.dstport1 = leaf->value();
            } else if (name == "dstport2") {
                service.dstport2 = leaf->value();
            } else if (name == "comment") {
                service.comment = leaf->value();
            } else if (const int slot = optionSlot(name); slot >= 0) {
                service.options[static_cast<std::size_t>(slot)] = leaf->value();
                service.hasOptions = true;
            }
        }
        services.push_back(std::move(service));
    }

    found.clear();
    if (!ruleTemplate.search(tree, found)) {
        logFault("parse60StylePF", ": Search returned no data (", direction.ruleTemplate);
        return;
    }
    const std::size_t firstNew = rules.size();
    for (const Node* node : found) {
        const Branch* branch = node->asBranch();
        if (branch == nullptr) continue;
        PfRule rule;
        rule.listName = direction.listName;
        rule.oldRuleNumber = -1;
        for (const Node* child : branch->children()) {
            if (child->name() == "loglevel") {
                if (const Node* first = firstChild(child)) child = first;
            }
            const Leaf* leaf = child->asLeaf();
            if (leaf == nullptr) continue;
            const std::string& name = leaf->name();
            if (name == "number") {
                rule.loglevelNumber = leaf->value();
            } else if (name == "type") {
                rule.type = leaf->value();
            } else if (name == "label") {
                rule.label = leaf->value();
            } else if (name == "state") {
                rule.state = leaf->value();
            } else if (name == "src") {
                rule.src = leaf->value();
            } else if (name == "dst") {
                rule.dst = leaf->value();
            } else if (name == "service") {
                rule.service = leaf->value();
            } else if (name == "PREUPGRADE-SEQ") {
                rule.oldRuleNumber = decimalValue(leaf->value());
            }
        }
        if (rule.oldRuleNumber == -1) rule.oldRuleNumber = decimalValue(branch->name());
        if (rule.state.empty()) rule.state = "on";
        if (rule.loglevelNumber.empty()) rule.loglevelNumber = "1";
        rules.push_back(std::move(rule));
    }
    selectionSortFrom(rules, firstNew, [](const PfRule& rule) { return rule.oldRuleNumber; });
}

void TemplateProcessor::parseOldTreePfRules(ConfigTree& oldTree) {
    parse5xStylePF(oldTree, kPfForward.editTemplate, pfLists.oldForward.services, pfLists.oldForward.rules, true);
    parse5xStylePF(oldTree, kPfLocal.editTemplate, pfLists.oldLocal.services, pfLists.oldLocal.rules, false);
    parse60StylePF(oldTree, pfLists.oldForward.services, pfLists.oldForward.rules, true);
    parse60StylePF(oldTree, pfLists.oldLocal.services, pfLists.oldLocal.rules, false);
}

void TemplateProcessor::parseNewTreePfRules(ConfigTree& newTree) {
    parse60StylePF(newTree, pfLists.newForward.services, pfLists.newForward.rules, true);
    parse60StylePF(newTree, pfLists.newLocal.services, pfLists.newLocal.rules, false);
}

void TemplateProcessor::savePfRules(ConfigTree& tree) {
    for (const std::vector<PfService>* list : {&pfLists.oldLocal.services, &pfLists.newLocal.services,
                                               &pfLists.oldForward.services, &pfLists.newForward.services}) {
        for (const PfService& service : *list) {
            const std::string& s = service.objectName;
            addSetting(*this, tree, s + "_comment=" + service.comment);
            addSetting(*this, tree, s + "_interface=" + service.interface);
            addSetting(*this, tree, s + "_srcport1=" + service.srcport1);
            addSetting(*this, tree, s + "_srcport2=" + service.srcport2);
            if (service.hasOptions) {
                for (int i = 0; i < kPfOptionCount; ++i) {
                    addSetting(*this, tree, s + "_opt" + std::to_string(i + 1) + "=" +
                                                service.options[static_cast<std::size_t>(i)]);
                }
            }
            addSetting(*this, tree, s + "_dstport1=" + service.dstport1);
            addSetting(*this, tree, s + "_dstport2=" + service.dstport2);
            addSetting(*this, tree, s + "_proto=" + service.proto);
        }
    }
    auto writeRules = [&](const std::vector<PfRule>& rules, int& counter) {
        for (const PfRule& rule : rules) {
            const std::string prefix = rule.listName + "_" + std::to_string(++counter);
            addSetting(*this, tree, prefix + "_type=" + rule.type);
            addSetting(*this, tree, prefix + "_state=" + rule.state);
            addSetting(*this, tree, prefix + "_loglevel_number=" + rule.loglevelNumber);
            addSetting(*this, tree, prefix + "_dst=" + rule.dst);
            addSetting(*this, tree, prefix + "_src=" + rule.src);
            addSetting(*this, tree, prefix + "_service=" + rule.service);
            addSetting(*this, tree, prefix + "_label=" + rule.label);
            addSetting(*this, tree, prefix + "_oldRuleNumber=" + std::to_string(rule.oldRuleNumber));
        }
    };
    writeRules(pfLists.oldLocal.rules, pfLists.localCount);
    writeRules(pfLists.newLocal.rules, pfLists.localCount);
    writeRules(pfLists.oldForward.rules, pfLists.forwardCount);
    writeRules(pfLists.newForward.rules, pfLists.forwardCount);
}
