// The run manifest in the workflow: a run started when a working directory is started or resumed,
// each step recorded as it starts and ends, and the outputs of an earlier run moved aside before
// this run writes files of the same names.
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "upgrade/workflow.h"

#ifndef UPGRADE_VERSION
#define UPGRADE_VERSION "unknown"
#endif

UpgradeWorkflow::StepJournal::StepJournal(UpgradeWorkflow& workflow, const char* name, bool warningOnly)
    : workflow_(workflow), name_(name), started_(RunManifest::utcNow()), warningOnly_(warningOnly) {
    if (workflow_.manifestEnding_) {
        // The last run ended (restart): this step belongs to the next one, which it may start.
        workflow_.manifest_.end();
        workflow_.manifestEnding_ = false;
    }
    if (!workflow_.manifest_.active()) return;
    index_ = workflow_.manifest_.stepStarted(name_, started_);
    indexed_ = true;
    workflow_.saveManifest();
}

UpgradeWorkflow::StepJournal::~StepJournal() {
    RunManifest& manifest = workflow_.manifest_;
    if (manifest.active()) {
        if (!indexed_) index_ = manifest.stepStarted(name_, started_);
        manifest.stepEnded(index_, succeeded_ ? "done" : warningOnly_ ? "warning" : "failed");
        workflow_.saveManifest();
    }
    if (workflow_.manifestEnding_) {
        manifest.end();
        workflow_.manifestEnding_ = false;
    }
}

void UpgradeWorkflow::beginManifest() {
    manifestEnding_ = false;
    manifestSaveFailed_ = false;
    const ManifestOpening opening = manifest_.begin(workingDirectory_, UPGRADE_VERSION);
    if (!opening.problem.empty()) {
        logLine("The run manifest " + manifest_.path() + " is unusable (" + opening.problem + ")" +
                (opening.corruptMovedAside ? "; it was moved aside to " + manifest_.path() + ".corrupt" : "") +
                " and a new one was started");
    }
    saveManifest();
}

void UpgradeWorkflow::saveManifest() {
    std::string error;
    if (manifest_.save(&error) || manifestSaveFailed_) return;
    manifestSaveFailed_ = true;
    logLine("Unable to save the run manifest: " + error);
}

void UpgradeWorkflow::moveAsideStale(const std::string& name) {
    if (workingDirectory_.empty() || manifest_.writtenByThisRun(name)) return;
    const std::string path = pathOf(name);
    const std::string aside = path + kPreviousSuffix;
    // Only a file an earlier run can have written is an earlier output; anything else at the name (a
    // directory, a link) is left for the write to refuse.
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return;
    if (std::rename(path.c_str(), aside.c_str()) != 0) return;
    manifest_.outputMovedAside(name);
    logLine("Moved the earlier run's " + path + " aside to " + aside);
}
