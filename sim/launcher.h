// Starting fwsim as a child process, for tests and benchmarks that talk to it over loopback.
//
// FwsimProcess runs the fwsim program with the given arguments plus --listen 127.0.0.1 --port 0
// --port-file, its standard error going to a file, waits until the port file names the chosen port,
// and stops the child (SIGTERM, then waits) when destroyed. The log can be read at any time.
// One owner; not for use from several threads at once.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fwsim {

class FwsimProcess {
public:
    FwsimProcess() = default;
    FwsimProcess(const FwsimProcess&) = delete;
    FwsimProcess& operator=(const FwsimProcess&) = delete;
    ~FwsimProcess();

    // `work_dir` receives the port file and the log. False (with error) when the program does not start
    // or names no port within `wait`.
    bool start(const std::string& program, const std::vector<std::string>& args, const std::filesystem::path& work_dir,
               std::string& error, std::chrono::milliseconds wait = std::chrono::seconds(10));

    uint16_t port() const { return port_; }
    pid_t pid() const { return pid_; }
    std::string log() const;
    // True once the log holds `text` (polled until `wait` has passed).
    bool wait_for_log(const std::string& text, std::chrono::milliseconds wait = std::chrono::seconds(5)) const;

    // Exit status once the child ends within `wait` (a signal gives 128 + its number); nothing when it
    // is still running.
    std::optional<int> wait_exit(std::chrono::milliseconds wait);
    void stop();

private:
    pid_t pid_ = -1;
    uint16_t port_ = 0;
    std::filesystem::path log_path_;
};

// Runs a program to its end with stdout and stderr captured (for --help and argument errors).
struct ProgramResult {
    int status = -1;
    std::string output;  // standard output and standard error together
};
ProgramResult run_program(const std::string& program, const std::vector<std::string>& args,
                          std::chrono::milliseconds wait = std::chrono::seconds(10));

}  // namespace fwsim
