// Item records: what happened to every item a conversion read or made, for the upgrade report.
//
// Every converter keeps one record per item it reads (an interface or alias, a service group, a
// destination record's group, a proxy rule, a NAT or INAT rule, a forward or local packet filter
// rule) and per item the upgrade makes (a network address object, the all-sets service group, the
// fixed destination groups): where it came from, what became of it, what it is called in the final
// file, and why it changed or was dropped. The interface pairing records each pair and how it was
// made. The safety review (report/) reads records only; it never looks into the converters.
//
// The values a record keeps are named fields, each with the value as read from the old file (before
// the template script touched it where the script changes it) and the value written to the final
// file. Field names are shared by all kinds, so that the review can read them without knowing the
// kind:
//   "action"     proxy rule action, packet filter rule type, NAT rule type ("hide", "static", ...)
//   "src","dst"  a rule's source and destination (old: address text as read; new: object name)
//   "service"    a rule's service group or packet filter service
//   "interface"  the device a rule or service is bound to (NAT "network", a service's "interface"),
//                or an interface record's device
//   "srcport","dstport","port"  port ranges as "FIRST-LAST"
//   "global","local","remote"   NAT addresses (old: address text; new: object name)
//   "auth"       a proxy rule's authentication object (the new one comes from its service group)
//   "addr","netmask","location","nat"  an interface's settings
//   "value"      a network address object's value
// A field that a kind does not have is absent; an empty value means "none".
//
// Ownership: plain values. Threads: whoever holds them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class ItemKind {
    Interface,
    InterfaceAlias,
    NetObject,
    ServiceGroup,
    DestinationGroup,
    ProxyRule,
    NatRule,
    InatRule,
    ForwardRule,
    LocalRule,
};
inline constexpr int kItemKindCount = 10;

// The stable key of a kind in the report: "interface", "interface_alias", "network_object",
// "service_group", "destination_group", "proxy_rule", "nat_rule", "inat_rule", "forward_rule",
// "local_rule".
std::string_view itemKindKey(ItemKind kind);

enum class ItemOutcome {
    Converted,  // written with the same meaning
    Changed,    // written, but something about it changed (reasons say what)
    Dropped,    // not written (reasons say why)
    Created,    // made by the upgrade; not read from the old file
};

// "converted", "changed", "dropped", "created".
std::string_view itemOutcomeKey(ItemOutcome outcome);

// Where an item came from.
enum class ItemOrigin {
    Old,      // the old firewall's configuration
    New,      // the new firewall's initial configuration (kept and renumbered, for instance)
    Upgrade,  // made by the upgrade
};

// "old", "new", "upgrade".
std::string_view itemOriginKey(ItemOrigin origin);

struct ItemField {
    std::string name;
    std::string oldValue;
    std::string newValue;
};

struct ItemRecord {
    ItemKind kind = ItemKind::ProxyRule;
    ItemOutcome outcome = ItemOutcome::Converted;
    ItemOrigin origin = ItemOrigin::Old;
    // The item's identity where it came from: the setting name prefix ("rule_proxy_7",
    // "pfedit_fwd_rule10", "netobj_list_1_element_2"); empty for items the upgrade made.
    std::string oldId;
    // What a person knows it by: a rule's label or comment, an interface's name, a group's name, an
    // object's value.
    std::string label;
    // The setting name prefixes it was written as in the final file ("rule_proxy_3"); empty when
    // dropped (or not written yet: a conversion that stopped before postprocessing).
    std::vector<std::string> newIds;
    // One plain sentence per change or drop; the logged fault text where there is one.
    std::vector<std::string> reasons;
    std::vector<ItemField> fields;

    // The field of that name, or null.
    const ItemField* field(std::string_view name) const;
};

// How an old physical interface came to its partner.
enum class PairingMethod {
    Address,   // the same address on both firewalls
    Choice,    // chosen by a person (--pair, the prompt, the merge dialog)
    Unpaired,  // no partner: written as it was
};

// "address", "choice", "unpaired".
std::string_view pairingMethodKey(PairingMethod method);

struct PairRecord {
    // The old physical interface.
    std::string oldDevice, oldName, oldAddr, oldNetmask, oldLocation;
    bool oldNat = false;
    // Its partner on the new firewall; empty when unpaired.
    std::string newDevice, newName, newAddr, newNetmask, newLocation;
    bool newNat = false;
    PairingMethod method = PairingMethod::Unpaired;
    // True when another old physical interface has the same new partner.
    bool shared = false;
};
