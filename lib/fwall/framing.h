// Block framing on buffers: the protection (check value, padding, encryption) and the checking of the
// data blocks that carry every message once a connection is established.
//
// These functions know nothing of sockets or records: they take the protection in force and a
// buffer, so the client's reader and writer, the simulator's service side, tests and fuzz targets
// share them. Both directions of a connection use the same keys and start every block from an all-zero
// chaining value, so a server protects with exactly what the client checks and vice versa.
// No allocation; the caller owns every buffer; safe from any thread on distinct buffers.
//
// Wire formats (lengths two bytes, most significant first):
//   not established:          flags, length, data
//   established, privacy 0:   flags, length, data, [16-byte check value if flags & 0x40]
//   established, privacy 1/2: 0x80, length of ciphertext, ciphertext of
//                             (flags, length, data, [check value], padding p, p-1, ..., 1)
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "lib/fwall/crypto.h"

namespace fwall {

inline constexpr std::size_t kBlockHeader = 3;
inline constexpr std::size_t kMaxBlockData = 8192;    // staging and delivery areas
inline constexpr std::size_t kMaxBlockLength = 8222;  // largest length a received header may give
inline constexpr std::size_t kCheckValueSize = 16;
inline constexpr std::size_t kMaxCheckedLength = kMaxBlockData + kCheckValueSize;  // 8208
// Largest block an established sender produces: outer header + inner header + data + check + padding.
inline constexpr std::size_t kMaxEncodedBlock = 8219;
// A receive area must hold one block of the largest accepted length plus a following header.
inline constexpr std::size_t kRecvAreaSize = kBlockHeader + kMaxBlockLength + kBlockHeader;
inline constexpr std::size_t kSendAreaSize = 8232;

inline constexpr std::uint8_t kFlagLast = 0x01;
inline constexpr std::uint8_t kFlagEndMask = 0x3F;
inline constexpr std::uint8_t kFlagChecked = 0x40;
inline constexpr std::uint8_t kFlagEncrypted = 0x80;

enum class Cipher { None, Des, TripleDes };

// The cipher used at a privacy level. `triple_des_always` is the command-shell copy's rule (two-key
// triple DES at levels 1 and 2 alike).
Cipher cipher_for_privacy(int privacy, bool triple_des_always);

// What protects blocks on an established connection (both directions).
struct BlockProtection {
    Cipher cipher = Cipher::None;
    bool integrity = false;
    const std::uint8_t* integrity_key = nullptr;  // 16 bytes; used when integrity is on
    const DesSchedule* schedule1 = nullptr;       // used when cipher != None
    const DesSchedule* schedule2 = nullptr;       // used when cipher == TripleDes
    const std::uint8_t* iv = nullptr;             // 8 bytes (all zero in this protocol)
};

// Encoding a block. `out` must have room for kSendAreaSize bytes. Writes the whole block (with the outer
// header when `established`) and returns its size in bytes; 0 when `data_length` exceeds kMaxBlockData.
// `data` may not overlap `out`.
std::size_t encode_block(const BlockProtection& protection, bool established, const std::uint8_t* data,
                         std::size_t data_length, bool last, std::uint8_t* out);

// A block's outer frame as it sits in a receive buffer.
struct RawBlock {
    std::uint8_t flags = 0;
    std::size_t length = 0;           // the header's length field
    std::uint8_t* payload = nullptr;  // `length` bytes after the header
    std::size_t total = 0;            // header + payload
};

enum class SplitStatus {
    Complete,   // `raw` describes a whole block at the start of the buffer
    NeedMore,   // the header or the payload is not complete yet; nothing consumed
    Malformed,  // the high length byte is 0x80 or more, or the length exceeds kMaxBlockLength
};

// Looks at the block at the start of `buffer`.
SplitStatus split_block(std::uint8_t* buffer, std::size_t available, RawBlock& raw);

enum class OpenStatus {
    Data,              // `data` / `data_length` hold the block's data; `last` the end-of-message mark
    NotEncrypted,      // privacy in force but the block is not encrypted ("Block not encrypted!")
    DecryptedTooLong,  // inner length invalid ("decrypted packet too long!")
    CheckFailed,       // the check value does not match, or its length is out of range
    TooLongToDeliver,  // the data would not fit the 8192-byte delivery area
    BadCipherLength,   // ciphertext length not a multiple of 8
};

struct OpenedBlock {
    const std::uint8_t* data = nullptr;
    std::size_t data_length = 0;
    bool last = false;               // any of the low six flag bits
    bool integrity_missing = false;  // integrity on, privacy 0, no check value: the receiver switches
                                     // integrity off for the rest of the connection
};

// Checks and (when encrypted) decrypts an established connection's block in place. `privacy` is the
// level in force (0 means blocks must not be required to be encrypted).
OpenStatus open_block(const BlockProtection& protection, int privacy, RawBlock& raw, OpenedBlock& out);

// The check value of a block: MD5 over the key, the 3 header bytes (flags without 0x40, data length)
// and the data.
void block_check_value(const std::uint8_t integrity_key[16], const std::uint8_t header[kBlockHeader],
                       const std::uint8_t* data, std::size_t data_length, std::uint8_t out[kCheckValueSize]);

}  // namespace fwall
