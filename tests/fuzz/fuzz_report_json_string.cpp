// Fuzz target: report.json's string writer against nlohmann's dump() on any bytes. The writer escapes
// and repairs text that is not UTF-8 exactly as dump() with the "replace" handler does, so the two
// must agree byte for byte; and its text always parses back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "report/json_text_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string written;
    appendJsonString(written, text);
    const std::string dumped =
        nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    if (written != dumped) std::abort();
    if (nlohmann::json::parse(written, nullptr, false).is_discarded()) std::abort();
    return 0;
}
