// The service's end of one management connection: the Welcome, the check of the Auth, and protected
// blocks in both directions.
//
// Built on the client library's buffer-level pieces (option lists, authenticator, key derivation,
// block encoding and checking), so the simulator protects and checks blocks exactly as the client
// does, over a plain blocking socket. Unlike the client it is strict: any block that is malformed,
// fails its check value or arrives unprotected ends the connection.
//
// At privacy 1 the upgrade program's client uses DES, while the command shell's copy uses two-key
// triple DES at every level; the channel tells them apart by the first block the client sends (only
// one of the two ciphers opens it to a well-formed block) and keeps that cipher for the connection.
//
// Waits are bounded: every receive and send by the idle time-out, and the handshake as a whole by its
// own deadline, so a client that trickles bytes cannot hold the connection open without logging in.
//
// Owns the socket descriptor it is given (closed by the destructor). One thread per channel; channels
// share nothing, so each connection may have its own thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "lib/fwall/crypto.h"
#include "lib/fwall/framing.h"
#include "lib/fwall/handshake.h"
#include "lib/fwall/options.h"

namespace fwsim {

struct ChannelSettings {
    std::string password;
    std::string user;           // required user name; empty: any
    int privacy = -1;           // announced in the Welcome when >= 0; the client then uses it, else 1
    int integrity = -1;         // announced when >= 0; the client then uses it, else 0
    int timeout_seconds = 300;  // a peer silent this long is dropped
    int handshake_seconds = 0;  // the Auth must have arrived this long after the start; 0: no deadline
};

class ServerChannel {
public:
    explicit ServerChannel(int fd);
    ServerChannel(const ServerChannel&) = delete;
    ServerChannel& operator=(const ServerChannel&) = delete;
    ~ServerChannel();

    // Sends the Welcome and checks the Auth. False with the reason in error (then close the channel).
    bool handshake(const ChannelSettings& settings, std::string& error);

    enum class ReadResult { Message, Closed, Failed };
    // Reads one whole message (blocks up to the last-block flag). Closed: the peer ended the connection
    // between messages. Failed: anything else (error says what). A message longer than `limit` fails.
    ReadResult read_message(std::string& message, size_t limit, std::string& error);
    // Reads the next block of a message and appends its data to `data`; `last` tells whether the
    // message ended with it. Closed and Failed as for read_message (Closed only before a message).
    ReadResult read_part(std::string& data, bool& last, std::string& error);

    // Stages bytes of the answer, sending a block whenever 8192 bytes are staged and more follow.
    bool write(const void* data, size_t length);
    // Sends the staged bytes (possibly none) as the message's last block.
    bool flush();

    int privacy() const { return privacy_; }
    bool integrity() const { return protection_.integrity; }
    fwall::Cipher cipher() const { return protection_.cipher; }

private:
    bool fill(std::string& error);  // receives more bytes; false at end of stream or failure
    bool send_all(const std::uint8_t* data, size_t length);
    bool emit(bool last);
    bool open_first_block(fwall::RawBlock& raw, fwall::OpenedBlock& opened);
    bool handshake_steps(const ChannelSettings& settings, std::string& error);

    int fd_;
    std::vector<std::uint8_t> recv_;
    size_t received_ = 0;
    std::vector<std::uint8_t> staged_;
    size_t staged_length_ = 0;
    std::vector<std::uint8_t> send_;
    bool first_block_ = true;
    bool in_message_ = false;  // a block of the current message was read, its last one not yet
    int idle_ms_ = 300 * 1000;
    long long deadline_ms_ = 0;  // monotonic milliseconds by which the handshake must end; 0: none

    int privacy_ = 0;
    fwall::SessionKeys keys_{};
    fwall::DesSchedule schedule1_{};
    fwall::DesSchedule schedule2_{};
    std::uint8_t iv_[fwall::kDesBlockSize] = {};
    fwall::BlockProtection protection_;
};

}  // namespace fwsim
