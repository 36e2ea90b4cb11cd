// Benchmarks of the configuration tree on generated configurations: load, search and save, and the
// peak memory a loaded tree costs per setting.
//
//   bench_conftree [--large] [benchmark options]
//
// Sizes: 100,000 and 1,000,000 settings; --large adds 10,000,000 (about 2.5 GB of memory and
// 400 MB of scratch file).
//
// A program loads a configuration once, in a fresh process, so that is measured first: a child
// process per size loads the file and reports the processor time of the load (user and system:
// the page faults of a fresh heap are part of the cost, and other work on the machine blurs it
// less than wall time) and its peak memory (peak resident size minus the size before loading). The
// best of a few runs is kept, and sizes ten times apart are compared.
//
// The load benchmark then measures loads in a warm process: one untimed load and release comes
// first, so that every timed load finds the same heap, whatever the size. (Without it, a big size
// that runs a single iteration pays for a fresh heap while a small one mostly reuses a warm one.)
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "bench/config_generators.h"
#include "conftree/config_tree.h"
#include "conftree/search_template.h"

namespace {

// Tree messages are not wanted while measuring.
std::ostream& quietLog() {
    static std::ostream quiet(nullptr);
    return quiet;
}

struct Input {
    long settings;
    std::string path;
};

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM").
long statusBytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    std::size_t length = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':')
            return std::stol(line.substr(length + 1)) * 1024;
    return -1;
}

double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// What one load in a fresh process costs.
struct FreshLoad {
    long peakBytes = -1;
    double processorMs = 0;
    double wallMs = 0;
};

// Child mode: load one file and print the peak memory the load added, and its processor and wall
// time in milliseconds.
int measureFreshLoad(const std::string& path) {
    long before = statusBytes("VmRSS");
    double processorBefore = processorSeconds();
    auto wallBefore = std::chrono::steady_clock::now();
    auto tree = std::make_unique<ConfigTree>(quietLog());
    if (tree->load(path) != 0) return 1;
    double wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallBefore).count();
    double processorMs = (processorSeconds() - processorBefore) * 1e3;
    long peak = statusBytes("VmHWM");
    std::printf("%ld %.3f %.3f\n", peak - before, processorMs, wallMs);
    return 0;
}

