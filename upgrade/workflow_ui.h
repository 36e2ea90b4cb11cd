// What the upgrade workflow needs from a user interface: somewhere to show the log as it grows, the
// stopping of the active page's timers, a message box, and the interface pairing dialog. The wizard
// implements it with its pages; upgrade-cli with the terminal. Every operation has a quiet default
// except the pairing, which each front end must decide.
//
// The workflow calls these on the thread that runs its steps; an implementation that shows windows
// passes the work to its own thread.
#pragma once

#include <string>
#include <string_view>

class InterfacePairing;

// How the interface pairing ended.
enum class PairingOutcome {
    Closed,        // the dialog closed (with OK or otherwise); the merge goes on
    CannotCreate,  // the dialog could not be shown ("Error Creating Dialog Object"); the merge goes on
    Abandoned,     // the front end could not get a pairing and stops the upgrade (never the wizard)
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
    // Lets someone pair every old physical interface with a new one through the view of the running
    // conversion's interfaces (convert/interface_pairing.h). Called only when the pairing by address
    // left some unpaired; the view is valid for the length of the call.
    virtual PairingOutcome pairInterfaces(InterfacePairing& pairing) = 0;
};
