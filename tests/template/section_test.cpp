// Script sections: where a section ends, that the script is read forward only, and how an abort
// stops a section.
#include <string>

#include "script_fixture.h"

namespace {

using Sections = ScriptFixture;

TEST_F(Sections, ScriptWithoutMarkersRunsWholeInTheFirstSection) {
    useScript("add_leaf a=1\n[POSTPROCESS]\nadd_leaf b=2\n");
    EXPECT_TRUE(processor->runScriptSection(tree, "[MERGE_TREE1]"));
    EXPECT_EQ(settings(), "a=1\nb=2\n");
    // The later sections find the end of the script.
    EXPECT_TRUE(processor->runScriptSection(tree, "[MERGE_TREE2]"));
    EXPECT_TRUE(processor->runScriptSection(tree, nullptr));
    EXPECT_EQ(processor->lineNumber(), 3);
    EXPECT_NE(log.str().find("Processing 2: [POSTPROCESS]\t\n"), std::string::npos);
}

TEST_F(Sections, MarkerInAnyCaseEndsItsSectionAndTheNextSectionGoesOnAfterIt) {
    useScript("[PREPROCESS]\nadd_leaf a=1\n[merge_tree1] end of the first part\nadd_leaf b=2\n");
    EXPECT_TRUE(processor->runScriptSection(tree, "[MERGE_TREE1]"));
    EXPECT_EQ(settings(), "a=1\n");
    EXPECT_EQ(processor->lineNumber(), 3);
    ConfigTree second(log);
    EXPECT_TRUE(processor->runScriptSection(second, "[MERGE_TREE2]"));
    EXPECT_EQ(testsupport::settingText(second), "b=2\n");
    EXPECT_EQ(log.str(), "Processing 1: [PREPROCESS]\t\n"
                         "Processing 2: add_leaf\ta=1\n"
                         "Unrecognized verb at line 3: [merge_tree1]\n"
                         "Processing 4: add_leaf\tb=2\n");
}

TEST_F(Sections, MarkerWithLeadingBlanksDoesNotEndTheSection) {
    useScript("  [MERGE_TREE1]\nadd_leaf a=1\n");
    EXPECT_TRUE(processor->runScriptSection(tree, "[MERGE_TREE1]"));
    EXPECT_EQ(settings(), "a=1\n");
}

TEST_F(Sections, UserErrorStopsTheSectionRightAfterItsLine) {
    useScript("add_leaf a=1\nuser_error Stop here\nadd_leaf b=2\n");
    EXPECT_FALSE(processor->runScriptSection(tree, nullptr));
    EXPECT_TRUE(processor->abortRequested());
    EXPECT_EQ(processor->errorText(), "Stop here");
    EXPECT_EQ(processor->lineNumber(), 2);
    EXPECT_EQ(settings(), "a=1\n");
}

TEST_F(Sections, AfterAnAbortEverySectionStopsAfterItsFirstLine) {
    useScript("add_leaf a=1\nadd_leaf b=2\n");
    processor->requestAbort("");
    EXPECT_FALSE(processor->runScriptSection(tree, nullptr));
    EXPECT_EQ(settings(), "a=1\n");
}

TEST_F(Sections, MarkerThatEndsASectionIsNotMistakenForAnAbort) {
    useScript("[MERGE_TREE2]\nadd_leaf b=2\n");
    processor->requestAbort("");
    EXPECT_TRUE(processor->runScriptSection(tree, "[MERGE_TREE2]"));
}

}  // namespace
