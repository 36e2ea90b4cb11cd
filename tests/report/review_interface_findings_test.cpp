// The safety review's findings about interfaces: old interfaces merged into one new interface, rules
// moved from inside to outside, new interfaces the merge dropped and the settings left naming them,
// and addresses that lost their network.
#include <gtest/gtest.h>

#include "report/review_fixture.h"

namespace {

using K = ItemKind;
using O = ItemOutcome;

ItemField f(std::string name, std::string oldValue, std::string newValue) {
    return {std::move(name), std::move(oldValue), std::move(newValue)};
}

}  // namespace

class InterfaceFindingsTest : public ReviewTest {
protected:
    // The sample's old interfaces, each paired with the new interface of the same address.
    void pairAsTheSample() {
        report.pairing = {
            pair("eth0", "Outside", "198.51.100.10", "255.255.255.0", "outside", "eth0", "Outside", "198.51.100.10",
                 "255.255.255.0", "outside"),
            pair("eth1", "Inside", "10.10.0.1", "255.255.0.0", "inside", "eth1", "Inside", "10.10.0.1", "255.255.0.0",
                 "inside"),
            pair("eth2", "Servers", "172.16.5.1", "255.255.255.0", "dmz", "eth2", "DMZ", "172.16.5.1",
                 "255.255.255.0", "dmz"),
        };
        report.pairing[0].oldNat = true;
    }

    ItemRecord forwardRule(std::string oldDevice, std::string newDevice) {
        return record(K::ForwardRule, O::Changed, "pfedit_fwd_rule20", "dns forwarder",
                      {"rule_pffwd_3", "fpf-serv_Pre60-rule20"},
                      {f("action", "FilterAll-FSA", "Fwd+Reply"), f("interface", oldDevice, newDevice)});
    }
};

TEST_F(InterfaceFindingsTest, OldInterfacesSharingOnePartnerAreNamedTogether) {
    pairAsTheSample();
    report.pairing[2].newDevice = "eth1";
    report.pairing[2].newName = "Inside";
    report.pairing[1].shared = report.pairing[2].shared = true;
    report.records.push_back(record(K::Interface, O::Converted, "netobj_list_1_element_2", "Inside",
                                    {"netobj_list_Outside_element_2"}, {f("interface", "eth1", "eth1")}));
    report.records.push_back(record(K::Interface, O::Dropped, "netobj_list_1_element_3", "Servers", {},
                                    {f("interface", "eth2", "eth1")}));
    review(false);
    const std::vector<Finding> found = withCode("interface-shared");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].severity, Severity::High);
    EXPECT_EQ(found[0].message,
              "The old interfaces eth1 (Inside) and eth2 (Servers) were all paired with the new interface eth1 "
              "(Inside): the rules of each now act on that one interface.");
    EXPECT_EQ(found[0].settings, (std::vector<std::string>{"netobj_list_1_element_2", "netobj_list_Outside_element_2",
                                                           "netobj_list_1_element_3"}));
}

TEST_F(InterfaceFindingsTest, OnePartnerEachIsNotShared) {
    pairAsTheSample();
    review(false);
    EXPECT_TRUE(withCode("interface-shared").empty());
}

TEST_F(InterfaceFindingsTest, RuleMovedFromAnInsideToAnOutsideInterfaceIsHigh) {
    pairAsTheSample();
    report.records.push_back(forwardRule("eth1", "eth0"));
    review(false);
    const std::vector<Finding> found = withCode("moved-to-outside");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].message,
              "Forward rule pfedit_fwd_rule20 (dns forwarder), now rule_pffwd_3, acted on the inside interface eth1 "
              "(Inside) of the old firewall and now acts on the outside interface eth0 (Outside) of the new one.");
    EXPECT_EQ(found[0].settings,
              (std::vector<std::string>{"pfedit_fwd_rule20", "rule_pffwd_3", "fpf-serv_Pre60-rule20"}));
}

TEST_F(InterfaceFindingsTest, RulesThatStayInsideOrCameFromElsewhereDoNotMove) {
    pairAsTheSample();
    report.records.push_back(forwardRule("eth1", "eth1"));  // inside to inside
    report.records.push_back(forwardRule("eth2", "eth0"));  // a DMZ is neither inside nor outside
    report.records.push_back(forwardRule("eth0", "eth1"));  // outside to inside opens nothing
    ItemRecord own = forwardRule("eth1", "eth0");
    own.origin = ItemOrigin::New;  // the new firewall's own rules were not moved by the pairing
    report.records.push_back(own);
    ItemRecord dropped = forwardRule("eth1", "eth0");
    dropped.outcome = O::Dropped;
    report.records.push_back(dropped);
    review(false);
    EXPECT_TRUE(withCode("moved-to-outside").empty());
}

