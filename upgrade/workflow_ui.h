// What the upgrade workflow needs from a user interface: somewhere to show the log as it grows, the
// stopping of the active page's timers, a message box, and progress reports. The wizard implements it
// with its pages; upgrade-cli with the terminal. Every operation has a quiet default.
//
// The workflow calls these on the thread that runs its steps (a worker thread in the wizard); an
// implementation that shows windows passes the work to its own thread. Nothing here asks the front
// end to decide anything: the interface pairing, the one decision a person may have to make, is run
// by the front end itself on its own thread between UpgradeWorkflow::mergeConfigs and
// UpgradeWorkflow::postprocessConfigs.
#pragma once

#include <string>
#include <string_view>
#include <utility>

// How the interface pairing ended, as the front end tells postprocessConfigs.
enum class PairingOutcome {
    Closed,        // the dialog closed (with OK or otherwise); the merge goes on
    CannotCreate,  // the dialog could not be shown ("Error Creating Dialog Object"); the merge goes on
    Abandoned,     // the front end could not get a pairing and stops the upgrade (never the wizard)
    SharedRefused, // several old interfaces would share one new interface, and that was not confirmed
};

// Where a step is: its name, the items done so far and the items in all (0: not known ahead, as for
// the settings of a file being loaded). Reports of one step come in order with done never falling.
// A transfer also says which file moves (item) and how many bytes of it have crossed the connection
// so far (bytes; 0 before the first).
struct ProgressReport {
    ProgressReport() = default;
    ProgressReport(std::string stepName, long doneSoFar, long inAll, std::string itemName = {}, long long moved = 0)
        : step(std::move(stepName)), done(doneSoFar), total(inAll), item(std::move(itemName)), bytes(moved) {}

    std::string step;
    long done = 0;
    long total = 0;
    std::string item;
    long long bytes = 0;

    // The item's file name, without its directories (what fits on a status line).
    std::string itemName() const { return item.substr(item.rfind('/') + 1); }
};

class WorkflowUi {
public:
    virtual ~WorkflowUi() = default;

    // Appends text to the on-screen log, followed by a line end when endLine is set.
    virtual void appendLog(std::string_view /*text*/, bool /*endLine*/) {}
    // Stops the timers of the progress page that runs the current phase.
    virtual void stopTimers() {}
    // Shows a message box with the text.
    virtual void showMessage(const std::string& /*text*/) {}
    // Where the running step is. Called often (every 10 to 20 items): keep it cheap.
    virtual void reportProgress(const ProgressReport& /*report*/) {}

    // A phase (download or upload) starts: Back and Next are refused, the wait cursor is shown.
    virtual void beginBusy() {}
    // The phase's work ended: Back is offered after a failure, Next after success.
    virtual void endBusy(bool /*backEnabled*/) {}
    // The login succeeded: the login time-out no longer applies.
    virtual void stopLoginTimeout() {}
    // The transfers that the phase time-out guards are over.
    virtual void stopPhaseTimeout() {}
    // The phase succeeded: the progress timer stops and the bar shows 100.
    virtual void completeProgress() {}
    // The phase ended (either way): whichever time-out still runs and the progress timer stop, the
    // page is done and may be left.
    virtual void phaseFinished() {}

    // The upload page's on-screen log so far (the log file repeats it when it is opened); clearing it
    // is part of a restart.
    virtual std::string uploadLogText() const { return std::string(); }
    virtual void clearUploadLog() {}
};
