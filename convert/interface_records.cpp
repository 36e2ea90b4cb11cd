// The interface converter's records for the upgrade report: what became of every old interface and
// alias and of every interface of the new firewall, and how each old physical interface was paired
// (see interface_converter.h and item_records.h).
#include <algorithm>
#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "convert/interface_converter.h"

namespace {

constexpr const char* kWrittenListPrefix = "netobj_list_Outside_element_";

const char* onOff(bool flag) { return flag ? "on" : "off"; }

std::string describe(const InterfaceRecord& record) {
    return record.name.empty() ? record.interface : record.interface + " (" + record.name + ")";
}

std::string aliasLabel(const InterfaceRecord& record) { return record.name.empty() ? record.addr : record.name; }

// What the merge and the save do with the old physical interfaces, worked out from the pairing as
// it stands: before the merge, from the pairings made so far, exactly as the merge will mark them.
class InterfacePlan {
public:
    InterfacePlan(const InterfaceList& oldList, int physicalCount, const InterfaceList& newList)
        : oldList_(oldList), newList_(newList) {
        physical_ = static_cast<std::size_t>(std::clamp(physicalCount, 0, static_cast<int>(oldList.size())));
        partner_.assign(oldList.size(), -1);
        dropped_.assign(oldList.size(), false);
        firstOfDevice_.assign(oldList.size(), -1);
        writer_.assign(newList.size(), -1);
        std::unordered_map<std::string, int> firstByDevice;
        for (std::size_t i = 0; i < oldList.size(); ++i) {
            const InterfaceRecord& record = oldList[i];
            partner_[i] = partnerOf(record);
            if (i < physical_ && record.counterpartIndex != kUnpaired) {
                // Of several old interfaces paired with one new device, the merge writes the first.
                const auto [first, fresh] = firstByDevice.try_emplace(record.counterpartInterface, static_cast<int>(i));
                firstOfDevice_[i] = first->second;
                dropped_[i] = record.counterpartIndex == kNotWritten || !fresh;
            }
            if (!dropped_[i] && partner_[i] >= 0 && writer_[static_cast<std::size_t>(partner_[i])] < 0) {
                writer_[static_cast<std::size_t>(partner_[i])] = static_cast<int>(i);
            }
        }
    }

    std::size_t physical() const { return physical_; }
    // The new record old record i is paired with, or -1.
    int partner(std::size_t i) const { return partner_[i]; }
    bool dropped(std::size_t i) const { return dropped_[i]; }
    // The old physical interface written for the partner of old record i (itself unless dropped).
    int firstOfDevice(std::size_t i) const { return firstOfDevice_[i]; }
    // The old record written as new record j, or -1 when j is not written.
    int writer(std::size_t j) const { return writer_[j]; }
    // The record whose values old record i is written with: its partner's, or its own.
    const InterfaceRecord& written(std::size_t i) const {
        return partner_[i] >= 0 ? newList_[static_cast<std::size_t>(partner_[i])] : oldList_[i];
    }

private:
    // The merge marks a later duplicate as not written and so forgets the position of its partner;
    // device name and address still name it (a new record's own values never change).
    int partnerOf(const InterfaceRecord& record) const {
        if (record.counterpartIndex >= 0) {
            return static_cast<std::size_t>(record.counterpartIndex) < newList_.size() ? record.counterpartIndex : -1;
        }
        if (record.counterpartIndex != kNotWritten) return -1;
        for (std::size_t j = 0; j < newList_.size(); ++j) {
            if (newList_[j].interface == record.counterpartInterface && newList_[j].addr == record.counterpartAddr) {
                return static_cast<int>(j);
            }
        }
        return -1;
    }

