// The one unit that talks to OpenSSL libcrypto: MD5, DES key set-up, DES-CBC and two-key triple DES
// EDE-CBC (keys 1, 2, 1).
//
// Nothing else in the project includes an OpenSSL header. The functions work on caller-owned memory,
// allocate nothing and may be used from any thread (each call touches only its arguments). Both the
// client and the server side of the management protocol use them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

namespace fwall {

inline constexpr std::size_t kMd5Size = 16;
inline constexpr std::size_t kDesKeySize = 8;
inline constexpr std::size_t kDesBlockSize = 8;

// An expanded DES key. Opaque storage large enough for libcrypto's key schedule.
struct DesSchedule {
    alignas(16) unsigned char opaque[128];
};

// MD5 over the concatenation of the given pieces; writes 16 bytes to out.
void md5_of(std::initializer_list<std::span<const std::uint8_t>> pieces, std::uint8_t out[kMd5Size]);

// DES key set-up that ignores the parity bits and performs no weak-key check. Returns false only if
// the library reported an error (it never does for the unchecked set-up, but callers log it).
bool des_make_schedule(const std::uint8_t key[kDesKeySize], DesSchedule& schedule);

// CBC over `length` bytes in place, starting from `iv` (not updated: every block of the protocol
// starts from the same all-zero chaining value). Only whole 8-byte blocks are processed; a trailing
// partial block is left untouched (callers reject such lengths before).
void des_cbc_encrypt(const DesSchedule& key, std::uint8_t* data, std::size_t length,
                     const std::uint8_t iv[kDesBlockSize]);
void des_cbc_decrypt(const DesSchedule& key, std::uint8_t* data, std::size_t length,
                     const std::uint8_t iv[kDesBlockSize]);
void des_ede2_cbc_encrypt(const DesSchedule& key1, const DesSchedule& key2, std::uint8_t* data, std::size_t length,
                          const std::uint8_t iv[kDesBlockSize]);
void des_ede2_cbc_decrypt(const DesSchedule& key1, const DesSchedule& key2, std::uint8_t* data, std::size_t length,
                          const std::uint8_t iv[kDesBlockSize]);

// Compares two byte runs in time that does not depend on where they differ. True when equal.
bool equal_secret(const std::uint8_t* a, const std::uint8_t* b, std::size_t length);

// Overwrites memory in a way the compiler may not remove.
void wipe(void* data, std::size_t length);

}  // namespace fwall
