// One redrawn status line for the workflow's progress.
#include "cli/terminal_progress.h"

#include <ostream>

namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

TerminalProgress::TerminalProgress(std::ostream& stream, bool isTerminal) : stream_(stream), active_(isTerminal) {}

TerminalProgress::~TerminalProgress() { clear(); }

std::string TerminalProgress::lineFor(const ProgressReport& report) {
    std::string line = report.step + ": ";
    if (report.total > 0) {
        const long done = report.done < report.total ? report.done : report.total;
        const int filled = static_cast<int>(done * kBarWidth / report.total);
        line += "[" + std::string(static_cast<std::size_t>(filled), '#') +
                std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') + "] " + std::to_string(done) + "/" +
                std::to_string(report.total);
    } else {
        line += std::to_string(report.done);
    }
    // The file's name only: a whole path would push the bar off a narrow terminal.
    if (!report.item.empty()) line += " " + report.itemName();
    if (report.bytes > 0) line += " " + std::to_string(report.bytes / 1024) + " KiB";
    return line;
}

void TerminalProgress::show(const ProgressReport& report) {
    if (!active_) return;
    const auto now = std::chrono::steady_clock::now();
    if (report.step == step_ && drawn_ && now - lastDrawn_ < kRedrawInterval) return;
    step_ = report.step;
    lastDrawn_ = now;
    // Carriage return, the line, and "erase to the end of the line" for a shorter line than before.
    stream_ << '\r' << lineFor(report) << "\x1b[K" << std::flush;
    drawn_ = true;
}

void TerminalProgress::clear() {
    if (!active_ || !drawn_) return;
    stream_ << "\r\x1b[K" << std::flush;
    drawn_ = false;
}
