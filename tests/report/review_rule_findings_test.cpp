// The safety review's findings about rules: refusing rules dropped, sources and destinations that now
// let every address through, and invalid values carried over.
#include <gtest/gtest.h>

#include "report/review_fixture.h"

namespace {

using K = ItemKind;
using O = ItemOutcome;

ItemField f(std::string name, std::string oldValue, std::string newValue) {
    return {std::move(name), std::move(oldValue), std::move(newValue)};
}

}  // namespace

class RuleFindingsTest : public ReviewTest {};

TEST_F(RuleFindingsTest, DroppedRuleThatRefusedTrafficIsHigh) {
    ItemRecord gopher = record(K::ProxyRule, O::Dropped, "rule_proxy_11", "Gopher", {},
                               {f("action", "deny", ""), f("src", "", ""), f("service", "service_group_WebUsers", "")});
    gopher.reasons = {"Unable to convert rule - critical values missing (src)"};
    report.records.push_back(gopher);
    review(false);
    const std::vector<Finding> found = withCode("deny-rule-dropped");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].severity, Severity::High);
    EXPECT_EQ(found[0].message,
              "Proxy rule rule_proxy_11 (Gopher), which refused traffic (deny), was dropped: Unable to convert rule "
              "- critical values missing (src).");
    EXPECT_EQ(found[0].settings, (std::vector<std::string>{"rule_proxy_11"}));
}

TEST_F(RuleFindingsTest, OnlyDroppedRulesThatRefuseCount) {
    // Refusing actions of each kind, in any letter case, dropped: each is found.
    report.records.push_back(record(K::ProxyRule, O::Dropped, "rule_proxy_1", "a", {}, {f("action", "REJECT", "")}));
    report.records.push_back(record(K::ForwardRule, O::Dropped, "pfedit_fwd_rule3", "b", {}, {f("action", "Deny", "")}));
    report.records.push_back(record(K::LocalRule, O::Dropped, "pfedit_lcl_rule4", "c", {}, {f("action", "drop-log", "")}));
    // Near twins: kept, allowing, an address translation, a proxy action that only starts like one.
    report.records.push_back(record(K::ProxyRule, O::Changed, "rule_proxy_2", "d", {"rule_proxy_1"},
                                    {f("action", "deny", "deny")}));
    report.records.push_back(record(K::ForwardRule, O::Dropped, "pfedit_fwd_rule5", "e", {}, {f("action", "Fwd", "")}));
    report.records.push_back(record(K::NatRule, O::Dropped, "rule_natrule_4", "", {}, {f("action", "hide", "")}));
    report.records.push_back(
        record(K::ProxyRule, O::Dropped, "rule_proxy_3", "f", {}, {f("action", "denylisted", "")}));
    review(false);
    const std::vector<Finding> found = withCode("deny-rule-dropped");
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].settings.front(), "rule_proxy_1");
    EXPECT_EQ(found[1].settings.front(), "pfedit_fwd_rule3");
    EXPECT_EQ(found[2].message, "Local rule pfedit_lcl_rule4 (c), which refused traffic (drop-log), was dropped.");
}

TEST_F(RuleFindingsTest, ProxyRuleGivenThePermitAllGroupForItsMissingDestinationIsHigh) {
    report.records.push_back(record(K::ProxyRule, O::Changed, "rule_proxy_2", "Mail", {"rule_proxy_1"},
                                    {f("action", "allow", "allow"), f("src", "*", "net_pattern_any"),
                                     f("dst", "", "destination_group_PermitAll")}));
    // Twins: a destination that already let everything through, and one that stays narrow.
    report.records.push_back(record(K::ProxyRule, O::Converted, "rule_proxy_7", "Telnet", {"rule_proxy_3"},
                                    {f("dst", "destination_group_PermitAll", "destination_group_PermitAll")}));
    report.records.push_back(record(K::ProxyRule, O::Changed, "rule_proxy_5", "WWW", {"rule_proxy_2"},
                                    {f("dst", "", "destination_group_PermitWWW")}));
    review(false);
    const std::vector<Finding> found = withCode("became-any");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].severity, Severity::High);
    EXPECT_EQ(found[0].message,
              "Proxy rule rule_proxy_2 (Mail), now rule_proxy_1, had no destination and now lets every destination "
              "through (destination_group_PermitAll).");
    EXPECT_EQ(found[0].settings, (std::vector<std::string>{"rule_proxy_2", "rule_proxy_1"}));
}

TEST_F(RuleFindingsTest, SourceWidenedToAnyIsFoundUnlessItMeantAnyBefore) {
    report.records.push_back(record(K::ForwardRule, O::Converted, "pfedit_fwd_rule10", "web out", {"rule_pffwd_1"},
                                    {f("src", "10.10.0.0:255.255.0.0", "net_pattern_any"),
                                     f("dst", "192.0.2.0:255.255.255.0", "net_ipnet_any")}));
    for (const char* any : {"*", "0.0.0.0+0.0.0.0", "0.0.0.0:0.0.0.0", "net_pattern_any", "net_ipnet_any"}) {
        report.records.push_back(record(K::LocalRule, O::Converted, "pfedit_lcl_rule5", any, {"rule_pflcl_1"},
                                        {f("src", any, "net_pattern_any")}));
    }
    // A dropped rule lets nothing through.
    report.records.push_back(
        record(K::ForwardRule, O::Dropped, "pfedit_fwd_rule11", "x", {}, {f("src", "10.1.1.1", "net_pattern_any")}));
    review(false);
    const std::vector<Finding> found = withCode("became-any");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].message,
              "Forward rule pfedit_fwd_rule10 (web out), now rule_pffwd_1, had the source 10.10.0.0:255.255.0.0 and "
              "now lets every source through (net_pattern_any); it also had the destination 192.0.2.0:255.255.255.0 "
              "and now lets every destination through (net_ipnet_any).");
}

