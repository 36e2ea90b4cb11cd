// The safety review's checks of rules: refusing rules dropped, sources and destinations widened to
// every address, invalid values carried over (see review_checks.h).
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "report/finding_text.h"
#include "report/review_checks.h"

namespace {

bool isFilterRule(ItemKind kind) {
    return kind == ItemKind::ProxyRule || kind == ItemKind::ForwardRule || kind == ItemKind::LocalRule;
}

bool isRule(ItemKind kind) { return isFilterRule(kind) || kind == ItemKind::NatRule || kind == ItemKind::InatRule; }

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// The value that went into the final file: the new one, or the old one while nothing was written.
const std::string& writtenValue(const ItemField& field) {
    return field.newValue.empty() ? field.oldValue : field.newValue;
}

// The first line of a record's first reason, as the end of a sentence.
std::string reasonClause(const ItemRecord& record) {
    if (record.reasons.empty()) return ".";
    std::string_view reason = record.reasons.front();
    reason = reason.substr(0, reason.find_first_of("\r\n"));
    reason = trimmed(reason);
    if (reason.empty()) return ".";
    std::string clause = ": " + std::string(reason);
    if (clause.back() != '.') clause += '.';
    return clause;
}

bool refusesTraffic(ItemKind kind, std::string_view action) {
    action = trimmed(action);
    if (kind == ItemKind::ProxyRule) return equalsIgnoringCase(action, "deny") || equalsIgnoringCase(action, "reject");
    return startsWithIgnoringCase(action, "deny") || startsWithIgnoringCase(action, "reject") ||
           startsWithIgnoringCase(action, "drop");
}

bool namesEveryAddress(const std::string& value, const ReviewFacts& facts) {
    return value == "net_pattern_any" || value == "net_ipnet_any" || value == "destination_group_PermitAll" ||
           facts.anyDestinationGroups.count(value) != 0;
}

std::string_view fieldWord(std::string_view field) {
    if (field == "src") return "source";
    if (field == "dst") return "destination";
    if (field == "srcport") return "source port range";
    if (field == "dstport") return "destination port range";
    if (field == "port") return "port range";
    if (field == "addr") return "address";
    return field;
}

// The actions each kind of rule knows; a value outside them is reported, never changed.
bool isKnownAction(ItemKind kind, std::string_view action) {
    auto oneOf = [&](std::initializer_list<std::string_view> known) {
        for (std::string_view k : known) {
            if (equalsIgnoringCase(action, k)) return true;
        }
        return false;
    };
    switch (kind) {
    case ItemKind::ProxyRule:
        return oneOf({"allow", "deny", "reject"});
    case ItemKind::ForwardRule:
    case ItemKind::LocalRule:
        return oneOf({"Permit", "Deny", "Reject", "Drop", "Fwd", "Fwd+Reply", "FilterAll-FSA"});
    case ItemKind::NatRule:
        return oneOf({"hide", "static", "dynamic", "illegal"});
    case ItemKind::InatRule:
        return oneOf({"illegal"});
    default:
        return true;
    }
}

std::string_view actionWord(ItemKind kind) {
    switch (kind) {
    case ItemKind::ProxyRule:
        return "proxy rule action";
    case ItemKind::NatRule:
    case ItemKind::InatRule:
        return "NAT rule type";
    default:
        return "packet filter rule type";
    }
}

bool readPort(std::string_view text, std::uint32_t& port) {
    if (text.empty() || text.size() > 9) return false;
    port = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        port = port * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return true;
}

// "FIRST-LAST" ports: reversed or above 65535. Texts of other forms are not judged.
void checkPortRange(std::string_view field, std::string_view value, std::vector<std::string>& problems) {
    value = trimmed(value);
    const std::size_t dash = value.find('-');
    if (dash == std::string_view::npos) return;
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    if (!readPort(trimmed(value.substr(0, dash)), first) || !readPort(trimmed(value.substr(dash + 1)), last)) return;
    const std::string subject = std::string(fieldWord(field)) + " " + std::string(value);
    if (first > 65535 || last > 65535) {
        problems.push_back(subject + " goes past port 65535");
    } else if (first > last) {
        problems.push_back(subject + " runs backwards");
    }
}

void checkAddress(std::string_view field, std::string_view value, std::vector<std::string>& problems) {
    const AddressText address = readAddressText(value);
    if (address.form == AddressForm::Invalid) problems.push_back(std::string(fieldWord(field)) + ": " + address.problem);
}

void checkNetmask(std::string_view value, std::vector<std::string>& problems) {
    if (trimmed(value).empty()) return;
    const AddressText mask = readAddressText(value);
    std::uint32_t bits = 0;
    if (mask.form == AddressForm::Invalid) {
        problems.push_back("netmask: " + mask.problem);
    } else if (readDottedQuad(trimmed(value), bits) && !isContiguousMask(bits)) {
        problems.push_back("netmask " + std::string(trimmed(value)) + " is not a contiguous mask");
    }
}

void checkRuleValues(const ItemRecord& record, std::vector<std::string>& problems) {
    for (const ItemField& field : record.fields) {
        const std::string& name = field.name;
        if (name == "src" || name == "dst" || name == "global" || name == "local" || name == "remote") {
            // The new value is an object's name; the address is the text it was made from.
            checkAddress(name, field.oldValue, problems);
        } else if (name == "srcport" || name == "dstport" || name == "port") {
            checkPortRange(name, writtenValue(field), problems);
        } else if (name == "action") {
            const std::string_view action = trimmed(writtenValue(field));
            if (!action.empty() && !isKnownAction(record.kind, action)) {
                problems.push_back(std::string(actionWord(record.kind)) + " " + std::string(action) + " is not a known one");
            }
        }
    }
}

void checkInterfaceValues(const ItemRecord& record, std::vector<std::string>& problems) {
    for (const ItemField& field : record.fields) {
        if (field.name == "addr") {
            checkAddress(field.name, writtenValue(field), problems);
        } else if (field.name == "netmask") {
            checkNetmask(writtenValue(field), problems);
        }
    }
}

}  // namespace

