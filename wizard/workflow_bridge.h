// The wizard's side of the upgrade workflow's user interface: what the workflow calls on the worker
// thread that runs a phase, carried to the window thread.
//
// The two progress pages' log texts and the latest progress report live here, behind one mutex: the
// worker appends to the text of the page that is attached, and the page's timers read it on the
// window thread. Everything else (message boxes, the busy state, the stopping of the page's timers,
// the end of the phase) is posted to the window thread as a queued call and handled there by the
// attached page, or by the message handler; nothing of a window is touched on the worker.
//
// Owned by WizardSheet, which outlives every worker it starts. attach, detach and setMessageHandler
// belong to the window thread; the WorkflowUi operations and the log and progress accessors may be
// called from any thread.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "upgrade/workflow_ui.h"

class PhasePage;

// Which progress page a log text belongs to.
enum class LogChannel { Download = 0, Upload = 1 };

// What changed in a log text since a reader last looked: either text to append to what it shows, or
// (replace set) the whole text, when the log was cleared in between.
struct LogUpdate {
    bool replace = false;
    std::string text;
    std::size_t length = 0;   // the log's length after this update, for the next call
    unsigned generation = 0;  // changes whenever the log is cleared
};

// The latest progress report and how many reports came before it (so a reader sees whether it moved).
struct ProgressSnapshot {
    ProgressReport report;
    unsigned long serial = 0;  // 0: no report since the phase started
};

class WorkflowBridge : public QObject, public WorkflowUi {
    Q_OBJECT

public:
    explicit WorkflowBridge(QObject* parent = nullptr);
    ~WorkflowBridge() override;

    // --- Window thread ---
    // Makes page the log sink and the target of the phase's calls; its channel receives the log.
    void attach(PhasePage* page, LogChannel channel);
    // page stops being the sink (nothing happens when another page is attached).
    void detach(PhasePage* page);
    // How a message is shown; the sheet shows a message box, tests record the text.
    void setMessageHandler(std::function<void(const QString&)> handler);

    // --- Any thread ---
    std::string logText(LogChannel channel) const;
    // What a reader that has shown length characters of generation must add (or replace).
    LogUpdate logSince(LogChannel channel, std::size_t length, unsigned generation) const;
    void clearLog(LogChannel channel);
    // Appends to a log text without writing to the log file (the warnings text after a download).
    void appendText(LogChannel channel, std::string_view text);
    ProgressSnapshot progress() const;
    // A new phase starts: no progress yet, and both time-outs apply again.
    void resetPhaseState();
    // Whether the workflow said that a time-out no longer applies; a time-out that fires after that
    // (its stop was still on its way) is ignored.
    bool loginTimeoutStopped() const { return loginTimeoutStopped_; }
    bool phaseTimeoutStopped() const { return phaseTimeoutStopped_; }

    // --- WorkflowUi, called by the workflow on the worker (timeOut on the window thread) ---
    void appendLog(std::string_view text, bool endLine) override;
    void stopTimers() override;
    void showMessage(const std::string& text) override;
    void reportProgress(const ProgressReport& report) override;
    void beginBusy() override;
    void endBusy(bool backEnabled) override;
    void stopLoginTimeout() override;
    void stopPhaseTimeout() override;
    void completeProgress() override;
    void phaseFinished() override;
    std::string uploadLogText() const override;
    void clearUploadLog() override;

private:
    // Runs call on the window thread, later, with the attached page (when one is attached then).
    void postToPage(std::function<void(PhasePage&)> call);
    void appendLocked(LogChannel channel, std::string_view text);

    mutable std::mutex mutex_;
    std::string logs_[2];
    unsigned generations_[2] = {0, 0};
    int attached_ = -1;  // the channel that appendLog writes to; -1: none
    ProgressSnapshot progress_;
    std::atomic<bool> loginTimeoutStopped_{false};
    std::atomic<bool> phaseTimeoutStopped_{false};

    // Window thread only.
    QPointer<PhasePage> page_;
    std::function<void(const QString&)> messageHandler_;
};