    const InterfaceList& oldList_;
    const InterfaceList& newList_;
    std::size_t physical_ = 0;
    std::vector<int> partner_;
    std::vector<bool> dropped_;
    std::vector<int> firstOfDevice_;
    std::vector<int> writer_;
};

std::vector<std::string> writtenIds(int writtenAs) {
    if (writtenAs <= 0) return {};
    return {kWrittenListPrefix + std::to_string(writtenAs)};
}

// The fields of an interface: its values as read and, unless it is not written, as written.
std::vector<ItemField> interfaceFields(const InterfaceRecord& asRead, const InterfaceRecord* written, bool nat) {
    std::vector<ItemField> fields;
    fields.reserve(nat ? 5 : 3);
    fields.push_back({"interface", asRead.interfaceAsRead, written ? written->interface : std::string()});
    fields.push_back({"addr", asRead.addr, written ? written->addr : std::string()});
    fields.push_back({"netmask", asRead.netmask, written ? written->netmask : std::string()});
    if (!nat) return fields;
    fields.push_back({"location", asRead.location, written ? written->location : std::string()});
    fields.push_back({"nat", onOff(asRead.natAsRead), written ? onOff(written->nat) : std::string()});
    return fields;
}

ItemRecord oldPhysicalRecord(const InterfacePlan& plan, const InterfaceList& oldList, const InterfaceList& newList,
                             std::size_t i) {
    const InterfaceRecord& record = oldList[i];
    ItemRecord item;
    item.kind = ItemKind::Interface;
    item.origin = ItemOrigin::Old;
    item.oldId = record.settingPrefix;
    item.label = record.name;
    const int partner = plan.partner(i);
    const std::string how = record.pairedByAddress ? "by address" : "by choice";
    if (plan.dropped(i)) {
        item.outcome = ItemOutcome::Dropped;
        item.fields = interfaceFields(record, nullptr, true);
        const int first = plan.firstOfDevice(i);
        const std::string partnerText =
            partner >= 0 ? describe(newList[static_cast<std::size_t>(partner)]) : record.counterpartInterface;
        std::string reason =
            "Not written: paired " + how + " with " + partnerText + " of the new firewall, which is written for ";
        reason += first >= 0 ? describe(oldList[static_cast<std::size_t>(first)]) : std::string("another interface");
        reason += ", paired with it first";
        item.reasons.push_back(std::move(reason));
        return item;
    }
    const InterfaceRecord& written = plan.written(i);
    item.fields = interfaceFields(record, &written, true);
    item.newIds = writtenIds(record.writtenAs);
    if (partner < 0) {
        item.outcome = ItemOutcome::Converted;
        item.reasons.push_back("No partner on the new firewall: written with its own settings");
        return item;
    }
    item.outcome = ItemOutcome::Converted;
    const std::string pairing = "Paired " + how + " with " + describe(written) + " of the new firewall";
    if (written.interface != record.interface) {
        item.outcome = ItemOutcome::Changed;
        item.reasons.push_back(pairing + ": the device changes from " + record.interface + " to " + written.interface);
    }
    if (written.addr != record.addr) {
        item.outcome = ItemOutcome::Changed;
        item.reasons.push_back(pairing + ": the address changes from " + record.addr + " to " + written.addr);
    }
    if (written.nat != record.nat) {
        item.outcome = ItemOutcome::Changed;
        item.reasons.push_back(std::string("NAT changes from ") + onOff(record.nat) + " to " + onOff(written.nat) +
                               ": " + describe(written) +
                               " takes the setting of the last old interface paired with it");
    }
    return item;
}

ItemRecord oldAliasRecord(const InterfacePlan& plan, const InterfaceList& oldList, std::size_t i) {
    const InterfaceRecord& record = oldList[i];
    ItemRecord item;
    item.kind = ItemKind::InterfaceAlias;
    item.origin = ItemOrigin::Old;
    item.oldId = record.settingPrefix;
    item.label = aliasLabel(record);
    const InterfaceRecord& written = plan.written(i);
    item.fields = interfaceFields(record, &written, false);
    item.newIds = writtenIds(record.writtenAs);
    item.outcome = ItemOutcome::Converted;
    if (written.interface != record.interfaceAsRead) {
        item.outcome = ItemOutcome::Changed;
        item.reasons.push_back("Its interface " + record.interfaceAsRead + " was paired with " + written.interface +
                               ": the alias moves to " + written.interface);
    }
    return item;
}

ItemRecord newInterfaceRecord(const InterfacePlan& plan, const InterfaceList& oldList, const InterfaceList& newList,
                              std::size_t j) {
    const InterfaceRecord& record = newList[j];
    ItemRecord item;
    item.kind = record.alias ? ItemKind::InterfaceAlias : ItemKind::Interface;
    item.origin = ItemOrigin::New;
    item.oldId = record.settingPrefix;
    item.label = record.alias ? aliasLabel(record) : record.name;
    const int writer = plan.writer(j);
    if (writer < 0) {
        item.outcome = ItemOutcome::Dropped;
        item.fields = interfaceFields(record, nullptr, !record.alias);
        item.reasons.push_back(
            "No old interface is paired with it: the written list holds the old firewall's interfaces, each as its "
            "partner, so it is not written");
        return item;
    }
    item.outcome = ItemOutcome::Converted;
    item.fields = interfaceFields(record, &record, !record.alias);
    item.newIds = writtenIds(oldList[static_cast<std::size_t>(writer)].writtenAs);
    return item;
}

}  // namespace

