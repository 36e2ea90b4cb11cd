// upgrade-cli run, download and upload end to end against two fwsim firewalls: a whole upgrade in one
// process, and the same upgrade stopped after the download and resumed from its working directory.
#include <gtest/gtest.h>

#include <string>

#include "phase_fixture.h"

namespace phasetest {
namespace {

using testsupport::readFile;

TEST_F(PhaseCliTest, RunUpgradesTheOldFirewallsConfigurationOntoTheNewFirewall) {
    startOld();
    startNew();
    ASSERT_EQ(
        run("run", join(loginOf(oldSim, "old-"), {loginOf(newSim, "new-"), {"--in", work.string()}}),
            {std::string("UPGRADE_OLD_PASSWORD=") + kOldPassword, std::string("UPGRADE_NEW_PASSWORD=") + kNewPassword}),
        0)
        << err;
    EXPECT_EQ(err, "");

    const std::string directory = workingDirectory();
    ASSERT_EQ(fs::path(directory).parent_path(), work) << out;
    const std::string final = readFile(fs::path(directory) / "kestrane.conf.6FINAL");
    EXPECT_TRUE(newFirewallReceived(final));
    EXPECT_EQ(readFile(newRoot / "usr/local/etc/mgmt/upgrade/kestrane.conf.PRE60UPGRADE"), readFile(kOldConfig));

    // One log for both phases, with the conversion kept in memory between them (no resume).
    const std::string log = readFile(fs::path(directory) / "5xto60.log");
    EXPECT_EQ(log.rfind("Upgrade Wizard started\n", 0), 0u) << log;
    EXPECT_NE(log.find("Logged in - firewall version KF6.0\n"), std::string::npos) << log;
    EXPECT_NE(log.find("New configuration applied successfully!\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("Resuming previous upgrade..."), std::string::npos) << log;
    EXPECT_TRUE(endsWith(log, "Upgrade Wizard shut down normally\n")) << log;

    // Standard output mirrors the log, then the warnings with their file, then the directory.
    EXPECT_NE(out.find("Logged in - firewall version 5.5\nCreated new working directory: " + directory + "\n"),
              std::string::npos)
        << out;
    // The file's lines end in CR LF; standard output's end in LF, like every other line there.
    std::string warnings = readFile(fs::path(directory) / "warnings.txt");
    EXPECT_FALSE(warnings.empty());
    std::erase(warnings, '\r');
    EXPECT_NE(out.find("The following information may also be found in\nthe file: " + directory + "/warnings.txt\n\n" +
                       warnings + "Working directory: " + directory + "\n"),
              std::string::npos)
        << out;
}

TEST_F(PhaseCliTest, DownloadThenUploadResumesTheUpgradeFromItsWorkingDirectory) {
    startOld();
    const std::string passwordFile = file("old.pw", std::string(kOldPassword) + "\n");
    ASSERT_EQ(run("download", join(loginOf(oldSim), {{"--password-file", passwordFile, "--in", work.string()}})), 0)
        << err;
    const fs::path directory = workingDirectory();
    ASSERT_EQ(directory.parent_path(), work) << out;
    EXPECT_EQ(readFile(directory / "kestrane.conf.PRE60UPGRADE"), readFile(kOldConfig));
    EXPECT_FALSE(readFile(directory / "kestrane.conf.5xCONVERT").empty());
    EXPECT_FALSE(fs::exists(directory / "kestrane.conf.6FINAL"));
    EXPECT_TRUE(endsWith(readFile(directory / "5xto60.log"), "Upgrade Wizard shut down normally\n"));
    EXPECT_NE(
        out.find("The following information may also be found in\nthe file: " + directory.string() + "/warnings.txt\n"),
        std::string::npos)
        << out;
    oldSim.stop();

    startNew();
    ASSERT_EQ(run("upload", join({"--workdir", directory.string()}, {loginOf(newSim)}),
                  {std::string("UPGRADE_PASSWORD=") + kNewPassword}),
              0)
        << err;
    EXPECT_EQ(workingDirectory(), directory.string());
    EXPECT_TRUE(newFirewallReceived(readFile(directory / "kestrane.conf.6FINAL")));
    const std::string log = readFile(directory / "5xto60.log");
    EXPECT_NE(log.find("Upgrade Wizard shut down normally\nUpgrade Wizard resuming previous upgrade.\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Resuming previous upgrade...\n"), std::string::npos) << log;
    EXPECT_TRUE(endsWith(log, "Upgrade Wizard shut down normally\n")) << log;
}

}  // namespace
}  // namespace phasetest
