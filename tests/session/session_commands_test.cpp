// MgmtSession's commands against the simulator: login, version, confirmation and lock, actions,
// result texts, and what each command does without a connection.
#include <gtest/gtest.h>

#include "lib/fwall/mgmt.h"
#include "tests/session/session_fixture.h"

namespace fs = std::filesystem;

namespace {

using Commands = SessionFixture;

TEST(SessionResultText, EveryCodeHasItsText) {
    EXPECT_STREQ(MgmtSession::result_text(200), "Command OK");
    EXPECT_STREQ(MgmtSession::result_text(401), "Command failed: Strong auth not supported");
    EXPECT_STREQ(MgmtSession::result_text(404), "Command failed: File not found");
    EXPECT_STREQ(MgmtSession::result_text(-2), "Command failed: Connection timed out");
    EXPECT_STREQ(MgmtSession::result_text(-1), "Command failed: Unknown error (connection closed?)");
    for (int other : {407, 500, 0, 499, -3, 201})
        EXPECT_STREQ(MgmtSession::result_text(other), "Command failed: Unknown error") << other;
}

TEST(SessionWithoutConnection, CommandsReportNoConnectionAndLoginNeedsEveryTargetValue) {
    MgmtSession s;
    std::string v;
    EXPECT_EQ(s.get_version(&v), -1);
    EXPECT_EQ(s.confirm_auth(), -1);
    EXPECT_EQ(s.fetch_file("/a", "/tmp/never-written", true), -1);
    EXPECT_FALSE(fs::exists("/tmp/never-written"));
    EXPECT_EQ(s.send_file("/etc/hostname", "/a", false), -1);
    EXPECT_EQ(s.run_action(MgmtAction::PackCerts), -1);

    EXPECT_FALSE(s.login());  // no target at all
    for (auto [host, port, user, pw] :
         std::vector<std::tuple<const char*, unsigned, const char*, const char*>>{{"127.0.0.1", 8004, "admin", ""},
                                                                                  {"127.0.0.1", 8004, "admin", nullptr},
                                                                                  {"127.0.0.1", 8004, "", "pw"},
                                                                                  {"", 8004, "admin", "pw"},
                                                                                  {"127.0.0.1", 0, "admin", "pw"}}) {
        s.set_target(host, port, user, pw);
        EXPECT_FALSE(s.login());
        EXPECT_EQ(MgmtSession::connection(), nullptr) << "no record may be made without complete target data";
    }
}

TEST(SessionWithoutConnection, LoginToAPortWithoutServiceFails) {
    // Take a free port and release it, so that nothing listens there.
    testsupport::ScratchDir dir;
    unsigned port;
    {
        fwsim::FwsimProcess probe;
        std::string error;
        fs::create_directories(dir / "r");
        ASSERT_TRUE(probe.start(simtest::fwsim_program(), {"--root", (dir / "r").string(), "--password", "x"},
                                dir.path(), error));
        port = probe.port();
    }
    MgmtSession s;
    s.set_target("127.0.0.1", port, "admin", "pw");
    EXPECT_FALSE(s.login());
    EXPECT_EQ(s.run_action(MgmtAction::PackCerts), -1);
}

TEST_F(Commands, LoginReadsTheVersionTextAfterTheEqualsSign) {
    start({"--version", "KF6.0 \t"});
    MgmtSession s;
    aim(s);
    ASSERT_TRUE(s.login()) << sim.log();
    EXPECT_EQ(s.version_text(), "KF6.0");
    std::string v = "old";
    EXPECT_EQ(s.get_version(&v), 200);
    EXPECT_EQ(v, "KF6.0");
    EXPECT_EQ(s.get_version(nullptr), -2);
    EXPECT_NE(MgmtSession::connection(), nullptr);
    EXPECT_EQ(MgmtSession::connection()->password, nullptr) << "the password is gone once the keys are made";
}

TEST_F(Commands, WrongPasswordOrUserFailsTheLoginAndLeavesNoUsableConnection) {
    start();
    MgmtSession s;
    aim(s, "wrong");
    EXPECT_FALSE(s.login());
    EXPECT_EQ(s.run_action(MgmtAction::PackCerts), -1);
    s.set_target("127.0.0.1", sim.port(), "somebody", "pw");
    EXPECT_FALSE(s.login());
    EXPECT_TRUE(sim.wait_for_log("unknown user somebody")) << sim.log();
    aim(s);
    EXPECT_TRUE(s.login()) << "a failed login does not spoil the next one";
}

TEST_F(Commands, WelcomeWithoutPrivacyOrIntegrityFailsTheLoginWithoutSendingARequest) {
    // Integrity 0 announced, or not announced at all (the client then keeps its 0).
    for (std::vector<std::string> args :
         {std::vector<std::string>{"--privacy", "0", "--integrity", "0"}, std::vector<std::string>{"--privacy", "0"}}) {
        start(args);
        MgmtSession s;
        aim(s);
        EXPECT_FALSE(s.login());
        EXPECT_EQ(s.version_text(), "");
        EXPECT_EQ(s.run_action(MgmtAction::PackCerts), -1);
        sim.stop();
        EXPECT_EQ(sim.log().find("GET"), std::string::npos) << sim.log();
    }
}

TEST_F(Commands, VersionFiveTakesTheLockAndAHeldLockAnswers404) {
    start({"--version", "5.5", "--lock-held"});
    MgmtSession s;
    aim(s);
    ASSERT_TRUE(s.login());
    EXPECT_EQ(s.confirm_auth(), 404);
    EXPECT_STREQ(MgmtSession::result_text(404), "Command failed: File not found");
    EXPECT_TRUE(sim.wait_for_log("GET /realgui/getauthconfirm; -> 200"));
    EXPECT_TRUE(sim.wait_for_log("GET /realgui/getconfiglock; -> 404 (lock held)"));
}

TEST_F(Commands, LetterBeforeTheFiveConfirmsTheOldWayButTakesNoLock) {
    start({"--version", "V5.6", "--lock-held"});
    MgmtSession s;
    aim(s);
    ASSERT_TRUE(s.login());
    EXPECT_EQ(s.confirm_auth(), 200);
    s.logout();
    ASSERT_TRUE(sim.wait_for_log("closed"));
    EXPECT_NE(sim.log().find("GET /realgui/getauthconfirm; -> 200"), std::string::npos);
    EXPECT_EQ(sim.log().find("getconfiglock"), std::string::npos);
}

TEST_F(Commands, VersionSixConfirmsTheNewWay) {
    start({"--version", "KF6.0"});
    MgmtSession s;
    aim(s);
    ASSERT_TRUE(s.login());
    EXPECT_EQ(s.confirm_auth(), 200);
    EXPECT_TRUE(sim.wait_for_log("GET /gui/getauthconfirm; -> 200"));
}

TEST_F(Commands, ActionsReportTheFirewallsAnswer) {
    // An empty certificate archive, so that unpacking it succeeds.
    ASSERT_TRUE(testsupport::writeFile(firewall_file("/usr/local/etc/mgmt/upgrade/kvpn_certs.tar.PRE60UPGRADE"), ""));
    start({"--fail", "updateconf", "--fail", "packcerts"});
    MgmtSession s;
    aim(s);
    ASSERT_TRUE(s.login());
    EXPECT_EQ(s.run_action(MgmtAction::PackCerts), 500);
    EXPECT_EQ(s.run_action(MgmtAction::UnpackCerts), 200);
    EXPECT_EQ(s.run_action(MgmtAction::UpdateConf), 500);
    EXPECT_STREQ(MgmtSession::result_text(500), "Command failed: Unknown error");
    EXPECT_TRUE(sim.wait_for_log("GET /upgrade/updateconf; -> 500"));
}

TEST_F(Commands, AfterDisconnectCommandsFailAndAfterLogoutNoRecordRemains) {
    start();
    MgmtSession s;
    aim(s);
    ASSERT_TRUE(s.login());
    s.disconnect();
    EXPECT_EQ(s.version_text(), "");
    EXPECT_NE(MgmtSession::connection(), nullptr);
    EXPECT_EQ(s.run_action(MgmtAction::PackCerts), -1);
    EXPECT_EQ(s.fetch_file("/x", (dir / "x").c_str(), true), -1);
    s.logout();
    EXPECT_EQ(MgmtSession::connection(), nullptr);
    EXPECT_EQ(s.run_action(MgmtAction::PackCerts), -1);
    s.logout();  // twice is harmless
}

TEST_F(Commands, ANewSessionStartsWithoutTheConnectionOfAnEarlierOne) {
    start();
    MgmtSession first;
    aim(first);
    ASSERT_TRUE(first.login());
    MgmtSession second;
    EXPECT_EQ(MgmtSession::connection(), nullptr);
    EXPECT_EQ(first.run_action(MgmtAction::PackCerts), -1);
    EXPECT_TRUE(sim.wait_for_log("closed")) << "the earlier connection is closed, not leaked";
}

TEST_F(Commands, FirewallThatDropsTheConnectionMidSessionGivesMinusOne) {
    start({"--max-connections", "1"});
    MgmtSession s;
    aim(s);
    ASSERT_TRUE(s.login());
    sim.stop();
    EXPECT_EQ(s.run_action(MgmtAction::UnpackCerts), -1);
    EXPECT_STREQ(MgmtSession::result_text(-1), "Command failed: Unknown error (connection closed?)");
}

TEST_F(Commands, ALocalFileThatCannotBeReadToItsEndIsNotHandedOverAsWhole) {
    start();
    MgmtSession s;
    aim(s);
    ASSERT_TRUE(s.login());
    // A directory opens like a file but fails on the first read.
    fs::create_directories(dir / "unreadable");
    EXPECT_EQ(s.send_file((dir / "unreadable").c_str(), "/etc/target", true), -1);
    EXPECT_TRUE(sim.wait_for_log("closed")) << sim.log();
    EXPECT_EQ(sim.log().find("download2"), std::string::npos) << "the unfinished message never reached the firewall";
    EXPECT_FALSE(fs::exists(firewall_file("/etc/target")));
    EXPECT_EQ(s.run_action(MgmtAction::PackCerts), -1);
}

}  // namespace
