// upgrade-cli template: runs a template script against one configuration file.
//
//   upgrade-cli template CONFIG SCRIPT [-o OUT] [-l LOG] [-W WARNINGS] [--workdir DIR]
//
// Loads CONFIG into a tree, reads SCRIPT line by line to its end against that tree (section markers
// are dispatched like any other line, so the whole script works on the one tree), and saves the
// tree to OUT (standard output by default). The tree's and the processor's messages go to LOG
// (standard error by default), the script's warnings to WARNINGS (discarded by default).
// Exit codes: 0 done; 1 a user_error line stopped the script (nothing is saved); 2 usage error,
// unreadable CONFIG or SCRIPT, or an output that could not be written.
#include <CLI/CLI.hpp>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <streambuf>
#include <string>
#include <system_error>

#include "cli/commands.h"
#include "conftree/config_tree.h"
#include "conftree/progress.h"
#include "template/template_processor.h"
#include "util/files/write_result.h"

namespace fs = std::filesystem;

namespace {

struct TemplateOptions {
    std::string config;
    std::string script;
    std::string out;       // empty: standard output
    std::string log;       // empty: standard error
    std::string warnings;  // empty: discarded
    std::string workdir;   // empty: CONFIG's directory
};

// A stream buffer that accepts and drops everything (the default warnings stream).
class DiscardBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

void complain(const std::string& message) { std::cerr << "upgrade-cli template: " << message << '\n'; }

// True when path names a file that can be opened for reading (a directory cannot).
bool isReadableFile(const std::string& path, const char* what) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        complain(std::string("cannot read the ") + what + " " + path + ": it is a directory");
        return false;
    }
    std::ifstream probe(path);
    if (!probe.is_open()) {
        complain(std::string("cannot read the ") + what + " " + path);
        return false;
    }
    return true;
}

// The directory of the configuration file, ending in a separator, as import_file expects.
std::string directoryOf(const std::string& path) {
    std::string dir = fs::path(path).parent_path().string();
    if (dir.empty()) return "./";
    if (dir.back() != '/') dir += '/';
    return dir;
}

std::string withSeparator(std::string dir) {
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

// Writes the tree to OUT. ConfigTree::save replaces a regular file only once the new one is complete
// (OUT may well be the file the configuration came from) and writes devices and pipes directly; a
// directory is refused here, before anything is written.
bool saveTreeToFile(ConfigTree& tree, const std::string& out) {
    std::error_code ec;
    if (fs::is_directory(out, ec)) {
        complain("cannot write " + out + ": it is a directory");
        return false;
    }
    files::WriteResult result;
    if (tree.save(out, result)) return true;
    if (result.step() == files::Step::Rename)
        complain("cannot replace " + out + ": " + result.message());
    else
        complain("cannot write the configuration to " + out);
    return false;
}

bool saveTreeToStandardOutput(ConfigTree& tree) {
    if (!tree.save(std::cout)) {
        complain("cannot write the configuration to standard output");
        return false;
    }
    return true;
}

int runTemplate(const TemplateOptions& options) {
    // Where the messages go. Files are opened first so that a bad path is reported before any work.
    std::ofstream logFile;
    std::ostream* log = &std::cerr;
    if (!options.log.empty()) {
        logFile.open(options.log, std::ios::out | std::ios::trunc);
        if (!logFile.is_open()) {
            complain("cannot create the log " + options.log);
            return kExitFailure;
        }
        log = &logFile;
    }
    DiscardBuffer discard;
    std::ostream discarded(&discard);
    std::ofstream warningsFile;
    std::ostream* warnings = &discarded;
    if (!options.warnings.empty()) {
        warningsFile.open(options.warnings, std::ios::out | std::ios::trunc);
        if (!warningsFile.is_open()) {
            complain("cannot create the warnings file " + options.warnings);
            return kExitFailure;
        }
        warnings = &warningsFile;
    }
    if (!isReadableFile(options.config, "configuration") || !isReadableFile(options.script, "script")) {
        return kExitFailure;
    }

    // Progress dots belong to a person watching, never to a file or pipe.
    setProgressStream(::isatty(STDERR_FILENO) ? &std::cerr : nullptr);

    ConfigTree tree(*log);
    if (tree.load(options.config) != 0) {
        complain("cannot read the configuration " + options.config);
        return kExitFailure;
    }

    const std::string workdir = options.workdir.empty() ? directoryOf(options.config)
                                                        : withSeparator(options.workdir);
    TemplateProcessor processor(*log, *warnings, options.script, workdir);
    if (processor.scriptReadFailed()) {
        complain("cannot read the script " + options.script);
        return kExitFailure;
    }
    if (!processor.runScriptSection(tree, nullptr)) {
        std::cerr << "upgrade-cli template: the script stopped at line " << processor.lineNumber() << ": "
                  << processor.errorText() << '\n';
        return kExitStopped;
    }
    if (processor.scriptReadFailed()) {
        complain("the script " + options.script + " could not be read to its end (see the log); nothing saved");
        return kExitFailure;
    }

    // The network address objects that address_convert lines created are kept by the processor
    // until now; they become settings of the tree like at the end of a conversion.
    processor.saveNetObjects(tree);

    const bool saved = options.out.empty() || options.out == "-" ? saveTreeToStandardOutput(tree)
                                                                  : saveTreeToFile(tree, options.out);
    log->flush();
    warnings->flush();
    if (!*log) {
        complain("cannot write the log " + options.log);
        return kExitFailure;
    }
    if (!*warnings) {
        complain("cannot write the warnings file " + options.warnings);
        return kExitFailure;
    }
    return saved ? kExitDone : kExitFailure;
}

}  // namespace

void addTemplateCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<TemplateOptions>();
    CLI::App* command = app.add_subcommand(
        "template", "Run a template script against a configuration file and write the result.");
    command->add_option("CONFIG", options->config, "configuration file to convert")->required();
    command->add_option("SCRIPT", options->script, "template script to run")->required();
    command->add_option("-o,--output", options->out, "where to write the result (default: standard output)");
    command->add_option("-l,--log", options->log, "log file (default: standard error)");
    command->add_option("-W,--warnings", options->warnings,
                        "file for the script's warnings to the administrator (default: discarded)");
    command->add_option("--workdir", options->workdir,
                        "directory for import_file (default: the directory of CONFIG)");
    command->callback([options, &exitCode] { exitCode = runTemplate(*options); });
}
