// The style sheet of report.html (see report_page.h): system fonts, white cards on a light grey page,
// one colour per severity and per outcome, tables that wrap long values instead of widening the page.
#include "report/report_page.h"

namespace reportpage {

std::string_view styleSheet() {
    return R"css(
:root {
  --text: #1d2939; --muted: #667085; --line: #e4e7ec; --page: #f5f6f8; --card: #ffffff;
  --high: #b42318; --high-bg: #fef3f2; --high-line: #fda29b;
  --medium: #93370d; --medium-bg: #fffaeb; --medium-line: #fec84b;
  --info: #1849a9; --info-bg: #f5f8ff; --info-line: #b2ccff;
  --good: #067647; --good-bg: #ecfdf3; --good-line: #abefc6;
  --mono: ui-monospace, "SFMono-Regular", "Cascadia Mono", Menlo, Consolas, "DejaVu Sans Mono", monospace;
}
* { box-sizing: border-box; }
[hidden] { display: none !important; }
html { scroll-padding-top: 64px; }
body {
  margin: 0; background: var(--page); color: var(--text);
  font: 14px/1.45 system-ui, -apple-system, "Segoe UI", Roboto, "Helvetica Neue", Arial, sans-serif;
}
.wrap { max-width: 1240px; margin: 0 auto; padding: 0 20px; }
header.top { background: var(--card); border-bottom: 1px solid var(--line); }
header.top .wrap { display: flex; align-items: baseline; gap: 24px; flex-wrap: wrap; padding-top: 14px; padding-bottom: 12px; }
h1 { font-size: 22px; margin: 0; font-weight: 650; letter-spacing: -0.01em; }
.subtitle { margin: 0; color: var(--muted); }
.subtitle code { font-size: 12px; }
nav.sections { margin-left: auto; display: flex; gap: 16px; }
nav.sections a { color: var(--muted); text-decoration: none; }
nav.sections a:hover { color: var(--text); text-decoration: underline; }
main.wrap { padding-top: 16px; padding-bottom: 48px; }
h2 { font-size: 17px; margin: 0 0 10px; font-weight: 650; }
h3 { font-size: 15px; margin: 18px 0 8px; font-weight: 600; }
code, .mono { font-family: var(--mono); font-size: 12.5px; }
.muted { color: var(--muted); }
.notice { padding: 12px 16px; border-radius: 8px; background: var(--card); border: 1px solid var(--line); }
.notice.error { border-color: var(--high-line); background: var(--high-bg); color: var(--high); }

.overview { display: flex; gap: 10px; flex-wrap: wrap; align-items: stretch; margin-bottom: 16px; }
.chip {
  display: flex; flex-direction: column; justify-content: center; min-width: 110px; padding: 8px 14px;
  border-radius: 8px; border: 1px solid var(--line); background: var(--card); color: inherit; text-decoration: none;
}
.chip .n { font-size: 20px; font-weight: 650; line-height: 1.2; font-variant-numeric: tabular-nums; }
.chip .what { color: var(--muted); font-size: 12.5px; }
.chip.high { border-color: var(--high-line); background: var(--high-bg); }
.chip.high .n { color: var(--high); }
.chip.medium { border-color: var(--medium-line); background: var(--medium-bg); }
.chip.medium .n { color: var(--medium); }
.chip.info .n { color: var(--info); }
.chip.zero { background: var(--card); border-color: var(--line); }
.chip.zero .n { color: var(--muted); }
.chip.items { flex: 1; min-width: 260px; }
.chip.items .what span + span::before { content: " \00b7  "; }

.card { background: var(--card); border: 1px solid var(--line); border-radius: 10px; padding: 16px 18px; margin-bottom: 16px; }
.card > h2 .count { color: var(--muted); font-weight: 400; margin-left: 6px; }

.findings { border-radius: 10px; margin-bottom: 16px; padding: 12px 18px 10px; border: 1px solid; border-left-width: 5px; }
.findings h2 { margin-bottom: 6px; }
.findings.high { background: var(--high-bg); border-color: var(--high-line); border-left-color: var(--high); }
.findings.high h2 { color: var(--high); }
.findings.medium { background: var(--medium-bg); border-color: var(--medium-line); border-left-color: #dc6803; }
.findings.medium h2 { color: var(--medium); }
.findings.info { background: var(--info-bg); border-color: var(--info-line); border-left-color: #2e90fa; }
.findings.info h2 { color: var(--info); }
.findings.none { background: var(--good-bg); border-color: var(--good-line); border-left-color: var(--good); color: var(--good); }
.findings.none h2 { margin: 0; color: var(--good); }
.findings .hint { font-weight: 400; font-size: 13px; color: var(--muted); margin-left: 8px; }
.findings ul { list-style: none; margin: 0; padding: 0; }
.finding { padding: 7px 0; border-top: 1px solid rgba(0, 0, 0, 0.07); }
.finding:first-child { border-top: 0; }
.finding .msg { margin: 0; }
.findings.high .finding .msg { font-weight: 600; }
.finding .meta { margin: 3px 0 0; font-size: 12.5px; color: var(--muted); display: flex; flex-wrap: wrap; gap: 4px 6px; align-items: baseline; }
.finding .meta code { background: rgba(255, 255, 255, 0.75); border: 1px solid rgba(0, 0, 0, 0.08); border-radius: 4px; padding: 0 5px; color: var(--text); word-break: break-all; }
.finding .fcode { font-family: var(--mono); font-size: 11.5px; }

table { border-collapse: collapse; width: 100%; }
th, td { text-align: left; vertical-align: top; padding: 6px 10px; border-bottom: 1px solid var(--line); }
th { font-size: 12px; font-weight: 600; color: var(--muted); text-transform: uppercase; letter-spacing: 0.03em; background: #fafbfc; white-space: nowrap; }
td { overflow-wrap: anywhere; }
td.zero { color: #98a2b3; }
td.num, th.num { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }
tr.total td { font-weight: 600; border-top: 2px solid var(--line); }
tr.empty td { color: #98a2b3; }
td.warn { color: var(--high); font-weight: 600; }
td.attn { color: var(--medium); font-weight: 600; }
table.counts { max-width: 820px; }
table.counts a { color: inherit; }
.arrow { color: var(--muted); padding-left: 0; padding-right: 0; text-align: center; }

.badge { display: inline-block; font-size: 11.5px; font-weight: 600; padding: 1px 7px; border-radius: 999px; border: 1px solid var(--line); color: var(--muted); background: #f9fafb; white-space: nowrap; }
.badge.converted { color: var(--good); border-color: var(--good-line); background: var(--good-bg); }
.badge.changed { color: var(--medium); border-color: var(--medium-line); background: var(--medium-bg); }
.badge.dropped, .badge.warn { color: var(--high); border-color: var(--high-line); background: var(--high-bg); }
.badge.created { color: var(--info); border-color: var(--info-line); background: var(--info-bg); }

.toolbar { position: sticky; top: 0; z-index: 2; background: var(--card); display: flex; gap: 10px; align-items: center; flex-wrap: wrap; padding: 10px 0; border-bottom: 1px solid var(--line); margin-bottom: 4px; }
.toolbar input[type=search] { flex: 1; min-width: 280px; font: inherit; padding: 7px 10px; border: 1px solid #d0d5dd; border-radius: 6px; }
.toolbar input[type=search]:focus, .toolbar select:focus { outline: 2px solid #84adff; outline-offset: 0; border-color: #84adff; }
.toolbar select { font: inherit; padding: 6px 8px; border: 1px solid #d0d5dd; border-radius: 6px; background: var(--card); }
.toolbar .status { color: var(--muted); white-space: nowrap; }
.kind h3 .count { color: var(--muted); font-weight: 400; margin-left: 6px; }
table.records td.id { width: 22%; }
table.records td.label { width: 20%; }
table.records td.newids { width: 22%; }
table.records td.outcome { width: 90px; }
.origin { display: block; color: var(--muted); font-size: 12px; font-family: inherit; }
ul.reasons { margin: 0; padding-left: 16px; }
ul.reasons li { margin: 0; }
button.link { font: inherit; font-size: 12.5px; color: #1849a9; background: none; border: 0; padding: 0; cursor: pointer; }
button.link:hover { text-decoration: underline; }
tr.detail td { background: #fafbfc; }
table.fields { width: auto; min-width: 50%; }
table.fields td, table.fields th { padding: 3px 10px; border-bottom: 1px solid #eef0f3; }
table.fields tr.same td { color: var(--muted); }
.more { display: flex; gap: 12px; align-items: center; padding: 8px 0 2px; color: var(--muted); }
.more button { font: inherit; padding: 5px 12px; border-radius: 6px; border: 1px solid #d0d5dd; background: var(--card); cursor: pointer; }
.more button:hover { background: #f2f4f7; }
tr.unknown td { background: var(--medium-bg); }
tr.idle td { color: var(--muted); }
.removed { color: var(--high); font-style: italic; }
.nothing { color: var(--muted); margin: 4px 0; }
@media print {
  .toolbar, nav.sections, .more { display: none; }
  body { background: #fff; }
}
)css";
}

}  // namespace reportpage
