// The Welcome/Auth handshake between a client record and the service's end, over loopback, and a
// client facing Welcomes that fail their checks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "lib/fwall/mgmt.h"
#include "loopback.h"
#include "memory_transport.h"

namespace {

using fwtest::Bytes;
using fwtest::LoopbackServer;
using fwtest::ServerEnd;
using fwtest::Watchdog;

TEST(Handshake, ClientAndServiceEstablishAndTalkAtEveryProtection) {
    for (const auto& [privacy, integrity] :
         {std::pair{0, 1}, std::pair{1, 0}, std::pair{1, 1}, std::pair{2, 0}, std::pair{2, 1}}) {
        SCOPED_TRACE(testing::Message() << "privacy " << privacy << " integrity " << integrity);
        Watchdog watchdog;
        int server_result = 99;
        std::string request;
        LoopbackServer server([&](int fd) {
            ServerEnd end(fd, "admin", "secret");
            server_result = end.handshake(privacy, integrity);
            if (server_result == 0 && end.read_message(request)) end.send_message("answer:" + request);
        });
        MgmtConnection* conn = fwtest::open_client(server.port());
        ASSERT_EQ(mgmt_connect(conn), 0);
        EXPECT_EQ(conn->state, kMgmtEstablished);
        EXPECT_EQ(conn->privacy, privacy);
        EXPECT_EQ(conn->integrity, integrity);
        EXPECT_EQ(conn->password, nullptr);
        ASSERT_EQ(mgmt_write(mgmt_writer(conn), "ping", 4), 4);
        ASSERT_EQ(mgmt_flush(mgmt_writer(conn)), 0);
        char buf[100] = {};
        const int n = mgmt_read(mgmt_reader(conn), buf, sizeof buf);
        EXPECT_EQ(std::string(buf, n > 0 ? n : 0), "answer:ping");
        EXPECT_EQ(mgmt_read(mgmt_reader(conn), buf, sizeof buf), 0);
        fwtest::close_and_free(conn);
        server.join();
        EXPECT_EQ(server_result, 0);
        EXPECT_EQ(request, "ping");
    }
}

TEST(Handshake, WrongPasswordIsRefusedByTheServiceAndTheFirstExchangeFails) {
    Watchdog watchdog;
    int server_result = 99;
    LoopbackServer server([&](int fd) {
        ServerEnd end(fd, "admin", "secret");
        server_result = end.handshake(2, 1);
    });
    MgmtConnection* conn = fwtest::open_client(server.port(), "admin", "wrong");
    EXPECT_EQ(mgmt_connect(conn), 0);  // the client cannot tell during the handshake
    server.join();
    EXPECT_EQ(server_result, 1);
    mgmt_write(mgmt_writer(conn), "GET x HTTP/1.0\r\n\r\n", 18);
    mgmt_flush(mgmt_writer(conn));
    EXPECT_EQ(mgmt_read_response(mgmt_reader(conn), nullptr, nullptr, 0), -1);
    EXPECT_EQ(conn->socket, -1);
    fwtest::close_and_free(conn);
}

TEST(Handshake, ServiceRefusesAnotherUser) {
    Watchdog watchdog;
    int server_result = 99;
    LoopbackServer server([&](int fd) {
        ServerEnd end(fd, "admin", "secret");
        server_result = end.handshake(1, 1);
    });
    MgmtConnection* conn = fwtest::open_client(server.port(), "operator", "secret");
    EXPECT_EQ(mgmt_connect(conn), 0);
    server.join();
    EXPECT_EQ(server_result, 1);
    fwtest::close_and_free(conn);
}

// A raw service that sends `welcome` and records what the client sends until it closes.
struct RawService {
    Bytes received;
    LoopbackServer server;
    explicit RawService(Bytes welcome, int wait_ms = 300)
        : server([this, welcome, wait_ms](int fd) {
              fwtest::send_bytes(fd, welcome);
              received = fwtest::recv_until_close(fd, wait_ms);
          }) {}
};

Bytes base_welcome_list() {
    // protocol 1, auth protocol 1, version 0.1, nonce, address 127.0.0.1, privacy 2, integrity 1
    return {2, 1, 1, 4, 1, 1, 10, 2, 0, 1, 7, 4, 1, 2, 3, 4, 3, 4, 127, 0, 0, 1, 14, 1, 2, 15, 1, 1, 255};
}

TEST(Handshake, WelcomeFailingAnyCheckLeavesAFailedRecordThatNeverSends) {
    struct Case {
        const char* what;
        std::size_t at;  // byte of the base list to change
        std::uint8_t to;
    };
    const Case cases[] = {
        {"protocol not 1", 2, 2},      {"protocol length", 1, 2},           {"no protocol", 0, 30},
        {"auth protocol not 1", 5, 0}, {"no auth protocol", 3, 31},         {"version 1.x", 8, 1},
        {"no version", 6, 32},         {"nonce too short", 11, 3},          {"no nonce", 10, 33},
        {"another server", 18, 10},    {"no privacy, no integrity", 24, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Watchdog watchdog;
        Bytes list = base_welcome_list();
        list[c.at] = c.to;
        if (std::string(c.what) == "no privacy, no integrity") list[27] = 0;
        RawService service(fwtest::handshake_message(list));
        MgmtConnection* conn = fwtest::open_client(service.server.port());
        EXPECT_EQ(mgmt_connect(conn), 0);
        EXPECT_EQ(conn->state, kMgmtFailed);
        // The failed Welcome's bytes are what the reader holds.
        EXPECT_EQ(mgmt_reader(conn)->available, static_cast<int>(list.size()));
        EXPECT_EQ(std::memcmp(mgmt_reader(conn)->delivery, list.data(), list.size()), 0);
        // Every later exchange fails without a byte on the wire.
        EXPECT_EQ(mgmt_write(mgmt_writer(conn), "GET x\r\n", 7), -1);
        EXPECT_EQ(mgmt_flush(mgmt_writer(conn)), -1);
        EXPECT_EQ(mgmt_read_response(mgmt_reader(conn), nullptr, nullptr, 0), -1);
        fwtest::close_and_free(conn);
        service.server.join();
        EXPECT_TRUE(service.received.empty()) << fwtest::to_hex(service.received);
    }
}

TEST(Handshake, WelcomeWithoutPrivacyTagMeansDesAndPrivacyZeroCarriesIntegrity) {
    for (const auto& [tag14, expect_privacy] : {std::pair{-1, 1}, std::pair{0, 0}}) {
        Watchdog watchdog;
        Bytes auth;
        LoopbackServer server([&, tag14 = tag14](int fd) {
            fwall::WelcomeFields fields;
            static const std::uint8_t kLoopback[4] = {127, 0, 0, 1};
            fields.address = kLoopback;
            fields.privacy = tag14;
            fields.integrity = tag14 == 0 ? 1 : -1;
            fwtest::send_bytes(fd, fwtest::welcome_message(fields));
            auth = fwtest::recv_handshake(fd);
        });
        MgmtConnection* conn = fwtest::open_client(server.port());
        EXPECT_EQ(mgmt_connect(conn), 0);
        server.join();
        EXPECT_EQ(conn->state, kMgmtEstablished);
        EXPECT_EQ(conn->privacy, expect_privacy);
        const auto p = fwall::option_find(auth, fwall::kTagPrivacy);
        const auto i = fwall::option_find(auth, fwall::kTagIntegrity);
        ASSERT_TRUE(p && i);
        EXPECT_EQ(auth[p->value_offset], expect_privacy);
        EXPECT_EQ(auth[i->value_offset], expect_privacy == 0 ? 1 : 0);
        fwtest::close_and_free(conn);
    }
}

TEST(Handshake, RecordWithoutPasswordEndsFailedAndSendsNoAuth) {
    Watchdog watchdog;
    mgmt_set_last_error(0);
    fwall::WelcomeFields fields;
    static const std::uint8_t kLoopback[4] = {127, 0, 0, 1};
    fields.address = kLoopback;
    RawService service(fwtest::welcome_message(fields));
    MgmtConnection* conn = fwtest::open_client(service.server.port(), "admin", nullptr);
    EXPECT_EQ(mgmt_connect(conn), 0);
    EXPECT_EQ(conn->state, kMgmtFailed);
    EXPECT_EQ(mgmt_last_error(), fwall::kTovacBuild ? kErrNoPassword : 0);
    EXPECT_EQ(mgmt_read_response(mgmt_reader(conn), nullptr, nullptr, 0), -1);
    fwtest::close_and_free(conn);
    service.server.join();
    EXPECT_TRUE(service.received.empty());
    mgmt_set_last_error(0);
}

TEST(Handshake, ConnectionClosedBeforeTheWelcomeFailsTheConnect) {
    Watchdog watchdog;
    LoopbackServer server([](int) {});
    MgmtConnection* conn = fwtest::open_client(server.port());
    EXPECT_EQ(mgmt_connect(conn), -1);
    EXPECT_EQ(conn->socket, -1);
    fwtest::close_and_free(conn);
}

TEST(Handshake, ConnectionClosedInsideTheWelcomeFailsTheConnect) {
    Watchdog watchdog;
    RawService service(Bytes{1, 0, 29, 2, 1, 1, 4}, 0);
    MgmtConnection* conn = fwtest::open_client(service.server.port());
    EXPECT_EQ(mgmt_connect(conn), -1);
    fwtest::close_and_free(conn);
}

TEST(Handshake, RelayRequestThroughAGatewayThenNormalAuthWithTheTarget) {
    Watchdog watchdog;
    Bytes relay_auth, final_auth;
    const std::int32_t gateway_nonce = 0x0A0B0C0D, target_nonce = 0x01010101;
    LoopbackServer server([&](int fd) {
        static const std::uint8_t kGateway[4] = {127, 0, 0, 1};
        static const std::uint8_t kTarget[4] = {10, 1, 2, 3};
        fwall::WelcomeFields fields;
        fields.nonce = gateway_nonce;
        fields.address = kGateway;
        fields.privacy = 2;
        fwtest::send_bytes(fd, fwtest::welcome_message(fields));
        relay_auth = fwtest::recv_handshake(fd);
        fields.nonce = target_nonce;
        fields.address = kTarget;
        fwtest::send_bytes(fd, fwtest::welcome_message(fields));
        final_auth = fwtest::recv_handshake(fd);
    });
    MgmtConnection* conn = fwtest::open_client(server.port());
    conn->host.reset(mgmt_strdup("10.1.2.3:9000@127.0.0.1"));
    EXPECT_EQ(mgmt_connect(conn), 0);
    server.join();
    EXPECT_EQ(conn->state, kMgmtEstablished);
    EXPECT_STREQ(conn->host.get(), "10.1.2.3");
    fwall::AuthView view;
    const std::uint8_t pw[] = {'s', 'e', 'c', 'r', 'e', 't'};
    ASSERT_EQ(fwall::check_auth(relay_auth, pw, gateway_nonce, view), fwall::AuthCheck::RelayRequest);
    EXPECT_EQ(fwtest::to_hex(view.relay_target, 4), "0302010a");
    EXPECT_EQ(view.relay_port, 9000);
    EXPECT_FALSE(fwall::option_find(relay_auth, fwall::kTagAuthenticator));
    EXPECT_EQ(fwall::check_auth(final_auth, pw, target_nonce, view), fwall::AuthCheck::Ok);
    EXPECT_FALSE(fwall::option_find(final_auth, fwall::kTagRelayTarget));
    fwtest::close_and_free(conn);
}

TEST(Handshake, AuthenticatorChangesWithAnyOptionAndIsCheckedByTheService) {
    fwall::AuthFields f;
    f.user = "admin";
    f.client_nonce = 5;
    f.server_nonce = 6;
    f.privacy = 2;
    const std::uint8_t pw[] = {'p', 'w'};
    std::uint8_t list[300];
    std::size_t size = 0;
    ASSERT_EQ(fwall::build_auth(list, f, pw, size), fwall::AuthBuild::Ok);
    fwall::AuthView view;
    ASSERT_EQ(fwall::check_auth({list, size}, pw, 6, view), fwall::AuthCheck::Ok);
    EXPECT_EQ(std::string(view.user.begin(), view.user.end()), "admin");
    const auto slot = fwall::option_find({list, size}, fwall::kTagAuthenticator);
    for (std::size_t i = 0; i + 1 < size; ++i) {
        if (i >= slot->value_offset && i < slot->value_offset + 16) continue;
        std::uint8_t changed[300];
        std::memcpy(changed, list, size);
        changed[i] ^= 0x01;
        EXPECT_NE(fwall::check_auth({changed, size}, pw, 6, view), fwall::AuthCheck::Ok) << "byte " << i;
    }
    EXPECT_EQ(fwall::check_auth({list, size}, pw, 7, view), fwall::AuthCheck::BadAuthenticator);
}

}  // namespace

namespace {

// A client record waiting for its Welcome, fed from memory; runs the handshake as mgmt_connect does
// after the TCP connection is open.
struct MemoryClient {
    MgmtConnection* conn = mgmt_open("127.0.0.1", 8004, "admin", "secret");
    fwtest::MemoryTransport transport;
    MemoryClient() {
        transport.attach(conn);
        conn->minor_version = 2;
        conn->client_type = 3;
        mgmt_set_nonce(conn, 42);
        conn->state = kMgmtWaitingWelcome;
    }
    ~MemoryClient() { mgmt_free(conn); }
    int run() {
        for (;;) {
            if (mgmt_fill(mgmt_reader(conn)) == -1) return -1;
            conn->event = 0;
            if (conn->state != kMgmtWaitingWelcome) return 0;
        }
    }
};

fwtest::Bytes good_welcome() {
    static const std::uint8_t kLoopback[4] = {127, 0, 0, 1};
    fwall::WelcomeFields fields;
    fields.nonce = 0x55667788;
    fields.address = kLoopback;
    fields.privacy = 2;
    fields.integrity = 1;
    return fwtest::welcome_message(fields);
}

TEST(WelcomeBytes, WelcomeArrivingInTwoPiecesAtEveryBoundaryIsAccepted) {
    const fwtest::Bytes welcome = good_welcome();
    for (std::size_t cut = 1; cut < welcome.size(); ++cut) {
        MemoryClient client;
        client.transport.push(welcome);
        client.transport.chunk = cut;
        EXPECT_EQ(client.run(), 0) << "cut at " << cut;
        EXPECT_EQ(client.conn->state, kMgmtEstablished) << "cut at " << cut;
        EXPECT_EQ(client.transport.sent[0], 1);  // the Auth went out
    }
}

TEST(WelcomeBytes, EverySingleByteFlipEndsEstablishedFailedOrClosed) {
    const fwtest::Bytes welcome = good_welcome();
    for (std::size_t i = 0; i < welcome.size(); ++i) {
        for (const std::uint8_t mask : {0x01, 0x80, 0xFF}) {
            MemoryClient client;
            fwtest::Bytes bad = welcome;
            bad[i] ^= mask;
            client.transport.push(bad);
            const int r = client.run();
            const auto state = client.conn->state;
            EXPECT_TRUE((r == 0 && (state == kMgmtEstablished || state == kMgmtFailed)) ||
                        (r == -1 && client.conn->socket == -1))
                << "byte " << i << " mask " << int(mask);
        }
    }
}

TEST(WelcomeBytes, AuthWhoseAuthenticatorCannotBeFoundEndsFailed) {
    // A user and a second identity of 255 bytes each put the authenticator beyond the 512 bytes that a
    // search walks, so no Auth can be sent.
    mgmt_set_last_error(0);
    MemoryClient client;
    const std::string long_name(255, 'u');
    client.conn->user.reset(mgmt_strdup(long_name.c_str()));
    client.conn->who.reset(mgmt_strdup(long_name.c_str()));
    client.transport.push(good_welcome());
    EXPECT_EQ(client.run(), 0);
    EXPECT_EQ(client.conn->state, kMgmtFailed);
    EXPECT_TRUE(client.transport.sent.empty());
    EXPECT_EQ(mgmt_last_error(), fwall::kTovacBuild ? kErrBadAuthBuf : 0);
    mgmt_set_last_error(0);
}

}  // namespace
