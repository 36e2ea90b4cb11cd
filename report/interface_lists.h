// The interface list of a 6.0 configuration as the safety review reads it: the elements of
// netobj_list_Outside_element, each with its device, address, mask, location and flags, and the
// network an interface's address and mask stand for.
//
// The review reads the list of the new firewall's initial configuration (what the new firewall had)
// and of the final configuration (what it will have). Only what the review needs is read; the
// interface converter (convert/interface_converter.h) remains the reader the conversion uses.
//
// Ownership: plain values, copied out of the tree. Threads: one thread at a time per tree.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "report/address_text.h"

class Branch;

struct ListedInterface {
    std::string prefix;  // the element's setting prefix, "netobj_list_Outside_element_3"
    std::string device;  // the element's interface setting ("eth1")
    std::string name;
    std::string addr;
    std::string netmask;
    std::string location;
    bool nat = false;
    bool alias = false;
};

// The elements of the tree's interface list in list order; empty when it has none.
std::vector<ListedInterface> listedInterfaces(const Branch& tree);

// The network of an interface: its address with the host bits of its mask cleared, through the
// last address of that network. False when either is not a dotted quad or the mask has holes.
bool interfaceNetwork(std::string_view addr, std::string_view netmask, Ipv4Range& network);
