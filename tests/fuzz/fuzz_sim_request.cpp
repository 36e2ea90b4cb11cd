// Any message as a request: parse it, map its path and body as firewall paths, and write its log line.
#include <cstddef>
#include <cstdint>
#include <string>

#include "sim/firewall_root.h"
#include "sim/request.h"
#include "sim/service.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fwsim::FirewallRoot root("/nonexistent-fuzz-root");
    std::string_view message(reinterpret_cast<const char*>(data), size);
    fwsim::Request request;
    std::string error;
    if (fwsim::parse_request(message, request, error)) {
        if (auto p = root.map(request.path)) {
            // Whatever was accepted lies below the root.
            if (p->string().rfind("/nonexistent-fuzz-root/", 0) != 0) __builtin_trap();
        }
        (void)root.map(request.body);
        fwsim::Response response;
        (void)fwsim::request_log_line(request, response);
    }
    return 0;
}
