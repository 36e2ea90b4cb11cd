// NAT and INAT rules.
//
// The old configuration keeps address translation rules of both directions in one numbered list with
// structured address specifications; the new one keeps NAT and INAT rules in two lists whose addresses
// are network address object names. The converter reads the old list, turns each address
// specification into an object name, rejects rules that lack critical values or are bound to the
// wildcard interface (telling the administrator in the log and the warnings), orders the rest by old
// rule number and writes them into the two new lists. Between reading and writing, the interface
// merge may rewrite the rules' network field.
//
// Ownership: the converter owns its rules; the object list, trees and context are the caller's.
// Threads: one thread at a time.
#pragma once

#include <string>
#include <vector>

#include "convert/item_records.h"

class ConfigTree;
class ConverterContext;
class NetObjectList;

// Rule type that marks an INAT rule.
inline constexpr const char* kInatRuleType = "illegal";

struct NatRule {
    std::string global;  // object name of the global address
    std::string local;   // object name of the local address
    std::string remote;  // object name of the remote address; empty when none (or any)
    std::string portStart;
    std::string portEnd;
    std::string protocols;
    std::string ruleType;  // "illegal" marks an INAT rule
    std::string network;   // device name of the interface the rule is bound to
    int oldNumber = 0;

    // For the upgrade report (item_records.h): where the rule was read, its values before they were
    // converted or moved, and the number it was written as.
    std::string branchName;                         // "5": read from "rule_natrule_5"
    std::string globalText, localText, remoteText;  // address specifications as read
    std::string networkAsRead;                      // before the interface merge moved it
    int writtenAs = 0;  // N of the written "rule_natrule_N" or "rule_inatrule_N"; 0: not written
};

class NatRuleConverter {
public:
    std::vector<NatRule> rules;    // accepted rules of both kinds, ordered by old number
    std::vector<NatRule> dropped;  // rules refused (critical values missing or invalid), tree order

    // Reads the old tree's rules, making the objects of their addresses in objects (parseNatRules).
    void parse(ConverterContext& context, ConfigTree& oldTree, NetObjectList& objects);
    // Writes the NAT rules and the INAT rules, each list numbered from 1 (saveNatRules).
    void save(ConverterContext& context, ConfigTree& tree);

    // Appends one record per rule read, accepted or dropped (nat_rule_records.cpp).
    void appendRecords(std::vector<ItemRecord>& out) const;
};
