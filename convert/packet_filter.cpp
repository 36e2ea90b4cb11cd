// Packet filter rules: reading old edit lines and new-style rules, and writing both directions
// renumbered (see packet_filter.h).

#include "convert/packet_filter.h"

#include <string>

#include "conftree/conftree.h"
#include "convert/converter_context.h"
#include "convert/netobjects.h"
#include "convert/node_values.h"
#include "convert/selection_order.h"
#include "convert/text_fields.h"
#include "convert/tree_search.h"

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

// An edit line's address and mask as one text, as the report shows it: "10.10.0.0:255.255.0.0".
std::string addressText(const std::string& addr, const std::string& mask) {
    std::string text;
    text.reserve(addr.size() + 1 + mask.size());
    text += addr;
    text += ':';
    text += mask;
    return text;
}

}  // namespace

void PacketFilterConverter::parse5xStyle(ConverterContext& context, ConfigTree& tree, const char* editTemplate,
                                         std::vector<PfService>& services, std::vector<PfRule>& rules, bool forward,
                                         NetObjectList& objects) {
    const PfDirection& direction = directionOf(forward);
    const TreeSearch lines = searchTree(context, tree, "parse5xStylePF", TemplateKind::Leaf, editTemplate,
                                        ": Unable to parse source template (", ": Search returned no data (");
    if (!lines.matched) return;
    services.reserve(services.size() + lines.found.size());
    rules.reserve(rules.size() + lines.found.size());
    for (const Node* node : lines.found) {
        const Leaf* leaf = node->asLeaf();
        if (leaf == nullptr) continue;
        std::string work = leaf->value();
        PfService service;
        PfRule rule;

        const std::string& ownName = leaf->name();
        rule.editLine = true;
        rule.readAs = ownName;
        rule.oldRuleNumber =
            decimalValue(ownName.size() > 4 ? std::string_view(ownName).substr(4) : std::string_view());
        rule.type = takeUpTo(work, '+');
        rule.typeAsRead = rule.type;
        if (rule.type == "FilterAll-FSA") {
            rule.type = "Fwd+Reply";
        } else if (forward && rule.type == "Permit") {
            rule.type = "Fwd";
        }
        rule.state = "on";
        service.interface = takeUpTo(work, '+');
        service.interfaceAsRead = service.interface;
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
        rule.src = objects.get(kNetIpNet, srcAddr, srcMask, std::string());
        rule.srcText = addressText(srcAddr, srcMask);
        service.dstport1 = takeUpTo(work, '-');
        service.dstport2 = takeUpTo(work, '+');
        const std::string dstAddr = takeUpTo(work, '+');
        const std::string dstMask = takeUpTo(work, '+');
        rule.dst = objects.get(kNetIpNet, dstAddr, dstMask, std::string());
        rule.dstText = addressText(dstAddr, dstMask);
        service.comment = work;
        service.baseName = "Pre60-" + ownName;
        service.objectName = direction.servicePrefix + service.baseName;

        rule.listName = direction.listName;
        rule.service = service.objectName;
        rule.loglevelNumber = "1";
        rule.label = service.baseName;
        rule.ownService = static_cast<int>(services.size());
        services.push_back(std::move(service));
        rules.push_back(std::move(rule));
    }
    selectionSortFrom(rules, 0, [](const PfRule& rule) { return rule.oldRuleNumber; });
}

