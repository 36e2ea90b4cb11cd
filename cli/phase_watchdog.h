// The two deadlines of a running phase for upgrade-cli: the login's and the phase's. When one runs
// out, the callback is called (with UpgradeTimeout::Login or ::Phase), which makes the workflow log
// the session out so that the phase ends; nothing is killed.
//
// One thread of its own waits on a condition variable for the nearest deadline, so stopping a
// deadline or the watchdog takes effect at once. finish() guarantees that no callback runs once it has
// returned and none starts afterwards, until the next start(): a time-out never reaches a phase that
// has ended. The stop calls may come from any thread, the callback's own included (the workflow stops
// the timers from inside timeOut); finish() must not be called from inside the callback.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "upgrade/workflow.h"

class PhaseWatchdog {
public:
    using Clock = std::chrono::steady_clock;
    using Expired = std::function<void(UpgradeTimeout)>;

    explicit PhaseWatchdog(Expired expired);
    // finish(), then the thread ends.
    ~PhaseWatchdog();
    PhaseWatchdog(const PhaseWatchdog&) = delete;
    PhaseWatchdog& operator=(const PhaseWatchdog&) = delete;

    // Arms both deadlines, counted from now.
    void start(std::chrono::milliseconds login, std::chrono::milliseconds phase);
    void stopLogin();
    void stopPhase();
    // Disarms both deadlines.
    void stopAll();
    // Disarms both and waits until a callback that is running has returned.
    void finish();

private:
    void run();

    Expired expired_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<Clock::time_point> login_;
    std::optional<Clock::time_point> phase_;
    bool firing_ = false;
    bool quit_ = false;
    std::thread thread_;
};
