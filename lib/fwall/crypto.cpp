// OpenSSL libcrypto behind the small interface of crypto.h. The low-level MD5 and DES calls are used
// on purpose: they work on caller memory without allocation (the per-block path must not allocate) and
// DES needs no provider to be loaded.
#define OPENSSL_SUPPRESS_DEPRECATED 1
#include "lib/fwall/crypto.h"

#include <openssl/crypto.h>
#include <openssl/des.h>
#include <openssl/md5.h>

#include <cstring>

namespace fwall {

static_assert(sizeof(DES_key_schedule) <= sizeof(DesSchedule::opaque));
static_assert(alignof(DES_key_schedule) <= alignof(DesSchedule));

namespace {

DES_key_schedule* ks(DesSchedule& s) { return reinterpret_cast<DES_key_schedule*>(s.opaque); }
DES_key_schedule* ks(const DesSchedule& s) {
    // libcrypto's CBC functions take a non-const schedule but do not change it.
    return reinterpret_cast<DES_key_schedule*>(const_cast<unsigned char*>(s.opaque));
}

std::size_t whole_blocks(std::size_t length) { return length - length % kDesBlockSize; }

}  // namespace

void md5_of(std::initializer_list<std::span<const std::uint8_t>> pieces, std::uint8_t out[kMd5Size]) {
    MD5_CTX ctx;
    MD5_Init(&ctx);
    for (const auto& piece : pieces) {
        if (!piece.empty()) MD5_Update(&ctx, piece.data(), piece.size());
    }
    MD5_Final(out, &ctx);
    OPENSSL_cleanse(&ctx, sizeof ctx);
}

bool des_make_schedule(const std::uint8_t key[kDesKeySize], DesSchedule& schedule) {
    DES_cblock block;
    std::memcpy(block, key, kDesKeySize);
    DES_set_key_unchecked(&block, ks(schedule));
    OPENSSL_cleanse(block, sizeof block);
    return true;
}

void des_cbc_encrypt(const DesSchedule& key, std::uint8_t* data, std::size_t length,
                     const std::uint8_t iv[kDesBlockSize]) {
    DES_cblock chain;
    std::memcpy(chain, iv, kDesBlockSize);
    DES_ncbc_encrypt(data, data, static_cast<long>(whole_blocks(length)), ks(key), &chain, DES_ENCRYPT);
}

void des_cbc_decrypt(const DesSchedule& key, std::uint8_t* data, std::size_t length,
                     const std::uint8_t iv[kDesBlockSize]) {
    DES_cblock chain;
    std::memcpy(chain, iv, kDesBlockSize);
    DES_ncbc_encrypt(data, data, static_cast<long>(whole_blocks(length)), ks(key), &chain, DES_DECRYPT);
}

void des_ede2_cbc_encrypt(const DesSchedule& key1, const DesSchedule& key2, std::uint8_t* data, std::size_t length,
                          const std::uint8_t iv[kDesBlockSize]) {
    DES_cblock chain;
    std::memcpy(chain, iv, kDesBlockSize);
    DES_ede3_cbc_encrypt(data, data, static_cast<long>(whole_blocks(length)), ks(key1), ks(key2), ks(key1), &chain,
                         DES_ENCRYPT);
}

void des_ede2_cbc_decrypt(const DesSchedule& key1, const DesSchedule& key2, std::uint8_t* data, std::size_t length,
                          const std::uint8_t iv[kDesBlockSize]) {
    DES_cblock chain;
    std::memcpy(chain, iv, kDesBlockSize);
    DES_ede3_cbc_encrypt(data, data, static_cast<long>(whole_blocks(length)), ks(key1), ks(key2), ks(key1), &chain,
                         DES_DECRYPT);
}

bool equal_secret(const std::uint8_t* a, const std::uint8_t* b, std::size_t length) {
    return CRYPTO_memcmp(a, b, length) == 0;
}

void wipe(void* data, std::size_t length) { OPENSSL_cleanse(data, length); }

}  // namespace fwall
