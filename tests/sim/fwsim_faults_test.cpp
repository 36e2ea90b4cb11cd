// fwsim's --hang and --drop as a client sees them: the request is taken and never answered, or the
// connection closes without an answer; either way the request is not carried out, and a hung request
// holds up neither other connections nor the end of the program.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <future>

#include "lib/fwall/mgmt_session.h"
#include "tests/sim/fwsim_fixture.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class FwsimFaultsTest : public FwsimFixture {
protected:
    void login(MgmtSession& s) {
        s.set_target("127.0.0.1", sim.port(), "admin", "pw");
        ASSERT_TRUE(s.login()) << sim.log();
    }
    // Whether a fresh TCP connection is greeted (the Welcome arrives) within two seconds.
    bool greeted() {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        timeval tv{2, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(sim.port());
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        char byte = 0;
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 && ::recv(fd, &byte, 1, 0) == 1;
        ::close(fd);
        return ok;
    }
};

TEST_F(FwsimFaultsTest, HungActionIsNeverAnsweredNorCarriedOutUntilTheIdleTimeOutEndsIt) {
    start({"--hang", "packcerts", "--idle-timeout", "2"});
    MgmtSession s;
    login(s);
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(s.run_action(MgmtAction::PackCerts), -1);
    EXPECT_GE(std::chrono::steady_clock::now() - begin, 1500ms);
    EXPECT_TRUE(sim.wait_for_log("dropped: client silent for too long")) << sim.log();
    EXPECT_NE(sim.log().find("fwsim: GET /upgrade/packcerts; -> no answer (--hang)\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(root / "usr/local/etc/mgmt/upgrade"));
}

TEST_F(FwsimFaultsTest, HungFetchHoldsUpNeitherOtherConnectionsNorTheEndOnSigterm) {
    start({"--hang", "/usr/local/etc/mgmt/kestrane.conf", "--idle-timeout", "0"});
    MgmtSession s;
    login(s);
    const fs::path local = dir / "fetched";
    auto fetch = std::async(std::launch::async,
                            [&] { return s.fetch_file("/usr/local/etc/mgmt/kestrane.conf", local.c_str(), true); });
    ASSERT_TRUE(sim.wait_for_log("/usr/local/etc/mgmt/kestrane.conf -> no answer (--hang)")) << sim.log();
    EXPECT_EQ(fetch.wait_for(500ms), std::future_status::timeout);
    EXPECT_TRUE(greeted());

    ASSERT_EQ(::kill(sim.pid(), SIGTERM), 0);
    EXPECT_TRUE(sim.wait_exit(5s)) << sim.log();
    ASSERT_EQ(fetch.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(fetch.get(), -1);
    EXPECT_FALSE(fs::exists(local));
}

TEST_F(FwsimFaultsTest, DroppedRequestsCloseTheConnectionAtOnceAndAreNotCarriedOut) {
    const fs::path mgmt = root / "usr/local/etc/mgmt";
    testsupport::writeFile(mgmt / "kestrane.conf.new", "a=2\n");
    testsupport::writeFile(dir / "upload", "a=3\n");
    start({"--drop", "updateconf", "--drop", "/usr/local/etc/mgmt/kestrane.conf.6", "--drop", "getconfiglock"});
    const auto begin = std::chrono::steady_clock::now();
    {
        MgmtSession s;
        login(s);
        EXPECT_EQ(s.run_action(MgmtAction::UpdateConf), -1);
    }
    {
        MgmtSession s;
        login(s);
        EXPECT_EQ(s.send_file((dir / "upload").c_str(), "/usr/local/etc/mgmt/kestrane.conf.6", true), -1);
    }
    {
        MgmtSession s;
        login(s);
        EXPECT_EQ(s.confirm_auth(), -1);  // the lock is asked for after the confirmation (version 5.5)
    }
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 5s);
    EXPECT_EQ(testsupport::readFile(mgmt / "kestrane.conf"), "a=1\n");
    EXPECT_TRUE(fs::exists(mgmt / "kestrane.conf.new"));
    EXPECT_FALSE(fs::exists(mgmt / "kestrane.conf.6"));
    const std::string log = sim.log();
    for (const char* line : {"GET /upgrade/updateconf; -> no answer, connection closed (--drop)\n",
                             "POST /upgrade/download1; /usr/local/etc/mgmt/kestrane.conf.6 -> no answer, connection "
                             "closed (--drop)\n",
                             "GET /realgui/getconfiglock; -> no answer, connection closed (--drop)\n"})
        EXPECT_NE(log.find(line), std::string::npos) << line << log;
    EXPECT_EQ(log.find("download2"), std::string::npos) << log;
}

TEST_F(FwsimFaultsTest, CommandLineTakesActionsCommandsAndPathsButNotBothFaultsForOneRequest) {
    const std::string r = root.string();
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--root", r, "--password", "pw", "--hang", "reboot"},
             {"--root", r, "--password", "pw", "--drop", "relative/path"},
             {"--root", r, "--password", "pw", "--hang", "packcerts", "--drop", "packcerts"},
         }) {
        auto result = fwsim::run_program(simtest::fwsim_program(), args);
        EXPECT_EQ(result.status, 2) << args[4] << " " << result.output;
        EXPECT_NE(result.output.find("fwsim: "), std::string::npos) << result.output;
    }
    start({"--hang", "getversion", "--drop", "/tmp/x", "--hang", "getauthconfirm", "--drop", "unpackcerts"});
}

}  // namespace
