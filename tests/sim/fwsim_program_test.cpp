// fwsim as a program: its command line, its log on standard error, how many connections it serves,
// and what it refuses over the wire.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "lib/fwall/mgmt.h"
#include "lib/fwall/mgmt_session.h"
#include "sim/launcher.h"
#include "sim/sim_options.h"
#include "tests/sim/fwsim_fixture.h"
#include "tests/sim/sim_test_support.h"

namespace fs = std::filesystem;
using fwsim::kMaxPasswordLine;
using testsupport::ScratchDir;

namespace {

class FwsimProgramTest : public FwsimFixture {
protected:
    void target(MgmtSession& s, const char* password = "pw") {
        s.set_target("127.0.0.1", sim.port(), "admin", password);
    }
};

TEST_F(FwsimProgramTest, HelpNamesEveryOptionAndExitsZero) {
    auto r = fwsim::run_program(simtest::fwsim_program(), {"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* opt :
         {"--root", "--listen", "--port", "--port-file", "--version", "--user", "--password", "--password-file",
          "--privacy", "--integrity", "--lock-held", "--fail", "--hang", "--drop", "--challenge", "--max-connections",
          "--max-concurrent", "--handshake-timeout", "--idle-timeout"})
        EXPECT_NE(r.output.find(opt), std::string::npos) << opt;
}

TEST_F(FwsimProgramTest, BadCommandLinesExitTwoWithAMessage) {
    std::string pwfile = (dir / "pw").string();
    testsupport::writeFile(pwfile, "pw\n");
    std::string r = root.string();
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--password", "pw"},                                          // no root
             {"--root", (dir / "missing").string(), "--password", "pw"},    // root does not exist
             {"--root", r},                                                 // no password
             {"--root", r, "--password", "pw", "--password-file", pwfile},  // both
             {"--root", r, "--password", "pw", "--privacy", "3"},
             {"--root", r, "--password", "pw", "--integrity", "2"},
             {"--root", r, "--password", "pw", "--fail", "reboot"},
             {"--root", r, "--password", "pw", "--port", "70000"},
             {"--root", r, "--password", ""},
             {"--root", r, "--password-file", (dir / "nofile").string()},
             {"--root", r, "--password", "pw", "--idle-timeout", "-1"},
             {"--root", r, "--password", "pw", "--listen", "999.1.1.1"},
         }) {
        auto result = fwsim::run_program(simtest::fwsim_program(), args);
        EXPECT_EQ(result.status, 2) << args[0] << " " << result.output;
        EXPECT_NE(result.output.find("fwsim: "), std::string::npos) << result.output;
    }
}

TEST_F(FwsimProgramTest, ListenAddressMustBeDottedIpv4) {
    auto result = fwsim::run_program(simtest::fwsim_program(), {"--root", root.string(), "--password", "pw", "--listen",
                                                                "localhost", "--port", "0"});
    EXPECT_EQ(result.status, 2);  // an address that does not parse is a usage error
    EXPECT_NE(result.output.find("not an IPv4 address: localhost"), std::string::npos) << result.output;
}

TEST_F(FwsimProgramTest, PasswordFileMustBeARegularFileWithAShortFirstLine) {
    const fs::path fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    testsupport::writeFile(dir / "long", std::string(kMaxPasswordLine + 1, 'x') + "\n");
    for (const auto& [file, message] : std::vector<std::pair<std::string, std::string>>{
             {fifo.string(), "is not a regular file"},  // nobody writes to it: it must not block
             {"/dev/zero", "is not a regular file"},    // it never ends: it must not be read
             {(dir / "long").string(), "is longer than 4096 bytes"},
         }) {
        auto result = fwsim::run_program(simtest::fwsim_program(), {"--root", root.string(), "--password-file", file},
                                         std::chrono::seconds(5));
        EXPECT_EQ(result.status, 2) << file << ": " << result.output;
        EXPECT_NE(result.output.find(message), std::string::npos) << result.output;
    }
    // A first line of the longest length allowed is taken (the program starts to listen).
    testsupport::writeFile(dir / "longest", std::string(kMaxPasswordLine, 'y') + "\r\n");
    std::string error;
    ASSERT_TRUE(sim.start(simtest::fwsim_program(),
                          {"--root", root.string(), "--user", "admin", "--password-file", (dir / "longest").string()},
                          dir.path(), error))
        << error;
}

TEST_F(FwsimProgramTest, PasswordFileGivesItsFirstLineWithoutTheLineEnd) {
    testsupport::writeFile(dir / "pw", "pw\r\nnot this\n");
    std::string error;
    ASSERT_TRUE(sim.start(simtest::fwsim_program(), {"--root", root.string(), "--password-file", (dir / "pw").string()},
                          dir.path(), error))
        << error;
    MgmtSession s;
    target(s);
    EXPECT_TRUE(s.login()) << sim.log();
}

