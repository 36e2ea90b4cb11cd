// Large upgrade reports (see report_generator.h).
#include "bench/report_generator.h"

#include <array>
#include <random>
#include <string>
#include <utility>

namespace {

// The share of each kind among the records, in ItemKind order (per thousand).
constexpr std::array<int, kItemKindCount> kKindShare = {10, 20, 100, 2, 48, 480, 100, 20, 160, 60};

constexpr std::array<const char*, 8> kLabels = {
    "web out", "Mail relay", "ssh from admin net", "dns forwarder", "M\xc3\xbcnchen office",
    "\xe6\x9d\xb1\xe4\xba\xac branch", "block <telnet> & rsh", "legacy \xff\xfe backup",
};

// An address as a network object's name has it: dots become dashes.
std::string dashed(std::string address) {
    for (char& c : address) {
        if (c == '.') c = '-';
    }
    return address;
}

// The old setting prefix of a rule of the kind, and the new one.
std::pair<const char*, const char*> rulePrefixes(ItemKind kind) {
    switch (kind) {
    case ItemKind::ServiceGroup:
        return {"service_group_", "service_group_"};
    case ItemKind::NatRule:
        return {"rule_natrule_", "rule_natrule_"};
    case ItemKind::InatRule:
        return {"rule_inatrule_", "rule_inatrule_"};
    case ItemKind::ForwardRule:
        return {"pfedit_fwd_rule", "rule_pffwd_"};
    case ItemKind::LocalRule:
        return {"pfedit_lcl_rule", "rule_pflcl_"};
    default:
        return {"rule_proxy_", "rule_proxy_"};
    }
}

class Generator {
public:
    explicit Generator(std::uint64_t seed) : random_(seed) {}

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    std::string address() {
        return std::to_string(10 + below(3)) + "." + std::to_string(below(256)) + "." + std::to_string(below(256)) +
               ".0";
    }

    ItemKind kind() {
        int pick = below(1000);
        for (int i = 0; i < kItemKindCount; ++i) {
            pick -= kKindShare[static_cast<std::size_t>(i)];
            if (pick < 0) return static_cast<ItemKind>(i);
        }
        return ItemKind::ProxyRule;
    }

    ItemRecord record(int index) {
        ItemRecord r;
        r.kind = kind();
        const int roll = below(100);
        r.outcome = roll < 85 ? ItemOutcome::Converted : roll < 95 ? ItemOutcome::Changed : ItemOutcome::Dropped;
        const std::string n = std::to_string(index + 1);
        switch (r.kind) {
        case ItemKind::Interface:
        case ItemKind::InterfaceAlias:
            r.oldId = "netobj_list_" + std::to_string(1 + index % 40) + "_element_" + n;
            r.label = "if-" + n;
            r.newIds = {"netobj_list_Outside_element_" + n};
            r.fields = {{"interface", "eth" + std::to_string(index % 200), "eth" + std::to_string(index % 200)},
                        {"addr", address(), address()},
                        {"netmask", "255.255.255.0", "255.255.255.0"}};
            break;
        case ItemKind::NetObject:
        case ItemKind::DestinationGroup:
            r.outcome = ItemOutcome::Created;
            r.origin = ItemOrigin::Upgrade;
            r.label = address() + ":255.255.255.0";
            r.newIds = {(r.kind == ItemKind::NetObject ? "net_ipnet_" : "destination_group_") + n};
            r.fields = {{"value", "", r.label}};
            break;
        default: {
            const std::string from = address();
            const std::string to = address();
            const auto [oldPrefix, newPrefix] = rulePrefixes(r.kind);
            r.oldId = oldPrefix + n;
            r.label = kLabels[static_cast<std::size_t>(below(static_cast<int>(kLabels.size())))];
            r.newIds = {newPrefix + n};
            r.fields = {{"action", below(10) == 0 ? "deny" : "allow", below(10) == 0 ? "deny" : "allow"},
                        {"src", from + ":255.255.255.0", "net_ipnet_" + dashed(from)},
                        {"dst", to + ":255.255.255.0", "net_ipnet_" + dashed(to)},
                        {"service", "service_group_Web", "service_group_Web"},
                        {"interface", "eth1", "eth" + std::to_string(below(4))},
                        {"dstport", "80-80", "80-80"}};
            break;
        }
        }
        if (r.outcome == ItemOutcome::Changed) {
            r.reasons = {"Its interface eth1 was paired with eth" + std::to_string(below(4)) +
                         " of the new firewall; the rule now names that device."};
        } else if (r.outcome == ItemOutcome::Dropped) {
            r.newIds.clear();
            r.reasons = {"Its service group service_group_Legacy" + n + " is not defined."};
        }
        return r;
    }

private:
    std::mt19937_64 random_;
};

}  // namespace

