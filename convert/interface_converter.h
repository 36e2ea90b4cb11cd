// The interface converter: reads the interfaces of the old and the new tree, pairs them by address,
// moves the references to old devices and addresses to their new partners, and writes the interface
// list into the merged tree (the records and the pairing functions are in interfaces.h).
//
// The merge rewrites device names that other converters hold (the old tree's packet filter services,
// the NAT rules); the caller hands those in, so this converter knows nothing of their owners.
//
// Ownership: the converter owns both interface lists; trees, context and the references handed in
// are the caller's. Threads: one thread at a time, between or inside the phases.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "convert/interfaces.h"
#include "convert/item_records.h"
#include "convert/nat_rules.h"
#include "convert/packet_filter.h"

class ConfigTree;
class ConverterContext;

// The device names held by other converters that follow an interface to its new device.
struct DeviceReferences {
    std::vector<PfService>& localServices;    // the old tree's local packet filter services
    std::vector<PfService>& forwardServices;  // the old tree's forward packet filter services
    std::vector<NatRule>& natRules;
};

class InterfaceConverter {
public:
    InterfaceList oldInterfaces;  // old tree: the physical interfaces, then the aliases
    InterfaceList newInterfaces;  // new tree, in tree order, aliases included
    int physicalCount = 0;        // physical interfaces at the head of oldInterfaces
    int unmatchedOld = 0;         // old physical interfaces the pairing by address left unpaired

    // Appends to list the elements of every interface list whose name setting templateText finds
    // (parseInterfaces).
    void parseList(ConverterContext& context, ConfigTree& tree, InterfaceList& list, const std::string& templateText);
    // Reads the old physical interfaces, then the aliases of each (parse5xInterfaces). When there is
    // no physical interface the conversion cannot go on: the result is the reason, also logged.
    std::optional<std::string> parseOld(ConverterContext& context, ConfigTree& oldTree);
    // Reads the new interfaces (parse60Interfaces).
    void parseNew(ConverterContext& context, ConfigTree& newTree);
    // Pairs each old physical interface with the first new interface of its address and counts the
    // ones left unpaired (reconcileInterfaces).
    void reconcile();
    // True when the pairing by address left an old physical interface unpaired
    // (interfaceMergeHelpRequired).
    bool mergeHelpRequired() const { return unmatchedOld != 0; }
    // Moves the references of every paired interface whose device or address changes, and marks the
    // later of several old interfaces paired with one new device as not written (mergeInterfaces).
    void merge(ConverterContext& context, ConfigTree& tree, const DeviceReferences& references);
    // Moves the references of every change at once, each reference at most once: the aliases, the
    // device names handed in, and the database proxy's host addresses in tree
    // (rewriteInterfaceReferences).
    void rewriteReferences(ConverterContext& context, ConfigTree& tree, const std::vector<InterfaceChange>& changes,
                           const DeviceReferences& references);
    // Writes the interface list: each written old record as its partner, or as itself when unpaired
    // (saveInterfaces). Each written old record notes the number it was written as.
    void save(ConverterContext& context, ConfigTree& tree);

    // ---- For the upgrade report (interface_records.cpp) ----------------------------------------------

    // Appends one record per old interface and alias and per new interface (item_records.h), as
    // things stand: before the merge and the save they tell what those will do with the pairing made
    // so far, and carry no new names.
    void appendRecords(std::vector<ItemRecord>& out) const;
    // One record per old physical interface: its partner and how the pairing was made.
    std::vector<PairRecord> pairingRecords() const;
};
