// The check upgrade-cli makes before it runs a script, and the text of a finding.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/script_check.h"
#include "support/files.h"
#include "support/scratch_dir.h"

namespace {

TEST(LintText, FindingsAndCountsReadAsTheCompilerStyleLines) {
    EXPECT_EQ(lintFindingText("s.tpl", {3, LintSeverity::Error, "unknown verb 'x'"}),
              "s.tpl:3: error: unknown verb 'x'");
    EXPECT_EQ(lintFindingText("s.tpl", {12, LintSeverity::Warning, "w"}), "s.tpl:12: warning: w");
    EXPECT_EQ(lintFindingText("s.tpl", {0, LintSeverity::Error, "cannot read the script s.tpl: x"}),
              "cannot read the script s.tpl: x");
    EXPECT_EQ(lintCountText("s.tpl", {}), "s.tpl: 0 errors, 0 warnings");
    EXPECT_EQ(
        lintCountText(
            "s.tpl", {{1, LintSeverity::Error, "a"}, {2, LintSeverity::Warning, "b"}, {2, LintSeverity::Warning, "c"}}),
        "s.tpl: 1 error, 2 warnings");
}

class LintBeforeRun : public ::testing::Test {
protected:
    std::string script(const std::string& content) const {
        const std::string path = scratch.file("s.tpl");
        EXPECT_TRUE(testsupport::writeFile(path, content));
        return path;
    }
    testsupport::ScratchDir scratch{"lint-before-run"};
    std::ostringstream err;
};

TEST_F(LintBeforeRun, CleanScriptPassesSilently) {
    EXPECT_EQ(lintBeforeRun(script("[PREPROCESS]\nadd_leaf a=1\n"), "convert", err), 0);
    EXPECT_EQ(err.str(), "");
}

TEST_F(LintBeforeRun, WarningsArePrintedButDoNotStopTheRun) {
    const std::string path = script("promote_leaf a_b=** c\n");
    EXPECT_EQ(lintBeforeRun(path, "run", err), 0);
    EXPECT_EQ(err.str(), "upgrade-cli run: " + path +
                             ":1: warning: promote_leaf: 'c' is ignored (usage: promote_leaf LEAF_TEMPLATE)\n");
}

TEST_F(LintBeforeRun, ErrorsStopTheRunWithExitTwoAndNameTheWayOut) {
    const std::string path = script("renam_leaf a_b=** c\nend_if\n");
    EXPECT_EQ(lintBeforeRun(path, "download", err), 2);
    EXPECT_EQ(err.str(), "upgrade-cli download: " + path +
                             ":1: error: unknown verb 'renam_leaf' (did you mean rename_leaf?): the run skips the "
                             "line\n"
                             "upgrade-cli download: " +
                             path +
                             ":2: error: end_if without an open if_leaf or if_version block (the run logs "
                             "\"Attempting end_if with no if_leaf pending\")\n"
                             "upgrade-cli download: the template script " +
                             path + " has errors, so nothing was run (--no-lint skips this check)\n");
}

TEST_F(LintBeforeRun, UnreadableScriptStopsTheRun) {
    const std::string path = scratch.file("absent.tpl");
    EXPECT_EQ(lintBeforeRun(path, "convert", err), 2);
    EXPECT_EQ(err.str(), "upgrade-cli convert: cannot read the script " + path +
                             ": No such file or directory\n"
                             "upgrade-cli convert: the template script " +
                             path + " has errors, so nothing was run (--no-lint skips this check)\n");
}

}  // namespace
