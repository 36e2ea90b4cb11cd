// Reading the shell's input: whole lines into fixed buffers (so that a typed password is never copied
// into memory that is freed unwiped), a line read without echo on a terminal, and the small text
// helpers that cut a line into words.
//
// Lines longer than the caller's limit are consumed whole and reported as too long, never split: the
// rest of an over-long line must not be taken as the next command or answer. No shared state.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace tovac {

enum class LineStatus { Ok, EndOfInput, TooLong };

// Reads one line (without its LF) into `buffer`, which has room for `max_chars` characters and a
// terminator. A last line without LF is a line; EndOfInput only when nothing was read.
LineStatus read_line(std::FILE* in, char* buffer, std::size_t max_chars);

// As read_line, with the terminal's echo switched off while reading when `in` is a terminal.
// `err` receives the line end the user's Enter would have shown.
LineStatus read_secret_line(std::FILE* in, std::FILE* err, char* buffer, std::size_t max_chars);

// Cuts the text at its first CR or LF.
void shell_cut_eol(char* text);

// The first word: blanks and tabs skipped, cut at the first blank, tab, CR or LF.
std::string shell_trim(const char* text);

// The words of a line, split at blanks, tabs, CR and LF.
std::vector<std::string> shell_split_words(const char* text);

}  // namespace tovac
