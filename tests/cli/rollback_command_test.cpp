// upgrade-cli rollback against fwsim: after a run the new firewall is put back on its initial
// configuration byte for byte; a directory without one and a failing apply give status 1; the
// manifest records the rollback after the run.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/phase_fixture.h"

namespace phasetest {
namespace {

using testsupport::readFile;

// The fixture's runner with "rollback", which takes no template script.
class RollbackCliTest : public PhaseCliTest {
protected:
    int rollback(const std::string& directory, bool login = true) {
        Args argv{UPGRADE_CLI, "rollback", "--workdir", directory};
        if (login) argv = join(argv, {loginOf(newSim)});
        testsupport::RunOptions options;
        options.cwd = scratch.path().string();
        options.timeout = std::chrono::seconds(120);
        options.environment = {"UPGRADE_LOGIN_TIMEOUT", "UPGRADE_DOWNLOAD_TIMEOUT", "UPGRADE_UPLOAD_TIMEOUT",
                               std::string("UPGRADE_PASSWORD=") + kNewPassword};
        const testsupport::RunResult result = testsupport::runProgram(argv, options);
        out = result.out;
        err = result.err;
        return result.status;
    }
};

TEST_F(RollbackCliTest, RollbackAfterARunPutsTheInitialConfigurationBack) {
    startOld();
    startNew();
    ASSERT_EQ(run("run", join(loginOf(oldSim, "old-"), {loginOf(newSim, "new-"), {"--in", work.string()}}),
                  {std::string("UPGRADE_OLD_PASSWORD=") + kOldPassword,
                   std::string("UPGRADE_NEW_PASSWORD=") + kNewPassword}),
              0)
        << err;
    const std::string directory = workingDirectory();
    ASSERT_FALSE(directory.empty()) << out;
    const std::string runId = nlohmann::json::parse(readFile(fs::path(directory) / "manifest.json"))["run_id"];
    ASSERT_NE(readFile(newRoot / kFirewallConfig), readFile(kInitConfig));

    EXPECT_EQ(rollback(directory), 0) << err;
    EXPECT_EQ(readFile(newRoot / kFirewallConfig), readFile(kInitConfig));
    EXPECT_EQ(lastLine(out), "Working directory: " + directory);
    const nlohmann::json manifest = nlohmann::json::parse(readFile(fs::path(directory) / "manifest.json"));
    EXPECT_EQ(manifest["steps"][0]["name"], "rollback");
    EXPECT_EQ(manifest["steps"][0]["outcome"], "done");
    EXPECT_EQ(manifest["previous_runs"].back()["run_id"], runId);

    // An apply the firewall refuses fails the rollback with its reason last.
    newSim.stop();
    startNew(kInitConfig, {"--fail", "updateconf"});
    EXPECT_EQ(rollback(directory), 1);
    EXPECT_NE(err.find("Unable to apply new configuration"), std::string::npos) << err;
}

TEST_F(RollbackCliTest, RollbackRefusesADirectoryWithoutTheInitialConfiguration) {
    startNew();
    const std::string directory = savedWorkingDirectory();
    EXPECT_EQ(rollback(directory), 1);
    EXPECT_NE(err.find("holds no initial configuration kestrane.conf.6INIT"), std::string::npos) << err;
    EXPECT_EQ(newSim.log().find("getversion"), std::string::npos);
    EXPECT_EQ(rollback(directory, false), 2);  // usage: no host
}

}  // namespace
}  // namespace phasetest
