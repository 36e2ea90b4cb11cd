// upgrade-cli lint, end to end: what it prints where, and its exit codes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli/cli_runner.h"

namespace {

using LintCommand = CliFixture;

TEST_F(LintCommand, CleanScriptPrintsOnlyTheCountsAndExitsZero) {
    write("s.tpl", "[PREPROCESS]\nadd_leaf a=1\n[MERGE_TREE1]\n[MERGE_TREE2]\n[POSTPROCESS]\n");
    const CliResult r = run({"lint", path("s.tpl")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, path("s.tpl") + ": 0 errors, 0 warnings\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(LintCommand, SampleScriptIsClean) {
    const CliResult r = run({"lint", std::string(PROJECT_SOURCE_DIR) + "/data/5xTo60.tpl"});
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find(": 0 errors, 0 warnings\n"), std::string::npos);
}

TEST_F(LintCommand, WarningsAloneExitZero) {
    write("s.tpl", "add_leaf a=1\n[PREPROCESS]\n");
    const CliResult r = run({"lint", path("s.tpl")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, path("s.tpl") +
                         ":2: warning: [PREPROCESS] has no effect here: the lines above it run in preprocessing too; "
                         "put it first\n" +
                         path("s.tpl") + ": 0 errors, 1 warning\n");
}

TEST_F(LintCommand, ErrorsArePrintedInLineOrderAndExitOne) {
    write("s.tpl", "if_leaf a=1\nrenam_leaf a_b=** c\n");
    const CliResult r = run({"lint", path("s.tpl")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, path("s.tpl") +
                         ":1: error: this if_leaf block has no end_if: the run reaches the end of the script inside "
                         "it\n" +
                         path("s.tpl") +
                         ":2: error: unknown verb 'renam_leaf' (did you mean rename_leaf?): the run skips the line\n" +
                         path("s.tpl") + ": 2 errors, 0 warnings\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(LintCommand, UsageErrorsAndUnreadableScriptsExitTwo) {
    EXPECT_EQ(run({"lint"}).code, 2);
    EXPECT_EQ(run({"lint", path("a.tpl"), path("b.tpl")}).code, 2);
    std::filesystem::create_directory(path("adir"));
    for (const auto& [name, why] : {std::pair<std::string, std::string>{"absent.tpl", "No such file or directory"},
                                    {"adir", "it is a directory"}}) {
        const CliResult r = run({"lint", path(name)});
        EXPECT_EQ(r.code, 2) << name;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "upgrade-cli lint: cannot read the script " + path(name) + ": " + why + "\n");
    }
}

TEST_F(LintCommand, HelpDescribesOutputAndExitStatus) {
    const CliResult r = run({"lint", "--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("SCRIPT:LINE: error|warning: MESSAGE"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Exit status: 0 no errors"), std::string::npos);
}

}  // namespace
