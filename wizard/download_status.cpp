// The download phase's page.
#include "wizard/download_status.h"

#include "upgrade/file_names.h"
#include "upgrade/warnings_text.h"
#include "wizard/report_panel.h"
#include "wizard/wizard_sheet.h"

namespace {
constexpr int kDownloadProgressStep = 5;
}

DownloadStatus::DownloadStatus(WizardSheet& sheet)
    : PhasePage(sheet, LogChannel::Download, QStringLiteral("Download Status"),
                {QStringLiteral("We are downloading your old firewall configuration.")},
                QStringLiteral("The following messages and warnings are related to your current firewall "
                               "configuration:"),
                kDownloadProgressStep) {
    reportPanel_ = new ReportPanel(this);
    addBelowLog(reportPanel_);
}

void DownloadStatus::initializePage() {
    reportPanel_->showReport(nullptr, {});
    PhasePage::initializePage();
}

bool DownloadStatus::leaveBackward() {
    if (!PhasePage::leaveBackward()) return false;
    // Going back starts the upgrade over; what the phase left on disk stays there.
    workflow().restart();
    return true;
}

PhaseOutcome DownloadStatus::runPhase() { return workflow().runDownloadPhase(); }

std::chrono::milliseconds DownloadStatus::phaseTimeout() const { return sheet().timeouts().download; }

void DownloadStatus::phaseCompleted() {
    UpgradeWorkflow& upgrade = workflow();
    upgrade.closeWarnings();
    const std::string& directory = upgrade.lastWorkingDirectory();
    if (!directory.empty()) sheet().bridge().appendText(channel(), warningsText(directory + kWarningsFileName));
    reportPanel_->showReport(upgrade.report(), directory);
    refresh();
}
