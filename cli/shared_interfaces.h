// The command line's answer to a pairing that gives several old interfaces one new interface: such a
// pairing merges the old interfaces' rules onto one interface, which is seldom what was meant, so it
// goes on only when confirmed, by --allow-shared-interface or by a "y" to the merge dialog's question
// (string 106) on a terminal. Messages go to standard error.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "upgrade/workflow.h"

namespace cli {

enum class SharedDecision {
    NoneShared,  // no interface is shared
    Accepted,    // shared, and confirmed (the option or the question)
    Refused,     // shared, and not confirmed: the merge must not go on
};

struct SharedInterfaceQuestion {
    std::string command;  // the subcommand its messages name
    bool allowed = false; // --allow-shared-interface
    bool canAsk = false;  // standard input is a terminal
    // Reads one answer (without its line end); false when the input ended. Empty: a line of std::cin.
    std::function<bool(std::string&)> readLine;
};

SharedDecision decideSharedInterfaces(const std::vector<SharedInterface>& shared, const SharedInterfaceQuestion& question);

}  // namespace cli