TEST_F(InterfaceFindingsTest, SameDeviceNameWithAnOutsideRoleOnTheNewFirewallCountsAsMoved) {
    // The new firewall calls its internet side eth1; the old eth1 was inside and pairs with it by choice.
    report.pairing = {pair("eth1", "Inside", "10.10.0.1", "255.255.0.0", "LAN", "eth1", "Uplink", "10.10.0.1",
                           "255.255.0.0", "Internet")};
    report.records.push_back(record(K::NatRule, O::Converted, "rule_natrule_6", "", {"rule_natrule_3"},
                                    {f("action", "hide", "hide"), f("interface", "eth1", "eth1")}));
    review(false);
    ASSERT_EQ(withCode("moved-to-outside").size(), 1u);
    EXPECT_EQ(withCode("moved-to-outside")[0].message,
              "NAT rule rule_natrule_6, now rule_natrule_3, acted on the inside interface eth1 (Inside) of the old "
              "firewall and now acts on the outside interface eth1 (Uplink) of the new one.");
}

TEST_F(InterfaceFindingsTest, RoleOfTheNewSideComesFromTheInitialListWhenThePairingDoesNotTellIt) {
    // Not written yet (the conversion stage): the rule goes where its interface's partner is, and the
    // partner's role is read from the initial configuration (nat on makes it outside).
    report.pairing = {pair("eth1", "Inside", "10.10.0.1", "255.255.0.0", "inside", "eth3", "", "", "", "")};
    add(initial, {"netobj_list_Outside_element_4_interface=eth3", "netobj_list_Outside_element_4_name=Spare",
                  "netobj_list_Outside_element_4_location=spare", "netobj_list_Outside_element_4_nat=on"});
    report.records.push_back(record(K::LocalRule, O::Converted, "pfedit_lcl_rule8", "ssh from admin net", {},
                                    {f("interface", "eth1", "")}));
    ReviewInputs inputs;
    inputs.newInitial = &initial;
    reviewUpgrade(report, inputs);
    ASSERT_EQ(withCode("moved-to-outside").size(), 1u);
    EXPECT_NE(withCode("moved-to-outside")[0].message.find("outside interface eth3 (Spare)"), std::string::npos);

    // The same spare interface without nat has no role: nothing moved outside.
    report = UpgradeReport();
    report.pairing = {pair("eth1", "Inside", "10.10.0.1", "255.255.0.0", "inside", "eth3", "", "", "", "")};
    report.records.push_back(record(K::LocalRule, O::Converted, "pfedit_lcl_rule8", "ssh from admin net", {},
                                    {f("interface", "eth1", "")}));
    initial.findBranch("netobj")->findBranch("list")->findBranch("Outside")->findBranch("element")->findBranch("4")
        ->findLeaf("nat")->setValue("off");
    reviewUpgrade(report, inputs);
    EXPECT_TRUE(withCode("moved-to-outside").empty());
}

TEST_F(InterfaceFindingsTest, NewInterfaceTheMergeDroppedIsHigh) {
    ItemRecord spare = record(K::Interface, O::Dropped, "netobj_list_Outside_element_4", "Spare", {},
                              {f("interface", "eth3", "")}, ItemOrigin::New);
    spare.reasons = {"No old interface was paired with it"};
    report.records.push_back(spare);
    // Twins: a new interface that was written, an old interface left out as a duplicate.
    report.records.push_back(record(K::Interface, O::Converted, "netobj_list_Outside_element_1", "Outside",
                                    {"netobj_list_Outside_element_1"}, {f("interface", "eth0", "eth0")},
                                    ItemOrigin::New));
    report.records.push_back(
        record(K::Interface, O::Dropped, "netobj_list_1_element_3", "Servers", {}, {f("interface", "eth2", "")}));
    review(false);
    const std::vector<Finding> found = withCode("new-interface-dropped");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].message,
              "The new firewall's interface netobj_list_Outside_element_4 (Spare) on eth3 is not in the final "
              "configuration: No old interface was paired with it.");
    EXPECT_EQ(found[0].settings, (std::vector<std::string>{"netobj_list_Outside_element_4"}));
}

TEST_F(InterfaceFindingsTest, NewFirewallsOwnSettingLeftOnARemovedInterfaceIsHigh) {
    const Lines list = {"netobj_list_Outside_element_1_interface=eth0", "netobj_list_Outside_element_1_name=Outside",
                        "netobj_list_Outside_element_2_interface=eth1", "netobj_list_Outside_element_2_name=Inside"};
    add(initial, list);
    add(initial, {"lpf-serv_mgmt_interface=eth1", "lpf-serv_mgmt_proto=tcp", "fpf-serv_any-out_interface=eth0",
                  "system_syslog_interface=eth1"});
    add(finalTree, {"netobj_list_Outside_element_1_interface=eth0", "netobj_list_Outside_element_1_name=Outside",
                    "lpf-serv_mgmt_interface=eth1", "fpf-serv_any-out_interface=eth0", "system_syslog_interface=eth1",
                    // Settings the old firewall brought are not the new firewall's own.
                    "lpf-serv_Pre60-rule8_interface=eth1"});
    review();
    const std::vector<Finding> found = withCode("setting-refers-to-removed-interface");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].severity, Severity::High);
    EXPECT_EQ(found[0].message,
              "The new firewall's own settings lpf-serv_mgmt_interface and system_syslog_interface still name the "
              "interface eth1 (Inside), which is not in the final configuration.");
    EXPECT_EQ(found[0].settings, (std::vector<std::string>{"lpf-serv_mgmt_interface", "system_syslog_interface"}));
}

