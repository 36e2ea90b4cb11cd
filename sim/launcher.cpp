#include "sim/launcher.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace fwsim {
namespace {

using Clock = std::chrono::steady_clock;

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Forks and execs `program` with stdout/stderr sent to `output_fd` (when >= 0).
pid_t spawn(const std::string& program, const std::vector<std::string>& args, int output_fd, bool both) {
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
        if (output_fd >= 0) {
            ::dup2(output_fd, STDERR_FILENO);
            if (both) ::dup2(output_fd, STDOUT_FILENO);
        }
        // The child must not keep the parent's sockets open (a peer would never see them close).
        for (int fd = 3; fd < 1024; ++fd) ::close(fd);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    return pid;
}

std::optional<int> reap(pid_t pid, std::chrono::milliseconds wait) {
    auto deadline = Clock::now() + wait;
    for (;;) {
        int status = 0;
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (r < 0) return -1;
        if (Clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace

FwsimProcess::~FwsimProcess() { stop(); }

bool FwsimProcess::start(const std::string& program, const std::vector<std::string>& args,
                         const std::filesystem::path& work_dir, std::string& error, std::chrono::milliseconds wait) {
    stop();
    auto port_file = work_dir / "fwsim.port";
    log_path_ = work_dir / "fwsim.log";
    std::filesystem::remove(port_file);
    std::vector<std::string> all = args;
    all.insert(all.end(), {"--listen", "127.0.0.1", "--port", "0", "--port-file", port_file.string()});
    int fd = ::open(log_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot create " + log_path_.string();
        return false;
    }
    pid_ = spawn(program, all, fd, false);
    ::close(fd);
    if (pid_ < 0) {
        error = "fork failed";
        return false;
    }
    auto deadline = Clock::now() + wait;
    while (Clock::now() < deadline) {
        std::string text = read_file(port_file);
        if (!text.empty() && text.back() == '\n') {
            port_ = static_cast<uint16_t>(std::stoi(text));
            return true;
        }
        if (auto status = reap(pid_, std::chrono::milliseconds(0))) {
            pid_ = -1;
            error = "fwsim ended with status " + std::to_string(*status) + ": " + log();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    error = "fwsim named no port: " + log();
    stop();
    return false;
}

std::string FwsimProcess::log() const { return log_path_.empty() ? std::string() : read_file(log_path_); }

bool FwsimProcess::wait_for_log(const std::string& text, std::chrono::milliseconds wait) const {
    auto deadline = Clock::now() + wait;
    for (;;) {
        if (log().find(text) != std::string::npos) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::optional<int> FwsimProcess::wait_exit(std::chrono::milliseconds wait) {
    if (pid_ < 0) return std::nullopt;
    auto status = reap(pid_, wait);
    if (status) pid_ = -1;
    return status;
}

void FwsimProcess::stop() {
    if (pid_ < 0) return;
    ::kill(pid_, SIGTERM);
    if (!reap(pid_, std::chrono::seconds(5))) {
        ::kill(pid_, SIGKILL);
        reap(pid_, std::chrono::seconds(5));
    }
    pid_ = -1;
}

ProgramResult run_program(const std::string& program, const std::vector<std::string>& args,
                          std::chrono::milliseconds wait) {
    ProgramResult result;
    char path[] = "/tmp/fwsim-output-XXXXXX";
    int fd = ::mkstemp(path);
    if (fd < 0) return result;
    pid_t pid = spawn(program, args, fd, true);
    ::close(fd);
    if (pid > 0) {
        auto status = reap(pid, wait);
        if (!status) {
            ::kill(pid, SIGKILL);
            reap(pid, std::chrono::seconds(5));
        }
        result.status = status.value_or(-1);
    }
    result.output = read_file(path);
    ::unlink(path);
    return result;
}

}  // namespace fwsim
