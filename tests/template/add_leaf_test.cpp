// The verb add_leaf, through dispatch and as the converters call it.
#include <cstring>
#include <string>

#include "script_fixture.h"

namespace {

using AddLeaf = ScriptFixture;

TEST_F(AddLeaf, ValueRunsToTheEndOfTheLineBlanksAndEqualSignsIncluded) {
    EXPECT_EQ(dispatch("add_leaf a_b=two words = more"), 1);
    EXPECT_EQ(settings(), "a_b=two words = more\n");
}

TEST_F(AddLeaf, ExistingValueIsReplacedWithoutAMessage) {
    addSettings({"a_b=1", "a_c=3"});
    dispatch("add_leaf a_b=2", 9);
    EXPECT_EQ(settings(), "a_b=2\na_c=3\n");
    EXPECT_EQ(log.str(), "Processing 9: add_leaf\ta_b=2\n");
}

TEST_F(AddLeaf, NamesAndValuesAreCutAsInAConfigurationFile) {
    dispatch("add_leaf rule_proxy_num_rules=007");
    dispatch("add_leaf if_07_addr=010.1.1.1");
    EXPECT_EQ(settings(), "rule_proxy_num_rules=7\nif_7_addr=010.1.1.1\n");
}

TEST_F(AddLeaf, MissingArgumentIsReportedWithTheLineNumber) {
    EXPECT_EQ(dispatch("add_leaf", 12), 0);
    EXPECT_EQ(log.str(), "Processing 12: add_leaf\t\n"
                         "add_leaf: Could not find objects at line 12\n");
}

TEST_F(AddLeaf, TextWithoutEqualSignIsReportedByTheParserAndByTheVerb) {
    EXPECT_EQ(dispatch("add_leaf xy", 4), 0);
    EXPECT_EQ(log.str(), "Processing 4: add_leaf\txy\n"
                         "Line 0: Unable to find '=' in xy\n"
                         "add_leaf: Unable to parse object1: xy\n");
    EXPECT_EQ(settings(), "");
}

TEST_F(AddLeaf, OneCharacterTextIsTooShortForTheParserToReport) {
    // The parser drops texts of fewer than two characters silently, so only the verb speaks.
    EXPECT_EQ(dispatch("add_leaf x", 4), 0);
    EXPECT_EQ(log.str(), "Processing 4: add_leaf\tx\n"
                         "add_leaf: Unable to parse object1: x\n");
}

TEST_F(AddLeaf, CommentLikeTextIsRefusedByTheVerbAlone) {
    EXPECT_EQ(dispatch("add_leaf #x=1", 2), 0);
    EXPECT_EQ(log.str(), "Processing 2: add_leaf\t#x=1\n"
                         "add_leaf: Unable to parse object1: #x=1\n");
}

TEST_F(AddLeaf, ConvertersCallItDirectlyWithoutALogLineOfTheirOwn) {
    useScript("");
    char text[] = "rule_nat_1_action=allow";
    EXPECT_EQ(processor->add_leaf(tree, text), 1);
    EXPECT_EQ(processor->add_leaf(tree, nullptr), 0);
    EXPECT_EQ(settings(), "rule_nat_1_action=allow\n");
    EXPECT_EQ(log.str(), "add_leaf: Could not find objects at line 0\n");
}

}  // namespace
