// The records of the rule converters: proxy, NAT/INAT and packet filter rules, accepted and dropped,
// with their values as read and as written, the reasons of every change and drop, and the names they
// are written as.

#include "convert/groups.h"
#include "convert/nat_rules.h"
#include "convert/packet_filter.h"
#include "convert/proxy_rules.h"
#include "converter_fixture.h"
#include "support/item_record_lookup.h"

namespace {

using testsupport::fieldText;
using testsupport::recordById;

// ---- Proxy rules --------------------------------------------------------------------------------

class ProxyRuleRecordsTest : public ConverterTest {
protected:
    void readRules() {
        groups.parseServiceGroups(context, oldTree);
        groups.parseDestinationRecords(context, oldTree);
        groups.convertDestinationGroups(objects);
        proxy.parse(context, oldTree, groups);
    }
    std::vector<ItemRecord> records() const {
        std::vector<ItemRecord> out;
        proxy.appendRecords(out);
        return out;
    }

    GroupConverter groups;
    ProxyRuleConverter proxy;
};

TEST_F(ProxyRuleRecordsTest, DenyRuleWithoutSourceIsDroppedWithTheLoggedFaultAndWhatWasMissing) {
    addSettings(oldTree, {"rule_proxy_11_action=deny", "rule_proxy_11_rulelabel=Gopher",
                          "rule_proxy_11_service=service_group_Web", "rule_proxy_12_action=allow"});
    readRules();
    const std::vector<ItemRecord> all = records();
    ASSERT_EQ(all.size(), 2u);
    const ItemRecord* gopher = recordById(all, ItemKind::ProxyRule, "rule_proxy_11");
    ASSERT_NE(gopher, nullptr);
    EXPECT_EQ(gopher->outcome, ItemOutcome::Dropped);
    EXPECT_EQ(gopher->label, "Gopher");
    EXPECT_TRUE(gopher->newIds.empty());
    EXPECT_EQ(gopher->reasons, (Lines{"Unable to convert rule - critical values missing", "Missing: src"}));
    // Nothing of a dropped rule is written.
    EXPECT_EQ(fieldText(*gopher, "action"), "deny -> ");
    EXPECT_EQ(fieldText(*gopher, "service"), "service_group_Web -> ");
    const ItemRecord* bare = recordById(all, ItemKind::ProxyRule, "rule_proxy_12");
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->reasons.back(), "Missing: rulelabel, src, service");
}

TEST_F(ProxyRuleRecordsTest, FilledInDestinationSaysWhichGroupAndWhatItLets) {
    addSettings(oldTree, {"rule_proxy_1_action=allow",
                          "rule_proxy_1_rulelabel=Mail",
                          "rule_proxy_1_src=*",
                          "rule_proxy_1_service=service_group_Mail",
                          "rule_proxy_2_action=allow",
                          "rule_proxy_2_rulelabel=Web",
                          "rule_proxy_2_src=*",
                          "rule_proxy_2_service=service_group_Web",
                          "rule_proxy_3_action=allow",
                          "rule_proxy_3_rulelabel=Ftp",
                          "rule_proxy_3_src=*",
                          "rule_proxy_3_service=service_group_Ftp",
                          "rule_proxy_4_action=allow",
                          "rule_proxy_4_rulelabel=Ftp",
                          "rule_proxy_4_src=*",
                          "rule_proxy_4_service=service_group_Ftp",
                          "rule_proxy_4_dest=destination_group_Own",
                          "destination_group_5_dest=10.0.0.1",
                          "destination_group_5_pd=P",
                          "destination_group_5_service=Ftp"});
    readRules();
    const std::vector<ItemRecord> all = records();
    const ItemRecord* mail = recordById(all, ItemKind::ProxyRule, "rule_proxy_1");
    const ItemRecord* web = recordById(all, ItemKind::ProxyRule, "rule_proxy_2");
    const ItemRecord* ftp = recordById(all, ItemKind::ProxyRule, "rule_proxy_3");
    const ItemRecord* own = recordById(all, ItemKind::ProxyRule, "rule_proxy_4");
    ASSERT_TRUE(mail && web && ftp && own);
    EXPECT_EQ(mail->outcome, ItemOutcome::Changed);
    EXPECT_EQ(fieldText(*mail, "dst"), " -> destination_group_PermitAll");
    EXPECT_EQ(mail->reasons, (Lines{"No destination: takes destination group destination_group_PermitAll, which "
                                    "permits any destination"}));
    EXPECT_EQ(web->reasons, (Lines{"No destination: takes destination group destination_group_DenyAll, which "
                                   "denies every destination"}));
    EXPECT_EQ(ftp->reasons, (Lines{"No destination: takes destination group destination_group_PermitFtp, built from "
                                   "the destination records of service Ftp"}));
    // A rule with a destination of its own keeps it: nothing changed.
    EXPECT_EQ(own->outcome, ItemOutcome::Converted);
    EXPECT_TRUE(own->reasons.empty());
}

