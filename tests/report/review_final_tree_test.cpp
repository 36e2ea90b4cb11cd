// The safety review over the trees: references the final configuration does not define, the new
// firewall's initial settings that changed, the order of the findings, the sample script, and the
// sample conversions' own configurations.
#include <gtest/gtest.h>

#include "report/review_fixture.h"
#include "support/files.h"
#include "support/scratch_dir.h"

class FinalTreeReviewTest : public ReviewTest {};

TEST_F(FinalTreeReviewTest, ReferencesToUndefinedNamesAreMediumOnePerName) {
    add(finalTree, {
                       "netobj_list_Outside_element_1_interface=eth0",
                       "net_ipaddr_10-10-0-1_addr=10.10.0.1",
                       "service_group_Mail_desc=Mail",
                       "destination_group_PermitAll_desc=Permit all destinations",
                       "fpf-serv_web_interface=eth0",
                       "rule_proxy_1_src=net_ipaddr_10-10-0-1",
                       "rule_proxy_1_dest=destination_group_PermitAll",
                       "rule_proxy_1_service=service_group_Mail",
                       "rule_proxy_2_src=net_ipaddr_10-10-0-2",
                       "rule_proxy_2_dest=destination_group_Gone",
                       "rule_proxy_2_service=service_group_Mail",
                       "rule_pffwd_1_src=net_pattern_any",
                       "rule_pffwd_1_dst=net_ipaddr_10-10-0-2",
                       "rule_pffwd_1_service=fpf-serv_web",
                       "rule_pflcl_1_service=lpf-serv_mgmt",
                       "rule_natrule_1_global=net_ipnet_any",
                       "rule_natrule_1_network-interface=eth9",
                       "rule_inatrule_1_network-interface=eth0",
                       "lpf-serv_ssh_interface=eth9",
                   });
    ReviewInputs inputs;
    inputs.finalTree = &finalTree;
    reviewUpgrade(report, inputs);
    const std::vector<Finding> found = withCode("undefined-reference");
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0].severity, Severity::Medium);
    EXPECT_EQ(found[0].message,
              "The final configuration refers to the network object net_ipaddr_10-10-0-2, which it does not define "
              "(rule_proxy_2_src and rule_pffwd_1_dst).");
    EXPECT_EQ(found[0].settings, (std::vector<std::string>{"rule_proxy_2_src", "rule_pffwd_1_dst"}));
    EXPECT_EQ(found[1].message,
              "The final configuration refers to the destination group destination_group_Gone, which it does not "
              "define (rule_proxy_2_dest).");
    EXPECT_EQ(found[2].message,
              "The final configuration refers to the local packet filter service lpf-serv_mgmt, which it does not "
              "define (rule_pflcl_1_service).");
    EXPECT_EQ(found[3].message,
              "The final configuration refers to the interface eth9, which it does not define "
              "(rule_natrule_1_network-interface and lpf-serv_ssh_interface).");
}

TEST_F(FinalTreeReviewTest, ValuesOfNoJudgedKindAreNotReferences) {
    add(finalTree, {
                       "rule_proxy_1_src=10.10.0.0:255.255.0.0",  // not converted, but not a name either
                       "rule_proxy_1_dest=",                       // empty: no reference
                       "rule_proxy_1_service=def_proxy_http",      // a kind this review does not judge
                       "rule_proxy_1_action=net_ipaddr_nowhere",   // not a setting that refers to anything
                       "rule_natrule_1_network-interface=*",
                       "service_group_A_elem_1_obj=def_proxy_http_config-sets_default",
                       "destination_group_B_elem_1_obj=destination_destobj_B_1",
                       "destination_destobj_B_1_addr=net_pattern_any",
                       "rule_pffwd_1_src=net_ipaddr",
                       "rule_pffwd_1_dst=net_ipaddr_",
                       "fpf-serv_x_interface=",
                   });
    review();
    EXPECT_TRUE(withCode("undefined-reference").empty()) << report.findings.front().message;
}

TEST_F(FinalTreeReviewTest, GroupElementsAndDestinationObjectsAreReferencesToo) {
    add(finalTree, {"service_group_A_elem_1_obj=service_group_Missing",
                    "destination_group_B_elem_1_obj=destination_destobj_B_1",
                    "destination_destobj_B_1_addr=net_iprange_nowhere"});
    review();
    const std::vector<Finding> found = withCode("undefined-reference");
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].settings, (std::vector<std::string>{"service_group_A_elem_1_obj"}));
    EXPECT_EQ(found[1].settings, (std::vector<std::string>{"destination_destobj_B_1_addr"}));
}

