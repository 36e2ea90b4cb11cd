// The two ways the shell runs: `shell_main` (the body of tovac_main: options, key file, connection,
// the commands given as arguments) and `shell_interactive` (prompts for what is missing, then reads
// command lines from the input stream until it ends).
//
// Both work on the state given and leave its connection open for the caller to close. Single-threaded.
#pragma once

#include "util/tovad/shell_state.h"

namespace tovac {

// 0 on normal completion; -1 for a missing option value, a refused key file, a failed connection or
// handshake, a missing password asked for with -I, or a command that stopped the run (QUIT, a
// challenge, error_on_exit).
int shell_main(ShellState& state, int argc, const char* const* argv);

// Always 0.
int shell_interactive(ShellState& state);

}  // namespace tovac
