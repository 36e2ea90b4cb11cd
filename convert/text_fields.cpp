// Decimal conversions and field cutting for the converters (see text_fields.h).

#include "convert/text_fields.h"

#include <climits>

int decimalValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\v' ||
                               text[i] == '\f' || text[i] == '\r')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

bool isPrintedBackInteger(std::string_view text) {
    if (text.empty()) return false;
    std::string_view digits = text;
    if (digits.front() == '-') digits.remove_prefix(1);
    if (digits.empty() || digits.size() > 10) return false;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
    }
    if (digits.size() > 1 && digits.front() == '0') return false;
    if (digits == "0" && text.size() != digits.size()) return false;  // "-0" prints back as "0"
    const long long value = std::stoll(std::string(digits));
    return text.front() == '-' ? -value >= INT_MIN : value <= INT_MAX;
}

std::string takeUpTo(std::string& work, char c) {
    const std::size_t at = work.find(c);
    std::string field;
    if (at == std::string::npos) {
        field.swap(work);
    } else {
        field = work.substr(0, at);
        work.erase(0, at + 1);
    }
    return field;
}

std::string joinText(std::initializer_list<std::string_view> parts) {
    std::size_t size = 0;
    for (std::string_view part : parts) size += part.size();
    std::string text;
    text.reserve(size);
    for (std::string_view part : parts) text += part;
    return text;
}
