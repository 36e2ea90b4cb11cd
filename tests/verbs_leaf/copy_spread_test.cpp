// copy_leaf and spread_leaf: new settings made from matches, and their fault lines.
#include "support/verb_fixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class CopyLeafTest : public VerbFixture {};

TEST_F(CopyLeafTest, ItemTakesTheWildcardsOfEachMatch) {
    addSettings({"rule_proxy_1_src=inside", "rule_proxy_2_src=dmz", "rule_other_3_src=x"});
    EXPECT_EQ(dispatch("copy_leaf rule_proxy_##_src=** rule_proxy_##_from=**"), 1);
    EXPECT_THAT(settings(), ElementsAre("rule_proxy_1_src=inside", "rule_proxy_1_from=inside", "rule_proxy_2_src=dmz",
                                        "rule_proxy_2_from=dmz", "rule_other_3_src=x"));
    EXPECT_THAT(faultLines(), IsEmpty());
}

TEST_F(CopyLeafTest, PrefixMarkerBuildsANameFromTheMatchedNumber) {
    addSettings({"if_4_addr=10.0.0.1"});
    EXPECT_EQ(dispatch("copy_leaf if_##_addr=** net_??a_name=fixed"), 1);
    EXPECT_THAT(settings(), ElementsAre("if_4_addr=10.0.0.1", "net_4a_name=fixed"));
}

TEST_F(CopyLeafTest, OverwritesAnExistingSettingSilently) {
    addSettings({"a_1_x=new", "b_1_x=old"});
    EXPECT_EQ(dispatch("copy_leaf a_##_x=** b_##_x=**"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_1_x=new", "b_1_x=new"));
    EXPECT_THAT(faultLines(), IsEmpty());
}

TEST_F(CopyLeafTest, ItemWithTwoNumberMarkersIsMergedUnfilledAfterOneMessagePerMatch) {
    addSettings({"a_1_x=p", "a_2_x=q"});
    EXPECT_EQ(dispatch("copy_leaf a_##_x=** c_##_##=v"), 1);
    const std::string message = "fillWildCardFromTop: multiple ## wildcards in branch - can't continue";
    EXPECT_THAT(faultLines(), ElementsAre(message, message));
    EXPECT_THAT(settings(), ElementsAre("a_1_x=p", "a_2_x=q", "c_##_##=v"));
}

TEST_F(CopyLeafTest, FaultLinesNameTheVerbLineAndSubject) {
    addSettings({"a_b=1"});
    EXPECT_EQ(dispatch("copy_leaf", 3), 0);
    EXPECT_EQ(dispatch("copy_leaf a_b=**", 4), 0);
    EXPECT_EQ(dispatch("copy_leaf a_b x=1", 5), 0);
    EXPECT_EQ(dispatch("copy_leaf a_c=** x=1", 6), 1);
    EXPECT_EQ(dispatch("copy_leaf a_b=** nothing", 8), 0);
    EXPECT_THAT(faultLines(),
                ElementsAre("copy_leaf: Could not find objects (3): ", "copy_leaf: Could not find objects (4): a_b=**",
                            "Line 0: Unable to find '=' in a_b", "copy_leaf: Unable to parse search template (5): a_b",
                            "copy_leaf: Search returned no data (6): a_c=**", "Line 0: Unable to find '=' in nothing",
                            "copy_leaf: Unable to parse add item: nothing"));
    EXPECT_THAT(settings(), ElementsAre("a_b=1"));
}

TEST_F(CopyLeafTest, ItemIsNotParsedWhenTheTemplateFindsNothing) {
    EXPECT_EQ(dispatch("copy_leaf a_b=** nothing"), 1);
    EXPECT_THAT(faultLines(), ElementsAre("copy_leaf: Search returned no data (7): a_b=**"));
}

class SpreadLeafTest : public VerbFixture {};

TEST_F(SpreadLeafTest, EverySourceGoesIntoEveryDestination) {
    addSettings({"src_a=1", "src_b=2", "d_1_k=x", "d_2_k=y", "d_3_k=z"});
    EXPECT_EQ(dispatch("spread_leaf src_**=** d_##"), 1);
    EXPECT_THAT(settings(), ElementsAre("src_a=1", "src_b=2", "d_1_k=x", "d_1_a=1", "d_1_b=2", "d_2_k=y", "d_2_a=1",
                                        "d_2_b=2", "d_3_k=z", "d_3_a=1", "d_3_b=2"));
    EXPECT_THAT(faultLines(), IsEmpty());
}

TEST_F(SpreadLeafTest, ASourcesOwnBranchAsDestinationKeepsItsValues) {
    addSettings({"d_1_a=1", "d_2_a=2"});
    EXPECT_EQ(dispatch("spread_leaf d_1_a=** d_**"), 1);
    EXPECT_THAT(settings(), ElementsAre("d_1_a=1", "d_2_a=1"));
}

TEST_F(SpreadLeafTest, CopiesNamesAndValuesWithoutFillingMarkers) {
    addSettings({"s_##=**", "d_x=1"});
    EXPECT_EQ(dispatch("spread_leaf s_**=** d"), 1);
    EXPECT_THAT(settings(), ElementsAre("s_##=**", "d_x=1", "d_##=**"));
}

TEST_F(SpreadLeafTest, DestinationIsCheckedBeforeTheSource) {
    addSettings({"d_1_x=1"});
    EXPECT_EQ(dispatch("spread_leaf", 2), 0);
    EXPECT_EQ(dispatch("spread_leaf s_a=**", 3), 0);
    EXPECT_EQ(dispatch("spread_leaf s_a=** #d", 4), 0);
    EXPECT_EQ(dispatch("spread_leaf s_a=** e_##", 5), 1);
    EXPECT_EQ(dispatch("spread_leaf s_a d_##", 6), 0);
    EXPECT_EQ(dispatch("spread_leaf s_a=** d_##", 8), 1);
    EXPECT_THAT(faultLines(),
                ElementsAre("spread_leaf: Could not find source or destination template (2): ",
                            "spread_leaf: Could not find source or destination template (3): s_a=**",
                            "spread_leaf: Unable to parse destination template (4): #d",
                            "spread_leaf: Search returned no data (5): e_##", "Line 0: Unable to find '=' in s_a",
                            "spread_leaf: Unable to parse source template (6): s_a",
                            "spread_leaf: Search returned no data (8): s_a=**"));
    EXPECT_THAT(settings(), ElementsAre("d_1_x=1"));
}

}  // namespace
