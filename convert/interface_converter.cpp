// The interface converter: reads the interfaces of the old and the new tree, pairs them, rewrites the
// references the other converters hold and writes the interface list into the merged tree.
#include "convert/interface_converter.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "conftree/conftree.h"
#include "convert/converter_context.h"
#include "convert/node_values.h"
#include "convert/tree_search.h"

namespace {

constexpr const char* kPhysicalListTemplate = "netobj_list_##_name=all_interfaces";
constexpr const char* kNewListTemplate = "netobj_list_Outside_element";
constexpr const char* kOutputListPrefix = "netobj_list_Outside_element";
constexpr const char* kSqlHostTemplate = "def_proxy_sql-gw_host_##_interface=**";

// Reads one numbered element branch into a record. Old-style elements never carry interface flags
// or an alias leaf; new-style ones keep both.
InterfaceRecord readElement(const Branch& element, bool newStyle) {
    InterfaceRecord record;
    record.settingPrefix = settingPath(element);
    for (Node* child : element.children()) {
        const Leaf* leaf = child->asLeaf();
        if (leaf == nullptr) continue;
        const std::string& name = leaf->name();
        const std::string& value = leaf->value();
        if (name == "addr")
            record.addr = value;
        else if (name == "broadcast")
            record.broadcast = value;
        else if (name == "interface")
            record.interface = value;
        else if (name == "location")
            record.location = value;
        else if (name == "name")
            record.name = value;
        else if (name == "netmask")
            record.netmask = value;
        else if (name == "inat")
            record.inat = value == "on";
        else if (name == "nat")
            record.nat = value == "on";
        else if (name == "transparency")
            record.transparency = value == "on";
        else if (name == "interfaceflags")
            record.interfaceflags = newStyle ? value : std::string();
        else if (newStyle && name == "alias")
            record.alias = value == "yes";
    }
    record.interfaceAsRead = record.interface;
    record.natAsRead = record.nat;
    return record;
}

// Appends one record per numbered element (the branch children of an "element" branch).
void readElements(const Branch& elements, bool newStyle, InterfaceList& list) {
    for (Node* child : elements.children()) {
        if (const Branch* element = child->asBranch()) list.push_back(readElement(*element, newStyle));
    }
}

const char* onOff(bool flag) { return flag ? "on" : "off"; }

}  // namespace

void InterfaceConverter::parseList(ConverterContext& context, ConfigTree& tree, InterfaceList& list,
                                   const std::string& templateText) {
    const TreeSearch search = searchTree(context, tree, "parseInterfaces", TemplateKind::Leaf, templateText,
                                         ": Unable to parse source template (", ": Search returned no data (");
    if (!search.matched) return;
    for (Node* leaf : search.found) {
        const Branch* interfaceList = leaf->parent();
        const Branch* elements = interfaceList != nullptr ? interfaceList->findBranch("element") : nullptr;
        if (elements == nullptr) {
            context.logFault("parseInterfaces", ": Cannot find elements in interface list (", templateText);
            return;
        }
        readElements(*elements, false, list);
    }
}

std::optional<std::string> InterfaceConverter::parseOld(ConverterContext& context, ConfigTree& tree) {
    parseList(context, tree, oldInterfaces, kPhysicalListTemplate);
    physicalCount = static_cast<int>(oldInterfaces.size());
    if (physicalCount == 0) {
        std::string reason = "No physical interfaces found on system - cannot continue upgrade";
        context.logLine("parse5xInterfaces: " + reason);
        return reason;
    }
    for (int i = 0; i < physicalCount; ++i) {
        // The device's additional addresses stand in the list named after it.
        const std::string device = oldInterfaces[static_cast<std::size_t>(i)].interface;
        const std::size_t first = oldInterfaces.size();
        parseList(context, tree, oldInterfaces, "netobj_list_##_name=" + device + "$INTERFACE");
        for (std::size_t k = first; k < oldInterfaces.size(); ++k) {
            InterfaceRecord& alias = oldInterfaces[k];
            alias.alias = true;
            const std::size_t colon = alias.interface.find(':');
            if (colon != std::string::npos) alias.interface.erase(colon);
            alias.interfaceAsRead = alias.interface;
        }
    }
    return std::nullopt;
}

void InterfaceConverter::parseNew(ConverterContext& context, ConfigTree& tree) {
    const TreeSearch search = searchTree(context, tree, "parse60Interfaces", TemplateKind::Branch, kNewListTemplate,
                                         ": Unable to parse source template (", ": Search returned no data (");
    if (!search.matched) return;
    for (Node* node : search.found) {
        if (const Branch* elements = node->asBranch()) readElements(*elements, true, newInterfaces);
    }
}

void InterfaceConverter::reconcile() {
    // The first new record of each address, so that the pairing costs one pass over each list.
    std::unordered_map<std::string, int> firstByAddr;
    for (std::size_t j = 0; j < newInterfaces.size(); ++j) {
        firstByAddr.try_emplace(newInterfaces[j].addr, static_cast<int>(j));
    }
    unmatchedOld = 0;
    for (int i = 0; i < physicalCount && static_cast<std::size_t>(i) < oldInterfaces.size(); ++i) {
        const auto match = firstByAddr.find(oldInterfaces[static_cast<std::size_t>(i)].addr);
        if (match != firstByAddr.end() && pairInterfaces(oldInterfaces, i, newInterfaces, match->second)) {
            oldInterfaces[static_cast<std::size_t>(i)].pairedByAddress = true;
        }
        if (oldInterfaces[static_cast<std::size_t>(i)].counterpartInterface.empty()) ++unmatchedOld;
    }
}