TEST_F(ProxyRuleRecordsTest, AuthenticationFromTheServiceGroupIsAChangeWhenItDiffers) {
    addSettings(oldTree, {"rule_proxy_1_action=allow",
                          "rule_proxy_1_rulelabel=Web",
                          "rule_proxy_1_src=*",
                          "rule_proxy_1_dest=d",
                          "rule_proxy_1_service=service_group_Web",
                          "rule_proxy_1_auth=x",
                          "rule_proxy_2_action=allow",
                          "rule_proxy_2_rulelabel=Web",
                          "rule_proxy_2_src=*",
                          "rule_proxy_2_dest=d",
                          "rule_proxy_2_service=service_group_Open",
                          "rule_proxy_2_auth=auth_obj_normal",
                          "rule_proxy_3_action=allow",
                          "rule_proxy_3_rulelabel=Web",
                          "rule_proxy_3_src=*",
                          "rule_proxy_3_dest=d",
                          "rule_proxy_3_service=service_group_Web",
                          "rule_proxy_3_auth=auth_obj_normal",
                          "service_group_Web_authenticate=yes",
                          "service_group_Open_desc=no authentication"});
    readRules();
    const std::vector<ItemRecord> all = records();
    const ItemRecord* replaced = recordById(all, ItemKind::ProxyRule, "rule_proxy_1");
    const ItemRecord* removed = recordById(all, ItemKind::ProxyRule, "rule_proxy_2");
    const ItemRecord* same = recordById(all, ItemKind::ProxyRule, "rule_proxy_3");
    ASSERT_TRUE(replaced && removed && same);
    EXPECT_EQ(replaced->outcome, ItemOutcome::Changed);
    EXPECT_EQ(replaced->reasons,
              (Lines{"Authentication x replaced by auth_obj_normal from service group service_group_Web"}));
    EXPECT_EQ(removed->reasons, (Lines{"Authentication auth_obj_normal removed: service group service_group_Open "
                                       "asks for no authentication"}));
    EXPECT_EQ(same->outcome, ItemOutcome::Converted);
}

TEST_F(ProxyRuleRecordsTest, SourceAndDestinationAreShownAsTheyWereBeforeTheScript) {
    addSettings(oldTree,
                {"rule_proxy_1_action=allow", "rule_proxy_1_rulelabel=Web", "rule_proxy_1_src=10.0.0.0:255.0.0.0",
                 "rule_proxy_1_dest=old-dest", "rule_proxy_1_service=service_group_Web", "rule_proxy_2_action=allow",
                 "rule_proxy_2_rulelabel=Web", "rule_proxy_2_src=*", "rule_proxy_2_dest=d",
                 "rule_proxy_2_service=service_group_Web"});
    proxy.noteValuesBeforeScript(oldTree);
    // What the script does in between: rewrites a source, and makes a rule of its own.
    addSettings(oldTree, {"rule_proxy_1_src=net_ipnet_10-0-0-0-ipmask-class-a", "rule_proxy_1_dest=new-dest"}, true);
    addSettings(oldTree, {"rule_proxy_9_action=allow", "rule_proxy_9_rulelabel=Web", "rule_proxy_9_src=x",
                          "rule_proxy_9_dest=d", "rule_proxy_9_service=service_group_Web"});
    readRules();
    proxy.save(context, newTree);
    const std::vector<ItemRecord> all = records();
    const ItemRecord* rewritten = recordById(all, ItemKind::ProxyRule, "rule_proxy_1");
    const ItemRecord* made = recordById(all, ItemKind::ProxyRule, "rule_proxy_9");
    ASSERT_TRUE(rewritten && made);
    EXPECT_EQ(fieldText(*rewritten, "src"), "10.0.0.0:255.0.0.0 -> net_ipnet_10-0-0-0-ipmask-class-a");
    EXPECT_EQ(fieldText(*rewritten, "dst"), "old-dest -> new-dest");
    // A rule the script made has no older values than those read.
    EXPECT_EQ(fieldText(*made, "src"), "x -> x");
    EXPECT_EQ(made->newIds, (Lines{"rule_proxy_3"}));
}

