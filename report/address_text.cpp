// Reading address texts as IPv4 ranges (see address_text.h).
#include "report/address_text.h"

#include <cstddef>

namespace {

constexpr std::uint32_t kAllOnes = 0xFFFFFFFFu;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// How a part of an address text reads as a dotted quad.
enum class QuadStatus {
    Valid,
    NotQuad,  // not meant as one: characters other than digits and dots, or no dot at all
    Broken,   // digits and dots only, with a dot, but not four parts of at most 255
};

struct Quad {
    QuadStatus status = QuadStatus::NotQuad;
    std::uint32_t value = 0;
    std::string problem;
};

Quad readQuad(std::string_view text) {
    Quad quad;
    bool dot = false;
    for (char c : text) {
        if (c == '.') {
            dot = true;
        } else if (!isDigit(c)) {
            return quad;
        }
    }
    if (!dot) return quad;

    int parts = 0;
    bool tooLarge = false;
    bool emptyPart = false;
    std::uint32_t value = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('.', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view part = text.substr(start, end - start);
        ++parts;
        if (part.empty()) emptyPart = true;
        // Leading zeros are allowed; a part is too large as soon as its digits after them pass 255.
        std::uint32_t number = 0;
        for (char c : part) {
            number = number * 10 + static_cast<std::uint32_t>(c - '0');
            if (number > 255) {
                tooLarge = true;
                break;
            }
        }
        value = (value << 8) | (number & 0xFFu);
        start = end + 1;
    }
    if (tooLarge) {
        quad.status = QuadStatus::Broken;
        quad.problem = std::string(text) + " has a part above 255";
    } else if (parts != 4 || emptyPart) {
        quad.status = QuadStatus::Broken;
        quad.problem = std::string(text) + " does not have four parts";
    } else {
        quad.status = QuadStatus::Valid;
        quad.value = value;
    }
    return quad;
}

AddressText invalid(std::string problem) {
    AddressText result;
    result.form = AddressForm::Invalid;
    result.problem = std::move(problem);
    return result;
}

AddressText withRange(AddressForm form, std::uint32_t first, std::uint32_t last) {
    AddressText result;
    result.hasRange = true;
    result.range = {first, last};
    result.form = first == 0 && last == kAllOnes ? AddressForm::Any : form;
    return result;
}

AddressText other() {
    AddressText result;
    result.form = AddressForm::Other;
    return result;
}

AddressText host(std::string_view text) {
    const Quad quad = readQuad(text);
    if (quad.status == QuadStatus::Broken) return invalid(quad.problem);
    if (quad.status == QuadStatus::NotQuad) return other();
    return withRange(AddressForm::Host, quad.value, quad.value);
}

// A pattern: all wildcards is every address; leading decimal parts followed only by "*" parts cover
// the addresses that begin with those parts ("10.10.*" and "10.10.*.*" alike). Anything else (a
// DNS pattern, a wildcard inside a part, a list) has no range.
AddressText pattern(std::string_view text) {
    AddressText result;
    result.form = AddressForm::Pattern;
    if (text.find(';') != std::string_view::npos) return result;

    int fixed = 0;
    int parts = 0;
    bool open = false;
    std::uint32_t prefix = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('.', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view part = text.substr(start, end - start);
        if (++parts > 4) return result;
        if (part == "*") {
            open = true;
        } else {
            if (open || part.empty() || part.size() > 3) return result;
            std::uint32_t number = 0;
            for (char c : part) {
                if (!isDigit(c)) return result;
                number = number * 10 + static_cast<std::uint32_t>(c - '0');
            }
            if (number > 255) return result;
            prefix = (prefix << 8) | number;
            ++fixed;
        }
        start = end + 1;
    }
    // A '*' standing last also covers the parts not written ("10.*" is every 10.x.y.z).
    if (!open) return result;
    const int openBits = 32 - 8 * fixed;
    const std::uint32_t first = fixed == 0 ? 0 : prefix << openBits;
    const std::uint32_t last = openBits == 32 ? kAllOnes : first | ((1u << openBits) - 1u);
    return withRange(AddressForm::Pattern, first, last);
}

AddressText network(std::string_view addressPart, std::string_view maskPart) {
    const Quad address = readQuad(addressPart);
    const Quad mask = readQuad(maskPart);
    if (address.status == QuadStatus::Broken) return invalid(address.problem);
    if (mask.status == QuadStatus::Broken) return invalid(mask.problem);
    if (address.status != QuadStatus::Valid || mask.status != QuadStatus::Valid) return other();
    if (!isContiguousMask(mask.value)) return invalid(std::string(maskPart) + " is not a contiguous mask");
    const std::uint32_t first = address.value & mask.value;
    return withRange(AddressForm::Network, first, first | ~mask.value);
}

AddressText range(std::string_view firstPart, std::string_view lastPart) {
    const Quad first = readQuad(firstPart);
    const Quad last = readQuad(lastPart);
    if (first.status == QuadStatus::Broken) return invalid(first.problem);
    if (last.status == QuadStatus::Broken) return invalid(last.problem);
    if (first.status != QuadStatus::Valid || last.status != QuadStatus::Valid) return other();
    if (first.value > last.value) {
        return invalid("the range " + std::string(firstPart) + "-" + std::string(lastPart) + " runs backwards");
    }
    return withRange(AddressForm::Range, first.value, last.value);
}

bool isPortNumber(std::string_view text) {
    if (text.empty() || text.size() > 10) return false;
    for (char c : text) {
        if (!isDigit(c)) return false;
    }
    return true;
}

}  // namespace

