// The interface pairing on a terminal, for the offline conversion: the pairs given with --pair
// first, then a question per old interface still unpaired when standard input is a terminal;
// otherwise both lists go to standard error so that a script can give the pairs and run again.
//
// Runs on the command line's only thread, between the workflow's merge and postprocessing.
#pragma once

#include <vector>

#include "convert/interface_pairing.h"
#include "convert/interfaces.h"

enum class TerminalPairing {
    Paired,        // every old physical interface has a partner
    BadPairs,      // a --pair names no such interface or gives a second partner (reported)
    NeedsPairing,  // some old interface is still unpaired (both lists reported)
};

// Applies pairs, then asks for the rest when canAsk. Messages go to standard error.
TerminalPairing pairOnTerminal(InterfacePairing& pairing, const std::vector<DevicePair>& pairs, bool canAsk);
