// Block protection and checking on buffers (see framing.h for the formats).
#include "lib/fwall/framing.h"

#include <cstring>

namespace fwall {

namespace {

void put_length(std::uint8_t* at, std::size_t length) {
    at[0] = static_cast<std::uint8_t>((length >> 8) & 0xFF);
    at[1] = static_cast<std::uint8_t>(length & 0xFF);
}

std::size_t get_length(const std::uint8_t* at) { return (static_cast<std::size_t>(at[0]) << 8) | at[1]; }

void encrypt(const BlockProtection& p, std::uint8_t* data, std::size_t length) {
    if (p.cipher == Cipher::TripleDes) {
        des_ede2_cbc_encrypt(*p.schedule1, *p.schedule2, data, length, p.iv);
    } else {
        des_cbc_encrypt(*p.schedule1, data, length, p.iv);
    }
}

void decrypt(const BlockProtection& p, std::uint8_t* data, std::size_t length) {
    // A block marked encrypted is decrypted even at privacy 0: with DES, as at every level but 2.
    if (p.cipher == Cipher::TripleDes) {
        des_ede2_cbc_decrypt(*p.schedule1, *p.schedule2, data, length, p.iv);
    } else {
        des_cbc_decrypt(*p.schedule1, data, length, p.iv);
    }
}

}  // namespace

Cipher cipher_for_privacy(int privacy, bool triple_des_always) {
    if (privacy == 0) return Cipher::None;
    if (privacy == 2 || triple_des_always) return Cipher::TripleDes;
    return Cipher::Des;
}

void block_check_value(const std::uint8_t integrity_key[16], const std::uint8_t header[kBlockHeader],
                       const std::uint8_t* data, std::size_t data_length, std::uint8_t out[kCheckValueSize]) {
    md5_of({{integrity_key, 16}, {header, kBlockHeader}, {data, data_length}}, out);
}

std::size_t encode_block(const BlockProtection& protection, bool established, const std::uint8_t* data,
                         std::size_t data_length, bool last, std::uint8_t* out) {
    if (data_length > kMaxBlockData) return 0;
    const bool encrypted = established && protection.cipher != Cipher::None;
    std::uint8_t* inner = encrypted ? out + kBlockHeader : out;
    inner[0] = last ? kFlagLast : 0;
    put_length(inner + 1, data_length);
    if (data_length > 0) std::memcpy(inner + kBlockHeader, data, data_length);
    std::size_t inner_length = kBlockHeader + data_length;
    if (established && protection.integrity) {
        block_check_value(protection.integrity_key, inner, inner + kBlockHeader, data_length, inner + inner_length);
        inner[0] |= kFlagChecked;
        put_length(inner + 1, data_length + kCheckValueSize);
        inner_length += kCheckValueSize;
    }
    if (!encrypted) return inner_length;
    const std::size_t padding = (kDesBlockSize - inner_length % kDesBlockSize) % kDesBlockSize;
    for (std::size_t i = 0; i < padding; ++i) inner[inner_length + i] = static_cast<std::uint8_t>(padding - i);
    inner_length += padding;
    out[0] = kFlagEncrypted;
    put_length(out + 1, inner_length);
    encrypt(protection, inner, inner_length);
    return kBlockHeader + inner_length;
}

SplitStatus split_block(std::uint8_t* buffer, std::size_t available, RawBlock& raw) {
    if (available < kBlockHeader) return SplitStatus::NeedMore;
    const std::size_t length = get_length(buffer + 1);
    if (buffer[1] >= 0x80 || length > kMaxBlockLength) return SplitStatus::Malformed;
    if (available < kBlockHeader + length) return SplitStatus::NeedMore;
    raw.flags = buffer[0];
    raw.length = length;
    raw.payload = buffer + kBlockHeader;
    raw.total = kBlockHeader + length;
    return SplitStatus::Complete;
}

OpenStatus open_block(const BlockProtection& protection, int privacy, RawBlock& raw, OpenedBlock& out) {
    out = OpenedBlock{};
    std::uint8_t* header;
    std::size_t length;
    if (raw.flags & kFlagEncrypted) {
        const bool keys = protection.schedule1 != nullptr &&
                          (protection.cipher != Cipher::TripleDes || protection.schedule2 != nullptr);
        if (!keys || raw.length < kDesBlockSize || raw.length % kDesBlockSize != 0) return OpenStatus::BadCipherLength;
        decrypt(protection, raw.payload, raw.length);
        header = raw.payload;
        length = get_length(header + 1);
        if (header[1] >= 0x80 || length >= kMaxBlockLength || kBlockHeader + length > raw.length) {
            return OpenStatus::DecryptedTooLong;
        }
    } else {
        if (privacy != 0) return OpenStatus::NotEncrypted;
        header = raw.payload - kBlockHeader;
        length = raw.length;
    }
    std::uint8_t* data = header + kBlockHeader;
    if (header[0] & kFlagChecked) {
        if (length < kCheckValueSize || length > kMaxCheckedLength) return OpenStatus::CheckFailed;
        header[0] = static_cast<std::uint8_t>(header[0] & ~kFlagChecked);
        length -= kCheckValueSize;
        put_length(header + 1, length);
        if (protection.integrity) {
            std::uint8_t expected[kCheckValueSize];
            block_check_value(protection.integrity_key, header, data, length, expected);
            if (!equal_secret(expected, data + length, kCheckValueSize)) return OpenStatus::CheckFailed;
        }
    } else if (protection.integrity && privacy == 0) {
        out.integrity_missing = true;
    }
    if (length > kMaxBlockData) return OpenStatus::TooLongToDeliver;
    out.data = data;
    out.data_length = length;
    out.last = (header[0] & kFlagEndMask) != 0;
    return OpenStatus::Data;
}

}  // namespace fwall
