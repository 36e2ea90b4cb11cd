// Two simulated firewalls for the workflow's phases: an old 5.x one whose root holds the sample
// configuration and a few companion files, and a new 6.0 one holding the sample initial
// configuration. A user interface that records what the workflow asks of it, and a workflow aimed at
// both firewalls that creates its working directories in a scratch directory.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "lib/fwall/mgmt_session.h"
#include "sim/launcher.h"
#include "support/files.h"
#include "support/scratch_dir.h"
#include "upgrade/workflow.h"
#include "upgrade/workflow_ui.h"

// What the workflow asked of the user interface. The log may grow on the worker while a test's other
// thread reads it, so it is guarded.
class PhaseUi : public WorkflowUi {
public:
    void appendLog(std::string_view text, bool endLine) override {
        std::lock_guard lock(mutex_);
        screen_ += text;
        if (endLine) screen_ += "\r\n";
    }
    void showMessage(const std::string& text) override {
        std::lock_guard lock(mutex_);
        messages_.push_back(text);
    }
    void stopTimers() override { ++timersStopped; }
    void beginBusy() override { events.push_back("begin busy"); }
    void endBusy(bool back) override { events.push_back(back ? "end busy: back" : "end busy: next"); }
    void stopLoginTimeout() override { events.push_back("login time-out stopped"); }
    void stopPhaseTimeout() override { events.push_back("phase time-out stopped"); }
    void completeProgress() override { events.push_back("progress complete"); }
    void phaseFinished() override { events.push_back("phase finished"); }
    void reportProgress(const ProgressReport& report) override { reports.push_back(report); }

    std::string screen() const {
        std::lock_guard lock(mutex_);
        return screen_;
    }
    std::vector<std::string> messages() const {
        std::lock_guard lock(mutex_);
        return messages_;
    }

    std::atomic<int> timersStopped{0};
    std::vector<std::string> events;      // worker thread only
    std::vector<ProgressReport> reports;  // worker thread only

private:
    mutable std::mutex mutex_;
    std::string screen_;
    std::vector<std::string> messages_;
};

class PhaseFixture : public ::testing::Test {
protected:
    testsupport::ScratchDir dir{"phase_test"};
    std::filesystem::path oldRoot = dir / "old-root";
    std::filesystem::path newRoot = dir / "new-root";
    std::filesystem::path workParent = dir / "work";
    fwsim::FwsimProcess oldSim;
    fwsim::FwsimProcess newSim;
    PhaseUi ui;
    UpgradeWorkflow workflow{ui};

    void SetUp() override;
    void TearDown() override { MgmtSession().logout(); }

    // Starts the old firewall (version 5.5 unless args say otherwise) with these further arguments.
    void startOld(std::vector<std::string> args = {});
    // Starts the new firewall (version KF6.0 unless args say otherwise).
    void startNew(std::vector<std::string> args = {});

    // A file on a firewall's root, by its firewall path.
    static std::filesystem::path onFirewall(const std::filesystem::path& root, const std::string& path) {
        return root / path.substr(1);
    }
    // The workflow's log file (of the current or the last working directory).
    std::string logFile() const { return testsupport::readFile(lastWorkingDirectory + kLogFileName); }

    // Runs the download phase; remembers the working directory it made.
    PhaseOutcome download();
    // Runs the upload phase through to its end, pairing nothing.
    PhaseOutcome upload();

    std::string lastWorkingDirectory;
};
