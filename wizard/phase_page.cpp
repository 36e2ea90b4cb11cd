// The progress pages' shared part: the worker, the timers, the log box and the status line.
#include "wizard/phase_page.h"

#include <QLocale>
#include <algorithm>

#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

#include <string>
#include <system_error>
#include <utility>

#include "wizard/wizard_sheet.h"

namespace {

constexpr std::chrono::milliseconds kProgressInterval{2'000};
constexpr std::chrono::milliseconds kCompletionDelay{1'000};
// After this long without a new progress report the status line says so.
constexpr qint64 kQuietSeconds = 10;

QString fromLocal(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

// The status line's text for a progress report: the step and how far it is; for a transfer, the file
// and the bytes moved so far, so that a slow transfer can be told from a stalled one.
QString describe(const ProgressReport& report) {
    const QString step = fromLocal(report.step);
    if (report.total <= 0) return QStringLiteral("%1: %2 so far").arg(step).arg(report.done);
    if (report.item.empty())
        return QStringLiteral("%1: %2 of %3").arg(step).arg(std::min(report.done, report.total)).arg(report.total);
    const QString file = fromLocal(report.itemName());
    QString text = QStringLiteral("%1: file %2 of %3, %4").arg(step).arg(report.done + 1).arg(report.total).arg(file);
    if (report.bytes > 0) text += QStringLiteral(" (%1)").arg(QLocale::c().formattedDataSize(report.bytes));
    return text;
}

}  // namespace

PhasePage::PhasePage(WizardSheet& sheet, LogChannel channel, const QString& heading, const QStringList& texts,
                     const QString& logCaption, int progressStep)
    : SheetPage(sheet), channel_(channel), progressStep_(progressStep) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeHeading(heading));
    for (const QString& text : texts) {
        layout->addSpacing(6);
        layout->addWidget(makeText(text));
    }

    log_ = new QPlainTextEdit(this);
    log_->setObjectName(QStringLiteral("logBox"));
    log_->setReadOnly(true);
    log_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QLabel* caption = makeText(logCaption);
    caption->setBuddy(log_);
    layout->addSpacing(6);
    layout->addWidget(caption);
    logRow_ = new QVBoxLayout;
    logRow_->addWidget(log_, 3);
    layout->addLayout(logRow_, 1);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusLine"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progressBar"));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    // The bar shows that work goes on, not how much is left: no percentage.
    progress_->setTextVisible(false);
    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(status_, 3);
    statusRow->addWidget(progress_, 2);
    layout->addLayout(statusRow);

    loginTimer_.setSingleShot(true);
    phaseTimer_.setSingleShot(true);
    completionTimer_.setSingleShot(true);
    progressTimer_.setInterval(kProgressInterval);
    completionTimer_.setInterval(kCompletionDelay);
    connect(&loginTimer_, &QTimer::timeout, this, [this] { timedOut(UpgradeTimeout::Login); });
    connect(&phaseTimer_, &QTimer::timeout, this, [this] { timedOut(UpgradeTimeout::Phase); });
    connect(&progressTimer_, &QTimer::timeout, this, &PhasePage::progressTick);
    connect(&completionTimer_, &QTimer::timeout, this, &PhasePage::phaseCompleted);
}

void PhasePage::addBelowLog(QWidget* panel) { logRow_->addWidget(panel, 2); }

PhasePage::~PhasePage() {
    // The sheet has stopped the phase before the workflow went; this only makes sure of the thread.
    if (worker_.joinable()) worker_.join();
}

void PhasePage::initializePage() {
    WorkflowBridge& bridge = sheet().bridge();
    bridge.attach(this, channel_);
    bridge.clearLog(channel_);
    bridge.resetPhaseState();
    log_->clear();
    shownLength_ = 0;
    shownGeneration_ = 0;
    lastProgressSerial_ = 0;
    sinceProgress_.start();
    progress_->setValue(0);
    status_->setText(QStringLiteral("Logging in..."));
    done_ = false;
    succeeded_ = false;
    buttonsAfterPhase_ = kBackButton;

    const UpgradeTimeouts& timeouts = sheet().timeouts();
    loginTimer_.start(timeouts.login);
    phaseTimer_.start(phaseTimeout());
    progressTimer_.start();
    // Busy at once, not only when the worker's call arrives: nothing may leave the page before that.
    beginBusy();
    startWorker([this] { return runPhase(); });
}

bool PhasePage::validatePage() {
    if (!done_ || !SheetPage::validatePage()) return false;
    completeNow();
    sheet().bridge().detach(this);
    return true;
}

