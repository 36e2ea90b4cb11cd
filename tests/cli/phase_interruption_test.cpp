// upgrade-cli's firewall subcommands when a wait does not end by itself: a login that is never
// answered runs into its time-out, Ctrl-C or SIGTERM stops the phase cleanly (exit 130, the working
// directory's files complete), and on a terminal the password is asked without echo, the interfaces
// are asked for, and the terminal is put back as it was, also after Ctrl-C. A firewall that stops
// answering in the middle of the download (fwsim --hang) runs into the phase's time-out or is left
// with Ctrl-C.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "phase_fixture.h"
#include "support/silent_listener.h"

namespace phasetest {
namespace {

using Clock = std::chrono::steady_clock;
using testsupport::readFile;

// upgrade-cli on a pseudo-terminal of its own (its controlling terminal, so that typing Ctrl-C there
// signals it), without any password or time-out from the environment.
class TerminalProgram {
public:
    ~TerminalProgram() {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (master_ >= 0) ::close(master_);
        if (slave_ >= 0) ::close(slave_);
    }

    bool start(const Args& arguments, const std::string& cwd) {
        if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) return false;
        Args argv{UPGRADE_CLI};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<char*> words;
        for (std::string& word : argv) words.push_back(word.data());
        words.push_back(nullptr);
        std::vector<char*> environment;
        for (char** entry = environ; *entry != nullptr; ++entry)
            if (std::string(*entry).rfind("UPGRADE_", 0) != 0) environment.push_back(*entry);
        environment.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setsid();
            if (::ioctl(slave_, TIOCSCTTY, 0) != 0 || ::dup2(slave_, STDIN_FILENO) < 0 ||
                ::dup2(slave_, STDOUT_FILENO) < 0 || ::dup2(slave_, STDERR_FILENO) < 0 || ::chdir(cwd.c_str()) != 0)
                ::_exit(126);
            for (int fd = STDERR_FILENO + 1; fd < 1024; ++fd) ::close(fd);
            ::execve(words[0], words.data(), environment.data());
            ::_exit(127);
        }
        return pid_ > 0;
    }

    // Reads what the terminal shows until text appears after what an earlier wait found.
    bool waitFor(const std::string& text, std::chrono::seconds wait = std::chrono::seconds(30)) {
        const auto deadline = Clock::now() + wait;
        while (Clock::now() < deadline) {
            const std::size_t found = output.find(text, seen_);
            if (found != std::string::npos) {
                seen_ = found + text.size();
                return true;
            }
            // A slow start (a loaded machine, the sanitizers) is waited for; a closed terminal is not.
            if (readSome(std::chrono::milliseconds(50)) == Read::Closed) return false;
        }
        return false;
    }

    void type(const std::string& text) { ASSERT_EQ(::write(master_, text.data(), text.size()), ssize_t(text.size())); }

    // The exit status once the program has ended (what it still showed is read), -1 when it did not.
    int wait(std::chrono::seconds wait = std::chrono::seconds(60)) {
        const auto deadline = Clock::now() + wait;
        while (Clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                while (readSome(std::chrono::milliseconds(50)) == Read::Some) {
                }
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            readSome(std::chrono::milliseconds(50));
        }
        return -1;
    }

