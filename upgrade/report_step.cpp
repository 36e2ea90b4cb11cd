// The upgrade report as steps of the workflow: the template script named in the log with its digest,
// the interface pairs logged, the report built, reviewed and written into the working directory after
// the conversion and after postprocessing, the shared-interface check and the strict review's stop.
#include <filesystem>
#include <map>
#include <sstream>
#include <system_error>

#include "conftree/config_tree.h"
#include "conftree/tree_state.h"
#include "report/report_files.h"
#include "report/safety_review.h"
#include "report/upgrade_report.h"
#include "template/template_processor.h"
#include "upgrade/workflow.h"
#include "util/files/file_digest.h"

namespace {

std::string absolutePath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

}  // namespace

std::string describeSharedInterfaces(const std::vector<SharedInterface>& shared) {
    std::string text;
    for (const SharedInterface& one : shared) {
        if (!text.empty()) text += "; ";
        for (std::size_t i = 0; i < one.oldDevices.size(); ++i) text += (i == 0 ? "" : ", ") + one.oldDevices[i];
        text += " -> " + one.newDevice;
    }
    return text;
}

void UpgradeWorkflow::recordTemplateScript() {
    const std::optional<std::string> digest = files::sha256OfFile(templateName);
    manifest_.setTemplate(absolutePath(templateName), digest.value_or(std::string()));
    manifest_.recordInput(std::filesystem::path(templateName).filename().string(), absolutePath(templateName));
}

void UpgradeWorkflow::logTemplateScript(const std::string& digest) {
    logLine("Template script: " + absolutePath(templateName) + " (SHA-256 " +
            (digest.empty() ? std::string("unreadable") : digest) + ")");
}

void UpgradeWorkflow::logInterfacePairs() {
    if (!processor_) return;
    for (const PairRecord& pair : processor_->pairingRecords()) {
        std::string line = "Interface pair: " + pair.oldDevice + " -> ";
        switch (pair.method) {
        case PairingMethod::Address:
            line += pair.newDevice + " (by address)";
            break;
        case PairingMethod::Choice:
            line += pair.newDevice + " (by choice)";
            break;
        case PairingMethod::Unpaired:
            line += "(none: written as it was)";
            break;
        }
        if (pair.shared) line += ", shared with another old interface";
        logLine(line);
    }
    std::vector<ManifestPair> pairs;
    for (const PairRecord& pair : processor_->pairingRecords()) {
        const char* method = pair.method == PairingMethod::Address  ? "address"
                             : pair.method == PairingMethod::Choice ? "choice"
                                                                    : "unpaired";
        pairs.push_back({pair.oldDevice, pair.method == PairingMethod::Unpaired ? std::string() : pair.newDevice,
                         method, pair.shared});
    }
    manifest_.setPairing(std::move(pairs));
}

std::vector<SharedInterface> UpgradeWorkflow::sharedInterfaces() const {
    std::vector<SharedInterface> shared;
    if (!processor_) return shared;
    std::map<std::string, std::size_t> byDevice;
    for (const PairRecord& pair : processor_->pairingRecords()) {
        if (!pair.shared || pair.newDevice.empty()) continue;
        auto [it, added] = byDevice.emplace(pair.newDevice, shared.size());
        if (added) shared.push_back({pair.newDevice, {}});
        shared[it->second].oldDevices.push_back(pair.oldDevice);
    }
    return shared;
}

void UpgradeWorkflow::writeReport(bool final) {
    if (!processor_) return;
    // The script is named where the report that describes its run is written, after the step's own
    // lines.
    const std::string digest = files::sha256OfFile(templateName).value_or(std::string());
    logTemplateScript(digest);
    auto report = std::make_unique<UpgradeReport>();
    report->stage = final ? "final" : "conversion";
    report->templatePath = absolutePath(templateName);
    report->templateSha256 = digest;
    report->records = processor_->itemRecords();
    report->scriptLines = processor_->scriptLineRecords();
    if (final) report->pairing = processor_->pairingRecords();

    ReviewInputs inputs;
    inputs.scriptDeclaresSample = scriptDeclaresSample(templateName);
    // The review compares the final configuration with the new firewall's initial one as it was
    // fetched; the merged tree has absorbed what was loaded, so the file is read again. Its load
    // messages were logged the first time: this reading's go nowhere.
    std::ostringstream quiet;
    std::unique_ptr<ConfigTree> initial;
    if (final) {
        initial = std::make_unique<ConfigTree>(quiet);
        if (initial->load(pathOf(kNewInitConfigName)) == 0) inputs.newInitial = initial.get();
        setTreeLog(logFile_);
        inputs.finalTree = newTree_.get();
    }
    reviewUpgrade(*report, inputs);

    moveAsideStale(std::string(kReportJsonName));
    moveAsideStale(std::string(kReportHtmlName));
    std::string error;
    if (writeReportFiles(*report, workingDirectory_, error)) {
        logLine("Upgrade report saved to " + pathOf(kReportHtmlName));
        manifest_.recordOutput(std::string(kReportJsonName), pathOf(kReportJsonName));
        manifest_.recordOutput(std::string(kReportHtmlName), pathOf(kReportHtmlName));
    } else {
        logLine("Unable to save the upgrade report: " + error);
    }
    report_ = std::move(report);
}

bool UpgradeWorkflow::reviewAllowsUpload() {
    reviewRefused_ = false;
    if (!strictReview_ || !report_) return true;
    const std::size_t high = report_->findingCount(Severity::High);
    if (high == 0) return true;
    reviewRefused_ = true;
    const std::string text = "The safety review found " + std::to_string(high) + " high finding" +
                             (high == 1 ? "" : "s") + "; nothing was uploaded (see " + pathOf(kReportHtmlName) + ")";
    logLine("Aborting upload!");
    logLine(text);
    failStep(text);
    return false;
}
