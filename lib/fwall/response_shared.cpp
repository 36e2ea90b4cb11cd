// The single areas shared by every exchange in the process: the response buffer, the header line
// buffer and the challenge captured from the last "www-authenticate" line.
#include "lib/fwall/response_shared.h"

#include <cstring>

namespace fwall {

namespace response_shared {

unsigned char response_buffer[kResponseBufferSize];
char header_line[kHeaderLineMax + 1];
char challenge[kHeaderLineMax + 1];

}  // namespace response_shared

void capture_challenge(const char* line, std::size_t length, void* /*context*/) {
    static constexpr char kName[] = "www-authenticate";
    constexpr std::size_t kNameLength = sizeof kName - 1;
    if (length < kNameLength || std::memcmp(line, kName, kNameLength) != 0) return;
    std::size_t i = 0;
    while (i < length && line[i] != ':') ++i;
    if (i < length) ++i;
    while (i < length && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::size_t n = length - i;
    if (n > kHeaderLineMax) n = kHeaderLineMax;
    std::memcpy(response_shared::challenge, line + i, n);
    response_shared::challenge[n] = '\0';
}

}  // namespace fwall

const char* mgmt_challenge() { return fwall::response_shared::challenge; }
void mgmt_clear_challenge() { fwall::response_shared::challenge[0] = '\0'; }
