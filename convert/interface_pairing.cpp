// Pairing of old and new interface records, shared by every front end (see interfaces.h), and the
// front ends' view of the records (see interface_pairing.h).
#include "convert/interface_pairing.h"

#include <algorithm>
#include <cstddef>
#include <map>

std::string interfaceLabel(const InterfaceRecord& record) {
    return record.interface + " - " + record.addr + " - " + record.location;
}

bool pairInterfaces(InterfaceList& oldList, int oldIndex, InterfaceList& newList, int newIndex) {
    if (oldIndex < 0 || static_cast<std::size_t>(oldIndex) >= oldList.size() || newIndex < 0 ||
        static_cast<std::size_t>(newIndex) >= newList.size()) {
        return false;
    }
    InterfaceRecord& oldRecord = oldList[static_cast<std::size_t>(oldIndex)];
    InterfaceRecord& newRecord = newList[static_cast<std::size_t>(newIndex)];
    oldRecord.counterpartInterface = newRecord.interface;
    oldRecord.counterpartIndex = newIndex;
    oldRecord.counterpartAddr = newRecord.addr;
    newRecord.counterpartInterface = oldRecord.interface;
    newRecord.counterpartIndex = oldIndex;
    newRecord.counterpartAddr = oldRecord.addr;
    newRecord.nat = oldRecord.nat;
    newRecord.inat = oldRecord.inat;
    newRecord.transparency = oldRecord.transparency;
    oldRecord.pairedByAddress = false;
    newRecord.pairedByAddress = false;
    return true;
}

std::vector<int> unpairedPhysicalInterfaces(const InterfaceList& oldList, int physicalCount) {
    std::vector<int> unpaired;
    for (int i = 0; i < physicalCount && static_cast<std::size_t>(i) < oldList.size(); ++i) {
        if (oldList[static_cast<std::size_t>(i)].counterpartIndex < 0) unpaired.push_back(i);
    }
    return unpaired;
}

std::optional<DevicePair> parseDevicePair(std::string_view text) {
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos || eq == 0 || eq + 1 == text.size()) return std::nullopt;
    return DevicePair{std::string(text.substr(0, eq)), std::string(text.substr(eq + 1))};
}

std::vector<std::string> applyDevicePairs(InterfaceList& oldList, int physicalCount, InterfaceList& newList,
                                          const std::vector<DevicePair>& pairs) {
    std::vector<std::string> problems;
    struct Choice {
        std::vector<int> oldPositions;
        int newPosition = -1;
        std::string newDevice;
    };
    std::map<std::string, Choice> chosen;  // old device -> what it is paired with
    const int physical = static_cast<int>(
        std::min<std::size_t>(physicalCount < 0 ? 0 : static_cast<std::size_t>(physicalCount), oldList.size()));

    for (const DevicePair& pair : pairs) {
        const std::string text = pair.oldDevice + "=" + pair.newDevice;
        auto found = chosen.find(pair.oldDevice);
        if (found != chosen.end()) {
            if (found->second.newDevice != pair.newDevice) {
                problems.push_back(text + ": " + pair.oldDevice + " is already paired with " + found->second.newDevice);
            }
            continue;
        }
        Choice choice;
        for (int i = 0; i < physical; ++i) {
            if (oldList[static_cast<std::size_t>(i)].interface == pair.oldDevice) choice.oldPositions.push_back(i);
        }
        for (std::size_t j = 0; j < newList.size(); ++j) {
            if (newList[j].interface == pair.newDevice) {
                choice.newPosition = static_cast<int>(j);
                break;
            }
        }
        bool usable = true;
        if (choice.oldPositions.empty()) {
            problems.push_back(text + ": the old firewall has no physical interface " + pair.oldDevice);
            usable = false;
        }
        if (choice.newPosition < 0) {
            problems.push_back(text + ": the new firewall has no interface " + pair.newDevice);
            usable = false;
        }
        if (!usable) continue;
        choice.newDevice = pair.newDevice;
        chosen.emplace(pair.oldDevice, std::move(choice));
    }
    if (!problems.empty()) return problems;

    // Pair in the order of the old list, as the dialog does row by row: when two old interfaces share
    // one new interface, the later one's flags are the ones the new record keeps.
    std::vector<int> partner(static_cast<std::size_t>(physical), -1);
    for (const auto& [device, choice] : chosen) {
        for (int i : choice.oldPositions) partner[static_cast<std::size_t>(i)] = choice.newPosition;
    }
    for (int i = 0; i < physical; ++i) {
        if (partner[static_cast<std::size_t>(i)] >= 0) {
            pairInterfaces(oldList, i, newList, partner[static_cast<std::size_t>(i)]);
        }
    }
    return problems;
}

InterfacePairing::InterfacePairing(InterfaceList& oldList, int physicalCount, InterfaceList& newList)
    : oldList_(oldList), physicalCount_(physicalCount), newList_(newList) {}

std::vector<int> InterfacePairing::unpaired() const { return unpairedPhysicalInterfaces(oldList_, physicalCount_); }

bool InterfacePairing::pair(int oldIndex, int newIndex) {
    return pairInterfaces(oldList_, oldIndex, newList_, newIndex);
}

std::vector<std::string> InterfacePairing::applyDevicePairs(const std::vector<DevicePair>& pairs) {
    return ::applyDevicePairs(oldList_, physicalCount_, newList_, pairs);
}
