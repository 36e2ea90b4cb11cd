// Blocks: if_leaf, if_version and end_if running, skipping and nesting blocks, and the wildcard
// scopes that if_leaf narrows for the lines of its block.
#include <string>

#include "support/verb_fixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class BlockTest : public VerbFixture {};

TEST_F(BlockTest, EndIfOutsideABlockIsReportedAndChangesNothing) {
    EXPECT_EQ(dispatch("end_if", 12), 0);
    EXPECT_THAT(faultLines(), ElementsAre("end_if: Attempting end_if with no if_leaf pending (12)"));
    EXPECT_EQ(processor->conditionalDepth(), 0);
}

TEST_F(BlockTest, IfLeafNarrowsStarToTheNamesItMatchedUntilItsEndIf) {
    addSettings({"a_p_x=1", "a_q_x=1", "a_r_x=2", "a_p_y=A", "a_q_y=B", "a_r_y=C"});
    EXPECT_TRUE(runScript("if_leaf a_**_x=1\n"
                          "change_value a_**_y=** seen\n"
                          "end_if\n"
                          "change_value a_**_x=** after\n"));
    EXPECT_THAT(settings(),
                ElementsAre("a_p_x=after", "a_p_y=seen", "a_q_x=after", "a_q_y=seen", "a_r_x=after", "a_r_y=C"));
    EXPECT_THAT(faultLines(), IsEmpty());
    EXPECT_EQ(processor->conditionalDepth(), 0);
}

TEST_F(BlockTest, IfLeafNarrowsHashToTheNumbersItMatchedButNotValuePatterns) {
    addSettings({"r_3_on=1", "r_4_on=0", "r_9_on=1", "r_3_n=5", "r_4_n=6", "r_9_n=7"});
    EXPECT_TRUE(runScript("if_leaf r_##_on=1\n"
                          "change_value r_##_n=## hit\n"
                          "end_if\n"));
    EXPECT_THAT(settings(), ElementsAre("r_3_on=1", "r_3_n=hit", "r_4_on=0", "r_4_n=6", "r_9_on=1", "r_9_n=hit"));
}

TEST_F(BlockTest, IfLeafWithoutWildcardsMakesEveryWildcardComponentFindNothingInside) {
    addSettings({"a_b=1", "c_d=2"});
    EXPECT_TRUE(runScript("if_leaf a_b=1\n"
                          "change_value c_**=** x\n"
                          "change_value c_d=** y\n"
                          "end_if\n"));
    EXPECT_THAT(settings(), ElementsAre("a_b=1", "c_d=y"));
    EXPECT_THAT(faultLines(), ElementsAre("change_value: Could not find target (2): c_**=**"));
}

TEST_F(BlockTest, NestedIfLeafBlocksStackTheirScopesAndRestoreTheOuterOne) {
    addSettings({"r_1_on=1", "r_2_on=0", "r_3_on=1", "r_1_name=x", "r_2_name=x", "r_3_name=y", "r_1_v=0", "r_2_v=0",
                 "r_3_v=0", "r_1_w=0", "r_2_w=0", "r_3_w=0"});
    EXPECT_TRUE(runScript("if_leaf r_##_on=1\n"
                          "  if_leaf r_##_name=x\n"
                          "    change_value r_##_v=** inner\n"
                          "  end_if\n"
                          "  change_value r_##_w=** outer\n"
                          "end_if\n"
                          "edit_leaf r_##_on=** append !\n"));
    EXPECT_THAT(settings(), ElementsAre("r_1_on=1!", "r_1_name=x", "r_1_v=inner", "r_1_w=outer",  //
                                        "r_2_on=0!", "r_2_name=x", "r_2_v=0", "r_2_w=0",          //
                                        "r_3_on=1!", "r_3_name=y", "r_3_v=0", "r_3_w=outer"));
}

TEST_F(BlockTest, BadIfLeafArgumentsOpenNoBlockSoItsLinesRunAndItsEndIfIsReported) {
    addSettings({"a_p_q=1"});
    EXPECT_TRUE(runScript("if_leaf a_**_**=1\n"
                          "add_leaf ran=1\n"
                          "end_if\n"
                          "if_leaf\n"
                          "if_leaf novalue\n"));
    EXPECT_THAT(settings(), ElementsAre("a_p_q=1", "ran=1"));
    EXPECT_THAT(faultLines(),
                ElementsAre("if_leaf: Too many wildcards in search template (1): a_**_**=1",
                            "end_if: Attempting end_if with no if_leaf pending (3)",
                            "if_leaf: Could not find template (4): ", "Line 0: Unable to find '=' in novalue",
                            "if_leaf: Unable to parse search template (5): novalue"));
    EXPECT_EQ(processor->conditionalDepth(), 0);
}

TEST_F(BlockTest, IfLeafThatFindsNothingSkipsToItsOwnEndIfCountingNestedIfLeafLines) {
    addSettings({"a_b=1"});
    EXPECT_TRUE(runScript("if_leaf a_b=2\n"
                          "  if_leaf a_b=1\n"
                          "  add_leaf skipped=1\n"
                          "  end_if\n"
                          "if_leafs are counted too\n"
                          "end_if\n"
                          "add_leaf skipped=2\n"
                          "end_if\n"
                          "add_leaf ran=1\n"));
    EXPECT_THAT(settings(), ElementsAre("a_b=1", "ran=1"));
    EXPECT_THAT(faultLines(), ElementsAre("if_leaf: Search returned no data (1): a_b=2"));
    EXPECT_EQ(processor->lineNumber(), 9);
    EXPECT_EQ(processor->conditionalDepth(), 0);
}

