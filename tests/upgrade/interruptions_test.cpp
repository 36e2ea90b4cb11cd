// Interrupting a phase from another thread, as the front ends' time-outs and stop requests do: the
// session is logged out, the worker's pending exchange fails at once, the phase ends with the
// interruption as its failure (shown once), and every file of the working directory stays complete.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "support/silent_listener.h"
#include "template/template_processor.h"
#include "upgrade/phase_fixture.h"
#include "upgrade/upgrade_strings.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class InterruptionsTest : public PhaseFixture {
protected:
    void useAnotherParentDirectory() {
        workflow.parentDirectory = (dir / "work-again").string();
        fs::create_directories(workflow.parentDirectory);
        lastWorkingDirectory.clear();
    }
    // Runs the download phase on a worker, calling interrupt from this thread once the screen shows
    // `cue`; the phase's outcome and how long it took after the interruption.
    PhaseOutcome downloadInterrupted(const std::string& cue, const std::function<void()>& interrupt,
                                     std::chrono::steady_clock::duration* afterInterrupt) {
        auto phase = std::async(std::launch::async, [this] { return download(); });
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (ui.screen().find(cue) == std::string::npos && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
        EXPECT_NE(ui.screen().find(cue), std::string::npos) << ui.screen();
        std::this_thread::sleep_for(100ms);  // the exchange is under way
        const auto interrupted = std::chrono::steady_clock::now();
        interrupt();
        EXPECT_EQ(phase.wait_for(20s), std::future_status::ready) << "the phase did not end";
        *afterInterrupt = std::chrono::steady_clock::now() - interrupted;
        return phase.get();
    }
};

TEST_F(InterruptionsTest, ALoginTimeOutEndsALoginThatHangsWithString118) {
    testsupport::SilentListener silent;
    ASSERT_NE(silent.port(), 0);
    workflow.oldLogin.port = silent.port();
    std::chrono::steady_clock::duration took{};
    const PhaseOutcome outcome = downloadInterrupted(
        "Attempting to login...", [this] { workflow.timeOut(UpgradeTimeout::Login); }, &took);
    EXPECT_EQ(outcome, PhaseOutcome::Failed);
    EXPECT_LT(took, 5s);
    EXPECT_EQ(ui.messages(), std::vector<std::string>{formatUpgradeString(118)});
    EXPECT_EQ(workflow.failure().stringId, 118);
    EXPECT_GE(ui.timersStopped.load(), 1);
    EXPECT_NE(ui.screen().find("Login failed"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(workParent));
}

TEST_F(InterruptionsTest, APhaseTimeOutDuringATransferEndsWithString121AndCompleteFiles) {
    startOld({"--hang", "/usr/local/etc/netperm-table"});
    std::chrono::steady_clock::duration took{};
    const PhaseOutcome outcome = downloadInterrupted(
        "Optional file: /usr/local/etc/netperm-table - ", [this] { workflow.timeOut(UpgradeTimeout::Phase); }, &took);
    EXPECT_EQ(outcome, PhaseOutcome::Failed);
    EXPECT_LT(took, 5s);
    EXPECT_EQ(ui.messages(), std::vector<std::string>{formatUpgradeString(121)});
    EXPECT_EQ(workflow.failure().stringId, 121);
    // The download stopped at the hung file; what came before is whole, nothing after was fetched.
    EXPECT_EQ(testsupport::readFile(lastWorkingDirectory + "keys.conf.PRE60UPGRADE"), "key_1=abc\n");
    EXPECT_FALSE(fs::exists(lastWorkingDirectory + "netperm-table.PRE60UPGRADE"));
    EXPECT_FALSE(fs::exists(lastWorkingDirectory + "full-backup.tar.PRE60UPGRADE"));
    EXPECT_FALSE(fs::exists(lastWorkingDirectory + kConvertedConfigName));
    const std::string log = logFile();
    EXPECT_NE(log.find("Optional file: /usr/local/etc/netperm-table - Command failed: Connection timed out\n"
                       "Aborting download!\n" +
                       formatUpgradeString(121) + "\n"),
              std::string::npos)
        << log;
    EXPECT_TRUE(log.ends_with("Upgrade Wizard shut down normally\n"));
    EXPECT_TRUE(workflow.workingDirectory().empty());

    // The next phase starts afresh: the time-out belonged to the one it ended.
    ui.events.clear();
    oldSim.stop();
    startOld();
    useAnotherParentDirectory();  // the same second would give the same name
    EXPECT_EQ(download(), PhaseOutcome::Done) << ui.screen();
}

TEST_F(InterruptionsTest, AStopDuringATransferEndsThePhaseAndStaysUntilCleared) {
    startOld({"--hang", "packcerts"});
    std::chrono::steady_clock::duration took{};
    const PhaseOutcome outcome = downloadInterrupted(
        "Packaging any VPN Certs for download...", [this] { workflow.requestStop(); }, &took);
    EXPECT_EQ(outcome, PhaseOutcome::Failed);
    EXPECT_LT(took, 5s);
    EXPECT_EQ(workflow.failure().text, kStopRequestedText);
    // The packaging warning is not shown for an exchange the stop cut short; the stop is shown once.
    EXPECT_EQ(ui.messages(), std::vector<std::string>{kStopRequestedText});
    EXPECT_FALSE(fs::exists(lastWorkingDirectory + kSavedOldConfigName));
    EXPECT_TRUE(logFile().ends_with("Upgrade Wizard shut down normally\n"));

    // A stop is not forgotten by the next phase...
    EXPECT_EQ(download(), PhaseOutcome::Failed);
    EXPECT_EQ(workflow.failure().text, kStopRequestedText);
    // ...until the front end clears it.
    workflow.clearStopRequest();
    oldSim.stop();
    startOld();
    useAnotherParentDirectory();
    EXPECT_EQ(download(), PhaseOutcome::Done) << ui.screen();
}

}  // namespace
