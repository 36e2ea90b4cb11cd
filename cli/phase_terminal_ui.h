// The terminal side of a phase that upgrade-cli runs: the upgrade log mirrored on standard output (on
// standard error under --json: cli::humanOut) as it grows (flushed at once, so that a reader of a
// pipe sees each line as it is written), a message
// the workflow shows printed on standard error at once as "upgrade-cli: TEXT", the progress as a
// status line on standard error when that is a terminal, and the page timers of the wizard kept as
// the phase's deadlines by a PhaseWatchdog.
//
// Threads: the workflow calls it on the thread that runs the phase, and from timeOut on the
// watchdog's thread; one mutex keeps their output apart. The watchdog must outlive it.
#pragma once

#include <mutex>
#include <string>
#include <string_view>

#include "cli/phase_watchdog.h"
#include "cli/terminal_progress.h"
#include "upgrade/workflow_ui.h"

class PhaseTerminalUi : public WorkflowUi {
public:
    // progressOnTerminal: whether standard error is a terminal that shows the status line.
    PhaseTerminalUi(PhaseWatchdog& watchdog, bool progressOnTerminal);

    void appendLog(std::string_view text, bool endLine) override;
    void showMessage(const std::string& text) override;
    void reportProgress(const ProgressReport& report) override;
    void stopTimers() override;
    void stopLoginTimeout() override;
    void stopPhaseTimeout() override;
    void phaseFinished() override;

    // A line of the command's own on standard output (cli::humanOut).
    void printLine(std::string_view text);
    // "upgrade-cli COMMAND: TEXT" of the command's own on standard error.
    void complain(std::string_view command, std::string_view text);
    // Shows text as a message unless the last thing written to standard error was that message, so
    // that a failure already shown ends standard error without being repeated.
    void showLast(const std::string& text);
    // Removes the status line and forgets the last message: someone else writes to the terminal now.
    void yieldTerminal();

private:
    void clearLocked();

    std::mutex mutex_;
    PhaseWatchdog& watchdog_;
    TerminalProgress progress_;
    std::string lastMessage_;  // the message last written to standard error; empty: something else was
};
