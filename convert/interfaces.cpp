// The interface converter: reads the interfaces of the old and the new tree, pairs them, rewrites the
// references the other converters hold and writes the interface list into the merged tree.
#include "convert/interfaces.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "conftree/conftree.h"
#include "template/template_processor.h"

namespace {

constexpr const char* kPhysicalListTemplate = "netobj_list_##_name=all_interfaces";
constexpr const char* kNewListTemplate = "netobj_list_Outside_element";
constexpr const char* kOutputListPrefix = "netobj_list_Outside_element";
constexpr const char* kSqlHostTemplate = "def_proxy_sql-gw_host_##_interface=**";

// Reads one numbered element branch into a record. Old-style elements never carry interface flags
// or an alias leaf; new-style ones keep both.
InterfaceRecord readElement(const Branch& element, bool newStyle) {
    InterfaceRecord record;
    for (Node* child : element.children()) {
        const Leaf* leaf = child->asLeaf();
        if (leaf == nullptr) continue;
        const std::string& name = leaf->name();
        const std::string& value = leaf->value();
        if (name == "addr") record.addr = value;
        else if (name == "broadcast") record.broadcast = value;
        else if (name == "interface") record.interface = value;
        else if (name == "location") record.location = value;
        else if (name == "name") record.name = value;
        else if (name == "netmask") record.netmask = value;
        else if (name == "inat") record.inat = value == "on";
        else if (name == "nat") record.nat = value == "on";
        else if (name == "transparency") record.transparency = value == "on";
        else if (name == "interfaceflags") record.interfaceflags = newStyle ? value : std::string();
        else if (newStyle && name == "alias") record.alias = value == "yes";
    }
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

void TemplateProcessor::addConvertedLeaf(ConfigTree& tree, std::string line) {
    add_leaf(tree, line.data());
}

void TemplateProcessor::parseInterfaces(ConfigTree& tree, InterfaceList& list, const std::string& templateText) {
    const SearchTemplate search = SearchTemplate::leaf(templateText);
    if (!search.valid()) {
        logFault("parseInterfaces", ": Unable to parse source template (", templateText);
        return;
    }
    NodeList found;
    if (!search.search(tree, found)) {
        logFault("parseInterfaces", ": Search returned no data (", templateText);
        return;
    }
    for (Node* leaf : found) {
        const Branch* interfaceList = leaf->parent();
        const Branch* elements = interfaceList != nullptr ? interfaceList->findBranch("element") : nullptr;
        if (elements == nullptr) {
            logFault("parseInterfaces", ": Cannot find elements in interface list (", templateText);
            return;
        }
        readElements(*elements, false, list);
    }
}

bool TemplateProcessor::parse5xInterfaces(ConfigTree& tree) {
    parseInterfaces(tree, oldInterfaces, kPhysicalListTemplate);
    physicalCount = static_cast<int>(oldInterfaces.size());
    if (physicalCount == 0) {
        errorText = "No physical interfaces found on system - cannot continue upgrade";
        logLine("parse5xInterfaces: " + errorText);
        return false;
    }
    for (int i = 0; i < physicalCount; ++i) {
        // The device's additional addresses stand in the list named after it.
        const std::string device = oldInterfaces[static_cast<std::size_t>(i)].interface;
        const std::size_t first = oldInterfaces.size();
        parseInterfaces(tree, oldInterfaces, "netobj_list_##_name=" + device + "$INTERFACE");
        for (std::size_t k = first; k < oldInterfaces.size(); ++k) {
            InterfaceRecord& alias = oldInterfaces[k];
            alias.alias = true;
            const std::size_t colon = alias.interface.find(':');
            if (colon != std::string::npos) alias.interface.erase(colon);
        }
    }
    return true;
}

void TemplateProcessor::parse60Interfaces(ConfigTree& tree) {
    const SearchTemplate search = SearchTemplate::branch(kNewListTemplate);
    if (!search.valid()) {
        logFault("parse60Interfaces", ": Unable to parse source template (", kNewListTemplate);
        return;
    }
    NodeList found;
    if (!search.search(tree, found)) {
        logFault("parse60Interfaces", ": Search returned no data (", kNewListTemplate);
        return;
    }
    for (Node* node : found) {
        if (const Branch* elements = node->asBranch()) readElements(*elements, true, newInterfaces);
    }
}

void TemplateProcessor::reconcileInterfaces() {
    // The first new record of each address, so that the pairing costs one pass over each list.
    std::unordered_map<std::string, int> firstByAddr;
    for (std::size_t j = 0; j < newInterfaces.size(); ++j) {
        firstByAddr.try_emplace(newInterfaces[j].addr, static_cast<int>(j));
    }
    unmatchedOld = 0;
    for (int i = 0; i < physicalCount && static_cast<std::size_t>(i) < oldInterfaces.size(); ++i) {
        const auto match = firstByAddr.find(oldInterfaces[static_cast<std::size_t>(i)].addr);
        if (match != firstByAddr.end()) pairInterfaces(oldInterfaces, i, newInterfaces, match->second);
        if (oldInterfaces[static_cast<std::size_t>(i)].counterpartInterface.empty()) ++unmatchedOld;
    }
}

bool TemplateProcessor::interfaceMergeHelpRequired() const { return unmatchedOld != 0; }

void TemplateProcessor::mergeInterfaces(ConfigTree& tree) {
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
    rewriteInterfaceReferences(tree, changes);

    // Of several old interfaces paired with one new device, only the first is written. Unpaired
    // interfaces are not duplicates of each other: each is written with its own values.
    std::unordered_set<std::string> written;
    for (int i = 0; i < physical; ++i) {
        InterfaceRecord& record = oldInterfaces[static_cast<std::size_t>(i)];
        if (record.counterpartIndex < 0) continue;
        if (!written.insert(record.counterpartInterface).second) record.counterpartIndex = kNotWritten;
    }
}

void TemplateProcessor::changeInterfaces(ConfigTree& tree, const InterfaceRecord& oldRecord,
                                         const InterfaceRecord& newRecord) {
    rewriteInterfaceReferences(tree, {{oldRecord.interface, oldRecord.addr, newRecord.interface, newRecord.addr}});
}

void TemplateProcessor::rewriteInterfaceReferences(ConfigTree& tree, const std::vector<InterfaceChange>& changes) {
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
    for (PfService& service : pfLists.oldLocal.services) renameDevice(service.interface);
    for (PfService& service : pfLists.oldForward.services) renameDevice(service.interface);
    for (NatRule& rule : natRules) renameDevice(rule.network);

    // The database proxy's hosts name the interface they listen on by its address.
    const SearchTemplate search = SearchTemplate::leaf(kSqlHostTemplate);
    NodeList found;
    if (!search.valid()) {
        for (std::size_t n = 0; n < changes.size(); ++n) {
            logFault("changeInterfaces", ": Unable to parse Oracle rule template (", kSqlHostTemplate);
        }
        return;
    }
    if (!search.search(tree, found)) {
        for (std::size_t n = 0; n < changes.size(); ++n) {
            logFault("changeInterfaces", ": Search returned no data (", kSqlHostTemplate);
        }
        return;
    }
    for (Node* node : found) {
        Leaf* leaf = node->asLeaf();
        if (leaf == nullptr) continue;
        const auto moved = addresses.find(leaf->value());
        if (moved != addresses.end()) leaf->setValue(moved->second);
    }
}

void TemplateProcessor::saveInterfaces(ConfigTree& tree) {
    int n = 0;
    for (const InterfaceRecord& oldRecord : oldInterfaces) {
        if (oldRecord.counterpartIndex == kNotWritten) continue;
        const bool paired = oldRecord.counterpartIndex >= 0 &&
                            static_cast<std::size_t>(oldRecord.counterpartIndex) < newInterfaces.size();
        const InterfaceRecord& record =
            paired ? newInterfaces[static_cast<std::size_t>(oldRecord.counterpartIndex)] : oldRecord;
        ++n;
        const std::string prefix = std::string(kOutputListPrefix) + "_" + std::to_string(n) + "_";
        addConvertedLeaf(tree, prefix + "name=" + record.name);
        addConvertedLeaf(tree, prefix + "interfaceflags=");
        addConvertedLeaf(tree, prefix + "broadcast=" + record.broadcast);
        addConvertedLeaf(tree, prefix + "netmask=" + record.netmask);
        addConvertedLeaf(tree, prefix + "addr=" + record.addr);
        addConvertedLeaf(tree, prefix + "interface=" + record.interface);
        if (record.alias) {
            addConvertedLeaf(tree, prefix + "alias=yes");
            continue;
        }
        addConvertedLeaf(tree, prefix + "alias=no");
        addConvertedLeaf(tree, prefix + "nat=" + onOff(record.nat));
        addConvertedLeaf(tree, prefix + "inat=" + onOff(record.inat));
        addConvertedLeaf(tree, prefix + "transparency=" + onOff(record.transparency));
        addConvertedLeaf(tree, prefix + "location=" + record.location);
    }
}
