// Small byte-text helpers shared by the script reader and the verbs.
//
// Script and configuration text is single-byte; these helpers classify and compare bytes the way the
// C library does in the "C" locale, whatever the process locale, so that bytes above 127 never count
// as letters, blanks or punctuation. Pure functions; safe from any thread.
#pragma once

#include <string_view>

// Space, tab, line feed, vertical tab, form feed, carriage return.
constexpr bool isBlankChar(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Letters, digits and punctuation: the printable characters other than the space.
constexpr bool isWordChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u > 0x20 && u < 0x7f;
}

constexpr char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Equal ignoring the case of ASCII letters.
constexpr bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    }
    return true;
}
