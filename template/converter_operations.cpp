// The processor's converter operations: each delegates to the converter of its family, with the
// processor as the converter's context and the records of other families the converter needs handed
// in explicitly. Also the read-only views of the records for the front ends.
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "conftree/config_tree.h"
#include "template/template_processor.h"

// ---- Interfaces -----------------------------------------------------------------------------------

InterfacePairing TemplateProcessor::interfacePairing() {
    return InterfacePairing(interfaces_.oldInterfaces, interfaces_.physicalCount, interfaces_.newInterfaces);
}

DeviceReferences TemplateProcessor::deviceReferences() {
    return {packetFilter_.lists.oldLocal.services, packetFilter_.lists.oldForward.services, natRules_.rules};
}

void TemplateProcessor::parseInterfaces(ConfigTree& tree, InterfaceList& list, const std::string& templateText) {
    interfaces_.parseList(*this, tree, list, templateText);
}

bool TemplateProcessor::parse5xInterfaces(ConfigTree& oldTree) {
    std::optional<std::string> failure = interfaces_.parseOld(*this, oldTree);
    if (!failure) return true;
    errorText_ = std::move(*failure);
    return false;
}

void TemplateProcessor::parse60Interfaces(ConfigTree& newTree) { interfaces_.parseNew(*this, newTree); }

void TemplateProcessor::reconcileInterfaces() { interfaces_.reconcile(); }

bool TemplateProcessor::interfaceMergeHelpRequired() const { return interfaces_.mergeHelpRequired(); }

void TemplateProcessor::mergeInterfaces(ConfigTree& tree) { interfaces_.merge(*this, tree, deviceReferences()); }

void TemplateProcessor::changeInterfaces(ConfigTree& tree, const InterfaceRecord& oldRecord,
                                         const InterfaceRecord& newRecord) {
    interfaces_.rewriteReferences(
        *this, tree, {{oldRecord.interface, oldRecord.addr, newRecord.interface, newRecord.addr}}, deviceReferences());
}

void TemplateProcessor::saveInterfaces(ConfigTree& tree) { interfaces_.save(*this, tree); }

void TemplateProcessor::rewriteInterfaceReferences(ConfigTree& tree, const std::vector<InterfaceChange>& changes) {
    interfaces_.rewriteReferences(*this, tree, changes, deviceReferences());
}

// ---- Network address objects ----------------------------------------------------------------------

std::string TemplateProcessor::convertAddr(std::string_view text, std::string& port, const std::string& desc) {
    return netObjects_.convertAddr(text, port, desc);
}

std::string TemplateProcessor::getNetObject(int kind, const std::string& value1, const std::string& value2,
                                            const std::string& desc) {
    return netObjects_.get(kind, value1, value2, desc);
}

NetObjectRef TemplateProcessor::lookupNetObject(int kind, std::string_view value) const {
    return netObjects_.lookup(kind, value);
}

bool TemplateProcessor::netObjectExists(int kind, std::string_view name) const {
    return netObjects_.exists(kind, name);
}

NetObjectRef TemplateProcessor::createNetObject(int kind, const std::string& value, const std::string& desc) {
    return netObjects_.create(kind, value, desc);
}

std::string TemplateProcessor::createCompoundNetObject(int kind, const std::string& label, const std::string& firstName,
                                                       const std::string& secondName, const std::string& desc) {
    return netObjects_.createCompound(kind, label, firstName, secondName, desc);
}

void TemplateProcessor::saveNetObjects(ConfigTree& tree) { netObjects_.save(*this, tree); }

// ---- Service and destination groups ---------------------------------------------------------------

void TemplateProcessor::parseSvcGroups(ConfigTree& oldTree) { groups_.parseServiceGroups(*this, oldTree); }

void TemplateProcessor::parseDestGroups(ConfigTree& oldTree) { groups_.parseDestinationRecords(*this, oldTree); }

void TemplateProcessor::convertDestGroups() { groups_.convertDestinationGroups(netObjects_); }

void TemplateProcessor::saveServiceGroups(ConfigTree& tree) { groups_.saveServiceGroups(*this, tree); }

void TemplateProcessor::saveDestGroups(ConfigTree& tree) { groups_.saveDestinationGroups(*this, tree); }

