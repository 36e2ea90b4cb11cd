// The phase watchdog of upgrade-cli on its own: a deadline that runs out calls back once with its
// kind, a stopped one never does, no call comes after finish(), and stopping does not wait for the
// deadlines' length.
#include "cli/phase_watchdog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Expiries {
    std::mutex mutex;
    std::vector<UpgradeTimeout> seen;
    void add(UpgradeTimeout which) {
        std::lock_guard lock(mutex);
        seen.push_back(which);
    }
    std::vector<UpgradeTimeout> list() {
        std::lock_guard lock(mutex);
        return seen;
    }
    // Waits (5 s at most, for a busy machine) until count calls have come.
    void awaitCount(std::size_t count) {
        const auto deadline = Clock::now() + 5s;
        while (list().size() < count && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
    }
};

TEST(PhaseWatchdog, EachDeadlineThatRunsOutCallsBackOnceInTheOrderTheyRunOut) {
    Expiries expiries;
    PhaseWatchdog watchdog([&](UpgradeTimeout which) { expiries.add(which); });
    watchdog.start(20ms, 60ms);
    expiries.awaitCount(2);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(expiries.list(), (std::vector<UpgradeTimeout>{UpgradeTimeout::Login, UpgradeTimeout::Phase}));
}

TEST(PhaseWatchdog, AStoppedDeadlineNeverCallsBack) {
    Expiries expiries;
    PhaseWatchdog watchdog([&](UpgradeTimeout which) { expiries.add(which); });
    watchdog.start(300ms, 400ms);
    watchdog.stopLogin();
    expiries.awaitCount(1);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(expiries.list(), std::vector<UpgradeTimeout>{UpgradeTimeout::Phase});

    watchdog.start(300ms, 300ms);
    watchdog.stopAll();
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(expiries.list().size(), 1u);
}

TEST(PhaseWatchdog, NoCallRunsOrStartsOnceFinishHasReturned) {
    std::atomic<bool> inside{false};
    std::atomic<bool> finished{false};
    std::atomic<int> lateCalls{0};
    PhaseWatchdog watchdog([&](UpgradeTimeout) {
        inside = true;
        if (finished) ++lateCalls;
        std::this_thread::sleep_for(200ms);  // a slow time-out, as a logout may be
        if (finished) ++lateCalls;
        inside = false;
    });
    watchdog.start(10ms, 20ms);
    while (!inside) std::this_thread::sleep_for(1ms);
    watchdog.finish();  // waits for the running call
    finished = true;
    EXPECT_FALSE(inside);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(lateCalls, 0);
}

TEST(PhaseWatchdog, StopsAtOnceWhateverTheDeadlines) {
    const auto started = Clock::now();
    {
        PhaseWatchdog watchdog([](UpgradeTimeout) {});
        watchdog.start(std::chrono::hours(1), std::chrono::hours(2));
        watchdog.finish();
    }
    EXPECT_LT(Clock::now() - started, 2s);
}

}  // namespace