    // Whether the terminal echoes what is typed.
    bool echoes() const {
        termios settings{};
        return ::tcgetattr(slave_, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
    }

    std::string output;

private:
    enum class Read { Some, Nothing, Closed };
    // Reads what is there within wait: Some, Nothing (yet), or Closed (the program's side is gone).
    Read readSome(std::chrono::milliseconds wait) {
        pollfd readable{master_, POLLIN, 0};
        const int ready = ::poll(&readable, 1, static_cast<int>(wait.count()));
        if (ready == 0) return Read::Nothing;
        if (ready < 0) return errno == EINTR ? Read::Nothing : Read::Closed;
        char buffer[4096];
        const ssize_t got = ::read(master_, buffer, sizeof buffer);
        if (got <= 0) return Read::Closed;
        output.append(buffer, static_cast<std::size_t>(got));
        return Read::Some;
    }

    int master_ = -1;
    int slave_ = -1;
    pid_t pid_ = -1;
    bool exited_ = false;
    std::size_t seen_ = 0;
};

TEST_F(PhaseCliTest, ALoginThatIsNeverAnsweredRunsIntoTheLoginTimeOut) {
    testsupport::SilentListener listener;
    ASSERT_NE(listener.port(), 0);
    const auto started = Clock::now();
    EXPECT_EQ(run("download", join(loginAt(listener.port()), {{"--in", work.string()}}),
                  {std::string("UPGRADE_PASSWORD=") + kOldPassword, "UPGRADE_LOGIN_TIMEOUT=0.5"}),
              1);
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(lastLine(err), kLoginFailed) << err;
    EXPECT_NE(out.find("Attempting to login...\nLogin failed\n"), std::string::npos) << out;
    EXPECT_TRUE(fs::is_empty(work));
}

TEST_F(PhaseCliTest, CtrlCWhileTheLoginWaitsStopsAndKeepsTheWorkingDirectoryComplete) {
    testsupport::SilentListener listener;
    ASSERT_NE(listener.port(), 0);
    const std::string directory = savedWorkingDirectory();
    std::thread signaller;
    const auto started = Clock::now();
    EXPECT_EQ(run("upload", join({"--workdir", directory}, {loginAt(listener.port())}),
                  {std::string("UPGRADE_PASSWORD=") + kNewPassword, "UPGRADE_LOGIN_TIMEOUT=60"},
                  [&](pid_t pid) {
                      signaller = std::thread([&listener, pid] {
                          if (listener.awaitClient(std::chrono::seconds(30))) ::kill(pid, SIGINT);
                      });
                  }),
              130);
    signaller.join();
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(30));
    EXPECT_EQ(lastLine(err), kStopped) << err;
    EXPECT_EQ(workingDirectory(), directory) << out;
    EXPECT_EQ(readFile(fs::path(directory) / "kestrane.conf.PRE60UPGRADE"), readFile(kOldConfig));
    const std::string log = readFile(fs::path(directory) / "5xto60.log");
    EXPECT_NE(log.find("Attempting to login...\nLogin failed\n"), std::string::npos) << log;
    EXPECT_TRUE(endsWith(log, "Upgrade Wizard shut down normally\n")) << log;
}

TEST_F(PhaseCliTest, SigtermWhileTheDownloadLogsInStopsWithoutAWorkingDirectory) {
    testsupport::SilentListener listener;
    ASSERT_NE(listener.port(), 0);
    std::thread signaller;
    EXPECT_EQ(run("download", join(loginAt(listener.port()), {{"--in", work.string()}}),
                  {std::string("UPGRADE_PASSWORD=") + kOldPassword, "UPGRADE_LOGIN_TIMEOUT=60"},
                  [&](pid_t pid) {
                      signaller = std::thread([&listener, pid] {
                          if (listener.awaitClient(std::chrono::seconds(30))) ::kill(pid, SIGTERM);
                      });
                  }),
              130);
    signaller.join();
    EXPECT_EQ(lastLine(err), kStopped) << err;
    EXPECT_EQ(out.find("Working directory:"), std::string::npos) << out;
    EXPECT_TRUE(fs::is_empty(work));
}

// The working directory a download made in work (the only entry there).
fs::path madeWorkingDirectory(const fs::path& work) {
    fs::directory_iterator entries(work);
    return entries == fs::directory_iterator() ? fs::path() : entries->path();
}

// Whether every file in directory is one the download writes (no temporary file left behind).
bool onlyDownloadedFiles(const fs::path& directory) {
    for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
        const std::string name = entry.path().filename().string();
        if (name != "5xto60.log" && name != "warnings.txt" && name != "manifest.json" &&
            !endsWith(name, ".PRE60UPGRADE"))
            return false;
    }
    return true;
}

