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

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "convert/item_records.h"

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

    // For the upgrade report (item_records.h): where the rule was read, what the script and the
    // completion replaced, and the number it was written as.
    std::string branchName;     // "7": read from the branch "rule_proxy_7"
    std::string authAsRead;     // before the rule's service group decided it
    bool destFilledIn = false;  // read without a destination, completed from the groups
    int writtenAs = 0;          // N of the written "rule_proxy_N"; 0: not written
    // Its src and dest before the script's first section ran, as the converter noted them (see
    // ProxyRuleConverter::noteValuesBeforeScript); -1 when none were noted for it.
    int notedBeforeScript = -1;
};

class ProxyRuleConverter {
public:
    std::vector<ProxyRule> rules;    // accepted rules, ordered by old number
    std::vector<ProxyRule> dropped;  // rules refused for missing critical values, in tree order
    int written = 0;                 // rules written so far

    // Notes the src and dest of every rule of the old tree as they are before the template script
    // changes them, for the records; the rules read later take them by their setting name. Logs
    // nothing and changes nothing.
    void noteValuesBeforeScript(ConfigTree& oldTree);
    // Reads the old tree's rules; a rule without a destination takes the group built for its label,
    // and a rule's service group decides its authentication (parseProxyRules).
    void parse(ConverterContext& context, ConfigTree& oldTree, const GroupConverter& groups);
    // Writes the rules, numbered on from the rules written before (saveProxyRules).
    void save(ConverterContext& context, ConfigTree& tree);

    // Appends one record per rule read, accepted or dropped (proxy_rule_records.cpp).
    void appendRecords(std::vector<ItemRecord>& out) const;

private:
    // One rule's values before the script: its branch name, src and dest, one after another in
    // noted_ (a single text for all rules, so that noting 50,000 rules costs no allocation each).
    struct NotedRule {
        std::size_t name, src, dest, end;
        bool taken = false;  // by a rule read; a second branch of the name (the script's) takes none
    };
    std::string_view notedText(std::size_t begin, std::size_t end) const {
        return std::string_view(noted_).substr(begin, end - begin);
    }
    // Links rule, read from the branch at position (tree order), to the values noted for its branch.
    void linkValuesBeforeScript(ProxyRule& rule, std::size_t position);
    // The rule's src or dest before the script: as noted, or as read when none were noted.
    std::string_view srcBeforeScript(const ProxyRule& rule) const;
    std::string_view destBeforeScript(const ProxyRule& rule) const;

    std::string noted_;
    std::vector<NotedRule> notedRules_;  // in tree order
    // Positions in notedRules_ by branch name, made only when the script changed the rules' order.
    std::unordered_map<std::string_view, std::size_t> notedByName_;
};