void findDroppedDenyRules(const UpgradeReport& report, std::vector<Finding>& out) {
    for (const ItemRecord& record : report.records) {
        if (record.outcome != ItemOutcome::Dropped || !isFilterRule(record.kind)) continue;
        const ItemField* action = record.field("action");
        if (action == nullptr) continue;
        const std::string& value = action->oldValue.empty() ? action->newValue : action->oldValue;
        if (!refusesTraffic(record.kind, value)) continue;
        out.push_back(makeFinding(Severity::High, "deny-rule-dropped",
                                  capitalised(itemText(record)) + ", which refused traffic (" +
                                      std::string(trimmed(value)) + "), was dropped" + reasonClause(record),
                                  recordSettings(record)));
    }
}

void findRulesThatBecameAny(const UpgradeReport& report, const ReviewFacts& facts, std::vector<Finding>& out) {
    for (const ItemRecord& record : report.records) {
        if (record.outcome == ItemOutcome::Dropped || !isFilterRule(record.kind)) continue;
        std::vector<std::string> clauses;
        for (const char* name : {"src", "dst"}) {
            const ItemField* field = record.field(name);
            if (field == nullptr || !namesEveryAddress(field->newValue, facts)) continue;
            if (field->oldValue == field->newValue) continue;
            const std::string& old = field->oldValue;
            if (!old.empty() && (namesEveryAddress(old, facts) || readAddressText(old).form == AddressForm::Any)) {
                continue;
            }
            const std::string word(fieldWord(name));
            const std::string before = old.empty() ? "had no " + word : "had the " + word + " " + old;
            clauses.push_back(before + " and now lets every " + word + " through (" + field->newValue + ")");
        }
        if (clauses.empty()) continue;
        std::string message = itemSubject(record) + " " + clauses.front();
        if (clauses.size() > 1) message += "; it also " + clauses[1];
        out.push_back(makeFinding(Severity::High, "became-any", message + ".", recordSettings(record)));
    }
}

void findInvalidValues(const UpgradeReport& report, std::vector<Finding>& out) {
    for (const ItemRecord& record : report.records) {
        if (record.outcome == ItemOutcome::Dropped) continue;
        std::vector<std::string> problems;
        if (isRule(record.kind)) {
            checkRuleValues(record, problems);
        } else if (record.kind == ItemKind::Interface || record.kind == ItemKind::InterfaceAlias) {
            checkInterfaceValues(record, problems);
        }
        if (problems.empty()) continue;
        std::string message = itemSubject(record) + " was written with ";
        message += problems.size() == 1 ? "a value that is not valid: " : "values that are not valid: ";
        for (std::size_t i = 0; i < problems.size(); ++i) message += (i > 0 ? "; " : "") + problems[i];
        out.push_back(makeFinding(Severity::Medium, "invalid-value", message + ".", recordSettings(record)));
    }
}
