// The interface pairing on a terminal, for the merges upgrade-cli runs (convert, upload, run): the
// pairs given with --pair first, then a question per old interface still unpaired when standard input
// is a terminal; otherwise both lists go to standard error so that a script can give the pairs and
// run again.
//
// Runs on the thread that runs the workflow's steps, between its merge and postprocessing.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "convert/interface_pairing.h"
#include "convert/interfaces.h"

enum class TerminalPairing {
    Paired,        // every old physical interface has a partner
    BadPairs,      // a --pair names no such interface or gives a second partner (reported)
    NeedsPairing,  // some old interface is still unpaired (both lists reported)
};

// Who asks and where the answers come from.
struct PairingTerminal {
    std::string command = "convert";  // the subcommand its messages name
    // Reads one answer (without its line end); false when the input ended or the wait was given up.
    // Empty: a line of std::cin.
    std::function<bool(std::string&)> readLine;
};

// Applies pairs, then asks for the rest when canAsk. Messages go to standard error.
TerminalPairing pairOnTerminal(InterfacePairing& pairing, const std::vector<DevicePair>& pairs, bool canAsk,
                               const PairingTerminal& terminal = {});
