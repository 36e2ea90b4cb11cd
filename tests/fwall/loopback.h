// Helpers for the client library's tests: a one-connection loopback server running a handler on its
// own thread, raw socket helpers with time limits, a server end made of the library's own record, and a
// watchdog that turns a hang into a test failure.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "lib/fwall/mgmt.h"

namespace fwtest {

using Bytes = std::vector<std::uint8_t>;

Bytes from_hex(const std::string& hex);
std::string to_hex(const std::uint8_t* data, std::size_t length);
inline std::string to_hex(const Bytes& b) { return to_hex(b.data(), b.size()); }

// Aborts the test program when a test runs longer than `seconds`: a hang must not stall the suite.
class Watchdog {
public:
    explicit Watchdog(int seconds = 20);
    ~Watchdog();

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

// Listens on 127.0.0.1 at a free port, accepts one connection and runs `handler` with its socket on a
// thread; the socket is closed when the handler returns. The destructor waits for the handler.
class LoopbackServer {
public:
    explicit LoopbackServer(std::function<void(int fd)> handler);
    ~LoopbackServer();
    std::uint32_t port() const { return port_; }
    // Waits for the handler to finish (after which what it recorded may be read).
    void join();

private:
    int listen_fd_ = -1;
    std::uint32_t port_ = 0;
    std::thread thread_;
};

// Raw helpers on a socket, each bounded by a time limit.
bool send_bytes(int fd, const Bytes& bytes);
// Reads exactly `n` bytes (false on end of stream or after `timeout_ms`).
bool recv_exact(int fd, std::uint8_t* out, std::size_t n, int timeout_ms = 5000);
// Reads one handshake message (0x01, length, list) and returns its list; empty on failure.
Bytes recv_handshake(int fd);
// Reads until the peer closes or `timeout_ms` passes; returns what came.
Bytes recv_until_close(int fd, int timeout_ms = 2000);

// A Welcome message (header included).
Bytes welcome_message(const fwall::WelcomeFields& fields);
// A Welcome message made of the given raw option list.
Bytes handshake_message(const Bytes& list);

// The service's end of a connection, made of the library's own record.
struct ServerEnd {
    MgmtConnection* conn = nullptr;
    ServerEnd(int fd, const char* user, const char* password);
    ~ServerEnd();
    // Sends the Welcome and reads the Auth; the mgmt_accept result.
    int handshake(int privacy, int integrity, std::int32_t nonce = 0x01020304);
    // Reads one whole message; false on failure.
    bool read_message(std::string& out);
    // Sends one message as blocks (`piece` bytes per mgmt_write call).
    bool send_message(const std::string& data, std::size_t piece = 8192);
};

// Client record connected to 127.0.0.1:port with the defaults of the callers (client type 3, minor
// version 2, a fixed nonce seed).
MgmtConnection* open_client(std::uint32_t port, const char* user = "admin", const char* password = "secret");
void close_and_free(MgmtConnection* conn);

// Keys a client derives; for building blocks by hand in a hostile server.
struct ManualKeys {
    fwall::SessionKeys keys;
    fwall::DesSchedule s1, s2;
    fwall::BlockProtection protection(int privacy, bool integrity, bool triple_always = fwall::kTovacBuild);
    std::uint8_t iv[8] = {};
};
ManualKeys keys_for(const char* password, std::int32_t server_nonce, std::int32_t client_nonce);

}  // namespace fwtest
