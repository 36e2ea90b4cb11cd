// Option parsing and the key file.
#include "util/tovad/shell_options.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tovac {

namespace {

// A TCP port number: 1 to 5 digits, 1..65535.
bool parse_port(const char* text, int& port) {
    const std::size_t n = std::strlen(text);
    if (n == 0 || n > 5 || std::strspn(text, "0123456789") != n) return false;
    const int value = std::atoi(text);
    if (value < 1 || value > 65535) return false;
    port = value;
    return true;
}

bool takes_value(char letter) { return std::strchr("hpuUPkt", letter) != nullptr && letter != '\0'; }

}  // namespace

OptionsOutcome parse_options(ShellState& state, int argc, const char* const* argv, int& next) {
    int i = 1;
    for (; i < argc && argv[i] != nullptr && argv[i][0] == '-'; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, state.err);
            return OptionsOutcome::Help;
        }
        const char letter = argv[i][1];
        const char* value = nullptr;
        if (takes_value(letter)) {
            // A value option as the last argument: nothing may be read past the vector.
            if (i + 1 >= argc || argv[i + 1] == nullptr) {
                std::fputs(kUsage, state.err);
                return OptionsOutcome::Error;
            }
            value = argv[++i];
        }
        switch (letter) {
        case 'h': {
            std::string host = value;
            if (const std::size_t colon = host.find(':'); colon != std::string::npos) {
                const std::string port = host.substr(colon + 1);
                host.resize(colon);
                if (!parse_port(port.c_str(), state.port)) {
                    std::fprintf(state.err, "Bad port %s\n", port.c_str());
                    return OptionsOutcome::Error;
                }
            }
            state.host = host;
            break;
        }
        case 'p':
            if (!parse_port(value, state.port)) {
                std::fprintf(state.err, "Bad port %s\n", value);
                return OptionsOutcome::Error;
            }
            break;
        case 'u':
            state.user = value;
            break;
        case 'U':
            state.who = value;
            break;
        case 'P':
            set_password(state, value);
            break;
        case 'k':
            state.key_path = value;
            break;
        case 'i':
            state.interactive = true;
            break;
        case 'I':
            state.prompt = true;
            break;
        case 'v':
            state.verbose = !state.verbose;
            break;
        case 'd':
            state.debug = true;
            break;
        case 't':
            state.timeout = std::atoi(value);
            break;
        default:
            break;  // -X and every other letter: accepted, no effect
        }
    }
    next = i;
    return OptionsOutcome::Run;
}

int load_key_file(ShellState& state) {
    const auto not_found = [&state]() {
        if (state.verbose) std::fputs("Key not found\n", state.err);
        return -1;
    };
    // A path the key file option could not hold is refused rather than cut to a different path.
    if (state.key_path.size() > kLineMax) return not_found();
    // Opened before it is checked, and checked through the open descriptor, so that the file read is
    // the file checked; non-blocking so that a FIFO is refused instead of waited on.
    const int fd = ::open(state.key_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return not_found();
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return not_found();
    }
    if ((st.st_mode & 077) != 0 || !S_ISREG(st.st_mode)) {
        if (state.verbose) std::fprintf(state.err, "Bad file mode %6o for keyfile", static_cast<unsigned>(st.st_mode));
        ::close(fd);
        return -1;
    }
    forget_password(state);
    std::size_t got = 0;
    while (got < kLineMax) {
        const ssize_t n = ::read(fd, state.password + got, kLineMax - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            forget_password(state);
            return not_found();
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    state.password[got] = '\0';
    state.has_password = true;
    return 0;
}

}  // namespace tovac
