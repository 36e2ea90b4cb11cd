// The fixture of the end-to-end tests of `upgrade-cli convert`: the program run in a scratch directory
// with standard input from /dev/null (not a terminal), its outputs kept, and the sample inputs.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "convert_inputs.h"
#include "support/files.h"
#include "support/program_runner.h"
#include "support/scratch_dir.h"

namespace convertcli {

namespace fs = std::filesystem;

using namespace convertinputs;
// Far more than a conversion of the samples takes, even on a busy machine; a run that hangs fails.
constexpr std::chrono::seconds kTimeLimit(120);

using Args = std::vector<std::string>;
using testsupport::readFile;

// One line for the shell that runs argv as it stands: script(1) takes its command only in this form.
inline std::string shellLine(const Args& argv) {
    std::string line;
    for (const std::string& word : argv) {
        if (!line.empty()) line += ' ';
        line += '\'';
        for (const char c : word) {
            if (c == '\'') {
                line += "'\\''";
            } else {
                line += c;
            }
        }
        line += '\'';
    }
    return line;
}

class ConvertCliTest : public ::testing::Test {
protected:
    // Runs upgrade-cli with the arguments in the scratch directory, standard input from /dev/null (not
    // a terminal); returns the exit status and keeps both outputs.
    int run(const Args& arguments) {
        const testsupport::RunResult result = testsupport::runProgram(command(arguments), runOptions());
        output = result.out;
        errors = result.err;
        return result.status;
    }

    // In the scratch directory, within the time limit, standard input from /dev/null.
    testsupport::RunOptions runOptions() const {
        testsupport::RunOptions options;
        options.cwd = scratch.path().string();
        options.timeout = kTimeLimit;
        return options;
    }

    // The command line of upgrade-cli with these arguments.
    static Args command(const Args& arguments) {
        Args argv{kProgram};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return argv;
    }

    Args convert(const Args& extra = {}) const {
        Args arguments{"convert", "--old", kOld, "--template", kTemplate, "--workdir", workdir.string()};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    }

    std::string log() const { return readFile(workdir / "5xto60.log"); }

    testsupport::ScratchDir scratch{"convert_cli"};
    fs::path workdir = scratch / "work";
    std::string output;
    std::string errors;
};

}  // namespace convertcli
