// The workflow's two phases, each run by a front end on one worker thread: the steps in order, the
// busy state and the time-outs the front end keeps, and the session that lives for the phase.
#include "lib/fwall/mgmt_session.h"
#include "upgrade/workflow.h"

void UpgradeWorkflow::beginPhase() {
    // A time-out belongs to the phase it ended; a stop stays until the front end clears it.
    if (interruption_ == Interruption::LoginTimeout || interruption_ == Interruption::PhaseTimeout) {
        interruption_ = stopRequest_ ? Interruption::Stop : Interruption::None;
        interruptionShown_ = false;
    }
    ui_.beginBusy();
    (void)session();
}

PhaseOutcome UpgradeWorkflow::endPhase(bool succeeded) {
    if (succeeded) {
        ui_.endBusy(false);
        ui_.completeProgress();
    } else {
        ui_.endBusy(true);
    }
    endSession();
    ui_.phaseFinished();
    return succeeded ? PhaseOutcome::Done : PhaseOutcome::Failed;
}

PhaseOutcome UpgradeWorkflow::runDownloadPhase() {
    beginPhase();
    if (!loginOldFirewall()) return endPhase(false);
    ui_.stopLoginTimeout();
    (void)packCerts();  // a warning only
    if (!downloadFiles()) return endPhase(false);
    ui_.stopPhaseTimeout();
    logoutFirewall();
    return endPhase(convertOldConfig());
}

PhaseOutcome UpgradeWorkflow::runUploadPhase() {
    beginPhase();
    if (!loginNewFirewall()) return endPhase(false);
    ui_.stopLoginTimeout();
    if (!oldTree_ && !resumeConversion()) return endPhase(false);
    if (!getNewConfig()) return endPhase(false);
    ui_.stopPhaseTimeout();
    if (!mergeConfigs()) return endPhase(false);
    if (interfacePairingRequired()) return PhaseOutcome::PairingRequired;
    if (sharedInterfaceCheck_ && !sharedInterfaces().empty()) return PhaseOutcome::PairingRequired;
    return finishUploadPhase(PairingOutcome::Closed);
}

PhaseOutcome UpgradeWorkflow::finishUploadPhase(PairingOutcome pairing) {
    if (!postprocessConfigs(pairing) || !reviewAllowsUpload() || !uploadFiles()) return endPhase(false);
    (void)unpackCerts();  // a warning only
    if (!applyConfig()) return endPhase(false);
    logoutFirewall();
    return endPhase(true);
}
