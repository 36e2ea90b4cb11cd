// Test helpers for upgrade-cli: a scratch directory per test and a way to run the program with
// arguments and collect its exit code, standard output and standard error.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

class CliFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "upgrade-cli-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern + "/";
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string path(const std::string& name) const { return dir + name; }

    void write(const std::string& name, const std::string& content) const {
        std::ofstream(path(name), std::ios::binary) << content;
    }

    static std::string read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }

    // Runs upgrade-cli with the arguments (each quoted for the shell), standard input empty.
    CliResult run(std::initializer_list<std::string> args) const {
        std::string command = UPGRADE_CLI;
        for (const std::string& arg : args) command += " " + quote(arg);
        command += " </dev/null >" + quote(path(".out")) + " 2>" + quote(path(".err"));
        const int status = std::system(command.c_str());
        CliResult result;
        result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = read(path(".out"));
        result.err = read(path(".err"));
        return result;
    }

    static std::string quote(const std::string& text) {
        std::string quoted = "'";
        for (char c : text) quoted += (c == '\'') ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    }

    std::string dir;
};
