#include "support/program_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "support/files.h"
#include "support/scratch_dir.h"

namespace testsupport {

namespace {

// Opens a file for the child's standard stream; -1 when it cannot be opened.
int openFor(const std::string& path, int flags) { return ::open(path.c_str(), flags | O_CLOEXEC, 0600); }

// The environment of this process with the changes applied ("NAME=VALUE" sets, "NAME" removes).
std::vector<std::string> changedEnvironment(const std::vector<std::string>& changes) {
    const auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        bool changed = false;
        for (const std::string& change : changes) changed = changed || nameOf(change) == nameOf(text);
        if (!changed) result.push_back(text);
    }
    for (const std::string& change : changes)
        if (change.find('=') != std::string::npos) result.push_back(change);
    return result;
}

// Waits for the child until the deadline; kills it when the time is up. The status as RunResult has it.
int waitBounded(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (done < 0) return -1;
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

RunResult runProgram(const std::vector<std::string>& argv, const RunOptions& options) {
    RunResult result;
    if (argv.empty()) return result;
    // The streams go through files in a scratch directory of their own: no pipe can fill up while the
    // program runs, and the text is all there once it has ended.
    ScratchDir streams("run");
    const std::string inPath = options.input ? streams.file("in") : std::string("/dev/null");
    if (options.input && !writeFile(inPath, *options.input)) return result;
    const std::string outPath = options.stdoutPath.empty() ? streams.file("out") : options.stdoutPath;
    const std::string errPath = streams.file("err");
    const int inFd = openFor(inPath, O_RDONLY);
    const int outFd = openFor(outPath, O_WRONLY | O_CREAT | O_TRUNC);
    const int errFd = openFor(errPath, O_WRONLY | O_CREAT | O_TRUNC);

    std::vector<std::string> words = argv;
    std::vector<char*> pointers;
    for (std::string& word : words) pointers.push_back(word.data());
    pointers.push_back(nullptr);
    // Made before the fork: the child may only make async-signal-safe calls.
    std::vector<std::string> environment = changedEnvironment(options.environment);
    std::vector<char*> environmentPointers;
    for (std::string& entry : environment) environmentPointers.push_back(entry.data());
    environmentPointers.push_back(nullptr);

    const pid_t pid = (inFd >= 0 && outFd >= 0 && errFd >= 0) ? ::fork() : -1;
    if (pid == 0) {
        // Only async-signal-safe calls from here on: the test program may have other threads.
        if (::dup2(inFd, STDIN_FILENO) < 0 || ::dup2(outFd, STDOUT_FILENO) < 0 || ::dup2(errFd, STDERR_FILENO) < 0)
            ::_exit(126);
        // Descriptors the test program holds (sockets of a simulator, say) stay out of the child.
        for (int fd = STDERR_FILENO + 1; fd < 1024; ++fd) ::close(fd);
        if (!options.cwd.empty() && ::chdir(options.cwd.c_str()) != 0) ::_exit(126);
        ::execvpe(pointers[0], pointers.data(), environmentPointers.data());
        ::_exit(127);
    }
    for (const int fd : {inFd, outFd, errFd})
        if (fd >= 0) ::close(fd);
    if (pid < 0) return result;
    if (options.started) options.started(pid);
    result.status = waitBounded(pid, options.timeout);
    if (options.stdoutPath.empty()) result.out = readFile(outPath);
    result.err = readFile(errPath);
    return result;
}

}  // namespace testsupport
