// The upgrade workflow's life and its failures: how a step that fails is logged and shown, and how a
// phase is interrupted (a stop, a time-out) from another thread.
#include "upgrade/workflow.h"

#include <ostream>
#include <streambuf>

#include "conftree/config_tree.h"
#include "conftree/tree_state.h"
#include "lib/fwall/mgmt_session.h"
#include "report/upgrade_report.h"
#include "template/template_processor.h"
#include "upgrade/step_texts.h"
#include "upgrade/upgrade_strings.h"

namespace {

// Where tree messages go once the workflow that owned the log is gone.
std::ostream& discardStream() {
    struct DiscardBuffer : std::streambuf {
        int_type overflow(int_type c) override { return traits_type::not_eof(c); }
        std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
    };
    static DiscardBuffer buffer;
    static std::ostream stream(&buffer);
    return stream;
}

}  // namespace

UpgradeWorkflow::UpgradeWorkflow(WorkflowUi& ui) : ui_(ui) {}

UpgradeWorkflow::~UpgradeWorkflow() {
    endSession();
    processor_.reset();
    oldTree_.reset();
    newTree_.reset();
    // The trees made the log file the process-wide tree log; it must not outlive this object there.
    if (&treeLog() == &logFile_) setTreeLog(discardStream());
}

void UpgradeWorkflow::abandonStep(std::string_view heading, const std::string& reason, bool keepWorkingDirectory) {
    // The reason is copied first: restart releases the processor that may hold it.
    const std::string text = reason;
    logLine(heading);
    logLine(text);
    logLine(kCannotContinue);
    failStep(text);
    if (keepWorkingDirectory)
        restartKeepingWorkingDirectory();
    else
        restart();
}

void UpgradeWorkflow::failStep(const std::string& text, int stringId) {
    ui_.stopTimers();
    if (!interrupted()) {
        failure_ = StepFailure{stringId, text};
        ui_.showMessage(text);
        return;
    }
    // The step failed because the phase was interrupted: the interruption is the reason, shown once.
    failure_ = interruptionFailure();
    if (!interruptionShown_.exchange(true)) ui_.showMessage(failure_.text);
}

StepFailure UpgradeWorkflow::interruptionFailure() const {
    switch (interruption_.load()) {
    case Interruption::LoginTimeout:
        return StepFailure{upgrade_strings::kLoginFailed, upgradeString(upgrade_strings::kLoginFailed)};
    case Interruption::PhaseTimeout:
        return StepFailure{upgrade_strings::kTimedOut, upgradeString(upgrade_strings::kTimedOut)};
    case Interruption::Stop:
    case Interruption::None:
        break;
    }
    return StepFailure{0, kStopRequestedText};
}

bool UpgradeWorkflow::continueUnlessStopped(std::string_view heading, bool keepWorkingDirectory) {
    if (stopRequested() && !interrupted()) {
        Interruption none = Interruption::None;
        interruption_.compare_exchange_strong(none, Interruption::Stop);
    }
    if (!interrupted()) return true;
    abandonStep(heading, interruptionFailure().text, keepWorkingDirectory);
    return false;
}

void UpgradeWorkflow::requestStop() {
    stopRequest_ = true;
    Interruption none = Interruption::None;
    interruption_.compare_exchange_strong(none, Interruption::Stop);
    std::lock_guard lock(sessionMutex_);
    if (session_) session_->logout();
}

void UpgradeWorkflow::clearStopRequest() {
    stopRequest_ = false;
    interruption_ = Interruption::None;
    interruptionShown_ = false;
}

void UpgradeWorkflow::timeOut(UpgradeTimeout which) {
    Interruption none = Interruption::None;
    const Interruption kind = which == UpgradeTimeout::Login ? Interruption::LoginTimeout : Interruption::PhaseTimeout;
    if (!interruption_.compare_exchange_strong(none, kind)) return;  // the phase is ending already
    // The message is shown here, once: the worker's step that fails for it shows nothing more.
    const bool shown = interruptionShown_.exchange(true);
    ui_.stopTimers();
    {
        std::lock_guard lock(sessionMutex_);
        if (session_) session_->logout();
    }
    if (!shown) ui_.showMessage(interruptionFailure().text);
}

MgmtSession& UpgradeWorkflow::session() {
    std::lock_guard lock(sessionMutex_);
    if (!session_) session_ = std::make_unique<MgmtSession>();
    return *session_;
}

void UpgradeWorkflow::endSession() {
    std::lock_guard lock(sessionMutex_);
    if (!session_) return;
    session_->logout();
    session_.reset();
    loggedIn_ = false;
}
