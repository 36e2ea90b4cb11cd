// The handshake messages: the input as a Welcome received by a client record waiting for it (then
// any bytes after it as the first blocks), and as an Auth list checked by the service.
#include <cstddef>
#include <cstdint>

#include "lib/fwall/mgmt.h"
#include "tests/fuzz/fuzz_fwall_io.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MgmtConnection* conn = mgmt_open("127.0.0.1", 8004, "admin", "fuzz");
    if (size > 0 && data[0] & 1) conn->host.reset(mgmt_strdup("10.0.0.9"));
    if (size > 0 && data[0] & 2) conn->relay_target[0] = 9;
    fuzz_fwall::InputTransport in;
    in.data = data;
    in.size = size;
    in.chunk = 4096;
    in.attach(conn);
    conn->state = kMgmtWaitingWelcome;
    for (int round = 0; round < 100; ++round) {  // as mgmt_connect, without the TCP connection
        if (mgmt_fill(mgmt_reader(conn)) == -1) break;
        conn->event = 0;
        if (conn->state != kMgmtWaitingWelcome) break;
    }
    char buffer[512];
    for (int i = 0; i < 100 && mgmt_read(mgmt_reader(conn), buffer, sizeof buffer) > 0; ++i) {
    }
    mgmt_free(conn);

    fwall::AuthView view;
    const std::uint8_t password[] = {'f', 'u', 'z', 'z'};
    fwall::check_auth({data, size}, password, 1234, view);
    const std::uint8_t host[4] = {127, 0, 0, 1};
    fwall::check_welcome({data, size}, 0, host, size > 0 && data[0] & 4);
    return 0;
}