AddressText readAddressText(std::string_view text) {
    const std::string_view t = trimmed(text);
    if (t.empty()) return {};
    if (t.find_first_of("*;") != std::string_view::npos) return pattern(t);
    if (t.find('@') != std::string_view::npos) return other();
    for (char c : t) {
        if (isLetter(c)) return other();
    }

    const std::size_t separator = t.find_first_of(":-+ \t");
    if (separator == 0) return other();
    if (separator == std::string_view::npos) return host(t);
    const std::string_view firstPart = t.substr(0, separator);
    const std::string_view secondPart = trimmed(t.substr(separator + 1));
    // The converter keeps the bare first part when nothing follows the separator.
    if (secondPart.empty()) return host(firstPart);
    switch (t[separator]) {
    case ':':
    case '+':
        return network(firstPart, secondPart);
    case '-':
        return range(firstPart, secondPart);
    default:
        // An address, a blank and a port; anything else after a blank made a pattern of the text.
        if (isPortNumber(secondPart)) return host(firstPart);
        return other();
    }
}

bool readDottedQuad(std::string_view text, std::uint32_t& value) {
    const Quad quad = readQuad(text);
    if (quad.status != QuadStatus::Valid) return false;
    value = quad.value;
    return true;
}

bool isContiguousMask(std::uint32_t mask) {
    const std::uint32_t inverted = ~mask;
    return (inverted & (inverted + 1)) == 0;
}

int maskLength(std::uint32_t mask) {
    int bits = 0;
    while (bits < 32 && (mask & (0x80000000u >> bits)) != 0) ++bits;
    return bits;
}

std::string dottedQuadText(std::uint32_t value) {
    return std::to_string(value >> 24) + "." + std::to_string((value >> 16) & 0xFFu) + "." +
           std::to_string((value >> 8) & 0xFFu) + "." + std::to_string(value & 0xFFu);
}

std::string rangeText(const Ipv4Range& range) {
    const std::uint32_t span = range.last - range.first;
    // A network: the span is all ones below some bit and the first address has none of them.
    if ((span & (span + 1)) == 0 && (range.first & span) == 0) {
        return dottedQuadText(range.first) + "/" + std::to_string(maskLength(~span));
    }
    return dottedQuadText(range.first) + "-" + dottedQuadText(range.last);
}
