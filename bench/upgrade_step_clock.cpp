// The steps of a whole upgrade told apart by the workflow's log lines (see upgrade_step_clock.h).
#include "bench/upgrade_step_clock.h"

#include <chrono>
#include <ctime>
#include <iterator>

namespace {

const StepTime kSteps[] = {
    {"login_old", "login old"}, {"packcerts", "packcerts"},
    {"download", "download"},   {"convert", "convert"},
    {"login_new", "login new"}, {"fetch_new_config", "fetch new config"},
    {"merge", "merge"},         {"postprocess_save", "postprocess+save"},
    {"upload", "upload"},       {"unpack", "unpack"},
    {"apply", "apply"},
};
constexpr int kGap = -1;

// A line that begins a step (an index into kSteps) or a gap. A text that ends in a space is the
// beginning of its line (a path follows); any other is the whole line.
struct Mark {
    std::string_view text;
    int step;
};

// In the order of a whole upgrade: the download phase, then the upload phase.
const Mark kMarks[] = {
    {"Attempting to login...", 0},
    {"Packaging any VPN Certs for download...", 1},
    {"Retrieving files from old firewall...", 2},
    {"Download complete", kGap},  // the logout
    {"Starting conversion...", 3},
    {"Converted file saved to ", kGap},  // the end of the download phase, the start of the upload phase
    {"Attempting to login...", 4},
    {"Retrieving kestrane.conf from new firewall...", 5},
    {"Merging old configuration with new configuration...", 6},
    {"Postprocessing...", 7},  // the last line of the merge: postprocessing follows at once
    {"Merged file saved to ", kGap},
    {"Copying files up to new firewall...", 8},
    {"Upload complete", kGap},
    {"Unpackaging VPN certs and user databases...", 9},
    {"Applying new configuration...please stand by - this could take a few minutes...", 10},
    {"Please reboot the firewall before using it!", kGap},  // the last line of the apply
};

bool matches(const Mark& mark, const std::string& line) {
    if (mark.text.ends_with(' ')) return line.starts_with(mark.text);
    return line == mark.text;
}

}  // namespace

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void StepClockUi::appendLog(std::string_view text, bool endLine) {
    if (lineOpen_) {
        lines_.back().text += text;
    } else {
        lines_.push_back({wallSeconds(), threadCpuSeconds(), std::string(text)});
    }
    lineOpen_ = !endLine;
}

std::vector<StepTime> StepClockUi::steps() const {
    std::vector<StepTime> result(std::begin(kSteps), std::end(kSteps));
    std::size_t next = 0;
    int open = kGap;
    const Line* since = nullptr;
    for (const Line& line : lines_) {
        if (next == std::size(kMarks) || !matches(kMarks[next], line.text)) continue;
        if (open != kGap) {
            StepTime& step = result[static_cast<std::size_t>(open)];
            step.wallSeconds = line.wall - since->wall;
            step.cpuSeconds = line.cpu - since->cpu;
            step.seen = true;
        }
        open = kMarks[next++].step;
        since = &line;
    }
    return result;
}

const char* StepClockUi::missingStep() const {
    for (const StepTime& step : steps())
        if (!step.seen) return step.label;
    return nullptr;
}

std::optional<double> StepClockUi::lineSeconds(std::string_view start) const {
    for (std::size_t i = 0; i + 1 < lines_.size(); ++i)
        if (lines_[i].text.starts_with(start)) return lines_[i + 1].wall - lines_[i].wall;
    return std::nullopt;
}