TEST_F(InterfaceFindingsTest, SettingsOnInterfacesThatStayedAreNotFound) {
    const Lines list = {"netobj_list_Outside_element_1_interface=eth0", "netobj_list_Outside_element_2_interface=eth1"};
    add(initial, list);
    add(initial, {"lpf-serv_mgmt_interface=eth1"});
    add(finalTree, list);
    // The merge moved the setting to the interface that stayed.
    add(finalTree, {"lpf-serv_mgmt_interface=eth0"});
    report.records.clear();
    review();
    EXPECT_TRUE(withCode("setting-refers-to-removed-interface").empty());
    // Without the trees nothing can be said.
    report = UpgradeReport();
    review(false);
    EXPECT_TRUE(report.findings.empty());
}

TEST_F(InterfaceFindingsTest, AddressThatLostItsNetworkNamesOldAndNewNetworks) {
    report.pairing = {pair("eth1", "Inside", "10.10.0.1", "255.255.0.0", "inside", "int0", "Inside", "10.20.0.1",
                           "255.255.0.0", "inside"),
                      pair("eth2", "Servers", "172.16.5.1", "255.255.255.0", "dmz", "", "", "", "", "")};
    report.records.push_back(record(K::ProxyRule, O::Converted, "rule_proxy_5", "WWW", {"rule_proxy_2"},
                                    {f("src", "10.10.0.0:255.255.0.0", "net_ipnet_10-10-0-0-ipmask-class-b"),
                                     f("dst", "192.0.2.0:255.255.255.0", "net_ipnet_192-0-2-0-ipmask-class-c")}));
    report.records.push_back(record(K::InatRule, O::Converted, "rule_natrule_3", "", {"rule_inatrule_1"},
                                    {f("local", "172.16.5.20", "net_ipaddr_172-16-5-20")}));
    review(false);
    const std::vector<Finding> found = withCode("readdressed");
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].severity, Severity::Medium);
    EXPECT_EQ(found[0].message,
              "Proxy rule rule_proxy_5 (WWW), now rule_proxy_2: source 10.10.0.0:255.255.0.0 lay in the old network "
              "10.10.0.0/16 of eth1 (Inside) and lies in none of the new firewall's networks (eth1 was paired with "
              "int0 on 10.20.0.0/16).");
    EXPECT_EQ(found[1].message,
              "INAT rule rule_natrule_3, now rule_inatrule_1: local 172.16.5.20 lay in the old network 172.16.5.0/24 "
              "of eth2 (Servers) and lies in none of the new firewall's networks (eth2 was not paired; the new "
              "firewall has 10.20.0.0/16 on int0).");
}

TEST_F(InterfaceFindingsTest, AddressesStillInANetworkOrNeverInOneAreNotReaddressed) {
    report.pairing = {pair("eth1", "Inside", "10.10.0.1", "255.255.0.0", "inside", "int0", "Inside", "10.20.0.1",
                           "255.255.0.0", "inside")};
    report.records.push_back(record(K::InterfaceAlias, O::Converted, "netobj_list_3_element_1", "Inside-voice",
                                    {"netobj_list_Outside_element_6"},
                                    {f("interface", "eth1", "int0"), f("addr", "10.11.0.1", "10.11.0.1"),
                                     f("netmask", "255.255.0.0", "255.255.0.0")}));
    // The alias was carried over: its network is on the new firewall too.
    add(finalTree, {"netobj_list_Outside_element_6_interface=int0", "netobj_list_Outside_element_6_addr=10.11.0.1",
                    "netobj_list_Outside_element_6_netmask=255.255.0.0", "netobj_list_Outside_element_6_alias=yes"});
    report.records.push_back(record(K::ForwardRule, O::Converted, "pfedit_fwd_rule1", "", {"rule_pffwd_1"},
                                    {f("src", "10.11.0.0+255.255.0.0", "a"),  // the alias's network, still there
                                     f("dst", "192.0.2.10", "b"),             // never in an interface's network
                                     f("remote", "0.0.0.0:0.0.0.0", "")}));   // every address
    review();
    EXPECT_TRUE(withCode("readdressed").empty());
}

TEST_F(InterfaceFindingsTest, NothingIsReaddressedWhileTheNewSideIsUnknown) {
    report.pairing = {pair("eth1", "Inside", "10.10.0.1", "255.255.0.0", "inside", "", "", "", "", "")};
    report.records.push_back(record(K::ForwardRule, O::Converted, "pfedit_fwd_rule1", "", {},
                                    {f("src", "10.10.0.0:255.255.0.0", "")}));
    review(false);
    EXPECT_TRUE(withCode("readdressed").empty());
}
