// Checks the input as a template script. Whatever the bytes, the checker must end, and every finding
// must name a line the reader read, with a message; the tree log must be left as it was found.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string_view>

#include "conftree/tree_state.h"
#include "template/script_lint.h"
#include "template/script_text_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::ostream* const logBefore = &treeLog();
    const std::vector<LintFinding> findings = lintScript(text, "/nonexistent-fuzz-dir/");
    if (&treeLog() != logBefore) std::abort();

    const std::size_t lines = cutScriptLines(text).size();
    int previous = 0;
    for (const LintFinding& finding : findings) {
        if (finding.line < 1 || static_cast<std::size_t>(finding.line) > lines) std::abort();
        if (finding.line < previous) std::abort();  // sorted by line
        if (finding.message.empty()) std::abort();
        previous = finding.line;
    }
    return 0;
}