TEST_F(FwsimProgramTest, EachRequestLeavesOneLineOnStandardError) {
    start({"--lock-held"});
    MgmtSession s;
    target(s);
    ASSERT_TRUE(s.login()) << sim.log();
    EXPECT_EQ(s.confirm_auth(), 404);
    EXPECT_EQ(s.fetch_file("/usr/local/etc/mgmt/kestrane.conf", (dir / "out").c_str(), true), 200);
    s.logout();
    ASSERT_TRUE(sim.wait_for_log("closed"));
    std::string log = sim.log();
    EXPECT_NE(log.find("logged in (privacy 1, integrity 0)"), std::string::npos) << log;
    EXPECT_NE(log.find("fwsim: GET /realgui/getversion; -> 200\n"), std::string::npos) << log;
    EXPECT_NE(log.find("fwsim: GET /realgui/getauthconfirm; -> 200\n"), std::string::npos) << log;
    EXPECT_NE(log.find("fwsim: GET /realgui/getconfiglock; -> 404 (lock held)\n"), std::string::npos) << log;
    EXPECT_NE(log.find("fwsim: POST /upgrade/upload; /usr/local/etc/mgmt/kestrane.conf -> 200\n"), std::string::npos)
        << log;
}

TEST_F(FwsimProgramTest, WrongPasswordClosesTheConnectionAndTheLoginFails) {
    start({});
    MgmtSession s;
    target(s, "not-pw");
    EXPECT_FALSE(s.login());
    EXPECT_TRUE(sim.wait_for_log("refused: authenticator mismatch (wrong password?)")) << sim.log();
    EXPECT_EQ(sim.log().find("getversion"), std::string::npos);
}

TEST_F(FwsimProgramTest, StopsAfterMaxConnections) {
    start({"--max-connections", "2"});
    for (int i = 0; i < 2; ++i) {
        MgmtSession s;
        target(s);
        EXPECT_TRUE(s.login()) << sim.log();
        s.logout();
    }
    auto status = sim.wait_exit(std::chrono::seconds(10));
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0);
    EXPECT_NE(sim.log().find("served 2 connections, stopping"), std::string::npos);
}

TEST_F(FwsimProgramTest, PathsOutsideTheRootAreRefusedOverTheWire) {
    testsupport::writeFile(dir / "secret", "outside the firewall");
    start({});
    MgmtSession s;
    target(s);
    ASSERT_TRUE(s.login()) << sim.log();
    fs::path local = dir / "fetched";
    EXPECT_EQ(s.fetch_file("/../secret", local.c_str(), true), 404);
    EXPECT_FALSE(fs::exists(local));
    testsupport::writeFile(dir / "upload", "payload");
    EXPECT_EQ(s.send_file((dir / "upload").c_str(), "/usr/../../planted", true), 404);
    EXPECT_FALSE(fs::exists(dir / "planted"));
    EXPECT_TRUE(sim.wait_for_log("POST /upgrade/download1; /usr/../../planted -> 404 (path refused)")) << sim.log();
    EXPECT_EQ(sim.log().find("download2"), std::string::npos);
}

// The command shell's requests, sent over a bare record as the shell library does.
TEST_F(FwsimProgramTest, ChallengeComesWithLowerCaseHeaderUntilAuthorizationIsSent) {
    start({"--challenge", "basic realm=\"password\"", "--privacy", "2"});
    MgmtConnection* conn = mgmt_open("127.0.0.1", sim.port(), "admin", "pw");
    ASSERT_NE(conn, nullptr);
    conn->client_type = 3;
    conn->minor_version = 2;
    mgmt_set_nonce(conn, mgmt_make_nonce());
    ASSERT_EQ(mgmt_connect(conn), 0);
    ASSERT_EQ(conn->state, kMgmtEstablished);

    mgmt_clear_challenge();
    std::string get = "GET /usr/local/etc/mgmt/kestrane.conf HTTP/1.0\r\n\r\n";
    mgmt_write(mgmt_writer(conn), get.data(), int(get.size()));
    mgmt_flush(mgmt_writer(conn));
    fs::path out = dir / "conf";
    EXPECT_EQ(mgmt_read_response(mgmt_reader(conn), out.c_str(), nullptr, 1), 401);
    EXPECT_STREQ(mgmt_challenge(), "basic realm=\"password\"");
    EXPECT_FALSE(fs::exists(out));

    get = "GET /usr/local/etc/mgmt/kestrane.conf HTTP/1.0\r\nAuthorization: Basic YWRtaW46cHc=\r\n\r\n";
    mgmt_write(mgmt_writer(conn), get.data(), int(get.size()));
    mgmt_flush(mgmt_writer(conn));
    EXPECT_EQ(mgmt_read_response(mgmt_reader(conn), out.c_str(), nullptr, 1), 200);
    EXPECT_EQ(testsupport::readFile(out), "a=1\n");

    mgmt_close_socket(mgmt_reader(conn));
    mgmt_close_socket(mgmt_writer(conn));
    mgmt_free(conn);
    EXPECT_TRUE(sim.wait_for_log("GET /usr/local/etc/mgmt/kestrane.conf -> 401 (challenge)")) << sim.log();
}

}  // namespace
