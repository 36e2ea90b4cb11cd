// upgrade-cli convert: the offline conversion, the workflow's convert and merge steps without any
// firewall.
//
//   upgrade-cli convert --old OLD.conf [--new INIT.conf] [--template TPL] --workdir DIR
//                       [--pair OLDDEV=NEWDEV]...
//
// DIR is created when missing. OLD is copied to DIR/kestrane.conf.PRE60UPGRADE and converted into
// DIR/kestrane.conf.5xCONVERT; the log is DIR/5xto60.log and the administrator's notes
// DIR/warnings.txt. With --new, INIT is copied to DIR/kestrane.conf.6INIT and merged into
// DIR/kestrane.conf.6FINAL. TPL defaults to 5xTo60.tpl in the current directory, then beside the
// program. When the interfaces cannot be paired by address, --pair gives the choice the interface
// merge dialog would ask for; what is still unpaired is asked for on a terminal, and otherwise listed
// on standard error (exit 3). A pairing that gives several old interfaces one new interface goes on
// only when confirmed (--allow-shared-interface, or the question on a terminal); otherwise exit 3 and
// no final file. The upgrade report (report.json, report.html) is written into DIR and summed up on
// standard output; with --strict a high finding of its safety review makes the exit status 4.
// DIR must belong to the user running the command and be writable by nobody else; a new one is made
// owner-only. No file the run writes may be one of its inputs (but OLD may be DIR's own copy of it,
// and INIT DIR's copy of it, for a run started again).
// Exit codes: 0 done; 1 the conversion was aborted, or the log or the warnings file could not be
// written (the reason on standard error); 2 usage error, unusable input or working directory
// (including a log or warnings file that cannot be created); 3 interfaces need pairing or a shared
// interface was refused; 4 --strict and a high finding.
#include <CLI/CLI.hpp>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "cli/commands.h"
#include "cli/file_checks.h"
#include "cli/human_output.h"
#include "cli/json_output.h"
#include "cli/review_options.h"
#include "cli/script_check.h"
#include "cli/shared_interfaces.h"
#include "cli/template_lookup.h"
#include "cli/terminal_pairing.h"
#include "cli/terminal_progress.h"
#include "convert/interface_pairing.h"
#include "report/report_files.h"
#include "report/upgrade_report.h"
#include "template/template_processor.h"
#include "upgrade/file_names.h"
#include "upgrade/workflow.h"
#include "upgrade/workflow_ui.h"
#include "upgrade/working_directory_check.h"
#include "util/files/atomic_file.h"

namespace fs = std::filesystem;

