// A record transport that serves the fuzz input as received bytes (in chunks whose sizes the input
// chooses) and swallows what the record sends.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "lib/fwall/conn.h"

namespace fuzz_fwall {

struct InputTransport {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t at = 0;
    std::size_t chunk = 1;

    void attach(MgmtConnection* conn) {
        conn->transport.recv = &recv;
        conn->transport.send = [](void*, int, const void*, int length) { return length; };
        conn->transport.close = [](void*, int) {};
        conn->transport.context = this;
        conn->socket = 3;
    }
    static int recv(void* ctx, int, void* buffer, int room) {
        auto* t = static_cast<InputTransport*>(ctx);
        const std::size_t n = std::min({static_cast<std::size_t>(room), t->chunk, t->size - t->at});
        if (n > 0) std::memcpy(buffer, t->data + t->at, n);
        t->at += n;
        return static_cast<int>(n);
    }
};

}  // namespace fuzz_fwall
