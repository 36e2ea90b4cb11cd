// Running the workflow's phases from the command line.
#include "cli/phase_command.h"

#include <CLI/CLI.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <system_error>
#include <utility>

#include "cli/commands.h"
#include "cli/file_checks.h"
#include "cli/human_output.h"
#include "cli/json_output.h"
#include "cli/password_source.h"
#include "cli/script_check.h"
#include "cli/shared_interfaces.h"
#include "cli/template_lookup.h"
#include "cli/terminal_input.h"
#include "cli/terminal_pairing.h"
#include "report/upgrade_report.h"
#include "template/template_processor.h"
#include "upgrade/file_names.h"
#include "upgrade/warnings_text.h"
#include "upgrade/working_directory_check.h"

namespace {

// The longest answer to a pairing question that is read as one.
constexpr std::size_t kMaxAnswer = 256;

}  // namespace

void addFirewallOptions(CLI::App& command, FirewallOptions& options, const std::string& prefix,
                        const std::string& which, const char* variable) {
    options.prefix = prefix;
    command.add_option("--" + prefix + "host", options.host, "address of the " + which)->required();
    command.add_option("--" + prefix + "port", options.port, "management port of the " + which)
        ->check(CLI::Range(1, 65535))
        ->capture_default_str();
    command.add_option("--" + prefix + "user", options.user, "user name on the " + which)->required();
    command.add_option(
        "--" + prefix + "password-file", options.passwordFile,
        "file whose first line is the " + which + "'s password (else $" + variable + ", else asked on a terminal)");
}

void addRunOptions(CLI::App& command, std::string& templatePath, std::vector<std::string>* pairs, std::string* in) {
    if (in != nullptr)
        command.add_option("--in", *in,
                           "directory in which the working directory is made (default: the current directory)");
    if (pairs != nullptr)
        command.add_option("--pair", *pairs,
                           "OLDDEV=NEWDEV: pair the old interface OLDDEV with the new interface NEWDEV "
                           "when the interfaces cannot be paired by address (repeatable)");
    command.add_option("--template", templatePath,
                       "template script (default: 5xTo60.tpl in the current directory, then beside the program)");
}

PhaseCommand::PhaseCommand(std::string name, cli::StopSignals& signals)
    : name_(std::move(name)),
      signals_(signals),
      watchdog_([this](UpgradeTimeout which) { workflow_.timeOut(which); }),
      ui_(watchdog_, ::isatty(STDERR_FILENO) != 0),
      workflow_(ui_) {
    signals_.setStopAction([this] { workflow_.requestStop(); });
}

PhaseCommand::~PhaseCommand() {
    // Neither a signal nor a deadline reaches the workflow once it is going.
    signals_.setStopAction({});
    watchdog_.finish();
}

void PhaseCommand::complain(const std::string& text) { ui_.complain(name_, text); }

int PhaseCommand::prepare(const std::string& templatePath, const std::vector<std::string>& givenPairs,
                          const cli::ReviewOptions& review, bool lint) {
    review_ = review;
    std::vector<std::string> pairs = givenPairs;
    std::string fileProblem;
    if (!cli::appendPairsFile(review, pairs, fileProblem)) {
        complain(fileProblem);
        return kExitFailure;
    }
    for (const std::string& text : pairs) {
        std::optional<DevicePair> pair = parseDevicePair(text);
        if (!pair) {
            complain("--pair " + text + ": expected OLDDEV=NEWDEV");
            return kExitFailure;
        }
        pairs_.push_back(std::move(*pair));
    }
    std::string problem;
    timeouts_ = UpgradeTimeouts::fromEnvironment(&problem);
    if (!problem.empty()) {
        complain(problem);
        return kExitFailure;
    }
    const std::optional<std::string> script = cli::findTemplate(templatePath, &problem);
    if (!script) {
        complain(problem);
        return kExitFailure;
    }
    const cli::InputCheck check = cli::checkInput(*script);
    if (!check.id) {
        complain("cannot read the template script " + *script + ": " + check.problem);
        return kExitFailure;
    }
    // A script with errors would run as far as its first fault and leave a half-converted result:
    // nothing is started, no firewall is touched.
    if (lint && lintBeforeRun(*script, name_) != kExitDone) {
        cli::noteComplaint("the template script " + *script + " has errors, so nothing was run");
        return kExitFailure;
    }
    workflow_.templateName = *script;
    workflow_.setStrictReview(review.strict);
    workflow_.setSharedInterfaceCheck(true);
    return kExitDone;
}

