// The command shell's module state: one interpreter per process, and every call works on it.
//
// `ShellState` holds what the options, the prompts and the commands set (host, port, user, password,
// flags, the Authorization line built after a challenge) and the one open connection. The exported
// entry points work on the process-wide instance `shell_state()`; tests and the fuzz target build
// their own instances, or reset the process-wide one, and swap the three seams: the input stream, the
// message stream and the connector that opens a connection.
//
// Ownership: the state owns its connection (closed and released by `close_connection` or when replaced)
// and its strings. The password lives in a fixed buffer that is wiped, never reallocated.
// Threads: single-threaded; one interpreter runs at a time in a process.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "lib/fwall/conn.h"

namespace tovac {

inline constexpr std::size_t kLineMax = 255;     // input lines, -P passwords, -k paths, key file bytes
inline constexpr std::size_t kAnswerMax = 8190;  // a typed answer to a challenge
inline constexpr int kDefaultPort = 8004;

// Closes a record's socket (shut down first) and releases the record.
struct ConnectionCloser {
    void operator()(MgmtConnection* conn) const;
};
using ShellConnection = std::unique_ptr<MgmtConnection, ConnectionCloser>;

struct ShellState;

// Opens and connects a record for the state's host, port, user, password and who; null when the
// connection or the handshake failed. The default (`connect_to_firewall`) uses TCP.
using Connector = ShellConnection (*)(ShellState& state);

struct ShellState {
    std::optional<std::string> host;
    int port = kDefaultPort;
    std::optional<std::string> user;
    std::optional<std::string> who;    // second identity, sent as Auth tag 13
    char password[kLineMax + 1] = {};  // valid when has_password
    bool has_password = false;
    std::string key_path;
    bool prompt = false;          // -I
    bool interactive = false;     // -i
    bool verbose = false;         // -v, VER
    bool debug = false;           // -d
    int timeout = 60;             // -t: seconds for the connect and each receive; <= 0: none
    bool error_on_exit = false;   // -X command
    std::string request_headers;  // the Authorization line built after a challenge
    ShellConnection connection;
    bool send_failed = false;  // a send on the current connection failed

    // Seams.
    std::FILE* in = stdin;
    std::FILE* err = stderr;
    Connector connector = nullptr;  // null: connect_to_firewall

    ShellState() = default;
    ShellState(const ShellState&) = delete;
    ShellState& operator=(const ShellState&) = delete;
    ~ShellState();
};

// The process-wide interpreter state.
ShellState& shell_state();
// Returns the process-wide state to its initial values (closing its connection); for tests and fuzzing.
void shell_reset_state();

// Sets the password (at most kLineMax characters are kept).
void set_password(ShellState& state, const char* text);
// Wipes the password and marks it absent.
void forget_password(ShellState& state);

// Closes and releases the state's connection, if any.
void close_connection(ShellState& state);

}  // namespace tovac
