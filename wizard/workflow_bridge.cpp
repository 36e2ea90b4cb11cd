// Carrying the workflow's calls from the worker thread to the window thread.
#include "wizard/workflow_bridge.h"

#include <QMetaObject>

#include <utility>

#include "wizard/phase_page.h"

WorkflowBridge::WorkflowBridge(QObject* parent) : QObject(parent) {}

WorkflowBridge::~WorkflowBridge() = default;

void WorkflowBridge::attach(PhasePage* page, LogChannel channel) {
    page_ = page;
    std::lock_guard lock(mutex_);
    attached_ = static_cast<int>(channel);
}

void WorkflowBridge::detach(PhasePage* page) {
    if (page_ != page) return;
    page_ = nullptr;
    std::lock_guard lock(mutex_);
    attached_ = -1;
}

void WorkflowBridge::setMessageHandler(std::function<void(const QString&)> handler) {
    messageHandler_ = std::move(handler);
}

std::string WorkflowBridge::logText(LogChannel channel) const {
    std::lock_guard lock(mutex_);
    return logs_[static_cast<int>(channel)];
}

LogUpdate WorkflowBridge::logSince(LogChannel channel, std::size_t length, unsigned generation) const {
    const int index = static_cast<int>(channel);
    std::lock_guard lock(mutex_);
    const std::string& log = logs_[index];
    LogUpdate update;
    update.generation = generations_[index];
    update.length = log.size();
    update.replace = generation != generations_[index] || length > log.size();
    update.text = update.replace ? log : log.substr(length);
    return update;
}

void WorkflowBridge::clearLog(LogChannel channel) {
    const int index = static_cast<int>(channel);
    std::lock_guard lock(mutex_);
    logs_[index].clear();
    ++generations_[index];
}

void WorkflowBridge::appendText(LogChannel channel, std::string_view text) {
    std::lock_guard lock(mutex_);
    appendLocked(channel, text);
}

void WorkflowBridge::appendLocked(LogChannel channel, std::string_view text) {
    logs_[static_cast<int>(channel)].append(text);
}

ProgressSnapshot WorkflowBridge::progress() const {
    std::lock_guard lock(mutex_);
    return progress_;
}

void WorkflowBridge::resetPhaseState() {
    {
        std::lock_guard lock(mutex_);
        progress_ = ProgressSnapshot{};
    }
    loginTimeoutStopped_ = false;
    phaseTimeoutStopped_ = false;
}

void WorkflowBridge::postToPage(std::function<void(PhasePage&)> call) {
    QMetaObject::invokeMethod(
        this,
        [this, call = std::move(call)] {
            if (page_) call(*page_);
        },
        Qt::QueuedConnection);
}

void WorkflowBridge::appendLog(std::string_view text, bool endLine) {
    std::lock_guard lock(mutex_);
    if (attached_ < 0) return;
    const auto channel = static_cast<LogChannel>(attached_);
    appendLocked(channel, text);
    // The box shows the text as it is; a line ends the platform's way.
    if (endLine) appendLocked(channel, "\n");
}

void WorkflowBridge::stopTimers() {
    postToPage([](PhasePage& page) { page.stopTimers(); });
}

void WorkflowBridge::showMessage(const std::string& text) {
    const QString message = QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
    QMetaObject::invokeMethod(
        this,
        [this, message] {
            if (messageHandler_) messageHandler_(message);
        },
        Qt::QueuedConnection);
}

void WorkflowBridge::reportProgress(const ProgressReport& report) {
    std::lock_guard lock(mutex_);
    progress_.report = report;
    ++progress_.serial;
}

void WorkflowBridge::beginBusy() {
    postToPage([](PhasePage& page) { page.beginBusy(); });
}

void WorkflowBridge::endBusy(bool backEnabled) {
    postToPage([backEnabled](PhasePage& page) { page.endBusy(backEnabled); });
}

void WorkflowBridge::stopLoginTimeout() {
    loginTimeoutStopped_ = true;
    postToPage([](PhasePage& page) { page.stopLoginTimeout(); });
}

void WorkflowBridge::stopPhaseTimeout() {
    phaseTimeoutStopped_ = true;
    postToPage([](PhasePage& page) { page.stopPhaseTimeout(); });
}

void WorkflowBridge::completeProgress() {
    postToPage([](PhasePage& page) { page.completeProgress(); });
}

void WorkflowBridge::phaseFinished() {
    postToPage([](PhasePage& page) { page.phaseFinished(); });
}

std::string WorkflowBridge::uploadLogText() const { return logText(LogChannel::Upload); }

void WorkflowBridge::clearUploadLog() { clearLog(LogChannel::Upload); }
