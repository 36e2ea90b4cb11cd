// The processor as the converters' owner and context: its converter operations share one set of
// records and hand each converter the records of the others it needs; fault lines carry the script
// line read last, settings are added as add_leaf adds them and notes go to the warnings stream; the
// counts for the front ends are the numbers of those records.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "conftree/conftree.h"
#include "support/setting_lines.h"
#include "template/template_processor.h"

namespace {

using testsupport::addSettings;

class ConverterOperationsTest : public ::testing::Test {
protected:
    // The log lines written since the last call.
    std::vector<std::string> takeLog() {
        std::vector<std::string> lines = testsupport::splitLines(log.str());
        log.str("");
        return lines;
    }

    void useScript(const std::string& script) {
        processor = std::make_unique<TemplateProcessor>(log, warnings, std::make_unique<std::istringstream>(script),
                                                        "test.tpl", "./");
    }

    std::ostringstream log;
    std::ostringstream warnings;
    ConfigTree oldTree{log};
    ConfigTree newTree{log};
    std::unique_ptr<TemplateProcessor> processor{
        std::make_unique<TemplateProcessor>(log, warnings, std::make_unique<std::istringstream>(""), "test.tpl", "./")};
};

TEST_F(ConverterOperationsTest, ProcessorOperationsShareOneObjectList) {
    const NetObjectRef created = processor->createNetObject(kNetPattern, "10.*", "d");
    EXPECT_EQ(created.name, "net_pattern_10-any");
    EXPECT_TRUE(processor->netObjectExists(kNetPattern, "net_pattern_10-any"));
    EXPECT_EQ(processor->lookupNetObject(kNetPattern, "10.*").name, "net_pattern_10-any");
    std::string port;
    EXPECT_EQ(processor->convertAddr("10.*", port, ""), "net_pattern_10-any");
    EXPECT_EQ(processor->getNetObject(kNetIpNet, "10.0.0.0", "255.0.0.0", ""), "net_ipnet_10-0-0-0-ipmask-class-a");
    EXPECT_EQ(processor->createCompoundNetObject(kNetIpRange, "x", "a", "b", ""), "net_iprange_x");
    EXPECT_EQ(processor->netObjects().size(), 8u);

    // The objects the rule converters make are in the same list: the packet filter's network is found
    // again, and the address_convert verb reuses the NAT rule's host.
    addSettings(oldTree,
                {"pfedit_fwd_rule1=Permit+eth0+tcp+0-0+10.0.0.0+255.0.0.0+", "rule_natrule_1_global_range_type=host",
                 "rule_natrule_1_global_range_start_addr=192.0.2.9", "a_b=192.0.2.9"});
    processor->parseOldTreePfRules(oldTree);
    processor->parseNatRules(oldTree);
    EXPECT_EQ(processor->pfLists().oldForward.rules.at(0).src, "net_ipnet_10-0-0-0-ipmask-class-a");
    const std::size_t objects = processor->netObjects().size();
    char line[] = "a_b=** c=x";
    EXPECT_EQ(processor->address_convert(oldTree, line), 1);
    EXPECT_EQ(oldTree.findLeaf("c")->value(), "net_ipaddr_192-0-2-9");
    EXPECT_EQ(processor->netObjects().size(), objects);
}

TEST_F(ConverterOperationsTest, ConverterFaultsCarryTheScriptLineReadLast) {
    useScript("add_leaf a=1\nadd_leaf b=2\nadd_leaf c=3\n");
    ASSERT_TRUE(processor->runScriptSection(oldTree, nullptr));
    takeLog();
    processor->parseProxyRules(oldTree);
    processor->rewriteInterfaceReferences(
        newTree, {{"eth0", "10.0.0.1", "em0", "10.0.0.1"}, {"eth1", "10.0.1.1", "em1", "10.0.9.1"}});
    EXPECT_EQ(takeLog(), (std::vector<std::string>{
                             "parseProxyRules: Search returned no data (3): rule_proxy_##",
                             "changeInterfaces: Search returned no data (3): def_proxy_sql-gw_host_##_interface=**",
                             "changeInterfaces: Search returned no data (3): def_proxy_sql-gw_host_##_interface=**",
                         }));
}

TEST_F(ConverterOperationsTest, ConvertedSettingsReplaceWhatTheTreeHeldAsAddLeafDoes) {
    addSettings(oldTree, {"rule_proxy_4_action=allow", "rule_proxy_4_rulelabel=Web", "rule_proxy_4_service=svc",
                          "rule_proxy_4_src=net_pattern_any"});
    addSettings(newTree, {"rule_proxy_1_state=off", "rule_proxy_1_extra=kept"});
    processor->parseProxyRules(oldTree);
    processor->saveProxyRules(newTree);
    EXPECT_EQ(processor->proxyRuleCount(), 1);
    EXPECT_EQ(newTree.findBranch("rule")->findBranch("proxy")->findBranch("1")->findLeaf("state")->value(), "on");
    EXPECT_NE(newTree.findBranch("rule")->findBranch("proxy")->findBranch("1")->findLeaf("extra"), nullptr);
}

TEST_F(ConverterOperationsTest, RejectedNatRuleIsLoggedAndNotedForTheAdministrator) {
    addSettings(oldTree, {"rule_natrule_3_protocols=tcp"});
    processor->parseNatRules(oldTree);
    const std::string message = "Unable to convert NAT/INAT rule number 3 - critical values missing or invalid\r\n"
                                "  globalAddr: <blank>     This is illegal\r\n"
                                "  localAddr:  <blank>    This is illegal\r\n"
                                "  ruleType:   <blank>    This is illegal\r\n"
                                "  iface:      <blank>    This is illegal\r\n"
                                "This rule was deleted.\r\n";
    EXPECT_EQ(log.str(), "parseNatRules: " + message + "\n");
    EXPECT_EQ(warnings.str(), message + "\n");
    EXPECT_TRUE(processor->natRules().empty());
}

TEST_F(ConverterOperationsTest, ProxyRulesTakeTheirDestinationAndAuthenticationFromTheConvertedGroups) {
    addSettings(oldTree,
                {"rule_proxy_1_action=allow", "rule_proxy_1_rulelabel=Web", "rule_proxy_1_service=service_group_Web",
                 "rule_proxy_1_src=net_pattern_any", "service_group_Web_authenticate=yes",
                 "destination_group_7_dest=10.0.0.1", "destination_group_7_pd=P", "destination_group_7_service=Web"});
    processor->parseSvcGroups(oldTree);
    processor->parseDestGroups(oldTree);
    processor->convertDestGroups();
    processor->parseProxyRules(oldTree);
    ASSERT_EQ(processor->proxyRules().size(), 1u);
    EXPECT_EQ(processor->proxyRules()[0].dest, "destination_group_PermitWeb");
    EXPECT_EQ(processor->proxyRules()[0].auth, "auth_obj_normal");
    EXPECT_EQ(processor->destinationRecords().at(0).groupName, "destination_group_PermitWeb");
    EXPECT_EQ(processor->destinationGroups().size(), 3u);
    EXPECT_EQ(processor->serviceGroups().size(), 1u);
}

TEST_F(ConverterOperationsTest, CountsAreTheNumbersOfTheRecordsReadAndWritten) {
    addSettings(oldTree, {
                             "netobj_list_1_name=all_interfaces",
                             "netobj_list_1_element_1_interface=eth0",
                             "netobj_list_1_element_1_addr=10.0.0.1",
                             "netobj_list_1_element_2_interface=eth1",
                             "netobj_list_1_element_2_addr=10.0.1.1",
                             "netobj_list_2_name=eth0$INTERFACE",
                             "netobj_list_2_element_1_interface=eth0:1",
                             "netobj_list_2_element_1_addr=10.0.0.2",
                             "pfedit_fwd_rule1=Permit+eth0+tcp",
                             "pfedit_fwd_rule2=Deny+eth0+udp",
                             "pfedit_lcl_rule1=Permit+eth1+tcp",
                             "rule_proxy_1_action=allow",
                             "rule_proxy_1_rulelabel=Web",
                             "rule_proxy_1_service=svc",
                             "rule_proxy_1_src=net_pattern_any",
                         });
    for (const std::string n : {"1", "2", "3"}) {
        const std::string p = "rule_natrule_" + n + "_";
        addSettings(oldTree, {p + "global_range_type=host", p + "global_range_start_addr=192.0.2." + n,
                              p + "local_range_type=host", p + "local_range_start_addr=10.0.0." + n,
                              p + "network_name=eth0", p + "rule_type=" + (n == "2" ? "illegal" : "static")});
    }
    addSettings(newTree, {"netobj_list_Outside_element_1_interface=em0", "netobj_list_Outside_element_1_addr=10.0.0.1",
                          "rule_pflcl_1_type=Permit", "rule_pflcl_2_type=Deny"});
    useScript("");
    ASSERT_TRUE(processor->runPreprocess(oldTree));
    ConversionCounts read = processor->counts();
    EXPECT_EQ(read.physicalInterfaces, 2);
    EXPECT_EQ(read.aliases, 1u);
    EXPECT_EQ(read.proxyRulesRead, 1u);
    EXPECT_EQ(read.natRules, 2u);
    EXPECT_EQ(read.inatRules, 1u);
    EXPECT_EQ(read.forwardPfRulesRead, 2u);
    EXPECT_EQ(read.localPfRulesRead, 1u);
    EXPECT_EQ(read.proxyRulesWritten, 0);

    ASSERT_TRUE(processor->runMerge(oldTree, newTree));
    ASSERT_TRUE(processor->interfacePairing().applyDevicePairs({{"eth1", "em0"}}).empty());
    newTree.absorb(oldTree);
    ASSERT_TRUE(processor->runPostprocess(newTree));
    const ConversionCounts written = processor->counts();
    EXPECT_EQ(written.interfacesWritten, 2u);  // eth1 shares em0 with eth0 and is left out
    EXPECT_EQ(written.netObjects, processor->netObjects().size());
    EXPECT_EQ(written.serviceGroups, 0u);
    EXPECT_EQ(written.destinationGroups, 2u);  // DenyAll and PermitAll
    EXPECT_EQ(written.proxyRulesWritten, 1);
    EXPECT_EQ(written.forwardPfRulesWritten, 2);
    EXPECT_EQ(written.localPfRulesWritten, 3);  // the old one, then the new firewall's two
}

}  // namespace
