// StatusPage: the page that runs the upload phase (log in to the new firewall, resume from the saved
// files when needed, fetch its configuration, merge, upload, unpack, apply) and shows its log. When
// the addresses do not pair the interfaces, the phase stops for the interface merge dialog, shown
// here on the window thread, and its last steps then run on a new worker. Window thread.
#pragma once

#include "wizard/phase_page.h"

class StatusPage : public PhasePage {
    Q_OBJECT

public:
    explicit StatusPage(WizardSheet& sheet);

    int nextId() const override { return kUpgradeSummary; }

protected:
    PhaseOutcome runPhase() override;
    std::chrono::milliseconds phaseTimeout() const override;
    void pairingRequired() override;
};
