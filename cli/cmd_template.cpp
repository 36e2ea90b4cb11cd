// upgrade-cli template: runs a template script against one configuration file.
//
//   upgrade-cli template CONFIG SCRIPT [-o OUT] [-l LOG] [-W WARNINGS] [--workdir DIR]
//
// Loads CONFIG into a tree, reads SCRIPT line by line to its end against that tree (section markers
// are dispatched like any other line, so the whole script works on the one tree), and saves the
// tree to OUT (standard output by default). The tree's and the processor's messages go to LOG
// (standard error by default; "-" also), the script's warnings to WARNINGS (discarded by default;
// "-" is standard output). CONFIG and SCRIPT must be regular files; no output may be an input (OUT
// may be CONFIG: the result replaces it once complete); a log or warnings file that fails leaves
// OUT as it was.
// Exit codes: 0 done; 1 a user_error line stopped the script (nothing is saved); 2 usage error,
// unreadable CONFIG or SCRIPT, an output that is an input, or an output that could not be written.
#include <CLI/CLI.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <streambuf>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/file_checks.h"
#include "cli/human_output.h"
#include "cli/json_output.h"
#include "conftree/config_tree.h"
#include "conftree/progress.h"
#include "template/template_processor.h"
#include "upgrade/output_file.h"
#include "util/files/atomic_file.h"
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

void complain(const std::string& message) { cli::complain("template", message); }

// "-" names a standard stream; so does an option not given for OUT and LOG.
bool isStandardStream(const std::string& path) { return path == "-"; }

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

constexpr const char* kConfiguration = "configuration";
constexpr const char* kOutput = "output";

struct NamedFile {
    const char* what;
    std::string path;
};

// An input checked and named for messages.
struct Input {
    const char* what;
    std::string path;
    cli::FileId id;
};

// True when both inputs are regular files (read without blocking); otherwise says why.
bool checkInputs(const TemplateOptions& options, std::vector<Input>& inputs) {
    for (const NamedFile& input : {NamedFile{kConfiguration, options.config}, NamedFile{"script", options.script}}) {
        const cli::InputCheck check = cli::checkInput(input.path);
        if (!check.id) {
            complain(std::string("cannot read the ") + input.what + " " + input.path + ": " + check.problem);
            return false;
        }
        inputs.push_back(Input{input.what, input.path, *check.id});
    }
    return true;
}

// True when no output is an input, and no two outputs are the same regular file (they would write
// over each other); otherwise says which. OUT may be CONFIG: the configuration is read whole before
// the result replaces it, and only once the result is complete.
bool checkOutputs(const std::vector<NamedFile>& outputs, const std::vector<Input>& inputs) {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        bool regular = false;
        const std::optional<cli::FileId> id = cli::existingFile(outputs[i].path, &regular);
        for (const Input& input : inputs) {
            const bool updateInPlace = outputs[i].what == kOutput && input.what == kConfiguration;
            if (id && *id == input.id && !updateInPlace) {
                complain(std::string("the ") + outputs[i].what + " " + outputs[i].path + " is the " + input.what + " " +
                         input.path + ": an input is never written over");
                return false;
            }
        }
        for (std::size_t j = 0; j < i; ++j) {
            bool otherRegular = false;
            const std::optional<cli::FileId> other = cli::existingFile(outputs[j].path, &otherRegular);
            const bool same = id && other ? *id == *other && regular && otherRegular
                                          : !id && !other &&
                                                fs::absolute(outputs[i].path).lexically_normal() ==
                                                    fs::absolute(outputs[j].path).lexically_normal();
            if (same) {
                complain(std::string("the ") + outputs[j].what + " " + outputs[j].path + " and the " + outputs[i].what +
                         " " + outputs[i].path + " are the same file");
                return false;
            }
        }
    }
    return true;
}

// Opens a log or warnings file named on the command line; false (said why) when it cannot be.
bool openOutput(OutputFile& file, const std::string& path, const char* what) {
    const int error = file.open(path);
    if (error == 0) return true;
    complain(std::string("cannot create the ") + what + " " + path + ": " +
             (error == ENXIO ? std::string("a FIFO that nobody reads") : std::strerror(error)));
    return false;
}