void InterfaceConverter::appendRecords(std::vector<ItemRecord>& out) const {
    const InterfacePlan plan(oldInterfaces, physicalCount, newInterfaces);
    out.reserve(out.size() + oldInterfaces.size() + newInterfaces.size());
    for (std::size_t i = 0; i < oldInterfaces.size(); ++i) {
        out.push_back(i < plan.physical() ? oldPhysicalRecord(plan, oldInterfaces, newInterfaces, i)
                                          : oldAliasRecord(plan, oldInterfaces, i));
    }
    for (std::size_t j = 0; j < newInterfaces.size(); ++j) {
        out.push_back(newInterfaceRecord(plan, oldInterfaces, newInterfaces, j));
    }
}

std::vector<PairRecord> InterfaceConverter::pairingRecords() const {
    const InterfacePlan plan(oldInterfaces, physicalCount, newInterfaces);
    std::unordered_map<std::string, int> pairedWithDevice;
    for (std::size_t i = 0; i < plan.physical(); ++i) {
        if (oldInterfaces[i].counterpartIndex != kUnpaired) ++pairedWithDevice[oldInterfaces[i].counterpartInterface];
    }
    std::vector<PairRecord> pairs;
    pairs.reserve(plan.physical());
    for (std::size_t i = 0; i < plan.physical(); ++i) {
        const InterfaceRecord& record = oldInterfaces[i];
        PairRecord pair;
        pair.oldDevice = record.interface;
        pair.oldName = record.name;
        pair.oldAddr = record.addr;
        pair.oldNetmask = record.netmask;
        pair.oldLocation = record.location;
        pair.oldNat = record.nat;
        if (record.counterpartIndex != kUnpaired) {
            pair.method = record.pairedByAddress ? PairingMethod::Address : PairingMethod::Choice;
            pair.shared = pairedWithDevice[record.counterpartInterface] > 1;
            pair.newDevice = record.counterpartInterface;
            pair.newAddr = record.counterpartAddr;
        }
        if (const int partner = plan.partner(i); partner >= 0) {
            const InterfaceRecord& other = newInterfaces[static_cast<std::size_t>(partner)];
            pair.newDevice = other.interface;
            pair.newName = other.name;
            pair.newAddr = other.addr;
            pair.newNetmask = other.netmask;
            pair.newLocation = other.location;
            pair.newNat = other.nat;
        }
        pairs.push_back(std::move(pair));
    }
    return pairs;
}
