// Feeds bytes to the reader of --pairs-file: it must take them or name the bad line, never crash.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cli/pairs_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string problem;
    const auto pairs = cli::parsePairsText(std::string_view(reinterpret_cast<const char*>(data), size), problem);
    if (pairs) {
        for (const DevicePair& pair : *pairs) {
            if (pair.oldDevice.empty() || pair.newDevice.empty()) __builtin_trap();
        }
    } else if (problem.empty()) {
        __builtin_trap();
    }
    return 0;
}
