// add_to_branch: the item list read from the following script lines, where it ends, and what
// happens to the item lines when the verb cannot use them.
#include "support/verb_fixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class AddToBranchTest : public VerbFixture {};

TEST_F(AddToBranchTest, EveryMatchGetsEveryItemUpToTheEmptyLine) {
    addSettings({"rule_proxy_1_a=1", "rule_proxy_2_a=2", "rule_other_3_a=3"});
    EXPECT_TRUE(runScript("add_to_branch rule_proxy_## state=on\n"
                          "comment=converted\n"
                          "   \n"
                          "add_leaf z=1\n"));
    EXPECT_THAT(settings(), ElementsAre("rule_proxy_1_a=1", "rule_proxy_1_state=on", "rule_proxy_1_comment=converted",
                                        "rule_proxy_2_a=2", "rule_proxy_2_state=on", "rule_proxy_2_comment=converted",
                                        "rule_other_3_a=3", "z=1"));
    EXPECT_THAT(faultLines(), IsEmpty());
    EXPECT_THAT(processedLines(),
                ElementsAre("Processing 1: add_to_branch\trule_proxy_## state=on", "Processing 4: add_leaf\tz=1"));
    EXPECT_EQ(processor->lineNumber(), 4);
}

TEST_F(AddToBranchTest, ItemsArePlacedBelowTheBranchAsWrittenAndOverwrite) {
    addSettings({"b_1_x_y=old"});
    EXPECT_TRUE(runScript("add_to_branch b_##   x_y=new  \n"
                          "\t x_z=## \t\n"));
    EXPECT_THAT(settings(), ElementsAre("b_1_x_y=new", "b_1_x_z=##"));
}

TEST_F(AddToBranchTest, EndOfScriptEndsTheItemList) {
    addSettings({"b_1_k=v"});
    EXPECT_TRUE(runScript("add_to_branch b_## p=1\nq=2"));
    EXPECT_THAT(settings(), ElementsAre("b_1_k=v", "b_1_p=1", "b_1_q=2"));
}

TEST_F(AddToBranchTest, ItemLinesAreConsumedWhenNothingMatches) {
    addSettings({"a_b=1"});
    EXPECT_TRUE(runScript("add_to_branch none_## x=1\n"
                          "add_leaf should_not=run\n"
                          "delete_leaf a_b=**\n"
                          "\n"
                          "add_leaf after=1\n"));
    EXPECT_THAT(settings(), ElementsAre("a_b=1", "after=1"));
    EXPECT_THAT(faultLines(), ElementsAre("add_to_branch: Search returned no data (1): none_##"));
    EXPECT_EQ(processedLines().size(), 2u);
}

TEST_F(AddToBranchTest, ItemLinesAreConsumedToTheEndWhenNoEmptyLineFollows) {
    EXPECT_TRUE(runScript("add_to_branch none x=1\nadd_leaf a=1\nadd_leaf b=2"));
    EXPECT_THAT(settings(), IsEmpty());
    EXPECT_EQ(processor->lineNumber(), 3);
}

TEST_F(AddToBranchTest, BadLaterItemStopsTheVerbAndTheRestRunAsScriptLines) {
    addSettings({"b_1_k=v"});
    EXPECT_TRUE(runScript("add_to_branch b_## p=1\n"
                          "# not a comment here\n"
                          "add_leaf ran=yes\n"
                          "\n"));
    EXPECT_THAT(settings(), ElementsAre("b_1_k=v", "ran=yes"));
    EXPECT_THAT(faultLines(), ElementsAre("add_to_branch: Unable to parse add item (2): # not a comment here"));
}

TEST_F(AddToBranchTest, MissingOrUnparsableArgumentsConsumeNothing) {
    addSettings({"b_1_k=v"});
    EXPECT_EQ(dispatch("add_to_branch", 3), 0);
    EXPECT_EQ(dispatch("add_to_branch b_##", 4), 0);
    EXPECT_EQ(dispatch("add_to_branch #b x=1", 5), 0);
    EXPECT_EQ(dispatch("add_to_branch b_## xy", 6), 0);
    EXPECT_THAT(
        faultLines(),
        ElementsAre("add_to_branch: Could not find objects (3): ", "add_to_branch: Could not find objects (4): b_##",
                    "add_to_branch: Unable to parse search template (5): #b", "Line 0: Unable to find '=' in xy",
                    "add_to_branch: Unable to parse add item (6): xy"));
    EXPECT_THAT(settings(), ElementsAre("b_1_k=v"));
}

TEST_F(AddToBranchTest, ItemListInsideASkippedBlockIsSkippedWithIt) {
    addSettings({"b_1_k=v"});
    EXPECT_TRUE(runScript("if_leaf none=1\n"
                          "add_to_branch b_## x=1\n"
                          "y=2\n"
                          "\n"
                          "end_if\n"
                          "add_leaf after=1\n"));
    EXPECT_THAT(settings(), ElementsAre("b_1_k=v", "after=1"));
    EXPECT_EQ(processor->conditionalDepth(), 0);
}

TEST_F(AddToBranchTest, ItemListInsideARunningBlockUsesTheNarrowedScope) {
    addSettings({"b_1_on=1", "b_2_on=0"});
    EXPECT_TRUE(runScript("if_leaf b_##_on=1\n"
                          "add_to_branch b_## x=1\n"
                          "y=2\n"
                          "\n"
                          "end_if\n"));
    EXPECT_THAT(settings(), ElementsAre("b_1_on=1", "b_1_x=1", "b_1_y=2", "b_2_on=0"));
    EXPECT_EQ(processor->conditionalDepth(), 0);
}

}  // namespace
