// Service and destination groups: reading them from the old tree, building the new destination groups
// from the old destination records, and writing both kinds of group (see groups.h).

#include "convert/groups.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "conftree/conftree.h"
#include "convert/converter_context.h"
#include "convert/netobjects.h"
#include "convert/node_values.h"
#include "convert/tree_search.h"

namespace {

constexpr const char* kServiceGroupTemplate = "service_group_**";
constexpr const char* kConfigSetsTemplate = "def_proxy_**_config-sets_**";
constexpr const char* kDestinationTemplate = "destination_group_**";

ServiceGroup readServiceGroup(const Branch& branch) {
    ServiceGroup group;
    group.name = branch.name();
    group.objectName = "service_group_" + group.name;
    for (const Node* child : branch.children()) {
        const std::string& name = child->name();
        if (name == "permit-password") {
            group.passwordMode = "permit-password";
        } else if (name == "authenticate" || name == "authserver" || name == "desc") {
            if (const Leaf* leaf = child->asLeaf()) {
                (name == "authenticate" ? group.authenticate
                 : name == "authserver" ? group.authserver
                                        : group.desc) = leaf->value();
            }
        } else if (name == "elem") {
            const Branch* elem = child->asBranch();
            if (elem == nullptr) continue;
            for (const Node* member : elem->children()) {
                // A member is a numbered branch whose first leaf names the object; a member written
                // as a plain leaf carries the name itself and is kept rather than lost.
                if (const Leaf* leaf = member->asLeaf()) {
                    group.elements.push_back(leaf->value());
                } else if (const Leaf* first = firstLeafChild(member)) {
                    group.elements.push_back(first->value());
                }
            }
        }
    }
    if (!group.authenticate.empty()) {
        group.authObject = group.passwordMode == "deny-password" ? "auth_obj_normal" : "auth_obj_change";
    }
    return group;
}

// A group name is one component of setting names ("destination_group_NAME_desc"): an '_' in it would
// split it and an '=' would end the name, so both become '-' (as in object labels).
std::string groupNameText(std::string_view text) {
    std::string name(text);
    for (char& c : name) {
        if (c == '_' || c == '=') c = '-';
    }
    return name;
}

}  // namespace

void GroupConverter::parseServiceGroups(ConverterContext& context, ConfigTree& oldTree) {
    const TreeSearch groups =
        searchTree(context, oldTree, "parseSvcGroups", TemplateKind::Branch, kServiceGroupTemplate,
                   ": Unable to parse source template (", ": Search returned no data (");
    if (!groups.matched) return;
    for (const Node* node : groups.found) {
        if (const Branch* branch = node->asBranch()) serviceGroups.push_back(readServiceGroup(*branch));
    }

    ServiceGroup all;
    all.name = kAllServiceGroupsName;
    all.objectName = std::string("service_group_") + kAllServiceGroupsName;
    all.desc = kAllServiceGroupsDesc;
    all.madeByUpgrade = true;
    // The faults about the sets name the service group template, as they always have.
    const TreeSearch sets = searchTree(context, oldTree, "parseSvcGroups", TemplateKind::Branch, kConfigSetsTemplate,
                                       ": Unable to parse  template for all proxies (", ": Search returned no data (",
                                       FaultLines::naming(kServiceGroupTemplate));
    if (!sets.matched) return;
    for (const Node* set : sets.found) {
        // def_proxy_P_config-sets_S: the proxy's name stands two levels above the set.
        const Branch* configSets = set->parent();
        const Branch* proxy = configSets != nullptr ? configSets->parent() : nullptr;
        const std::string proxyName = proxy != nullptr ? proxy->name() : std::string();
        all.elements.push_back("def_proxy_" + proxyName + "_config-sets_" + set->name());
    }
    serviceGroups.push_back(std::move(all));
}

