// The safety review's checks of interfaces: old interfaces merged into one, rules moved from inside
// to outside, new interfaces dropped and the settings left naming them, addresses that lost their
// network (see review_checks.h).
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "conftree/leaf.h"
#include "report/finding_text.h"
#include "report/review_checks.h"
#include "report/settings_diff.h"

namespace {

bool isRule(ItemKind kind) {
    return kind == ItemKind::ProxyRule || kind == ItemKind::ForwardRule || kind == ItemKind::LocalRule ||
           kind == ItemKind::NatRule || kind == ItemKind::InatRule;
}

std::string fieldOldValue(const ItemRecord& record, std::string_view name) {
    const ItemField* field = record.field(name);
    return field != nullptr ? field->oldValue : std::string();
}

// How a rule's address field is named in a sentence; empty for fields that hold no address.
std::string_view addressFieldWord(std::string_view field) {
    if (field == "src") return "source";
    if (field == "dst") return "destination";
    if (field == "global" || field == "local" || field == "remote") return field;
    return {};
}

// Where the old device went: the new value written, or else the pairing's partner.
std::string newDeviceOf(const ItemField& field, const ReviewFacts& facts) {
    if (!field.newValue.empty()) return field.newValue;
    auto it = facts.partnerOf.find(field.oldValue);
    if (it == facts.partnerOf.end()) it = facts.partnerOf.find(baseDevice(field.oldValue));
    if (it != facts.partnerOf.end() && !it->second->newDevice.empty()) return it->second->newDevice;
    return {};
}

// Where the old network's interface went, in brackets after a readdressing clause.
std::string partnerClause(const NetworkFacts& oldNetwork, const ReviewFacts& facts) {
    auto it = facts.partnerOf.find(oldNetwork.device);
    const bool known = it != facts.partnerOf.end();
    const std::string partner = known ? it->second->newDevice : std::string();
    if (!partner.empty()) {
        if (const NetworkFacts* network = facts.newNetworks.ofDevice(partner)) {
            return " (" + oldNetwork.device + " was paired with " + partner + " on " + rangeText(network->network) + ")";
        }
        return " (" + oldNetwork.device + " was paired with " + partner + ")";
    }
    constexpr std::size_t kNamed = 4;
    const std::vector<NetworkFacts>& all = facts.newNetworks.networks();
    std::vector<std::string> names;
    for (std::size_t i = 0; i < all.size() && i < kNamed; ++i) {
        names.push_back(rangeText(all[i].network) + " on " + all[i].device);
    }
    if (all.size() > kNamed) names.push_back(std::to_string(all.size() - kNamed) + " more");
    return " (" + (known ? oldNetwork.device + " was not paired; " : std::string()) + "the new firewall has " +
           joinNames(names, kNamed + 1) + ")";
}

}  // namespace

void findSharedInterfaces(const UpgradeReport& report, std::vector<Finding>& out) {
    std::vector<std::string> sharedDevices;
    std::unordered_set<std::string> seen;
    for (const PairRecord& pair : report.pairing) {
        if (pair.shared && !pair.newDevice.empty() && seen.insert(pair.newDevice).second) {
            sharedDevices.push_back(pair.newDevice);
        }
    }
    if (sharedDevices.empty()) return;

    // The interface records of each device, for the settings the finding names.
    std::unordered_map<std::string, std::vector<const ItemRecord*>> oldRecords;
    std::unordered_map<std::string, std::vector<const ItemRecord*>> newRecords;
    for (const ItemRecord& record : report.records) {
        if (record.kind != ItemKind::Interface) continue;
        const std::string device = fieldOldValue(record, "interface");
        if (record.origin == ItemOrigin::Old) oldRecords[device].push_back(&record);
        if (record.origin == ItemOrigin::New) newRecords[device].push_back(&record);
    }

    for (const std::string& device : sharedDevices) {
        std::vector<std::string> oldNames;
        std::vector<std::string> settings;
        std::string newName;
        for (const PairRecord& pair : report.pairing) {
            if (pair.newDevice != device) continue;
            if (newName.empty()) newName = pair.newName;
            oldNames.push_back(deviceText(pair.oldDevice, pair.oldName));
            for (const ItemRecord* record : oldRecords[pair.oldDevice]) {
                for (std::string& id : recordSettings(*record)) settings.push_back(std::move(id));
            }
        }
        for (const ItemRecord* record : newRecords[device]) {
            if (!record->oldId.empty()) settings.push_back(record->oldId);
        }
        std::string message = "The old interfaces " + joinNames(oldNames, 10) + " were all paired with the new interface " +
                              deviceText(device, newName) + ": the rules of each now act on that one interface.";
        if (oldNames.size() == 1) {
            message = "The old interface " + oldNames.front() + " shares the new interface " +
                      deviceText(device, newName) + " with another old interface: the rules of both act on it.";
        }
        out.push_back(makeFinding(Severity::High, "interface-shared", std::move(message), std::move(settings)));
    }
}