int PhaseCommand::makeWorkingDirectoryIn(const std::string& in) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path parent = fs::absolute(in.empty() ? fs::path(".") : fs::path(in), ec).lexically_normal();
    struct stat status {};
    if (ec || ::stat(parent.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        complain("--in " + in + ": not a directory");
        return kExitFailure;
    }
    workflow_.parentDirectory = parent.string();
    return kExitDone;
}

std::string PhaseCommand::existingWorkingDirectory(const std::string& workdir) {
    const std::string problem = prepareWorkingDirectory(workdir, MissingDirectory::Refuse);
    if (!problem.empty()) {
        complain(problem);
        return {};
    }
    std::error_code ec;
    std::string directory = std::filesystem::absolute(workdir, ec).lexically_normal().string();
    if (directory.empty() || directory.back() != '/') directory += '/';
    return directory;
}

int PhaseCommand::takeLogin(const FirewallOptions& options, const char* variable, const std::string& which,
                            FirewallLogin& login) {
    login.host = options.host;
    login.port = options.port;
    login.user = options.user;
    const std::string account = options.user + "@" + options.host;
    const cli::PasswordRequest request{
        options.passwordFile, variable,
        "Password for " + account + (which.empty() ? std::string() : " (" + which + ")") + ": ",
        signals_.interruptFd()};
    std::string problem;
    switch (cli::obtainPassword(request, login.password, &problem)) {
    case cli::PasswordResult::Read:
        return kExitDone;
    case cli::PasswordResult::Interrupted:
        return stopped();
    case cli::PasswordResult::Unreadable:
        complain(problem);
        return kExitFailure;
    case cli::PasswordResult::Unavailable:
        break;
    }
    complain("no password for " + account + ": give --" + options.prefix + "password-file, set " + variable +
             ", or run on a terminal to be asked");
    return kExitFailure;
}

int PhaseCommand::failed() {
    failureText_ = workflow_.failure().text;
    return signals_.received() ? kExitInterrupted : kExitUpgradeFailed;
}

int PhaseCommand::stopped() {
    failureText_ = kStopRequestedText;
    return kExitInterrupted;
}

int PhaseCommand::download() {
    if (signals_.received()) return stopped();
    watchdog_.start(timeouts_.login, timeouts_.download);
    const PhaseOutcome outcome = workflow_.runDownloadPhase();
    watchdog_.finish();
    workflow_.oldLogin.wipePassword();
    return outcome == PhaseOutcome::Done ? kExitDone : failed();
}

int PhaseCommand::upload() {
    if (signals_.received()) return stopped();
    watchdog_.start(timeouts_.login, timeouts_.upload);
    PhaseOutcome outcome = workflow_.runUploadPhase();
    workflow_.newLogin.wipePassword();
    int pairing = kExitDone;
    bool pairsUsed = false;
    if (outcome == PhaseOutcome::PairingRequired) {
        PairingOutcome how = PairingOutcome::Closed;
        if (workflow_.interfacePairingRequired()) {
            pairsUsed = true;
            pairing = pairInterfaces();
            if (pairing != kExitDone) how = PairingOutcome::Abandoned;
        }
        if (pairing == kExitDone) {
            pairing = confirmSharedInterfaces();
            if (pairing != kExitDone) how = PairingOutcome::SharedRefused;
        }
        outcome = workflow_.finishUploadPhase(how);
    }
    if (outcome == PhaseOutcome::Done && !pairsUsed && !pairs_.empty()) {
        complain("note: every old interface was paired by address; --pair was not needed and was not used");
    }
    watchdog_.finish();
    if (outcome == PhaseOutcome::Done) return kExitDone;
    if (pairing != kExitDone && !signals_.received()) return pairing;
    if (workflow_.reviewRefused()) {
        failureText_ = workflow_.failure().text;
        ui_.yieldTerminal();
        std::cerr << cli::highFindingsText(*workflow_.report());
        return kExitReviewRefused;
    }
    return failed();
}

int PhaseCommand::rollback(const std::string& directory) {
    std::string problem;
    timeouts_ = UpgradeTimeouts::fromEnvironment(&problem);
    if (!problem.empty()) {
        complain(problem);
        return kExitFailure;
    }
    if (signals_.received()) return stopped();
    watchdog_.start(timeouts_.login, timeouts_.upload);
    const PhaseOutcome outcome = workflow_.rollback(directory);
    watchdog_.finish();
    workflow_.newLogin.wipePassword();
    return outcome == PhaseOutcome::Done ? kExitDone : failed();
}

