// How each failing step of the phases ends: its log lines, the message shown (by its string id), what
// is restarted, and that every file of the working directory is left in place and complete.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "upgrade/phase_fixture.h"
#include "upgrade/upgrade_strings.h"

namespace fs = std::filesystem;

namespace {

class PhaseFailuresTest : public PhaseFixture {
protected:
    // The only message shown, and the failure it left.
    void expectFailure(int stringId, const std::string& text) {
        EXPECT_EQ(ui.messages(), std::vector<std::string>{text});
        EXPECT_EQ(workflow.failure().stringId, stringId);
        EXPECT_EQ(workflow.failure().text, text);
        EXPECT_EQ(ui.events.back(), "phase finished");
        EXPECT_NE(std::find(ui.events.begin(), ui.events.end(), "end busy: back"), ui.events.end());
        EXPECT_FALSE(workflow.loggedIn());
    }
    // A download that failed: the run restarted, its directory stays with a log that was closed.
    void expectDownloadRestarted() {
        EXPECT_TRUE(workflow.workingDirectory().empty());
        EXPECT_EQ(workflow.processor(), nullptr);
        if (!lastWorkingDirectory.empty() && fs::exists(lastWorkingDirectory + kLogFileName)) {
            const std::string log = logFile();
            EXPECT_TRUE(log.ends_with("Upgrade Wizard shut down normally\n")) << log;
        }
    }
    // Both phases up to the upload's failure.
    PhaseOutcome downloadThenUpload() {
        if (download() != PhaseOutcome::Done) return PhaseOutcome::Failed;
        return upload();
    }
};

TEST_F(PhaseFailuresTest, AnOldFirewallThatIsAlready60IsRefused) {
    startOld({"--version", "KF6.0"});
    ASSERT_EQ(download(), PhaseOutcome::Failed);
    expectFailure(107, formatUpgradeString(107));
    EXPECT_NE(ui.screen().find("Error: Attempted login to Kestrane 6.0 firewall\r\nThis phase of upgrade only "
                               "supports login to\r\nthe 5.x generation of firewall products.\r\nLogin cancelled\r\n"
                               "Logged out.\r\n"),
              std::string::npos)
        << ui.screen();
    EXPECT_TRUE(fs::is_empty(workParent));  // no working directory was made
    expectDownloadRestarted();
}

TEST_F(PhaseFailuresTest, ANewFirewallThatIsNot60IsRefusedKeepingTheWorkingDirectory) {
    startOld();
    startNew({"--version", "5.6"});
    ASSERT_EQ(downloadThenUpload(), PhaseOutcome::Failed);
    expectFailure(108, formatUpgradeString(108));
    EXPECT_NE(ui.screen().find("Error: Attempted login to non-Kestrane 6.0 firewall\r\nThis phase of upgrade requires "
                               "you to login to\r\na Kestrane 6.0 firewall.\r\nLogin cancelled\r\n"),
              std::string::npos);
    // Nothing was restarted: the conversion stays for a retry.
    EXPECT_EQ(workflow.workingDirectory(), lastWorkingDirectory);
    EXPECT_NE(workflow.processor(), nullptr);
}

TEST_F(PhaseFailuresTest, AWrongPasswordOrAnEmptyOneEndsTheLogin) {
    startOld();
    workflow.oldLogin.password = "wrong";
    ASSERT_EQ(download(), PhaseOutcome::Failed);
    expectFailure(118, formatUpgradeString(118));
    EXPECT_NE(ui.screen().find("Attempting to login...\r\nLogin failed\r\n"), std::string::npos);
    expectDownloadRestarted();

    workflow.oldLogin.password.clear();
    EXPECT_EQ(download(), PhaseOutcome::Failed);
    EXPECT_EQ(workflow.failure().stringId, 118);
    EXPECT_TRUE(fs::is_empty(workParent));
}

TEST_F(PhaseFailuresTest, ARefusedLockEndsTheLogin) {
    startOld({"--lock-held"});
    ASSERT_EQ(download(), PhaseOutcome::Failed);
    expectFailure(119, formatUpgradeString(119));
    EXPECT_NE(ui.screen().find("Logged in - firewall version 5.5\r\nFailed to acquire lock on firewall - is there "
                               "another GUI running?\r\nLogged out.\r\n"),
              std::string::npos);
    EXPECT_TRUE(fs::is_empty(workParent));
}

TEST_F(PhaseFailuresTest, AMissingOrDroppedCriticalFileEndsTheDownload) {
    fs::remove(onFirewall(oldRoot, "/usr/local/etc/mgmt/kestrane.conf"));
    startOld();
    ASSERT_EQ(download(), PhaseOutcome::Failed);
    expectFailure(111, formatUpgradeString(111, "/usr/local/etc/mgmt/kestrane.conf"));
    EXPECT_NE(logFile().find("Critical file: /usr/local/etc/mgmt/kestrane.conf - Command failed: File not found\n"
                             "Aborting download!\nReceived '404' error during download of critical file\n"
                             "Unable to continue with upgrade until problem is resolved\nLogged out.\n"),
              std::string::npos)
        << logFile();
    EXPECT_FALSE(fs::exists(lastWorkingDirectory + kSavedOldConfigName));
    expectDownloadRestarted();
}

TEST_F(PhaseFailuresTest, AConnectionDroppedDuringTheCriticalDownloadLeavesNoPartialFile) {
    startOld({"--drop", "/usr/local/etc/mgmt/kestrane.conf"});
    ASSERT_EQ(download(), PhaseOutcome::Failed);
    EXPECT_EQ(workflow.failure().stringId, 111);
    EXPECT_NE(logFile().find("Command failed: Unknown error (connection closed?)\nAborting download!\nReceived '-1'"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(lastWorkingDirectory + kSavedOldConfigName));
    expectDownloadRestarted();
}

TEST_F(PhaseFailuresTest, PackAndUnpackFailuresAreWarningsAndTheUpgradeGoesOn) {
    startOld({"--fail", "packcerts"});
    startNew({"--fail", "unpackcerts"});
    ASSERT_EQ(downloadThenUpload(), PhaseOutcome::Done) << ui.screen();
    EXPECT_EQ(ui.messages(), (std::vector<std::string>{formatUpgradeString(110), formatUpgradeString(114)}));
    const std::string screen = ui.screen();
    EXPECT_NE(screen.find("Problem packaging user databases and/or firewall\r\nVPN certs. - if you have VPN "
                          "installed, then you\r\nmay need to transfer your certs to the new firewall\r\nmanually. "
                          "Do this before erasing old firewall.\r\nContinuing...\r\n"),
              std::string::npos);
    EXPECT_NE(screen.find("Problem unpackaging user databases and/or VPN certs.\r\nConnection reports error code: "
                          "Command failed: Unknown error\r\nYou may need to transfer and unpackage these files\r\n"
                          "on the new firewall manually.\r\nContinuing...\r\nApplying new configuration"),
              std::string::npos);
    EXPECT_EQ(workflow.failure().text, "");
}

TEST_F(PhaseFailuresTest, AFailedApplyKeepsTheWorkingDirectoryForARetry) {
    startOld();
    startNew({"--fail", "updateconf"});
    ASSERT_EQ(downloadThenUpload(), PhaseOutcome::Failed);
    expectFailure(115, formatUpgradeString(115));
    EXPECT_NE(logFile().find("Problem applying new configuration. Connection reports\nerror code 500: Command failed: "
                             "Unknown error\nYou may need to try again or apply the changes manually.\nLogged out.\n"),
              std::string::npos);
    EXPECT_EQ(workflow.workingDirectory(), lastWorkingDirectory);
    for (const char* name : {kSavedOldConfigName, kConvertedConfigName, kNewInitConfigName, kFinalConfigName})
        EXPECT_GT(fs::file_size(lastWorkingDirectory + name), 0u) << name;
    // The firewall kept its configuration.
    EXPECT_EQ(testsupport::readFile(onFirewall(newRoot, "/usr/local/etc/mgmt/kestrane.conf")),
              testsupport::readFile(lastWorkingDirectory + kNewInitConfigName));
}

TEST_F(PhaseFailuresTest, ACriticalUploadThatIsRefusedOrDroppedEndsTheUpload) {
    startOld();
    startNew({"--drop", "/usr/local/etc/mgmt/kestrane.conf.new"});
    ASSERT_EQ(downloadThenUpload(), PhaseOutcome::Failed);
    const std::string final = lastWorkingDirectory + kFinalConfigName;
    expectFailure(113, formatUpgradeString(113, final));
    EXPECT_NE(logFile().find("Critical file: " + final +
                             " - Command failed: Unknown error (connection closed?)\n"
                             "Aborting upload!\nReceived '-1' error during upload of critical file\n"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(onFirewall(newRoot, "/usr/local/etc/mgmt/kestrane.conf.new")));
    EXPECT_EQ(workflow.workingDirectory(), lastWorkingDirectory);
}

TEST_F(PhaseFailuresTest, AFinalConfigurationMissingAtUploadFailsInsteadOfSendingNothing) {
    startOld();
    startNew();
    ASSERT_EQ(download(), PhaseOutcome::Done);
    ASSERT_TRUE(workflow.loginNewFirewall());
    ASSERT_TRUE(workflow.getNewConfig());
    ASSERT_TRUE(workflow.mergeConfigs());
    ASSERT_TRUE(workflow.postprocessConfigs());
    const std::string final = lastWorkingDirectory + kFinalConfigName;
    fs::remove(final);
    EXPECT_FALSE(workflow.uploadFiles());
    EXPECT_EQ(workflow.failure().stringId, 113);
    EXPECT_NE(logFile().find("Critical file: " + final +
                             " - Unable to read the file: No such file or directory\n"
                             "Aborting upload!\nUnable to continue with upgrade until problem is resolved\n"),
              std::string::npos)
        << logFile();
    EXPECT_EQ(newSim.log().find("kestrane.conf.new"), std::string::npos);  // nothing was sent
}

TEST_F(PhaseFailuresTest, ResumingFromADirectoryWithoutTheSavedConfigurationStops) {
    startNew();
    const std::string workdir = (dir / "empty").string() + "/";
    fs::create_directories(workdir);
    ASSERT_TRUE(testsupport::writeFile(workdir + "keys.conf.PRE60UPGRADE", "k\n"));
    ASSERT_TRUE(workflow.openWorkingDirectory(workdir + kSavedOldConfigName));
    EXPECT_EQ(upload(), PhaseOutcome::Failed);
    expectFailure(120, formatUpgradeString(120, workdir + kSavedOldConfigName));
    // The critical file is the first row: the search stops there.
    EXPECT_EQ(workflow.fileTable()[6].status, UpgradeFile::kNotTransferred);
    EXPECT_EQ(workflow.workingDirectory(), workdir);
}

TEST_F(PhaseFailuresTest, ANewFirewallWithoutAConfigurationEndsTheFetch) {
    fs::remove(onFirewall(newRoot, "/usr/local/etc/mgmt/kestrane.conf"));
    startOld();
    startNew();
    ASSERT_EQ(downloadThenUpload(), PhaseOutcome::Failed);
    expectFailure(112, formatUpgradeString(112));
    EXPECT_NE(logFile().find("Unable to retrieve file from new firewall!\nConnection reports code 404: Command failed: "
                             "File not found\nCannot continue with upgrade until this problem is resolved\n"),
              std::string::npos);
}

TEST_F(PhaseFailuresTest, AWorkingDirectoryThatCannotBeCreatedEndsTheLogin) {
    startOld();
    workflow.parentDirectory = (dir / "no-such-parent").string();
    ASSERT_EQ(download(), PhaseOutcome::Failed);
    const std::string path = (dir / "no-such-parent").string() + "/";
    EXPECT_EQ(workflow.failure().stringId, 109);
    EXPECT_TRUE(workflow.failure().text.starts_with("Unable to create directory " + path + "127.0.0.1-"));
    EXPECT_TRUE(workflow.failure().text.ends_with(" - No such file or directory"));
    EXPECT_NE(ui.screen().find("Unable to create directory: " + path + "127.0.0.1-"), std::string::npos);
    EXPECT_NE(ui.screen().find(" - errno=2: No such file or directory\r\nLogged out.\r\n"), std::string::npos);
}

}  // namespace
