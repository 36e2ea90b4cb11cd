// The checker on files: the sample scripts, scripts that cannot be read, where import_file looks,
// the tree log it must leave alone, and two of its claims checked against what a run does.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "conftree/config_tree.h"
#include "conftree/tree_state.h"
#include "support/files.h"
#include "support/scratch_dir.h"
#include "support/setting_lines.h"
#include "template/script_lint.h"
#include "template/template_processor.h"

namespace {

std::string describe(const std::vector<LintFinding>& findings) {
    std::string text;
    for (const LintFinding& f : findings) {
        text +=
            std::to_string(f.line) + (f.severity == LintSeverity::Error ? " error: " : " warning: ") + f.message + "\n";
    }
    return text;
}

TEST(LintFile, SampleScriptsAreClean) {
    for (const char* script : {"/data/5xTo60.tpl", "/data/template-demo/demo.tpl"}) {
        EXPECT_EQ(describe(lintScriptFile(std::string(PROJECT_SOURCE_DIR) + script)), "") << script;
    }
}

class LintFileFixture : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return scratch.file(name); }
    void write(const std::string& name, const std::string& content) const {
        ASSERT_TRUE(testsupport::writeFile(scratch / name, content));
    }
    testsupport::ScratchDir scratch{"lint-file"};
};

TEST_F(LintFileFixture, UnreadableScriptIsOneErrorAtLineZeroSayingWhy) {
    std::filesystem::create_directory(path("adir"));
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    const struct {
        std::string name, why;
    } cases[] = {{"absent.tpl", "No such file or directory"},
                 {"adir", "it is a directory"},
                 {"fifo", "it is not a regular file"}};  // refused without waiting for a writer
    for (const auto& c : cases) {
        const std::vector<LintFinding> findings = lintScriptFile(path(c.name));
        ASSERT_EQ(findings.size(), 1u) << c.name;
        EXPECT_EQ(findings[0].line, 0);
        EXPECT_EQ(findings[0].severity, LintSeverity::Error);
        EXPECT_EQ(findings[0].message, "cannot read the script " + path(c.name) + ": " + c.why);
        EXPECT_TRUE(hasErrors(findings));
    }
}

TEST_F(LintFileFixture, ImportFileLooksBesideTheScript) {
    write("scripts/s.tpl", "import_file extra.conf\n");
    write("scripts/extra.conf", "a=1\n");
    write("other/s.tpl", "import_file extra.conf\n");
    EXPECT_EQ(describe(lintScriptFile(path("scripts/s.tpl"))), "");
    const std::vector<LintFinding> elsewhere = lintScriptFile(path("other/s.tpl"));
    ASSERT_EQ(elsewhere.size(), 1u);
    EXPECT_EQ(elsewhere[0].message, "import_file: no file 'extra.conf' beside the script (" + path("other/") +
                                        "extra.conf): the run would import nothing from it");
    EXPECT_FALSE(hasErrors(elsewhere));
}

TEST_F(LintFileFixture, FindingsComeInLineOrder) {
    write("s.tpl", "if_leaf a=1\nfrob\nadd_leaf x\n");
    const std::vector<LintFinding> findings = lintScriptFile(path("s.tpl"));
    ASSERT_EQ(findings.size(), 3u) << describe(findings);
    EXPECT_EQ(findings[0].line, 1);  // the block without end_if, found at the end
    EXPECT_EQ(findings[1].line, 2);
    EXPECT_EQ(findings[2].line, 3);
}

TEST(LintTreeLog, ParserMessagesDoNotReachTheTreeLogAndItIsRestored) {
    std::ostringstream log;
    setTreeLog(log);
    const std::vector<LintFinding> findings = lintScript("delete_leaf a_b\nadd_leaf c\n", "/nonexistent/");
    EXPECT_EQ(findings.size(), 2u);
    EXPECT_EQ(&treeLog(), &log);
    EXPECT_EQ(log.str(), "");
    setTreeLog(std::cout);
}

// What the checker says of a script, and what a run of it does on a tree that lacks 'a'.
class LintAgainstRun : public ::testing::Test {
protected:
    std::string run(const std::string& script) {
        TemplateProcessor processor(log, warnings, std::make_unique<std::istringstream>(script), "t.tpl", "/none/");
        processor.runScriptSection(tree, nullptr);
        return testsupport::settingText(tree);
    }
    // The tree log must not point at this fixture's stream once it is gone.
    void TearDown() override { setTreeLog(std::cout); }

    std::ostringstream log;
    std::ostringstream warnings;
    ConfigTree tree{log};
};

TEST_F(LintAgainstRun, SkippedBlockEndsWhereTheCheckerSays) {
    const std::string script =
        "set_version v=**\nif_leaf a=1\nif_version 5.5\nend_if\nadd_leaf leaked=1\nend_if\nadd_leaf after=1\n";
    const std::vector<LintFinding> findings = lintScript(script, "/none/");
    ASSERT_FALSE(findings.empty());
    EXPECT_EQ(findings[0].line, 2);
    EXPECT_NE(findings[0].message.find("skipping stops at line 4, before its end_if of line 6"), std::string::npos);
    // The run: the block's line 5 runs although 'a' is missing, and line 6 finds no block to end.
    EXPECT_EQ(run(script), "leaked=1\nafter=1\n");
    EXPECT_NE(log.str().find("end_if: Attempting end_if with no if_leaf pending (6)"), std::string::npos);
}

TEST_F(LintAgainstRun, CommentInAnItemListStopsTheItemsWhereTheCheckerSays) {
    testsupport::addSettings(tree, {"r_1_x=1"});
    const std::string script = "add_to_branch r_## state=on\n# note\nfrob=1\n";
    const std::vector<LintFinding> findings = lintScript(script, "/none/");
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].line, 2);
    // The run takes '# note' as an item, fails on it and adds nothing, then runs 'frob=1' as a script line.
    EXPECT_EQ(run(script), "r_1_x=1\n");
    EXPECT_NE(log.str().find("add_to_branch: Unable to parse add item (2): # note"), std::string::npos);
    EXPECT_NE(log.str().find("Unrecognized verb at line 3: frob=1"), std::string::npos);
}

}  // namespace