void InterfaceConverter::merge(ConverterContext& context, ConfigTree& tree, const DeviceReferences& references) {
    const int physical = std::min(physicalCount, static_cast<int>(oldInterfaces.size()));
    std::vector<InterfaceChange> changes;
    for (int i = 0; i < physical; ++i) {
        const InterfaceRecord& oldRecord = oldInterfaces[static_cast<std::size_t>(i)];
        // An interface that is still unpaired keeps its own name and address; nothing to rewrite.
        const int j = oldRecord.counterpartIndex;
        if (j < 0 || static_cast<std::size_t>(j) >= newInterfaces.size()) continue;
        if (oldRecord.interface != oldRecord.counterpartInterface || oldRecord.addr != oldRecord.counterpartAddr) {
            const InterfaceRecord& newRecord = newInterfaces[static_cast<std::size_t>(j)];
            changes.push_back({oldRecord.interface, oldRecord.addr, newRecord.interface, newRecord.addr});
        }
    }
    rewriteReferences(context, tree, changes, references);

    // Of several old interfaces paired with one new device, only the first is written. Unpaired
    // interfaces are not duplicates of each other: each is written with its own values.
    std::unordered_set<std::string> written;
    for (int i = 0; i < physical; ++i) {
        InterfaceRecord& record = oldInterfaces[static_cast<std::size_t>(i)];
        if (record.counterpartIndex < 0) continue;
        if (!written.insert(record.counterpartInterface).second) record.counterpartIndex = kNotWritten;
    }
}

void InterfaceConverter::rewriteReferences(ConverterContext& context, ConfigTree& tree,
                                           const std::vector<InterfaceChange>& changes,
                                           const DeviceReferences& references) {
    if (changes.empty()) return;
    // Every reference is rewritten from its value before the merge, by the first change that names
    // that value. Rewriting one change after another would chain: after eth0 -> eth1, a later
    // eth1 -> eth0 would turn the rewritten references back, and swapped interfaces would end up on
    // one device.
    std::unordered_map<std::string, std::string> devices;
    std::unordered_map<std::string, std::string> addresses;
    for (const InterfaceChange& change : changes) {
        if (change.oldName != change.newName) devices.try_emplace(change.oldName, change.newName);
        if (change.oldAddr != change.newAddr) addresses.try_emplace(change.oldAddr, change.newAddr);
    }
    auto renameDevice = [&devices](std::string& device) {
        const auto found = devices.find(device);
        if (found != devices.end()) device = found->second;
    };

    for (std::size_t k = static_cast<std::size_t>(std::max(physicalCount, 0)); k < oldInterfaces.size(); ++k) {
        renameDevice(oldInterfaces[k].interface);
    }
    for (PfService& service : references.localServices) renameDevice(service.interface);
    for (PfService& service : references.forwardServices) renameDevice(service.interface);
    for (NatRule& rule : references.natRules) renameDevice(rule.network);

    // The database proxy's hosts name the interface they listen on by its address. Its faults are
    // written once per change, as when the changes were made one at a time.
    const TreeSearch search = searchTree(context, tree, "changeInterfaces", TemplateKind::Leaf, kSqlHostTemplate,
                                         ": Unable to parse Oracle rule template (", ": Search returned no data (",
                                         FaultLines::repeated(changes.size()));
    if (!search.matched) return;
    for (Node* node : search.found) {
        Leaf* leaf = node->asLeaf();
        if (leaf == nullptr) continue;
        const auto moved = addresses.find(leaf->value());
        if (moved != addresses.end()) leaf->setValue(moved->second);
    }
}

void InterfaceConverter::save(ConverterContext& context, ConfigTree& tree) {
    int n = 0;
    for (InterfaceRecord& oldRecord : oldInterfaces) {
        oldRecord.writtenAs = 0;
        if (oldRecord.counterpartIndex == kNotWritten) continue;
        const bool paired = oldRecord.counterpartIndex >= 0 &&
                            static_cast<std::size_t>(oldRecord.counterpartIndex) < newInterfaces.size();
        const InterfaceRecord& record =
            paired ? newInterfaces[static_cast<std::size_t>(oldRecord.counterpartIndex)] : oldRecord;
        oldRecord.writtenAs = ++n;
        const std::string prefix = std::string(kOutputListPrefix) + "_" + std::to_string(n) + "_";
        context.addSetting(tree, prefix + "name=" + record.name);
        context.addSetting(tree, prefix + "interfaceflags=");
        context.addSetting(tree, prefix + "broadcast=" + record.broadcast);
        context.addSetting(tree, prefix + "netmask=" + record.netmask);
        context.addSetting(tree, prefix + "addr=" + record.addr);
        context.addSetting(tree, prefix + "interface=" + record.interface);
        if (record.alias) {
            context.addSetting(tree, prefix + "alias=yes");
            continue;
        }
        context.addSetting(tree, prefix + "alias=no");
        context.addSetting(tree, prefix + "nat=" + onOff(record.nat));
        context.addSetting(tree, prefix + "inat=" + onOff(record.inat));
        context.addSetting(tree, prefix + "transparency=" + onOff(record.transparency));
        context.addSetting(tree, prefix + "location=" + record.location);
    }
}
