// Helpers of the command shell's tests: an interpreter state whose input comes from a string and
// whose messages are collected, and a fwsim firewall to talk to. The program runner and the closed
// port come from the test-support library, included here for the tests.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "sim/launcher.h"
#include "support/closed_port.h"
#include "support/program_runner.h"
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
    testsupport::ScratchDir dir;
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
    void put(const std::string& name, const std::string& content) { testsupport::writeFile(root() / name, content); }
    std::string get(const std::string& name) const { return testsupport::readFile(root() / name); }
};

}  // namespace tovactest
