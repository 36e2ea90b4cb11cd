// NAT and INAT rules: address specifications, rejection messages, the two written lists.

#include "convert/nat_rules.h"
#include "converter_fixture.h"

namespace {

class NatRulesTest : public ConverterTest {
protected:
    // An address specification child of rule n: type "mask", "range" or anything else.
    void spec(int n, const std::string& child, const std::string& type, const std::string& first,
              const std::string& second) {
        const std::string p = "rule_natrule_" + std::to_string(n) + "_" + child + "_range_";
        addSettings(oldTree, {p + "type=" + type, p + "delimiter=" + second, p + "start_addr=" + first});
    }
    void rule(int n, const std::string& ruleType, const std::string& network) {
        const std::string p = "rule_natrule_" + std::to_string(n) + "_";
        spec(n, "global", "mask", "192.0.2.0", "255.255.255.0");
        spec(n, "local", "range", "10.0.0.1", "10.0.0.9");
        addSettings(oldTree, {p + "rule_type=" + ruleType, p + "network_name=" + network, p + "protocols=tcp",
                              p + "port_start=80", p + "port_end=88"});
    }

    NatRuleConverter nat;
};

TEST_F(NatRulesTest, NatAndInatRulesAreWrittenAsTwoGapFreeListsInOldNumberOrder) {
    rule(7, "static", "eth0");
    rule(3, "illegal", "eth1");
    rule(5, "dynamic", "eth0");
    rule(1, "illegal", "eth2");
    nat.parse(context, oldTree, objects);
    ASSERT_EQ(nat.rules.size(), 4u);
    nat.save(context, newTree);
    const std::string global = "net_ipnet_192-0-2-0-ipmask-class-c";
    const std::string local = "net_iprange_10-0-0-1-10-0-0-9";
    EXPECT_EQ(settingsUnder(newTree, "rule_inatrule"),
              (Lines{"rule_inatrule_1_legal=" + global, "rule_inatrule_1_illegal=" + local,
                     "rule_inatrule_1_network-interface=eth2", "rule_inatrule_2_legal=" + global,
                     "rule_inatrule_2_illegal=" + local, "rule_inatrule_2_network-interface=eth1"}));
    EXPECT_EQ(
        settingsUnder(newTree, "rule_natrule_1"),
        (Lines{"rule_natrule_1_global=" + global, "rule_natrule_1_local=" + local,
               "rule_natrule_1_network-interface=eth0", "rule_natrule_1_port-start=80", "rule_natrule_1_port-end=88",
               "rule_natrule_1_protocols=tcp", "rule_natrule_1_rule-type=dynamic"}));
    EXPECT_EQ(settingsUnder(newTree, "rule_natrule_2_rule-type"), (Lines{"rule_natrule_2_rule-type=static"}));
    EXPECT_TRUE(settingsUnder(newTree, "rule_natrule_3").empty());
}

TEST_F(NatRulesTest, AnyRemoteWritesNoRemoteButAnyGlobalBecomesANetworkObject) {
    spec(1, "global", "mask", "0.0.0.0", "0.0.0.0");
    spec(1, "local", "host", "10.0.0.5", "");
    spec(1, "remote", "mask", "0.0.0.0", "0.0.0.0");
    addSettings(oldTree, {"rule_natrule_1_rule_type=static", "rule_natrule_1_network_name=eth0"});
    spec(2, "global", "host", "192.0.2.1", "");
    spec(2, "local", "host", "10.0.0.6", "");
    spec(2, "remote", "mask", "198.51.100.0", "255.255.255.0");
    addSettings(oldTree, {"rule_natrule_2_rule_type=static", "rule_natrule_2_network_name=eth0"});
    nat.parse(context, oldTree, objects);
    ASSERT_EQ(nat.rules.size(), 2u);
    EXPECT_EQ(nat.rules[0].global, "net_ipnet_ipaddr-0.0.0.0-ipmask-any");
    EXPECT_EQ(nat.rules[0].local, "net_ipaddr_10-0-0-5");
    EXPECT_EQ(nat.rules[0].remote, "");
    nat.save(context, newTree);
    EXPECT_TRUE(settingsUnder(newTree, "rule_natrule_1_remote").empty());
    EXPECT_EQ(settingsUnder(newTree, "rule_natrule_2_remote"),
              (Lines{"rule_natrule_2_remote=net_ipnet_198-51-100-0-ipmask-class-c"}));
    // Port, protocol and rule-type leaves are written even when empty.
    EXPECT_EQ(settingsUnder(newTree, "rule_natrule_1_port-start"), (Lines{"rule_natrule_1_port-start="}));
}

TEST_F(NatRulesTest, RuleBoundToStarIsReportedInLogAndWarningsAndDropped) {
    rule(4, "static", "*");
    nat.parse(context, oldTree, objects);
    EXPECT_TRUE(nat.rules.empty());
    const std::string message = "Unable to convert NAT/INAT rule number 4 - critical values missing or invalid\r\n"
                                "  globalAddr: net_ipnet_192-0-2-0-ipmask-class-c\r\n"
                                "  localAddr:  net_iprange_10-0-0-1-10-0-0-9\r\n"
                                "  ruleType:   static\r\n"
                                "  iface:      *    This is not a valid value\r\n"
                                "NAT/INAT rules may not be bound to a \"*\" interface\r\n"
                                "This rule was deleted.\r\n";
    EXPECT_EQ(log.str(), "parseNatRules: " + message + "\n");
    EXPECT_EQ(warnings.str(), message + "\n");
}

TEST_F(NatRulesTest, EmptyCriticalValuesAreNamedWithTheirBlankLines) {
    addSettings(oldTree, {"rule_natrule_6_protocols=udp"});
    nat.parse(context, oldTree, objects);
    EXPECT_EQ(warnings.str(), "Unable to convert NAT/INAT rule number 6 - critical values missing or invalid\r\n"
                              "  globalAddr: <blank>     This is illegal\r\n"
                              "  localAddr:  <blank>    This is illegal\r\n"
                              "  ruleType:   <blank>    This is illegal\r\n"
                              "  iface:      <blank>    This is illegal\r\n"
                              "This rule was deleted.\r\n\n");
}

TEST_F(NatRulesTest, ReboundInterfaceIsWrittenWithTheNewDeviceName) {
    rule(1, "static", "eth0");
    nat.parse(context, oldTree, objects);
    ASSERT_EQ(nat.rules.size(), 1u);
    nat.rules[0].network = "lan0";  // as the interface merge rewrites it
    nat.save(context, newTree);
    EXPECT_EQ(settingsUnder(newTree, "rule_natrule_1_network"), (Lines{"rule_natrule_1_network-interface=lan0"}));
}

TEST_F(NatRulesTest, NoRulesIsLogged) {
    nat.parse(context, oldTree, objects);
    EXPECT_EQ(logLines(), (Lines{"parseNatRules: Search returned no data (0): rule_natrule_##"}));
}

}  // namespace
