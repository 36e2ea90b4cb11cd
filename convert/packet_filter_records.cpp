// The packet filter rules' records for the upgrade report (see packet_filter.h).
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "convert/packet_filter.h"

namespace {

using ServiceIndex = std::unordered_map<std::string_view, const PfService*>;

std::string portRange(const std::string& first, const std::string& last) {
    if (first.empty() && last.empty()) return {};
    return first + "-" + last;
}

bool isEditLine(const PfRule& rule) { return rule.settingPrefix.rfind("pfedit_", 0) == 0; }

// The services of one direction by object name, those of the rule's own tree first.
ServiceIndex indexServices(const PfLists& own, const PfLists& other) {
    ServiceIndex index;
    for (const PfLists* lists : {&own, &other}) {
        for (const PfService& service : lists->services) index.try_emplace(service.objectName, &service);
    }
    return index;
}

ItemRecord ruleRecord(const PfRule& rule, const PfService* service, bool forward, ItemOrigin origin) {
    ItemRecord item;
    item.kind = forward ? ItemKind::ForwardRule : ItemKind::LocalRule;
    item.origin = origin;
    item.outcome = ItemOutcome::Converted;
    item.oldId = rule.settingPrefix;
    // An edit line's own text is its comment; its label is made up from its name.
    item.label = isEditLine(rule) && service != nullptr && !service->comment.empty() ? service->comment : rule.label;
    item.fields = {
        {"action", rule.typeAsRead, rule.type},
        {"src", rule.srcText, rule.src},
        {"dst", rule.dstText, rule.dst},
        {"service", isEditLine(rule) ? std::string() : rule.service, rule.service},
    };
    if (rule.writtenAs > 0) item.newIds.push_back(rule.listName + "_" + std::to_string(rule.writtenAs));
    if (service == nullptr) return item;
    item.fields.push_back({"interface", service->interfaceAsRead, service->interface});
    const std::string srcport = portRange(service->srcport1, service->srcport2);
    const std::string dstport = portRange(service->dstport1, service->dstport2);
    item.fields.push_back({"srcport", srcport, srcport});
    item.fields.push_back({"dstport", dstport, dstport});
    // Every service is written with the rules.
    if (rule.writtenAs > 0) item.newIds.push_back(service->objectName);
    if (service->interface != service->interfaceAsRead) {
        item.outcome = ItemOutcome::Changed;
        item.reasons.push_back("The interface merge moved its service's interface from " + service->interfaceAsRead +
                               " to " + service->interface);
    }
    return item;
}

void appendDirection(const PfLists& oldLists, const PfLists& newLists, bool forward, std::vector<ItemRecord>& out) {
    auto serviceOf = [](const ServiceIndex& services, const PfRule& rule) -> const PfService* {
        const auto found = services.find(rule.service);
        return found != services.end() ? found->second : nullptr;
    };
    const ServiceIndex oldFirst = indexServices(oldLists, newLists);
    for (const PfRule& rule : oldLists.rules) {
        out.push_back(ruleRecord(rule, serviceOf(oldFirst, rule), forward, ItemOrigin::Old));
    }
    const ServiceIndex newFirst = indexServices(newLists, oldLists);
    for (const PfRule& rule : newLists.rules) {
        out.push_back(ruleRecord(rule, serviceOf(newFirst, rule), forward, ItemOrigin::New));
    }
}

}  // namespace

void PacketFilterConverter::appendRecords(std::vector<ItemRecord>& out) const {
    out.reserve(out.size() + lists.oldForward.rules.size() + lists.newForward.rules.size() +
                lists.oldLocal.rules.size() + lists.newLocal.rules.size());
    appendDirection(lists.oldForward, lists.newForward, true, out);
    appendDirection(lists.oldLocal, lists.newLocal, false, out);
}