TEST_F(BlockTest, SkippingDoesNotCountIfVersionLines) {
    addSettings({"a_b=1"});
    EXPECT_TRUE(runScript("if_leaf a_b=2\n"
                          "if_version 5.5\n"
                          "add_leaf skipped=1\n"
                          "end_if\n"
                          "add_leaf ran=1\n"
                          "end_if\n"));
    EXPECT_THAT(settings(), ElementsAre("a_b=1", "ran=1"));
    EXPECT_THAT(faultLines(), ElementsAre("if_leaf: Search returned no data (1): a_b=2",
                                          "end_if: Attempting end_if with no if_leaf pending (6)"));
}

TEST_F(BlockTest, EndOfScriptInsideABlockIsReportedByEveryOpenBlock) {
    addSettings({"a_b=1"});
    EXPECT_TRUE(runScript("if_leaf a_b=1\n"
                          "if_leaf a_b=2\n"
                          "add_leaf skipped=1\n"));
    EXPECT_THAT(settings(), ElementsAre("a_b=1"));
    EXPECT_THAT(faultLines(), ElementsAre("if_leaf: Search returned no data (2): a_b=2",
                                          "if_leaf Unexpected EOF while looking for end_if (3)",
                                          "if_leaf Unexpected EOF while looking for end_if (3)"));
}

TEST_F(BlockTest, UserErrorInsideABlockStopsTheSectionOnlyAfterTheBlock) {
    addSettings({"a_b=1"});
    EXPECT_FALSE(runScript("if_leaf a_b=1\n"
                           "user_error Stop here\n"
                           "add_leaf inblock=1\n"
                           "end_if\n"
                           "add_leaf after=1\n"));
    EXPECT_THAT(settings(), ElementsAre("a_b=1", "inblock=1"));
    EXPECT_TRUE(processor->abortRequested());
    EXPECT_EQ(processor->errorText(), "Stop here");
    EXPECT_EQ(processor->lineNumber(), 4);
}

TEST_F(BlockTest, SectionMarkersInsideABlockAreOrdinaryLines) {
    addSettings({"a_b=1"});
    useScript("if_leaf a_b=1\n"
              "[MERGE_TREE1]\n"
              "add_leaf inblock=1\n"
              "end_if\n"
              "add_leaf after=1\n"
              "[MERGE_TREE1]\n"
              "add_leaf next=1\n");
    EXPECT_TRUE(processor->runScriptSection(*tree, "[MERGE_TREE1]"));
    EXPECT_THAT(settings(), ElementsAre("a_b=1", "inblock=1", "after=1"));
    EXPECT_EQ(processor->lineNumber(), 6);
}

TEST_F(BlockTest, IfVersionBeforeSetVersionSkipsItsBlock) {
    EXPECT_TRUE(runScript("if_version 5.5\n"
                          "add_leaf skipped=1\n"
                          "end_if\n"
                          "add_leaf ran=1\n"));
    EXPECT_THAT(settings(), ElementsAre("ran=1"));
    EXPECT_THAT(faultLines(), ElementsAre("if_version: Version has not been set (1)"));
}

TEST_F(BlockTest, IfVersionRunsItsBlockOnlyForTheExactVersion) {
    addSettings({"sys_ver=Version 5.5 build 12"});
    EXPECT_TRUE(runScript("set_version sys_ver=**\n"
                          "if_version 5.5\n"
                          "add_leaf five=1\n"
                          "end_if\n"
                          "if_version 5.50\n"
                          "add_leaf fifty=1\n"
                          "end_if\n"
                          "if_version\n"));
    EXPECT_THAT(settings(), ElementsAre("sys_ver=Version 5.5 build 12", "five=1"));
    EXPECT_THAT(faultLines(), ElementsAre("if_version: Version does not match (5): 5.5",
                                          "if_version: Could not find version string (8): "));
    char trailingBlank[] = "5.5 ";
    clearLog();
    useScript("end_if\n");
    processor->setVersion("5.5");
    processor->setLineNumber(1);
    EXPECT_EQ(processor->if_version(*tree, trailingBlank), 1);
    EXPECT_THAT(faultLines(), ElementsAre("if_version: Version does not match (1): 5.5"));
}

TEST_F(BlockTest, BlocksNestedBeyondTheLimitAreSkippedNotRunOutOfStack) {
    addSettings({"a=1"});
    std::string script;
    const int levels = 250;
    for (int i = 0; i < levels; ++i) script += "if_leaf a=1\n";
    script += "add_leaf deep=1\n";
    for (int i = 0; i < levels; ++i) script += "end_if\n";
    script += "add_leaf after=1\n";
    EXPECT_TRUE(runScript(script));
    EXPECT_THAT(settings(), ElementsAre("a=1", "after=1"));
    EXPECT_THAT(faultLines(), ElementsAre("if_leaf: Blocks nested too deeply (201): a=1"));
    EXPECT_EQ(processor->conditionalDepth(), 0);
}

TEST_F(BlockTest, ABlockMayDestroyTheSettingsItsIfLeafFound) {
    addSettings({"p_amta-host-2=x", "p_keep=1"});
    EXPECT_TRUE(runScript("if_leaf p_**=x\n"
                          "edit_leaf p_**=** do_x400_thang -\n"
                          "change_value p_**=** y\n"
                          "end_if\n"));
    EXPECT_THAT(settings(), ElementsAre("p_keep=1", "def_proxy_X400_amta_2_host=x"));
    EXPECT_THAT(faultLines(), ElementsAre("change_value: Could not find target (3): p_**=**"));
}

}  // namespace
