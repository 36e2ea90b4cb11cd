// PhasePage: what the two progress pages (DownloadStatus, StatusPage) share. Entering the page starts
// its phase of the upgrade workflow on a worker thread and four timers on the window thread:
//   - the login time-out and the phase time-out, which end a phase that waits too long by calling
//     UpgradeWorkflow::timeOut (the session is logged out, the worker's exchange fails and the worker
//     ends on its own; no thread is killed);
//   - the progress timer (2 s), which refreshes the log box from the shared log text, moves the bar
//     and shows the latest progress report in the status line;
//   - the completion timer (1 s), started once the worker has ended.
// The page is done when its worker has ended: only then may it be left, Back after a failure and Next
// after success. Closing the sheet stops the phase and waits for the worker (stopAndWait).
//
// The page owns its worker thread; the bridge calls the public phase operations on the window thread.
#pragma once

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <cstddef>
#include <functional>
#include <thread>

#include "upgrade/workflow.h"
#include "wizard/sheet_page.h"
#include "wizard/workflow_bridge.h"

class QVBoxLayout;
class QLabel;
class QPlainTextEdit;
class QProgressBar;

class PhasePage : public SheetPage {
    Q_OBJECT

public:
    ~PhasePage() override;

    // No phase runs on this page: it ended, or none was started.
    bool isDone() const { return done_; }
    // A worker thread of this page exists (the phase, or its last step after the interface pairing).
    bool workerRunning() const { return worker_.joinable(); }

    void initializePage() override;
    bool validatePage() override;
    bool leaveBackward() override;
    void cleanupPage() override;

    // Asks a running phase to stop and waits for its worker (the sheet is closing).
    void stopAndWait();

    // --- The workflow's calls, carried to the window thread by the bridge ---
    void beginBusy();
    void endBusy(bool backEnabled);
    void stopTimers();
    void stopLoginTimeout();
    void stopPhaseTimeout();
    void completeProgress();
    void phaseFinished();

    QPlainTextEdit* logBox() const { return log_; }
    QProgressBar* progressBar() const { return progress_; }
    QLabel* statusLine() const { return status_; }

protected:
    // progressStep: how far each tick of the progress timer moves the bar.
    PhasePage(WizardSheet& sheet, LogChannel channel, const QString& heading, const QStringList& texts,
              const QString& logCaption, int progressStep);

    // The phase, on the worker thread.
    virtual PhaseOutcome runPhase() = 0;
    virtual std::chrono::milliseconds phaseTimeout() const = 0;
    // The completion timer ran out: by default the log box is refreshed.
    virtual void phaseCompleted();
    // The phase waits for the interface pairing (window thread); the page goes on with startWorker.
    virtual void pairingRequired() {}

    // Puts panel under the log box (which keeps the larger share of the height).
    void addBelowLog(QWidget* panel);

    // Runs work on a new worker thread; its outcome comes back to workerEnded.
    void startWorker(std::function<PhaseOutcome()> work);
    // Shows what the shared log text gained since the last refresh, scrolled to its end.
    void refresh();
    LogChannel channel() const { return channel_; }
    // The sheet is closing: nothing new is started.
    bool stopping() const { return stopping_; }

private:
    void workerEnded(PhaseOutcome outcome);
    void timedOut(UpgradeTimeout which);
    void progressTick();
    void updateStatusLine();
    // Runs the completion at once when its timer is still pending (the page is being left).
    void completeNow();
    void stopPhaseTimers();

    LogChannel channel_;
    int progressStep_;
    QPlainTextEdit* log_ = nullptr;
    QVBoxLayout* logRow_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTimer loginTimer_;
    QTimer phaseTimer_;
    QTimer progressTimer_;
    QTimer completionTimer_;

    std::thread worker_;
    bool done_ = true;
    bool stopping_ = false;
    bool succeeded_ = false;
    int buttonsAfterPhase_ = kBackButton;  // what end busy offers once the worker has ended

    // What the log box shows of the shared text, and when the progress report last changed.
    std::size_t shownLength_ = 0;
    unsigned shownGeneration_ = 0;
    unsigned long lastProgressSerial_ = 0;
    QElapsedTimer sinceProgress_;
};
