// The connection record and the TCP layer: opening with its failure texts, closing, nonces, strings.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "lib/fwall/mgmt.h"
#include "loopback.h"
#include "support/closed_port.h"

namespace {

using testsupport::closedPort;

TEST(TcpConnect, DottedAddressConnects) {
    fwtest::Watchdog watchdog;
    fwtest::LoopbackServer server([](int) {});
    char error[kMgmtErrorTextSize] = {};
    const int fd = tcp_connect("127.0.0.1", server.port(), 0, error);
    ASSERT_GE(fd, 0);
    ::close(fd);
}

TEST(TcpConnect, AllOnesAndEmptyAddressesAreIllegal) {
    for (const char* address : {"255.255.255.255", "", "1.2.3.4.5"}) {
        char error[kMgmtErrorTextSize] = {};
        EXPECT_EQ(tcp_connect(address, 8004, 0, error), -1) << address;
        if (fwall::kTovacBuild) {
            EXPECT_STREQ(error, "hostname unparsable");
        } else {
            EXPECT_EQ(std::string(error).rfind(std::string("Illegal address [") + address + "]: Error ", 0), 0u)
                << error;
        }
    }
}

TEST(TcpConnect, UnknownNameIsReported) {
    char error[kMgmtErrorTextSize] = {};
    EXPECT_EQ(tcp_connect("no-such-host.invalid", 8004, 0, error), -1);
    if (fwall::kTovacBuild) {
        EXPECT_STREQ(error, "hostname unknown");
    } else {
        EXPECT_EQ(std::string(error).rfind("Cannot resolve address [no-such-host.invalid]: Error ", 0), 0u) << error;
    }
}

TEST(TcpConnect, RefusedConnectionGivesMinusThreeAndTheSystemText) {
    char error[kMgmtErrorTextSize] = {};
    EXPECT_EQ(tcp_connect("127.0.0.1", closedPort(), 0, error), -3);
    EXPECT_EQ(std::string(error), std::string("connect: ") + std::strerror(ECONNREFUSED));
    EXPECT_EQ(tcp_connect("localhost", closedPort(), 0, nullptr), -3);  // no text buffer: nothing written
}

TEST(MgmtOpen, CopiesStringsAndSetsDefaults) {
    MgmtConnection* conn = mgmt_open("10.0.0.1", 8004, "admin", "pw");
    ASSERT_NE(conn, nullptr);
    EXPECT_STREQ(conn->host.get(), "10.0.0.1");
    EXPECT_STREQ(conn->user.get(), "admin");
    EXPECT_STREQ(conn->password.get(), "pw");
    EXPECT_EQ(conn->socket, -1);
    EXPECT_EQ(conn->state, kMgmtCreated);
    EXPECT_EQ(conn->privacy, 2);
    EXPECT_EQ(conn->integrity, 0);
    EXPECT_EQ(mgmt_reader(conn)->conn, conn);
    EXPECT_EQ(mgmt_writer(conn)->conn, conn);
    mgmt_free(conn);
    conn = mgmt_open(nullptr, 1, nullptr, nullptr);
    ASSERT_NE(conn, nullptr);
    EXPECT_EQ(conn->host, nullptr);
    mgmt_free(conn);
    EXPECT_EQ(mgmt_reader(nullptr), nullptr);
    EXPECT_EQ(mgmt_writer(nullptr), nullptr);
}

TEST(MgmtOpen, NamesAreResolvedOnlyInTheUpgradeProgram) {
    MgmtConnection* conn = mgmt_open("localhost", 8004, "u", "p");
    ASSERT_NE(conn, nullptr);
    EXPECT_STREQ(conn->host.get(), fwall::kTovacBuild ? "localhost" : "127.0.0.1");
    mgmt_free(conn);
    conn = mgmt_open("no-such-host.invalid", 8004, "u", "p");
    EXPECT_EQ(conn == nullptr, !fwall::kTovacBuild);
    mgmt_free(conn);
}

TEST(MgmtConnect, NullRecordGivesOneAndUnreachableFirewallMinusOne) {
    EXPECT_EQ(mgmt_connect(nullptr), 1);
    MgmtConnection* conn = mgmt_open("127.0.0.1", closedPort(), "u", "p");
    EXPECT_EQ(mgmt_connect(conn), -1);
    EXPECT_EQ(conn->socket, -3);  // the record keeps tcp_connect's result
    EXPECT_EQ(std::string(conn->error_text.get()).rfind("connect: ", 0), 0u);
    fwtest::close_and_free(conn);
}

TEST(MgmtCloseSocket, SecondCallAndMissingRecordDoNothing) {
    fwtest::Watchdog watchdog;
    fwtest::LoopbackServer server([](int) {});
    MgmtConnection* conn = mgmt_open("127.0.0.1", server.port(), "u", "p");
    conn->socket = tcp_connect("127.0.0.1", server.port(), 0, conn->error_text.get());
    ASSERT_GE(conn->socket, 0);
    EXPECT_EQ(mgmt_close_socket(mgmt_reader(conn)), 0);
    EXPECT_EQ(conn->socket, -1);
    EXPECT_EQ(mgmt_close_socket(mgmt_writer(conn)), 0);
    EXPECT_EQ(mgmt_close_socket(static_cast<MgmtReader*>(nullptr)), 0);
    EXPECT_EQ(mgmt_close_socket(static_cast<MgmtWriter*>(nullptr)), 0);
    mgmt_free(conn);
}

TEST(SockRecv, NegativeSocketGivesMinusOne) {
    char buf[4];
    testing::internal::CaptureStdout();
    EXPECT_EQ(sock_recv(-1, buf, sizeof buf), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), fwall::kTovacBuild ? "Empty buffer!\n" : "");
}

TEST(Nonces, ClientNonceIsTheSeedMinusOne) {
    MgmtConnection* conn = mgmt_open(nullptr, 0, nullptr, nullptr);
    mgmt_set_nonce(conn, 1000);
    EXPECT_EQ(conn->server_nonce, 1000);
    EXPECT_EQ(conn->client_nonce, 999);
    mgmt_set_nonce(conn, INT32_MIN);
    EXPECT_EQ(conn->client_nonce, INT32_MAX);
    mgmt_free(conn);
    EXPECT_GE(mgmt_make_nonce(), static_cast<int>(getpid()));
}

TEST(Strndup, CopiesAtMostNBytesAndTerminates) {
    char* s = mgmt_strndup("abcdef", 3);
    EXPECT_STREQ(s, "abc");
    free(s);
    s = mgmt_strndup("ab", 5);
    EXPECT_STREQ(s, "ab");
    free(s);
    s = mgmt_strdup("");
    EXPECT_STREQ(s, "");
    free(s);
}

}  // namespace