TEST_F(PhaseCliTest, AFirewallThatStopsAnsweringRunsIntoThePhaseTimeOut) {
    startOld({"--hang", "/tmp/full-backup.tar"});
    const auto started = Clock::now();
    EXPECT_EQ(run("download", join(loginOf(oldSim), {{"--in", work.string()}}),
                  {std::string("UPGRADE_PASSWORD=") + kOldPassword, "UPGRADE_DOWNLOAD_TIMEOUT=2"}),
              1);
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(lastLine(err), "upgrade-cli: Error: The connection with the firewall timed-out.") << err;
    // The download was abandoned; its directory is still named, and what it holds is complete.
    const fs::path directory = madeWorkingDirectory(work);
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(lastLine(out), "Working directory: " + directory.string()) << out;
    EXPECT_EQ(readFile(directory / "kestrane.conf.PRE60UPGRADE"), readFile(kOldConfig));
    EXPECT_TRUE(onlyDownloadedFiles(directory));
    const std::string log = readFile(directory / "5xto60.log");
    EXPECT_NE(log.find("Optional file: /tmp/full-backup.tar - "), std::string::npos) << log;
    EXPECT_NE(log.find("Aborting download!\nError: The connection with the firewall timed-out.\n"), std::string::npos)
        << log;
    EXPECT_TRUE(endsWith(log, "Upgrade Wizard shut down normally\n")) << log;
}

TEST_F(PhaseCliTest, CtrlCWhileADownloadWaitsLeavesOnlyCompleteFiles) {
    startOld({"--hang", "/usr/local/etc/netperm-table"});
    std::thread signaller;
    EXPECT_EQ(run("download", join(loginOf(oldSim), {{"--in", work.string()}}),
                  {std::string("UPGRADE_PASSWORD=") + kOldPassword},
                  [&](pid_t pid) {
                      signaller = std::thread([this, pid] {
                          if (oldSim.wait_for_log("no answer (--hang)", std::chrono::seconds(30))) ::kill(pid, SIGINT);
                      });
                  }),
              130);
    signaller.join();
    EXPECT_EQ(lastLine(err), kStopped) << err;
    const fs::path directory = madeWorkingDirectory(work);
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(readFile(directory / "kestrane.conf.PRE60UPGRADE"), readFile(kOldConfig));
    EXPECT_FALSE(fs::exists(directory / "netperm-table.PRE60UPGRADE"));
    EXPECT_TRUE(onlyDownloadedFiles(directory));
    const std::string log = readFile(directory / "5xto60.log");
    EXPECT_NE(log.find("Aborting download!\nThe upgrade was stopped at the administrator's request\n"),
              std::string::npos)
        << log;
    EXPECT_TRUE(endsWith(log, "Upgrade Wizard shut down normally\n")) << log;
}

TEST_F(PhaseCliTest, OnATerminalThePasswordIsAskedWithoutEchoAndTheInterfacesArePaired) {
    startNew(kReaddressedConfig);
    const std::string directory = savedWorkingDirectory();
    TerminalProgram program;
    ASSERT_TRUE(program.start(join({"upload", "--template", kTemplate, "--workdir", directory}, {loginOf(newSim)}),
                              scratch.path().string()));
    ASSERT_TRUE(program.waitFor("Password for admin@127.0.0.1: ")) << program.output;
    program.type(std::string(kNewPassword) + "\n");
    for (const char* answer : {"1\n", "2\n", "3\n"}) {
        ASSERT_TRUE(program.waitFor("New interface (1-4): ")) << program.output;
        program.type(answer);
    }
    EXPECT_EQ(program.wait(), 0) << program.output;
    EXPECT_EQ(program.output.find(kNewPassword), std::string::npos) << program.output;
    EXPECT_TRUE(program.echoes());
    EXPECT_TRUE(newFirewallReceived(readFile(fs::path(directory) / "kestrane.conf.6FINAL")));
}

TEST_F(PhaseCliTest, CtrlCAtThePasswordPromptStopsAndPutsTheEchoBack) {
    TerminalProgram program;
    ASSERT_TRUE(program.start(join({"download", "--template", kTemplate, "--in", work.string()}, {loginAt(1)}),
                              scratch.path().string()));
    ASSERT_TRUE(program.waitFor("Password for admin@127.0.0.1: ")) << program.output;
    EXPECT_FALSE(program.echoes());
    program.type("\x03");
    EXPECT_EQ(program.wait(), 130) << program.output;
    EXPECT_NE(program.output.find(kStopped), std::string::npos) << program.output;
    EXPECT_TRUE(program.echoes());
    EXPECT_TRUE(fs::is_empty(work));
}

}  // namespace
}  // namespace phasetest