UpgradeReport generateReport(const ReportSize& size, std::uint64_t seed) {
    Generator generator(seed);
    UpgradeReport report;
    report.stage = "final";
    report.templatePath = "data/5xTo60.tpl";
    report.templateSha256 = std::string(64, 'a');
    report.records.reserve(static_cast<std::size_t>(size.records));
    for (int i = 0; i < size.records; ++i) report.records.push_back(generator.record(i));

    for (int i = 0; i < size.interfaces; ++i) {
        PairRecord p;
        p.oldDevice = "eth" + std::to_string(i);
        p.oldName = "if-" + std::to_string(i);
        p.oldAddr = generator.address();
        p.oldNetmask = "255.255.255.0";
        p.oldLocation = i == 0 ? "outside" : "inside";
        p.oldNat = i == 0;
        if (i % 25 != 24) {
            p.newDevice = "eth" + std::to_string(i % 150);
            p.newName = "new-" + std::to_string(i % 150);
            p.newAddr = p.oldAddr;
            p.newNetmask = p.oldNetmask;
            p.newLocation = p.oldLocation;
            p.newNat = p.oldNat;
            p.method = i % 3 == 0 ? PairingMethod::Choice : PairingMethod::Address;
            p.shared = i >= 150;
        }
        report.pairing.push_back(std::move(p));
    }

    const int high = size.findings / 50;
    const int medium = size.findings / 10;
    for (int i = 0; i < size.findings; ++i) {
        Finding f;
        f.severity = i < high ? Severity::High : i < high + medium ? Severity::Medium : Severity::Info;
        f.code = f.severity == Severity::High ? "deny-rule-dropped" : f.severity == Severity::Medium ? "re-addressed"
                                                                                                     : "settings-changed";
        const std::string n = std::to_string(i + 1);
        f.message = "The deny rule rule_proxy_" + n + " \"block <telnet> & rsh\" was dropped.";
        f.settings = {"rule_proxy_" + n, "rule_proxy_" + n + "_service"};
        report.findings.push_back(std::move(f));
    }

    for (int i = 0; i < size.scriptLines; ++i) {
        ScriptLineRecord line;
        line.line = 3 + i * 2;
        line.section = i < size.scriptLines / 2 ? "[PREPROCESS]" : "[POSTPROCESS]";
        line.verb = i % 40 == 39 ? "frobnicate" : "rename_branch";
        line.known = i % 40 != 39;
        line.arguments = "rule_proxy_*_old rule_proxy_*_new";
        line.matches = generator.below(500);
        line.changed = line.known ? line.matches : 0;
        report.scriptLines.push_back(std::move(line));
    }

    static constexpr std::array<const char*, 5> kBranches = {"system", "lpf-serv", "fpf-serv", "netobj", "rule"};
    for (int i = 0; i < size.settingsChanged; ++i) {
        SettingChange change;
        change.branch = kBranches[static_cast<std::size_t>(i) % kBranches.size()];
        change.setting = change.branch + "_setting_" + std::to_string(i);
        change.oldValue = "initial " + std::to_string(i);
        change.removed = i % 7 == 0;
        if (!change.removed) change.newValue = "final " + std::to_string(i);
        report.newSettingsChanged.push_back(std::move(change));
    }
    return report;
}
