// The two phases against two simulated firewalls: a whole upgrade, a stop after the download and a
// resume from the working directory, and what the new firewall receives, in which order and where.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "upgrade/phase_fixture.h"
#include "upgrade/upgrade_file_table.h"

namespace fs = std::filesystem;

namespace {

// The firewall paths the new firewall stored, in the order they arrived (from fwsim's request log).
std::vector<std::string> storedPaths(const std::string& simLog) {
    std::vector<std::string> paths;
    static const std::regex line("POST /upgrade/download1; (\\S+) -> 200");
    for (auto it = std::sregex_iterator(simLog.begin(), simLog.end(), line); it != std::sregex_iterator(); ++it)
        paths.push_back((*it)[1]);
    return paths;
}

class PhasesTest : public PhaseFixture {};

TEST_F(PhasesTest, AWholeUpgradeDownloadsConvertsMergesUploadsAndApplies) {
    startOld();
    startNew();
    ASSERT_EQ(download(), PhaseOutcome::Done) << ui.screen();
    const std::string workdir = lastWorkingDirectory;
    EXPECT_TRUE(std::regex_match(
        workdir,
        std::regex(workParent.string() + "/127\\.0\\.0\\.1-\\d\\d-[A-Z][a-z]{2}-\\d{4}-\\d\\d-\\d\\d-\\d\\d/")))
        << workdir;
    EXPECT_EQ(fs::status(workdir).permissions() & fs::perms::all, fs::perms::owner_all);
    // Downloaded files keep their content, binary ones included; absent optional ones are skipped.
    EXPECT_EQ(testsupport::readFile(workdir + "full-backup.tar.PRE60UPGRADE"), std::string("\0\1\2\3", 4));
    EXPECT_EQ(testsupport::readFile(workdir + "keys.conf.PRE60UPGRADE"), "key_1=abc\n");
    EXPECT_FALSE(fs::exists(workdir + "fw-authdb.save.PRE60UPGRADE"));
    const UpgradeFileTable& table = workflow.fileTable();
    EXPECT_EQ(table[0].status, UpgradeFile::kTransferred);
    EXPECT_EQ(table[4].status, UpgradeFile::kNotTransferred);
    EXPECT_TRUE(fs::exists(workdir + kConvertedConfigName));

    const std::string downloadLog = ui.screen();
    for (const char* line :
         {"Attempting to login...\r\nLogged in - firewall version 5.5\r\n", "Created new working directory: ",
          "Packaging any VPN Certs for download...\r\nDone.\r\n", "Retrieving files from old firewall...\r\n",
          "Critical file: /usr/local/etc/mgmt/kestrane.conf - Command OK\r\n",
          "Optional file: /usr/local/etc/fw-authdb.save - Command failed: File not found\r\n",
          "Download complete\r\nLogged out.\r\nStarting conversion...\r\n", "Converted file saved to "})
        EXPECT_NE(downloadLog.find(line), std::string::npos) << line;
    EXPECT_EQ(ui.events, (std::vector<std::string>{"begin busy", "login time-out stopped", "phase time-out stopped",
                                                   "end busy: next", "progress complete", "phase finished"}));
    EXPECT_TRUE(ui.messages().empty());

    ui.events.clear();
    ASSERT_EQ(upload(), PhaseOutcome::Done) << ui.screen();
    EXPECT_EQ(ui.events, (std::vector<std::string>{"begin busy", "login time-out stopped", "phase time-out stopped",
                                                   "end busy: next", "progress complete", "phase finished"}));
    const std::string log = logFile();
    for (const char* line :
         {"Logged in - firewall version KF6.0\n", "Retrieving kestrane.conf from new firewall...\nDone\n",
          "Merged file saved to ", "Copying files up to new firewall...\n", "Upload complete\n",
          "Unpackaging VPN certs and user databases...\nDone.\n",
          "Firewall configuration upgrade complete!\nNew configuration applied successfully!\n"
          "Please reboot the firewall before using it!\nLogged out.\n"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    // The new firewall restored the database the old one packaged, and installed the final
    // configuration, keeping its initial one beside it.
    EXPECT_EQ(testsupport::readFile(onFirewall(newRoot, "/usr/local/etc/mgmt/tovad-authdb")), "admin:x\n");
    EXPECT_EQ(testsupport::readFile(onFirewall(newRoot, "/usr/local/etc/mgmt/kestrane.conf.previous")),
              testsupport::readFile(workdir + kNewInitConfigName));
    EXPECT_EQ(testsupport::readFile(onFirewall(newRoot, "/usr/local/etc/mgmt/kestrane.conf")),
              testsupport::readFile(workdir + kFinalConfigName));
    EXPECT_FALSE(workflow.loggedIn());
}

TEST_F(PhasesTest, TheFinalConfigurationGoesFirstThenTheSavedFilesToTheirPlaces) {
    startOld();
    startNew({"--fail", "updateconf"});  // keeps kestrane.conf.new where it arrived
    ASSERT_EQ(download(), PhaseOutcome::Done) << ui.screen();
    ASSERT_EQ(upload(), PhaseOutcome::Failed);
    EXPECT_EQ(storedPaths(newSim.log()),
              (std::vector<std::string>{
                  "/usr/local/etc/mgmt/kestrane.conf.new", "/usr/local/etc/mgmt/upgrade/kestrane.conf.PRE60UPGRADE",
                  "/usr/local/etc/mgmt/upgrade/authlist.txt", "/usr/local/etc/mgmt/upgrade/extrafiles.txt",
                  "/usr/local/etc/mgmt/tovad-authdb.save", "/usr/local/etc/mgmt/upgrade/keys.conf.PRE60UPGRADE",
                  "/usr/local/etc/mgmt/upgrade/netperm-table.PRE60UPGRADE",
                  "/usr/local/etc/mgmt/upgrade/kvpn_certs.tar.PRE60UPGRADE",
                  "/usr/local/etc/mgmt/upgrade/kvpn_cert_status.conf.PRE60UPGRADE",
                  "/usr/local/etc/mgmt/upgrade/full-backup.tar.PRE60UPGRADE"}));
    EXPECT_EQ(testsupport::readFile(onFirewall(newRoot, "/usr/local/etc/mgmt/kestrane.conf.new")),
              testsupport::readFile(lastWorkingDirectory + kFinalConfigName));
    EXPECT_EQ(testsupport::readFile(onFirewall(newRoot, "/usr/local/etc/mgmt/upgrade/full-backup.tar.PRE60UPGRADE")),
              std::string("\0\1\2\3", 4));
    // A database saved by the old firewall's packaging goes back to its own path.
    EXPECT_EQ(testsupport::readFile(onFirewall(newRoot, "/usr/local/etc/mgmt/tovad-authdb.save")), "admin:x\n");
}

TEST_F(PhasesTest, TransfersReportTheFileAndTheBytesMovedSoFar) {
    ASSERT_TRUE(testsupport::writeFile(onFirewall(oldRoot, "/tmp/full-backup.tar"), std::string(3 << 20, 'b')));
    startOld();
    ASSERT_EQ(download(), PhaseOutcome::Done) << ui.screen();
    long long lastBytes = 0;
    int byteReports = 0;
    for (const ProgressReport& report : ui.reports) {
        if (report.step != "Downloading files" || report.item != "/tmp/full-backup.tar") continue;
        EXPECT_EQ(report.done, 12);
        EXPECT_EQ(report.total, 13);
        EXPECT_GE(report.bytes, lastBytes);  // never falls within a file
        lastBytes = report.bytes;
        byteReports += report.bytes > 0 ? 1 : 0;
    }
    // A 3 MiB file is seen moving: reports every 256 KiB, not one per network read.
    EXPECT_GE(byteReports, 8);
    EXPECT_LE(byteReports, 16);
    EXPECT_GE(lastBytes, (3 << 20) - (256 << 10));
    EXPECT_EQ(ui.reports.back().step, "Saving the converted configuration");
}

TEST_F(PhasesTest, StopAfterTheDownloadAndResumeFromTheWorkingDirectory) {
    startOld();
    ASSERT_EQ(download(), PhaseOutcome::Done) << ui.screen();
    const std::string workdir = lastWorkingDirectory;
    workflow.closeWarnings();
    workflow.restart();  // the administrator chose to stop; the program ends

    startNew();
    PhaseUi laterUi;
    UpgradeWorkflow later(laterUi);
    later.templateName = workflow.templateName;
    later.newLogin = workflow.newLogin;
    later.newLogin.port = newSim.port();
    ASSERT_TRUE(later.openWorkingDirectory(workdir + kSavedOldConfigName));
    PhaseOutcome outcome = later.runUploadPhase();
    if (outcome == PhaseOutcome::PairingRequired) outcome = later.finishUploadPhase(PairingOutcome::Closed);
    ASSERT_EQ(outcome, PhaseOutcome::Done) << laterUi.screen();

    const std::string screen = laterUi.screen();
    EXPECT_EQ(screen.find("Using working directory: " + workdir + "\r\n"), 0u);
    EXPECT_NE(screen.find("Resuming previous upgrade...\r\nLocating files...\r\nStarting conversion..."),
              std::string::npos);
    // The resumed run appends to the log of the first one.
    const std::string log = testsupport::readFile(workdir + kLogFileName);
    const std::size_t first = log.find("Upgrade Wizard started");
    const std::size_t resumed =
        log.find("Upgrade Wizard resuming previous upgrade.\n\nNow loading old configuration data\n");
    EXPECT_NE(first, std::string::npos);
    EXPECT_NE(resumed, std::string::npos);
    EXPECT_LT(first, resumed);
    // Only the files found in the working directory are uploaded.
    EXPECT_EQ(later.fileTable()[6].status, UpgradeFile::kTransferred);
    EXPECT_EQ(later.fileTable()[4].status, UpgradeFile::kNotTransferred);
    EXPECT_EQ(testsupport::readFile(onFirewall(newRoot, "/usr/local/etc/mgmt/kestrane.conf")),
              testsupport::readFile(workdir + kFinalConfigName));
}

}  // namespace
