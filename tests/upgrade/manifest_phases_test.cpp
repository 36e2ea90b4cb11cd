// The run manifest through the phases against two simulated firewalls: what download and a resumed
// upload record, the upload refusing a final configuration this run did not produce, and the
// rollback of the new firewall to its initial configuration with its refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "upgrade/phase_fixture.h"
#include "upgrade/upgrade_strings.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

class ManifestPhasesTest : public PhaseFixture {
protected:
    json manifest() const { return json::parse(testsupport::readFile(lastWorkingDirectory + "manifest.json")); }
    static std::vector<std::string> steps(const json& document) {
        std::vector<std::string> names;
        for (const json& step : document["steps"])
            names.push_back(step["name"].get<std::string>() + ":" + step["outcome"].get<std::string>());
        return names;
    }
    std::string firewallConfig() const {
        return testsupport::readFile(onFirewall(newRoot, "/usr/local/etc/mgmt/kestrane.conf"));
    }
};

TEST_F(ManifestPhasesTest, DownloadThenAResumedUploadEachRecordTheirRun) {
    startOld();
    startNew();
    ASSERT_EQ(download(), PhaseOutcome::Done);
    const json downloaded = manifest();
    EXPECT_EQ(steps(downloaded), (std::vector<std::string>{"login_old_firewall:done", "pack_certs:done",
                                                           "download_files:done", "convert:done"}));
    bool savedOld = false;
    for (const json& file : downloaded["outputs"]) savedOld = savedOld || file["name"] == kSavedOldConfigName;
    EXPECT_TRUE(savedOld);
    workflow.restart();

    PhaseUi resumedUi;
    UpgradeWorkflow resumed(resumedUi);
    resumed.templateName = workflow.templateName;
    resumed.newLogin = workflow.newLogin;
    ASSERT_TRUE(resumed.openWorkingDirectory(lastWorkingDirectory + kSavedOldConfigName));
    ASSERT_EQ(resumed.runUploadPhase(), PhaseOutcome::Done) << resumed.failure().text;
    const json uploaded = manifest();
    EXPECT_NE(uploaded["run_id"], downloaded["run_id"]);
    ASSERT_EQ(uploaded["previous_runs"].size(), 1u);
    EXPECT_EQ(uploaded["previous_runs"][0]["run_id"], downloaded["run_id"]);
    EXPECT_EQ(steps(uploaded), (std::vector<std::string>{"login_new_firewall:done", "resume_conversion:done",
                                                         "get_new_config:done", "merge:done", "postprocess:done",
                                                         "upload_files:done", "unpack_certs:done",
                                                         "apply_config:done"}));
    // The download's converted file was moved aside for the upload's own.
    EXPECT_TRUE(fs::exists(lastWorkingDirectory + kConvertedConfigName + ".previous"));
    for (const json& file : uploaded["outputs"]) {
        const bool ours = file["run_id"] == uploaded["run_id"];
        const std::string name = file["name"];
        if (name == kFinalConfigName || name == kConvertedConfigName || name == kNewInitConfigName) {
            EXPECT_TRUE(ours) << name;
        }
        if (name == kSavedOldConfigName) {
            EXPECT_FALSE(ours);
        }
    }
    EXPECT_EQ(resumed.manifest().path(), lastWorkingDirectory + "manifest.json");
}

TEST_F(ManifestPhasesTest, TheUploadRefusesAFinalConfigurationReplacedAfterPostprocessing) {
    startOld();
    startNew();
    ASSERT_EQ(download(), PhaseOutcome::Done);
    ASSERT_TRUE(workflow.loginNewFirewall());
    ASSERT_TRUE(workflow.getNewConfig());
    ASSERT_TRUE(workflow.mergeConfigs());
    ASSERT_TRUE(workflow.postprocessConfigs());
    const std::string final = lastWorkingDirectory + kFinalConfigName;
    ASSERT_TRUE(testsupport::writeFile(final, "system_hostname=planted\n"));
    EXPECT_FALSE(workflow.uploadFiles());
    EXPECT_EQ(workflow.failure().stringId, 0);
    EXPECT_NE(workflow.failure().text.find("was not sent: it was changed after this run wrote it"), std::string::npos)
        << workflow.failure().text;
    EXPECT_NE(logFile().find("Critical file: " + final + " - Not sent: "), std::string::npos) << logFile();
    EXPECT_EQ(newSim.log().find("kestrane.conf.new"), std::string::npos);  // nothing was sent
    EXPECT_EQ(manifest()["steps"].back()["outcome"], "failed");
}

TEST_F(ManifestPhasesTest, RollbackPutsTheInitialConfigurationBack) {
    startOld();
    startNew();
    const std::string initial = firewallConfig();
    ASSERT_EQ(download(), PhaseOutcome::Done);
    ASSERT_EQ(upload(), PhaseOutcome::Done);
    ASSERT_NE(firewallConfig(), initial);
    workflow.restart();

    ASSERT_EQ(workflow.rollback(lastWorkingDirectory), PhaseOutcome::Done) << workflow.failure().text;
    EXPECT_EQ(firewallConfig(), initial);
    const std::string log = logFile();
    EXPECT_NE(log.find("Rolling back the new firewall to its initial configuration " + lastWorkingDirectory +
                       kNewInitConfigName + "\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.rfind("Upgrade Wizard started\n", 0), 0u);  // appended to
    EXPECT_TRUE(log.ends_with("Upgrade Wizard shut down normally\n")) << log;
    const json document = manifest();
    EXPECT_EQ(steps(document),
              (std::vector<std::string>{"rollback:done", "login_new_firewall:done", "apply_config:done"}));
    EXPECT_EQ(document["inputs"][0]["name"], kNewInitConfigName);
    EXPECT_FALSE(document["previous_runs"].empty());
    EXPECT_TRUE(workflow.workingDirectory().empty());
}

TEST_F(ManifestPhasesTest, RollbackRefusals) {
    startNew();
    // No initial configuration: refused before any login.
    const std::string empty = (dir / "empty").string() + "/";
    fs::create_directories(empty);
    fs::permissions(empty, fs::perms::owner_all, fs::perm_options::replace);
    EXPECT_EQ(workflow.rollback(empty), PhaseOutcome::Failed);
    EXPECT_NE(workflow.failure().text.find("holds no initial configuration"), std::string::npos);
    EXPECT_EQ(newSim.log().find("getversion"), std::string::npos);
    EXPECT_FALSE(fs::exists(empty + "manifest.json"));

    ASSERT_TRUE(testsupport::writeFile(empty + kNewInitConfigName, "system_hostname=initial\n"));
    lastWorkingDirectory = empty;
    struct Case {
        std::vector<std::string> args;
        int stringId;
    };
    // (fwsim holds its lock only for a 5.x client, so a 6.0 lock refusal cannot be played here.)
    for (const Case& c : {Case{{"--version", "5.6"}, upgrade_strings::kNewIsNotNew},
                          Case{{"--fail", "updateconf"}, upgrade_strings::kApplyFailed}}) {
        newSim.stop();
        startNew(c.args);
        EXPECT_EQ(workflow.rollback(empty), PhaseOutcome::Failed) << c.args[0];
        EXPECT_EQ(workflow.failure().stringId, c.stringId) << c.args[0];
        EXPECT_FALSE(workflow.loggedIn());
        EXPECT_EQ(manifest()["steps"][0]["outcome"], "failed") << c.args[0];
        EXPECT_NE(logFile().find("Rollback failed\n"), std::string::npos);
    }
}

}  // namespace
