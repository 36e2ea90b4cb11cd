// Small text helpers shared by the converters: decimal conversions as the old firewall's files use
// them, cutting '+'-separated fields off an edit line, and joining texts. Pure functions; safe from
// any thread.
#pragma once

#include <initializer_list>
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

// The parts one after the other, made with a single allocation (the records of a large conversion
// join a few hundred thousand texts).
std::string joinText(std::initializer_list<std::string_view> parts);