void GroupConverter::parseDestinationRecords(ConverterContext& context, ConfigTree& oldTree) {
    const TreeSearch records =
        searchTree(context, oldTree, "parseDestGroups", TemplateKind::Branch, kDestinationTemplate,
                   ": Unable to parse source template (", ": Search returned no data (");
    if (!records.matched) return;
    for (const Node* node : records.found) {
        const Branch* branch = node->asBranch();
        if (branch == nullptr) continue;
        DestinationRecord record;
        record.branchName = branch->name();
        for (const Node* child : branch->children()) {
            const Leaf* leaf = child->asLeaf();
            if (leaf == nullptr) continue;
            if (leaf->name() == "dest") {
                record.dest = leaf->value();
            } else if (leaf->name() == "pd") {
                record.permit = leaf->value() == "P";
            } else if (leaf->name() == "service") {
                record.service = leaf->value();
            }
        }
        destinationRecords.push_back(std::move(record));
    }
}

void GroupConverter::convertDestinationGroups(NetObjectList& objects) {
    destinationGroups.push_back({"", "DenyAll", "Deny all destinations", {{false, "net_pattern_any"}}});
    destinationGroups.push_back({"", "PermitAll", "Permit all destinations", {{true, "net_pattern_any"}}});

    // First group of each key, as a front-to-back scan of the groups would find it.
    std::unordered_map<std::string, std::size_t> groupByKey;
    for (std::size_t i = 0; i < destinationGroups.size(); ++i) {
        groupByKey.emplace(destinationGroups[i].key, i);
    }
    // Names in use, so that a built group never takes the name of another one: a service called "All"
    // whose first record denies would otherwise write its members into the fixed DenyAll group.
    std::unordered_set<std::string> usedNames;
    for (const DestinationGroup& group : destinationGroups) usedNames.insert(group.name);
    std::string port;
    for (DestinationRecord& record : destinationRecords) {
        DestinationObject member{record.permit, objects.convertAddr(record.dest, port, std::string())};
        std::size_t index;
        if (auto it = groupByKey.find(record.service); it != groupByKey.end()) {
            index = it->second;
            destinationGroups[index].objects.push_back(std::move(member));
        } else {
            DestinationGroup group;
            const std::string base = (record.permit ? "Permit" : "Deny") + groupNameText(record.service);
            group.name = base;
            for (int suffix = 2; usedNames.count(group.name) != 0; ++suffix) {
                group.name = base + "-" + std::to_string(suffix);
            }
            usedNames.insert(group.name);
            group.desc = group.name + " Group";
            group.key = record.service;
            group.objects.push_back(std::move(member));
            index = destinationGroups.size();
            destinationGroups.push_back(std::move(group));
            groupByKey.emplace(record.service, index);
        }
        record.groupName = "destination_group_" + destinationGroups[index].name;
    }
}

void GroupConverter::saveServiceGroups(ConverterContext& context, ConfigTree& tree) {
    serviceGroupsSaved_ = serviceGroups.size();
    context.logLine("Dumping " + std::to_string(serviceGroups.size()) + " service groups back into tree.");
    for (const ServiceGroup& group : serviceGroups) {
        const std::string prefix = "service_group_" + group.name;
        if (!group.desc.empty()) context.addSetting(tree, prefix + "_desc=" + group.desc);
        for (std::size_t j = 0; j < group.elements.size(); ++j) {
            context.addSetting(tree, prefix + "_elem_" + std::to_string(j + 1) + "_obj=" + group.elements[j]);
        }
    }
}

void GroupConverter::saveDestinationGroups(ConverterContext& context, ConfigTree& tree) {
    destinationGroupsSaved_ = destinationGroups.size();
    context.logLine("Dumping " + std::to_string(destinationGroups.size()) + " destination groups back into tree.");
    for (const DestinationGroup& group : destinationGroups) {
        const std::string prefix = "destination_group_" + group.name;
        context.addSetting(tree, prefix + "_desc=" + group.desc);
        for (std::size_t j = 0; j < group.objects.size(); ++j) {
            const std::string number = std::to_string(j + 1);
            const std::string element = prefix + "_elem_" + number;
            const std::string object = "destination_destobj_" + group.name + "_" + number;
            context.addSetting(tree, element + "_type=destobj");
            context.addSetting(tree, element + "_obj=" + object);
            context.addSetting(tree, object + "_action=" + (group.objects[j].permit ? "Permit" : "Deny"));
            context.addSetting(tree, object + "_addr=" + group.objects[j].addr);
        }
    }
}
