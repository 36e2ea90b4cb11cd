// The Welcome/Auth handshake: option lists checked and built on buffers, the authenticator and the key
// derivation, and the record-level steps for both ends.
//
// Client side: `mgmt_connect` opens the TCP connection and runs the reader until the Welcome has been
// checked and the Auth sent (state 4), or the Welcome failed (state 5).
// Server side (the simulator): a record made with `mgmt_open` and `server_side` set, its socket set to
// the accepted connection; `mgmt_send_welcome` then `mgmt_accept` read the Auth, check its
// authenticator against the record's password and enter state 4 (or 5).
// The buffer-level functions below are what both ends share. They allocate nothing; the record-level
// ones follow the threading rules of conn.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "lib/fwall/conn.h"

namespace fwall {

// Largest option list a handshake message may carry in this implementation.
inline constexpr std::size_t kMaxOptionList = 512;

// ---- Keys (both sides) --------------------------------------------------------------------------

struct SessionKeys {
    std::uint8_t des_key1[8];
    std::uint8_t des_key2[8];
    std::uint8_t integrity_key[16];
};

// KEY digest (MD5 of password, "KEY", Ns, Nc) split into the two DES keys; INTE digest (password,
// "INTE", Ns, Nc) as the integrity key. Nonces as their 4 little-endian bytes.
SessionKeys derive_keys(std::span<const std::uint8_t> password, std::int32_t server_nonce, std::int32_t client_nonce);

// AUTH digest: MD5 of password, "AUTH", Ns and the Auth option list (`list` with the authenticator's
// 16 bytes zero and the terminator included).
void auth_digest(std::span<const std::uint8_t> password, std::int32_t server_nonce, std::span<const std::uint8_t> list,
                 std::uint8_t out[16]);

// ---- Welcome (built by the server, checked by the client) -------------------------------------

struct WelcomeFields {
    std::int32_t nonce = 0;
    const std::uint8_t* address = nullptr;  // tag 3, 4 bytes first octet first; omitted when null
    int privacy = -1;                       // tag 14; omitted when negative
    int integrity = -1;                     // tag 15; omitted when negative
    std::uint8_t version[2] = {0, 1};       // tag 10
};

// Builds a Welcome option list into `list`; returns its size, nullopt when it does not fit.
std::optional<std::size_t> build_welcome(std::span<std::uint8_t> list, const WelcomeFields& fields);

struct WelcomeCheck {
    const char* failure = nullptr;  // the log text of the failed check; null when the Welcome passed
    std::int32_t server_nonce = 0;
    int privacy = 1;
    int integrity = 0;
    bool keep_relay = false;  // the firewall is the gateway of a relay: ask it to relay
};

// The client's checks on a Welcome, in order. `integrity_before` is the record's integrity setting;
// `host_address` the record's host text through the dotted-quad parser (4 bytes, first octet first);
// `have_relay` whether a relay target is set.
WelcomeCheck check_welcome(std::span<const std::uint8_t> list, int integrity_before, const std::uint8_t host_address[4],
                           bool have_relay);

// ---- Auth (built by the client, checked by the server) ----------------------------------------

struct AuthFields {
    const char* user = nullptr;
    const char* who = nullptr;
    std::int32_t client_nonce = 0;
    std::int32_t server_nonce = 0;
    std::uint32_t minor_version = 0;
    std::uint32_t client_type = 0;
    int privacy = 0;
    int integrity = 0;   // as sent (1 when privacy is 0)
    bool relay = false;  // a relay request: tags 17 and 18, no authenticator
    std::uint8_t relay_target[4] = {};
    std::int32_t relay_port = 0;
};

enum class AuthBuild { Ok, NoRoom, NoAuthenticator };

// Builds an Auth option list (authenticator computed with `password` unless it is a relay request).
AuthBuild build_auth(std::span<std::uint8_t> list, const AuthFields& fields, std::span<const std::uint8_t> password,
                     std::size_t& list_size);

struct AuthView {
    std::int32_t client_nonce = 0;
    std::span<const std::uint8_t> user;
    std::span<const std::uint8_t> who;
    int privacy = -1;    // -1 when absent
    int integrity = -1;  // -1 when absent
    bool relay_request = false;
    std::uint8_t relay_target[4] = {};
    std::int32_t relay_port = 0;
};

enum class AuthCheck { Ok, Malformed, RelayRequest, BadAuthenticator };

// The server's check of an Auth list against its password and its own nonce; fills `view` when the
// list is well formed (also for a relay request).
AuthCheck check_auth(std::span<const std::uint8_t> list, std::span<const std::uint8_t> password,
                     std::int32_t server_nonce, AuthView& view);

}  // namespace fwall

// ---- Record level ---------------------------------------------------------------------------------

// Client: 1 for a null record; -1 when the connection cannot be opened or fails during the handshake;
// 0 otherwise (also when the Welcome failed its checks: the record is then in state 5 and every later
// exchange on it fails without sending a byte).
int mgmt_connect(MgmtConnection* conn);

// The handshake step the reader offers every complete block to while the state is not 4: 1 when the
// step consumed the block, 0 when the block is data.
int mgmt_handshake_step(MgmtConnection* conn, std::uint8_t* payload, std::size_t length);

// Enters state 4 with keys derived from the record's password and nonces (wiping the password) and
// makes the key schedules. Used by both sides.
void mgmt_make_keys(MgmtConnection* conn);

// Server: sends the Welcome built from `fields` and waits for the Auth (state 1). The record's
// server_nonce becomes fields.nonce. Returns 0, or -1 when sending failed.
int mgmt_send_welcome(MgmtConnection* conn, const fwall::WelcomeFields& fields);

// Server: reads the Auth. 0 when established (state 4, the record's privacy and integrity are those
// the client sent, `who` holds the client's second identity); 1 when the Auth failed its checks
// (state 5: malformed, a relay request, a user other than the record's user when one is set, or an
// authenticator that does not match the record's password); -1 when the connection failed.
int mgmt_accept(MgmtConnection* conn);
