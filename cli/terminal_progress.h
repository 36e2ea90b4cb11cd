// The workflow's progress reports as one status line on a terminal: the step, the items done and,
// when the total is known, a bar. Nothing at all when the stream is not a terminal (a file or pipe
// must hold only what the program means to say). The line is redrawn at most ten times a second and
// whenever the step changes; clear() removes it before other text is written.
//
// Single-threaded: used on the thread that runs the workflow's steps.
#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

#include "upgrade/workflow_ui.h"

class TerminalProgress {
public:
    // Draws on stream when isTerminal; otherwise every call does nothing.
    TerminalProgress(std::ostream& stream, bool isTerminal);
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void show(const ProgressReport& report);
    // Removes the status line, if one is drawn.
    void clear();

    // The text of the status line for a report (without the terminal's control characters).
    static std::string lineFor(const ProgressReport& report);

private:
    std::ostream& stream_;
    bool active_;
    bool drawn_ = false;
    std::string step_;
    std::chrono::steady_clock::time_point lastDrawn_{};
};
