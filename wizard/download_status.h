// DownloadStatus: the page that runs the download phase (log in to the old firewall, package its
// certificates, download the files, convert) and shows its log. Once the phase has ended the
// warnings file is closed and its content added to the log, and the report panel beside the log shows
// the conversion's report. Back, when the phase has ended, restarts the upgrade. Window thread; the phase on the page's worker.
#pragma once

#include "wizard/phase_page.h"

class ReportPanel;

class DownloadStatus : public PhasePage {
    Q_OBJECT

public:
    explicit DownloadStatus(WizardSheet& sheet);

    int nextId() const override { return kStopOrGo; }
    void initializePage() override;
    bool leaveBackward() override;

    ReportPanel* reportPanel() const { return reportPanel_; }

protected:
    PhaseOutcome runPhase() override;
    std::chrono::milliseconds phaseTimeout() const override;
    void phaseCompleted() override;

private:
    ReportPanel* reportPanel_ = nullptr;
};
