// fwsim against the command shell's build of the client library, which encrypts with two-key triple
// DES even at privacy 1 and sends its paths without ';'.
#include <gtest/gtest.h>

#include "lib/fwall/mgmt.h"
#include "sim/launcher.h"
#include "tests/sim/sim_test_support.h"

namespace fs = std::filesystem;

namespace {

static_assert(fwall::kTovacBuild, "this suite links the command shell's copy of the library");

class ShellClient : public ::testing::TestWithParam<const char*> {
protected:
    testsupport::ScratchDir dir;
    fwsim::FwsimProcess sim;

    // privacy: the --privacy argument, or "" for none (the client then takes level 1).
    MgmtConnection* connect(const std::string& privacy) {
        fs::create_directories(dir / "root");
        std::vector<std::string> args = {"--root", (dir / "root").string(), "--password", "pw"};
        if (!privacy.empty()) args.insert(args.end(), {"--privacy", privacy});
        std::string error;
        EXPECT_TRUE(sim.start(simtest::fwsim_program(), args, dir.path(), error)) << error;
        MgmtConnection* conn = mgmt_open("127.0.0.1", sim.port(), "admin", "pw");
        conn->client_type = 3;
        conn->minor_version = 2;
        mgmt_set_nonce(conn, mgmt_make_nonce());
        EXPECT_EQ(mgmt_connect(conn), 0);
        return conn;
    }
    static int request(MgmtConnection* conn, const std::string& text, const std::string& body, const char* out) {
        mgmt_write(mgmt_writer(conn), text.data(), int(text.size()));
        if (!body.empty()) mgmt_write(mgmt_writer(conn), body.data(), int(body.size()));
        mgmt_flush(mgmt_writer(conn));
        return mgmt_read_response(mgmt_reader(conn), out, nullptr, 0);
    }
    static void release(MgmtConnection* conn) {
        mgmt_close_socket(mgmt_reader(conn));
        mgmt_close_socket(mgmt_writer(conn));
        mgmt_free(conn);
    }
};

TEST_P(ShellClient, PutThenGetRoundTripsAFile) {
    MgmtConnection* conn = connect(GetParam());
    ASSERT_EQ(conn->state, kMgmtEstablished);
    std::string content = simtest::text_content(20000);
    EXPECT_EQ(request(conn, "POST /etc/shell.txt HTTP/1.0\r\n\r\n", content, nullptr), 200);
    EXPECT_EQ(testsupport::readFile(dir / "root/etc/shell.txt"), content);
    fs::path out = dir / "got.txt";
    EXPECT_EQ(request(conn, "GET /etc/shell.txt HTTP/1.0\r\n\r\n", "", out.c_str()), 200);
    EXPECT_EQ(testsupport::readFile(out), content);
    EXPECT_EQ(request(conn, "GET /etc/none HTTP/1.0\r\n\r\n", "", out.c_str()), 404);
    release(conn);
    EXPECT_TRUE(sim.wait_for_log("GET /etc/shell.txt -> 200")) << sim.log();
}

INSTANTIATE_TEST_SUITE_P(Privacy, ShellClient, ::testing::Values("", "1", "2"));

}  // namespace
