// Packet filter rules: edit lines, options, new-style rules and services, and the merged numbering.

#include "convert/packet_filter.h"
#include "converter_fixture.h"

namespace {

class PacketFilterTest : public ConverterTest {
protected:
    const PfLists& oldForward() const { return packetFilter.lists.oldForward; }
    const PfLists& oldLocal() const { return packetFilter.lists.oldLocal; }

    PacketFilterConverter packetFilter;
};

TEST_F(PacketFilterTest, EditLineFieldsBecomeAServiceAndARule) {
    addSettings(oldTree,
                {"pfedit_fwd_rule12=Permit+eth0+tcp+1024-65535+10.0.0.0+255.0.0.0+80-80+192.0.2.7+255.255.255.255+"
                 "web+access"});
    packetFilter.parseOldTree(context, oldTree, objects);
    ASSERT_EQ(oldForward().rules.size(), 1u);
    const PfRule& rule = oldForward().rules[0];
    const PfService& service = oldForward().services[0];
    EXPECT_EQ(rule.oldRuleNumber, 12);
    EXPECT_EQ(rule.type, "Fwd");
    EXPECT_EQ(rule.state, "on");
    EXPECT_EQ(rule.loglevelNumber, "1");
    EXPECT_EQ(rule.src, "net_ipnet_10-0-0-0-ipmask-class-a");
    EXPECT_EQ(rule.dst, "net_ipaddr_192-0-2-7");  // a host mask gives the address itself
    EXPECT_EQ(rule.label, "Pre60-rule12");
    EXPECT_EQ(rule.service, "fpf-serv_Pre60-rule12");
    EXPECT_EQ(rule.listName, "rule_pffwd");
    EXPECT_EQ(service.interface, "eth0");
    EXPECT_EQ(service.proto, "tcp");
    EXPECT_FALSE(service.hasOptions);
    EXPECT_EQ(service.srcport1, "1024");
    EXPECT_EQ(service.srcport2, "65535");
    EXPECT_EQ(service.dstport1, "80");
    EXPECT_EQ(service.dstport2, "80");
    EXPECT_EQ(service.comment, "web+access");  // the rest of the line, '+' included
}

TEST_F(PacketFilterTest, ActionsAreRenamedByDirection) {
    addSettings(oldTree, {"pfedit_fwd_rule1=Permit+eth0+tcp", "pfedit_fwd_rule2=FilterAll-FSA+eth0+tcp",
                          "pfedit_lcl_rule1=Permit+eth0+tcp", "pfedit_lcl_rule2=FilterAll-FSA+eth0+tcp",
                          "pfedit_lcl_rule3=Deny+eth0+tcp"});
    packetFilter.parseOldTree(context, oldTree, objects);
    ASSERT_EQ(oldForward().rules.size(), 2u);
    ASSERT_EQ(oldLocal().rules.size(), 3u);
    EXPECT_EQ(oldForward().rules[0].type, "Fwd");
    EXPECT_EQ(oldForward().rules[1].type, "Fwd+Reply");
    EXPECT_EQ(oldLocal().rules[0].type, "Permit");
    EXPECT_EQ(oldLocal().rules[1].type, "Fwd+Reply");
    EXPECT_EQ(oldLocal().rules[2].type, "Deny");
    EXPECT_EQ(oldLocal().services[0].objectName, "lpf-serv_Pre60-rule1");
}

TEST_F(PacketFilterTest, ProtocolOptionsFillNegationValueAndConnectiveSlots) {
    addSettings(oldTree,
                {"pfedit_lcl_rule1=Permit+eth0+tcp:!syn:&ack+0-0+1.1.1.1+255.255.255.255+0-0+2.2.2.2+255.255.255.255+",
                 "pfedit_lcl_rule2=Permit+eth0+icmp:a:|!b:&c:|d+", "pfedit_lcl_rule3=Permit+eth0+udp:+"});
    packetFilter.parseOldTree(context, oldTree, objects);
    ASSERT_EQ(oldLocal().services.size(), 3u);
    const PfService& first = oldLocal().services[0];
    EXPECT_TRUE(first.hasOptions);
    EXPECT_EQ(first.proto, "tcp");
    EXPECT_EQ(first.options, (std::array<std::string, 8>{"!", "syn", "&", "", "ack", "", "", ""}));
    // Reading stops after the third condition's value.
    EXPECT_EQ(oldLocal().services[1].options, (std::array<std::string, 8>{"", "a", "|", "!", "b", "&", "", "c"}));
    EXPECT_TRUE(oldLocal().services[2].hasOptions);
    EXPECT_EQ(oldLocal().services[2].proto, "udp");
}

TEST_F(PacketFilterTest, EditLineRulesAreOrderedByTheNumberInTheirName) {
    addSettings(oldTree,
                {"pfedit_fwd_rule30=Deny+a+tcp", "pfedit_fwd_rule4=Deny+b+tcp", "pfedit_fwd_rule17=Deny+c+tcp"});
    packetFilter.parseOldTree(context, oldTree, objects);
    ASSERT_EQ(oldForward().rules.size(), 3u);
    EXPECT_EQ(oldForward().rules[0].oldRuleNumber, 4);
    EXPECT_EQ(oldForward().rules[1].oldRuleNumber, 17);
    EXPECT_EQ(oldForward().rules[2].oldRuleNumber, 30);
    // Services keep reading order.
    EXPECT_EQ(oldForward().services[0].interface, "a");
}

TEST_F(PacketFilterTest, NewStyleRulesKeepTheirPreUpgradeNumberOrTakeTheirOwn) {
    addSettings(newTree,
                {"rule_pffwd_1_type=Permit", "rule_pffwd_1_PREUPGRADE-SEQ=40", "rule_pffwd_1_loglevel_number=2",
                 "rule_pffwd_2_type=Deny", "rule_pffwd_2_service=fpf-serv_dns", "fpf-serv_dns_proto=udp",
                 "fpf-serv_dns_dstport1=53", "fpf-serv_dns_opt2=x", "fpf-serv_dns_opt9=lost", "fpf-serv_dns_opt0=lost",
                 "fpf-serv_dns_options=lost"});
    packetFilter.parseNewTree(context, newTree);
    const PfLists& fwd = packetFilter.lists.newForward;
    ASSERT_EQ(fwd.rules.size(), 2u);
    EXPECT_EQ(fwd.rules[0].oldRuleNumber, 2);
    EXPECT_EQ(fwd.rules[0].state, "on");
    EXPECT_EQ(fwd.rules[0].loglevelNumber, "1");
    EXPECT_EQ(fwd.rules[1].oldRuleNumber, 40);
    EXPECT_EQ(fwd.rules[1].loglevelNumber, "2");
    ASSERT_EQ(fwd.services.size(), 1u);
    EXPECT_TRUE(fwd.services[0].hasOptions);
    EXPECT_EQ(fwd.services[0].options, (std::array<std::string, 8>{"", "x", "", "", "", "", "", ""}));
    // The local direction found nothing: both searches are logged.
    EXPECT_EQ(logLines(), (Lines{"parse60StylePF: Search returned no data (0): lpf-serv_**",
                                 "parse60StylePF: Search returned no data (0): rule_pflcl_##"}));
}

TEST_F(PacketFilterTest, MissingEditLinesAndRulesAreLoggedPerTemplate) {
    packetFilter.parseOldTree(context, oldTree, objects);
    EXPECT_EQ(logLines(), (Lines{"parse5xStylePF: Search returned no data (0): pfedit_fwd_**=**",
                                 "parse5xStylePF: Search returned no data (0): pfedit_lcl_**=**",
                                 "parse60StylePF: Search returned no data (0): fpf-serv_**",
                                 "parse60StylePF: Search returned no data (0): rule_pffwd_##",
                                 "parse60StylePF: Search returned no data (0): lpf-serv_**",
                                 "parse60StylePF: Search returned no data (0): rule_pflcl_##"}));
}

TEST_F(PacketFilterTest, MergedListNumbersOldRulesFirstThenTheNewFirewallsRules) {
    addSettings(oldTree, {"pfedit_fwd_rule2=Permit+eth0+tcp", "pfedit_fwd_rule1=Deny+eth0+udp", "rule_pffwd_5_type=Fwd",
                          "rule_pffwd_5_label=old60"});
    addSettings(newTree, {"rule_pffwd_1_type=Permit", "rule_pffwd_1_label=init1", "rule_pffwd_2_type=Deny",
                          "rule_pffwd_2_label=init2"});
    packetFilter.parseOldTree(context, oldTree, objects);
    packetFilter.parseNewTree(context, newTree);
    ConfigTree merged{log};
    packetFilter.save(context, merged);
    Lines labels;
    for (const std::string& line : settingsUnder(merged, "rule_pffwd_")) {
        if (line.find("_label=") != std::string::npos) labels.push_back(line);
    }
    EXPECT_EQ(labels, (Lines{"rule_pffwd_1_label=Pre60-rule1", "rule_pffwd_2_label=Pre60-rule2",
                             "rule_pffwd_3_label=old60", "rule_pffwd_4_label=init1", "rule_pffwd_5_label=init2"}));
    EXPECT_EQ(settingsUnder(merged, "rule_pffwd_3"),
              (Lines{"rule_pffwd_3_type=Fwd", "rule_pffwd_3_state=on", "rule_pffwd_3_loglevel_number=1",
                     "rule_pffwd_3_dst=", "rule_pffwd_3_src=", "rule_pffwd_3_service=", "rule_pffwd_3_label=old60",
                     "rule_pffwd_3_oldRuleNumber=5"}));
    EXPECT_EQ(packetFilter.lists.forwardCount, 5);
    EXPECT_EQ(packetFilter.lists.localCount, 0);
}

TEST_F(PacketFilterTest, ServicesAreWrittenWithOptionsOnlyWhenTheyHaveThem) {
    addSettings(oldTree,
                {"pfedit_lcl_rule1=Permit+eth0+tcp:!syn+1-2+1.1.1.1+255.255.255.255+3-4+2.2.2.2+255.255.255.255+c",
                 "pfedit_fwd_rule1=Permit+eth1+udp+5-6+1.1.1.1+255.255.255.255+7-8+2.2.2.2+255.255.255.255+"});
    packetFilter.parseOldTree(context, oldTree, objects);
    packetFilter.lists.oldLocal.services[0].interface = "lan0";  // as the interface merge rewrites it
    ConfigTree merged{log};
    packetFilter.save(context, merged);
    EXPECT_EQ(settingsUnder(merged, "lpf-serv"),
              (Lines{"lpf-serv_Pre60-rule1_comment=c", "lpf-serv_Pre60-rule1_interface=lan0",
                     "lpf-serv_Pre60-rule1_srcport1=1", "lpf-serv_Pre60-rule1_srcport2=2",
                     "lpf-serv_Pre60-rule1_opt1=!", "lpf-serv_Pre60-rule1_opt2=syn", "lpf-serv_Pre60-rule1_opt3=",
                     "lpf-serv_Pre60-rule1_opt4=", "lpf-serv_Pre60-rule1_opt5=", "lpf-serv_Pre60-rule1_opt6=",
                     "lpf-serv_Pre60-rule1_opt7=", "lpf-serv_Pre60-rule1_opt8=", "lpf-serv_Pre60-rule1_dstport1=3",
                     "lpf-serv_Pre60-rule1_dstport2=4", "lpf-serv_Pre60-rule1_proto=tcp"}));
    EXPECT_EQ(
        settingsUnder(merged, "fpf-serv"),
        (Lines{"fpf-serv_Pre60-rule1_comment=", "fpf-serv_Pre60-rule1_interface=eth1",
               "fpf-serv_Pre60-rule1_srcport1=5", "fpf-serv_Pre60-rule1_srcport2=6", "fpf-serv_Pre60-rule1_dstport1=7",
               "fpf-serv_Pre60-rule1_dstport2=8", "fpf-serv_Pre60-rule1_proto=udp"}));
}

TEST_F(PacketFilterTest, ShortEditLineStillGivesAWritableRule) {
    addSettings(oldTree, {"pfedit_fwd_r=Deny"});
    packetFilter.parseOldTree(context, oldTree, objects);
    ASSERT_EQ(oldForward().rules.size(), 1u);
    EXPECT_EQ(oldForward().rules[0].oldRuleNumber, 0);
    EXPECT_EQ(oldForward().rules[0].src, "net_ipnet_empty-empty");
}

}  // namespace
