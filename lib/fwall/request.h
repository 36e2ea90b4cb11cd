// Sending one request message: the request line (method, path, protocol), the caller's header block,
// the empty line and the body, written on the record's writer and ended with one flush.
//
// The upgrade program puts a ';' directly after the path; the command-shell copy does not. Callers
// that build their request texts themselves must follow the same rule (kRequestPathSuffix).
// No shared state; one thread per record.
#pragma once

#include <cstddef>

#include "lib/fwall/build_flavor.h"
#include "lib/fwall/stream.h"

namespace fwall {

inline constexpr const char* kRequestPathSuffix = kTovacBuild ? "" : ";";

}  // namespace fwall

// Writes "METHOD PATH[;] HTTP/1.0\r\n", `headers` (may be null), "\r\n" and `body` (may be null), then
// flushes. 0, or -1 when the writer refused the bytes (null or failed record).
int mgmt_send_request(MgmtWriter* writer, const char* method, const char* path, const char* headers, const void* body,
                      std::size_t body_length);