// ---- Proxy rules ----------------------------------------------------------------------------------

void TemplateProcessor::parseProxyRules(ConfigTree& oldTree) { proxyRules_.parse(*this, oldTree, groups_); }

void TemplateProcessor::saveProxyRules(ConfigTree& tree) { proxyRules_.save(*this, tree); }

// ---- NAT and INAT rules ---------------------------------------------------------------------------

void TemplateProcessor::parseNatRules(ConfigTree& oldTree) { natRules_.parse(*this, oldTree, netObjects_); }

void TemplateProcessor::saveNatRules(ConfigTree& tree) { natRules_.save(*this, tree); }

// ---- Packet filter rules --------------------------------------------------------------------------

void TemplateProcessor::parse5xStylePF(ConfigTree& tree, const char* editTemplate, std::vector<PfService>& services,
                                       std::vector<PfRule>& rules, bool forward) {
    PacketFilterConverter::parse5xStyle(*this, tree, editTemplate, services, rules, forward, netObjects_);
}

void TemplateProcessor::parse60StylePF(ConfigTree& tree, std::vector<PfService>& services, std::vector<PfRule>& rules,
                                       bool forward) {
    PacketFilterConverter::parse60Style(*this, tree, services, rules, forward);
}

void TemplateProcessor::parseOldTreePfRules(ConfigTree& oldTree) {
    packetFilter_.parseOldTree(*this, oldTree, netObjects_);
}

void TemplateProcessor::parseNewTreePfRules(ConfigTree& newTree) { packetFilter_.parseNewTree(*this, newTree); }

void TemplateProcessor::savePfRules(ConfigTree& tree) { packetFilter_.save(*this, tree); }

// ---- Counts ---------------------------------------------------------------------------------------

ConversionCounts TemplateProcessor::counts() const {
    ConversionCounts result;
    const InterfaceList& oldList = interfaces_.oldInterfaces;
    result.physicalInterfaces = interfaces_.physicalCount;
    result.aliases = oldList.size() - static_cast<std::size_t>(interfaces_.physicalCount);
    for (const InterfaceRecord& record : oldList) {
        if (record.counterpartIndex != kNotWritten) ++result.interfacesWritten;
    }
    result.netObjects = netObjects_.size();
    result.serviceGroups = groups_.serviceGroups.size();
    result.destinationGroups = groups_.destinationGroups.size();
    result.proxyRulesRead = proxyRules_.rules.size();
    result.proxyRulesWritten = proxyRules_.written;
    for (const NatRule& rule : natRules_.rules) {
        (rule.ruleType == kInatRuleType ? result.inatRules : result.natRules)++;
    }
    const PfRuleLists& pf = packetFilter_.lists;
    result.forwardPfRulesRead = pf.oldForward.rules.size();
    result.localPfRulesRead = pf.oldLocal.rules.size();
    result.forwardPfRulesWritten = pf.forwardCount;
    result.localPfRulesWritten = pf.localCount;
    return result;
}

// ---- Records for the upgrade report ---------------------------------------------------------------

std::vector<ItemRecord> TemplateProcessor::itemRecords() const {
    std::vector<ItemRecord> records;
    // Room for every record at once: the families append to one list that is never moved.
    const PfRuleLists& pf = packetFilter_.lists;
    records.reserve(interfaces_.oldInterfaces.size() + interfaces_.newInterfaces.size() + netObjects_.size() +
                    groups_.serviceGroups.size() + groups_.destinationGroups.size() + proxyRules_.rules.size() +
                    proxyRules_.dropped.size() + natRules_.rules.size() + natRules_.dropped.size() +
                    pf.oldForward.rules.size() + pf.newForward.rules.size() + pf.oldLocal.rules.size() +
                    pf.newLocal.rules.size());
    interfaces_.appendRecords(records);
    netObjects_.appendRecords(records);
    groups_.appendRecords(records);
    proxyRules_.appendRecords(records);
    natRules_.appendRecords(records);
    packetFilter_.appendRecords(records);
    return records;
}

std::vector<PairRecord> TemplateProcessor::pairingRecords() const { return interfaces_.pairingRecords(); }
