// Whole scripts through `upgrade-cli template`: the saved configuration, the log and the warnings
// file must equal reviewed copies in data/. The run happens in a scratch directory holding copies of
// the inputs, so that the log names the configuration by its plain file name.
#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "support/files.h"
#include "support/program_runner.h"
#include "support/scratch_dir.h"

namespace fs = std::filesystem;

namespace {

using testsupport::readFile;

class ScriptRunTest : public ::testing::Test {
protected:
    void copyInputs(std::initializer_list<const char*> names) {
        for (const char* name : names) fs::copy_file(fs::path(SCRIPT_DATA_DIR) / name, dir / name);
    }
    // Copies one input under the name the run gives it.
    void copyInputAs(const char* name, const char* as) { fs::copy_file(fs::path(SCRIPT_DATA_DIR) / name, dir / as); }

    // Runs upgrade-cli template in the scratch directory; the exit code (the whole result stays in
    // `last`).
    int runTemplate(const std::string& script) {
        testsupport::RunOptions options;
        options.cwd = dir.string();
        last = testsupport::runProgram({UPGRADE_CLI, "template", "firewall.conf", script, "-o", "out.conf", "-l",
                                        "run.log", "-W", "warnings.txt", "--workdir", "."},
                                       options);
        return last.status;
    }

    std::string expected(const char* name) const { return readFile(fs::path(SCRIPT_DATA_DIR) / name); }
    std::string produced(const char* name) const { return readFile(dir / name); }

    testsupport::ScratchDir scratch{"script-run"};
    const fs::path dir = scratch.path();
    testsupport::RunResult last;
};

TEST_F(ScriptRunTest, EveryVerbFamilyOnASmallConfigurationGivesTheReviewedResult) {
    copyInputs({"firewall.conf", "extra.conf", "full.tpl"});
    EXPECT_EQ(runTemplate("full.tpl"), 0) << last.err;
    EXPECT_EQ(produced("out.conf"), expected("full.expected.conf"));
    EXPECT_EQ(produced("run.log"), expected("full.expected.log"));
    EXPECT_EQ(produced("warnings.txt"), expected("full.expected-warnings.txt"));
}

TEST_F(ScriptRunTest, UserErrorInsideABlockStopsAfterTheBlockAndSavesNothing) {
    copyInputs({"firewall.conf", "stop.tpl"});
    EXPECT_EQ(runTemplate("stop.tpl"), 1);
    EXPECT_FALSE(fs::exists(dir / "out.conf"));
    EXPECT_EQ(produced("run.log"), expected("stop.expected.log"));
    EXPECT_EQ(produced("warnings.txt"), "");
    EXPECT_EQ(last.err, "upgrade-cli template: the script stopped at line 4: Proxy rule $$ cannot be converted\n");
}

TEST_F(ScriptRunTest, RestructuringAndLookupVerbsGiveTheReviewedResult) {
    // Pairs merged into settings, names and values swapped, lists split into words, masks expanded,
    // branches joined, renumbered, dissolved, inserted, renamed and deleted; an if_leaf block narrows
    // insert_branch and add_to_branch to the one service it found.
    copyInputAs("reshape.conf", "firewall.conf");
    copyInputs({"reshape.tpl"});
    EXPECT_EQ(runTemplate("reshape.tpl"), 0) << last.err;
    EXPECT_EQ(produced("out.conf"), expected("reshape.expected.conf"));
    EXPECT_EQ(produced("run.log"), expected("reshape.expected.log"));
    EXPECT_EQ(produced("warnings.txt"), "");
}

}  // namespace
