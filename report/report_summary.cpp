// The report's summary (see report_summary.h): made from a report, read back from report.json, and
// written as text for a terminal.
#include "report/report_summary.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <iterator>

#include <nlohmann/json.hpp>

#include "report/report_files.h"

using nlohmann::json;

namespace {

// The file's bytes; false with the reason when it is missing, not a regular file, or unreadable.
bool readWholeFile(const std::string& path, std::string& content, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    if (ok && !S_ISREG(info.st_mode)) {
        ::close(fd);
        error = path + " is not a regular file";
        return false;
    }
    char block[64 * 1024];
    while (ok) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        content.append(block, static_cast<std::size_t>(got));
    }
    const int readError = errno;
    ::close(fd);
    if (!ok) error = "cannot read " + path + ": " + std::strerror(readError);
    return ok;
}

// A count that is a non-negative integer (the parser gives those as unsigned); zero otherwise.
std::size_t countOf(const json& object, const char* key) {
    if (!object.is_object()) return 0;
    const auto it = object.find(key);
    if (it == object.end() || !it->is_number_unsigned()) return 0;
    return static_cast<std::size_t>(it->get<json::number_unsigned_t>());
}

std::string stringOf(const json& object, const char* key) {
    if (!object.is_object()) return {};
    const auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// The parts of report.json a summary does not need are dropped while parsing, so reading back the
// report of a large conversion does not hold its records in memory.
bool keepForSummary(int depth, json::parse_event_t event, json& parsed) {
    if (event != json::parse_event_t::key || depth != 1 || !parsed.is_string()) return true;
    const std::string& key = parsed.get_ref<const std::string&>();
    return key != "records" && key != "script_lines" && key != "pairing" && key != "new_settings_changed";
}

ReportSummary fromJson(const json& root) {
    ReportSummary summary;
    summary.stage = stringOf(root, "stage");
    const auto counts = root.find("counts");
    if (counts != root.end() && counts->is_object()) {
        for (int i = 0; i < kItemKindCount; ++i) {
            const auto kind = counts->find(std::string(itemKindKey(static_cast<ItemKind>(i))));
            if (kind == counts->end()) continue;
            KindCount& count = summary.counts[static_cast<std::size_t>(i)];
            count.read = countOf(*kind, "read");
            count.converted = countOf(*kind, "converted");
            count.changed = countOf(*kind, "changed");
            count.dropped = countOf(*kind, "dropped");
            count.created = countOf(*kind, "created");
        }
    }
    std::size_t listed[3] = {0, 0, 0};
    const auto findings = root.find("findings");
    if (findings != root.end() && findings->is_array()) {
        for (const json& finding : *findings) {
            const std::string severity = stringOf(finding, "severity");
            if (severity == "high") {
                ++listed[0];
                summary.highFindings.push_back(stringOf(finding, "message"));
            } else if (severity == "medium") {
                ++listed[1];
            } else if (severity == "info") {
                ++listed[2];
            }
        }
    }
    const auto findingCounts = root.find("finding_counts");
    if (findingCounts != root.end() && findingCounts->is_object()) {
        summary.high = countOf(*findingCounts, "high");
        summary.medium = countOf(*findingCounts, "medium");
        summary.info = countOf(*findingCounts, "info");
    } else {
        summary.high = listed[0];
        summary.medium = listed[1];
        summary.info = listed[2];
    }
    return summary;
}

// Control characters from a configuration must not reach a terminal as such.
std::string printable(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\t' || c == '\n' || c == '\r') {
            c = ' ';
        } else if (byte < 0x20 || byte == 0x7f) {
            c = '?';
        }
    }
    return out;
}

std::string stageTitle(const std::string& stage) {
    if (stage == "final") return "final configuration";
    if (stage == "conversion") return "conversion of the old configuration";
    return printable(stage);
}

