// Turns the tree's and the script reader's progress ticks into progress reports for one workflow
// step: while a StepProgress lives, every tick of the counted kind advances the step's count and is
// reported to the user interface. The observer chosen before is put back when it ends.
//
// Lives on the stack of the thread that runs the step; the process-wide observer slot it uses is
// that thread's alone while the step runs.
#pragma once

#include <string>

#include "conftree/progress.h"
#include "upgrade/workflow_ui.h"

class StepProgress : public ProgressObserver {
public:
    // Reports step with nothing done yet, then counts ticks of kind (others are ignored).
    StepProgress(WorkflowUi& ui, std::string step, ProgressKind kind, long total = 0);
    ~StepProgress() override;
    StepProgress(const StepProgress&) = delete;
    StepProgress& operator=(const StepProgress&) = delete;

    void advanced(ProgressKind kind, long items) override;

private:
    WorkflowUi& ui_;
    ProgressReport report_;
    ProgressKind kind_;
    ProgressObserver* previous_;
};
