// Benchmarks of the configuration tree on generated configurations: load, search and save, and the
// peak memory a loaded tree costs per setting.
//
//   bench_conftree [--large] [benchmark options]
//
// Sizes: 100,000 and 1,000,000 settings; --large adds 10,000,000 (about 2.5 GB of memory and
// 400 MB of scratch file). Memory is measured in a fresh child process per size (peak resident
// size minus the size before loading), so earlier benchmarks do not blur it.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

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

// Child mode: load one file and print the peak memory the load added.
int measureMemory(const std::string& path) {
    long before = statusBytes("VmRSS");
    auto tree = std::make_unique<ConfigTree>(quietLog());
    if (tree->load(path) != 0) return 1;
    long peak = statusBytes("VmHWM");
    std::printf("%ld\n", peak - before);
    return 0;
}

long childMeasure(const std::string& path) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        execl("/proc/self/exe", "bench_conftree", "--measure-memory", path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char text[64] = {};
    ssize_t got = read(fds[0], text, sizeof text - 1);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (got <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return std::atol(text);
}

void perSetting(benchmark::State& state, long settings) {
    state.counters["per_setting"] = benchmark::Counter(
        static_cast<double>(settings), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void loadBench(benchmark::State& state, const Input& input) {
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
    if (argc == 3 && std::strcmp(argv[1], "--measure-memory") == 0) return measureMemory(argv[2]);

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
    for (const Input& input : inputs) {
        long bytes = childMeasure(input.path);
        std::printf("memory/%ld settings: peak %.1f MB, %.1f bytes per setting\n", input.settings,
                    static_cast<double>(bytes) / 1e6, static_cast<double>(bytes) / static_cast<double>(input.settings));
    }
    std::fflush(stdout);

    for (const Input& input : inputs) {
        std::string n = std::to_string(input.settings);
        benchmark::RegisterBenchmark(("load/" + n).c_str(), loadBench, input)->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark(("save/" + n).c_str(), saveBench, input)->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark(("search_wildcards/" + n).c_str(), searchBench, input, "rule_filter_##_action=deny")
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("search_literal/" + n).c_str(), searchBench, input, "rule_filter_777_name=**")
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("prune_all_rules/" + n).c_str(), pruneAllRulesBench, input)
            ->Unit(benchmark::kMillisecond)->Iterations(1);
        benchmark::RegisterBenchmark(("renumber_rules/" + n).c_str(), renumberRulesBench, input)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(dir);
    return 0;
}
