// Helpers of the command shell's tests: an interpreter state whose input comes from a string and
// whose messages are collected, a fwsim firewall to talk to, and a runner for the tovac program with
// its standard input fed from a string.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "sim/launcher.h"
#include "tests/sim/sim_test_support.h"
#include "util/tovad/shell_state.h"

namespace tovactest {

inline std::string read_stream(std::FILE* f) {
  std::fflush(f);
  std::string text;
  std::rewind(f);
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  std::fseek(f, 0, SEEK_END);
  return text;
}

// An interpreter state with its input from a string and its messages in a temporary file.
class TestShell {
 public:
  tovac::ShellState state;

  TestShell() {
    err_ = std::tmpfile();
    state.err = err_;
    input("");
  }
  ~TestShell() {
    tovac::close_connection(state);
    if (in_ != nullptr) std::fclose(in_);
    std::fclose(err_);
  }
  TestShell(const TestShell&) = delete;
  TestShell& operator=(const TestShell&) = delete;

  void input(const std::string& text) {
    if (in_ != nullptr) std::fclose(in_);
    in_ = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), in_);
    std::rewind(in_);
    state.in = in_;
  }
  std::string messages() const { return read_stream(err_); }
  // What is left unread of the input.
  std::string unread() const {
    std::string rest;
    int c;
    while ((c = std::getc(in_)) != EOF) rest += static_cast<char>(c);
    return rest;
  }

 private:
  std::FILE* in_ = nullptr;
  std::FILE* err_ = nullptr;
};

// A fwsim firewall on a loopback port with a root directory of its own; user "admin", password "pw".
class Firewall {
 public:
  simtest::TempDir dir;
  fwsim::FwsimProcess sim;

  bool start(const std::vector<std::string>& extra = {}, const std::string& password = "pw") {
    std::filesystem::create_directories(dir / "root/etc");
    std::vector<std::string> args = {"--root", (dir / "root").string(), "--user", "admin", "--password", password};
    args.insert(args.end(), extra.begin(), extra.end());
    std::string error;
    const bool ok = sim.start(simtest::fwsim_program(), args, dir.path(), error);
    if (!ok) std::fprintf(stderr, "%s\n", error.c_str());
    return ok;
  }
  std::string address() const { return "127.0.0.1:" + std::to_string(sim.port()); }
  std::filesystem::path root() const { return dir / "root"; }
  void put(const std::string& name, const std::string& content) { simtest::write_file(root() / name, content); }
  std::string get(const std::string& name) const { return simtest::read_file(root() / name); }
};

// A port on which nothing listens (bound, then released).
inline int closed_port() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  ::close(fd);
  return ntohs(addr.sin_port);
}

struct RunResult {
  int status = -1;     // exit status; 128 + signal; -1 when it did not end in time
  std::string out;     // standard output
  std::string err;     // standard error
};

// Runs a program with standard input read from `input` (a file, so it ends) and both outputs captured.
inline RunResult run_with_input(const std::string& program, const std::vector<std::string>& args,
                                const std::string& input, const std::string& cwd = {}) {
  RunResult result;
  char in_path[] = "/tmp/tovac-in-XXXXXX";
  char out_path[] = "/tmp/tovac-out-XXXXXX";
  char err_path[] = "/tmp/tovac-err-XXXXXX";
  const int in_fd = ::mkstemp(in_path);
  const int out_fd = ::mkstemp(out_path);
  const int err_fd = ::mkstemp(err_path);
  if (::write(in_fd, input.data(), input.size()) != static_cast<ssize_t>(input.size())) return result;
  ::lseek(in_fd, 0, SEEK_SET);
  std::vector<std::string> all{program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in_fd, STDIN_FILENO);
    ::dup2(out_fd, STDOUT_FILENO);
    ::dup2(err_fd, STDERR_FILENO);
    for (int fd = 3; fd < 1024; ++fd) ::close(fd);
    if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(126);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) {
      result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      break;
    }
    if (r < 0) break;
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  result.out = simtest::read_file(out_path);
  result.err = simtest::read_file(err_path);
  for (int fd : {in_fd, out_fd, err_fd}) ::close(fd);
  for (const char* p : {in_path, out_path, err_path}) ::unlink(p);
  return result;
}

}  // namespace tovactest
