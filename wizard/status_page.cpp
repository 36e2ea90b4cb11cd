// The upload phase's page.
#include "wizard/status_page.h"

#include <QApplication>

#include "convert/interface_pairing.h"
#include "wizard/interface_merge_dialog.h"
#include "wizard/wizard_sheet.h"

namespace {
constexpr int kUploadProgressStep = 2;
}

StatusPage::StatusPage(WizardSheet& sheet)
    : PhasePage(sheet, LogChannel::Upload, QStringLiteral("Task Progress"),
                {QStringLiteral("We will now download the initial setup of your new firewall, merge it with the old "
                                "firewall configuration, and then upload everything to the new firewall.")},
                QStringLiteral("Upgrade Status"), kUploadProgressStep) {}

PhaseOutcome StatusPage::runPhase() { return workflow().runUploadPhase(); }

std::chrono::milliseconds StatusPage::phaseTimeout() const { return sheet().timeouts().upload; }

void StatusPage::pairingRequired() {
    refresh();
    int result = 0;
    {
        InterfacePairing pairing = workflow().interfacePairing();
        InterfaceMergeDialog dialog(pairing, this);
        // The wait cursor of the phase is not for the dialog that waits for the administrator.
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        result = dialog.exec();
        QApplication::restoreOverrideCursor();
    }
    if (stopping()) return;  // the sheet closed meanwhile: its closing logs the session out
    const PairingOutcome outcome = result == -1 ? PairingOutcome::CannotCreate : PairingOutcome::Closed;
    startWorker([this, outcome] { return workflow().finishUploadPhase(outcome); });
}