FreshLoad childMeasure(const std::string& path) {
    int fds[2];
    if (pipe(fds) != 0) return FreshLoad{};
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        execl("/proc/self/exe", "bench_conftree", "--measure-load", path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char text[128] = {};
    ssize_t got = read(fds[0], text, sizeof text - 1);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    FreshLoad result;
    if (got <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return result;
    if (std::sscanf(text, "%ld %lf %lf", &result.peakBytes, &result.processorMs, &result.wallMs) != 3)
        return FreshLoad{};
    return result;
}

// The best of a few fresh loads (the least disturbed by other work; peak memory hardly varies).
FreshLoad bestFreshLoad(const std::string& path, int runs) {
    FreshLoad best;
    for (int i = 0; i < runs; ++i) {
        FreshLoad run = childMeasure(path);
        if (run.peakBytes < 0) return run;
        if (best.peakBytes < 0 || run.processorMs < best.processorMs) best = run;
    }
    return best;
}

void perSetting(benchmark::State& state, long settings) {
    state.counters["per_setting"] = benchmark::Counter(
        static_cast<double>(settings), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void loadBench(benchmark::State& state, const Input& input) {
    {
        // Warm-up, untimed: see the head of this file.
        auto tree = std::make_unique<ConfigTree>(quietLog());
        if (tree->load(input.path) != 0) state.SkipWithError("load failed");
    }
    for (auto _ : state) {
        auto tree = std::make_unique<ConfigTree>(quietLog());
        if (tree->load(input.path) != 0) state.SkipWithError("load failed");
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
    perSetting(state, input.settings);
}

void saveBench(benchmark::State& state, const Input& input) {
    ConfigTree tree(quietLog());
    if (tree.load(input.path) != 0) state.SkipWithError("load failed");
    std::string out = input.path + ".saved";
    for (auto _ : state)
        if (!tree.save(out)) state.SkipWithError("save failed");
    std::filesystem::remove(out);
    perSetting(state, input.settings);
}

void searchBench(benchmark::State& state, const Input& input, const char* templateText) {
    ConfigTree tree(quietLog());
    if (tree.load(input.path) != 0) state.SkipWithError("load failed");
    SearchTemplate t = SearchTemplate::leaf(templateText);
    long found = 0;
    for (auto _ : state) {
        NodeList results;
        t.search(tree, results);
        found = static_cast<long>(results.size());
        benchmark::DoNotOptimize(results.data());
    }
    state.counters["found"] = static_cast<double>(found);
    perSetting(state, input.settings);
}

// Deleting every numbered rule branch one by one (what "delete_branch rule_filter_##" does) and
// renumbering the rules in place: the edits a template script makes to the widest branch.
void pruneAllRulesBench(benchmark::State& state, const Input& input) {
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = std::make_unique<ConfigTree>(quietLog());
        if (tree->load(input.path) != 0) state.SkipWithError("load failed");
        SearchTemplate t = SearchTemplate::branch("rule_filter_##");
        NodeList rules;
        t.search(*tree, rules);
        state.ResumeTiming();
        for (Node* rule : rules) pruneUp(rule);
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
    perSetting(state, input.settings);
}

void renumberRulesBench(benchmark::State& state, const Input& input) {
    ConfigTree tree(quietLog());
    if (tree.load(input.path) != 0) state.SkipWithError("load failed");
    Branch* rules = tree.findBranch("rule")->findBranch("filter");
    long offset = 0;
    for (auto _ : state) {
        offset += static_cast<long>(rules->children().size());
        long counter = offset;
        for (Node* child : rules->children())
            if (child->isBranch()) child->setName(std::to_string(++counter));
        benchmark::DoNotOptimize(rules->findBranch(std::to_string(counter)));
    }
    perSetting(state, input.settings);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--measure-load") == 0) return measureFreshLoad(argv[2]);

    bool large = false;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--large") == 0)
            large = true;
        else if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("usage: bench_conftree [--large] [benchmark options]\n"
                        "  --large   also measure 10,000,000 settings (about 2.5 GB of memory)\n");
            benchmark::PrintDefaultHelp();
            return 0;
        } else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());

    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("bench_conftree_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::vector<long> sizes = {100000, 1000000};
    if (large) sizes.push_back(10000000);

    static std::vector<Input> inputs;
    for (long size : sizes) {
        std::string path = (dir / ("config_" + std::to_string(size) + ".conf")).string();
        long lines = writeConfigFile(path, size, 42);
        if (lines < 0) {
            std::cerr << "cannot write " << path << '\n';
            return 1;
        }
        inputs.push_back({lines, path});
    }
    std::vector<FreshLoad> fresh;
    for (const Input& input : inputs) {
        FreshLoad load = bestFreshLoad(input.path, 3);
        fresh.push_back(load);
        if (load.peakBytes < 0) {
            std::printf("fresh load/%ld: the child process failed\n", input.settings);
            continue;
        }
        std::printf("fresh load/%ld: %.0f ms processor (%.0f ms wall), peak %.1f MB, %.1f bytes per setting\n",
                    input.settings, load.processorMs, load.wallMs, static_cast<double>(load.peakBytes) / 1e6,
                    static_cast<double>(load.peakBytes) / static_cast<double>(input.settings));
    }
    for (std::size_t i = 0; i < inputs.size(); ++i)
        for (std::size_t j = i + 1; j < inputs.size(); ++j)
            if (inputs[j].settings >= 9 * inputs[i].settings && inputs[j].settings <= 11 * inputs[i].settings &&
                fresh[i].peakBytes >= 0 && fresh[j].peakBytes >= 0 && fresh[i].processorMs > 0)
                std::printf("fresh load %ld -> %ld settings: %.1fx the processor time\n", inputs[i].settings,
                            inputs[j].settings, fresh[j].processorMs / fresh[i].processorMs);
    std::fflush(stdout);

    for (const Input& input : inputs) {
        std::string n = std::to_string(input.settings);
        benchmark::RegisterBenchmark(("load/" + n).c_str(), loadBench, input)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("save/" + n).c_str(), saveBench, input)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("search_wildcards/" + n).c_str(), searchBench, input,
                                     "rule_filter_##_action=deny")
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("search_literal/" + n).c_str(), searchBench, input, "rule_filter_777_name=**")
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("prune_all_rules/" + n).c_str(), pruneAllRulesBench, input)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
        benchmark::RegisterBenchmark(("renumber_rules/" + n).c_str(), renumberRulesBench, input)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(dir);
    return 0;
}
