// Gathering what the safety review's checks share (see review_facts.h).
#include "report/review_facts.h"

#include <algorithm>

#include "conftree/config_tree.h"
#include "conftree/leaf.h"

namespace {

// Records what one source tells of a device. The first source to give a role keeps it; a source that
// gives none (an empty location, say) is filled in by a later one that does.
void learn(std::unordered_map<std::string, InterfaceFacts>& side, const std::string& device, InterfaceRole role,
           const std::string& name) {
    auto [it, added] = side.try_emplace(device, InterfaceFacts{role, name});
    if (added) return;
    if (it->second.role == InterfaceRole::Unknown) it->second.role = role;
    if (it->second.name.empty()) it->second.name = name;
}

void addNetwork(NetworkIndex& networks, std::string_view addr, std::string_view netmask, const std::string& device,
                const std::string& name) {
    NetworkFacts facts;
    if (!interfaceNetwork(addr, netmask, facts.network)) return;
    facts.device = device;
    facts.name = name;
    networks.add(std::move(facts));
}

const std::string& oldValueOf(const ItemRecord& record, std::string_view field) {
    static const std::string none;
    const ItemField* f = record.field(field);
    return f != nullptr ? f->oldValue : none;
}

void gatherPairing(const UpgradeReport& report, ReviewFacts& facts) {
    for (const PairRecord& pair : report.pairing) {
        if (!pair.oldDevice.empty()) {
            learn(facts.oldInterfaces, pair.oldDevice, interfaceRole(pair.oldLocation, pair.oldNat), pair.oldName);
            facts.partnerOf.try_emplace(pair.oldDevice, &pair);
            addNetwork(facts.oldNetworks, pair.oldAddr, pair.oldNetmask, pair.oldDevice, pair.oldName);
        }
        if (!pair.newDevice.empty()) {
            learn(facts.newInterfaces, pair.newDevice, interfaceRole(pair.newLocation, pair.newNat), pair.newName);
            addNetwork(facts.newNetworks, pair.newAddr, pair.newNetmask, pair.newDevice, pair.newName);
        }
    }
}

// The old interfaces and aliases as their records read them, for what the pairing does not tell.
void gatherOldInterfaceRecords(const UpgradeReport& report, ReviewFacts& facts) {
    for (const ItemRecord& record : report.records) {
        if (record.origin != ItemOrigin::Old) continue;
        if (record.kind != ItemKind::Interface && record.kind != ItemKind::InterfaceAlias) continue;
        const std::string& device = oldValueOf(record, "interface");
        if (device.empty()) continue;
        if (record.kind == ItemKind::Interface) {
            learn(facts.oldInterfaces, device,
                  interfaceRole(oldValueOf(record, "location"), natFlagOn(oldValueOf(record, "nat"))), record.label);
        }
        addNetwork(facts.oldNetworks, oldValueOf(record, "addr"), oldValueOf(record, "netmask"), device, record.label);
    }
}

void gatherList(const std::vector<ListedInterface>& list, ReviewFacts& facts) {
    for (const ListedInterface& item : list) {
        if (item.device.empty()) continue;
        // An alias carries its interface's device; the interface's own element tells the role.
        if (!item.alias) {
            learn(facts.newInterfaces, item.device, interfaceRole(item.location, item.nat), item.name);
        }
        addNetwork(facts.newNetworks, item.addr, item.netmask, item.device, item.name);
    }
}

// destination_destobj_G_N objects that permit every address, then the groups with such an element.
void gatherAnyDestinationGroups(const Branch& tree, ReviewFacts& facts) {
    const Branch* destination = tree.findBranch("destination");
    if (destination == nullptr) return;
    std::unordered_set<std::string> anyObjects;
    if (const Branch* objects = destination->findBranch("destobj")) {
        for (const Node* group : objects->children()) {
            const Branch* groupBranch = group->asBranch();
            if (groupBranch == nullptr) continue;
            for (const Node* object : groupBranch->children()) {
                const Branch* objectBranch = object->asBranch();
                if (objectBranch == nullptr) continue;
                const Leaf* action = objectBranch->findLeaf("action");
                const Leaf* addr = objectBranch->findLeaf("addr");
                if (action == nullptr || addr == nullptr || !equalsIgnoringCase(action->value(), "permit")) continue;
                if (addr->value() != "net_pattern_any" && addr->value() != "net_ipnet_any") continue;
                anyObjects.insert("destination_destobj_" + groupBranch->name() + "_" + objectBranch->name());
            }
        }
    }
    if (anyObjects.empty()) return;
    const Branch* groups = destination->findBranch("group");
    if (groups == nullptr) return;
    for (const Node* group : groups->children()) {
        const Branch* groupBranch = group->asBranch();
        const Branch* elements = groupBranch != nullptr ? groupBranch->findBranch("elem") : nullptr;
        if (elements == nullptr) continue;
        for (const Node* element : elements->children()) {
            const Branch* elementBranch = element->asBranch();
            const Leaf* object = elementBranch != nullptr ? elementBranch->findLeaf("obj") : nullptr;
            if (object != nullptr && anyObjects.count(object->value()) != 0) {
                facts.anyDestinationGroups.insert("destination_group_" + groupBranch->name());
                break;
            }
        }
    }
}

}  // namespace

