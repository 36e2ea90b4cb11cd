// Confirming or refusing a shared interface (see shared_interfaces.h).
#include "cli/shared_interfaces.h"

#include <iostream>

#include "upgrade/upgrade_strings.h"

namespace cli {

SharedDecision decideSharedInterfaces(const std::vector<SharedInterface>& shared, const SharedInterfaceQuestion& question) {
    if (shared.empty()) return SharedDecision::NoneShared;
    const std::string prefix = "upgrade-cli " + question.command + ": ";
    std::cerr << prefix << "several old interfaces would share one new interface: " << describeSharedInterfaces(shared)
              << '\n';
    if (question.allowed) {
        std::cerr << prefix << "accepted (--allow-shared-interface)\n";
        return SharedDecision::Accepted;
    }
    if (question.canAsk) {
        std::cerr << upgradeString(upgrade_strings::kSharedInterfaceQuestion) << " [y/N] " << std::flush;
        std::string answer;
        const bool read = question.readLine ? question.readLine(answer) : static_cast<bool>(std::getline(std::cin, answer));
        if (read && (answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes")) return SharedDecision::Accepted;
    }
    std::cerr << prefix
              << "refused: nothing was written past the converted file; pair the interfaces differently, or give "
                 "--allow-shared-interface to accept it\n";
    return SharedDecision::Refused;
}

}  // namespace cli
