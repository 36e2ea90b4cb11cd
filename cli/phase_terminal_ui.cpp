// The terminal front end of a phase.
#include "cli/phase_terminal_ui.h"

#include <iostream>

#include "cli/human_output.h"

PhaseTerminalUi::PhaseTerminalUi(PhaseWatchdog& watchdog, bool progressOnTerminal)
    : watchdog_(watchdog), progress_(std::cerr, progressOnTerminal) {}

void PhaseTerminalUi::clearLocked() { progress_.clear(); }

void PhaseTerminalUi::appendLog(std::string_view text, bool endLine) {
    std::lock_guard lock(mutex_);
    clearLocked();
    std::ostream& out = cli::humanOut();
    out << text;
    if (endLine) out << '\n';
    out.flush();
    if (cli::humanOnStandardError()) lastMessage_.clear();
}

void PhaseTerminalUi::showMessage(const std::string& text) {
    std::lock_guard lock(mutex_);
    clearLocked();
    std::cerr << "upgrade-cli: " << text << '\n' << std::flush;
    lastMessage_ = text;
}

void PhaseTerminalUi::reportProgress(const ProgressReport& report) {
    std::lock_guard lock(mutex_);
    progress_.show(report);
}

void PhaseTerminalUi::stopTimers() { watchdog_.stopAll(); }

void PhaseTerminalUi::stopLoginTimeout() { watchdog_.stopLogin(); }

void PhaseTerminalUi::stopPhaseTimeout() { watchdog_.stopPhase(); }

void PhaseTerminalUi::phaseFinished() {
    watchdog_.finish();
    std::lock_guard lock(mutex_);
    clearLocked();
}

void PhaseTerminalUi::printLine(std::string_view text) {
    std::lock_guard lock(mutex_);
    clearLocked();
    cli::humanOut() << text << '\n' << std::flush;
    if (cli::humanOnStandardError()) lastMessage_.clear();
}

void PhaseTerminalUi::complain(std::string_view command, std::string_view text) {
    std::lock_guard lock(mutex_);
    clearLocked();
    cli::complain(command, text);
    lastMessage_.clear();
}

void PhaseTerminalUi::showLast(const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        if (!text.empty() && text == lastMessage_) return;
    }
    showMessage(text);
}

void PhaseTerminalUi::yieldTerminal() {
    std::lock_guard lock(mutex_);
    clearLocked();
    lastMessage_.clear();
}
