// Times the steps of a whole upgrade by the workflow's log, for the upgrade benchmark. StepClockUi is
// a user interface that stamps every line the workflow logs (the wall clock and this thread's processor
// time, taken when the line's first piece arrives) and shows nothing. The lines that begin the steps,
// in the order a whole upgrade logs them, split the run into login old, packcerts, download, convert,
// login new, fetch new config, merge, postprocess+save, upload, unpack and apply: a step lasts from
// its first line to the next marked line. What lies between marked steps (the logouts, the end of one
// phase and the start of the next) belongs to no step.
//
// The processor time is the time of the thread that runs the phases, so the user interface belongs to
// that thread alone.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "upgrade/workflow_ui.h"

// One step of a whole upgrade and the time it took; seen is false when its line never came.
struct StepTime {
    const char* name;   // short, fit for a counter name: "login_old", "download", ...
    const char* label;  // for a table: "login old", "download", ...
    double wallSeconds = 0;
    double cpuSeconds = 0;
    bool seen = false;
};

class StepClockUi : public WorkflowUi {
public:
    void appendLog(std::string_view text, bool endLine) override;

    // Every step of a whole upgrade, in order, with the time the log shows it took.
    std::vector<StepTime> steps() const;
    // The label of the first step whose beginning was not logged in order; null when all were.
    const char* missingStep() const;
    // The wall-clock seconds from the first line that begins with start to the line after it (for a
    // file's transfer, logged as its name and then its result); nothing when there is no such pair.
    std::optional<double> lineSeconds(std::string_view start) const;

private:
    struct Line {
        double wall;
        double cpu;
        std::string text;
    };
    std::vector<Line> lines_;
    bool lineOpen_ = false;  // the last line has not ended yet
};

// This thread's processor time and a steady wall clock, in seconds.
double threadCpuSeconds();
double wallSeconds();