void PacketFilterConverter::parse60Style(ConverterContext& context, ConfigTree& tree, std::vector<PfService>& services,
                                         std::vector<PfRule>& rules, bool forward) {
    const PfDirection& direction = directionOf(forward);
    // A direction without services may still have rules: only a template that does not parse ends the
    // reading here.
    const TreeSearch serviceSearch =
        searchTree(context, tree, "parse60StylePF", TemplateKind::Branch, direction.serviceTemplate,
                   ": Unable to parse service template (", ": Search returned no data (");
    if (!serviceSearch.matched && serviceSearch.verdict == 0) return;
    const NodeList& found = serviceSearch.found;
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
        service.interfaceAsRead = service.interface;
        services.push_back(std::move(service));
    }

    const TreeSearch ruleSearch =
        searchTree(context, tree, "parse60StylePF", TemplateKind::Branch, direction.ruleTemplate,
                   ": Unable to parse rule template (", ": Search returned no data (");
    if (!ruleSearch.matched) return;
    const std::size_t firstNew = rules.size();
    for (const Node* node : ruleSearch.found) {
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
        rule.readAs = branch->name();
        rule.typeAsRead = rule.type;
        rule.srcText = rule.src;
        rule.dstText = rule.dst;
        if (rule.state.empty()) rule.state = "on";
        if (rule.loglevelNumber.empty()) rule.loglevelNumber = "1";
        rules.push_back(std::move(rule));
    }
    selectionSortFrom(rules, firstNew, [](const PfRule& rule) { return rule.oldRuleNumber; });
}

void PacketFilterConverter::parseOldTree(ConverterContext& context, ConfigTree& oldTree, NetObjectList& objects) {
    parse5xStyle(context, oldTree, kPfForward.editTemplate, lists.oldForward.services, lists.oldForward.rules, true,
                 objects);
    parse5xStyle(context, oldTree, kPfLocal.editTemplate, lists.oldLocal.services, lists.oldLocal.rules, false,
                 objects);
    parse60Style(context, oldTree, lists.oldForward.services, lists.oldForward.rules, true);
    parse60Style(context, oldTree, lists.oldLocal.services, lists.oldLocal.rules, false);
}

void PacketFilterConverter::parseNewTree(ConverterContext& context, ConfigTree& newTree) {
    parse60Style(context, newTree, lists.newForward.services, lists.newForward.rules, true);
    parse60Style(context, newTree, lists.newLocal.services, lists.newLocal.rules, false);
}

void PacketFilterConverter::save(ConverterContext& context, ConfigTree& tree) {
    for (const std::vector<PfService>* list :
         {&lists.oldLocal.services, &lists.newLocal.services, &lists.oldForward.services, &lists.newForward.services}) {
        for (const PfService& service : *list) {
            const std::string& s = service.objectName;
            context.addSetting(tree, s + "_comment=" + service.comment);
            context.addSetting(tree, s + "_interface=" + service.interface);
            context.addSetting(tree, s + "_srcport1=" + service.srcport1);
            context.addSetting(tree, s + "_srcport2=" + service.srcport2);
            if (service.hasOptions) {
                for (int i = 0; i < kPfOptionCount; ++i) {
                    context.addSetting(
                        tree, s + "_opt" + std::to_string(i + 1) + "=" + service.options[static_cast<std::size_t>(i)]);
                }
            }
            context.addSetting(tree, s + "_dstport1=" + service.dstport1);
            context.addSetting(tree, s + "_dstport2=" + service.dstport2);
            context.addSetting(tree, s + "_proto=" + service.proto);
        }
    }
    auto writeRules = [&](std::vector<PfRule>& rules, int& counter) {
        for (PfRule& rule : rules) {
            rule.writtenAs = ++counter;
            const std::string prefix = rule.listName + "_" + std::to_string(counter);
            context.addSetting(tree, prefix + "_type=" + rule.type);
            context.addSetting(tree, prefix + "_state=" + rule.state);
            context.addSetting(tree, prefix + "_loglevel_number=" + rule.loglevelNumber);
            context.addSetting(tree, prefix + "_dst=" + rule.dst);
            context.addSetting(tree, prefix + "_src=" + rule.src);
            context.addSetting(tree, prefix + "_service=" + rule.service);
            context.addSetting(tree, prefix + "_label=" + rule.label);
            context.addSetting(tree, prefix + "_oldRuleNumber=" + std::to_string(rule.oldRuleNumber));
        }
    };
    writeRules(lists.oldLocal.rules, lists.localCount);
    writeRules(lists.newLocal.rules, lists.localCount);
    writeRules(lists.oldForward.rules, lists.forwardCount);
    writeRules(lists.newForward.rules, lists.forwardCount);
}
