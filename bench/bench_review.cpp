// The safety review over the final configuration of a large conversion.
//
//   bench_review [benchmark options]
//
// Set-up, once per size: the generated old configuration of bench_convert (OldConfigSize, scaled) is
// converted in memory with the sample script, as upgrade-cli convert does, which gives the new
// firewall's initial configuration and the final one (about 430,000 settings at the base size). The
// report is filled as the converters would fill it: one record per rule of the final configuration,
// with old address texts and the values written, one per old interface and alias, and the pairing of
// the old interfaces with the new ones by address. A share of the rules is made to trip the checks
// (widened to any, moved outside, an invalid value), and some references dangle, so that finding
// paths are measured too.
//
// BM_SafetyReview times reviewUpgrade alone. Counters: the final configuration's settings, the
// records, the findings, the mean wall time per 100,000 final settings (goal: well under 100 ms) and
// the best processor time of one review per 100,000 final settings (steadier on a busy machine).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/old_config_generator.h"
#include "conftree/conftree.h"
#include "report/safety_review.h"
#include "template/template_processor.h"

namespace {

const std::string kTemplate = std::string(PROJECT_SOURCE_DIR) + "/data/5xTo60.tpl";

// The processor time this thread has used, in seconds: other work on the machine blurs it less than
// the wall clock.
double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

std::ostream& quietLog() {
    static std::ostream quiet(nullptr);
    return quiet;
}

struct Subject {
    std::unique_ptr<ConfigTree> initial;
    std::unique_ptr<ConfigTree> final;
    UpgradeReport report;
    long settings = 0;
};

long countSettings(const Branch& branch) {
    long count = 0;
    std::vector<const Branch*> stack{&branch};
    while (!stack.empty()) {
        const Branch* b = stack.back();
        stack.pop_back();
        for (const Node* child : b->children()) {
            if (child->isLeaf()) {
                ++count;
            } else {
                stack.push_back(child->asBranch());
            }
        }
    }
    return count;
}

std::string leafValue(const Branch* branch, const char* name) {
    const Leaf* leaf = branch != nullptr ? branch->findLeaf(name) : nullptr;
    return leaf != nullptr ? leaf->value() : std::string();
}

const Branch* path(const Branch& tree, std::initializer_list<const char*> names) {
    const Branch* b = &tree;
    for (const char* name : names) {
        if (b == nullptr) return nullptr;
        b = b->findBranch(name);
    }
    return b;
}

std::string oldAddressText(int i) {
    return "10." + std::to_string(i % 200) + "." + std::to_string((i / 200) % 256) + ".0:255.255.255.0";
}

// Records as the converters would keep them for every rule of the final configuration.
void addRuleRecords(const Branch& final, const char* list, ItemKind kind, UpgradeReport& report) {
    const Branch* rules = path(final, {"rule", list});
    if (rules == nullptr) return;
    int i = 0;
    const bool nat = kind == ItemKind::NatRule || kind == ItemKind::InatRule;
    for (const Node* node : rules->children()) {
        const Branch* rule = node->asBranch();
        if (rule == nullptr) continue;
        ++i;
        const std::string prefix = std::string("rule_") + list + "_" + rule->name();
        ItemRecord record;
        record.kind = kind;
        record.outcome = i % 7 == 0 ? ItemOutcome::Changed : ItemOutcome::Converted;
        record.oldId = "rule_" + std::string(list) + "_old" + std::to_string(i);
        record.label = leafValue(rule, nat ? "protocols" : "label");
        record.newIds = {prefix};
        if (nat) {
            const std::string device = leafValue(rule, "network-interface");
            record.fields = {{"action", leafValue(rule, "rule-type"), leafValue(rule, "rule-type")},
                             {"global", "198.51.100." + std::to_string(i % 250), leafValue(rule, "global")},
                             {"local", oldAddressText(i), leafValue(rule, "local")},
                             {"interface", device, device},
                             {"port", "1024-65535", "1024-65535"}};
        } else {
            const std::string dst = leafValue(rule, kind == ItemKind::ProxyRule ? "dest" : "dst");
            record.fields = {{"action", leafValue(rule, kind == ItemKind::ProxyRule ? "action" : "type"),
                              leafValue(rule, kind == ItemKind::ProxyRule ? "action" : "type")},
                             {"src", oldAddressText(i), leafValue(rule, "src")},
                             {"dst", i % 3 == 0 ? std::string() : oldAddressText(i + 1), dst},
                             {"service", leafValue(rule, "service"), leafValue(rule, "service")}};
            if (kind != ItemKind::ProxyRule) {
                record.fields.push_back({"interface", "eth" + std::to_string(i % 5), "eth" + std::to_string(i % 7)});
                record.fields.push_back({"srcport", "1024-65535", "1024-65535"});
                record.fields.push_back({"dstport", i % 997 == 0 ? "90-80" : "80-80", i % 997 == 0 ? "90-80" : "80-80"});
            }
        }
        report.records.push_back(std::move(record));
    }
}

// The old interfaces (from the old tree) paired by address with the new ones (the initial list).
void addInterfaces(const Branch& oldTree, const Branch& initial, UpgradeReport& report) {
    std::map<std::string, const Branch*> newByAddr;
    if (const Branch* elements = path(initial, {"netobj", "list", "Outside", "element"})) {
        for (const Node* node : elements->children()) {
            if (const Branch* e = node->asBranch()) newByAddr.emplace(leafValue(e, "addr"), e);
        }
    }
    const Branch* lists = path(oldTree, {"netobj", "list"});
    if (lists == nullptr) return;
    for (const Node* node : lists->children()) {
        const Branch* list = node->asBranch();
        const Branch* elements = list != nullptr ? list->findBranch("element") : nullptr;
        if (elements == nullptr) continue;
        const bool physical = leafValue(list, "name") == "all_interfaces";
        for (const Node* child : elements->children()) {
            const Branch* e = child->asBranch();
            if (e == nullptr) continue;
            const std::string addr = leafValue(e, "addr");
            auto partner = newByAddr.find(addr);
            const Branch* n = partner != newByAddr.end() ? partner->second : nullptr;
            ItemRecord record;
            record.kind = physical ? ItemKind::Interface : ItemKind::InterfaceAlias;
            record.oldId = "netobj_list_" + list->name() + "_element_" + e->name();
            record.label = leafValue(e, "name");
            record.fields = {{"interface", leafValue(e, "interface"), leafValue(n, "interface")},
                             {"addr", addr, addr},
                             {"netmask", leafValue(e, "netmask"), leafValue(e, "netmask")},
                             {"location", leafValue(e, "location"), leafValue(n, "location")},
                             {"nat", leafValue(e, "nat"), leafValue(e, "nat")}};
            report.records.push_back(std::move(record));
            if (!physical) continue;
            PairRecord pair;
            pair.oldDevice = leafValue(e, "interface");
            pair.oldName = leafValue(e, "name");
            pair.oldAddr = addr;
            pair.oldNetmask = leafValue(e, "netmask");
            pair.oldLocation = leafValue(e, "location");
            pair.oldNat = leafValue(e, "nat") == "on";
            if (n != nullptr) {
                pair.newDevice = leafValue(n, "interface");
                pair.newName = leafValue(n, "name");
                pair.newAddr = leafValue(n, "addr");
                pair.newNetmask = leafValue(n, "netmask");
                pair.newLocation = leafValue(n, "location");
                pair.method = PairingMethod::Address;
            }
            report.pairing.push_back(std::move(pair));
        }
    }
}

const Subject& subjectFor(int scale) {
    static std::map<int, Subject> made;
    auto found = made.find(scale);
    if (found != made.end()) return found->second;

    const OldConfigSize size = OldConfigSize{}.scaled(scale);
    std::stringstream oldText;
    std::stringstream newText;
    writeOldConfig(oldText, size, 1);
    writeNewConfig(newText, size);

    Subject subject;
    auto oldTree = std::make_unique<ConfigTree>(quietLog());
    subject.final = std::make_unique<ConfigTree>(quietLog());
    subject.initial = std::make_unique<ConfigTree>(quietLog());
    (void)oldTree->load(oldText, "old.conf");
    ConfigTree oldCopy(quietLog());
    oldText.clear();
    oldText.seekg(0);
    (void)oldCopy.load(oldText, "old.conf");
    (void)subject.final->load(newText, "init.conf");
    newText.clear();
    newText.seekg(0);
    (void)subject.initial->load(newText, "init.conf");

    std::ostringstream warnings;
    TemplateProcessor processor(quietLog(), warnings, kTemplate, "./");
    const bool ok = processor.runPreprocess(*oldTree) && processor.runMerge(*oldTree, *subject.final);
    subject.final->absorb(*oldTree);
    if (!ok || !processor.runPostprocess(*subject.final)) subject.settings = -1;

    // Some references that dangle.
    for (int i = 1; i <= 50; ++i) {
        const std::string line = "rule_pffwd_" + std::to_string(i * 17) + "_src=net_ipaddr_gone-" + std::to_string(i);
        std::unique_ptr<Node> chain = parseLine(line);
        if (chain) subject.final->mergeNode(std::move(chain), true);
    }

    addInterfaces(oldCopy, *subject.initial, subject.report);
    addRuleRecords(*subject.final, "proxy", ItemKind::ProxyRule, subject.report);
    addRuleRecords(*subject.final, "pffwd", ItemKind::ForwardRule, subject.report);
    addRuleRecords(*subject.final, "pflcl", ItemKind::LocalRule, subject.report);
    addRuleRecords(*subject.final, "natrule", ItemKind::NatRule, subject.report);
    addRuleRecords(*subject.final, "inatrule", ItemKind::InatRule, subject.report);
    subject.report.templatePath = kTemplate;
    if (subject.settings == 0) subject.settings = countSettings(*subject.final);
    return made.emplace(scale, std::move(subject)).first->second;
}

void BM_SafetyReview(benchmark::State& state) {
    const Subject& subject = subjectFor(static_cast<int>(state.range(0)));
    if (subject.settings < 0) {
        state.SkipWithError("the conversion failed");
        return;
    }
    UpgradeReport report = subject.report;
    ReviewInputs inputs;
    inputs.newInitial = subject.initial.get();
    inputs.finalTree = subject.final.get();
    inputs.scriptDeclaresSample = true;
    std::size_t findings = 0;
    double seconds = 0;
    double bestProcessorSeconds = 1e9;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double processorStart = threadSeconds();
        reviewUpgrade(report, inputs);
        bestProcessorSeconds = std::min(bestProcessorSeconds, threadSeconds() - processorStart);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        findings = report.findings.size();
        report.findings.clear();
        state.ResumeTiming();
    }
    state.counters["final_settings"] = static_cast<double>(subject.settings);
    state.counters["records"] = static_cast<double>(subject.report.records.size());
    state.counters["findings"] = static_cast<double>(findings);
    const double per100k = 1e5 / static_cast<double>(subject.settings);
    state.counters["ms_per_100k_settings"] = seconds * 1e3 / static_cast<double>(state.iterations()) * per100k;
    state.counters["best_cpu_ms_per_100k"] = bestProcessorSeconds * 1e3 * per100k;
}
BENCHMARK(BM_SafetyReview)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
