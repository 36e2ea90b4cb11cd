// Cutting a script's text into the lines the script reader reads.
#include "template/script_text_lines.h"

#include "template/template_processor.h"
#include "template/text_util.h"

std::vector<ScriptTextLine> cutScriptLines(std::string_view text) {
    std::vector<ScriptTextLine> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        // As the reader: characters up to the line feed, at most kScriptLineMax of them; one more
        // fits only as the carriage return of a CR LF ending.
        const std::size_t start = at;
        std::size_t length = 0;
        bool overLong = false;
        while (at < text.size()) {
            const char c = text[at++];
            if (c == '\n') break;
            if (length == kScriptLineMax) {
                if (c == '\r' && at < text.size() && text[at] == '\n') {
                    ++at;
                    break;
                }
                overLong = true;
                break;
            }
            ++length;
        }
        ScriptTextLine line;
        line.number = static_cast<int>(lines.size()) + 1;
        if (overLong) {
            line.overLong = true;
            lines.push_back(std::move(line));
            break;
        }
        std::string_view raw = text.substr(start, length);
        while (!raw.empty() && isBlankChar(raw.back())) raw.remove_suffix(1);
        const std::size_t nul = raw.find('\0');
        line.heldNul = nul != std::string_view::npos;
        line.text = std::string(line.heldNul ? raw.substr(0, nul) : raw);
        lines.push_back(std::move(line));
    }
    return lines;
}