void NetworkIndex::add(NetworkFacts network) {
    byDevice_.try_emplace(network.device, networks_.size());
    networks_.push_back(std::move(network));
}

void NetworkIndex::build() {
    std::vector<std::size_t> order(networks_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
        return networks_[a].network.first < networks_[b].network.first;
    });
    firsts_.clear();
    furthest_.clear();
    for (std::size_t i = 0; i < order.size(); ++i) {
        firsts_.push_back(networks_[order[i]].network.first);
        std::size_t best = order[i];
        if (i > 0 && networks_[furthest_.back()].network.last >= networks_[best].network.last) best = furthest_.back();
        furthest_.push_back(best);
    }
}

const NetworkFacts* NetworkIndex::holding(const Ipv4Range& range) const {
    const auto after = std::upper_bound(firsts_.begin(), firsts_.end(), range.first);
    if (after == firsts_.begin()) return nullptr;
    const NetworkFacts& candidate = networks_[furthest_[static_cast<std::size_t>(after - firsts_.begin()) - 1]];
    return candidate.network.last >= range.last ? &candidate : nullptr;
}

const NetworkFacts* NetworkIndex::ofDevice(const std::string& device) const {
    auto it = byDevice_.find(device);
    return it != byDevice_.end() ? &networks_[it->second] : nullptr;
}

std::string baseDevice(const std::string& device) {
    const std::size_t colon = device.find(':');
    return colon == std::string::npos ? device : device.substr(0, colon);
}

const InterfaceFacts* findInterface(const std::unordered_map<std::string, InterfaceFacts>& side,
                                    const std::string& device) {
    auto it = side.find(device);
    if (it == side.end()) it = side.find(baseDevice(device));
    return it != side.end() ? &it->second : nullptr;
}

ReviewFacts gatherFacts(const UpgradeReport& report, const ReviewInputs& inputs) {
    ReviewFacts facts;
    gatherPairing(report, facts);
    gatherOldInterfaceRecords(report, facts);
    if (inputs.newInitial != nullptr) {
        facts.initialInterfaces = listedInterfaces(*inputs.newInitial);
        gatherList(facts.initialInterfaces, facts);
    }
    if (inputs.finalTree != nullptr) {
        facts.haveFinalTree = true;
        facts.finalInterfaces = listedInterfaces(*inputs.finalTree);
        gatherList(facts.finalInterfaces, facts);
        for (const ListedInterface& item : facts.finalInterfaces) {
            if (!item.device.empty()) facts.finalDevices.insert(item.device);
        }
        gatherAnyDestinationGroups(*inputs.finalTree, facts);
    }
    facts.oldNetworks.build();
    facts.newNetworks.build();
    return facts;
}
