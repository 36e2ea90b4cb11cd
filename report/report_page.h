// The fixed parts of report.html (report_html.h puts the page together): its style sheet and its
// script. The script reads the report's JSON from the element with id "report-data" (Base64 of UTF-8)
// and then empties that element (the parsed report is kept, not a second copy of the data). It builds
// the page with createElement and textContent only, and shows long tables a page of rows at a time,
// so a report of any size costs a few hundred rows of elements. It expects a global
// constant KINDS (an array of [key, title] pairs, in ItemKind order) to be defined before it. When the
// page is built and its search works, the body carries data-ready="1" and data-ready-ms (milliseconds
// since the page began to load); a page that could not read its data carries data-error instead. A
// fragment "#q=TEXT" fills the search box when the page opens.
//
// Ownership: static text. Threads: any.
#pragma once

#include <string_view>

namespace reportpage {

std::string_view styleSheet();
std::string_view script();

}  // namespace reportpage
