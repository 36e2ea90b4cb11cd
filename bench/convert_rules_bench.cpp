// Converters on large old configurations: each benchmark reads the records of one converter family
// from a generated old tree and writes them into an empty merged tree. The argument is the number of
// rules (destination records, edit lines, NAT rules); the 4x arguments show how the cost grows.
//
// The old configurations come from the same generator as the whole-conversion benchmark (old rule
// numbers shuffled, with repeats, so the ordering by old number does real work and meets equal
// numbers); each benchmark asks only for the families it converts.

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "bench/old_config_generator.h"
#include "conftree/config_tree.h"
#include "template/template_processor.h"

namespace {

namespace fs = std::filesystem;

// An old size with nothing but what a benchmark sets; interfaces and service groups stay minimal.
OldConfigSize only() {
    OldConfigSize size;
    size.interfaces = 1;
    size.proxyRules = 0;
    size.editLines = 0;
    size.natRules = 0;
    size.destinationRecords = 0;
    size.newStyleRules = 0;
    return size;
}

// Loads a generated configuration (old, or the matching new one) into tree through a scratch file.
void loadGenerated(ConfigTree& tree, const OldConfigSize& size, bool newConfig) {
    const fs::path path = fs::temp_directory_path() /
                          ("convert_rules_bench-" + std::to_string(::getpid()) + (newConfig ? ".new" : ".old"));
    {
        std::ofstream out(path, std::ios::binary);
        if (newConfig)
            writeNewConfig(out, size);
        else
            writeOldConfig(out, size, 1);
    }
    (void)tree.load(path.string());
    fs::remove(path);
}

// Times convert(processor, merged) on a fresh processor and an empty merged tree, n items a run.
void run(benchmark::State& state, int n, const std::function<void(TemplateProcessor&, ConfigTree&)>& convert) {
    for (auto _ : state) {
        std::ostringstream runLog;
        TemplateProcessor processor(runLog, runLog, std::make_unique<std::istringstream>(""), "bench.tpl", "./");
        ConfigTree merged(runLog);
        convert(processor, merged);
        benchmark::DoNotOptimize(merged.children().size());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_DestinationGroups(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    OldConfigSize size = only();
    size.destinationRecords = n;
    std::ostringstream log;
    ConfigTree old(log);
    loadGenerated(old, size, false);
    run(state, n, [&](TemplateProcessor& processor, ConfigTree& merged) {
        processor.parseSvcGroups(old);
        processor.parseDestGroups(old);
        processor.convertDestGroups();
        processor.saveServiceGroups(merged);
        processor.saveDestGroups(merged);
        processor.saveNetObjects(merged);
    });
}

void BM_ProxyRules(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    OldConfigSize size = only();
    size.proxyRules = n;
    size.destinationRecords = n / 5;
    std::ostringstream log;
    ConfigTree old(log);
    loadGenerated(old, size, false);
    run(state, n, [&](TemplateProcessor& processor, ConfigTree& merged) {
        processor.parseSvcGroups(old);
        processor.parseDestGroups(old);
        processor.convertDestGroups();
        processor.parseProxyRules(old);
        processor.saveProxyRules(merged);
    });
}

void BM_PacketFilterRules(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    OldConfigSize size = only();
    size.editLines = n;
    size.newStyleRules = 200;
    std::ostringstream log;
    ConfigTree old(log);
    ConfigTree fresh(log);
    loadGenerated(old, size, false);
    loadGenerated(fresh, size, true);
    run(state, n, [&](TemplateProcessor& processor, ConfigTree& merged) {
        processor.parseOldTreePfRules(old);
        processor.parseNewTreePfRules(fresh);
        processor.savePfRules(merged);
        processor.saveNetObjects(merged);
    });
}

void BM_NatRules(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    OldConfigSize size = only();
    size.natRules = n;
    std::ostringstream log;
    ConfigTree old(log);
    loadGenerated(old, size, false);
    run(state, n, [&](TemplateProcessor& processor, ConfigTree& merged) {
        processor.parseNatRules(old);
        processor.saveNatRules(merged);
        processor.saveNetObjects(merged);
    });
}

}  // namespace

BENCHMARK(BM_DestinationGroups)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ProxyRules)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_PacketFilterRules)->Arg(20000)->Arg(80000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_NatRules)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();
