// Line reading and word splitting for the command shell.
#include "util/tovad/shell_input.h"

#include <termios.h>
#include <unistd.h>

#include <cstring>

namespace tovac {

namespace {

bool is_separator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

LineStatus read_line(std::FILE* in, char* buffer, std::size_t max_chars) {
    std::size_t n = 0;
    bool any = false;
    bool too_long = false;
    for (;;) {
        const int c = std::getc(in);
        if (c == EOF) break;
        any = true;
        if (c == '\n') break;
        if (n < max_chars) {
            buffer[n++] = static_cast<char>(c);
        } else {
            too_long = true;
        }
    }
    buffer[n] = '\0';
    if (!any) return LineStatus::EndOfInput;
    return too_long ? LineStatus::TooLong : LineStatus::Ok;
}

LineStatus read_secret_line(std::FILE* in, std::FILE* err, char* buffer, std::size_t max_chars) {
    const int fd = in != nullptr ? fileno(in) : -1;
    termios saved{};
    const bool terminal = fd >= 0 && isatty(fd) && tcgetattr(fd, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    const LineStatus status = read_line(in, buffer, max_chars);
    if (terminal) {
        tcsetattr(fd, TCSAFLUSH, &saved);
        std::fputc('\n', err);
    }
    return status;
}

void shell_cut_eol(char* text) { text[std::strcspn(text, "\r\n")] = '\0'; }

std::string shell_trim(const char* text) {
    while (*text == ' ' || *text == '\t') ++text;
    const char* end = text;
    while (*end != '\0' && !is_separator(*end)) ++end;
    return std::string(text, end);
}

std::vector<std::string> shell_split_words(const char* text) {
    std::vector<std::string> words;
    const char* p = text;
    for (;;) {
        while (*p != '\0' && is_separator(*p)) ++p;
        if (*p == '\0') break;
        const char* start = p;
        while (*p != '\0' && !is_separator(*p)) ++p;
        words.emplace_back(start, p);
    }
    return words;
}

}  // namespace tovac
