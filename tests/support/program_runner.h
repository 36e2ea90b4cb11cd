// Runs a program as a child process for end-to-end tests: an argument vector (no shell), standard
// input from a given text or /dev/null, standard output and standard error captured, changes to its
// environment, and a bounded wait. Blocks the calling thread until the program ends or its time is
// up; may be called from several threads at once.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct RunOptions {
    // Standard input: this text (from a file, so that it ends), or /dev/null when unset.
    std::optional<std::string> input;
    // The working directory of the program; empty: the caller's.
    std::string cwd;
    // Where standard output goes instead of being captured (e.g. "/dev/full"); empty: captured.
    std::string stdoutPath;
    // How long the program may run before it is killed.
    std::chrono::milliseconds timeout = std::chrono::seconds(30);
    // Changes to the environment the program inherits: "NAME=VALUE" sets NAME, "NAME" alone removes it.
    std::vector<std::string> environment;
    // Called on the calling thread with the program's process id once it has been started, before the
    // wait (a test that signals the program while it runs starts its own thread here).
    std::function<void(pid_t)> started;
};

struct RunResult {
    int status = -1;  // the exit status; 128 + the signal's number; -1 when it did not end in time
    std::string out;  // standard output
    std::string err;  // standard error
};

// argv[0] is the program: a path, or a name looked up in PATH. A program that cannot be started
// exits with 127.
RunResult runProgram(const std::vector<std::string>& argv, const RunOptions& options = {});

}  // namespace testsupport
