#include "loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

namespace fwtest {

Bytes from_hex(const std::string& hex) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        out.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return out;
}

std::string to_hex(const std::uint8_t* data, std::size_t length) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < length; ++i) {
        s += digits[data[i] >> 4];
        s += digits[data[i] & 15];
    }
    return s;
}

Watchdog::Watchdog(int seconds) {
    thread_ = std::thread([this, seconds] {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!done_.wait_for(lock, std::chrono::seconds(seconds), [this] { return finished_; })) {
            std::fprintf(stderr, "watchdog: test hung for %d s\n", seconds);
            std::abort();
        }
    });
}

Watchdog::~Watchdog() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
    }
    done_.notify_all();
    thread_.join();
}

LoopbackServer::LoopbackServer(std::function<void(int fd)> handler) {
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listen_fd_, 4) != 0) {
        ADD_FAILURE() << "cannot listen on loopback";
        return;
    }
    socklen_t len = sizeof addr;
    ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this, handler] {
        pollfd p{listen_fd_, POLLIN, 0};
        if (::poll(&p, 1, 10000) != 1) return;
        const int fd = ::accept(listen_fd_, nullptr, nullptr);
        if (fd < 0) return;
        handler(fd);
        ::close(fd);
    });
}

void LoopbackServer::join() {
    if (thread_.joinable()) thread_.join();
}

LoopbackServer::~LoopbackServer() {
    join();
    if (listen_fd_ >= 0) ::close(listen_fd_);
}

bool send_bytes(int fd, const Bytes& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

bool recv_exact(int fd, std::uint8_t* out, std::size_t n, int timeout_ms) {
    std::size_t got = 0;
    while (got < n) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeout_ms) != 1) return false;
        const ssize_t r = ::recv(fd, out + got, n - got, 0);
        if (r <= 0) return false;
        got += static_cast<std::size_t>(r);
    }
    return true;
}

Bytes recv_handshake(int fd) {
    std::uint8_t header[3];
    if (!recv_exact(fd, header, 3) || header[0] != 1) return {};
    Bytes list((header[1] << 8) | header[2]);
    if (!recv_exact(fd, list.data(), list.size())) return {};
    return list;
}

Bytes recv_until_close(int fd, int timeout_ms) {
    Bytes out;
    std::uint8_t buf[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeout_ms) != 1) break;
        const ssize_t r = ::recv(fd, buf, sizeof buf, 0);
        if (r <= 0) break;
        out.insert(out.end(), buf, buf + r);
    }
    return out;
}

Bytes handshake_message(const Bytes& list) {
    Bytes out(3 + list.size());
    out[0] = 1;
    out[1] = static_cast<std::uint8_t>(list.size() >> 8);
    out[2] = static_cast<std::uint8_t>(list.size() & 0xFF);
    std::copy(list.begin(), list.end(), out.begin() + 3);
    return out;
}

Bytes welcome_message(const fwall::WelcomeFields& fields) {
    Bytes list(fwall::kMaxOptionList);
    const auto size = fwall::build_welcome(list, fields);
    list.resize(size.value_or(0));
    return handshake_message(list);
}

ServerEnd::ServerEnd(int fd, const char* user, const char* password) {
    conn = mgmt_open(nullptr, 0, user, password);
    conn->socket = fd;
}

ServerEnd::~ServerEnd() {
    conn->socket = -1;  // the loopback server closes the socket
    mgmt_free(conn);
}

int ServerEnd::handshake(int privacy, int integrity, std::int32_t nonce) {
    static const std::uint8_t kLoopback[4] = {127, 0, 0, 1};
    fwall::WelcomeFields fields;
    fields.nonce = nonce;
    fields.address = kLoopback;
    fields.privacy = privacy;
    fields.integrity = integrity;
    if (mgmt_send_welcome(conn, fields) != 0) return -1;
    return mgmt_accept(conn);
}

bool ServerEnd::read_message(std::string& out) {
    char buf[1000];
    for (;;) {
        const int n = mgmt_read(mgmt_reader(conn), buf, sizeof buf);
        if (n < 0) return false;
        if (n == 0) return true;
        out.append(buf, static_cast<std::size_t>(n));
    }
}

bool ServerEnd::send_message(const std::string& data, std::size_t piece) {
    for (std::size_t at = 0; at < data.size(); at += piece) {
        const int n = static_cast<int>(std::min(piece, data.size() - at));
        if (mgmt_write(mgmt_writer(conn), data.data() + at, n) != n) return false;
    }
    return mgmt_flush(mgmt_writer(conn)) == 0;
}

MgmtConnection* open_client(std::uint32_t port, const char* user, const char* password) {
    MgmtConnection* conn = mgmt_open("127.0.0.1", port, user, password);
    conn->minor_version = 2;
    conn->client_type = 3;
    mgmt_set_nonce(conn, 0x11223344);
    return conn;
}

void close_and_free(MgmtConnection* conn) {
    mgmt_close_socket(mgmt_reader(conn));
    mgmt_close_socket(mgmt_writer(conn));
    mgmt_free(conn);
}

ManualKeys keys_for(const char* password, std::int32_t server_nonce, std::int32_t client_nonce) {
    ManualKeys k;
    k.keys = fwall::derive_keys({reinterpret_cast<const std::uint8_t*>(password), std::strlen(password)}, server_nonce,
                                client_nonce);
    fwall::des_make_schedule(k.keys.des_key1, k.s1);
    fwall::des_make_schedule(k.keys.des_key2, k.s2);
    return k;
}

fwall::BlockProtection ManualKeys::protection(int privacy, bool integrity, bool triple_always) {
    fwall::BlockProtection p;
    p.cipher = fwall::cipher_for_privacy(privacy, triple_always);
    p.integrity = integrity;
    p.integrity_key = keys.integrity_key;
    p.schedule1 = &s1;
    p.schedule2 = &s2;
    p.iv = iv;
    return p;
}

}  // namespace fwtest
