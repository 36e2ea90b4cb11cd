// The listening socket of fwsim: binds the address and port of the options (port 0 picks a free one)
// and hands out accepted connections. Owns the listening descriptor. Used by the accepting thread only.
#pragma once

#include <cstdint>
#include <string>

namespace fwsim {

class Listener {
public:
    Listener() = default;
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    ~Listener();

    // False with a message in error when the address is not a dotted IPv4 address or binding fails.
    bool open(const std::string& address, uint16_t port, std::string& error);
    uint16_t port() const { return port_; }

    // The next connection's descriptor (owned by the caller), or -1 on failure.
    int accept_one(std::string& peer);

private:
    int fd_ = -1;
    uint16_t port_ = 0;
};

// Writes the port as decimal text and a line end, replacing the file at once (readers never see
// a partly written number).
bool write_port_file(const std::string& path, uint16_t port, std::string& error);

}  // namespace fwsim
