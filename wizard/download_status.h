// DownloadStatus: the page that runs the download phase (log in to the old firewall, package its
// certificates, download the files, convert) and shows its log. Once the phase has ended the
// warnings file is closed and its content added to the log. Back, when the phase has ended, restarts
// the upgrade. Window thread; the phase on the page's worker.
#pragma once

#include "wizard/phase_page.h"

class DownloadStatus : public PhasePage {
    Q_OBJECT

public:
    explicit DownloadStatus(WizardSheet& sheet);

    int nextId() const override { return kStopOrGo; }
    bool leaveBackward() override;

protected:
    PhaseOutcome runPhase() override;
    std::chrono::milliseconds phaseTimeout() const override;
    void phaseCompleted() override;
};
