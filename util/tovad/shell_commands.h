// The shell's commands: GET, PUT/POST, QUIT, VER..., HELP and -X, run one group of words at a time.
//
// `shell_run_command` takes the words of one command group (the command word first) and returns the
// number of words it used after the command word, a negative number to stop, or 401 / 407 when the
// firewall asked for authorization. Messages go to the state's message stream; PUT without an input
// file reads the state's input stream to its end. Single-threaded.
#pragma once

#include "util/tovad/shell_state.h"

namespace tovac {

inline constexpr const char* kHelpLines[] = {
    "get [-o outfile] filename\n",    "put [-i infile] [-o outfile] filename\n", "help        print this message\n",
    "quit        exit the program\n", "verbose     toggles verbose mode\n",      "-X          toggles error on exit.\n",
};

int shell_run_command(ShellState& state, int count, const char* const* words);

// As shell_run_command; `name_position` receives the position of the file name of a GET or PUT (the
// words the command would use when it fails), 0 for the other commands.
int run_command(ShellState& state, int count, const char* const* words, int& name_position);

}  // namespace tovac
