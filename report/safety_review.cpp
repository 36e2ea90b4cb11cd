// The safety review: running the checks in order and the sample-script test (see safety_review.h).
#include "report/safety_review.h"

#include <algorithm>
#include <fstream>

#include "conftree/config_tree.h"
#include "report/final_references.h"
#include "report/finding_text.h"
#include "report/review_checks.h"
#include "report/settings_diff.h"

namespace {

bool isWordCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// True when the text holds "sample" as a word of its own, in any letter case.
bool holdsWordSample(std::string_view text) {
    constexpr std::string_view kWord = "sample";
    for (std::size_t at = 0; at + kWord.size() <= text.size(); ++at) {
        if (!equalsIgnoringCase(text.substr(at, kWord.size()), kWord)) continue;
        const bool startsWord = at == 0 || !isWordCharacter(text[at - 1]);
        const std::size_t after = at + kWord.size();
        const bool endsWord = after == text.size() || !isWordCharacter(text[after]);
        if (startsWord && endsWord) return true;
    }
    return false;
}

int severityRank(Severity severity) {
    switch (severity) {
    case Severity::High:
        return 0;
    case Severity::Medium:
        return 1;
    case Severity::Info:
        return 2;
    }
    return 3;
}

}  // namespace

void reviewUpgrade(UpgradeReport& report, const ReviewInputs& inputs) {
    const ReviewFacts facts = gatherFacts(report, inputs);
    std::vector<Finding> found;

    findDroppedDenyRules(report, found);
    findRulesThatBecameAny(report, facts, found);
    findSharedInterfaces(report, found);
    findRulesMovedOutside(report, facts, found);
    findDroppedNewInterfaces(report, found);
    const bool bothTrees = inputs.newInitial != nullptr && inputs.finalTree != nullptr;
    if (bothTrees) findSettingsOnRemovedInterfaces(*inputs.newInitial, *inputs.finalTree, facts, found);
    if (inputs.scriptDeclaresSample) {
        const std::string script = report.templatePath.empty() ? std::string("used") : report.templatePath;
        found.push_back(makeFinding(Severity::High, "sample-script",
                                    "The template script " + script +
                                        " declares itself a sample: a conversion made with it is not fit for a "
                                        "firewall in service.",
                                    {}));
    }

    if (inputs.finalTree != nullptr) findUndefinedReferences(*inputs.finalTree, facts.finalDevices, found);
    findReaddressedAddresses(report, facts, found);
    findInvalidValues(report, found);

    report.newSettingsChanged.clear();
    if (bothTrees) {
        report.newSettingsChanged = changedSettings(*inputs.newInitial, *inputs.finalTree);
        for (Finding& finding : settingChangeFindings(report.newSettingsChanged)) found.push_back(std::move(finding));
    }

    for (Finding& finding : found) report.findings.push_back(std::move(finding));
    std::stable_sort(report.findings.begin(), report.findings.end(), [](const Finding& a, const Finding& b) {
        return severityRank(a.severity) < severityRank(b.severity);
    });
}

bool scriptDeclaresSample(const std::string& scriptPath) {
    std::ifstream script(scriptPath, std::ios::binary);
    if (!script) return false;
    std::string line;
    while (std::getline(script, line)) {
        // As the processor reads a script line: trailing blanks go, lines shorter than two characters
        // are passed over, and the first line it would run (one not starting with '#') ends the
        // leading comment.
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
        if (line.size() < 2 && (line.empty() || line[0] != '#')) continue;
        if (line[0] != '#') return false;
        if (holdsWordSample(line)) return true;
    }
    return false;
}
