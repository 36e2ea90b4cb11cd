// Test helpers for upgrade-cli: a scratch directory per test and a way to run the program with
// arguments and collect its exit code, standard output and standard error.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "support/files.h"
#include "support/program_runner.h"
#include "support/scratch_dir.h"

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

class CliFixture : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return dir + name; }

    void write(const std::string& name, const std::string& content) const {
        testsupport::writeFile(path(name), content);
    }

    static std::string read(const std::string& file) { return testsupport::readFile(file); }

    // Runs upgrade-cli with the arguments, standard input empty; `stdoutPath` set sends its standard
    // output there instead of capturing it.
    CliResult run(std::initializer_list<std::string> args, const std::string& stdoutPath = "") const {
        std::vector<std::string> argv{UPGRADE_CLI};
        argv.insert(argv.end(), args.begin(), args.end());
        testsupport::RunOptions options;
        options.stdoutPath = stdoutPath;
        const testsupport::RunResult run = testsupport::runProgram(argv, options);
        return CliResult{run.status, run.out, run.err};
    }

    testsupport::ScratchDir scratch{"upgrade-cli"};
    const std::string dir = scratch.path().string() + "/";
};
