// report.html as a file: self-contained (no address of anything outside it, a policy that forbids
// loading anything), carrying exactly the report's data as Base64, and never any of the report's text
// in the clear, where markup in it could be read as markup.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "report/report_html.h"
#include "report/report_json.h"
#include "output_sample_report.h"

namespace {

std::string unbase64(const std::string& text) {
    static const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    unsigned buffer = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '=') break;
        const std::size_t value = kAlphabet.find(c);
        if (value == std::string::npos) return "<not Base64>";
        buffer = (buffer << 6) | static_cast<unsigned>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((buffer >> bits) & 0xff);
        }
    }
    return bytes;
}

// The text of the data element; empty when there is not exactly one.
std::string dataOf(const std::string& page) {
    const std::string open = "<script type=\"application/octet-stream\" id=\"report-data\">";
    const std::size_t start = page.find(open);
    if (start == std::string::npos || page.find(open, start + 1) != std::string::npos) return {};
    const std::size_t from = start + open.size();
    return page.substr(from, page.find("</script>", from) - from);
}

std::size_t occurrences(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

UpgradeReport hostileReport() {
    UpgradeReport report = reportsample::sampleReport();
    report.records[0].label = "</script><script>alert('label')</script>";
    report.findings[0].message = "<img src=x onerror=alert('finding')> https://example.net/";
    report.scriptLines[0].arguments = "<!-- <script>alert('script') -->";
    report.templatePath = "//example.net/x.tpl";
    return report;
}

TEST(ReportHtml, NamesNoAddressOutsideThePage) {
    const std::string page = reportToHtml(hostileReport());
    ASSERT_FALSE(page.empty());
    EXPECT_EQ(page.find("http://"), std::string::npos);
    EXPECT_EQ(page.find("https://"), std::string::npos);
    EXPECT_EQ(page.find("url("), std::string::npos);
    EXPECT_FALSE(std::regex_search(page, std::regex(R"((src|href|action)\s*=\s*["']?\s*//)", std::regex::icase)));
    EXPECT_FALSE(std::regex_search(page, std::regex(R"(<(link|iframe|img|object|embed)\b)", std::regex::icase)));
    EXPECT_NE(page.find("<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none';"),
              std::string::npos);
}

TEST(ReportHtml, CarriesTheReportAsBase64OfItsJson) {
    const UpgradeReport report = hostileReport();
    const std::string page = reportToHtml(report);
    const std::string data = dataOf(page);
    ASSERT_FALSE(data.empty());
    EXPECT_EQ(unbase64(data), reportJsonText(report, JsonLayout::Compact));
}

TEST(ReportHtml, NoTextOfTheReportAppearsInTheClear) {
    const std::string page = reportToHtml(hostileReport());
    EXPECT_EQ(page.find("alert("), std::string::npos);
    EXPECT_EQ(page.find("example.net"), std::string::npos);
    EXPECT_EQ(page.find("rule_proxy_"), std::string::npos);
    EXPECT_EQ(occurrences(page, "<script"), 2u);
    EXPECT_EQ(occurrences(page, "</script>"), 2u);
    // The page makes its elements from the data as text only.
    EXPECT_EQ(page.find("innerHTML"), std::string::npos);
    EXPECT_EQ(page.find("outerHTML"), std::string::npos);
    EXPECT_EQ(page.find("insertAdjacentHTML"), std::string::npos);
    EXPECT_EQ(page.find("document.write"), std::string::npos);
}

TEST(ReportHtml, SameReportSamePageAndEveryKindNamed) {
    const std::string page = reportToHtml(reportsample::sampleReport());
    EXPECT_EQ(page, reportToHtml(reportsample::sampleReport()));
    EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_EQ(page.substr(page.size() - 8), "</html>\n");
    EXPECT_NE(page.find("const KINDS = [['interface', 'Interfaces'], "), std::string::npos);
    EXPECT_NE(page.find("['local_rule', 'Local filter rules']];"), std::string::npos);
}

}  // namespace
