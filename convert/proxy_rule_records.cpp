// The proxy rules' records for the upgrade report (see proxy_rules.h).
#include <string>
#include <string_view>
#include <vector>

#include "convert/proxy_rules.h"
#include "convert/text_fields.h"

namespace {

constexpr const char* kDenyAll = "destination_group_DenyAll";
constexpr const char* kPermitAll = "destination_group_PermitAll";

ItemRecord ruleRecord(const ProxyRule& rule, std::string_view srcBeforeScript, std::string_view destBeforeScript) {
    ItemRecord item;
    item.kind = ItemKind::ProxyRule;
    item.origin = ItemOrigin::Old;
    item.outcome = ItemOutcome::Converted;
    item.oldId = joinText({"rule_proxy_", rule.branchName});
    item.label = rule.rulelabel;
    item.fields.reserve(5);
    item.fields.push_back({"action", rule.action, rule.action});
    item.fields.push_back({"src", std::string(srcBeforeScript), rule.src});
    item.fields.push_back({"dst", std::string(destBeforeScript), rule.dest});
    item.fields.push_back({"service", rule.service, rule.service});
    item.fields.push_back({"auth", rule.authAsRead, rule.auth});
    return item;
}

std::string missingValues(const ProxyRule& rule) {
    std::string missing;
    auto note = [&missing](const std::string& value, const char* name) {
        if (!value.empty()) return;
        if (!missing.empty()) missing += ", ";
        missing += name;
    };
    note(rule.rulelabel, "rulelabel");
    note(rule.action, "action");
    note(rule.src, "src");
    note(rule.dest, "dest");
    note(rule.service, "service");
    return missing;
}

}  // namespace

void ProxyRuleConverter::appendRecords(std::vector<ItemRecord>& out) const {
    out.reserve(out.size() + rules.size() + dropped.size());
    for (const ProxyRule& rule : rules) {
        ItemRecord item = ruleRecord(rule, srcBeforeScript(rule), destBeforeScript(rule));
        if (rule.writtenAs > 0) item.newIds.push_back(joinText({"rule_proxy_", std::to_string(rule.writtenAs)}));
        if (rule.destFilledIn) {
            item.outcome = ItemOutcome::Changed;
            constexpr std::string_view kTakes = "No destination: takes destination group ";
            if (rule.dest == kPermitAll) {
                item.reasons.push_back(joinText({kTakes, rule.dest, ", which permits any destination"}));
            } else if (rule.dest == kDenyAll) {
                item.reasons.push_back(joinText({kTakes, rule.dest, ", which denies every destination"}));
            } else {
                item.reasons.push_back(
                    joinText({kTakes, rule.dest, ", built from the destination records of service ", rule.rulelabel}));
            }
        }
        if (rule.auth != rule.authAsRead) {
            item.outcome = ItemOutcome::Changed;
            if (rule.auth.empty()) {
                item.reasons.push_back(joinText({"Authentication ", rule.authAsRead, " removed: service group ",
                                                 rule.service, " asks for no authentication"}));
            } else if (rule.authAsRead.empty()) {
                item.reasons.push_back(
                    joinText({"Authentication ", rule.auth, " taken from service group ", rule.service}));
            } else {
                item.reasons.push_back(joinText({"Authentication ", rule.authAsRead, " replaced by ", rule.auth,
                                                 " from service group ", rule.service}));
            }
        }
        out.push_back(std::move(item));
    }
    for (const ProxyRule& rule : dropped) {
        ItemRecord item = ruleRecord(rule, srcBeforeScript(rule), destBeforeScript(rule));
        item.outcome = ItemOutcome::Dropped;
        for (ItemField& field : item.fields) field.newValue.clear();
        item.reasons.push_back("Unable to convert rule - critical values missing");
        item.reasons.push_back("Missing: " + missingValues(rule));
        out.push_back(std::move(item));
    }
}