// Why a stream written as it went failed, for the message.
std::string writeFailure(const std::ostream& stream) {
    const auto* file = dynamic_cast<const OutputFile*>(&stream);
    return file != nullptr && file->error() != 0 ? std::string(": ") + std::strerror(file->error()) : std::string();
}

// Where OUT goes: standard output, a device or pipe written as it goes (opened before the run, so
// that a FIFO nobody reads is refused before any work), or a regular file replaced whole at the end.
struct ResultTarget {
    bool standardOutput = false;
    OutputFile special;
};

bool prepareResultTarget(const std::string& out, ResultTarget& target) {
    if (out.empty() || isStandardStream(out)) {
        target.standardOutput = true;
        return true;
    }
    struct stat status {};
    if (::stat(out.c_str(), &status) != 0 || S_ISREG(status.st_mode)) return true;
    if (S_ISDIR(status.st_mode)) {
        complain("cannot write " + out + ": it is a directory");
        return false;
    }
    const int error = target.special.open(out);
    if (error == 0) return true;
    complain("cannot write " + out + ": " +
             (error == ENXIO ? std::string("a FIFO that nobody reads") : std::strerror(error)));
    return false;
}

// Writes the tree to OUT. A regular file is replaced only once the new one is complete, and only
// when the log and the warnings took everything written to them: otherwise OUT keeps what it held.
int saveResult(ConfigTree& tree, const TemplateOptions& options, ResultTarget& target, std::ostream& log,
               std::ostream& warnings) {
    const bool regularFile = !target.standardOutput && !target.special.is_open();
    files::AtomicFile file;
    files::WriteResult result;
    if (regularFile) result = file.open(options.out, {0600, files::SpecialTarget::Replace});
    std::ostream& out = target.standardOutput ? std::cout
                        : regularFile         ? file.stream()
                                              : static_cast<std::ostream&>(target.special);
    bool written = tree.save(out);
    if (target.special.is_open()) {
        target.special.close();
        written = written && !target.special.fail();
    }
    log.flush();
    warnings.flush();
    if (!log || !warnings) {
        file.abandon();
        const bool logFailed = !log;
        std::string name = logFailed ? options.log : options.warnings;
        if (name.empty() || isStandardStream(name)) name = logFailed ? "(standard error)" : "(standard output)";
        complain(std::string("cannot write the ") + (logFailed ? "log " : "warnings file ") + name +
                 writeFailure(logFailed ? log : warnings) +
                 (regularFile ? "; " + options.out + " was left as it was" : std::string()));
        return kExitFailure;
    }
    const std::string tooLong = ": a setting is too long to be read back (see the log)";
    if (target.standardOutput) {
        if (written) return kExitDone;
        complain("cannot write the configuration to standard output" + (std::cout.good() ? tooLong : std::string()));
        return kExitFailure;
    }
    if (regularFile) {
        if (!written && result && file.status()) {
            // The stream took everything: a setting was too long to be read back (see the log).
            file.abandon();
            result = files::WriteResult::failure(files::Step::Write, EMSGSIZE);
        }
        if (result) result = file.commit();
        written = result.ok();
    }
    if (written) return kExitDone;
    log << "Unable to write file: " << options.out << '\n';
    log.flush();
    if (result.step() == files::Step::Rename)
        complain("cannot replace " + options.out + ": " + result.message());
    else
        complain("cannot write the configuration to " + options.out +
                 (result.error() == EMSGSIZE || (!regularFile && !target.special.fail()) ? tooLong : std::string()));
    return kExitFailure;
}