TEST_F(ProxyRuleRecordsTest, RulesTheScriptReorderedStillFindTheirOwnOldValues) {
    addSettings(oldTree, {"rule_proxy_1_src=one", "rule_proxy_2_src=two"});
    proxy.noteValuesBeforeScript(oldTree);
    // The script takes rule 1 out and puts it back after rule 2.
    ConfigTree moved{log};
    addSettings(moved, {"rule_proxy_2_src=two", "rule_proxy_1_src=one-later"});
    for (const char* line : {"action=allow", "rulelabel=Web", "dest=d", "service=s"}) {
        addSettings(moved, {std::string("rule_proxy_1_") + line, std::string("rule_proxy_2_") + line});
    }
    proxy.parse(context, moved, groups);
    const std::vector<ItemRecord> all = records();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(fieldText(*recordById(all, ItemKind::ProxyRule, "rule_proxy_1"), "src"), "one -> one-later");
    EXPECT_EQ(fieldText(*recordById(all, ItemKind::ProxyRule, "rule_proxy_2"), "src"), "two -> two");
}

TEST_F(ProxyRuleRecordsTest, WrittenRulesCarryTheNumberTheyWereWrittenAs) {
    addSettings(oldTree,
                {"rule_proxy_20_action=allow", "rule_proxy_20_rulelabel=B", "rule_proxy_20_src=*",
                 "rule_proxy_20_dest=d", "rule_proxy_20_service=s", "rule_proxy_5_action=allow",
                 "rule_proxy_5_rulelabel=A", "rule_proxy_5_src=*", "rule_proxy_5_dest=d", "rule_proxy_5_service=s"});
    readRules();
    EXPECT_TRUE(records()[0].newIds.empty());  // not written yet
    proxy.save(context, newTree);
    const std::vector<ItemRecord> all = records();
    EXPECT_EQ(recordById(all, ItemKind::ProxyRule, "rule_proxy_5")->newIds, (Lines{"rule_proxy_1"}));
    EXPECT_EQ(recordById(all, ItemKind::ProxyRule, "rule_proxy_20")->newIds, (Lines{"rule_proxy_2"}));
}

// ---- NAT and INAT rules -------------------------------------------------------------------------

class NatRuleRecordsTest : public ConverterTest {
protected:
    // Rule n with a global network, a local range and the given type and interface.
    void rule(int n, const std::string& ruleType, const std::string& network) {
        const std::string p = "rule_natrule_" + std::to_string(n) + "_";
        addSettings(oldTree, {p + "global_range_type=mask", p + "global_range_delimiter=255.255.255.0",
                              p + "global_range_start_addr=192.0.2.0", p + "local_range_type=range",
                              p + "local_range_delimiter=10.0.0.9", p + "local_range_start_addr=10.0.0.1",
                              p + "rule_type=" + ruleType, p + "network_name=" + network, p + "port_start=80",
                              p + "port_end=88"});
    }
    std::vector<ItemRecord> records() const {
        std::vector<ItemRecord> out;
        nat.appendRecords(out);
        return out;
    }

    NatRuleConverter nat;
};

TEST_F(NatRuleRecordsTest, RuleOnTheWildcardInterfaceIsDroppedWithTheRejectionText) {
    rule(4, "static", "*");
    nat.parse(context, oldTree, objects);
    const std::vector<ItemRecord> all = records();
    ASSERT_EQ(all.size(), 1u);
    const ItemRecord& dropped = all[0];
    EXPECT_EQ(dropped.kind, ItemKind::NatRule);
    EXPECT_EQ(dropped.outcome, ItemOutcome::Dropped);
    EXPECT_EQ(dropped.oldId, "rule_natrule_4");
    EXPECT_EQ(dropped.label, "10.0.0.1-10.0.0.9 -> 192.0.2.0:255.255.255.0");
    EXPECT_EQ(dropped.reasons, (Lines{"Unable to convert NAT/INAT rule number 4 - critical values missing or invalid",
                                      "iface: * - NAT/INAT rules may not be bound to a \"*\" interface"}));
    EXPECT_EQ(fieldText(dropped, "interface"), "* -> ");
}

