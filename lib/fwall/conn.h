// The connection record of the management client library and the TCP layer under it.
//
// A `MgmtConnection` is one protocol connection to a firewall's management service (or, with
// `server_side` set, the service's end of one; the simulator uses the same record and framing).
// It is made by `mgmt_open` and released by `mgmt_free`; it owns its strings, its error text and its
// reader and writer, which point back at it. The socket is not owned in the RAII sense: callers close it
// with `mgmt_close_socket` (through the reader and the writer) before `mgmt_free`, as the protocol's
// callers always have.
//
// Threads: a record is used by one thread at a time; nothing here locks. The one exception is
// `mgmt_close_socket`, which another thread may call to end a pending exchange (a session's time-out):
// it shuts the socket down, so a blocked receive returns and the exchange fails with -1. The record
// must not be freed until that exchange has returned. The request/response reader (response.h) uses
// buffers shared by every record, so exchanges must not overlap in the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "lib/fwall/build_flavor.h"
#include "lib/fwall/crypto.h"

struct MgmtReader;
struct MgmtWriter;

// Size of the record's error text buffer.
inline constexpr std::size_t kMgmtErrorTextSize = 8192;

// Handshake states.
enum MgmtState : std::uint32_t {
    kMgmtCreated = 0,
    kMgmtWaitingWelcome = 1,  // server side: waiting for the Auth
    kMgmtEstablished = 4,
    kMgmtFailed = 5,
};

// Owned C strings of the record (allocated by mgmt_strndup; released with free).
struct MgmtFreeString {
    void operator()(char* s) const;
};
using MgmtString = std::unique_ptr<char, MgmtFreeString>;

// Where a record's bytes go. The default moves them over `socket` with sock_recv / sock_send /
// close; tests and fuzz targets substitute memory. `context` is passed through untouched.
// `timeout_ms`, when positive, bounds mgmt_connect's TCP connect and each receive of the default
// transport (a substituted recv applies its own bound); 0 waits without end.
struct MgmtTransport {
    int (*recv)(void* context, int socket, void* buffer, int size) = nullptr;
    int (*send)(void* context, int socket, const void* data, int length) = nullptr;
    void (*close)(void* context, int socket) = nullptr;
    void* context = nullptr;
    int timeout_ms = 0;
};

struct MgmtConnection {
    std::uint32_t state = kMgmtCreated;
    std::int32_t socket = -1;
    MgmtString host;
    std::uint32_t port = 0;
    MgmtString user;
    MgmtString password;                 // wiped and released once the keys are derived
    std::unique_ptr<char[]> error_text;  // kMgmtErrorTextSize bytes, text of the last connection failure
    std::int32_t event = 0;
    std::unique_ptr<MgmtReader> reader;
    std::unique_ptr<MgmtWriter> writer;
    std::int32_t server_nonce = 0;  // before the Welcome: the client's seed
    std::int32_t client_nonce = 0;
    std::uint8_t integrity_key[16] = {};
    std::uint8_t des_key1[8] = {};
    std::uint8_t des_key2[8] = {};
    fwall::DesSchedule schedule1 = {};
    fwall::DesSchedule schedule2 = {};
    std::uint8_t recv_iv[8] = {};
    std::uint8_t send_iv[8] = {};
    std::uint32_t client_type = 0;
    std::uint32_t minor_version = 0;
    MgmtString who;
    std::int32_t privacy = 2;
    std::int32_t integrity = 0;
    std::uint8_t relay_target[4] = {};  // last octet first; all zero when none
    std::int32_t relay_port = 0;

    // Additions of this implementation.
    bool server_side = false;  // the service's end: the handshake step expects an Auth, not a Welcome
    MgmtTransport transport;   // byte transport; default is the socket

    MgmtConnection();
    ~MgmtConnection();
    MgmtConnection(const MgmtConnection&) = delete;
    MgmtConnection& operator=(const MgmtConnection&) = delete;
};

// Allocates a record and copies the strings (each may be null). In the upgrade program a host text
// with any character other than a digit or '.' is resolved at once and replaced by the dotted form of
// its first address; null when it does not resolve. The command-shell copy never resolves here.
// Null when memory runs out.
[[nodiscard]] MgmtConnection* mgmt_open(const char* host, std::uint32_t port, const char* user, const char* password);
// Releases the record and all it owns; does not close the socket. Null is ignored.
void mgmt_free(MgmtConnection* conn);

// Seconds since 1970 plus the process id.
int mgmt_make_nonce();
// server_nonce = seed, client_nonce = seed - 1.
void mgmt_set_nonce(MgmtConnection* conn, int seed);

MgmtReader* mgmt_reader(MgmtConnection* conn);
MgmtWriter* mgmt_writer(MgmtConnection* conn);

// Close the record's socket if open (shut down first) and set it to -1; null arguments are ignored;
// returns 0. Safe to call from another thread while an exchange waits on the socket.
int mgmt_close_socket(MgmtReader* reader);
int mgmt_close_socket(MgmtWriter* writer);

// Opens a TCP connection. Returns the socket, -1 when the address cannot be resolved or parsed, -2
// when no socket could be made, -3 when the connection failed; the failure text goes to error_text
// (when not null; at most kMgmtErrorTextSize bytes are written). `privileged` binds a source port
// from 1023 down to 512 (no caller uses it).
int tcp_connect(const char* address, std::uint32_t port, int privileged, char* error_text);
// As tcp_connect, with each connect attempt given up after timeout_ms (when positive): -3, and the
// text "connect: " and the text of ETIMEDOUT.
int tcp_connect_within(const char* address, std::uint32_t port, int privileged, char* error_text, int timeout_ms);

// One receive / one send, repeated while interrupted. Counts, 0 at end of stream, negative on error.
int sock_recv(int socket, void* buffer, int size);
// As sock_recv, waiting at most timeout_ms (when positive) for bytes: -1 with errno ETIMEDOUT when
// none came, which callers treat as the connection's end (nothing is printed for it).
int sock_recv_within(int socket, void* buffer, int size, int timeout_ms);
int sock_send(int socket, const void* data, int length);

// The library's log hook. It discards its input; nothing may depend on it.
void mgmt_log(int priority, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Copies at most n bytes (stopping at a NUL) into n + 2 new bytes, terminated at index n.
// Null (after a log call) when memory runs out. Release with free().
[[nodiscard]] char* mgmt_strndup(const char* bytes, std::size_t n);
[[nodiscard]] char* mgmt_strdup(const char* text);

// The command-shell copy's last-error number (101-106 set by the library; 0 otherwise). Process-wide;
// the upgrade program's copy never sets it.
int mgmt_last_error();
void mgmt_set_last_error(int code);

// Last-error codes of the command-shell copy.
enum MgmtLastError : int {
    kErrNoPassword = 101,       // "SendAuth - no password specified"
    kErrBadAuthBuf = 102,       // "INFO Bad Auth Authbuf"
    kErrMakeKey = 103,          // "Failed to make key"
    kErrNotEncrypted = 105,     // "Block not encrypted!"
    kErrDecryptedTooLong = 106  // "decrypted packet too long!"
};
