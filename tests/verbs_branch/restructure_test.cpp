// delete_branch, rename_branch, insert_branch, join_branches and tokenize_leaf2branches: effects on
// small trees, fault lines, and walks in which one match's change destroys or moves later ones.
#include "support/verb_fixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class DeleteBranchTest : public VerbFixture {};

TEST_F(DeleteBranchTest, RemovesTheSubtreeAndAncestorsLeftEmpty) {
    addSettings({"top_only_a=1", "top_only_b_c=2", "keep=1"});
    EXPECT_EQ(dispatch("delete_branch top_only"), 1);
    EXPECT_THAT(settings(), ElementsAre("keep=1"));
    EXPECT_EQ(tree->findBranch("top"), nullptr);
}

TEST_F(DeleteBranchTest, MatchesSharingAncestorsAreAllDeleted) {
    addSettings({"r_1_a=1", "r_2_a=2", "r_3_b_c=3", "s_1_a=4", "t=5"});
    EXPECT_EQ(dispatch("delete_branch **_##"), 1);
    EXPECT_THAT(settings(), ElementsAre("t=5"));
    EXPECT_THAT(faultLines(), IsEmpty());
}

TEST_F(DeleteBranchTest, FaultLines) {
    EXPECT_EQ(dispatch("delete_branch", 4), 0);
    EXPECT_EQ(dispatch("delete_branch #x", 5), 0);
    EXPECT_EQ(dispatch("delete_branch a b", 6), 1);
    EXPECT_THAT(faultLines(), ElementsAre("delete_branch: Could not find object at line 4",
                                          "delete_branch: Unable to parse search template (5): #x",
                                          "delete_branch: Could not find target (6): a b"));
}

class RenameBranchTest : public VerbFixture {};

TEST_F(RenameBranchTest, RenamesEveryMatch) {
    addSettings({"old_1_x=1", "old_2_x=2"});
    EXPECT_EQ(dispatch("rename_branch old_## entry"), 1);
    EXPECT_THAT(settings(), ElementsAre("old_entry_x=1", "old_entry_x=2"));
}

TEST_F(RenameBranchTest, FaultLines) {
    addSettings({"a_b=1"});
    EXPECT_EQ(dispatch("rename_branch", 1), 0);
    EXPECT_EQ(dispatch("rename_branch a", 2), 0);
    EXPECT_EQ(dispatch("rename_branch #a b", 3), 0);
    EXPECT_EQ(dispatch("rename_branch b c", 4), 1);
    EXPECT_THAT(faultLines(), ElementsAre("rename_branch: Could not find search template or branch name(1): ",
                                          "rename_branch: Could not find search template or branch name(2): a",
                                          "rename_branch: Unable to parse source template (3): #a",
                                          "rename_branch: Search returned no data (4): b"));
}

class InsertBranchTest : public VerbFixture {};

