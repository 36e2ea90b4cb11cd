// TCP layer of the management client: opening the connection with its failure texts, and the single
// receive and send primitives.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "lib/fwall/conn.h"

namespace {

void set_error(char* error_text, const char* format, const char* a, int b) {
    if (error_text != nullptr) std::snprintf(error_text, kMgmtErrorTextSize, format, a, b);
}
void set_error(char* error_text, const char* text) {
    if (error_text != nullptr) std::snprintf(error_text, kMgmtErrorTextSize, "%s", text);
}

bool is_numeric(const char* text) {
    for (const char* p = text; *p; ++p) {
        if (!((*p >= '0' && *p <= '9') || *p == '.')) return false;
    }
    return true;
}

// Binds to a source port from 1023 down to 512; false when they are all in use.
bool bind_privileged(int sock) {
    for (int port = 1023; port >= 512; --port) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_ANY);
        local.sin_port = htons(static_cast<std::uint16_t>(port));
        if (::bind(sock, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0) return true;
        if (errno != EADDRINUSE) return false;
    }
    return false;
}

// Waits for bytes on a socket: 1 ready (or failed: the receive tells), 0 when timeout_ms passed.
int wait_readable(int sock, short events, int timeout_ms) {
    pollfd pfd{sock, events, 0};
    for (;;) {
        const int rc = ::poll(&pfd, 1, timeout_ms);
        if (rc < 0 && errno == EINTR) continue;  // a fresh full wait: interruptions are rare and harmless
        return rc == 0 ? 0 : 1;
    }
}

// connect() given up after timeout_ms: 0 connected, else -1 with errno set.
int connect_bounded(int sock, const sockaddr_in& peer, int timeout_ms) {
    const int flags = ::fcntl(sock, F_GETFL);
    if (flags < 0 || ::fcntl(sock, F_SETFL, flags | O_NONBLOCK) < 0) return -1;
    int rc = ::connect(sock, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
    if (rc != 0 && (errno == EINPROGRESS || errno == EINTR)) {
        if (wait_readable(sock, POLLOUT, timeout_ms) == 0) {
            errno = ETIMEDOUT;
            return -1;
        }
        int err = 0;
        socklen_t len = sizeof err;
        if (::getsockopt(sock, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return -1;
        if (err != 0) {
            errno = err;
            return -1;
        }
        rc = 0;
    }
    if (rc != 0) return -1;
    return ::fcntl(sock, F_SETFL, flags) < 0 ? -1 : 0;
}

// One socket and connect to `addr`. The socket (>= 0), -2 or -3 as tcp_connect reports them.
int connect_one(const in_addr& addr, std::uint32_t port, int privileged, char* error_text, bool report,
                int timeout_ms) {
    const int sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (sock < 0) {
        if (error_text != nullptr) std::snprintf(error_text, kMgmtErrorTextSize, "socket: %s", std::strerror(errno));
        return -2;
    }
    if (privileged && !bind_privileged(sock)) {
        ::close(sock);
        set_error(error_text, "run out of priv port");
        return -2;
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr = addr;
    peer.sin_port = htons(static_cast<std::uint16_t>(port));
    int rc;
    if (timeout_ms > 0) {
        rc = connect_bounded(sock, peer, timeout_ms);
    } else {
        do {
            rc = ::connect(sock, reinterpret_cast<sockaddr*>(&peer), sizeof peer);
        } while (rc != 0 && errno == EINTR);
    }
    if (rc != 0) {
        const int err = errno;
        ::close(sock);
        if (report && error_text != nullptr)
            std::snprintf(error_text, kMgmtErrorTextSize, "connect: %s", std::strerror(err));
        return -3;
    }
    return sock;
}

}  // namespace

int tcp_connect(const char* address, std::uint32_t port, int privileged, char* error_text) {
    return tcp_connect_within(address, port, privileged, error_text, 0);
}

int tcp_connect_within(const char* address, std::uint32_t port, int privileged, char* error_text, int timeout_ms) {
    if (address == nullptr) address = "";
    if (is_numeric(address)) {
        in_addr addr{};
        addr.s_addr = inet_addr(address);
        if (addr.s_addr == INADDR_NONE) {
            if (fwall::kTovacBuild) {
                set_error(error_text, "hostname unparsable");
            } else {
                set_error(error_text, "Illegal address [%s]: Error %d\n", address, errno);
            }
            return -1;
        }
        return connect_one(addr, port, privileged, error_text, true, timeout_ms);
    }

    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* answer = nullptr;
    const int lookup = getaddrinfo(address, nullptr, &hints, &answer);
    if (lookup != 0 || answer == nullptr) {
        if (fwall::kTovacBuild) {
            set_error(error_text, "hostname unknown");
        } else {
            set_error(error_text, "Cannot resolve address [%s]: Error %d\n", address, lookup);
        }
        return -1;
    }
    int result = -3;
    for (addrinfo* ai = answer; ai != nullptr; ai = ai->ai_next) {
        if (ai->ai_addrlen < sizeof(sockaddr_in) || ai->ai_addr->sa_family != AF_INET) {
            if (fwall::kTovacBuild) {
                set_error(error_text, "hostname invalid");
                result = -1;
                break;
            }
            continue;
        }
        const in_addr addr = reinterpret_cast<const sockaddr_in*>(ai->ai_addr)->sin_addr;
        // The upgrade program tries the first address only; the shell library walks the whole answer.
        const bool last = !fwall::kTovacBuild || ai->ai_next == nullptr;
        result = connect_one(addr, port, privileged, error_text, last, timeout_ms);
        if (result >= 0 || result == -2 || !fwall::kTovacBuild) break;
    }
    freeaddrinfo(answer);
    return result;
}

int sock_recv(int socket, void* buffer, int size) {
    int n = -1;
    if (socket >= 0) {
        do {
            n = static_cast<int>(::recv(socket, buffer, static_cast<std::size_t>(size), 0));
        } while (n < 0 && errno == EINTR);
    }
    if (fwall::kTovacBuild && n < 0) std::fputs("Empty buffer!\n", stdout);
    return n;
}

int sock_recv_within(int socket, void* buffer, int size, int timeout_ms) {
    if (timeout_ms > 0 && socket >= 0 && wait_readable(socket, POLLIN, timeout_ms) == 0) {
        errno = ETIMEDOUT;
        return -1;
    }
    return sock_recv(socket, buffer, size);
}

int sock_send(int socket, const void* data, int length) {
    int n;
    do {
        // MSG_NOSIGNAL: a peer that went away must give an error result, not end the process.
        n = static_cast<int>(::send(socket, data, static_cast<std::size_t>(length), MSG_NOSIGNAL));
    } while (n < 0 && errno == EINTR);
    return n;
}
