// Small text helpers shared by the converters: decimal conversions as the old firewall's files use
// them, and cutting '+'-separated fields off an edit line. Pure functions; safe from any thread.
#pragma once

#include <string>
#include <string_view>

// The decimal value of a text read the way the C library's atoi reads it: optional leading white
// space, an optional sign, then digits up to the first other character; 0 when there are none.
// Values beyond the range of int are clamped to it instead of overflowing.
int decimalValue(std::string_view text);

// True when converting the text to an integer and printing that integer back in decimal gives the
// same text: "25", "0" and "-3" qualify; "025", "+3", "-0", " 5", "5x", "" and numbers beyond the
// range of int do not.
bool isPrintedBackInteger(std::string_view text);

// Removes from the front of work everything up to the first c and returns it; c itself is dropped.
// When c does not occur, the whole text is returned and work becomes empty.
std::string takeUpTo(std::string& work, char c);