int PhaseCommand::confirmSharedInterfaces() {
    if (signals_.received()) return kExitNeedsPairing;
    ui_.yieldTerminal();
    cli::SharedInterfaceQuestion question;
    question.command = name_;
    question.allowed = review_.allowSharedInterface;
    question.canAsk = ::isatty(STDIN_FILENO) != 0;
    const int interruptFd = signals_.interruptFd();
    question.readLine = [interruptFd](std::string& answer) {
        char buffer[kMaxAnswer];
        std::size_t length = 0;
        if (cli::readLine(STDIN_FILENO, interruptFd, buffer, sizeof buffer, length) != cli::LineRead::Line) return false;
        answer.assign(buffer, length);
        return true;
    };
    const cli::SharedDecision decision = cli::decideSharedInterfaces(workflow_.sharedInterfaces(), question);
    ui_.yieldTerminal();
    return decision == cli::SharedDecision::Refused ? kExitNeedsPairing : kExitDone;
}

int PhaseCommand::pairInterfaces() {
    // Stopped during the merge: nobody is asked, the phase ends (as stopped).
    if (signals_.received()) return kExitNeedsPairing;
    ui_.yieldTerminal();
    InterfacePairing view = workflow_.interfacePairing();
    PairingTerminal terminal;
    terminal.command = name_;
    const int interruptFd = signals_.interruptFd();
    terminal.readLine = [interruptFd](std::string& answer) {
        char buffer[kMaxAnswer];
        std::size_t length = 0;
        switch (cli::readLine(STDIN_FILENO, interruptFd, buffer, sizeof buffer, length)) {
        case cli::LineRead::Line:
            answer.assign(buffer, length);
            return true;
        case cli::LineRead::TooLong:
            answer.clear();  // not an answer: asked again
            return true;
        case cli::LineRead::End:
        case cli::LineRead::Interrupted:
            break;
        }
        return false;
    };
    const TerminalPairing result = pairOnTerminal(view, pairs_, ::isatty(STDIN_FILENO) != 0, terminal);
    ui_.yieldTerminal();
    switch (result) {
    case TerminalPairing::Paired:
        return kExitDone;
    case TerminalPairing::BadPairs:
        return kExitFailure;
    case TerminalPairing::NeedsPairing:
        break;
    }
    return kExitNeedsPairing;
}

void PhaseCommand::printWarnings(const std::string& path) {
    // One line at a time, as the log is mirrored.
    std::istringstream lines(warningsText(path));
    std::string line;
    while (std::getline(lines, line)) ui_.printLine(line);
}

int PhaseCommand::finish(int exitStatus) {
    std::string directory = workflow_.workingDirectory();
    const std::string reportDirectory = directory.empty() ? workflow_.lastWorkingDirectory() : directory;
    workflow_.closeWarnings();
    // The log ends with its closing line; the working directory keeps every file.
    workflow_.restart();
    if (workflow_.report() != nullptr && !reportDirectory.empty()) {
        std::istringstream lines(cli::reportSummaryText(*workflow_.report(), reportDirectory));
        std::string line;
        while (std::getline(lines, line)) ui_.printLine(line);
    }
    if (!directory.empty()) printWarnings(directory + kWarningsFileName);
    const std::string writeFailure = workflow_.fileWriteFailure();
    if (!writeFailure.empty()) {
        complain("cannot write " + writeFailure);
        if (exitStatus == kExitDone) exitStatus = kExitUpgradeFailed;
    }
    if (!failureText_.empty()) ui_.showLast(failureText_);
    // A failed or stopped run has forgotten its directory, which still holds every complete file.
    if (directory.empty()) directory = workflow_.lastWorkingDirectory();
    if (directory.size() > 1 && directory.back() == '/') directory.pop_back();
    if (!directory.empty()) ui_.printLine("Working directory: " + directory);
    recordResult(directory);
    return exitStatus;
}

void PhaseCommand::recordResult(const std::string& directory) {
    cli::CommandResult& result = cli::commandResult();
    cli::fillFromWorkflow(result, workflow_, directory);
    // A stop before any step ran, or a refusal of the command's own, is not the workflow's failure.
    if (!failureText_.empty() && (!result.failure || result.failure->reason != failureText_))
        result.failure = cli::CommandFailure{failureText_, 0};
}
