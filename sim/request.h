// Parsing of one request message as fwsim receives it: request line, header lines, empty line, body.
//
// The parser is strict on purpose (fwsim is a test double and should expose a client that sends
// malformed requests): lines end in CR LF, the request line is "METHOD SP PATH SP HTTP/1.0", the
// method is GET or POST, header lines are limited in number and length. Works on a buffer; the
// Request it fills points into that buffer. No shared state.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace fwsim {

inline constexpr size_t kMaxRequestLine = 8190;
inline constexpr size_t kMaxHeaderLines = 64;

struct Request {
    std::string_view method;  // "GET" or "POST"
    std::string_view path;    // as sent, with the ';' of the upgrade commands
    std::vector<std::string_view> headers;
    std::string_view body;
    bool has_authorization = false;  // a header line begins with "Authorization:"
};

// False for a malformed message; error then says what is wrong.
bool parse_request(std::string_view message, Request& request, std::string& error);

}  // namespace fwsim
