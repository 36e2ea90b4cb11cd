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
};

class NatRuleConverter {
public:
    std::vector<NatRule> rules;  // accepted rules of both kinds, ordered by old number

    // Reads the old tree's rules, making the objects of their addresses in objects (parseNatRules).
    void parse(ConverterContext& context, ConfigTree& oldTree, NetObjectList& objects);
    // Writes the NAT rules and the INAT rules, each list numbered from 1 (saveNatRules).
    void save(ConverterContext& context, ConfigTree& tree) const;
};
