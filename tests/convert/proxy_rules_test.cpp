// Proxy rules: defaults, destination and authentication from the groups, dropping incomplete rules,
// ordering by old number and writing.

#include "convert/proxy_rules.h"
#include "convert/groups.h"
#include "converter_fixture.h"

namespace {

class ProxyRulesTest : public ConverterTest {
protected:
    // A complete rule under old number n with the given label; extra settings follow.
    static std::vector<std::string> rule(int n, const std::string& label,
                                         std::initializer_list<std::string> extra = {}) {
        const std::string p = "rule_proxy_" + std::to_string(n) + "_";
        std::vector<std::string> lines{p + "action=allow", p + "rulelabel=" + label,
                                       p + "service=service_group_" + label, p + "src=net_pattern_any"};
        for (const std::string& e : extra) lines.push_back(p + e);
        return lines;
    }
    void loadRules(std::initializer_list<std::vector<std::string>> rules) {
        for (const auto& r : rules) addSettings(oldTree, r);
    }
    void prepareGroups() {
        groups.parseServiceGroups(context, oldTree);
        groups.parseDestinationRecords(context, oldTree);
        groups.convertDestinationGroups(objects);
        log.str("");
    }

    GroupConverter groups;
    ProxyRuleConverter proxy;
};

TEST_F(ProxyRulesTest, MissingStateLogLevelAndDestinationGetDefaults) {
    loadRules({rule(1, "Mail"), rule(2, "Web")});
    prepareGroups();
    proxy.parse(context, oldTree, groups);
    ASSERT_EQ(proxy.rules.size(), 2u);
    EXPECT_EQ(proxy.rules[0].state, "on");
    EXPECT_EQ(proxy.rules[0].loglevelNumber, "1");
    EXPECT_EQ(proxy.rules[0].dest, "destination_group_PermitAll");
    EXPECT_EQ(proxy.rules[1].dest, "destination_group_DenyAll");
}

TEST_F(ProxyRulesTest, LabelWithDestinationRecordsTakesItsGroup) {
    loadRules({rule(1, "Web"), rule(2, "Mail", {"dest=destination_group_Own"})});
    addSettings(oldTree,
                {"destination_group_7_dest=10.0.0.1", "destination_group_7_pd=D", "destination_group_7_service=Web",
                 "destination_group_8_dest=10.0.0.2", "destination_group_8_pd=P", "destination_group_8_service=Mail"});
    prepareGroups();
    proxy.parse(context, oldTree, groups);
    ASSERT_EQ(proxy.rules.size(), 2u);
    EXPECT_EQ(proxy.rules[0].dest, "destination_group_DenyWeb");
    EXPECT_EQ(proxy.rules[1].dest, "destination_group_Own");  // a rule's own value stays
}

TEST_F(ProxyRulesTest, ServiceGroupDecidesAuthenticationEvenWhenItHasNone) {
    loadRules({rule(1, "Web", {"auth=old"}), rule(2, "Ftp", {"auth=old"}), rule(3, "Other", {"auth=kept"})});
    addSettings(oldTree, {"service_group_Web_authenticate=yes", "service_group_Ftp_desc=no authentication"});
    prepareGroups();
    proxy.parse(context, oldTree, groups);
    ASSERT_EQ(proxy.rules.size(), 3u);
    EXPECT_EQ(proxy.rules[0].auth, "auth_obj_normal");
    EXPECT_EQ(proxy.rules[1].auth, "");
    EXPECT_EQ(proxy.rules[2].auth, "kept");
}

TEST_F(ProxyRulesTest, LogLevelIsReadFromItsNumberLeaf) {
    loadRules({rule(1, "Web", {"loglevel_number=3", "state=off"})});
    prepareGroups();
    proxy.parse(context, oldTree, groups);
    ASSERT_EQ(proxy.rules.size(), 1u);
    EXPECT_EQ(proxy.rules[0].loglevelNumber, "3");
    EXPECT_EQ(proxy.rules[0].state, "off");
}

TEST_F(ProxyRulesTest, RuleWithoutSourceIsDroppedWithSixLogLinesAndTheRestIsNumberedWithoutGaps) {
    addSettings(oldTree, {"rule_proxy_4_action=deny", "rule_proxy_4_rulelabel=Web", "rule_proxy_4_service=svc"});
    loadRules({rule(9, "Ftp"), rule(2, "Mail")});
    prepareGroups();
    proxy.parse(context, oldTree, groups);
    EXPECT_EQ(
        logLines(),
        (Lines{"parseProxyRules: Unable to convert rule - critical values missing (0): ", "  rulelabel: Web",
               "  action:    deny", "  src:       ", "  dest:      destination_group_DenyAll", "  service:   svc"}));
    proxy.save(context, newTree);
    EXPECT_EQ(proxy.written, 2);
    EXPECT_EQ(
        settingLines(newTree),
        (Lines{"rule_proxy_1_action=allow", "rule_proxy_1_auth=", "rule_proxy_1_dest=destination_group_PermitAll",
               "rule_proxy_1_loglevel_number=1", "rule_proxy_1_rulelabel=Mail",
               "rule_proxy_1_service=service_group_Mail", "rule_proxy_1_src=net_pattern_any", "rule_proxy_1_state=on",
               "rule_proxy_2_action=allow", "rule_proxy_2_auth=", "rule_proxy_2_dest=destination_group_DenyAll",
               "rule_proxy_2_loglevel_number=1", "rule_proxy_2_rulelabel=Ftp", "rule_proxy_2_service=service_group_Ftp",
               "rule_proxy_2_src=net_pattern_any", "rule_proxy_2_state=on"}));
}

TEST_F(ProxyRulesTest, RulesAreOrderedByOldNumber) {
    loadRules({rule(5, "A"), rule(2, "B"), rule(9, "C"), rule(10, "D")});
    prepareGroups();
    proxy.parse(context, oldTree, groups);
    Lines labels;
    for (const ProxyRule& r : proxy.rules) labels.push_back(r.rulelabel);
    EXPECT_EQ(labels, (Lines{"B", "A", "C", "D"}));
}

TEST_F(ProxyRulesTest, NoRulesIsLogged) {
    proxy.parse(context, oldTree, groups);
    EXPECT_EQ(logLines(), (Lines{"parseProxyRules: Search returned no data (0): rule_proxy_##"}));
    EXPECT_TRUE(proxy.rules.empty());
}

}  // namespace
