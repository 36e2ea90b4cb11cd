// The simulator's end of a connection: an honest client completes the handshake (privacy and
// integrity from the first input byte), then the rest of the input arrives as if it were blocks.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

#include "sim/channel.h"

namespace {

bool read_exact(int fd, std::uint8_t* p, size_t n) {
    while (n > 0) {
        ssize_t r = ::recv(fd, p, n, 0);
        if (r <= 0) return false;
        p += r;
        n -= size_t(r);
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 32768) return 0;
    const int privacy = data[0] % 3;
    const int integrity = privacy == 0 ? 1 : (data[0] >> 2) & 1;
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return 0;
    fwsim::ServerChannel server(fds[0]);
    fwsim::ChannelSettings settings;
    settings.password = "fuzz";
    settings.privacy = privacy;
    settings.integrity = integrity;
    settings.timeout_seconds = 5;

    std::thread client([&] {
        std::uint8_t head[3];
        std::uint8_t list[fwall::kMaxOptionList];
        if (read_exact(fds[1], head, 3) && size_t((head[1] << 8) | head[2]) <= sizeof list &&
            read_exact(fds[1], list, (head[1] << 8) | head[2])) {
            std::span<const std::uint8_t> welcome(list, (head[1] << 8) | head[2]);
            fwall::AuthFields auth;
            auth.user = "admin";
            auth.client_nonce = 99;
            if (auto nonce = fwall::option_find(welcome, fwall::kTagNonce))
                auth.server_nonce = fwall::nonce_from_bytes(list + nonce->value_offset);
            auth.privacy = privacy;
            auth.integrity = integrity;
            std::uint8_t message[3 + fwall::kMaxOptionList];
            size_t n = 0;
            const std::uint8_t pw[] = {'f', 'u', 'z', 'z'};
            if (fwall::build_auth({message + 3, fwall::kMaxOptionList}, auth, pw, n) == fwall::AuthBuild::Ok) {
                fwall::handshake_header(message, n);
                ::send(fds[1], message, n + 3, MSG_NOSIGNAL);
                ::send(fds[1], data + 1, size - 1, MSG_NOSIGNAL);
            }
        }
        ::shutdown(fds[1], SHUT_WR);
    });

    std::string error;
    if (server.handshake(settings, error)) {
        std::string message;
        while (server.read_message(message, 1 << 20, error) == fwsim::ServerChannel::ReadResult::Message) {
        }
    }
    client.join();
    ::close(fds[1]);
    return 0;
}
