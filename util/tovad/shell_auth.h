// Answering a firewall's challenge: the Authorization line that the shell sends with its POST requests
// once a request was answered with 401 or 407.
//
// The credential is the user name, ':' and an answer taken from the challenge text or typed by the
// user; the line carries it in Base64 (RFC 2045 alphabet, '=' padding). The credential is wiped once
// encoded. Works on the state given; single-threaded.
#pragma once

#include <string>
#include <string_view>

#include "util/tovad/shell_state.h"

namespace tovac {

// Base64 of the bytes, RFC 2045 alphabet with '=' padding, no line breaks.
std::string base64_encode(std::string_view bytes);

// Builds state.request_headers from the challenge text (the value of the "www-authenticate" header).
// 0 on success, 1 on failure (end of input, or an over-long line, where an answer had to be typed).
int shell_build_authorization(ShellState& state, const char* challenge);

}  // namespace tovac
