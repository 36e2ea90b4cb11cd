// Opening the shell's connection.
#include "util/tovad/shell_connect.h"

#include <sys/socket.h>
#include <unistd.h>

#include <climits>

#include "lib/fwall/handshake.h"
#include "lib/fwall/stream.h"

namespace tovac {

namespace {

// -t in milliseconds (0: no bound).
int timeout_ms(const ShellState& state) {
    if (state.timeout <= 0) return 0;
    return state.timeout > INT_MAX / 1000 ? INT_MAX : state.timeout * 1000;
}

// The shell's transport over the socket: the library's primitives, with receives bounded by -t, plus a
// note of a failed send so that a long upload stops feeding a connection that is gone.
int shell_recv(void* context, int socket, void* buffer, int size) {
    return sock_recv_within(socket, buffer, size, timeout_ms(*static_cast<ShellState*>(context)));
}

int shell_send(void* context, int socket, const void* data, int length) {
    const int n = socket >= 0 ? sock_send(socket, data, length) : -1;
    if (n <= 0) static_cast<ShellState*>(context)->send_failed = true;
    return n;
}

void shell_close(void*, int socket) {
    if (socket < 0) return;
    ::shutdown(socket, SHUT_RDWR);
    ::close(socket);
}

int offline_recv(void*, int, void*, int) { return 0; }
int offline_send(void*, int, const void*, int length) { return length; }
void offline_close(void*, int) {}

}  // namespace

ShellConnection connect_to_firewall(ShellState& state) {
    const char* host = state.host ? state.host->c_str() : nullptr;
    if (state.debug) {
        mgmt_log(0, "DEBUG host=%s", host ? host : "");
        // The password itself never goes to the log hook: a build that routes the hook would write it out.
        mgmt_log(0, "DEBUG pass=%s", state.has_password ? "(given)" : "(none)");
    }
    ShellConnection conn(mgmt_open(host, static_cast<std::uint32_t>(state.port),
                                   state.user ? state.user->c_str() : nullptr,
                                   state.has_password ? state.password : nullptr));
    if (!conn) return nullptr;
    conn->minor_version = 2;
    conn->client_type = 3;
    mgmt_set_nonce(conn.get(), mgmt_make_nonce());
    if (state.who) {
        conn->who.reset(mgmt_strdup(state.who->c_str()));
        if (!conn->who) return nullptr;
    }
    conn->transport.recv = &shell_recv;
    conn->transport.send = &shell_send;
    conn->transport.close = &shell_close;
    conn->transport.context = &state;
    conn->transport.timeout_ms = timeout_ms(state);  // the connect; receives go through shell_recv
    mgmt_set_last_error(0);
    const int rc = mgmt_connect(conn.get());
    if (rc != 0 || mgmt_last_error() != 0 || conn->state != kMgmtEstablished) {
        if (state.verbose) {
            const char* why =
                conn->error_text && conn->error_text[0] != '\0' ? conn->error_text.get() : "handshake failed";
            std::fprintf(state.err, "connect to %s port %d failed: %s\n", host ? host : "unknown", state.port, why);
        }
        return nullptr;
    }
    return conn;
}

bool shell_connect(ShellState& state) {
    close_connection(state);
    const Connector connector = state.connector != nullptr ? state.connector : &connect_to_firewall;
    state.connection = connector(state);
    // The record derived its keys (and wiped its own copy); the shell's copy goes too.
    forget_password(state);
    return state.connection != nullptr;
}

ShellConnection open_offline_connection() {
    ShellConnection conn(mgmt_open("0.0.0.0", kDefaultPort, "offline", nullptr));
    if (!conn) return nullptr;
    conn->transport.recv = &offline_recv;
    conn->transport.send = &offline_send;
    conn->transport.close = &offline_close;
    conn->socket = 1 << 20;  // an open-looking number that no descriptor has; the transport never uses it
    return conn;
}

}  // namespace tovac
