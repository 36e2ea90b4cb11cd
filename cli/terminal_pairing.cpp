// Pairing the interfaces from --pair and by asking on a terminal.
#include "cli/terminal_pairing.h"

#include <cstdlib>
#include <iostream>
#include <string>

#include "cli/human_output.h"

namespace {

void complain(const PairingTerminal& terminal, const std::string& message) {
    cli::complain(terminal.command, message);
}

bool readAnswer(const PairingTerminal& terminal, std::string& answer) {
    if (terminal.readLine) return terminal.readLine(answer);
    return static_cast<bool>(std::getline(std::cin, answer));
}

// Asks for a partner of each unpaired old interface; false when the input ends first.
bool ask(InterfacePairing& pairing, const std::vector<int>& unpaired, const PairingTerminal& terminal) {
    const InterfaceList& oldList = pairing.oldInterfaces();
    const InterfaceList& newList = pairing.newInterfaces();
    std::cerr << "The interfaces of the old firewall could not all be paired with the new firewall's by "
                 "address.\nChoose the new interface for each old one:\n";
    for (int i : unpaired) {
        for (;;) {
            std::cerr << "\nOld interface " << interfaceLabel(oldList[static_cast<std::size_t>(i)]) << '\n';
            for (std::size_t j = 0; j < newList.size(); ++j) {
                std::cerr << "  " << (j + 1) << ") " << interfaceLabel(newList[j]) << '\n';
            }
            std::cerr << "New interface (1-" << newList.size() << "): " << std::flush;
            std::string answer;
            if (!readAnswer(terminal, answer)) {
                std::cerr << '\n';
                return false;
            }
            char* end = nullptr;
            const long choice = std::strtol(answer.c_str(), &end, 10);
            if (end != answer.c_str() && *end == '\0' && choice >= 1 &&
                static_cast<std::size_t>(choice) <= newList.size()) {
                pairing.pair(i, static_cast<int>(choice - 1));
                break;
            }
            std::cerr << "Please answer with a number from 1 to " << newList.size() << ".\n";
        }
    }
    return true;
}

void listInterfaces(const InterfacePairing& pairing, const PairingTerminal& terminal) {
    const InterfaceList& oldList = pairing.oldInterfaces();
    complain(terminal, "the interfaces cannot all be paired by address; give --pair OLDDEV=NEWDEV for each old "
                       "interface without a partner");
    std::cerr << "Old interfaces:\n";
    for (int i = 0; i < pairing.physicalCount() && static_cast<std::size_t>(i) < oldList.size(); ++i) {
        const InterfaceRecord& record = oldList[static_cast<std::size_t>(i)];
        std::cerr << "  " << interfaceLabel(record);
        if (record.counterpartIndex >= 0)
            std::cerr << "  (paired with " << record.counterpartInterface << ")";
        else
            std::cerr << "  (no partner)";
        std::cerr << '\n';
    }
    std::cerr << "New interfaces:\n";
    if (pairing.newInterfaces().empty()) std::cerr << "  (none)\n";
    for (const InterfaceRecord& record : pairing.newInterfaces()) {
        std::cerr << "  " << interfaceLabel(record) << '\n';
    }
}

}  // namespace

TerminalPairing pairOnTerminal(InterfacePairing& pairing, const std::vector<DevicePair>& pairs, bool canAsk,
                               const PairingTerminal& terminal) {
    const std::vector<std::string> problems = pairing.applyDevicePairs(pairs);
    if (!problems.empty()) {
        for (const std::string& problem : problems) complain(terminal, "--pair " + problem);
        return TerminalPairing::BadPairs;
    }
    const std::vector<int> unpaired = pairing.unpaired();
    if (unpaired.empty()) return TerminalPairing::Paired;
    if (canAsk && !pairing.newInterfaces().empty() && ask(pairing, unpaired, terminal)) return TerminalPairing::Paired;
    listInterfaces(pairing, terminal);
    return TerminalPairing::NeedsPairing;
}
