// Ctrl-C (SIGINT) and SIGTERM for the commands that talk to a firewall. Instead of ending the process
// where it stands, a signal asks the running phase to stop: the session is logged out, the step that
// waited fails, and the working directory keeps only complete files.
//
// The object blocks both signals in the thread that makes it (and so in every thread started after
// it: make it before any other) and takes them on a thread of its own, which records the signal,
// makes interruptFd() readable (a wait for typed input gives up on it) and runs the stop action.
// Nothing runs in a signal handler.
//
// One per process, owned by the running command. setStopAction and the queries may be used from any
// thread; the stop action runs on the signal thread.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace cli {

class StopSignals {
public:
    StopSignals();
    // Ends the signal thread; the signals stay blocked (the process is about to end, and a signal that
    // comes now is not one the run can still act on).
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Runs action for every signal from now on, and at once when one has come already. An empty action
    // ends the calls; setStopAction returns only once a call that was running is over, so the action
    // may refer to objects that are destroyed right after it is replaced.
    void setStopAction(std::function<void()> action);

    // Whether a signal has come, and which (0: none).
    bool received() const { return signal_ != 0; }
    int signalNumber() const { return signal_; }
    // Readable once a signal has come; -1 when the signals could not be taken over (they then end the
    // process as usual).
    int interruptFd() const { return interrupt_[0]; }

private:
    void watch();

    int signalFd_ = -1;
    int wake_[2] = {-1, -1};
    int interrupt_[2] = {-1, -1};
    std::atomic<int> signal_{0};
    std::mutex actionMutex_;
    std::function<void()> action_;
    std::thread thread_;
};

}  // namespace cli