void findRulesMovedOutside(const UpgradeReport& report, const ReviewFacts& facts, std::vector<Finding>& out) {
    for (const ItemRecord& record : report.records) {
        if (record.origin != ItemOrigin::Old || record.outcome == ItemOutcome::Dropped || !isRule(record.kind)) continue;
        const ItemField* field = record.field("interface");
        if (field == nullptr || field->oldValue.empty()) continue;
        const InterfaceFacts* before = findInterface(facts.oldInterfaces, field->oldValue);
        if (before == nullptr || before->role != InterfaceRole::Inside) continue;
        const std::string device = newDeviceOf(*field, facts);
        if (device.empty()) continue;
        const InterfaceFacts* after = findInterface(facts.newInterfaces, device);
        if (after == nullptr || after->role != InterfaceRole::Outside) continue;
        std::string message = itemSubject(record) + " acted on the inside interface " +
                              deviceText(field->oldValue, before->name) + " of the old firewall and now acts on the " +
                              "outside interface " + deviceText(device, after->name) + " of the new one.";
        out.push_back(makeFinding(Severity::High, "moved-to-outside", std::move(message), recordSettings(record)));
    }
}

void findDroppedNewInterfaces(const UpgradeReport& report, std::vector<Finding>& out) {
    for (const ItemRecord& record : report.records) {
        if (record.kind != ItemKind::Interface || record.origin != ItemOrigin::New) continue;
        if (record.outcome != ItemOutcome::Dropped) continue;
        const std::string device = fieldOldValue(record, "interface");
        std::string message = "The new firewall's " + itemText(record);
        if (!device.empty()) message += " on " + device;
        message += " is not in the final configuration";
        if (!record.reasons.empty() && !record.reasons.front().empty()) {
            std::string reason = record.reasons.front().substr(0, record.reasons.front().find_first_of("\r\n"));
            message += ": " + reason;
            if (message.back() != '.') message += '.';
        } else {
            message += ".";
        }
        out.push_back(makeFinding(Severity::High, "new-interface-dropped", std::move(message), recordSettings(record)));
    }
}

void findSettingsOnRemovedInterfaces(const Branch& initial, const Branch& final, const ReviewFacts& facts,
                                     std::vector<Finding>& out) {
    std::unordered_map<std::string, std::string> removed;  // device -> its name in the initial list
    for (const ListedInterface& item : facts.initialInterfaces) {
        if (!item.device.empty() && facts.finalDevices.count(item.device) == 0) removed.try_emplace(item.device, item.name);
    }
    if (removed.empty()) return;

    std::vector<std::string> order;
    std::unordered_map<std::string, std::vector<std::string>> settingsOf;
    forEachInitialSetting(initial, final, [&](const std::string& name, const Leaf&, const Leaf* finalLeaf) {
        if (finalLeaf == nullptr || removed.count(finalLeaf->value()) == 0) return;
        std::vector<std::string>& settings = settingsOf[finalLeaf->value()];
        if (settings.empty()) order.push_back(finalLeaf->value());
        settings.push_back(name);
    });
    for (const std::string& device : order) {
        std::vector<std::string>& settings = settingsOf[device];
        const bool one = settings.size() == 1;
        std::string message = std::string("The new firewall's own setting") + (one ? " " : "s ") + joinNames(settings) +
                              (one ? " still names" : " still name") + " the interface " +
                              deviceText(device, removed[device]) + ", which is not in the final configuration.";
        out.push_back(makeFinding(Severity::High, "setting-refers-to-removed-interface", std::move(message),
                                  std::move(settings)));
    }
}

void findReaddressedAddresses(const UpgradeReport& report, const ReviewFacts& facts, std::vector<Finding>& out) {
    if (facts.newNetworks.empty() || facts.oldNetworks.empty()) return;
    for (const ItemRecord& record : report.records) {
        if (record.origin != ItemOrigin::Old || record.outcome == ItemOutcome::Dropped || !isRule(record.kind)) continue;
        std::vector<std::string> clauses;
        for (const ItemField& field : record.fields) {
            const std::string_view word = addressFieldWord(field.name);
            if (word.empty()) continue;
            const AddressText address = readAddressText(field.oldValue);
            if (!address.hasRange || address.form == AddressForm::Any) continue;
            if (facts.newNetworks.holding(address.range) != nullptr) continue;
            const NetworkFacts* before = facts.oldNetworks.holding(address.range);
            if (before == nullptr) continue;
            clauses.push_back(std::string(word) + " " + field.oldValue + " lay in the old network " +
                              rangeText(before->network) + " of " + deviceText(before->device, before->name) +
                              " and lies in none of the new firewall's networks" + partnerClause(*before, facts));
        }
        if (clauses.empty()) continue;
        std::string message = capitalised(itemText(record)) + ": ";
        for (std::size_t i = 0; i < clauses.size(); ++i) message += (i > 0 ? "; " : "") + clauses[i];
        out.push_back(makeFinding(Severity::Medium, "readdressed", message + ".", recordSettings(record)));
    }
}
