// The response reader: the input is cut into plain blocks (each byte 0xFE in the input ends a block;
// the input's end is the last one) and read by mgmt_read_response into a scratch file and a buffer;
// the parser is also fed the whole input directly.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "lib/fwall/mgmt.h"
#include "tests/fuzz/fuzz_fwall_io.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/fuzz_fwall_response_" + std::to_string(getpid());
    std::vector<std::uint8_t> stream;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i < size && data[i] != 0xFE && i - start < 8192) continue;
        const std::size_t length = i - start;
        stream.push_back(i == size ? 1 : 0);
        stream.push_back(static_cast<std::uint8_t>(length >> 8));
        stream.push_back(static_cast<std::uint8_t>(length & 0xFF));
        stream.insert(stream.end(), data + start, data + i);
        start = i + 1;
    }
    MgmtConnection* conn = mgmt_open(nullptr, 0, nullptr, nullptr);
    fuzz_fwall::InputTransport in;
    in.data = stream.data();
    in.size = stream.size();
    in.chunk = 5000;
    in.attach(conn);
    static char buffer[8192];
    mgmt_read_response(mgmt_reader(conn), path.c_str(), buffer, 1);
    mgmt_read_response(mgmt_reader(conn), path.c_str(), buffer, 0);  // whatever follows: end of stream
    mgmt_free(conn);
    std::remove(path.c_str());

    fwall::ResponseParser parser(fwall::capture_challenge);
    for (std::size_t i = 0; i < size; ++i) {
        if (parser.feed(data[i], i + 1) != fwall::ResponseParser::Step::More) break;
    }
    return 0;
}
