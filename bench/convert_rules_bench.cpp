// Converters on large old configurations: each benchmark reads the records of one converter family
// from a generated old tree and writes them into an empty merged tree. The argument is the number of
// rules (destination records, edit lines, NAT rules); the 4x arguments show how the cost grows.
//
// Old rule numbers are given in a shuffled order with repeats, so the ordering by old number does
// real work and meets equal numbers.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "conftree/config_tree.h"
#include "conftree/parse.h"
#include "template/template_processor.h"

namespace {

void add(ConfigTree& tree, const std::string& line) {
    if (auto chain = parseLine(line)) tree.mergeNode(std::move(chain), false);
}

std::string ip(int a, int b) { return "10." + std::to_string(a % 250) + "." + std::to_string(b % 250) + ".1"; }

// Old numbers 1..n in a shuffled order, about one in ten repeated.
std::vector<int> oldNumbers(int n) {
    std::vector<int> numbers(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) numbers[static_cast<std::size_t>(i)] = i + 1;
    std::mt19937 random(7);
    std::shuffle(numbers.begin(), numbers.end(), random);
    for (int i = 0; i < n; i += 10) numbers[static_cast<std::size_t>(i)] = numbers[static_cast<std::size_t>(i / 2)];
    return numbers;
}

std::unique_ptr<TemplateProcessor> makeProcessor(std::ostream& log) {
    return std::make_unique<TemplateProcessor>(log, log, std::make_unique<std::istringstream>(""), "bench.tpl", "./");
}

void fillGroups(ConfigTree& tree, int records) {
    for (int g = 0; g < 50; ++g) {
        const std::string p = "service_group_svc" + std::to_string(g) + "_";
        add(tree, p + "authenticate=" + (g % 2 ? "yes" : ""));
        for (int e = 1; e <= 4; ++e) add(tree, p + "elem_" + std::to_string(e) + "_obj=def_proxy_http_config-sets_s" + std::to_string(e));
    }
    for (int s = 0; s < 20; ++s) add(tree, "def_proxy_http_config-sets_s" + std::to_string(s) + "_timeout=30");
    for (int r = 1; r <= records; ++r) {
        const std::string p = "destination_group_" + std::to_string(r) + "_";
        add(tree, p + "dest=" + ip(r, r / 250) + (r % 3 ? "" : ":255.255.255.0"));
        add(tree, p + std::string("pd=") + (r % 2 ? "P" : "D"));
        add(tree, p + "service=label" + std::to_string(r % (records / 4 + 1)));
    }
}

void BM_DestinationGroups(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::ostringstream log;
    ConfigTree old(log);
    fillGroups(old, n);
    for (auto _ : state) {
        std::ostringstream runLog;
        auto processor = makeProcessor(runLog);
        ConfigTree merged(runLog);
        processor->parseSvcGroups(old);
        processor->parseDestGroups(old);
        processor->convertDestGroups();
        processor->saveServiceGroups(merged);
        processor->saveDestGroups(merged);
        processor->saveNetObjects(merged);
        benchmark::DoNotOptimize(merged.children().size());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_ProxyRules(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::ostringstream log;
    ConfigTree old(log);
    fillGroups(old, n / 5);
    const std::vector<int> numbers = oldNumbers(n);
    for (int i = 0; i < n; ++i) {
        const std::string p = "rule_proxy_" + std::to_string(numbers[static_cast<std::size_t>(i)]) + "_";
        add(old, p + "action=allow");
        add(old, p + "rulelabel=label" + std::to_string(i % (n / 20 + 1)));
        add(old, p + "service=service_group_svc" + std::to_string(i % 60));
        if (i % 7 != 0) add(old, p + "src=net_pattern_any");
        if (i % 3 == 0) add(old, p + "loglevel_number=2");
    }
    for (auto _ : state) {
        std::ostringstream runLog;
        auto processor = makeProcessor(runLog);
        ConfigTree merged(runLog);
        processor->parseSvcGroups(old);
        processor->parseDestGroups(old);
        processor->convertDestGroups();
        processor->parseProxyRules(old);
        processor->saveProxyRules(merged);
        benchmark::DoNotOptimize(merged.children().size());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_PacketFilterRules(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::ostringstream log;
    ConfigTree old(log);
    ConfigTree fresh(log);
    const std::vector<int> numbers = oldNumbers(n);
    for (int i = 0; i < n; ++i) {
        const std::string dir = i % 2 ? "fwd" : "lcl";
        add(old, "pfedit_" + dir + "_rule" + std::to_string(numbers[static_cast<std::size_t>(i)]) + "=" +
                     (i % 3 ? "Permit" : "FilterAll-FSA") + "+eth" + std::to_string(i % 4) + "+tcp" +
                     (i % 5 ? "" : ":!syn:&ack") + "+1024-65535+" + ip(i, i / 250) + "+255.255.255.0+80-80+" +
                     ip(i / 7, i) + "+255.255.255.255+rule " + std::to_string(i));
    }
    for (int i = 1; i <= 200; ++i) {
        add(fresh, "rule_pffwd_" + std::to_string(i) + "_type=Permit");
        add(fresh, "rule_pffwd_" + std::to_string(i) + "_service=fpf-serv_s" + std::to_string(i));
        add(fresh, "fpf-serv_s" + std::to_string(i) + "_proto=tcp");
    }
    for (auto _ : state) {
        std::ostringstream runLog;
        auto processor = makeProcessor(runLog);
        ConfigTree merged(runLog);
        processor->parseOldTreePfRules(old);
        processor->parseNewTreePfRules(fresh);
        processor->savePfRules(merged);
        processor->saveNetObjects(merged);
        benchmark::DoNotOptimize(merged.children().size());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_NatRules(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::ostringstream log;
    ConfigTree old(log);
    const std::vector<int> numbers = oldNumbers(n);
    for (int i = 0; i < n; ++i) {
        const std::string p = "rule_natrule_" + std::to_string(numbers[static_cast<std::size_t>(i)]) + "_";
        add(old, p + "global_range_type=mask");
        add(old, p + "global_range_delimiter=255.255.255.0");
        add(old, p + "global_range_start_addr=" + ip(i, 3));
        add(old, p + "local_range_type=range");
        add(old, p + "local_range_delimiter=" + ip(i, 9));
        add(old, p + "local_range_start_addr=" + ip(i, 1));
        add(old, p + "remote_range_type=mask");
        add(old, p + "remote_range_delimiter=0.0.0.0");
        add(old, p + "remote_range_start_addr=0.0.0.0");
        add(old, p + "rule_type=" + (i % 2 ? "static" : "illegal"));
        add(old, p + "network_name=" + (i % 50 ? "eth0" : "*"));
        add(old, p + "protocols=tcp");
        add(old, p + "port_start=80");
        add(old, p + "port_end=80");
    }
    for (auto _ : state) {
        std::ostringstream runLog;
        auto processor = makeProcessor(runLog);
        ConfigTree merged(runLog);
        processor->parseNatRules(old);
        processor->saveNatRules(merged);
        processor->saveNetObjects(merged);
        benchmark::DoNotOptimize(merged.children().size());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

}  // namespace

BENCHMARK(BM_DestinationGroups)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ProxyRules)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_PacketFilterRules)->Arg(20000)->Arg(80000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_NatRules)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();
