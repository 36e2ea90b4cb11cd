// The report's own arithmetic (see upgrade_report.h).
#include "report/upgrade_report.h"

std::string_view severityKey(Severity severity) {
    switch (severity) {
    case Severity::High:
        return "high";
    case Severity::Medium:
        return "medium";
    case Severity::Info:
        return "info";
    }
    return "unknown";
}

std::array<KindCount, kItemKindCount> UpgradeReport::counts() const {
    std::array<KindCount, kItemKindCount> result{};
    for (const ItemRecord& record : records) {
        KindCount& count = result[static_cast<std::size_t>(record.kind)];
        if (record.origin != ItemOrigin::Upgrade) ++count.read;
        switch (record.outcome) {
        case ItemOutcome::Converted:
            ++count.converted;
            break;
        case ItemOutcome::Changed:
            ++count.changed;
            break;
        case ItemOutcome::Dropped:
            ++count.dropped;
            break;
        case ItemOutcome::Created:
            ++count.created;
            break;
        }
    }
    return result;
}

std::size_t UpgradeReport::findingCount(Severity severity) const {
    std::size_t n = 0;
    for (const Finding& finding : findings) {
        if (finding.severity == severity) ++n;
    }
    return n;
}
