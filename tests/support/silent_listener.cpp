// The silent loopback listener of the login tests.
#include "support/silent_listener.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

SilentListener::SilentListener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(fd_, 4) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port_ = ntohs(address.sin_port);
}

SilentListener::~SilentListener() {
    if (client_ >= 0) ::close(client_);
    if (fd_ >= 0) ::close(fd_);
}

bool SilentListener::awaitClient(std::chrono::milliseconds wait) {
    pollfd readable{fd_, POLLIN, 0};
    if (::poll(&readable, 1, static_cast<int>(wait.count())) != 1) return false;
    client_ = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    return client_ >= 0;
}

}  // namespace testsupport
