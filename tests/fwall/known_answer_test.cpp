// Known answers computed outside this project's code (Python's hashlib for MD5, the openssl enc
// command-line tool for DES-CBC and two-key triple DES EDE-CBC with a zero IV) and checked in as hex.
// Inputs: password "Kestrel-99", firewall nonce 0x1A2B3C4D, client nonce 0x1A2B3C4C.
#include <gtest/gtest.h>

#include <cstring>

#include "lib/fwall/mgmt.h"
#include "loopback.h"

namespace {

using fwtest::from_hex;
using fwtest::to_hex;

constexpr std::int32_t kNs = 0x1A2B3C4D;
constexpr std::int32_t kNc = 0x1A2B3C4C;
const char* const kPassword = "Kestrel-99";

std::span<const std::uint8_t> password() {
    return {reinterpret_cast<const std::uint8_t*>(kPassword), std::strlen(kPassword)};
}

const char* const kAuthListZeroed =
    "090561646d696e07044c3c2b1a0201010401010a0200010b01020c01030e01020f0101051000000000000000000000000000000000ff";
const char* const kAuthenticator = "66a146f5f38e55ea1c918c1250e3e7aa";
const char* const kDesKey1 = "5376c09d77bdd25c";
const char* const kDesKey2 = "eef99daee21e479f";
const char* const kIntegrityKey = "76e3916cad3b1ee4a881c31605a1effb";
// "hello", last block, privacy 1, no integrity.
const char* const kBlockPrivacy1 = "800008c23cf1243c209818";
// "hello!!", last block, privacy 2 with integrity (check value and 6 padding bytes inside).
const char* const kBlockPrivacy2 = "80002037a57c2a39bf05d734f0f1b894093a5a9c41593987a26ea1ff35840e2ad2492f";
const char* const kCheckValue = "20079f6827e1bcea088c5a0157b7f86e";

fwall::AuthFields auth_fields() {
    fwall::AuthFields f;
    f.user = "admin";
    f.client_nonce = kNc;
    f.server_nonce = kNs;
    f.minor_version = 2;
    f.client_type = 3;
    f.privacy = 2;
    f.integrity = 1;
    return f;
}

TEST(KnownAnswers, AuthListHasTheDescribedOrderAndAuthenticator) {
    std::uint8_t list[600];
    std::size_t size = 0;
    ASSERT_EQ(fwall::build_auth(list, auth_fields(), password(), size), fwall::AuthBuild::Ok);
    std::string hex = to_hex(list, size);
    const std::string expected = std::string(kAuthListZeroed);
    // Everything but the authenticator's value matches the list built by hand.
    const std::size_t value_at = expected.size() - 2 - 32;
    EXPECT_EQ(hex.substr(0, value_at), expected.substr(0, value_at));
    EXPECT_EQ(hex.substr(value_at, 32), kAuthenticator);
    EXPECT_EQ(hex.substr(value_at + 32), "ff");
}

TEST(KnownAnswers, AuthDigestOverTheZeroedListMatches) {
    const auto list = from_hex(kAuthListZeroed);
    std::uint8_t digest[16];
    fwall::auth_digest(password(), kNs, list, digest);
    EXPECT_EQ(to_hex(digest, 16), kAuthenticator);
}

TEST(KnownAnswers, KeyDerivationGivesBothDesKeysAndTheIntegrityKey) {
    const auto keys = fwall::derive_keys(password(), kNs, kNc);
    EXPECT_EQ(to_hex(keys.des_key1, 8), kDesKey1);
    EXPECT_EQ(to_hex(keys.des_key2, 8), kDesKey2);
    EXPECT_EQ(to_hex(keys.integrity_key, 16), kIntegrityKey);
}

TEST(KnownAnswers, CheckValueOfABlock) {
    const auto keys = fwall::derive_keys(password(), kNs, kNc);
    const std::uint8_t header[3] = {1, 0, 7};
    std::uint8_t check[16];
    fwall::block_check_value(keys.integrity_key, header, reinterpret_cast<const std::uint8_t*>("hello!!"), 7, check);
    EXPECT_EQ(to_hex(check, 16), kCheckValue);
}

class BlockKnownAnswers : public ::testing::Test {
protected:
    fwtest::ManualKeys k = fwtest::keys_for(kPassword, kNs, kNc);
    std::uint8_t out[fwall::kSendAreaSize];
};

TEST_F(BlockKnownAnswers, DesBlockAtPrivacyOne) {
    const std::size_t n = fwall::encode_block(k.protection(1, false, false), true,
                                              reinterpret_cast<const std::uint8_t*>("hello"), 5, true, out);
    EXPECT_EQ(to_hex(out, n), kBlockPrivacy1);
}

TEST_F(BlockKnownAnswers, TripleDesBlockWithCheckValueAtPrivacyTwo) {
    const std::size_t n = fwall::encode_block(k.protection(2, true), true,
                                              reinterpret_cast<const std::uint8_t*>("hello!!"), 7, true, out);
    EXPECT_EQ(to_hex(out, n), kBlockPrivacy2);
}

TEST_F(BlockKnownAnswers, KnownBlocksOpenToTheirData) {
    for (const auto& [hex, privacy, integrity, text] :
         {std::tuple{kBlockPrivacy1, 1, false, "hello"}, std::tuple{kBlockPrivacy2, 2, true, "hello!!"}}) {
        auto bytes = from_hex(hex);
        fwall::RawBlock raw;
        ASSERT_EQ(fwall::split_block(bytes.data(), bytes.size(), raw), fwall::SplitStatus::Complete);
        fwall::OpenedBlock block;
        ASSERT_EQ(fwall::open_block(k.protection(privacy, integrity, false), privacy, raw, block),
                  fwall::OpenStatus::Data);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data), block.data_length), text);
        EXPECT_TRUE(block.last);
    }
}

}  // namespace
