// The deadlines' thread.
#include "cli/phase_watchdog.h"

#include <utility>

PhaseWatchdog::PhaseWatchdog(Expired expired) : expired_(std::move(expired)), thread_([this] { run(); }) {}

PhaseWatchdog::~PhaseWatchdog() {
    {
        std::unique_lock lock(mutex_);
        login_.reset();
        phase_.reset();
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void PhaseWatchdog::start(std::chrono::milliseconds login, std::chrono::milliseconds phase) {
    {
        std::lock_guard lock(mutex_);
        const Clock::time_point now = Clock::now();
        login_ = now + login;
        phase_ = now + phase;
    }
    changed_.notify_all();
}

void PhaseWatchdog::stopLogin() {
    {
        std::lock_guard lock(mutex_);
        login_.reset();
    }
    changed_.notify_all();
}

void PhaseWatchdog::stopPhase() {
    {
        std::lock_guard lock(mutex_);
        phase_.reset();
    }
    changed_.notify_all();
}

void PhaseWatchdog::stopAll() {
    {
        std::lock_guard lock(mutex_);
        login_.reset();
        phase_.reset();
    }
    changed_.notify_all();
}

void PhaseWatchdog::finish() {
    std::unique_lock lock(mutex_);
    login_.reset();
    phase_.reset();
    changed_.notify_all();
    changed_.wait(lock, [this] { return !firing_; });
}

void PhaseWatchdog::run() {
    std::unique_lock lock(mutex_);
    while (!quit_) {
        if (!login_ && !phase_) {
            changed_.wait(lock);
            continue;
        }
        // The nearer deadline; the login's first when both run out together.
        const bool loginFirst = login_ && (!phase_ || *login_ <= *phase_);
        const Clock::time_point due = loginFirst ? *login_ : *phase_;
        if (Clock::now() < due) {
            changed_.wait_until(lock, due);
            continue;  // the deadlines may have changed meanwhile
        }
        const UpgradeTimeout which = loginFirst ? UpgradeTimeout::Login : UpgradeTimeout::Phase;
        (loginFirst ? login_ : phase_).reset();
        firing_ = true;
        lock.unlock();
        expired_(which);
        lock.lock();
        firing_ = false;
        changed_.notify_all();
    }
}
