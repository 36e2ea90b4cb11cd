// Fuzz target: bytes read back as a working directory's report.json. The reader must never crash,
// hang or throw; it gives a summary or a reason, never neither, and a summary always has a text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "report/report_summary.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<ReportSummary> summary = parseReportSummary(text, "report.json", error);
    if (!summary && error.empty()) std::abort();
    if (summary && summaryText(*summary).empty()) std::abort();
    return 0;
}
