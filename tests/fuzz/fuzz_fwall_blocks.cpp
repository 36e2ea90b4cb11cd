// The block reader of an established record fed the input as if it came from the socket. The first
// two bytes choose the protection and the receive chunk size; the rest is the stream.
#include <cstddef>
#include <cstdint>

#include "lib/fwall/mgmt.h"
#include "tests/fuzz/fuzz_fwall_io.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    MgmtConnection* conn = mgmt_open(nullptr, 0, "u", "fuzz");
    fuzz_fwall::InputTransport in;
    in.data = data + 2;
    in.size = size - 2;
    in.chunk = 1 + data[1] * 37u;
    in.attach(conn);
    const int mode = data[0] % 7;
    if (mode < 6) {  // established at one of the protections; mode 6 stays before the handshake
        conn->privacy = mode % 3;
        conn->integrity = conn->privacy == 0 ? 1 : mode / 3;
        mgmt_set_nonce(conn, 77);
        mgmt_make_keys(conn);
    }
    char buffer[1500];
    for (int messages = 0; messages < 1000;) {
        const int n = mgmt_read(mgmt_reader(conn), buffer, sizeof buffer);
        if (n < 0) break;
        if (n == 0) ++messages;
    }
    mgmt_close_socket(mgmt_reader(conn));
    mgmt_free(conn);
    return 0;
}
