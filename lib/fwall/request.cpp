// Request messages (see request.h).
#include "lib/fwall/request.h"

#include <cstring>

namespace {

bool put(MgmtWriter* writer, const void* bytes, std::size_t length) {
    const auto* p = static_cast<const char*>(bytes);
    while (length > 0) {
        const int piece = static_cast<int>(length > (1u << 30) ? (1u << 30) : length);
        const int n = mgmt_write(writer, p, piece);
        if (n <= 0) return false;
        p += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

bool put(MgmtWriter* writer, const char* text) { return text == nullptr || put(writer, text, std::strlen(text)); }

}  // namespace

int mgmt_send_request(MgmtWriter* writer, const char* method, const char* path, const char* headers, const void* body,
                      std::size_t body_length) {
    const bool ok = put(writer, method) && put(writer, " ") && put(writer, path) &&
                    put(writer, fwall::kRequestPathSuffix) && put(writer, " HTTP/1.0\r\n") && put(writer, headers) &&
                    put(writer, "\r\n") && (body == nullptr || put(writer, body, body_length));
    if (!ok) return -1;
    return mgmt_flush(writer) < 0 ? -1 : 0;
}