std::string padLeft(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string padRight(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

}  // namespace

std::string_view itemKindTitle(ItemKind kind) {
    switch (kind) {
    case ItemKind::Interface:
        return "Interfaces";
    case ItemKind::InterfaceAlias:
        return "Interface aliases";
    case ItemKind::NetObject:
        return "Network objects";
    case ItemKind::ServiceGroup:
        return "Service groups";
    case ItemKind::DestinationGroup:
        return "Destination groups";
    case ItemKind::ProxyRule:
        return "Proxy rules";
    case ItemKind::NatRule:
        return "NAT rules";
    case ItemKind::InatRule:
        return "INAT rules";
    case ItemKind::ForwardRule:
        return "Forward filter rules";
    case ItemKind::LocalRule:
        return "Local filter rules";
    }
    return "Other items";
}

ReportSummary summarize(const UpgradeReport& report, std::string htmlPath) {
    ReportSummary summary;
    summary.stage = report.stage;
    summary.counts = report.counts();
    for (const Finding& finding : report.findings) {
        switch (finding.severity) {
        case Severity::High:
            ++summary.high;
            summary.highFindings.push_back(finding.message);
            break;
        case Severity::Medium:
            ++summary.medium;
            break;
        case Severity::Info:
            ++summary.info;
            break;
        }
    }
    summary.htmlPath = std::move(htmlPath);
    return summary;
}

std::optional<ReportSummary> parseReportSummary(std::string_view text, const std::string& source,
                                                std::string& error) {
    try {
        const json root = json::parse(text.begin(), text.end(), keepForSummary, false);
        if (root.is_discarded()) {
            error = source + " is not valid JSON";
            return std::nullopt;
        }
        const auto version = root.is_object() ? root.find("schema_version") : root.end();
        if (!root.is_object() || version == root.end() || !version->is_number_integer()) {
            error = source + " is not an upgrade report (it has no schema_version)";
            return std::nullopt;
        }
        if (*version != kReportSchemaVersion) {
            error = source + " is a report of schema version " + version->dump() + "; this program reads version " +
                    std::to_string(kReportSchemaVersion);
            return std::nullopt;
        }
        return fromJson(root);
    } catch (const std::exception& e) {
        error = source + " could not be read: " + e.what();
        return std::nullopt;
    }
}

std::optional<ReportSummary> readReportSummary(const std::string& directory, std::string& error) {
    try {
        const std::string path = reportFilePath(directory, kReportJsonName);
        std::string content;
        if (!readWholeFile(path, content, error)) return std::nullopt;
        std::optional<ReportSummary> summary = parseReportSummary(content, path, error);
        if (summary) summary->htmlPath = reportFilePath(directory, kReportHtmlName);
        return summary;
    } catch (const std::exception& e) {
        error = std::string("the report could not be read: ") + e.what();
        return std::nullopt;
    }
}

std::string summaryText(const ReportSummary& summary) {
    static constexpr const char* kColumns[] = {"read", "converted", "changed", "dropped", "created"};
    std::string text = "Upgrade report: " + stageTitle(summary.stage) + "\n";

    std::vector<std::size_t> kinds;
    std::size_t titleWidth = 0;
    std::size_t numberWidth = 0;
    for (int i = 0; i < kItemKindCount; ++i) {
        const KindCount& c = summary.counts[static_cast<std::size_t>(i)];
        if (c.read + c.converted + c.changed + c.dropped + c.created == 0) continue;
        kinds.push_back(static_cast<std::size_t>(i));
        titleWidth = std::max(titleWidth, itemKindTitle(static_cast<ItemKind>(i)).size());
        for (std::size_t n : {c.read, c.converted, c.changed, c.dropped, c.created}) {
            numberWidth = std::max(numberWidth, std::to_string(n).size());
        }
    }
    if (kinds.empty()) {
        text += "Items: none\n";
    } else {
        std::size_t widths[std::size(kColumns)];
        text += padRight("Items:", titleWidth + 2);
        for (std::size_t i = 0; i < std::size(kColumns); ++i) {
            widths[i] = std::max(numberWidth, std::strlen(kColumns[i]));
            text += "  " + padLeft(kColumns[i], widths[i]);
        }
        text += '\n';
        for (std::size_t kind : kinds) {
            const KindCount& c = summary.counts[kind];
            text += "  " + padRight(std::string(itemKindTitle(static_cast<ItemKind>(kind))), titleWidth);
            const std::size_t values[] = {c.read, c.converted, c.changed, c.dropped, c.created};
            for (std::size_t i = 0; i < std::size(values); ++i) {
                text += "  " + padLeft(std::to_string(values[i]), widths[i]);
            }
            text += '\n';
        }
    }

    if (summary.high + summary.medium + summary.info == 0) {
        text += "Findings: none\n";
    } else {
        text += "Findings: " + std::to_string(summary.high) + " high, " + std::to_string(summary.medium) +
                " medium, " + std::to_string(summary.info) + " info\n";
    }
    // A large conversion may have hundreds: the summary names the first ones, the report has them all.
    const std::size_t shown = std::min(summary.highFindings.size(), kSummaryHighFindingsShown);
    for (std::size_t i = 0; i < shown; ++i) text += "  HIGH: " + printable(summary.highFindings[i]) + "\n";
    if (shown < summary.highFindings.size()) {
        text += "  ... and " + std::to_string(summary.highFindings.size() - shown) + " more high findings in the report\n";
    }
    if (!summary.htmlPath.empty()) text += "Report: " + printable(summary.htmlPath) + "\n";
    return text;
}
