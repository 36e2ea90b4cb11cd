// The NAT and INAT rules' records for the upgrade report (see nat_rules.h).
#include <string>
#include <vector>

#include "convert/nat_rules.h"
#include "convert/text_fields.h"

namespace {

std::string portText(const NatRule& rule) {
    if (rule.portStart.empty() && rule.portEnd.empty()) return {};
    return joinText({rule.portStart, "-", rule.portEnd});
}

bool isInat(const NatRule& rule) { return rule.ruleType == kInatRuleType; }

std::string readFrom(const NatRule& rule) { return joinText({"rule_natrule_", rule.branchName}); }

ItemRecord ruleRecord(const NatRule& rule, bool written) {
    const bool inat = isInat(rule);
    const std::string port = portText(rule);
    auto value = [written](const std::string& text) { return written ? text : std::string(); };
    ItemRecord item;
    item.kind = inat ? ItemKind::InatRule : ItemKind::NatRule;
    item.origin = ItemOrigin::Old;
    item.outcome = written ? ItemOutcome::Converted : ItemOutcome::Dropped;
    item.oldId = readFrom(rule);
    // NAT rules carry no label: a person knows them by their addresses.
    item.label = rule.localText.empty() || rule.globalText.empty()
                     ? item.oldId
                     : joinText({rule.localText, " -> ", rule.globalText});
    // An INAT rule is written with its two addresses and its interface only.
    item.fields.reserve(6);
    item.fields.push_back({"action", rule.ruleType, value(rule.ruleType)});
    item.fields.push_back({"global", rule.globalText, value(rule.global)});
    item.fields.push_back({"local", rule.localText, value(rule.local)});
    item.fields.push_back({"remote", rule.remoteText, inat ? std::string() : value(rule.remote)});
    item.fields.push_back({"interface", rule.networkAsRead, value(rule.network)});
    item.fields.push_back({"port", port, inat ? std::string() : value(port)});
    return item;
}

// The rejection as the log gives it: its first line, then one line per value at fault.
std::vector<std::string> rejectionReasons(const NatRule& rule) {
    std::vector<std::string> reasons = {"Unable to convert NAT/INAT rule number " + std::to_string(rule.oldNumber) +
                                        " - critical values missing or invalid"};
    if (rule.global.empty()) reasons.push_back("globalAddr: <blank> - this is illegal");
    if (rule.local.empty()) reasons.push_back("localAddr: <blank> - this is illegal");
    if (rule.ruleType.empty()) reasons.push_back("ruleType: <blank> - this is illegal");
    if (rule.network.empty()) {
        reasons.push_back("iface: <blank> - this is illegal");
    } else if (rule.network == "*") {
        reasons.push_back("iface: * - NAT/INAT rules may not be bound to a \"*\" interface");
    }
    return reasons;
}

}  // namespace

void NatRuleConverter::appendRecords(std::vector<ItemRecord>& out) const {
    out.reserve(out.size() + rules.size() + dropped.size());
    for (const NatRule& rule : rules) {
        ItemRecord item = ruleRecord(rule, true);
        if (rule.writtenAs > 0) {
            item.newIds.push_back(
                joinText({isInat(rule) ? "rule_inatrule_" : "rule_natrule_", std::to_string(rule.writtenAs)}));
        }
        if (rule.network != rule.networkAsRead) {
            item.outcome = ItemOutcome::Changed;
            item.reasons.push_back(
                joinText({"The interface merge moved it from ", rule.networkAsRead, " to ", rule.network}));
        }
        if (isInat(rule) && (!rule.remote.empty() || !portText(rule).empty())) {
            item.outcome = ItemOutcome::Changed;
            std::string lost;
            if (!rule.remote.empty()) lost = "remote address " + rule.remoteText;
            if (!portText(rule).empty()) lost += (lost.empty() ? "port " : " and port ") + portText(rule);
            item.reasons.push_back("An INAT rule is written without remote address and port: its " + lost +
                                   " is not written");
        }
        out.push_back(std::move(item));
    }
    for (const NatRule& rule : dropped) {
        ItemRecord item = ruleRecord(rule, false);
        item.reasons = rejectionReasons(rule);
        out.push_back(std::move(item));
    }
}
