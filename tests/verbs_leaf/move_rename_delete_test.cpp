// rename_leaf, promote_leaf, demote_leaf and delete_leaf: settings renamed, moved up and down,
// deleted with the branches they leave empty; their fault lines; and walks in which moving or
// deleting one match prunes branches around later ones.
#include "support/verb_fixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class RenameLeafTest : public VerbFixture {};

TEST_F(RenameLeafTest, NewNameKeepsItsBlanks) {
    addSettings({"a_b=1", "a_x=2"});
    EXPECT_EQ(dispatch("rename_leaf a_b=** c d"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_c d=1", "a_x=2"));
}

TEST_F(RenameLeafTest, RenamesEveryMatchEvenOntoAnExistingName) {
    addSettings({"r_1_old=a", "r_1_new=b", "r_2_old=c"});
    EXPECT_EQ(dispatch("rename_leaf r_##_old=** new"), 1);
    EXPECT_THAT(settings(), ElementsAre("r_1_new=a", "r_1_new=b", "r_2_new=c"));
}

TEST_F(RenameLeafTest, FaultLines) {
    addSettings({"a_b=1"});
    EXPECT_EQ(dispatch("rename_leaf", 1), 0);
    EXPECT_EQ(dispatch("rename_leaf a_b=**", 2), 0);
    EXPECT_EQ(dispatch("rename_leaf #a=1 c", 3), 0);
    EXPECT_EQ(dispatch("rename_leaf a_z=** c", 4), 1);
    EXPECT_THAT(faultLines(), ElementsAre("rename_leaf: Could not find source template or new leafname(1): ",
                                          "rename_leaf: Could not find source template or new leafname(2): a_b=**",
                                          "rename_leaf: Unable to parse source template (3): #a=1",
                                          "rename_leaf: Search returned no data (4): a_z=**"));
}

class PromoteLeafTest : public VerbFixture {};

TEST_F(PromoteLeafTest, MovesUpAndPrunesTheEmptiedBranch) {
    addSettings({"a_b_c=1", "a_d=4"});
    EXPECT_EQ(dispatch("promote_leaf a_b_c=**"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_d=4", "a_c=1"));
    EXPECT_THAT(faultLines(), IsEmpty());
}

TEST_F(PromoteLeafTest, OverwritesTheSettingAboveAndKeepsABranchWithOtherChildren) {
    addSettings({"a_c=2", "a_b_c=1", "a_b_keep=k"});
    EXPECT_EQ(dispatch("promote_leaf a_b_c=** ignored words"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_c=1", "a_b_keep=k"));
}

TEST_F(PromoteLeafTest, TopLevelSettingStaysInPlaceWithALogLine) {
    addSettings({"host=fw", "a_host=x"});
    EXPECT_EQ(dispatch("promote_leaf **=**", 9), 1);
    EXPECT_THAT(settings(), ElementsAre("host=fw", "a_host=x"));
    EXPECT_THAT(faultLines(),
                ElementsAre("promote_leaf: Setting is already at the top level, left in place (9): host=fw"));
}

TEST_F(PromoteLeafTest, PromotingEveryLeafOfABranchPrunesItOnlyAfterTheLastOne) {
    addSettings({"t_p_q_a=1", "t_p_q_b=2", "t_p_q_c=3", "t_p_r=0"});
    EXPECT_EQ(dispatch("promote_leaf t_p_q_**=**"), 1);
    EXPECT_THAT(settings(), ElementsAre("t_p_r=0", "t_p_a=1", "t_p_b=2", "t_p_c=3"));
}

TEST_F(PromoteLeafTest, PruningAChainDoesNotReachMatchesElsewhere) {
    // Each promotion empties a chain of branches; the next match sits in a sibling chain.
    addSettings({"x_1_only_v=a", "x_2_only_v=b", "x_3_only_v=c"});
    EXPECT_EQ(dispatch("promote_leaf x_##_only_v=**"), 1);
    EXPECT_THAT(settings(), ElementsAre("x_1_v=a", "x_2_v=b", "x_3_v=c"));
}

TEST_F(PromoteLeafTest, FaultLines) {
    EXPECT_EQ(dispatch("promote_leaf", 1), 0);
    EXPECT_EQ(dispatch("promote_leaf a_b", 2), 0);
    EXPECT_EQ(dispatch("promote_leaf a_b_c=**", 3), 1);
    EXPECT_THAT(faultLines(),
                ElementsAre("promote_leaf: Could not find source template (1): ", "Line 0: Unable to find '=' in a_b",
                            "promote_leaf: Unable to parse source template (2): a_b",
                            "promote_leaf: Search returned no data (3): a_b_c=**"));
}

class DemoteLeafTest : public VerbFixture {};

TEST_F(DemoteLeafTest, OldNameBecomesABranchHoldingTheLeaf) {
    addSettings({"a_b=1", "a_z=2"});
    EXPECT_EQ(dispatch("demote_leaf a_b=** old"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_z=2", "a_b_old=1"));
}

TEST_F(DemoteLeafTest, JoiningAnExistingLeafOfEqualValueLeavesOneLeafAndNoMessage) {
    addSettings({"a_b=1", "a_b_old=1"});
    EXPECT_EQ(dispatch("demote_leaf a_b=** old"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_b_old=1"));
    EXPECT_THAT(faultLines(), IsEmpty());
}

TEST_F(DemoteLeafTest, JoiningAnExistingLeafOfOtherValueKeepsItAndReportsTheDuplicate) {
    addSettings({"a_b=1", "a_b_old=9"});
    EXPECT_EQ(dispatch("demote_leaf a_b=** old"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_b_old=9"));
    EXPECT_THAT(faultLines(), ElementsAre("Ignoring duplicate leaf at a_b_old=9 old value: 9 new value: 1"));
}

TEST_F(DemoteLeafTest, TopLevelSettingIsDemotedUnderTheRoot) {
    addSettings({"host=fw"});
    EXPECT_EQ(dispatch("demote_leaf host=** name"), 1);
    EXPECT_THAT(settings(), ElementsAre("host_name=fw"));
}

TEST_F(DemoteLeafTest, FaultLines) {
    addSettings({"a_b=1"});
    EXPECT_EQ(dispatch("demote_leaf", 1), 0);
    EXPECT_EQ(dispatch("demote_leaf a_b=**", 2), 0);
    EXPECT_EQ(dispatch("demote_leaf #x=1 y", 3), 0);
    EXPECT_EQ(dispatch("demote_leaf a_q=** y", 4), 1);
    EXPECT_THAT(faultLines(), ElementsAre("demote_leaf: Could not find source template (1): ",
                                          "demote_leaf: Could not find source template (2): a_b=**",
                                          "demote_leaf: Unable to parse source template (3): #x=1",
                                          "demote_leaf: Search returned no data (4): a_q=**"));
}

class DeleteLeafTest : public VerbFixture {};

TEST_F(DeleteLeafTest, RemovesTheBranchesTheOnlyLeafLeavesEmpty) {
    addSettings({"x_y_z=1", "w=2"});
    EXPECT_EQ(dispatch("delete_leaf x_y_z=**"), 1);
    EXPECT_THAT(settings(), ElementsAre("w=2"));
    EXPECT_TRUE(tree->findBranch("x") == nullptr);
}

TEST_F(DeleteLeafTest, TemplateValueMayHoldBlanks) {
    addSettings({"a_b=two words", "a_c=two"});
    EXPECT_EQ(dispatch("delete_leaf a_**=Two Words"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_c=two"));
}

TEST_F(DeleteLeafTest, DeletingEveryLeafOfNestedBranchesLeavesOnlyTheRoot) {
    addSettings({"a_1_x=1", "a_1_y=2", "a_2_x=3", "a_2_y=4", "b_1_x=5"});
    EXPECT_EQ(dispatch("delete_leaf **_##_**=**"), 1);
    EXPECT_THAT(settings(), IsEmpty());
    EXPECT_TRUE(tree->children().empty());
}

TEST_F(DeleteLeafTest, FaultLines) {
    EXPECT_EQ(dispatch("delete_leaf", 11), 0);
    EXPECT_EQ(dispatch("delete_leaf #x=1", 12), 0);
    EXPECT_EQ(dispatch("delete_leaf a_b=**", 13), 1);
    EXPECT_THAT(faultLines(), ElementsAre("delete_leaf: Could not find object at line 11",
                                          "delete_leaf: Unable to parse search template (12): #x=1",
                                          "delete_leaf: Could not find target (13): a_b=**"));
}

// A wide branch (one with a name index) whose leaves all take one name: later templates naming it
// find every one of them in order, and a merge joins the first.
TEST_F(RenameLeafTest, ManyLeavesTakingOneNameAreFoundInOrder) {
    Lines lines;
    for (int i = 0; i < 100; ++i) lines.push_back("br_l" + std::to_string(i) + "=v" + std::to_string(i));
    addSettings(lines);
    EXPECT_EQ(dispatch("rename_leaf br_**=** x"), 1);
    Lines renamed;
    for (int i = 0; i < 100; ++i) renamed.push_back("br_x=v" + std::to_string(i));
    EXPECT_EQ(settings(), renamed);
    EXPECT_EQ(dispatch("delete_leaf br_x=v7"), 1);
    renamed.erase(renamed.begin() + 7);
    EXPECT_EQ(settings(), renamed);
    EXPECT_EQ(dispatch("change_value br_x=** w"), 1);
    EXPECT_EQ(settings(), Lines(99, "br_x=w"));
    EXPECT_EQ(tree->findBranch("br")->findLeaf("x"), tree->findBranch("br")->children().front());
}

// Every other child of a wide branch goes: the ones between stay in order.
TEST_F(DeleteLeafTest, MatchesBetweenChildrenThatStayGoInOneWalk) {
    Lines lines;
    Lines kept;
    for (int i = 0; i < 100; ++i) {
        lines.push_back("br_d" + std::to_string(i) + "=1");
        lines.push_back("br_k" + std::to_string(i) + "_x=1");
        kept.push_back("br_k" + std::to_string(i) + "_x=1");
    }
    addSettings(lines);
    EXPECT_EQ(dispatch("delete_leaf br_**=1"), 1);
    EXPECT_EQ(settings(), kept);
    EXPECT_EQ(tree->findBranch("br")->children().size(), 100u);
    EXPECT_EQ(tree->findBranch("br")->children().indexOf(tree->findBranch("br")->findBranch("k50")), 50);
}

}  // namespace
