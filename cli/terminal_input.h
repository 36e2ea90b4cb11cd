// Reading what a person types on standard input while a stop signal may come: the wait gives up as
// soon as a given descriptor becomes readable (StopSignals::interruptFd), so Ctrl-C ends a question
// or a password prompt at once. A line goes into the caller's buffer (never into a growing string
// that would leave copies of a password behind), read a byte at a time so that nothing after it is
// taken from the input. EchoOff hides what is typed and puts the terminal back as it was.
//
// Plain functions and a scoped guard; used on the command's main thread.
#pragma once

#include <termios.h>

#include <cstddef>

namespace cli {

enum class LineRead {
    Line,         // a line, without its line end (nor a CR before it)
    End,          // the input ended (or failed) before any character of a line
    Interrupted,  // interruptFd became readable first
    TooLong,      // the line did not fit; it was read to its end and dropped
};

// Reads one line from fd into buffer (capacity bytes at most) and its length into length.
// interruptFd -1: no interruption.
LineRead readLine(int fd, int interruptFd, char* buffer, std::size_t capacity, std::size_t& length);

// While it lives, what is typed on the terminal fd is not echoed (a line end still is not: the
// caller writes one). Nothing happens when fd is not a terminal.
class EchoOff {
public:
    explicit EchoOff(int fd);
    ~EchoOff();
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    int fd_;
    bool changed_ = false;
    termios saved_{};
};

}  // namespace cli