bool PhasePage::leaveBackward() {
    if (!done_) return false;
    completeNow();
    sheet().bridge().detach(this);
    return true;
}

void PhasePage::cleanupPage() { sheet().bridge().detach(this); }

void PhasePage::stopAndWait() {
    stopping_ = true;
    if (!worker_.joinable()) return;
    workflow().requestStop();
    worker_.join();
}

void PhasePage::startWorker(std::function<PhaseOutcome()> work) {
    if (worker_.joinable()) worker_.join();
    try {
        worker_ = std::thread([this, work = std::move(work)] {
            const PhaseOutcome outcome = work();
            QMetaObject::invokeMethod(
                this, [this, outcome] { workerEnded(outcome); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error& error) {
        // No thread, no phase: the run starts over from what is on disk, and Back lets it be retried.
        workflow().restartKeepingWorkingDirectory();
        sheet().bridge().showMessage(std::string("Unable to start the upgrade's worker thread: ") + error.what());
        buttonsAfterPhase_ = kBackButton;
        workerEnded(PhaseOutcome::Failed);
    }
}

void PhasePage::workerEnded(PhaseOutcome outcome) {
    if (worker_.joinable()) worker_.join();
    if (outcome == PhaseOutcome::PairingRequired && !stopping_) {
        pairingRequired();
        return;
    }
    stopPhaseTimers();
    sheet().setBusy(false);
    done_ = true;
    succeeded_ = outcome == PhaseOutcome::Done;
    refresh();
    updateStatusLine();
    setWizardButtons(buttonsAfterPhase_);
    if (!stopping_) completionTimer_.start();
}

void PhasePage::timedOut(UpgradeTimeout which) {
    const WorkflowBridge& bridge = sheet().bridge();
    // The worker said the time-out no longer applies; its stop was still on the way.
    if (which == UpgradeTimeout::Login ? bridge.loginTimeoutStopped() : bridge.phaseTimeoutStopped()) return;
    stopPhaseTimers();
    refresh();
    workflow().timeOut(which);
}

void PhasePage::progressTick() {
    refresh();
    const int position = progress_->value();
    progress_->setValue(position < 100 ? qMin(position + progressStep_, 100) : progressStep_);
    updateStatusLine();
}

void PhasePage::updateStatusLine() {
    if (done_) {
        status_->setText(succeeded_ ? QStringLiteral("Finished.") : QStringLiteral("Stopped: see the messages above."));
        return;
    }
    const ProgressSnapshot snapshot = sheet().bridge().progress();
    if (snapshot.serial == 0) return;
    if (snapshot.serial != lastProgressSerial_) {
        lastProgressSerial_ = snapshot.serial;
        sinceProgress_.restart();
    }
    QString text = describe(snapshot.report);
    const qint64 quiet = sinceProgress_.elapsed() / 1000;
    if (quiet >= kQuietSeconds) text += QStringLiteral(" (%1 s since the last change)").arg(quiet);
    status_->setText(text);
}

void PhasePage::refresh() {
    const LogUpdate update = sheet().bridge().logSince(channel_, shownLength_, shownGeneration_);
    if (update.replace) {
        log_->setPlainText(fromLocal(update.text));
    } else if (!update.text.empty()) {
        QTextCursor end(log_->document());
        end.movePosition(QTextCursor::End);
        end.insertText(fromLocal(update.text));
    }
    shownLength_ = update.length;
    shownGeneration_ = update.generation;
    QScrollBar* bar = log_->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void PhasePage::phaseCompleted() { refresh(); }

void PhasePage::completeNow() {
    if (!completionTimer_.isActive()) return;
    completionTimer_.stop();
    phaseCompleted();
}

void PhasePage::stopPhaseTimers() {
    loginTimer_.stop();
    phaseTimer_.stop();
    progressTimer_.stop();
}

void PhasePage::beginBusy() {
    setWizardButtons(0);
    sheet().setBusy(true);
}

void PhasePage::endBusy(bool backEnabled) {
    // Offered once the worker has ended, so that nothing leaves the page while it still runs.
    buttonsAfterPhase_ = backEnabled ? kBackButton : kNextButton;
    sheet().setBusy(false);
}

void PhasePage::stopTimers() { stopPhaseTimers(); }

void PhasePage::stopLoginTimeout() { loginTimer_.stop(); }

void PhasePage::stopPhaseTimeout() { phaseTimer_.stop(); }

void PhasePage::completeProgress() {
    progressTimer_.stop();
    progress_->setValue(100);
}

void PhasePage::phaseFinished() { stopPhaseTimers(); }