TEST_F(NatRuleRecordsTest, EveryValueAtFaultIsNamed) {
    addSettings(oldTree, {"rule_natrule_2_rule_type=illegal"});
    nat.parse(context, oldTree, objects);
    const std::vector<ItemRecord> all = records();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].kind, ItemKind::InatRule);
    EXPECT_EQ(all[0].label, "rule_natrule_2");  // no addresses to know it by
    EXPECT_EQ(all[0].reasons, (Lines{"Unable to convert NAT/INAT rule number 2 - critical values missing or invalid",
                                     "globalAddr: <blank> - this is illegal", "localAddr: <blank> - this is illegal",
                                     "iface: <blank> - this is illegal"}));
}

TEST_F(NatRuleRecordsTest, AcceptedRulesShowAddressTextsAndObjectsAndTheirWrittenNumbers) {
    rule(7, "static", "eth0");
    rule(3, "illegal", "eth1");
    nat.parse(context, oldTree, objects);
    nat.save(context, newTree);
    const std::vector<ItemRecord> all = records();
    const ItemRecord* nat7 = recordById(all, ItemKind::NatRule, "rule_natrule_7");
    const ItemRecord* inat3 = recordById(all, ItemKind::InatRule, "rule_natrule_3");
    ASSERT_TRUE(nat7 && inat3);
    EXPECT_EQ(nat7->outcome, ItemOutcome::Converted);
    EXPECT_EQ(nat7->newIds, (Lines{"rule_natrule_1"}));
    EXPECT_EQ(fieldText(*nat7, "action"), "static -> static");
    EXPECT_EQ(fieldText(*nat7, "global"), "192.0.2.0:255.255.255.0 -> net_ipnet_192-0-2-0-ipmask-class-c");
    EXPECT_EQ(fieldText(*nat7, "local"), "10.0.0.1-10.0.0.9 -> net_iprange_10-0-0-1-10-0-0-9");
    EXPECT_EQ(fieldText(*nat7, "port"), "80-88 -> 80-88");
    EXPECT_EQ(inat3->newIds, (Lines{"rule_inatrule_1"}));
    // An INAT rule is written without its port: the record says so.
    EXPECT_EQ(inat3->outcome, ItemOutcome::Changed);
    EXPECT_EQ(fieldText(*inat3, "port"), "80-88 -> ");
    EXPECT_EQ(inat3->reasons,
              (Lines{"An INAT rule is written without remote address and port: its port 80-88 is not written"}));
}

TEST_F(NatRuleRecordsTest, InterfaceMovedByTheMergeIsAChange) {
    rule(1, "hide", "eth0");
    nat.parse(context, oldTree, objects);
    nat.rules[0].network = "eth5";  // as the interface merge moves it
    const std::vector<ItemRecord> all = records();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].outcome, ItemOutcome::Changed);
    EXPECT_EQ(fieldText(all[0], "interface"), "eth0 -> eth5");
    EXPECT_EQ(all[0].reasons, (Lines{"The interface merge moved it from eth0 to eth5"}));
}

// ---- Packet filter rules ------------------------------------------------------------------------

class PacketFilterRecordsTest : public ConverterTest {
protected:
    std::vector<ItemRecord> records() const {
        std::vector<ItemRecord> out;
        packetFilter.appendRecords(out);
        return out;
    }

    PacketFilterConverter packetFilter;
};

