// References in the final configuration to things it does not define: a rule naming a network object
// that was never written, a group or packet filter service that is not there, an interface device
// that is not in the interface list.
//
// Only references whose kind is certain are judged, by the form of the value: network objects
// ("net_KIND_LABEL": defined when some setting begins with that name and '_', or when it is one of the
// fixed objects every firewall knows), service and destination groups ("service_group_X",
// "destination_group_X"), packet filter services ("fpf-serv_X", "lpf-serv_X"), each defined when some
// setting begins with that name and '_', and interface devices (the network-interface of NAT and INAT
// rules and the interface of packet filter services: defined when the final interface list has the
// device). Other values, empty ones and "*" are not references. The settings read are those of the
// proxy, packet filter, NAT and INAT rules, the elements of service and destination groups and the
// destination objects, and the interface of every "*-serv" service.
//
// Ownership: the tree is the caller's and is only read. Threads: one thread at a time.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "report/upgrade_report.h"

class Branch;

// One medium finding (undefined-reference) per name that is referred to but not defined, in the order
// of its first reference, listing every setting that refers to it. devices: the final interface list's
// devices.
void findUndefinedReferences(const Branch& final, const std::unordered_set<std::string>& devices,
                             std::vector<Finding>& out);
