// What a front end sees of the interfaces of a conversion, and the one pairing operation it may use.
//
// Between merging and postprocessing, when the addresses did not pair every old physical interface,
// a front end (the wizard's interface merge dialog, the command line's --pair options and prompt)
// shows both lists and lets someone choose partners. It reads the records only through this view and
// changes them only through pair and applyDevicePairs, the pairing functions of interfaces.h.
//
// Ownership: the view refers to lists it does not own (the interface converter's, through
// TemplateProcessor::interfacePairing()); they must outlive it and must not be read again while it is
// in use. Threads: the front end's, one at a time, while no phase runs.
#pragma once

#include <string>
#include <vector>

#include "convert/interfaces.h"

class InterfacePairing {
public:
    InterfacePairing(InterfaceList& oldList, int physicalCount, InterfaceList& newList);

    // The old records: the physical interfaces first (physicalCount of them), then the aliases.
    const InterfaceList& oldInterfaces() const { return oldList_; }
    int physicalCount() const { return physicalCount_; }
    // The new records in tree order, aliases included.
    const InterfaceList& newInterfaces() const { return newList_; }

    // Positions of the old physical interfaces without a partner (unpairedPhysicalInterfaces).
    std::vector<int> unpaired() const;
    // Pairs old record oldIndex with new record newIndex in both directions (pairInterfaces); false,
    // with nothing changed, for a position outside its list.
    bool pair(int oldIndex, int newIndex);
    // Applies pairings chosen by device names (applyDevicePairs): the problems found, none changed
    // when there are any.
    std::vector<std::string> applyDevicePairs(const std::vector<DevicePair>& pairs);

private:
    InterfaceList& oldList_;
    int physicalCount_;
    InterfaceList& newList_;
};