TEST_F(PacketFilterRecordsTest, EditLineShowsItsOwnTextsAndIsWrittenAsARuleAndAService) {
    addSettings(oldTree, {"pfedit_fwd_rule10=Permit+eth0+tcp+1024-65535+10.10.0.0+255.255.0.0+80-80+0.0.0.0+0.0.0.0+"
                          "web out",
                          "pfedit_lcl_rule5=FilterAll-FSA+eth1+icmp+0-0+0.0.0.0+0.0.0.0+0-0+10.0.0.1+"
                          "255.255.255.255+"});
    packetFilter.parseOldTree(context, oldTree, objects);
    packetFilter.save(context, newTree);
    const std::vector<ItemRecord> all = records();
    const ItemRecord* forward = recordById(all, ItemKind::ForwardRule, "pfedit_fwd_rule10");
    const ItemRecord* local = recordById(all, ItemKind::LocalRule, "pfedit_lcl_rule5");
    ASSERT_TRUE(forward && local);
    EXPECT_EQ(forward->origin, ItemOrigin::Old);
    EXPECT_EQ(forward->outcome, ItemOutcome::Converted);
    EXPECT_EQ(forward->label, "web out");    // the line's comment
    EXPECT_EQ(local->label, "Pre60-rule5");  // no comment: the label made for it
    EXPECT_EQ(fieldText(*forward, "action"), "Permit -> Fwd");
    EXPECT_EQ(fieldText(*forward, "src"), "10.10.0.0:255.255.0.0 -> net_ipnet_10-10-0-0-ipmask-class-b");
    EXPECT_EQ(fieldText(*local, "dst"), "10.0.0.1:255.255.255.255 -> net_ipaddr_10-0-0-1");
    EXPECT_EQ(fieldText(*forward, "service"), " -> fpf-serv_Pre60-rule10");
    EXPECT_EQ(fieldText(*forward, "interface"), "eth0 -> eth0");
    EXPECT_EQ(fieldText(*forward, "srcport"), "1024-65535 -> 1024-65535");
    EXPECT_EQ(fieldText(*forward, "dstport"), "80-80 -> 80-80");
    EXPECT_EQ(forward->newIds, (Lines{"rule_pffwd_1", "fpf-serv_Pre60-rule10"}));
    EXPECT_EQ(local->newIds, (Lines{"rule_pflcl_1", "lpf-serv_Pre60-rule5"}));
}

TEST_F(PacketFilterRecordsTest, NewFirewallRulesComeAfterTheOldOnesAndKeepTheirOwnService) {
    addSettings(oldTree, {"rule_pffwd_3_type=Fwd", "rule_pffwd_3_label=https in", "rule_pffwd_3_service=fpf-serv_web",
                          "fpf-serv_web_interface=eth0", "fpf-serv_web_dstport1=443", "fpf-serv_web_dstport2=443"});
    addSettings(newTree, {"rule_pffwd_1_type=Fwd+Reply", "rule_pffwd_1_label=default out",
                          "rule_pffwd_1_service=fpf-serv_web", "fpf-serv_web_interface=eth9"});
    packetFilter.parseOldTree(context, oldTree, objects);
    packetFilter.parseNewTree(context, newTree);
    packetFilter.lists.oldForward.services[0].interface = "eth1";  // as the interface merge moves it
    ConfigTree merged{log};
    packetFilter.save(context, merged);
    const std::vector<ItemRecord> all = records();
    ASSERT_EQ(all.size(), 2u);
    const ItemRecord& old = all[0];
    const ItemRecord& own = all[1];
    EXPECT_EQ(old.oldId, "rule_pffwd_3");
    EXPECT_EQ(old.label, "https in");
    EXPECT_EQ(old.outcome, ItemOutcome::Changed);
    EXPECT_EQ(old.reasons, (Lines{"The interface merge moved its service's interface from eth0 to eth1"}));
    EXPECT_EQ(fieldText(old, "service"), "fpf-serv_web -> fpf-serv_web");
    EXPECT_EQ(fieldText(old, "dstport"), "443-443 -> 443-443");
    EXPECT_EQ(old.newIds, (Lines{"rule_pffwd_1", "fpf-serv_web"}));
    EXPECT_EQ(own.origin, ItemOrigin::New);
    EXPECT_EQ(own.oldId, "rule_pffwd_1");
    EXPECT_EQ(own.outcome, ItemOutcome::Converted);
    EXPECT_EQ(fieldText(own, "interface"), "eth9 -> eth9");  // the new tree's service of that name
    EXPECT_EQ(own.newIds, (Lines{"rule_pffwd_2", "fpf-serv_web"}));
}

TEST_F(PacketFilterRecordsTest, RuleWhoseServiceIsNowhereHasNoServiceFields) {
    addSettings(oldTree, {"rule_pflcl_2_type=Permit", "rule_pflcl_2_service=lpf-serv_missing"});
    packetFilter.parseOldTree(context, oldTree, objects);
    const std::vector<ItemRecord> all = records();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].kind, ItemKind::LocalRule);
    EXPECT_EQ(all[0].field("interface"), nullptr);
    EXPECT_TRUE(all[0].newIds.empty());
}

}  // namespace
