// A record transport in memory: what the record sends is collected, what it receives is served from a
// queue (in chunks of at most `chunk` bytes; end of stream once the queue is empty).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "lib/fwall/conn.h"

namespace fwtest {

struct MemoryTransport {
    std::vector<std::uint8_t> incoming;
    std::size_t read_at = 0;
    std::size_t chunk = 1 << 20;
    std::vector<std::uint8_t> sent;
    int closes = 0;
    int receives = 0;

    void attach(MgmtConnection* conn) {
        conn->transport.recv = &recv;
        conn->transport.send = &send;
        conn->transport.close = &close;
        conn->transport.context = this;
        conn->socket = 7;  // any open-looking number: the transport never touches a real descriptor
    }
    void push(const std::vector<std::uint8_t>& bytes) { incoming.insert(incoming.end(), bytes.begin(), bytes.end()); }

    static int recv(void* ctx, int, void* buffer, int size) {
        auto* t = static_cast<MemoryTransport*>(ctx);
        ++t->receives;
        const std::size_t n = std::min({static_cast<std::size_t>(size), t->chunk, t->incoming.size() - t->read_at});
        if (n > 0) std::memcpy(buffer, t->incoming.data() + t->read_at, n);
        t->read_at += n;
        return static_cast<int>(n);
    }
    static int send(void* ctx, int, const void* data, int length) {
        auto* t = static_cast<MemoryTransport*>(ctx);
        const auto* p = static_cast<const std::uint8_t*>(data);
        t->sent.insert(t->sent.end(), p, p + length);
        return length;
    }
    static void close(void* ctx, int) { ++static_cast<MemoryTransport*>(ctx)->closes; }
};

}  // namespace fwtest
