// Interruptible line reading and echo control.
#include "cli/terminal_input.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace cli {

LineRead readLine(int fd, int interruptFd, char* buffer, std::size_t capacity, std::size_t& length) {
    length = 0;
    bool tooLong = false;
    bool any = false;
    for (;;) {
        pollfd fds[2] = {{interruptFd, POLLIN, 0}, {fd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return LineRead::End;
        }
        if (fds[0].revents != 0) return LineRead::Interrupted;
        char c = 0;
        const ssize_t got = ::read(fd, &c, 1);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) {
            // A last line without a line end is still a line.
            if (!any) return LineRead::End;
            break;
        }
        any = true;
        if (c == '\n') break;
        if (length < capacity)
            buffer[length++] = c;
        else
            tooLong = true;
    }
    if (tooLong) return LineRead::TooLong;
    if (length > 0 && buffer[length - 1] == '\r') --length;
    return LineRead::Line;
}

EchoOff::EchoOff(int fd) : fd_(fd) {
    if (::tcgetattr(fd_, &saved_) != 0) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK);
    changed_ = ::tcsetattr(fd_, TCSANOW, &quiet) == 0;
}

EchoOff::~EchoOff() {
    if (changed_) ::tcsetattr(fd_, TCSANOW, &saved_);
}

}  // namespace cli
