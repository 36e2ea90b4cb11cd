#include "sim/listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>

#include "util/files/atomic_file.h"

namespace fwsim {

Listener::~Listener() {
    if (fd_ >= 0) ::close(fd_);
}

bool Listener::open(const std::string& address, uint16_t port, std::string& error) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1) {
        error = "not an IPv4 address: " + address;
        return false;
    }
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    int one = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    // Connections are taken off the queue as fast as they arrive (served or closed), so the queue only
    // has to absorb a burst.
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd_, 128) != 0) {
        error = "cannot listen on " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
        return false;
    }
    socklen_t len = sizeof sa;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len);
    port_ = ntohs(sa.sin_port);
    return true;
}

int Listener::accept_one(std::string& peer) {
    for (;;) {
        sockaddr_in sa{};
        socklen_t len = sizeof sa;
        int fd = ::accept4(fd_, reinterpret_cast<sockaddr*>(&sa), &len, SOCK_CLOEXEC);
        if (fd < 0 && errno == EINTR) continue;
        if (fd >= 0) {
            char text[INET_ADDRSTRLEN] = "?";
            ::inet_ntop(AF_INET, &sa.sin_addr, text, sizeof text);
            peer = std::string(text) + ":" + std::to_string(ntohs(sa.sin_port));
        }
        return fd;
    }
}

bool write_port_file(const std::string& path, uint16_t port, std::string& error) {
    // Anyone may read the port; it is no secret.
    const auto write = [port](std::ostream& out) { return bool(out << port << "\n"); };
    const files::WriteResult result = files::writeFileAtomically(path, write, {0644, files::SpecialTarget::Replace});
    if (!result) {
        error = "cannot write " + path + ": " + result.message();
        return false;
    }
    return true;
}

}  // namespace fwsim
