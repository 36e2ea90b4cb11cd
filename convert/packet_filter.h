// Packet filter rules and services.
//
// The packet filter has forward rules and local rules; each rule refers to a service that holds the
// interface, protocol, ports and protocol options. Old configurations may hold rules as '+'-separated
// edit lines; new ones hold numbered rule branches and named service branches. The converter reads
// the rules of both styles from the old tree and the new-style rules of the new firewall's initial
// configuration, and writes them all into the merged tree as one renumbered forward list and one
// renumbered local list, the converted rules first. Between reading and writing, the interface merge
// rewrites the interface of the old tree's services.
//
// Ownership: the converter owns its eight lists (services and rules, forward and local, of the old
// and of the new tree); the object list, trees and context are the caller's. Threads: one thread at
// a time.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "convert/item_records.h"

class ConfigTree;
class ConverterContext;
class NetObjectList;

// Number of protocol option slots of a service (opt1 ... opt8).
inline constexpr int kPfOptionCount = 8;

struct PfService {
    std::string baseName;  // the service's own name ("Pre60-" + edit line name for old lines)
    std::string comment;
    std::string interface;  // interface device name
    std::string srcport1, srcport2;
    std::string dstport1, dstport2;
    std::string proto;
    bool hasOptions = false;                          // the options are written
    std::array<std::string, kPfOptionCount> options;  // opt1 ... opt8
    std::string objectName;                           // the direction's service prefix + baseName
    std::string interfaceAsRead;                      // before the interface merge moved it (the report's)
};

struct PfRule {
    int oldRuleNumber = -1;  // the rule's number before the upgrade; -1 while unknown
    std::string type;        // the action ("Permit", "Fwd", "Fwd+Reply", ...)
    std::string label;
    std::string loglevelNumber;
    std::string state;     // "on" when not given
    std::string dst, src;  // network address object names
    std::string service;   // objectName of the rule's service
    std::string listName;  // "rule_pffwd" or "rule_pflcl"

    // For the upgrade report (item_records.h): where the rule was read, its values as read, and the
    // number it was written as.
    bool editLine = false;  // read from an edit line ("pfedit_fwd_rule10"), not a rule branch
    std::string readAs;     // the edit line's name ("rule10") or the rule branch's ("3", of "rule_pffwd_3")
    std::string typeAsRead;
    std::string srcText, dstText;  // an edit line's "address:mask"; a new-style rule's object names
    int writtenAs = 0;             // N of the written listName + "_N"; 0: not written
    int ownService = -1;           // an edit line's service: its position in the services read with it
};

// One direction's services and rules, as read from one tree.
struct PfLists {
    std::vector<PfService> services;
    std::vector<PfRule> rules;
};

// The eight lists of a conversion run.
struct PfRuleLists {
    PfLists oldForward, oldLocal;  // from the old tree (edit lines and new-style rules)
    PfLists newForward, newLocal;  // from the new firewall's initial configuration
    int localCount = 0;            // local rules written so far in this run
    int forwardCount = 0;          // forward rules written so far in this run
};

// The fixed names of one direction.
struct PfDirection {
    const char* editTemplate;     // "pfedit_fwd_**=**"
    const char* ruleTemplate;     // "rule_pffwd_##"
    const char* listName;         // "rule_pffwd"
    const char* serviceTemplate;  // "fpf-serv_**"
    const char* servicePrefix;    // "fpf-serv_"
    bool forward;
};
inline constexpr PfDirection kPfForward{"pfedit_fwd_**=**", "rule_pffwd_##", "rule_pffwd",
                                        "fpf-serv_**",      "fpf-serv_",     true};
inline constexpr PfDirection kPfLocal{"pfedit_lcl_**=**", "rule_pflcl_##", "rule_pflcl",
                                      "lpf-serv_**",      "lpf-serv_",     false};

class PacketFilterConverter {
public:
    PfRuleLists lists;

    // Reads the edit lines that editTemplate finds ("pfedit_fwd_**=**" / "pfedit_lcl_**=**") into one
    // direction's lists, making the objects of their addresses in objects, and orders the whole rule
    // list by old number (parse5xStylePF).
    static void parse5xStyle(ConverterContext& context, ConfigTree& tree, const char* editTemplate,
                             std::vector<PfService>& services, std::vector<PfRule>& rules, bool forward,
                             NetObjectList& objects);
    // Reads the new-style services and rules of one direction; orders the rules it appended
    // (parse60StylePF).
    static void parse60Style(ConverterContext& context, ConfigTree& tree, std::vector<PfService>& services,
                             std::vector<PfRule>& rules, bool forward);
    // The old tree's rules into the old lists: edit lines forward and local, then new-style rules
    // forward and local.
    void parseOldTree(ConverterContext& context, ConfigTree& oldTree, NetObjectList& objects);
    // The new tree's new-style rules, forward and local, into the new lists.
    void parseNewTree(ConverterContext& context, ConfigTree& newTree);
    // Writes every service, then the local and the forward rules, each list numbered on from the
    // rules written before, old rules first (savePfRules).
    void save(ConverterContext& context, ConfigTree& tree);

    // Appends one record per rule of the old and of the new tree, forward then local
    // (packet_filter_records.cpp).
    void appendRecords(std::vector<ItemRecord>& out) const;
};
