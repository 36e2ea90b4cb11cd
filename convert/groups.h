// Service groups and destination groups.
//
// Proxy rules refer to a service group, whose authentication settings decide the rule's
// authentication object, and to a destination group, in the new configuration a list of permitted or
// denied destination objects. The converter reads the old service groups and the old per-service
// destination records, builds the new destination groups from the records, and writes both kinds of
// group into the merged tree.
//
// Ownership: the converter owns its records; the object list, trees and context are the caller's.
// Threads: one thread at a time.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "convert/item_records.h"

class ConfigTree;
class ConverterContext;
class NetObjectList;

// Name and description of the service group that lists every proxy configuration set.
inline constexpr const char* kAllServiceGroupsName = "AllServiceGroupsFromUpgrade6.0";
inline constexpr const char* kAllServiceGroupsDesc = "Group containing all services defined at time of Upgrade";

struct ServiceGroup {
    std::string name;          // the component after "service_group_"
    std::string objectName;    // "service_group_" + name
    std::string authenticate;  // leaf authenticate; empty when absent
    std::string authserver;
    std::string desc;
    std::string passwordMode = "deny-password";  // "permit-password" when that leaf is present
    std::vector<std::string> elements;           // members in tree order
    std::string authObject;                      // "" / "auth_obj_normal" / "auth_obj_change"
    bool madeByUpgrade = false;                  // the all-sets group, not read from the old tree
};

// One old destination record: a destination that the proxy rules of one service may or may not reach.
struct DestinationRecord {
    std::string dest;       // an address text
    bool permit = false;    // leaf pd is "P"
    std::string service;    // the rule label of the proxy rules it applies to
    std::string groupName;  // set when the groups are built: "destination_group_" + group name
    std::string branchName;  // where it was read: "7", of "destination_group_7"
};

struct DestinationObject {
    bool permit = false;  // written as "Permit" or "Deny"
    std::string addr;     // a network address object name
};

struct DestinationGroup {
    std::string key;  // the service it was built for; empty for DenyAll and PermitAll
    std::string
        name;  // "Permit"/"Deny" + service (made unique, no '_' or '='); tree object "destination_group_" + name
    std::string desc;
    std::vector<DestinationObject> objects;
};

class GroupConverter {
public:
    std::vector<ServiceGroup> serviceGroups;            // reading order; the all-sets group last
    std::vector<DestinationRecord> destinationRecords;  // old destination records, tree order
    std::vector<DestinationGroup> destinationGroups;    // DenyAll, PermitAll, then built groups

    // Reads the old service groups, then the group of every proxy configuration set (parseSvcGroups).
    void parseServiceGroups(ConverterContext& context, ConfigTree& oldTree);
    // Reads the old destination records (parseDestGroups).
    void parseDestinationRecords(ConverterContext& context, ConfigTree& oldTree);
    // Builds the destination groups from the records, one per service, making the objects of their
    // addresses in objects (convertDestGroups).
    void convertDestinationGroups(NetObjectList& objects);
    void saveServiceGroups(ConverterContext& context, ConfigTree& tree);      // saveServiceGroups
    void saveDestinationGroups(ConverterContext& context, ConfigTree& tree);  // saveDestGroups

    // Appends one record per service group and per destination group (item_records.h); a group has
    // its new name once a save has written it (group_records.cpp).
    void appendRecords(std::vector<ItemRecord>& out) const;

private:
    std::size_t serviceGroupsSaved_ = 0;      // groups at the head of serviceGroups a save has written
    std::size_t destinationGroupsSaved_ = 0;  // the same for destinationGroups
};
