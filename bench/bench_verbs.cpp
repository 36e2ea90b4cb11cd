// Benchmarks of the tree-editing verbs over many matches: each verb line runs once over a tree
// built for it in which its template finds n nodes, n = 10,000, 100,000 and 1,000,000.
//
//   bench_verbs [benchmark options]
//
// Only the verb line is timed, in processor time of this (single-threaded) process: building the
// tree before and destroying it after are not, and other work on a shared machine blurs processor
// time far less than wall time (reported beside it as the counter "wall_ms"). Every verb should cost O(n log n) at
// worst, so ten times the matches should cost little more than ten times the time; the ratio of neighbouring sizes is
// reported as the counter "per10x" on the larger size.
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "conftree/conftree.h"
#include "template/template_processor.h"

namespace {

// Tree and processor messages are not wanted while measuring.
std::ostream& quiet() {
    static std::ostream stream(nullptr);
    return stream;
}

double processorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

using Builder = std::function<void(ConfigTree&, long)>;

Branch* child(Branch& parent, std::unique_ptr<Node> node) {
    return static_cast<Branch*>(parent.children().append(std::move(node)));
}

Branch* branch(Branch& parent, const std::string& name) { return child(parent, std::make_unique<Branch>(name)); }

void leaf(Branch& parent, const std::string& name, const std::string& value) {
    parent.children().append(std::make_unique<Leaf>(name, value));
}

// br has n leaves l<i>=v<i>.
void wideLeaves(ConfigTree& tree, long n) {
    Branch* br = branch(tree, "br");
    for (long i = 0; i < n; ++i) leaf(*br, "l" + std::to_string(i), "v" + std::to_string(i));
}

// br has n branches <i>, each with the leaves a=<i> and name=n<i>.
void wideBranches(ConfigTree& tree, long n) {
    Branch* br = branch(tree, "br");
    for (long i = 0; i < n; ++i) {
        Branch* b = branch(*br, std::to_string(i));
        leaf(*b, "a", std::to_string(i));
        leaf(*b, "name", "n" + std::to_string(i));
    }
}

// br has n leaves d<i>=1, each followed by a branch k<i> that the template does not find: every
// match sits between two children that stay.
void interleaved(ConfigTree& tree, long n) {
    Branch* br = branch(tree, "br");
    for (long i = 0; i < n; ++i) {
        leaf(*br, "d" + std::to_string(i), "1");
        leaf(*branch(*br, "k" + std::to_string(i)), "x", "1");
    }
}

// br has n branches <i> (leaf a=1), each followed by a leaf that the branch template does not find.
void interleavedBranches(ConfigTree& tree, long n) {
    Branch* br = branch(tree, "br");
    for (long i = 0; i < n; ++i) {
        leaf(*branch(*br, std::to_string(i)), "a", "1");
        leaf(*br, "l" + std::to_string(i), "1");
    }
}

// br has n leaves l<i> with two-word values.
void wordLeaves(ConfigTree& tree, long n) {
    Branch* br = branch(tree, "br");
    for (long i = 0; i < n; ++i) leaf(*br, "l" + std::to_string(i), "w" + std::to_string(i) + " x" + std::to_string(i));
}

// br has n leaves l<i> with values that make_legal changes, many of them equal.
void illegalValues(ConfigTree& tree, long n) {
    Branch* br = branch(tree, "br");
    for (long i = 0; i < n; ++i) leaf(*br, "l" + std::to_string(i), "a b." + std::to_string(i % 100));
}

// spread_leaf: one source setting, n destination branches.
void spreadTargets(ConfigTree& tree, long n) {
    leaf(*branch(tree, "src"), "x", "1");
    Branch* dst = branch(tree, "dst");
    for (long i = 0; i < n; ++i) leaf(*branch(*dst, std::to_string(i)), "a", "1");
}

// renumber_branches: one branch with n numbered children (every third one, so all are renamed).
void numbered(ConfigTree& tree, long n) {
    Branch* br = branch(tree, "br");
    for (long i = 0; i < n; ++i) leaf(*branch(*br, std::to_string(3 * i)), "a", "1");
}

// object_lookup: n leaves whose values name one of n objects.
void lookups(ConfigTree& tree, long n) {
    Branch* obj = branch(tree, "obj");
    for (long i = 0; i < n; ++i) leaf(*branch(*obj, "o" + std::to_string(i)), "ip", "1");
    Branch* br = branch(tree, "br");
    for (long i = 0; i < n; ++i) leaf(*br, "l" + std::to_string(i), "o" + std::to_string(i));
}

// merge_name_value: n branches, each with name=... and value=... leaves.
void namedPairs(ConfigTree& tree, long n) {
    Branch* br = branch(tree, "br");
    for (long i = 0; i < n; ++i) {
        Branch* b = branch(*br, std::to_string(i));
        leaf(*b, "name", "n" + std::to_string(i));
        leaf(*b, "value", "v" + std::to_string(i));
    }
}

struct Case {
    const char* label;
    Builder build;
    std::string line;
};

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"rename_leaf", wideLeaves, "rename_leaf br_**=** x"},
        {"rename_branch", wideBranches, "rename_branch br_** x"},
        {"merge_unique_num_branch", wideBranches, "merge_unique_num_branch br_**"},
        {"copy_leaf", wideBranches, "copy_leaf br_**_a=** cp_**_a=**"},
        {"delete_leaf", interleaved, "delete_leaf br_**=1"},
        {"delete_branch", interleavedBranches, "delete_branch br_**"},
        {"demote_leaf", wideLeaves, "demote_leaf br_**=** sub"},
        {"promote_leaf", wideBranches, "promote_leaf br_**_name=**"},
        {"spread_leaf", spreadTargets, "spread_leaf src_x=** dst_**"},
        {"edit_leaf", wideLeaves, "edit_leaf br_**=** append z"},
        {"edit_leaf_make_legal", illegalValues, "edit_leaf br_**=** make_legal x"},
        {"change_value", wideLeaves, "change_value br_**=** z"},
        {"add_to_branch", wideBranches, "add_to_branch br_** new=1"},
        {"insert_branch", wideBranches, "insert_branch br_**_a=** br_**_mid_a=**"},
        {"join_branches", wideBranches, "join_branches br_** joined"},
        {"renumber_branches", numbered, "renumber_branches br"},
        {"tokenize_leaf2branches", wordLeaves, "tokenize_leaf2branches br_**=** tok"},
        {"replace_name_with_value", wideBranches, "replace_name_with_value br_**_name=**"},
        {"replace_value_with_name", wideBranches, "replace_value_with_name br_**_a=**"},
        {"object_lookup", lookups, "object_lookup br_**=** obj"},
        {"merge_name_value", namedPairs, "merge_name_value br_## out"},
    };
    return all;
}

