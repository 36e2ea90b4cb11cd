#include "sim/request.h"

namespace fwsim {
namespace {

// Takes the next CR LF terminated line off the front of text.
bool take_line(std::string_view& text, std::string_view& line, std::string& error) {
    size_t end = text.find("\r\n");
    if (end == std::string_view::npos) {
        error = "line without CR LF";
        return false;
    }
    if (end > kMaxRequestLine) {
        error = "line too long";
        return false;
    }
    line = text.substr(0, end);
    if (line.find('\n') != std::string_view::npos || line.find('\r') != std::string_view::npos) {
        error = "stray line end";
        return false;
    }
    text.remove_prefix(end + 2);
    return true;
}

}  // namespace

bool parse_request(std::string_view message, Request& request, std::string& error) {
    request = Request{};
    std::string_view rest = message;
    std::string_view line;
    if (!take_line(rest, line, error)) return false;

    size_t sp1 = line.find(' ');
    size_t sp2 = sp1 == std::string_view::npos ? sp1 : line.find(' ', sp1 + 1);
    if (sp2 == std::string_view::npos || line.find(' ', sp2 + 1) != std::string_view::npos) {
        error = "request line is not METHOD PATH HTTP/1.0";
        return false;
    }
    request.method = line.substr(0, sp1);
    request.path = line.substr(sp1 + 1, sp2 - sp1 - 1);
    if (line.substr(sp2 + 1) != "HTTP/1.0") {
        error = "protocol is not HTTP/1.0";
        return false;
    }
    if (request.method != "GET" && request.method != "POST") {
        error = "method is neither GET nor POST";
        return false;
    }
    if (request.path.empty()) {
        error = "empty path";
        return false;
    }

    for (;;) {
        if (!take_line(rest, line, error)) return false;
        if (line.empty()) break;
        if (request.headers.size() == kMaxHeaderLines) {
            error = "too many header lines";
            return false;
        }
        request.headers.push_back(line);
        if (line.starts_with("Authorization:")) request.has_authorization = true;
    }
    request.body = rest;
    return true;
}

}  // namespace fwsim
