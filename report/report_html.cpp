// The report's page (see report_html.h): a fixed head, the Base64 of the data, the kind titles and
// the script.
#include "report/report_html.h"

#include <climits>
#include <exception>

#include "report/report_json.h"
#include "report/report_page.h"
#include "report/report_summary.h"
#include "util/files/file_digest.h"

namespace {

// Loads nothing from anywhere: only the page's own inline style and script run.
constexpr std::string_view kHead = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; base-uri 'none'; form-action 'none'">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Upgrade report</title>
<style>)";

constexpr std::string_view kBodyStart = R"(</style>
</head>
<body>
<header class="top"><div class="wrap">
<h1>Upgrade report</h1>
<p class="subtitle" id="subtitle"></p>
<nav class="sections"><a href="#findings">Findings</a><a href="#counts">Counts</a><a href="#pairing">Pairing</a><a href="#items">Items</a><a href="#script">Script</a><a href="#settings">Settings</a></nav>
</div></header>
<main class="wrap" id="main">
<noscript><p class="notice">This report is drawn by its own script; allow scripts for this file to read it.</p></noscript>
<p class="notice error" id="load-error" hidden></p>
</main>
<script type="application/octet-stream" id="report-data">)";

constexpr std::string_view kScriptStart = "</script>\n<script>\n";
constexpr std::string_view kEnd = "</script>\n</body>\n</html>\n";

// The kinds' keys and titles as a script constant. Both are fixed texts of this program (letters,
// spaces and underscores), so they need no escaping.
std::string kindTable() {
    std::string text = "const KINDS = [";
    for (int i = 0; i < kItemKindCount; ++i) {
        const auto kind = static_cast<ItemKind>(i);
        if (i > 0) text += ", ";
        text += "['";
        text += itemKindKey(kind);
        text += "', '";
        text += itemKindTitle(kind);
        text += "']";
    }
    text += "];\n";
    return text;
}

}  // namespace

std::string reportToHtml(const UpgradeReport& report) { return reportPage(reportJsonText(report, JsonLayout::Compact)); }

std::string reportPage(std::string_view data) {
    try {
        // Base64 counts in int; a report beyond that is refused rather than written half.
        if (data.empty() || data.size() > static_cast<std::size_t>(INT_MAX / 4 * 3)) return {};
        const std::string packed = files::base64(data);
        if (packed.empty()) return {};
        const std::string_view style = reportpage::styleSheet();
        const std::string_view script = reportpage::script();
        const std::string kinds = kindTable();
        std::string page;
        page.reserve(kHead.size() + style.size() + kBodyStart.size() + packed.size() + kScriptStart.size() +
                     kinds.size() + script.size() + kEnd.size());
        page += kHead;
        page += style;
        page += kBodyStart;
        page += packed;
        page += kScriptStart;
        page += kinds;
        page += script;
        page += kEnd;
        return page;
    } catch (const std::exception&) {
        return {};
    }
}
