// The exit statuses of upgrade-cli download, upload and run, and where their passwords come from:
// a firewall of the wrong generation or a wrong password fails the upgrade (1, the message last on
// standard error), a --pair that does not fit or a missing password is a usage error (2), interfaces
// that nobody can pair stop the upload (3).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "phase_fixture.h"

namespace phasetest {
namespace {

using testsupport::readFile;

const std::string kOldPasswordVariable = std::string("UPGRADE_PASSWORD=") + kOldPassword;
const std::string kNewPasswordVariable = std::string("UPGRADE_PASSWORD=") + kNewPassword;

TEST_F(PhaseCliTest, AFirewallOfTheWrongGenerationFailsThePhaseWithItsMessageLast) {
    startOld();
    startNew();
    // The download phase talks to a 5.x firewall only: nothing is made.
    EXPECT_EQ(run("download", join(loginOf(newSim), {{"--in", work.string()}}), {kNewPasswordVariable}), 1);
    EXPECT_EQ(lastLine(err), kOldIsNew) << err;
    EXPECT_EQ(out.find("Working directory:"), std::string::npos) << out;
    EXPECT_TRUE(fs::is_empty(work));

    // The upload phase talks to a 6.0 firewall only; the working directory stays as it was for a retry.
    const std::string directory = savedWorkingDirectory();
    EXPECT_EQ(run("upload", join({"--workdir", directory}, {loginOf(oldSim)}), {kOldPasswordVariable}), 1);
    EXPECT_EQ(lastLine(err), kNewIsNotNew) << err;
    EXPECT_EQ(workingDirectory(), directory) << out;
    EXPECT_EQ(readFile(fs::path(directory) / "kestrane.conf.PRE60UPGRADE"), readFile(kOldConfig));
    EXPECT_TRUE(endsWith(readFile(fs::path(directory) / "5xto60.log"), "Upgrade Wizard shut down normally\n"));
}

TEST_F(PhaseCliTest, AWrongPasswordFailsTheLogin) {
    startOld();
    EXPECT_EQ(run("download", join(loginOf(oldSim), {{"--in", work.string()}}), {"UPGRADE_PASSWORD=wrong"}), 1);
    EXPECT_EQ(lastLine(err), kLoginFailed) << err;
    EXPECT_NE(out.find("Attempting to login...\nLogin failed\n"), std::string::npos) << out;
    EXPECT_TRUE(fs::is_empty(work));
}

TEST_F(PhaseCliTest, ThePasswordFileComesBeforeTheEnvironmentAndMustBeARegularFile) {
    startOld();
    const Args download = join(loginOf(oldSim), {{"--in", work.string()}});
    // Only the first line counts, without its line end (CR LF included).
    const std::string passwordFile = file("old.pw", std::string(kOldPassword) + "\r\nsecond line\n");
    EXPECT_EQ(run("download", join(download, {{"--password-file", passwordFile}}), {"UPGRADE_PASSWORD=wrong"}), 0)
        << err;
    EXPECT_EQ(run("download", join(download, {{"--password-file", scratch.file("missing.pw")}})), 2);
    EXPECT_NE(err.find("cannot read the password file"), std::string::npos) << err;
    EXPECT_EQ(run("download", join(download, {{"--password-file", work.string()}})), 2);
    EXPECT_NE(err.find("is not a regular file"), std::string::npos) << err;
}

TEST_F(PhaseCliTest, WithoutAPasswordSourceOrATerminalNothingIsTried) {
    startOld();
    EXPECT_EQ(run("download", join(loginOf(oldSim), {{"--in", work.string()}})), 2);
    EXPECT_NE(err.find("no password for admin@127.0.0.1: give --password-file, set UPGRADE_PASSWORD"),
              std::string::npos)
        << err;
    startNew();
    // run takes both passwords before anything starts: the new one is missing here.
    EXPECT_EQ(run("run", join(loginOf(oldSim, "old-"), {loginOf(newSim, "new-"), {"--in", work.string()}}),
                  {std::string("UPGRADE_OLD_PASSWORD=") + kOldPassword}),
              2);
    EXPECT_NE(err.find("give --new-password-file, set UPGRADE_NEW_PASSWORD"), std::string::npos) << err;
    EXPECT_EQ(out, "");
    EXPECT_TRUE(fs::is_empty(work));
    // The simulator logged only that it listens: nobody connected.
    const std::string simLog = oldSim.log();
    EXPECT_EQ(std::count(simLog.begin(), simLog.end(), '\n'), 1) << simLog;
}

TEST_F(PhaseCliTest, UsageErrorsExitWithTwoBeforeAnyFirewallIsContacted) {
    const std::string directory = savedWorkingDirectory();
    const Args upload = join({"--workdir", directory}, {loginAt(1)});
    EXPECT_EQ(run("upload", join(upload, {{"--pair", "eth0"}}), {kNewPasswordVariable}), 2);
    EXPECT_NE(err.find("--pair eth0: expected OLDDEV=NEWDEV"), std::string::npos) << err;
    EXPECT_EQ(run("upload", upload, {kNewPasswordVariable, "UPGRADE_LOGIN_TIMEOUT=soon"}), 2);
    EXPECT_NE(err.find("UPGRADE_LOGIN_TIMEOUT=soon is not a positive number of seconds"), std::string::npos) << err;
    EXPECT_EQ(run("upload", join({"--workdir", scratch.file("missing")}, {loginAt(1)}), {kNewPasswordVariable}), 2);
    EXPECT_NE(err.find("cannot use the working directory"), std::string::npos) << err;
    EXPECT_EQ(run("upload", join({"--workdir", work.string()}, {loginAt(1)}), {kNewPasswordVariable}), 2);
    EXPECT_NE(err.find("holds no saved old configuration"), std::string::npos) << err;
    fs::permissions(directory, fs::perms::group_write, fs::perm_options::add);
    EXPECT_EQ(run("upload", upload, {kNewPasswordVariable}), 2);
    EXPECT_NE(err.find("can be written by other users"), std::string::npos) << err;
    EXPECT_EQ(run("download", join(loginAt(1), {{"--in", scratch.file("missing")}}), {kOldPasswordVariable}), 2);
    EXPECT_NE(err.find("not a directory"), std::string::npos) << err;
    EXPECT_EQ(out, "");
}

TEST_F(PhaseCliTest, InterfacesThatCannotBePairedByAddressNeedPairsOrATerminal) {
    startNew(kReaddressedConfig);
    const std::string directory = savedWorkingDirectory();
    const Args upload = join({"--workdir", directory}, {loginOf(newSim)});
    const fs::path uploaded = newRoot / "usr/local/etc/mgmt/kestrane.conf.new";

    // Nobody to ask: both lists, and nothing goes to the new firewall.
    EXPECT_EQ(run("upload", upload, {kNewPasswordVariable}), 3);
    EXPECT_NE(err.find("upgrade-cli upload: the interfaces cannot all be paired by address"), std::string::npos) << err;
    EXPECT_NE(err.find("  eth0 - 198.51.100.10 - outside  (no partner)\n"), std::string::npos) << err;
    EXPECT_EQ(workingDirectory(), directory) << out;
    EXPECT_FALSE(fs::exists(uploaded));

    // A pair that names no interface of the new firewall is a usage error.
    EXPECT_EQ(run("upload", join(upload, {{"--pair", "eth0=ext0", "--pair", "eth1=int0", "--pair", "eth2=dmz9"}}),
                  {kNewPasswordVariable}),
              2);
    EXPECT_NE(err.find("upgrade-cli upload: --pair eth2=dmz9: the new firewall has no interface dmz9"),
              std::string::npos)
        << err;
    EXPECT_FALSE(fs::exists(uploaded));

    EXPECT_EQ(run("upload", join(upload, {{"--pair", "eth0=ext0", "--pair", "eth1=int0", "--pair", "eth2=dmz0"}}),
                  {kNewPasswordVariable}),
              0)
        << err;
    const std::string final = readFile(fs::path(directory) / "kestrane.conf.6FINAL");
    EXPECT_NE(final.find("ext0"), std::string::npos);
    EXPECT_TRUE(newFirewallReceived(final));
}

}  // namespace
}  // namespace phasetest
