// What the safety review's checks share: the interfaces of both firewalls by device (role, name),
// the networks they stand on, the pairing by old device, and the destination groups of the final
// configuration that let every address through. Gathered once per review from the report's records
// and the trees, so that each check is a pass over the records with hash lookups.
//
// Ownership: the facts copy what they need, except partnerOf, which points into the report's
// pairing records (the report must outlive the facts and keep its pairing unchanged). Threads: one
// thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "report/address_text.h"
#include "report/interface_lists.h"
#include "report/interface_roles.h"
#include "report/safety_review.h"

struct InterfaceFacts {
    InterfaceRole role = InterfaceRole::Unknown;
    std::string name;
};

struct NetworkFacts {
    Ipv4Range network;
    std::string device;
    std::string name;
};

// A set of networks that answers "which of them holds this range" in logarithmic time, whatever their
// number: the networks sorted by first address, each position knowing the network that reaches
// furthest among those up to it. (A network holds a range when it starts at or before the range's
// first address and ends at or after its last; the one that reaches furthest decides.)
class NetworkIndex {
public:
    void add(NetworkFacts network);
    // Makes the index; after the last add and before the first question.
    void build();

    // A network that holds every address of range (the one reaching furthest), or null.
    const NetworkFacts* holding(const Ipv4Range& range) const;
    // The first network added for the device, or null.
    const NetworkFacts* ofDevice(const std::string& device) const;

    // In the order added.
    const std::vector<NetworkFacts>& networks() const { return networks_; }
    bool empty() const { return networks_.empty(); }

private:
    std::vector<NetworkFacts> networks_;
    std::vector<std::uint32_t> firsts_;       // first addresses, ascending
    std::vector<std::size_t> furthest_;       // per sorted position: the network reaching furthest so far
    std::unordered_map<std::string, std::size_t> byDevice_;
};

struct ReviewFacts {
    // The old firewall's interfaces by device (pairing records, then interface records; a later
    // source only fills in what the earlier ones left unknown); aliases are found by their device,
    // which is their interface's.
    std::unordered_map<std::string, InterfaceFacts> oldInterfaces;
    // The new firewall's interfaces by device (pairing records, then the initial configuration's list,
    // then the final list, in the same way).
    std::unordered_map<std::string, InterfaceFacts> newInterfaces;
    // The pairing record of each old device.
    std::unordered_map<std::string, const PairRecord*> partnerOf;
    // The networks of the old interfaces and aliases, and those the new firewall has (initial and
    // final lists, the pairing's new side); newNetworks empty means nothing is known of the new side.
    NetworkIndex oldNetworks;
    NetworkIndex newNetworks;
    // The interface lists of the trees given (empty when not given).
    std::vector<ListedInterface> initialInterfaces;
    std::vector<ListedInterface> finalInterfaces;
    bool haveFinalTree = false;
    std::unordered_set<std::string> finalDevices;
    // Destination group names ("destination_group_X") whose objects permit every address.
    std::unordered_set<std::string> anyDestinationGroups;
};

ReviewFacts gatherFacts(const UpgradeReport& report, const ReviewInputs& inputs);

// The device an old interface name stands for when it is not known itself: "eth0:1" -> "eth0".
std::string baseDevice(const std::string& device);

// The facts of a device on one side, or null; an unknown "eth0:1" is looked up as "eth0".
const InterfaceFacts* findInterface(const std::unordered_map<std::string, InterfaceFacts>& side,
                                    const std::string& device);