namespace {

constexpr int kExitAborted = 1;
constexpr int kExitUsage = 2;

struct ConvertOptions {
    std::string oldConfig;
    std::string newConfig;     // empty: convert only
    std::string templatePath;  // empty: look for kTemplateName
    bool noLint = false;
    std::string workdir;
    std::vector<std::string> pairs;
    cli::ReviewOptions review;
};

void complain(const std::string& message) { cli::complain("convert", message); }

// An input checked: a regular file, opened without blocking. Says why not.
std::optional<cli::FileId> checkedInput(const std::string& path, const char* what) {
    const cli::InputCheck check = cli::checkInput(path);
    if (!check.id) complain(std::string("cannot read the ") + what + " " + path + ": " + check.problem);
    return check.id;
}

// An input of the run and the one file of the working directory it may be (a run started again
// from the working directory's own copy); empty: none.
struct Input {
    const char* what;
    std::string path;
    cli::FileId id;
    const char* ownCopy;
};

// True when no file the run writes in the working directory is one of the inputs (apart from an
// input's own copy); otherwise says which.
bool checkOutputs(const std::string& workdir, const std::vector<Input>& inputs, bool merging) {
    std::vector<const char*> outputs{kLogFileName, kWarningsFileName, kSavedOldConfigName, kConvertedConfigName};
    if (merging) {
        outputs.push_back(kNewInitConfigName);
        outputs.push_back(kFinalConfigName);
    }
    for (const char* name : outputs) {
        const std::string path = workdir + name;
        const std::optional<cli::FileId> id = cli::existingFile(path);
        if (!id) continue;
        for (const Input& input : inputs) {
            if (*id != input.id || std::string_view(input.ownCopy) == name) continue;
            complain(path + " would be written, but it is the " + input.what + " " + input.path +
                     ": an input is never written over");
            return false;
        }
    }
    return true;
}

// Copies a configuration into the working directory, replacing the target only once the copy is
// complete (owner-only, never through a link). A file that is already the target (a run started
// again from the working directory's own copy) is left as it is: copying it onto itself would
// empty it.
bool copyInto(const std::string& from, const std::string& to) {
    std::error_code ec;
    if (fs::exists(to, ec) && fs::equivalent(from, to, ec)) return true;
    const int in = ::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (in < 0) {
        complain("cannot copy " + from + " to " + to + ": " + std::strerror(errno));
        return false;
    }
    int readError = 0;
    const files::WriteResult result = files::writeFileAtomically(to,
                                                                 [&](std::ostream& out) {
                                                                     char buffer[1 << 16];
                                                                     for (;;) {
                                                                         const ssize_t got =
                                                                             ::read(in, buffer, sizeof buffer);
                                                                         if (got < 0 && errno == EINTR) continue;
                                                                         if (got < 0) readError = errno;
                                                                         if (got <= 0) break;
                                                                         out.write(buffer, got);
                                                                     }
                                                                     return readError == 0 && out.good();
                                                                 },
                                                                 {0600, files::SpecialTarget::Replace});
    ::close(in);
    if (!result) {
        complain("cannot copy " + from + " to " + to + ": " +
                 (readError != 0 ? std::strerror(readError) : result.message()));
        return false;
    }
    return true;
}

// Says so when the log or the warnings file did not take everything; true while they did.
bool filesIntact(const UpgradeWorkflow& workflow, TerminalProgress& progress) {
    const std::string failure = workflow.fileWriteFailure();
    if (failure.empty()) return true;
    progress.clear();
    complain("cannot write " + failure);
    return false;
}

// The terminal side of the workflow: progress as a status line on a terminal, nothing else (messages
// are read from the workflow's failure reason once a step has failed).
class TerminalUi : public WorkflowUi {
public:
    explicit TerminalUi(TerminalProgress& progress) : progress_(progress) {}
    void reportProgress(const ProgressReport& report) override { progress_.show(report); }

private:
    TerminalProgress& progress_;
};

// The warnings in the warnings file: blocks of lines separated by empty lines.
std::size_t countWarnings(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::size_t count = 0;
    bool inWarning = false;
    while (std::getline(in, line)) {
        const bool empty = line.empty() || line == "\r";
        if (!empty && !inWarning) ++count;
        inWarning = !empty;
    }
    return count;
}

// What was converted, for the person who ran the command.
void printSummary(const UpgradeWorkflow& workflow, const ConversionCounts& counts, bool merged) {
    std::ostream& out = cli::humanOut();
    out << "Old configuration:       " << workflow.pathOf(kSavedOldConfigName) << '\n'
              << "Converted configuration: " << workflow.pathOf(kConvertedConfigName) << '\n';
    if (merged) {
        out << "New initial:             " << workflow.pathOf(kNewInitConfigName) << '\n'
                  << "Final configuration:     " << workflow.pathOf(kFinalConfigName) << '\n';
    }
    out << "Log:                     " << workflow.pathOf(kLogFileName) << '\n'
              << "Warnings:                " << workflow.pathOf(kWarningsFileName) << " ("
              << countWarnings(workflow.pathOf(kWarningsFileName)) << " warnings)\n";
    if (merged) {
        out << "Written: " << counts.interfacesWritten << " interfaces, " << counts.netObjects
                  << " network objects, " << counts.serviceGroups << " service groups, " << counts.destinationGroups
                  << " destination groups, " << counts.proxyRulesWritten << " proxy rules, " << counts.natRules
                  << " NAT rules, " << counts.inatRules << " INAT rules, " << counts.forwardPfRulesWritten
                  << " forward and " << counts.localPfRulesWritten << " local packet filter rules\n";
    } else {
        out << "Read: " << counts.physicalInterfaces << " interfaces and " << counts.aliases << " aliases, "
                  << counts.proxyRulesRead << " proxy rules, " << counts.natRules << " NAT rules, " << counts.inatRules
                  << " INAT rules, " << counts.forwardPfRulesRead << " forward and " << counts.localPfRulesRead
                  << " local packet filter rules\n";
    }
}

// The report's summary on standard output; with --strict, the high findings on standard error and
// kExitReviewRefused when there are any.
int reportOutcome(const UpgradeWorkflow& workflow, const ConvertOptions& options) {
    const UpgradeReport* report = workflow.report();
    if (report == nullptr) return kExitDone;
    cli::humanOut() << cli::reportSummaryText(*report, workflow.workingDirectory());
    if (!options.review.strict || report->findingCount(Severity::High) == 0) return kExitDone;
    cli::humanOut().flush();
    std::cerr << cli::highFindingsText(*report);
    complain("--strict: the safety review has high findings; review " + workflow.pathOf(kReportHtmlName));
    return kExitReviewRefused;
}

// Records what the run left for --json when it ends, however it ends.
class RecordedRun {
public:
    explicit RecordedRun(const UpgradeWorkflow& workflow) : workflow_(workflow) {}
    ~RecordedRun() {
        const std::string& directory = workflow_.workingDirectory();
        cli::fillFromWorkflow(cli::commandResult(), workflow_,
                              directory.empty() ? workflow_.lastWorkingDirectory() : directory);
    }
    RecordedRun(const RecordedRun&) = delete;
    RecordedRun& operator=(const RecordedRun&) = delete;

private:
    const UpgradeWorkflow& workflow_;
};

int runConvert(const ConvertOptions& options) {
    std::vector<std::string> pairTexts = options.pairs;
    std::string pairsProblem;
    if (!cli::appendPairsFile(options.review, pairTexts, pairsProblem)) {
        complain(pairsProblem);
        return kExitUsage;
    }
    std::vector<DevicePair> pairs;
    for (const std::string& text : pairTexts) {
        std::optional<DevicePair> pair = parseDevicePair(text);
        if (!pair) {
            complain("--pair " + text + ": expected OLDDEV=NEWDEV");
            return kExitUsage;
        }
        pairs.push_back(*pair);
    }
    if (!pairs.empty() && options.newConfig.empty()) {
        complain("--pair needs --new (and so does --pairs-file): interfaces are paired when merging with the new configuration");
        return kExitUsage;
    }
    const std::optional<cli::FileId> oldId = checkedInput(options.oldConfig, "old configuration");
    if (!oldId) return kExitUsage;
    std::optional<cli::FileId> newId;
    if (!options.newConfig.empty()) {
        newId = checkedInput(options.newConfig, "new configuration");
        if (!newId) return kExitUsage;
    }
    std::string problem;
    const std::optional<std::string> script = cli::findTemplate(options.templatePath, &problem);
    if (!script) {
        complain(problem);
        return kExitUsage;
    }
    const std::optional<cli::FileId> scriptId = checkedInput(*script, "template script");
    if (!scriptId) return kExitUsage;

    problem = prepareWorkingDirectory(options.workdir, MissingDirectory::Create);
    if (!problem.empty()) {
        complain(problem);
        return kExitUsage;
    }
    std::vector<Input> inputs{{"old configuration", options.oldConfig, *oldId, kSavedOldConfigName},
                              {"template script", *script, *scriptId, ""}};
    if (newId) inputs.push_back({"new configuration", options.newConfig, *newId, kNewInitConfigName});
    std::string directory = options.workdir;
    if (directory.empty() || directory.back() != '/') directory += '/';
    if (!checkOutputs(directory, inputs, newId.has_value())) return kExitUsage;
    // A script with errors would run as far as its first fault: nothing is started.
    if (!options.noLint && lintBeforeRun(*script, "convert") != kExitDone) {
        cli::noteComplaint("the template script " + *script + " has errors, so nothing was run");
        return kExitUsage;
    }

    // Progress is for a person watching, never for a file or pipe.
    TerminalProgress progress(std::cerr, ::isatty(STDERR_FILENO) != 0);
    TerminalUi ui(progress);
    UpgradeWorkflow workflow(ui);
    const RecordedRun recorded(workflow);
    if (!workflow.startInWorkingDirectory(options.workdir)) {
        complain("cannot create the log and the warnings file in " + options.workdir);
        return kExitUsage;
    }
    workflow.templateName = *script;
    const std::string workdir = workflow.workingDirectory();
    if (!copyInto(options.oldConfig, workdir + kSavedOldConfigName)) return kExitAborted;

    if (!workflow.convertOldConfig()) {
        progress.clear();
        complain("conversion aborted: " + workflow.failure().text);
        (void)filesIntact(workflow, progress);
        return kExitAborted;
    }
    if (!filesIntact(workflow, progress)) return kExitAborted;
    if (options.newConfig.empty()) {
        progress.clear();
        if (!filesIntact(workflow, progress)) return kExitAborted;
        printSummary(workflow, workflow.processor()->counts(), false);
        return reportOutcome(workflow, options);
    }

    if (!copyInto(options.newConfig, workdir + kNewInitConfigName)) return kExitAborted;
    if (!workflow.mergeConfigs()) {
        progress.clear();
        complain("merge aborted: " + workflow.failure().text);
        (void)filesIntact(workflow, progress);
        return kExitAborted;
    }
    if (!filesIntact(workflow, progress)) return kExitAborted;
    PairingOutcome outcome = PairingOutcome::Closed;
    TerminalPairing pairing = TerminalPairing::Paired;
    const bool pairingAsked = workflow.interfacePairingRequired();
    if (pairingAsked) {
        progress.clear();
        InterfacePairing view = workflow.interfacePairing();
        pairing = pairOnTerminal(view, pairs, ::isatty(STDIN_FILENO) != 0);
        if (pairing != TerminalPairing::Paired) outcome = PairingOutcome::Abandoned;
    }
    bool sharedRefused = false;
    if (outcome != PairingOutcome::Abandoned) {
        progress.clear();
        cli::SharedInterfaceQuestion question;
        question.command = "convert";
        question.allowed = options.review.allowSharedInterface;
        question.canAsk = ::isatty(STDIN_FILENO) != 0;
        if (cli::decideSharedInterfaces(workflow.sharedInterfaces(), question) == cli::SharedDecision::Refused) {
            outcome = PairingOutcome::SharedRefused;
            sharedRefused = true;
        }
    }
    if (!workflow.postprocessConfigs(outcome)) {
        progress.clear();
        if (pairing == TerminalPairing::BadPairs) return kExitUsage;
        if (pairing == TerminalPairing::NeedsPairing || sharedRefused) return kExitNeedsPairing;
        complain("merge aborted: " + workflow.failure().text);
        (void)filesIntact(workflow, progress);
        return kExitAborted;
    }
    if (!filesIntact(workflow, progress)) return kExitAborted;
    progress.clear();
    if (!pairingAsked && !pairs.empty()) {
        complain("note: every old interface was paired by address; --pair was not needed and was not used");
    }
    printSummary(workflow, workflow.processor()->counts(), true);
    return reportOutcome(workflow, options);
}

}  // namespace

void addConvertCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ConvertOptions>();
    CLI::App* command = app.add_subcommand(
        "convert", "Convert an old configuration offline and, with --new, merge it with a new firewall's.");
    command->add_option("--old", options->oldConfig, "the old (5.x) firewall's configuration file")->required();
    command->add_option("--new", options->newConfig, "the new (6.0) firewall's initial configuration file");
    command->add_option("--template", options->templatePath,
                        "template script (default: 5xTo60.tpl in the current directory, then beside the program)");
    command->add_option("--workdir", options->workdir, "working directory (created when missing)")->required();
    command->add_option("--pair", options->pairs,
                        "OLDDEV=NEWDEV: pair the old interface OLDDEV with the new interface NEWDEV "
                        "when the interfaces cannot be paired by address (repeatable)");
    cli::addReviewOptions(*command, options->review);
    command->add_flag("--no-lint", options->noLint, "run the template script without checking it first");
    command->footer(
        "Exit status: 0 done, 1 conversion aborted, 2 usage error, 3 interfaces need pairing (or a shared "
        "interface was not confirmed), 4 --strict and the safety review has a high finding.");
    command->callback([options, &exitCode] { exitCode = runConvert(*options); });
}
