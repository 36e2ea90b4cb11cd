// Option list walking, building and handshake header helpers.
#include "lib/fwall/options.h"

#include <cstring>

namespace fwall {

namespace {

// Entries whose lengths add up to this much end a search.
constexpr std::size_t kFindLengthLimit = 512;

// Position of the terminator, walking every entry (fillers skipped); nullopt when the walk leaves the
// buffer first.
std::optional<std::size_t> terminator_at(std::span<const std::uint8_t> list) {
    std::size_t pos = 0;
    while (pos < list.size()) {
        const std::uint8_t tag = list[pos];
        if (tag == kOptionEnd) return pos;
        if (tag == kOptionFiller) {
            ++pos;
            continue;
        }
        if (pos + 1 >= list.size()) return std::nullopt;
        pos += 2 + list[pos + 1];
    }
    return std::nullopt;
}

}  // namespace

std::optional<OptionEntry> option_find(std::span<const std::uint8_t> list, std::uint8_t tag) {
    std::size_t pos = 0;
    std::size_t passed = 0;
    while (pos < list.size()) {
        const std::uint8_t t = list[pos];
        if (t == kOptionEnd) return std::nullopt;
        if (t == kOptionFiller) {
            ++pos;
            continue;
        }
        if (passed >= kFindLengthLimit || pos + 1 >= list.size()) return std::nullopt;
        const std::uint8_t length = list[pos + 1];
        if (length == 0) return std::nullopt;
        if (pos + 2 + length > list.size()) return std::nullopt;
        if (t == tag) return OptionEntry{pos + 2, length};
        passed += length;
        pos += 2 + length;
    }
    return std::nullopt;
}

std::optional<std::size_t> option_size(std::span<const std::uint8_t> list) {
    const auto end = terminator_at(list);
    if (!end) return std::nullopt;
    return *end + 1;
}

bool option_init(std::span<std::uint8_t> list) {
    if (list.empty()) return false;
    list[0] = kOptionEnd;
    return true;
}

bool option_set(std::span<std::uint8_t> list, std::uint8_t tag, std::span<const std::uint8_t> value) {
    if (value.size() > 255 || tag == kOptionFiller || tag == kOptionEnd) return false;
    auto end = terminator_at(list);
    if (!end) return false;
    if (const auto found = option_find(list.first(*end + 1), tag); found && found->length == value.size()) {
        if (!value.empty()) std::memcpy(list.data() + found->value_offset, value.data(), value.size());
        return true;
    }
    // Room check before anything changes: the removal below only ever frees space.
    if (*end + 2 + value.size() + 1 > list.size()) {
        std::size_t removable = 0;
        for (std::size_t pos = 0; pos < *end;) {
            if (list[pos] == kOptionFiller) {
                ++pos;
                continue;
            }
            const std::size_t entry = 2 + list[pos + 1];
            if (list[pos] == tag) removable += entry;
            pos += entry;
        }
        if (*end - removable + 2 + value.size() + 1 > list.size()) return false;
    }
    // Remove every entry with the tag, compacting the list.
    std::size_t read = 0;
    std::size_t write = 0;
    while (read < *end) {
        if (list[read] == kOptionFiller) {
            list[write++] = list[read++];
            continue;
        }
        const std::size_t entry = 2 + list[read + 1];
        if (list[read] != tag) {
            std::memmove(list.data() + write, list.data() + read, entry);
            write += entry;
        }
        read += entry;
    }
    list[write] = tag;
    list[write + 1] = static_cast<std::uint8_t>(value.size());
    if (!value.empty()) std::memcpy(list.data() + write + 2, value.data(), value.size());
    list[write + 2 + value.size()] = kOptionEnd;
    return true;
}

bool option_set_byte(std::span<std::uint8_t> list, std::uint8_t tag, std::uint8_t value) {
    return option_set(list, tag, std::span<const std::uint8_t>(&value, 1));
}

void handshake_header(std::uint8_t out[kHandshakeHeader], std::size_t list_size) {
    out[0] = kHandshakeMarker;
    out[1] = static_cast<std::uint8_t>((list_size >> 8) & 0xFF);
    out[2] = static_cast<std::uint8_t>(list_size & 0xFF);
}

void nonce_bytes(std::int32_t nonce, std::uint8_t out[4]) {
    const auto u = static_cast<std::uint32_t>(nonce);
    out[0] = static_cast<std::uint8_t>(u & 0xFF);
    out[1] = static_cast<std::uint8_t>((u >> 8) & 0xFF);
    out[2] = static_cast<std::uint8_t>((u >> 16) & 0xFF);
    out[3] = static_cast<std::uint8_t>((u >> 24) & 0xFF);
}

std::int32_t nonce_from_bytes(const std::uint8_t in[4]) {
    const std::uint32_t u = static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
                            (static_cast<std::uint32_t>(in[2]) << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
    return static_cast<std::int32_t>(u);
}

}  // namespace fwall
