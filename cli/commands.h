// The subcommands of upgrade-cli.
//
// Each subcommand lives in its own cmd_<name>.cpp and adds itself to the application with one
// function of the AddCommand shape: it registers its options and a callback that runs the command
// and stores the process exit code. main.cpp lists these functions; a new subcommand is one
// declaration here and one entry there. Single-threaded.
#pragma once

namespace CLI {
class App;
}

// Exit codes shared by every subcommand.
inline constexpr int kExitDone = 0;           // the work was done
inline constexpr int kExitStopped = 1;        // the template script stopped the run (user_error)
inline constexpr int kExitUpgradeFailed = 1;  // a step of the upgrade failed or a time-out ran out
inline constexpr int kExitFailure = 2;        // usage error, unreadable input, output that cannot be written
inline constexpr int kExitNeedsPairing = 3;   // interfaces need pairing and nobody could be asked
inline constexpr int kExitReviewRefused = 4;  // --strict: the safety review has a high finding
inline constexpr int kExitInterrupted = 130;  // stopped by Ctrl-C (SIGINT) or SIGTERM

using AddCommand = void (*)(CLI::App& app, int& exitCode);

void addTemplateCommand(CLI::App& app, int& exitCode);
void addConvertCommand(CLI::App& app, int& exitCode);
void addDownloadCommand(CLI::App& app, int& exitCode);
void addUploadCommand(CLI::App& app, int& exitCode);
void addRunCommand(CLI::App& app, int& exitCode);
void addLintCommand(CLI::App& app, int& exitCode);
void addReportCommand(CLI::App& app, int& exitCode);
void addRollbackCommand(CLI::App& app, int& exitCode);
