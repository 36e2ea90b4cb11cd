// Proxy rules: which sources may use which proxy service towards which destinations.
//
// The converter reads the old proxy rules (after the script's first section has run over the old
// tree), completes missing values from the converted groups and from fixed defaults, drops rules that
// still lack critical values, orders the rest by their old rule numbers and writes them, renumbered
// from 1, into the merged tree.
//
// Ownership: the converter owns its rules; the groups, trees and context are the caller's.
// Threads: one thread at a time.
#pragma once

#include <string>
#include <vector>

class ConfigTree;
class ConverterContext;
class GroupConverter;

struct ProxyRule {
    std::string action;
    std::string auth;
    std::string dest;
    std::string loglevelNumber;  // leaf loglevel_number
    std::string rulelabel;
    std::string service;
    std::string src;
    std::string state;
    int oldNumber = 0;  // the rule's number in the old tree
};

class ProxyRuleConverter {
public:
    std::vector<ProxyRule> rules;  // accepted rules, ordered by old number
    int written = 0;               // rules written so far

    // Reads the old tree's rules; a rule without a destination takes the group built for its label,
    // and a rule's service group decides its authentication (parseProxyRules).
    void parse(ConverterContext& context, ConfigTree& oldTree, const GroupConverter& groups);
    // Writes the rules, numbered on from the rules written before (saveProxyRules).
    void save(ConverterContext& context, ConfigTree& tree);
};
