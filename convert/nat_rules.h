// NAT and INAT rules.
//
// The old configuration keeps address translation rules of both directions in one numbered list with
// structured address specifications; the new one keeps NAT and INAT rules in two lists whose addresses
// are network address object names. The processor reads the old list, turns each address
// specification into an object name, rejects rules that lack critical values or are bound to the
// wildcard interface (telling the administrator in the log and the warnings file), orders the rest by
// old rule number and writes them into the two new lists. The TemplateProcessor holds the accepted
// rules of both kinds in natRules; parseNatRules and saveNatRules live in nat_rules.cpp. Between the
// two, the interface merge may rewrite the rules' network field. One thread at a time.
#pragma once

#include <string>

// Rule type that marks an INAT rule.
inline constexpr const char* kInatRuleType = "illegal";

struct NatRule {
    std::string global;     // object name of the global address
    std::string local;      // object name of the local address
    std::string remote;     // object name of the remote address; empty when none (or any)
    std::string portStart;
    std::string portEnd;
    std::string protocols;
    std::string ruleType;   // "illegal" marks an INAT rule
    std::string network;    // device name of the interface the rule is bound to
    int oldNumber = 0;
};