TEST_F(RuleFindingsTest, DestinationGroupThatPermitsAnyInTheFinalConfigurationCountsAsAny) {
    add(finalTree, {"destination_group_Open_elem_1_obj=destination_destobj_Open_1",
                    "destination_destobj_Open_1_action=Permit", "destination_destobj_Open_1_addr=net_pattern_any",
                    "destination_group_Closed_elem_1_obj=destination_destobj_Closed_1",
                    "destination_destobj_Closed_1_action=Deny", "destination_destobj_Closed_1_addr=net_pattern_any"});
    report.records.push_back(
        record(K::ProxyRule, O::Changed, "rule_proxy_4", "FTP", {"rule_proxy_2"}, {f("dst", "", "destination_group_Open")}));
    report.records.push_back(record(K::ProxyRule, O::Changed, "rule_proxy_6", "News", {"rule_proxy_3"},
                                    {f("dst", "", "destination_group_Closed")}));
    review();
    const std::vector<Finding> found = withCode("became-any");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NE(found[0].message.find("rule_proxy_4 (FTP)"), std::string::npos);
}

TEST_F(RuleFindingsTest, InvalidValuesCarriedOverAreMediumAndListedInOneSentence) {
    report.records.push_back(record(K::ForwardRule, O::Converted, "pfedit_fwd_rule7", "bad", {"rule_pffwd_2"},
                                    {f("action", "Allow-All", "Allow-All"), f("src", "10.10.0.256:255.255.0.0", "x"),
                                     f("dst", "10.0.0.0:255.0.255.0", "y"), f("dstport", "90-80", "90-80")}));
    review(false);
    const std::vector<Finding> found = withCode("invalid-value");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].severity, Severity::Medium);
    EXPECT_EQ(found[0].message,
              "Forward rule pfedit_fwd_rule7 (bad), now rule_pffwd_2, was written with values that are not valid: "
              "packet filter rule type Allow-All is not a known one; source: 10.10.0.256 has a part above 255; "
              "destination: 255.0.255.0 is not a contiguous mask; destination port range 90-80 runs backwards.");
}

TEST_F(RuleFindingsTest, EachKindOfInvalidValueIsFoundAndItsValidTwinIsNot) {
    struct Case {
        ItemKind kind;
        ItemField field;
        bool invalid;
    };
    const Case cases[] = {
        {K::ProxyRule, f("action", "allow", "allow"), false},
        {K::ProxyRule, f("action", "permit", "permit"), true},
        {K::NatRule, f("action", "static", "static"), false},
        {K::NatRule, f("action", "masquerade", "masquerade"), true},
        {K::InatRule, f("action", "illegal", "illegal"), false},
        {K::ForwardRule, f("action", "FilterAll-FSA", "Fwd+Reply"), false},
        {K::NatRule, f("global", "198.51.100.20-198.51.100.30", "n"), false},
        {K::NatRule, f("global", "198.51.100.30-198.51.100.20", "n"), true},
        {K::NatRule, f("local", "10.10.0", "n"), true},
        {K::NatRule, f("port", "1024-65535", "1024-65535"), false},
        {K::NatRule, f("port", "1024-70000", "1024-70000"), true},
        {K::NatRule, f("port", "0-0", "0-0"), false},
        {K::LocalRule, f("srcport", "", "-"), false},
        {K::Interface, f("netmask", "255.255.0.0", "255.255.0.0"), false},
        {K::Interface, f("netmask", "255.255.0.0", "255.0.255.0"), true},
        {K::InterfaceAlias, f("addr", "10.11.0.1", "10.11.0.1"), false},
        {K::InterfaceAlias, f("addr", "10.11.0.300", "10.11.0.300"), true},
        // The interface took its partner's valid address: the old invalid one was not carried over.
        {K::Interface, f("addr", "10.10.0.300", "10.20.0.1"), false},
    };
    for (const Case& c : cases) {
        report = UpgradeReport();
        report.records.push_back(record(c.kind, O::Converted, "item", "", {"item"}, {c.field}));
        review(false);
        EXPECT_EQ(withCode("invalid-value").size(), c.invalid ? 1u : 0u)
            << itemKindKey(c.kind) << " " << c.field.name << " " << c.field.oldValue << " -> " << c.field.newValue;
    }
}

TEST_F(RuleFindingsTest, DroppedItemsCarryNothingOver) {
    report.records.push_back(record(K::NatRule, O::Dropped, "rule_natrule_9", "", {},
                                    {f("action", "bogus", ""), f("global", "300.1.1.1", "")}));
    review(false);
    EXPECT_TRUE(withCode("invalid-value").empty());
}
