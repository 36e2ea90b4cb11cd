// The process-wide interpreter state and its password handling.
#include "util/tovad/shell_state.h"

#include <cstring>

#include "lib/fwall/crypto.h"
#include "lib/fwall/stream.h"

namespace tovac {

void ConnectionCloser::operator()(MgmtConnection* conn) const {
    if (conn == nullptr) return;
    mgmt_close_socket(mgmt_reader(conn));
    mgmt_close_socket(mgmt_writer(conn));
    mgmt_free(conn);
}

ShellState::~ShellState() { fwall::wipe(password, sizeof password); }

namespace {

std::unique_ptr<ShellState>& process_state() {
    static std::unique_ptr<ShellState> state = std::make_unique<ShellState>();
    return state;
}

}  // namespace

ShellState& shell_state() { return *process_state(); }

void shell_reset_state() { process_state() = std::make_unique<ShellState>(); }

void set_password(ShellState& state, const char* text) {
    fwall::wipe(state.password, sizeof state.password);
    std::size_t n = 0;
    while (n < kLineMax && text[n] != '\0') {
        state.password[n] = text[n];
        ++n;
    }
    state.has_password = true;
}

void forget_password(ShellState& state) {
    fwall::wipe(state.password, sizeof state.password);
    state.has_password = false;
}

void close_connection(ShellState& state) {
    state.connection.reset();
    state.send_failed = false;
}

}  // namespace tovac
