// The connection record: creation, release, nonces, string helpers and the log hook.
#include "lib/fwall/conn.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

#include "lib/fwall/stream.h"

namespace {

// The command-shell copy's last-error number (process-wide, as that library keeps it).
int g_last_error = 0;

bool is_numeric_host(const char* text) {
    for (const char* p = text; *p; ++p) {
        if (!((*p >= '0' && *p <= '9') || *p == '.')) return false;
    }
    return true;
}

// The dotted form of the first IPv4 address of a name; false when it does not resolve.
bool resolve_dotted(const char* name, char out[INET_ADDRSTRLEN]) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* answer = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &answer) != 0 || answer == nullptr) return false;
    const auto* sin = reinterpret_cast<const sockaddr_in*>(answer->ai_addr);
    const bool ok = inet_ntop(AF_INET, &sin->sin_addr, out, INET_ADDRSTRLEN) != nullptr;
    freeaddrinfo(answer);
    return ok;
}

// Copies an optional string; false when memory ran out.
bool copy_optional(const char* text, MgmtString& into) {
    if (text == nullptr) return true;
    into.reset(mgmt_strdup(text));
    return into != nullptr;
}

}  // namespace

void MgmtFreeString::operator()(char* s) const { std::free(s); }

MgmtConnection::MgmtConnection() = default;

MgmtConnection::~MgmtConnection() {
    if (password) fwall::wipe(password.get(), std::strlen(password.get()));
    fwall::wipe(integrity_key, sizeof integrity_key);
    fwall::wipe(des_key1, sizeof des_key1);
    fwall::wipe(des_key2, sizeof des_key2);
    fwall::wipe(&schedule1, sizeof schedule1);
    fwall::wipe(&schedule2, sizeof schedule2);
}

MgmtConnection* mgmt_open(const char* host, std::uint32_t port, const char* user, const char* password) {
    std::unique_ptr<MgmtConnection> conn(new (std::nothrow) MgmtConnection);
    if (!conn) return nullptr;
    if (!fwall::kTovacBuild && host != nullptr && !is_numeric_host(host)) {
        char dotted[INET_ADDRSTRLEN];
        if (!resolve_dotted(host, dotted)) return nullptr;
        if (!copy_optional(dotted, conn->host)) return nullptr;
    } else if (!copy_optional(host, conn->host)) {
        return nullptr;
    }
    if (!copy_optional(user, conn->user) || !copy_optional(password, conn->password)) return nullptr;
    conn->error_text.reset(new (std::nothrow) char[kMgmtErrorTextSize]);
    conn->reader.reset(new (std::nothrow) MgmtReader);
    conn->writer.reset(new (std::nothrow) MgmtWriter);
    if (!conn->error_text || !conn->reader || !conn->writer) return nullptr;
    conn->error_text[0] = '\0';
    conn->reader->conn = conn.get();
    conn->writer->conn = conn.get();
    conn->port = port;
    conn->socket = -1;
    conn->state = kMgmtCreated;
    conn->event = 0;
    conn->privacy = 2;
    conn->integrity = 0;
    return conn.release();
}

void mgmt_free(MgmtConnection* conn) { delete conn; }

int mgmt_make_nonce() {
    return static_cast<int>(static_cast<long long>(std::time(nullptr)) + static_cast<long long>(getpid()));
}

void mgmt_set_nonce(MgmtConnection* conn, int seed) {
    if (conn == nullptr) return;
    conn->server_nonce = seed;
    conn->client_nonce = static_cast<int>(static_cast<unsigned>(seed) - 1u);
}

MgmtReader* mgmt_reader(MgmtConnection* conn) { return conn ? conn->reader.get() : nullptr; }
MgmtWriter* mgmt_writer(MgmtConnection* conn) { return conn ? conn->writer.get() : nullptr; }

namespace {

int close_record_socket(MgmtConnection* conn) {
    if (conn == nullptr) return 0;
    // Taken exactly once even when a session is logged out from another thread while its worker's
    // exchange fails on the same record: only one caller sees the descriptor.
    const int sock = __atomic_exchange_n(&conn->socket, -1, __ATOMIC_ACQ_REL);
    if (sock < 0) return 0;
    if (conn->transport.close != nullptr) {
        conn->transport.close(conn->transport.context, sock);
    } else {
        // Shut down first: a receive blocked on this socket in another thread then returns at once
        // instead of waiting forever.
        ::shutdown(sock, SHUT_RDWR);
        ::close(sock);
    }
    return 0;
}

}  // namespace

int mgmt_close_socket(MgmtReader* reader) { return close_record_socket(reader ? reader->conn : nullptr); }
int mgmt_close_socket(MgmtWriter* writer) { return close_record_socket(writer ? writer->conn : nullptr); }

void mgmt_log(int priority, const char* format, ...) {
    // Discarded in both programs; a build may route it, but nothing depends on it.
    (void)priority;
    (void)format;
}

char* mgmt_strndup(const char* bytes, std::size_t n) {
    auto* copy = static_cast<char*>(std::malloc(n + 2));
    if (copy == nullptr) {
        mgmt_log(0, "TOVAC: malloc() of %d bytes failed:%m", static_cast<int>(n + 2));
        return nullptr;
    }
    std::size_t i = 0;
    if (bytes != nullptr) {
        for (; i < n && bytes[i] != '\0'; ++i) copy[i] = bytes[i];
    }
    std::memset(copy + i, 0, n + 2 - i);
    return copy;
}

char* mgmt_strdup(const char* text) { return mgmt_strndup(text, text ? std::strlen(text) : 0); }

int mgmt_last_error() { return g_last_error; }
void mgmt_set_last_error(int code) { g_last_error = code; }
