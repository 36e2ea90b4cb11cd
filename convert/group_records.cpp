// The service and destination groups' records for the upgrade report (see groups.h).
#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "convert/groups.h"

namespace {

constexpr const char* kDestinationPrefix = "destination_group_";

std::string recordsText(std::size_t n) {
    return std::to_string(n) + (n == 1 ? " destination record" : " destination records");
}

ItemRecord serviceGroupRecord(const ServiceGroup& group, bool saved) {
    ItemRecord item;
    item.kind = ItemKind::ServiceGroup;
    item.label = group.name;
    if (group.madeByUpgrade) {
        item.origin = ItemOrigin::Upgrade;
        item.outcome = ItemOutcome::Created;
        item.reasons.push_back("Lists the " + std::to_string(group.elements.size()) +
                               " proxy configuration sets of the old firewall");
        if (saved) item.newIds.push_back(group.objectName);
        return item;
    }
    item.origin = ItemOrigin::Old;
    item.oldId = group.objectName;
    // Only the description and the members are written: nothing of a group without either is.
    if (group.desc.empty() && group.elements.empty()) {
        item.outcome = ItemOutcome::Dropped;
        item.reasons.push_back("Not written: the group has no description and no members");
        return item;
    }
    item.outcome = ItemOutcome::Converted;
    if (saved) item.newIds.push_back(group.objectName);
    if (!group.authenticate.empty() || !group.authserver.empty()) {
        item.outcome = ItemOutcome::Changed;
        std::string reason = "Its authentication settings (authenticate " + group.authenticate;
        if (!group.authserver.empty()) reason += ", authserver " + group.authserver;
        reason += ") are not written with the group; its proxy rules take the authentication object " +
                  (group.authObject.empty() ? std::string("(none)") : group.authObject) + " instead";
        item.reasons.push_back(std::move(reason));
    }
    return item;
}

}  // namespace

void GroupConverter::appendRecords(std::vector<ItemRecord>& out) const {
    for (std::size_t i = 0; i < serviceGroups.size(); ++i) {
        out.push_back(serviceGroupRecord(serviceGroups[i], i < serviceGroupsSaved_));
    }

    // The records each group was built from, and the first of them: the group's old identity.
    struct Sources {
        std::size_t count = 0;
        const DestinationRecord* first = nullptr;
    };
    std::unordered_map<std::string, Sources> sources;
    for (const DestinationRecord& record : destinationRecords) {
        if (record.groupName.empty()) continue;  // the groups are not built yet
        Sources& from = sources[record.groupName];
        if (from.first == nullptr) from.first = &record;
        ++from.count;
    }

    for (std::size_t i = 0; i < destinationGroups.size(); ++i) {
        const DestinationGroup& group = destinationGroups[i];
        const std::string objectName = kDestinationPrefix + group.name;
        ItemRecord item;
        item.kind = ItemKind::DestinationGroup;
        item.label = group.key.empty() ? group.name : group.key;
        if (i < destinationGroupsSaved_) item.newIds.push_back(objectName);
        const auto found = sources.find(objectName);
        const Sources* from = found != sources.end() ? &found->second : nullptr;
        if (group.key.empty()) {
            // DenyAll and PermitAll; the records without a service join the first of them.
            item.origin = ItemOrigin::Upgrade;
            item.outcome = ItemOutcome::Created;
            item.reasons.push_back(group.desc);
            if (from != nullptr) {
                item.reasons.push_back("Also holds the entries of " + recordsText(from->count) +
                                       " without a service, the first " + kDestinationPrefix + from->first->branchName);
            }
        } else {
            item.origin = ItemOrigin::Old;
            item.outcome = ItemOutcome::Converted;
            if (from != nullptr) {
                item.oldId = kDestinationPrefix + from->first->branchName;
                item.reasons.push_back("Built from " + recordsText(from->count) + " of service " + group.key);
            }
        }
        std::size_t empty = 0;
        for (const DestinationObject& object : group.objects) {
            if (object.addr.empty()) ++empty;
        }
        if (empty != 0) {
            item.outcome = item.outcome == ItemOutcome::Created ? ItemOutcome::Created : ItemOutcome::Changed;
            item.reasons.push_back(std::to_string(empty) + (empty == 1 ? " entry has" : " entries have") +
                                   " no destination address: the destination is written empty");
        }
        out.push_back(std::move(item));
    }
}
