// The whole offline conversion of a large old configuration, as upgrade-cli convert runs it: copy
// into the working directory, load, preprocess, save the converted file, load the new initial
// configuration, merge, postprocess, save the final file; with the sample template script.
//
//   bench_convert [benchmark options]
//
// BM_OfflineConversion/1 is the base size (200 interfaces with aliases, 50,000 proxy rules, 20,000
// packet filter edit lines, 10,000 NAT/INAT rules, 10,000 destination records); /4 has four times
// every count. Goals on the project's machine: at most 3 s for the base size, and the 4x input at
// most 5x the time of the base one.
//
// Both make the records of the upgrade report once at the end, as a conversion does.
//
// BM_ConversionSteps runs the same conversion step by step and reports, as counters, the processor
// seconds each step took (the steps are told apart by the progress lines of the log), to show where
// the time goes.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "bench/old_config_generator.h"
#include "conftree/config_tree.h"
#include "template/template_processor.h"
#include "upgrade/file_names.h"
#include "upgrade/workflow.h"
#include "upgrade/workflow_ui.h"

namespace fs = std::filesystem;

namespace {

const std::string kTemplate = std::string(PROJECT_SOURCE_DIR) + "/data/5xTo60.tpl";

struct Inputs {
    fs::path oldPath;
    fs::path newPath;
    long settings = 0;
};

fs::path scratchRoot() {
    static const fs::path root = fs::temp_directory_path() / ("bench_convert_" + std::to_string(::getpid()));
    return root;
}

// The generated inputs of one scale, made once per process.
const Inputs& inputsFor(int scale) {
    static std::map<int, Inputs> made;
    auto found = made.find(scale);
    if (found != made.end()) return found->second;
    Inputs inputs;
    fs::create_directories(scratchRoot());
    inputs.oldPath = scratchRoot() / ("old-x" + std::to_string(scale) + ".conf");
    inputs.newPath = scratchRoot() / ("init-x" + std::to_string(scale) + ".conf");
    const OldConfigSize size = OldConfigSize{}.scaled(scale);
    std::ofstream oldFile(inputs.oldPath);
    inputs.settings = writeOldConfig(oldFile, size, 1);
    std::ofstream newFile(inputs.newPath);
    writeNewConfig(newFile, size);
    return made.emplace(scale, inputs).first->second;
}

// Shows nothing; the generated interfaces pair by address, so no pairing is ever needed.
class QuietUi : public WorkflowUi {};

void BM_OfflineConversion(benchmark::State& state) {
    const Inputs& inputs = inputsFor(static_cast<int>(state.range(0)));
    const fs::path workdir = scratchRoot() / "work";
    for (auto _ : state) {
        fs::remove_all(workdir);
        fs::create_directories(workdir);
        QuietUi ui;
        UpgradeWorkflow workflow(ui);
        if (!workflow.startInWorkingDirectory(workdir.string())) state.SkipWithError("no working directory");
        workflow.templateName = kTemplate;
        fs::copy_file(inputs.oldPath, workdir / kSavedOldConfigName);
        bool ok = workflow.convertOldConfig();
        fs::copy_file(inputs.newPath, workdir / kNewInitConfigName);
        ok = ok && workflow.mergeConfigs() && workflow.postprocessConfigs();
        if (!ok) state.SkipWithError("the conversion failed");
        // The records of the report are made once at the end of a conversion.
        if (ok && workflow.processor() != nullptr) {
            benchmark::DoNotOptimize(workflow.processor()->itemRecords());
            benchmark::DoNotOptimize(workflow.processor()->pairingRecords());
        }
    }
    state.counters["old_settings"] = static_cast<double>(inputs.settings);
    fs::remove_all(workdir);
}
BENCHMARK(BM_OfflineConversion)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->Iterations(2);

// The processor time this thread has used, in seconds: the steps are timed with it, so that other
// work on the machine does not blur where the conversion's own time goes.
double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A log stream that notes when each line was written.
class TimedLog : public std::streambuf {
public:
    struct Mark {
        double when;
        std::string line;
    };
    std::vector<Mark> marks;

protected:
    int_type overflow(int_type c) override {
        if (c == '\n') {
            marks.push_back({threadSeconds(), current_});
            current_.clear();
        } else if (c != traits_type::eof()) {
            current_ += static_cast<char>(c);
        }
        return traits_type::not_eof(c);
    }

private:
    std::string current_;
};

// The progress lines that begin the steps worth reporting, with a short counter name each.
const std::pair<const char*, const char*> kSteps[] = {
    {"Parsing interfaces.", "pre_interfaces"},
    {"Preprocessing configuration tree with template...", "pre_script"},
    {"Parsing service groups.", "pre_service_groups"},
    {"Parsing destination groups.", "pre_dest_groups"},
    {"Converting destination groups.", "pre_convert_dest"},
    {"Parsing packet filter rules.", "read_pf"},
    {"Parsing proxy rules.", "pre_proxy"},
    {"Parsing NAT/INAT rules.", "pre_nat"},
    {"Preprocessing complete.", "-"},
    {"Processing Merge configuration tree with template...", "merge_start"},
    {"Parsing interfaces.", "merge_interfaces"},
    {"Reconciling interfaces.", "merge_reconcile_and_scripts"},
    {"Merge Processing complete.", "-"},
    {"Merging interfaces.", "post_merge_interfaces"},
    {"Saving interfaces...", "post_save_interfaces"},
    {"Saving network objects...", "post_save_netobjects"},
    {"Saving service groups...", "post_save_service_groups"},
    {"Saving destination objects...", "post_save_dest_groups"},
    {"Saving packet filter rules...", "post_save_pf"},
    {"Saving proxy rules...", "post_save_proxy"},
    {"Saving NAT/INAT rules...", "post_save_nat"},
    {"Postprocessing configuration tree with template...", "post_script"},
    {"Postprocessing complete.", "-"},
};

void BM_ConversionSteps(benchmark::State& state) {
    const Inputs& inputs = inputsFor(static_cast<int>(state.range(0)));
    const fs::path workdir = scratchRoot() / "steps";
    fs::create_directories(workdir);
    std::map<std::string, double> seconds;
    for (auto _ : state) {
        TimedLog timed;
        std::ostream log(&timed);
        std::ostringstream warnings;
        auto mark = [&timed](const char* line) { timed.marks.push_back({threadSeconds(), line}); };
        {
            ConfigTree oldTree(log);
            ConfigTree newTree(log);
            mark("@load_old");
            (void)oldTree.load(inputs.oldPath.string());
            TemplateProcessor processor(log, warnings, kTemplate, workdir.string() + "/");
            bool ok = processor.runPreprocess(oldTree);
            mark("@save_converted");
            ok = oldTree.save((workdir / kConvertedConfigName).string()) && ok;
            mark("@load_new");
            (void)newTree.load(inputs.newPath.string());
            ok = ok && processor.runMerge(oldTree, newTree);
            mark("@absorb");
            newTree.absorb(oldTree);
            ok = ok && processor.runPostprocess(newTree);
            mark("@item_records");
            benchmark::DoNotOptimize(processor.itemRecords());
            benchmark::DoNotOptimize(processor.pairingRecords());
            mark("@save_final");
            ok = newTree.save((workdir / kFinalConfigName).string()) && ok;
            mark("@release");
            if (!ok) state.SkipWithError("the conversion failed");
        }
        mark("@end");

        // Attribute the time between consecutive marks to the step the earlier one begins.
        std::size_t next = 0;
        std::string step;
        double since = 0;
        for (const TimedLog::Mark& m : timed.marks) {
            std::string begins;
            if (m.line[0] == '@') {
                begins = m.line.substr(1);
            } else if (next < std::size(kSteps) && m.line == kSteps[next].first) {
                begins = kSteps[next++].second;
            } else {
                continue;
            }
            if (!step.empty() && step != "-") seconds[step] += m.when - since;
            step = begins;
            since = m.when;
        }
    }
    for (const auto& [name, total] : seconds) {
        state.counters[name] = benchmark::Counter(total, benchmark::Counter::kAvgIterations);
    }
    fs::remove_all(workdir);
}
BENCHMARK(BM_ConversionSteps)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(scratchRoot());
    return 0;
}
