// A hand-made upgrade report for the tests of the report's files and summary: a small branch office
// converted to its final configuration, with every kind of record, three high findings (one with
// markup characters in its text), a medium and an info finding, a pairing with a shared and an
// unpaired interface, script lines (one of an unknown verb) and changed settings of the new firewall.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "report/upgrade_report.h"

namespace reportsample {

inline ItemRecord record(ItemKind kind, ItemOutcome outcome, std::string oldId, std::string label,
                         std::vector<std::string> newIds, std::vector<std::string> reasons = {},
                         std::initializer_list<ItemField> fields = {}) {
    ItemRecord r;
    r.kind = kind;
    r.outcome = outcome;
    r.origin = outcome == ItemOutcome::Created ? ItemOrigin::Upgrade : ItemOrigin::Old;
    r.oldId = std::move(oldId);
    r.label = std::move(label);
    r.newIds = std::move(newIds);
    r.reasons = std::move(reasons);
    r.fields = fields;
    return r;
}

inline PairRecord pair(std::string oldDevice, std::string oldName, std::string oldAddr, std::string oldLocation,
                       std::string newDevice, std::string newName, std::string newAddr, std::string newLocation,
                       PairingMethod method, bool shared = false) {
    PairRecord p;
    p.oldDevice = std::move(oldDevice);
    p.oldName = std::move(oldName);
    p.oldAddr = std::move(oldAddr);
    p.oldNetmask = "255.255.255.0";
    p.oldLocation = std::move(oldLocation);
    p.oldNat = p.oldLocation == "outside";
    if (method != PairingMethod::Unpaired) {
        p.newDevice = std::move(newDevice);
        p.newName = std::move(newName);
        p.newAddr = std::move(newAddr);
        p.newNetmask = "255.255.255.0";
        p.newLocation = std::move(newLocation);
        p.newNat = p.newLocation == "outside";
    }
    p.method = method;
    p.shared = shared;
    return p;
}

// The high findings' messages, in the report's order.
inline const std::vector<std::string>& highMessages() {
    static const std::vector<std::string> messages = {
        "The deny rule rule_proxy_5 \"block <telnet> & rsh\" was dropped: its service group no longer exists.",
        "The proxy rule rule_proxy_2 \"Mail\" now allows any destination (rule_proxy_2_dest became "
        "destination_group_PermitAll).",
        "The old interfaces eth1 (Inside) and eth3 (Lab) were both paired with eth1 on the new firewall.",
    };
    return messages;
}

inline UpgradeReport sampleReport() {
    using K = ItemKind;
    using O = ItemOutcome;
    UpgradeReport report;
    report.stage = "final";
    report.templatePath = "data/5xTo60.tpl";
    report.templateSha256 = "3f1c0a9e5b7d2c4e6a8b0d1f3e5c7a9b2d4f6e8a0c1b3d5f7e9a2c4b6d8f0e1a";
    report.records = {
        record(K::Interface, O::Converted, "netobj_list_1_element_1", "Outside", {"netobj_list_Outside_element_1"}, {},
               {{"interface", "eth0", "eth0"}, {"addr", "198.51.100.10", "198.51.100.10"}}),
        record(K::Interface, O::Changed, "netobj_list_1_element_2", "Inside", {"netobj_list_Outside_element_2"},
               {"Paired by choice with eth1 of the new firewall."}, {{"interface", "eth1", "eth1"}}),
        record(K::Interface, O::Converted, "netobj_list_1_element_3", "Servers", {"netobj_list_Outside_element_3"}),
        record(K::InterfaceAlias, O::Converted, "netobj_list_2_element_1", "Outside-mail",
               {"netobj_list_Outside_element_4"}),
        record(K::NetObject, O::Created, "", "10.10.0.0:255.255.0.0", {"net_ipnet_10-10-0-0"}, {},
               {{"value", "", "10.10.0.0/255.255.0.0"}}),
        record(K::ServiceGroup, O::Converted, "service_group_1", "MailRelay", {"service_group_MailRelay"}),
        record(K::DestinationGroup, O::Created, "", "PermitAll", {"destination_group_PermitAll"}),
        record(K::ProxyRule, O::Converted, "rule_proxy_1", "Web", {"rule_proxy_1"}, {},
               {{"action", "allow", "allow"}, {"src", "10.10.0.0:255.255.0.0", "net_ipnet_10-10-0-0"}}),
        record(K::ProxyRule, O::Changed, "rule_proxy_2", "Mail", {"rule_proxy_2"},
               {"The rule had no destination; it now names destination_group_PermitAll."},
               {{"action", "allow", "allow"}, {"dst", "", "destination_group_PermitAll"}}),
        record(K::ProxyRule, O::Dropped, "rule_proxy_5", "block <telnet> & rsh", {},
               {"Its service group service_group_Legacy is not defined."}, {{"action", "deny", ""}}),
        record(K::NatRule, O::Converted, "rule_natrule_1", "hide inside", {"rule_natrule_1"}, {},
               {{"action", "hide", "hide"}, {"interface", "eth0", "eth0"}}),
        record(K::ForwardRule, O::Converted, "pfedit_fwd_rule10", "web out", {"rule_pffwd_1"}),
        record(K::ForwardRule, O::Dropped, "pfedit_fwd_rule15", "servers may not open inside", {},
               {"Its interface eth2 has no partner on the new firewall."}),
        record(K::LocalRule, O::Converted, "pfedit_lcl_rule5", "ping to firewall", {"rule_pflcl_1"}),
    };
    report.pairing = {
        pair("eth0", "Outside", "198.51.100.10", "outside", "eth0", "External", "198.51.100.10", "outside",
             PairingMethod::Address),
        pair("eth1", "Inside", "10.10.0.1", "inside", "eth1", "Internal", "10.10.0.254", "inside",
             PairingMethod::Choice, true),
        pair("eth3", "Lab", "10.30.0.1", "inside", "eth1", "Internal", "10.10.0.254", "inside", PairingMethod::Choice,
             true),
        pair("eth2", "Servers", "172.16.5.1", "dmz", "", "", "", "", PairingMethod::Unpaired),
    };
    report.findings = {
        {Severity::High, "deny-rule-dropped", highMessages()[0], {"rule_proxy_5"}},
        {Severity::High, "became-any", highMessages()[1], {"rule_proxy_2", "rule_proxy_2_dest"}},
        {Severity::High, "shared-interface", highMessages()[2], {"netobj_list_1_element_2", "netobj_list_5_element_1"}},
        {Severity::Medium, "undefined-reference", "rule_pffwd_3_service names fpf-serv_ntp, which is not defined.",
         {"rule_pffwd_3_service"}},
        {Severity::Info, "new-settings-changed",
         "2 settings of the new firewall's initial configuration under 'system' were changed or removed.",
         {"system_hostname", "system_domain"}},
    };
    report.scriptLines = {
        {3, "[PREPROCESS]", "delete_leaf", "system_version", 1, 0, 0, 1, true},
        {7, "[PREPROCESS]", "rename_branch", "rule_proxy rule_oldproxy", 14, 14, 0, 0, true},
        {12, "[MERGE_TREE1]", "frobnicate", "system_x", 0, 0, 0, 0, false},
        {15, "[POSTPROCESS]", "add_leaf", "system_upgraded=yes", 0, 0, 1, 0, true},
    };
    report.newSettingsChanged = {
        {"system", "system_hostname", "fw-new", "fw-branch1", false},
        {"system", "system_domain", "new.example.net", "", true},
        {"lpf-serv", "lpf-serv_mgmt_interface", "eth1", "eth2", false},
    };
    return report;
}

}  // namespace reportsample
