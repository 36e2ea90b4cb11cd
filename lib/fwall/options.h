// Option lists of the handshake messages (Welcome from the firewall, Auth from the client).
//
// A list is a run of entries `tag, length, value`; a single 0 byte is a filler and the byte 255 ends
// the list. These functions work on a caller's buffer and never read or write past the capacity they
// are given, so they serve the client (checking a Welcome, building an Auth) and the server
// (building a Welcome, checking an Auth) alike, and they are safe on bytes from the network.
// No allocation, no shared state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace fwall {

inline constexpr std::uint8_t kOptionFiller = 0;
inline constexpr std::uint8_t kOptionEnd = 255;

// Tags the protocol uses.
enum OptionTag : std::uint8_t {
    kTagProtocol = 2,       // value 1
    kTagServerAddress = 3,  // firewall's IPv4 address, first octet first (Welcome)
    kTagAuthProtocol = 4,   // value 1
    kTagAuthenticator = 5,  // 16 bytes (Auth)
    kTagNonce = 7,          // 4 bytes, little-endian
    kTagUser = 9,           // user name without terminator (Auth)
    kTagVersion = 10,       // 2 bytes; first byte 0
    kTagMinorVersion = 11,  // (Auth)
    kTagClientType = 12,    // (Auth)
    kTagWho = 13,           // second identity (Auth)
    kTagPrivacy = 14,       // 0 none, 1 DES, 2 two-key triple DES
    kTagIntegrity = 15,     // 0 or 1
    kTagRelayTarget = 17,   // IPv4 address, last octet first (relay request)
    kTagRelayPort = 18,     // 2 bytes, most significant first (relay request)
};

// Where an entry's value lies inside the list.
struct OptionEntry {
    std::size_t value_offset = 0;  // index of the first value byte in the list
    std::uint8_t length = 0;
};

// The first entry with `tag`. Gives up at the terminator, at an entry of length 0, when the lengths
// of the entries passed add up to 512 or more, or at the end of `list` (an entry running past the end
// counts as absent).
std::optional<OptionEntry> option_find(std::span<const std::uint8_t> list, std::uint8_t tag);

// Number of bytes up to and including the terminator; nullopt when `list` holds no terminator
// reachable by walking the entries.
std::optional<std::size_t> option_size(std::span<const std::uint8_t> list);

// Makes `list` an empty list (a lone terminator). False when capacity is 0.
bool option_init(std::span<std::uint8_t> list);

// Sets an entry: overwrites the value of an existing entry of the same length, otherwise removes
// every entry with the tag (compacting the list) and appends the entry before the terminator.
// False, with the list unchanged, when the list is malformed or the entry does not fit `list`.
bool option_set(std::span<std::uint8_t> list, std::uint8_t tag, std::span<const std::uint8_t> value);
bool option_set_byte(std::span<std::uint8_t> list, std::uint8_t tag, std::uint8_t value);

// Handshake message framing: 0x01, the list size (two bytes, most significant first), the list.
inline constexpr std::uint8_t kHandshakeMarker = 0x01;
inline constexpr std::size_t kHandshakeHeader = 3;

// Writes the 3-byte header for a list of `list_size` bytes.
void handshake_header(std::uint8_t out[kHandshakeHeader], std::size_t list_size);

// Nonces travel and are hashed as the 4 bytes of their little-endian form.
void nonce_bytes(std::int32_t nonce, std::uint8_t out[4]);
std::int32_t nonce_from_bytes(const std::uint8_t in[4]);

}  // namespace fwall
