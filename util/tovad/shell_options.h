// The shell's command-line options, its usage text and the key file that may hold the password.
//
// Options come first: each begins with '-' and its letter is the second character; they end at the
// first argument that does not begin with '-', and a value is the next argument. Parsing works on the
// state given and writes the usage text to its message stream. Single-threaded.
#pragma once

#include "util/tovad/shell_state.h"

namespace tovac {

inline constexpr const char* kUsage =
    "tovac [-h host] [-p port] [-u user] [-U who] [-P pass] [-k keyfile] \\\n[-i] [-v] [-t timeout] [cmds]\n";

enum class OptionsOutcome {
    Run,    // go on with the arguments from `next`
    Help,   // --help: the usage text was printed
    Error,  // a value was missing (usage printed) or a port was not a port
};

OptionsOutcome parse_options(ShellState& state, int argc, const char* const* argv, int& next);

// Reads the password from state.key_path. 0, or -1 when the file is missing or unreadable ("Key not
// found"), or open to its group or others, or not a regular file ("Bad file mode %6o for keyfile");
// the messages appear in verbose mode only.
int load_key_file(ShellState& state);

}  // namespace tovac
