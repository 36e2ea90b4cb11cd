// The packet filter rules' records for the upgrade report (see packet_filter.h).
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "convert/packet_filter.h"
#include "convert/text_fields.h"

namespace {

using ServiceIndex = std::unordered_map<std::string_view, const PfService*>;

std::string portRange(const std::string& first, const std::string& last) {
    if (first.empty() && last.empty()) return {};
    return joinText({first, "-", last});
}

// Where the rule was read: "pfedit_fwd_rule10" for an edit line, "rule_pffwd_3" for a rule.
std::string readFrom(const PfRule& rule, bool forward) {
    if (rule.editLine) return joinText({forward ? "pfedit_fwd_" : "pfedit_lcl_", rule.readAs});
    return joinText({rule.listName, "_", rule.readAs});
}

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
    item.oldId = readFrom(rule, forward);
    // An edit line's own text is its comment; its label is made up from its name.
    item.label = rule.editLine && service != nullptr && !service->comment.empty() ? service->comment : rule.label;
    item.fields.reserve(7);
    item.fields.push_back({"action", rule.typeAsRead, rule.type});
    item.fields.push_back({"src", rule.srcText, rule.src});
    item.fields.push_back({"dst", rule.dstText, rule.dst});
    item.fields.push_back({"service", rule.editLine ? std::string() : rule.service, rule.service});
    if (rule.writtenAs > 0) {
        item.newIds.reserve(service != nullptr ? 2 : 1);
        item.newIds.push_back(joinText({rule.listName, "_", std::to_string(rule.writtenAs)}));
    }
    if (service == nullptr) return item;
    item.fields.push_back({"interface", service->interfaceAsRead, service->interface});
    std::string srcport = portRange(service->srcport1, service->srcport2);
    std::string dstport = portRange(service->dstport1, service->dstport2);
    item.fields.push_back({"srcport", srcport, std::move(srcport)});
    item.fields.push_back({"dstport", dstport, std::move(dstport)});
    // Every service is written with the rules.
    if (rule.writtenAs > 0) item.newIds.push_back(service->objectName);
    if (service->interface != service->interfaceAsRead) {
        item.outcome = ItemOutcome::Changed;
        item.reasons.push_back(joinText({"The interface merge moved its service's interface from ",
                                         service->interfaceAsRead, " to ", service->interface}));
    }
    return item;
}

// The rules of one tree and direction; a rule's service is looked up among the services of its own
// tree first. An edit line knows its own service; the index is made only for the other rules.
void appendRules(const PfLists& own, const PfLists& other, bool forward, ItemOrigin origin,
                 std::vector<ItemRecord>& out) {
    ServiceIndex services;
    bool indexed = false;
    for (const PfRule& rule : own.rules) {
        const PfService* service = nullptr;
        if (rule.ownService >= 0 && static_cast<std::size_t>(rule.ownService) < own.services.size() &&
            own.services[static_cast<std::size_t>(rule.ownService)].objectName == rule.service) {
            service = &own.services[static_cast<std::size_t>(rule.ownService)];
        } else {
            if (!indexed) {
                services = indexServices(own, other);
                indexed = true;
            }
            const auto found = services.find(rule.service);
            if (found != services.end()) service = found->second;
        }
        out.push_back(ruleRecord(rule, service, forward, origin));
    }
}

}  // namespace

void PacketFilterConverter::appendRecords(std::vector<ItemRecord>& out) const {
    out.reserve(out.size() + lists.oldForward.rules.size() + lists.newForward.rules.size() +
                lists.oldLocal.rules.size() + lists.newLocal.rules.size());
    appendRules(lists.oldForward, lists.newForward, true, ItemOrigin::Old, out);
    appendRules(lists.newForward, lists.oldForward, true, ItemOrigin::New, out);
    appendRules(lists.oldLocal, lists.newLocal, false, ItemOrigin::Old, out);
    appendRules(lists.newLocal, lists.oldLocal, false, ItemOrigin::New, out);
}
