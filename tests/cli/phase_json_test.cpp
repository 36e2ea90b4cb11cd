// upgrade-cli --json for download, upload and run against fwsim: the object for a whole upgrade, a
// failed phase, interfaces that need pairing, a stop by signal and a usage error, with standard output
// holding the object alone (the mirrored log and every answer of the firewalls on standard error).
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "phase_fixture.h"
#include "support/json_result.h"
#include "support/silent_listener.h"

namespace phasetest {
namespace {

using Json = nlohmann::ordered_json;
using testsupport::expectCommonKeys;
using testsupport::jsonResult;
using testsupport::readFile;

const std::string kOldPasswordVariable = std::string("UPGRADE_PASSWORD=") + kOldPassword;
const std::string kNewPasswordVariable = std::string("UPGRADE_PASSWORD=") + kNewPassword;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The working directory a run made in work (the only entry there); empty when none.
std::string madeIn(const fs::path& work) {
    fs::directory_iterator entries(work);
    return entries == fs::directory_iterator() ? std::string() : entries->path().string();
}

TEST_F(PhaseCliTest, JsonRunDoneNamesTheDirectoryItsFilesAndTheReport) {
    startOld();
    startNew();
    ASSERT_EQ(run("run", join(loginOf(oldSim, "old-"), {loginOf(newSim, "new-"), {"--in", work.string(), "--json"}}),
                  {std::string("UPGRADE_OLD_PASSWORD=") + kOldPassword,
                   std::string("UPGRADE_NEW_PASSWORD=") + kNewPassword}),
              0)
        << err;
    const Json json = jsonResult(out);
    expectCommonKeys(json);
    EXPECT_EQ(json["command"], "run");
    EXPECT_EQ(json["outcome"], "done");
    EXPECT_TRUE(json["failure"].is_null());
    const std::string directory = madeIn(work);
    EXPECT_EQ(json["working_directory"], directory);
    EXPECT_EQ(json["files"]["final"], directory + "/kestrane.conf.6FINAL");
    EXPECT_EQ(json["files"]["log"], directory + "/5xto60.log");
    EXPECT_EQ(json["files"]["report_json"], directory + "/report.json");
    EXPECT_EQ(json["report"]["stage"], "final");
    const Json file = Json::parse(readFile(fs::path(directory) / "report.json"));
    EXPECT_EQ(json["report"]["finding_counts"], file["finding_counts"]);
    EXPECT_TRUE(newFirewallReceived(readFile(fs::path(directory) / "kestrane.conf.6FINAL")));
    // The human text is all there, on standard error.
    EXPECT_TRUE(contains(err, "Logged in - firewall version KF6.0\n")) << err;
    EXPECT_TRUE(contains(err, "Working directory: " + directory + "\n")) << err;
}

TEST_F(PhaseCliTest, JsonDownloadThenUploadEachGiveTheirObject) {
    startOld();
    ASSERT_EQ(run("download", join(loginOf(oldSim), {{"--in", work.string(), "--json"}}), {kOldPasswordVariable}), 0)
        << err;
    Json json = jsonResult(out);
    EXPECT_EQ(json["command"], "download");
    EXPECT_EQ(json["outcome"], "done");
    const std::string directory = json["working_directory"];
    EXPECT_EQ(directory, madeIn(work));
    EXPECT_TRUE(json["files"].contains("converted")) << json["files"].dump();
    EXPECT_FALSE(json["files"].contains("final"));
    EXPECT_EQ(json["report"]["stage"], "conversion");

    startNew();
    ASSERT_EQ(run("upload", join({"--workdir", directory, "--json"}, {loginOf(newSim)}), {kNewPasswordVariable}), 0)
        << err;
    json = jsonResult(out);
    EXPECT_EQ(json["command"], "upload");
    EXPECT_EQ(json["working_directory"], directory);
    EXPECT_EQ(json["files"]["final"], directory + "/kestrane.conf.6FINAL");
}

TEST_F(PhaseCliTest, JsonFailedPhaseGivesTheWorkflowsReasonAndStringId) {
    startNew();
    EXPECT_EQ(run("download", join(loginOf(newSim), {{"--in", work.string(), "--json"}}), {kNewPasswordVariable}), 1);
    const Json json = jsonResult(out);
    expectCommonKeys(json);
    EXPECT_EQ(json["outcome"], "failed");
    EXPECT_EQ(json["exit_status"], 1);
    EXPECT_EQ("upgrade-cli: " + json["failure"]["reason"].get<std::string>(), kOldIsNew) << json.dump();
    EXPECT_TRUE(json["failure"]["string_id"].is_number_integer()) << json.dump();
    EXPECT_EQ(lastLine(err), kOldIsNew) << err;
}

TEST_F(PhaseCliTest, JsonUploadThatNeedsPairingSaysSo) {
    startNew(kReaddressedConfig);
    const std::string directory = savedWorkingDirectory();
    EXPECT_EQ(run("upload", join({"--workdir", directory, "--json"}, {loginOf(newSim)}), {kNewPasswordVariable}), 3);
    const Json json = jsonResult(out);
    EXPECT_EQ(json["outcome"], "needs_pairing");
    EXPECT_EQ(json["exit_status"], 3);
    EXPECT_EQ(json["working_directory"], directory);
    EXPECT_FALSE(json["files"].contains("final"));
    EXPECT_TRUE(contains(json["failure"]["reason"].get<std::string>(), "paired")) << json.dump();
    EXPECT_TRUE(contains(err, "  eth0 - 198.51.100.10 - outside  (no partner)\n")) << err;
}

TEST_F(PhaseCliTest, JsonStopBySignalIsInterrupted) {
    testsupport::SilentListener listener;
    ASSERT_NE(listener.port(), 0);
    std::thread signaller;
    EXPECT_EQ(run("download", join(loginAt(listener.port()), {{"--in", work.string(), "--json"}}),
                  {kOldPasswordVariable, "UPGRADE_LOGIN_TIMEOUT=60"},
                  [&](pid_t pid) {
                      signaller = std::thread([&listener, pid] {
                          if (listener.awaitClient(std::chrono::seconds(30))) ::kill(pid, SIGTERM);
                      });
                  }),
              130);
    signaller.join();
    const Json json = jsonResult(out);
    EXPECT_EQ(json["outcome"], "interrupted");
    EXPECT_EQ(json["exit_status"], 130);
    EXPECT_TRUE(json["working_directory"].is_null());
    EXPECT_EQ("upgrade-cli: " + json["failure"]["reason"].get<std::string>(), kStopped) << json.dump();
}

TEST_F(PhaseCliTest, JsonUsageErrorsOfTheFirewallCommands) {
    // A value the parser refuses after --json was read.
    EXPECT_EQ(run("download", {"--json", "--host", "127.0.0.1", "--port", "70000", "--user", "admin"}), 2);
    Json json = jsonResult(out);
    EXPECT_EQ(json["command"], "download");
    EXPECT_EQ(json["outcome"], "usage");
    // An input the command refuses, and no password to be had.
    EXPECT_EQ(run("upload", join({"--json", "--workdir", scratch.file("missing")}, {loginAt(1)})), 2);
    EXPECT_EQ(jsonResult(out)["outcome"], "usage");
    EXPECT_EQ(run("download", join(loginAt(1), {{"--in", work.string(), "--json"}})), 2);
    json = jsonResult(out);
    EXPECT_TRUE(contains(json["failure"]["reason"].get<std::string>(), "no password")) << json.dump();
}

}  // namespace
}  // namespace phasetest