int runTemplate(const TemplateOptions& options) {
    // Under --json standard output carries the JSON object alone.
    if (cli::jsonRequested() && (options.out.empty() || isStandardStream(options.out))) {
        complain("--json needs --output: standard output carries the JSON object");
        return kExitFailure;
    }
    if (cli::jsonRequested() && isStandardStream(options.warnings)) {
        complain("--json: the warnings cannot go to standard output, which carries the JSON object");
        return kExitFailure;
    }
    // Two outputs on one stream would interleave.
    if ((options.out.empty() || isStandardStream(options.out)) && isStandardStream(options.warnings)) {
        complain("the result and the warnings cannot both go to standard output");
        return kExitFailure;
    }
    // Everything is checked before any output is opened: a bad path is reported before any work, and
    // an output that is also an input is refused before it is emptied.
    std::vector<Input> inputs;
    if (!checkInputs(options, inputs)) return kExitFailure;
    std::vector<NamedFile> outputs;
    if (!options.out.empty() && !isStandardStream(options.out)) outputs.push_back({kOutput, options.out});
    if (!options.log.empty() && !isStandardStream(options.log)) outputs.push_back({"log", options.log});
    if (!options.warnings.empty() && !isStandardStream(options.warnings))
        outputs.push_back({"warnings file", options.warnings});
    if (!checkOutputs(outputs, inputs)) return kExitFailure;
    ResultTarget target;
    if (!prepareResultTarget(options.out, target)) return kExitFailure;

    // Where the messages go.
    OutputFile logFile;
    std::ostream* log = &std::cerr;
    if (!options.log.empty() && !isStandardStream(options.log)) {
        if (!openOutput(logFile, options.log, "log")) return kExitFailure;
        log = &logFile;
        cli::commandResult().files.emplace_back("log", options.log);
    }
    DiscardBuffer discard;
    std::ostream discarded(&discard);
    OutputFile warningsFile;
    std::ostream* warnings = &discarded;
    if (isStandardStream(options.warnings)) {
        warnings = &std::cout;
    } else if (!options.warnings.empty()) {
        if (!openOutput(warningsFile, options.warnings, "warnings file")) return kExitFailure;
        warnings = &warningsFile;
        cli::commandResult().files.emplace_back("warnings", options.warnings);
    }

    // Progress dots belong to a person watching, never to a file or pipe.
    setProgressStream(::isatty(STDERR_FILENO) ? &std::cerr : nullptr);

    ConfigTree tree(*log);
    if (tree.load(options.config) != 0) {
        complain("cannot read the configuration " + options.config);
        return kExitFailure;
    }

    const std::string workdir = options.workdir.empty() ? directoryOf(options.config) : withSeparator(options.workdir);
    TemplateProcessor processor(*log, *warnings, options.script, workdir);
    if (processor.scriptReadFailed()) {
        complain("cannot read the script " + options.script);
        return kExitFailure;
    }
    if (!processor.runScriptSection(tree, nullptr)) {
        complain("the script stopped at line " + std::to_string(processor.lineNumber()) + ": " +
                 processor.errorText());
        return kExitStopped;
    }
    if (processor.scriptReadFailed()) {
        complain("the script " + options.script + " could not be read to its end (see the log); nothing saved");
        return kExitFailure;
    }

    // The network address objects that address_convert lines created are kept by the processor
    // until now; they become settings of the tree like at the end of a conversion.
    processor.saveNetObjects(tree);
    return saveResult(tree, options, target, *log, *warnings);
}

// The result among the files for --json, once it was saved (the log and the warnings file are added
// as they are opened).
void recordOutput(const TemplateOptions& options, int exitStatus) {
    if (exitStatus == kExitDone && !options.out.empty() && !isStandardStream(options.out))
        cli::commandResult().files.emplace_back("output", options.out);
}

}  // namespace

void addTemplateCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<TemplateOptions>();
    CLI::App* command =
        app.add_subcommand("template", "Run a template script against a configuration file and write the result.");
    command->add_option("CONFIG", options->config, "configuration file to convert")->required();
    command->add_option("SCRIPT", options->script, "template script to run")->required();
    command->add_option("-o,--output", options->out, "where to write the result (default: standard output)");
    command->add_option("-l,--log", options->log, "log file (default: standard error)");
    command->add_option("-W,--warnings", options->warnings,
                        "file for the script's warnings to the administrator (default: discarded)");
    command->add_option("--workdir", options->workdir, "directory for import_file (default: the directory of CONFIG)");
    command->callback([options, &exitCode] {
        exitCode = runTemplate(*options);
        recordOutput(*options, exitCode);
    });
}