TEST_F(InsertBranchTest, LeafTemplatesInsertTheMissingLevel) {
    addSettings({"a_b_c=1", "a_x=2"});
    EXPECT_EQ(dispatch("insert_branch a_b_c=** a_new_b_c=**"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_x=2", "a_new_b_c=1"));
}

TEST_F(InsertBranchTest, BranchTemplatesInsertAboveEachMatch) {
    addSettings({"rule_1_a=1", "rule_2_a=2"});
    EXPECT_EQ(dispatch("insert_branch rule_## rule_proxy_##"), 1);
    EXPECT_THAT(settings(), ElementsAre("rule_proxy_1_a=1", "rule_proxy_2_a=2"));
}

TEST_F(InsertBranchTest, NewLevelAtTheTopGoesBelowTheRoot) {
    addSettings({"b_c=1"});
    EXPECT_EQ(dispatch("insert_branch b_c=** x_b_c=**"), 1);
    EXPECT_THAT(settings(), ElementsAre("x_b_c=1"));
}

TEST_F(InsertBranchTest, WildcardInTheNewLevelIsTakenLiterally) {
    addSettings({"a_b=1"});
    EXPECT_EQ(dispatch("insert_branch a_b=** a_##_b=**"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_##_b=1"));
}

TEST_F(InsertBranchTest, SiblingMatchesMovedWithTheirBranchAreNotInsertedTwice) {
    addSettings({"a_b_c=1", "a_b_d=2", "a_b_e=3"});
    EXPECT_EQ(dispatch("insert_branch a_b_**=** a_new_b_**=**"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_new_b_c=1", "a_new_b_d=2", "a_new_b_e=3"));
}

TEST_F(InsertBranchTest, WalkEndsWithoutInsertingWhenTheSecondTemplateIsNotLonger) {
    addSettings({"a_b=1", "c_b=2"});
    EXPECT_EQ(dispatch("insert_branch a_b=** a_b=**"), 1);
    EXPECT_EQ(dispatch("insert_branch **_b=** b=**"), 1);
    EXPECT_EQ(dispatch("insert_branch a_b=** **_**_b=**"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_b=1", "c_b=2"));
    EXPECT_THAT(faultLines(), IsEmpty());
}

TEST_F(InsertBranchTest, LaterMatchDestroyedByJoiningAnExistingLevelIsSkipped) {
    // The new level joins the existing 'a_new', whose 'b' already holds 'd': the moved 'd' (the
    // second match) is dropped as a duplicate before its turn comes.
    addSettings({"a_b_c=1", "a_b_d=2", "a_new_b_d=3"});
    EXPECT_EQ(dispatch("insert_branch a_b_**=** a_new_b_**=**"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_new_b_d=3", "a_new_b_c=1"));
    EXPECT_THAT(faultLines(), ElementsAre("Ignoring duplicate leaf at a_new_b_d=3 old value: 3 new value: 2"));
}

TEST_F(InsertBranchTest, LaterMatchesInsideAJoinedBranchSurviveAndAreChecked) {
    addSettings({"a_b_c=1", "a_b_d=2", "a_new_b_x=3"});
    EXPECT_EQ(dispatch("insert_branch a_b_**=** a_new_b_**=**"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_new_b_x=3", "a_new_b_c=1", "a_new_b_d=2"));
    EXPECT_THAT(faultLines(), IsEmpty());
}

TEST_F(InsertBranchTest, FaultLines) {
    addSettings({"a_b=1"});
    EXPECT_EQ(dispatch("insert_branch", 1), 0);
    EXPECT_EQ(dispatch("insert_branch a_b=**", 2), 0);
    EXPECT_EQ(dispatch("insert_branch a_b=** a_x_b", 3), 0);
    EXPECT_EQ(dispatch("insert_branch #a #b", 4), 0);
    EXPECT_EQ(dispatch("insert_branch q_b=** q_x_b=**", 5), 1);
    EXPECT_THAT(faultLines(), ElementsAre("insert_branch: Could not find templates (1): ",
                                          "insert_branch: Could not find templates (2): a_b=**",
                                          "Line 0: Unable to find '=' in a_x_b",
                                          "insert_branch: Template type mismatch (3): a_b=** and a_x_b",
                                          "insert_branch: Unable to parse templates (4): #a and #b",
                                          "insert_branch: Search returned no data (5): q_b=**"));
    EXPECT_THAT(settings(), ElementsAre("a_b=1"));
}

class JoinBranchesTest : public VerbFixture {};

TEST_F(JoinBranchesTest, MovesTheContentAndRemovesTheSource) {
    addSettings({"old_objects_a=1", "old_objects_b_c=2", "old_keep=3"});
    EXPECT_EQ(dispatch("join_branches old_objects new_objects"), 1);
    EXPECT_THAT(settings(), ElementsAre("old_keep=3", "new_objects_a=1", "new_objects_b_c=2"));
}

TEST_F(JoinBranchesTest, EveryMatchIsJoinedWithItsOwnDestinationChain) {
    addSettings({"g_1_a=1", "g_2_b=2", "g_3_c=3", "z=0"});
    EXPECT_EQ(dispatch("join_branches g_## all"), 1);
    EXPECT_THAT(settings(), ElementsAre("z=0", "all_a=1", "all_b=2", "all_c=3"));
    EXPECT_THAT(faultLines(), IsEmpty());
}

TEST_F(JoinBranchesTest, ExistingDestinationKeepsItsValueForADuplicateLeaf) {
    addSettings({"dst_a=keep", "src_a=drop", "src_b=add"});
    EXPECT_EQ(dispatch("join_branches src dst"), 1);
    EXPECT_THAT(settings(), ElementsAre("dst_a=keep", "dst_b=add"));
    EXPECT_THAT(faultLines(), ElementsAre("Ignoring duplicate leaf at dst_a=keep old value: keep new value: drop"));
}

TEST_F(JoinBranchesTest, DestinationThatIsALaterMatchReceivesAndThenPassesOnTheContent) {
    addSettings({"g_1_a=1", "g_2_b=2"});
    EXPECT_EQ(dispatch("join_branches g_## g_2"), 1);
    EXPECT_THAT(settings(), ElementsAre("g_2_b=2", "g_2_a=1"));
}

TEST_F(JoinBranchesTest, DestinationBelowTheSourceIsBuiltAfresh) {
    addSettings({"a_x=1", "a_y_z=2"});
    EXPECT_EQ(dispatch("join_branches a a_inner"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_inner_x=1", "a_inner_y_z=2"));
}

TEST_F(JoinBranchesTest, FaultLines) {
    addSettings({"a_b=1"});
    EXPECT_EQ(dispatch("join_branches", 1), 0);
    EXPECT_EQ(dispatch("join_branches a", 2), 0);
    EXPECT_EQ(dispatch("join_branches #a b", 3), 0);
    EXPECT_EQ(dispatch("join_branches q b", 4), 1);
    EXPECT_EQ(dispatch("join_branches a #b", 5), 0);
    EXPECT_THAT(faultLines(), ElementsAre("join_branches: Could not branch templates (1): ",
                                          "join_branches: Could not branch templates (2): a",
                                          "join_branches: Unable to parse source branch (3): #a",
                                          "join_branches: Search returned no data (4): q",
                                          "join_branches: Unable to parse dest branch (5): #b"));
    EXPECT_THAT(settings(), ElementsAre("a_b=1"));
}

class TokenizeTest : public VerbFixture {};

TEST_F(TokenizeTest, EveryWordBecomesASettingNamedAfterIt) {
    addSettings({"svc_web_list=smtp ftp", "svc_mail_list=pop"});
    EXPECT_EQ(dispatch("tokenize_leaf2branches svc_**_list=** grp_**_members"), 1);
    EXPECT_THAT(settings(), ElementsAre("svc_web_list=smtp ftp", "svc_mail_list=pop", "grp_web_members_smtp=list",
                                        "grp_web_members_ftp=list", "grp_mail_members_pop=list"));
}

TEST_F(TokenizeTest, RepeatedSeparatorsGiveAnEmptyName) {
    addSettings({"l=a  b\tc"});
    EXPECT_EQ(dispatch("tokenize_leaf2branches l=** out"), 1);
    EXPECT_THAT(settings(), ElementsAre("l=a  b\tc", "out_a=l", "out_=l", "out_b=l", "out_c=l"));
}

TEST_F(TokenizeTest, WordHoldingAnEqualsSignIsReportedAndLeftOut) {
    addSettings({"l=a=b c"});
    EXPECT_EQ(dispatch("tokenize_leaf2branches l=** out", 3), 1);
    EXPECT_THAT(faultLines(), ElementsAre("tokenize_leaf2branches: Word cannot be a setting name (3): a=b"));
    EXPECT_THAT(settings(), ElementsAre("l=a=b c", "out_c=l"));
}

TEST_F(TokenizeTest, EmptyValueMakesNoWords) {
    addSettings({"l=", "m=x"});
    EXPECT_EQ(dispatch("tokenize_leaf2branches l=** out"), 1);
    EXPECT_THAT(settings(), ElementsAre("l=", "m=x"));
}

TEST_F(TokenizeTest, FaultLines) {
    addSettings({"l=a"});
    EXPECT_EQ(dispatch("tokenize_leaf2branches", 1), 0);
    EXPECT_EQ(dispatch("tokenize_leaf2branches l=**", 2), 0);
    EXPECT_EQ(dispatch("tokenize_leaf2branches #l=** out", 3), 0);
    EXPECT_EQ(dispatch("tokenize_leaf2branches q=** out", 4), 1);
    EXPECT_EQ(dispatch("tokenize_leaf2branches l=** #out", 5), 0);
    EXPECT_THAT(faultLines(),
                ElementsAre("tokenize_leaf2branches: Could not find source or destination template (1): ",
                            "tokenize_leaf2branches: Could not find source or destination template (2): l=**",
                            "tokenize_leaf2branches: Unable to parse source template (3): #l=**",
                            "tokenize_leaf2branches: Search returned no data (4): q=**",
                            "tokenize_leaf2branches: Unable to parse destination template (5): #out"));
    EXPECT_THAT(settings(), ElementsAre("l=a"));
}

// Joining a branch again and again into a long path below itself makes a tree far deeper than any
// line the reader accepts. Walking it (listing, saving, destroying) goes level by level without
// exhausting the stack; saving it is refused, naming the setting, since the reader would drop the line.
TEST_F(JoinBranchesTest, RepeatedJoinsIntoALongPathMakeATreeThatIsWalkedButNotSaved) {
    addSettings({"x_a=1", "y=2"});
    std::string path;
    for (int i = 0; i < 4000; ++i) path += "_b";
    for (int round = 0; round < 30; ++round) ASSERT_EQ(dispatch("join_branches x x" + path), 1);
    std::string deep = "x";
    for (int round = 0; round < 30; ++round) deep += path;
    EXPECT_EQ(settings(), Lines({"y=2", deep + "_a=1"}));
    clearLog();
    std::ostringstream saved;
    EXPECT_FALSE(tree->save(saved));
    EXPECT_NE(log.str().find("Unable to save the setting x_b_b_b"), std::string::npos) << log.str().substr(0, 400);
}

}  // namespace
