// Reading a password from a file, the environment or the terminal.
#include "cli/password_source.h"

#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <iostream>

#include "cli/terminal_input.h"

namespace cli {

namespace {

// A buffer that is wiped when it goes, whatever it held.
struct SecretBuffer {
    char data[kMaxPasswordLength + 2];  // the longest password, a CR and a LF
    std::size_t length = 0;
    ~SecretBuffer() { explicit_bzero(data, sizeof data); }
};

// The first line of a regular file, opened without blocking (a FIFO never holds the command up).
PasswordResult readFromFile(const std::string& path, std::string& password, std::string* problem) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *problem = "cannot read the password file " + path + ": " + strerror(errno);
        return PasswordResult::Unreadable;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        *problem = "the password file " + path + " is not a regular file";
        return PasswordResult::Unreadable;
    }
    SecretBuffer buffer;
    bool failed = false;
    bool lineEnded = false;
    while (buffer.length < sizeof buffer.data && !lineEnded) {
        const ssize_t got = ::read(fd, buffer.data + buffer.length, sizeof buffer.data - buffer.length);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) failed = true;
        if (got <= 0) break;
        lineEnded = memchr(buffer.data + buffer.length, '\n', static_cast<std::size_t>(got)) != nullptr;
        buffer.length += static_cast<std::size_t>(got);
    }
    ::close(fd);
    if (failed) {
        *problem = "cannot read the password file " + path;
        return PasswordResult::Unreadable;
    }
    const void* end = memchr(buffer.data, '\n', buffer.length);
    std::size_t length =
        end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - buffer.data) : buffer.length;
    if (length > 0 && buffer.data[length - 1] == '\r') --length;
    if (length > kMaxPasswordLength) {
        *problem = "the first line of the password file " + path + " is longer than " +
                   std::to_string(kMaxPasswordLength) + " bytes";
        return PasswordResult::Unreadable;
    }
    password.assign(buffer.data, length);
    return PasswordResult::Read;
}

// The variable's value, wiped in the environment's own memory before the variable is removed, so
// that it is not left readable in the process.
bool takeFromEnvironment(const char* variable, std::string& password) {
    char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') return false;
    password.assign(value);
    explicit_bzero(value, strlen(value));
    ::unsetenv(variable);
    return true;
}

PasswordResult askOnTerminal(const PasswordRequest& request, std::string& password, std::string* problem) {
    SecretBuffer buffer;
    LineRead read = LineRead::End;
    {
        // Echo goes off before the question shows: an answer typed as soon as it appears stays hidden.
        const EchoOff quiet(STDIN_FILENO);
        std::cerr << request.prompt << std::flush;
        read = readLine(STDIN_FILENO, request.interruptFd, buffer.data, kMaxPasswordLength, buffer.length);
    }
    std::cerr << '\n';
    switch (read) {
    case LineRead::Line:
        password.assign(buffer.data, buffer.length);
        return PasswordResult::Read;
    case LineRead::Interrupted:
        return PasswordResult::Interrupted;
    case LineRead::TooLong:
        *problem = "the password typed is longer than " + std::to_string(kMaxPasswordLength) + " bytes";
        return PasswordResult::Unreadable;
    case LineRead::End:
        break;
    }
    return PasswordResult::Unavailable;
}

}  // namespace

PasswordResult obtainPassword(const PasswordRequest& request, std::string& password, std::string* problem) {
    std::string ignored;
    if (problem == nullptr) problem = &ignored;
    if (!request.file.empty()) return readFromFile(request.file, password, problem);
    if (takeFromEnvironment(request.variable, password)) return PasswordResult::Read;
    if (::isatty(STDIN_FILENO) != 0) return askOnTerminal(request, password, problem);
    return PasswordResult::Unavailable;
}

}  // namespace cli