TEST_F(FinalTreeReviewTest, InitialSettingsChangedOrRemovedAreInfoPerBranch) {
    add(initial, {"system_hostname=kestrane", "system_timezone=UTC", "system_ntp_server=pool.ntp.org",
                  "rule_pflcl_1_label=management from inside", "netobj_list_Outside_desc=Network interfaces"});
    add(finalTree, {"system_hostname=fw-branch1", "system_timezone=UTC", "netobj_list_Outside_desc=Network interfaces",
                    "rule_pflcl_1_label=Pre60-rule5", "system_added=1"});
    review();
    ASSERT_EQ(report.newSettingsChanged.size(), 3u);
    const SettingChange& hostname = report.newSettingsChanged[0];
    EXPECT_EQ(hostname.branch, "system");
    EXPECT_EQ(hostname.setting, "system_hostname");
    EXPECT_EQ(hostname.oldValue, "kestrane");
    EXPECT_EQ(hostname.newValue, "fw-branch1");
    EXPECT_FALSE(hostname.removed);
    EXPECT_EQ(report.newSettingsChanged[1].setting, "system_ntp_server");
    EXPECT_TRUE(report.newSettingsChanged[1].removed);
    EXPECT_EQ(report.newSettingsChanged[1].newValue, "");
    EXPECT_EQ(report.newSettingsChanged[2].branch, "rule");

    const std::vector<Finding> found = withCode("new-settings-changed");
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].severity, Severity::Info);
    EXPECT_EQ(found[0].message,
              "2 settings of the new firewall's initial configuration under 'system' were changed or removed.");
    EXPECT_EQ(found[0].settings, (std::vector<std::string>{"system_hostname", "system_ntp_server"}));
    EXPECT_EQ(found[1].message,
              "1 setting of the new firewall's initial configuration under 'rule' was changed or removed.");
}

TEST_F(FinalTreeReviewTest, UnchangedInitialSettingsGiveNothingAndAReviewReplacesTheChanges) {
    const Lines same = {"system_hostname=kestrane", "a=1", "x_y_z=2"};
    add(initial, same);
    add(finalTree, same);
    report.newSettingsChanged.push_back(SettingChange{"stale", "stale_setting", "1", "2", false});
    review();
    EXPECT_TRUE(report.newSettingsChanged.empty());
    EXPECT_TRUE(report.findings.empty());
}

TEST_F(FinalTreeReviewTest, FindingsComeHighThenMediumThenInfoAfterTheOnesAlreadyThere) {
    report.findings.push_back({Severity::Info, "earlier-info", "An earlier note.", {}});
    report.findings.push_back({Severity::High, "earlier-high", "An earlier warning.", {}});
    add(initial, {"system_hostname=kestrane"});
    add(finalTree, {"system_hostname=fw", "rule_proxy_1_src=net_ipaddr_gone"});
    report.records.push_back(
        ReviewTest::record(ItemKind::ProxyRule, ItemOutcome::Dropped, "rule_proxy_9", "x", {}, {{"action", "deny", ""}}));
    report.templatePath = "data/5xTo60.tpl";
    sample = true;
    review();
    EXPECT_EQ(codes(), (std::vector<std::string>{"earlier-high", "deny-rule-dropped", "sample-script",
                                                 "undefined-reference", "earlier-info", "new-settings-changed"}));
    EXPECT_EQ(withCode("sample-script")[0].message,
              "The template script data/5xTo60.tpl declares itself a sample: a conversion made with it is not fit for "
              "a firewall in service.");
}

TEST_F(FinalTreeReviewTest, SampleConversionLeavesNoDanglingReferenceAndNamesTheChangedInitialSettings) {
    ASSERT_TRUE(load(initial, "data/samples/init-60.conf"));
    ASSERT_TRUE(load(finalTree, "tests/pipeline/expected/branch-final.conf"));
    review();
    EXPECT_TRUE(withCode("undefined-reference").empty()) << report.findings.front().message;
    // The unpaired spare interface eth3 was left out, but none of the new firewall's settings names it.
    EXPECT_TRUE(withCode("setting-refers-to-removed-interface").empty());
    std::vector<std::string> branches;
    for (const Finding& finding : withCode("new-settings-changed")) {
        branches.push_back(finding.message.substr(finding.message.rfind(" under ") + 7));
    }
    EXPECT_EQ(branches, (std::vector<std::string>{"'system' were changed or removed.", "'netobj' were changed or removed.",
                                                  "'rule' were changed or removed."}));
    bool hostname = false;
    for (const SettingChange& change : report.newSettingsChanged) {
        if (change.setting == "system_hostname") {
            hostname = change.oldValue == "kestrane" && change.newValue == "fw-branch1" && !change.removed;
        }
    }
    EXPECT_TRUE(hostname);
}

