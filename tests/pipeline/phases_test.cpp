// The three conversion phases: the order of their steps and progress lines, which tree each script
// section works on, and how a failure ends a phase.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "conftree/conftree.h"
#include "support/setting_lines.h"
#include "template/template_processor.h"

namespace {

using testsupport::addSettings;
using testsupport::settingText;

class PhasesTest : public ::testing::Test {
protected:
    void SetUp() override {
        addSettings(oldTree, {"netobj_list_1_name=all_interfaces", "netobj_list_1_element_1_interface=eth0",
                              "netobj_list_1_element_1_addr=10.0.0.1", "netobj_list_2_name=eth0$INTERFACE",
                              "netobj_list_2_element_1_interface=eth0:1", "netobj_list_2_element_1_addr=10.0.0.2"});
        addSettings(newTree,
                    {"netobj_list_Outside_element_1_interface=eth0", "netobj_list_Outside_element_1_addr=10.0.0.1"});
    }

    void useScript(const std::string& script) {
        processor = std::make_unique<TemplateProcessor>(log, warnings, std::make_unique<std::istringstream>(script),
                                                        "test.tpl", "./");
    }

    // The log lines that are not about a missing part of the small test configurations.
    std::vector<std::string> progressLines() {
        std::vector<std::string> lines;
        for (const std::string& line : testsupport::splitLines(log.str())) {
            if (line.find("Search returned no data") == std::string::npos &&
                line.find("Unable to parse") == std::string::npos) {
                lines.push_back(line);
            }
        }
        log.str("");
        return lines;
    }

    std::ostringstream log;
    std::ostringstream warnings;
    ConfigTree oldTree{log};
    ConfigTree newTree{log};
    std::unique_ptr<TemplateProcessor> processor;
};

TEST_F(PhasesTest, EachPhaseRunsItsStepsAndSectionInOrderOnItsTree) {
    useScript("add_leaf where=pre\n"
              "[MERGE_TREE1]\n"
              "add_leaf where=merge-old\n"
              "[MERGE_TREE2]\n"
              "add_leaf where=merge-new\n"
              "[POSTPROCESS]\n"
              "add_leaf post=done\n");
    ASSERT_TRUE(processor->runPreprocess(oldTree));
    EXPECT_EQ(progressLines(), (std::vector<std::string>{
                                   "Parsing interfaces.",
                                   "Preprocessing configuration tree with template...",
                                   "Processing 1: add_leaf\twhere=pre",
                                   "Unrecognized verb at line 2: [MERGE_TREE1]",
                                   "Template preprocessing complete.",
                                   "Parsing service groups.",
                                   "Parsing destination groups.",
                                   "Converting destination groups.",
                                   "Parsing packet filter rules.",
                                   "Parsing proxy rules.",
                                   "Parsing NAT/INAT rules.",
                                   "Preprocessing complete.",
                               }));
    ASSERT_TRUE(processor->runMerge(oldTree, newTree));
    EXPECT_EQ(progressLines(), (std::vector<std::string>{
                                   "Processing Merge configuration tree with template...",
                                   "Examining new tree...",
                                   "Parsing packet filter rules.",
                                   "Parsing interfaces.",
                                   "Reconciling interfaces.",
                                   "Processing 3: add_leaf\twhere=merge-old",
                                   "Unrecognized verb at line 4: [MERGE_TREE2]",
                                   "Processing 5: add_leaf\twhere=merge-new",
                                   "Processing 6: [POSTPROCESS]\t",
                                   "Merge Processing complete.",
                               }));
    EXPECT_EQ(oldTree.findLeaf("where")->value(), "merge-old");
    EXPECT_EQ(newTree.findLeaf("where")->value(), "merge-new");

    newTree.absorb(oldTree);
    ASSERT_TRUE(processor->runPostprocess(newTree));
    const std::vector<std::string> post = progressLines();
    const std::vector<std::string> expectedSteps{
        "Merging interfaces.",
        "Saving interfaces...",
        "Saving network objects...",
        "Saving service groups...",
        "Saving destination objects...",
        "Saving packet filter rules...",
        "Saving proxy rules...",
        "Saving NAT/INAT rules...",
        "Postprocessing configuration tree with template...",
        "Processing 7: add_leaf\tpost=done",
        "Postprocessing complete.",
    };
    // The savers add their own "Dumping ..." lines between the steps; the steps keep their order.
    std::size_t at = 0;
    for (const std::string& line : post) {
        if (at < expectedSteps.size() && line == expectedSteps[at]) ++at;
    }
    EXPECT_EQ(at, expectedSteps.size()) << "missing or out of order: "
                                        << expectedSteps[std::min(at, expectedSteps.size() - 1)];
    EXPECT_NE(settingText(newTree).find("netobj_list_Outside_element_2_addr=10.0.0.2\n"), std::string::npos);
}

TEST_F(PhasesTest, ScriptWithoutMarkersRunsWhollyInPreprocessing) {
    useScript("add_leaf a=1\n"
              "add_leaf b=2\n");
    ASSERT_TRUE(processor->runPreprocess(oldTree));
    EXPECT_EQ(processor->lineNumber(), 2);
    ASSERT_TRUE(processor->runMerge(oldTree, newTree));
    ASSERT_TRUE(processor->runPostprocess(newTree));
    EXPECT_EQ(processor->lineNumber(), 2);
    EXPECT_EQ(newTree.findLeaf("a"), nullptr);
    EXPECT_NE(oldTree.findLeaf("a"), nullptr);
}

TEST_F(PhasesTest, LowerCaseMarkerEndsTheSectionAndIndentedOneDoesNot) {
    useScript("add_leaf a=1\n"
              "  [MERGE_TREE1]\n"
              "add_leaf b=2\n"
              "[merge_tree1]\n"
              "add_leaf c=3\n");
    ASSERT_TRUE(processor->runPreprocess(oldTree));
    EXPECT_EQ(processor->lineNumber(), 4);
    EXPECT_NE(oldTree.findLeaf("b"), nullptr);
    EXPECT_EQ(oldTree.findLeaf("c"), nullptr);
}

TEST_F(PhasesTest, NoPhysicalInterfaceStopsPreprocessingBeforeAnyScriptLine) {
    useScript("add_leaf a=1\n[MERGE_TREE1]\n");
    ConfigTree empty{log};
    EXPECT_FALSE(processor->runPreprocess(empty));
    EXPECT_EQ(processor->lineNumber(), 0);
    EXPECT_EQ(processor->errorText(), "No physical interfaces found on system - cannot continue upgrade");
    const std::vector<std::string> lines = progressLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "Parsing interfaces.");
    EXPECT_EQ(lines.back(), "parse5xInterfaces: No physical interfaces found on system - cannot continue upgrade");
}

