// Progress ticks of one workflow step, reported as they come.
#include "upgrade/step_progress.h"

#include <utility>

StepProgress::StepProgress(WorkflowUi& ui, std::string step, ProgressKind kind, long total)
    : ui_(ui), report_{std::move(step), 0, total}, kind_(kind), previous_(setProgressObserver(this)) {
    ui_.reportProgress(report_);
}

StepProgress::~StepProgress() { setProgressObserver(previous_); }

void StepProgress::advanced(ProgressKind kind, long items) {
    if (kind != kind_) return;
    report_.done += items;
    if (report_.total != 0 && report_.done > report_.total) report_.total = report_.done;
    ui_.reportProgress(report_);
}