TEST_F(FinalTreeReviewTest, ReaddressedSampleFindsTheServersNetworkThatMovedAndNotTheCarriedAliases) {
    ASSERT_TRUE(load(initial, "data/samples/init-60-readdressed.conf"));
    ASSERT_TRUE(load(finalTree, "tests/pipeline/expected/branch-readdressed-final.conf"));
    report.pairing = {
        pair("eth0", "Outside", "198.51.100.10", "255.255.255.0", "outside", "ext0", "Outside", "203.0.113.10",
             "255.255.255.0", "outside"),
        pair("eth1", "Inside", "10.10.0.1", "255.255.0.0", "inside", "int0", "Inside", "10.20.0.1", "255.255.0.0",
             "inside"),
        pair("eth2", "Servers", "172.16.5.1", "255.255.255.0", "dmz", "dmz0", "DMZ", "172.16.50.1", "255.255.255.0",
             "dmz"),
    };
    report.records.push_back(record(ItemKind::ForwardRule, ItemOutcome::Changed, "pfedit_fwd_rule15",
                                    "servers may not open inside", {"rule_pffwd_2", "fpf-serv_Pre60-rule15"},
                                    {{"action", "Deny", "Deny"},
                                     {"src", "172.16.5.0:255.255.255.0", "net_ipnet_172-16-5-0-ipmask-class-c"},
                                     {"dst", "10.10.0.0:255.255.0.0", "net_ipnet_10-10-0-0-ipmask-class-b"},
                                     {"interface", "eth2", "dmz0"}}));
    report.records.push_back(record(ItemKind::NatRule, ItemOutcome::Changed, "rule_natrule_2", "", {"rule_natrule_2"},
                                    {{"action", "static", "static"},
                                     {"global", "198.51.100.20-198.51.100.30", "net_iprange_x"},
                                     {"local", "10.11.0.0:255.255.0.0", "net_ipnet_y"},
                                     {"interface", "eth0", "ext0"}}));
    review();
    EXPECT_TRUE(withCode("undefined-reference").empty()) << report.findings.front().message;
    const std::vector<Finding> found = withCode("readdressed");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].message,
              "Forward rule pfedit_fwd_rule15 (servers may not open inside), now rule_pffwd_2: source "
              "172.16.5.0:255.255.255.0 lay in the old network 172.16.5.0/24 of eth2 (Servers) and lies in none of "
              "the new firewall's networks (eth2 was paired with dmz0 on 172.16.50.0/24); destination "
              "10.10.0.0:255.255.0.0 lay in the old network 10.10.0.0/16 of eth1 (Inside) and lies in none of the new "
              "firewall's networks (eth1 was paired with int0 on 10.20.0.0/16).");
}

TEST(ScriptDeclaresSample, OnlyTheLeadingCommentCounts) {
    EXPECT_TRUE(scriptDeclaresSample(std::string(PROJECT_SOURCE_DIR) + "/data/5xTo60.tpl"));

    testsupport::ScratchDir dir("review_sample");
    struct Case {
        const char* text;
        bool sample;
    };
    const Case cases[] = {
        {"# A SAMPLE script\n[PREPROCESS]\n", true},
        {"# Conversion script\r\n#\r\n# sample, do not use\r\n[PREPROCESS]\r\n", true},
        {"# Conversion script\n\n \n# This is a Sample.\nadd_leaf a=1\n", true},
        {"# Conversion script\nadd_leaf a=1\n# sample\n", false},
        {"[PREPROCESS]\n# sample\n", false},
        {" # sample (indented: the processor would run this line)\n", false},
        {"# Resampled data, samples, sampled, sample_1\n", false},
        {"#sample\n", true},
        {"", false},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string path = dir.file("script" + std::to_string(n++) + ".tpl");
        ASSERT_TRUE(testsupport::writeFile(path, c.text));
        EXPECT_EQ(scriptDeclaresSample(path), c.sample) << c.text;
    }
    EXPECT_FALSE(scriptDeclaresSample(dir.file("missing.tpl")));
}