// Seconds per run of each case and size, for the ratio of neighbouring sizes.
std::map<std::pair<std::string, long>, double>& timings() {
    static std::map<std::pair<std::string, long>, double> seconds;
    return seconds;
}

void runVerb(benchmark::State& state, const Case& c) {
    const long n = state.range(0);
    double total = 0;
    double wall = 0;
    for (auto _ : state) {
        auto tree = std::make_unique<ConfigTree>(quiet());
        c.build(*tree, n);
        TemplateProcessor processor(quiet(), quiet(), std::make_unique<std::istringstream>(""), "bench.tpl", "");
        std::vector<char> line(c.line.begin(), c.line.end());
        line.push_back('\0');
        const auto start = std::chrono::steady_clock::now();
        const double processorStart = processorSeconds();
        const int verdict = processor.dispatchLine(*tree, line.data());
        const double seconds = processorSeconds() - processorStart;
        const auto stop = std::chrono::steady_clock::now();
        state.SetIterationTime(seconds);
        total += seconds;
        wall += std::chrono::duration<double>(stop - start).count();
        if (verdict != 1) state.SkipWithError("the verb line failed");
        benchmark::DoNotOptimize(tree.get());
    }
    const double each = total / static_cast<double>(state.iterations());
    timings()[{c.label, n}] = each;
    auto smaller = timings().find({c.label, n / 10});
    if (smaller != timings().end() && smaller->second > 0) state.counters["per10x"] = each / smaller->second;
    state.counters["matches"] = static_cast<double>(n);
    state.counters["wall_ms"] = 1000 * wall / static_cast<double>(state.iterations());
}

// The yardstick for the ratios: building the tree of the branch verbs, a plain linear pass that
// allocates and links 3n nodes. On this machine its ratio of neighbouring sizes already exceeds 10,
// as the working set leaves the caches.
void buildOnly(benchmark::State& state) {
    const long n = state.range(0);
    double total = 0;
    for (auto _ : state) {
        auto tree = std::make_unique<ConfigTree>(quiet());
        const double start = processorSeconds();
        wideBranches(*tree, n);
        const double seconds = processorSeconds() - start;
        state.SetIterationTime(seconds);
        total += seconds;
        benchmark::DoNotOptimize(tree.get());
    }
    const double each = total / static_cast<double>(state.iterations());
    timings()[{"build", n}] = each;
    auto smaller = timings().find({"build", n / 10});
    if (smaller != timings().end() && smaller->second > 0) state.counters["per10x"] = each / smaller->second;
}

}  // namespace

int main(int argc, char** argv) {
    for (long n : {10000L, 100000L, 1000000L}) {
        benchmark::RegisterBenchmark("baseline/build_tree", buildOnly)
            ->Arg(n)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(n >= 1000000  ? 1
                         : n >= 100000 ? 2
                                       : 10);
    }
    for (const Case& c : cases()) {
        for (long n : {10000L, 100000L, 1000000L}) {
            benchmark::RegisterBenchmark((std::string("verb/") + c.label).c_str(), runVerb, c)
                ->Arg(n)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(n >= 1000000  ? 1
                             : n >= 100000 ? 2
                                           : 10);
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