TEST_F(PhasesTest, UserErrorOnTheNewTreeStopsTheMergeWithoutItsCompleteLine) {
    useScript("[MERGE_TREE1]\n"
              "[MERGE_TREE2]\n"
              "user_error The new firewall is not supported\n"
              "add_leaf never=1\n"
              "[POSTPROCESS]\n");
    ASSERT_TRUE(processor->runPreprocess(oldTree));
    EXPECT_FALSE(processor->runMerge(oldTree, newTree));
    EXPECT_EQ(processor->errorText(), "The new firewall is not supported");
    EXPECT_EQ(newTree.findLeaf("never"), nullptr);
    const std::string text = log.str();
    EXPECT_EQ(text.find("Merge Processing complete."), std::string::npos);
}

TEST_F(PhasesTest, ScriptThatCannotBeOpenedFailsPreprocessingInsteadOfSkippingEverySection) {
    const std::string missing = "/nonexistent-dir/5xTo60.tpl";
    processor = std::make_unique<TemplateProcessor>(log, warnings, missing, "./");
    EXPECT_FALSE(processor->runPreprocess(oldTree));
    EXPECT_EQ(processor->errorText(), "Unable to read the template script: " + missing);
    EXPECT_TRUE(processor->abortRequested());
    const std::string text = log.str();
    EXPECT_NE(text.find("Unable to open file: " + missing + "\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Template preprocessing complete."), std::string::npos) << text;
    EXPECT_EQ(text.find("Preprocessing complete."), std::string::npos) << text;
}

TEST_F(PhasesTest, ScriptThatBecomesUnreadableInALaterSectionFailsThatPhase) {
    // A line longer than the line buffer makes the rest of the script unreadable.
    useScript("[MERGE_TREE1]\n"
              "[MERGE_TREE2]\n"
              "add_leaf cut=" +
              std::string(kScriptLineSize + 10, 'y') +
              "\n"
              "add_leaf never=1\n"
              "[POSTPROCESS]\n"
              "add_leaf post=1\n");
    ASSERT_TRUE(processor->runPreprocess(oldTree));
    EXPECT_FALSE(processor->runMerge(oldTree, newTree));
    EXPECT_EQ(processor->errorText(), "Unable to read the template script: test.tpl");
    EXPECT_EQ(newTree.findLeaf("never"), nullptr);
    EXPECT_EQ(log.str().find("Merge Processing complete."), std::string::npos);
}

TEST_F(PhasesTest, InterfaceMergeHelpIsLoggedBeforeTheMergeSections) {
    useScript("[MERGE_TREE1]\nadd_leaf x=1\n[MERGE_TREE2]\n[POSTPROCESS]\n");
    ConfigTree readdressed{log};
    addSettings(readdressed,
                {"netobj_list_Outside_element_1_interface=em0", "netobj_list_Outside_element_1_addr=192.0.2.1"});
    ASSERT_TRUE(processor->runPreprocess(oldTree));
    progressLines();
    ASSERT_TRUE(processor->runMerge(oldTree, readdressed));
    EXPECT_TRUE(processor->interfaceMergeHelpRequired());
    const std::vector<std::string> lines = progressLines();
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[5], "Interface merge help will be required...");
    EXPECT_EQ(lines[6], "Processing 2: add_leaf\tx=1");
}

}  // namespace
