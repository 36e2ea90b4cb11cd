// A whole upgrade between two simulated firewalls on loopback, step by step, beside the two figures
// it should approach: the session's file throughput and the offline conversion.
//
//   bench_upgrade [benchmark options]
//
// The input is the conversion benchmark's base size (old_config_generator's default: 200 interfaces
// with aliases, 50,000 proxy rules, 20,000 packet filter edit lines, 10,000 NAT/INAT rules, 10,000
// destination records) as the old firewall's /usr/local/etc/mgmt/kestrane.conf, the matching initial
// configuration on the new firewall, and 64 MB of random bytes as the old firewall's
// /tmp/full-backup.tar. The old firewall is fwsim --version 5.5, the new one fwsim --version KF6.0.
//
// BM_WholeUpgrade runs both phases of the workflow the programs use, in this process: login old,
// packcerts, download (13 files, the backup among them), convert, then login new, fetch the new
// configuration, merge, postprocess and save, upload, unpack and apply. Its time is the two phases';
// its counters give each step's wall-clock milliseconds (the steps are told apart by the lines that
// begin them in the log) and the bytes downloaded and uploaded. The run is checked: both phases must
// succeed, every step must be seen, each firewall must have answered its actions, and the backup and
// the final configuration must arrive on the new firewall unchanged. The simulators' idle time-out is
// off, since the new firewall's session waits through the merge and the postprocessing.
// BM_FetchAlone fetches the same backup from the same old firewall with a session of its own: the
// throughput the download step should approach.
// BM_OfflineConversion converts the same old configuration without network (convertOldConfig), and
// times the merge and the postprocessing of the offline conversion as well: what the convert, merge
// and postprocess steps should approach.
//
// Each figure is one run; the three take about 15 s on the project's 2-core machine. When the whole
// upgrade ran, a table of its steps (wall clock, and the processor time of the thread that runs the
// workflow), the big files' transfers within the download and the upload, and the comparison with the
// reference figures that ran follow on standard output, unless another output format than the
// console's was asked for. Wall-clock figures on a machine busy with other work measure the scheduler
// as well; the processor times show what the client's side costs.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "bench/old_config_generator.h"
#include "bench/upgrade_step_clock.h"
#include "lib/fwall/mgmt_session.h"
#include "sim/launcher.h"
#include "upgrade/file_names.h"
#include "upgrade/workflow.h"

namespace fs = std::filesystem;

namespace {

constexpr int kScale = 1;  // old_config_generator's default size
constexpr std::size_t kBackupSize = std::size_t{64} << 20;
constexpr const char* kBackupPath = "/tmp/full-backup.tar";
// Where the upload puts the backup on the new firewall (beside the upgrade files).
constexpr const char* kUploadedBackupPath = "/usr/local/etc/mgmt/upgrade/full-backup.tar.PRE60UPGRADE";
const std::string kTemplate = std::string(PROJECT_SOURCE_DIR) + "/data/5xTo60.tpl";
constexpr double kMiB = 1048576.0;

fs::path scratchRoot() {
    static const fs::path root = fs::temp_directory_path() / ("bench_upgrade_" + std::to_string(::getpid()));
    return root;
}

// A file on a simulated firewall, by its firewall path.
fs::path onFirewall(const fs::path& root, const std::string& path) { return root / path.substr(1); }

// The two firewalls' roots with the generated configurations and the backup, made once per process.
struct Inputs {
    fs::path oldRoot;
    fs::path newRoot;
    long settings = 0;  // setting lines of the old configuration
    std::uintmax_t oldConfigBytes = 0;
    std::string error;  // not empty: the inputs could not be made
};

bool writeBackup(const fs::path& path) {
    std::vector<char> data(kBackupSize);
    std::mt19937_64 random(7);
    for (std::size_t i = 0; i < data.size(); i += 8) {
        const std::uint64_t value = random();
        std::memcpy(&data[i], &value, 8);
    }
    std::ofstream out(path, std::ios::binary);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out.flush());
}

Inputs makeInputs() {
    Inputs inputs;
    inputs.oldRoot = scratchRoot() / "old-root";
    inputs.newRoot = scratchRoot() / "new-root";
    const fs::path oldConfig = onFirewall(inputs.oldRoot, kFirewallConfigRemotePath);
    const fs::path newConfig = onFirewall(inputs.newRoot, kFirewallConfigRemotePath);
    const fs::path backup = onFirewall(inputs.oldRoot, kBackupPath);
    std::error_code ec;
    for (const fs::path& file : {oldConfig, newConfig, backup}) fs::create_directories(file.parent_path(), ec);
    const OldConfigSize size = OldConfigSize{}.scaled(kScale);
    std::ofstream oldOut(oldConfig);
    inputs.settings = writeOldConfig(oldOut, size, 1);
    std::ofstream newOut(newConfig);
    writeNewConfig(newOut, size);
    if (!oldOut.flush() || !newOut.flush() || !writeBackup(backup)) {
        inputs.error = "cannot write the inputs in " + scratchRoot().string();
        return inputs;
    }
    inputs.oldConfigBytes = fs::file_size(oldConfig, ec);
    return inputs;
}

const Inputs& inputs() {
    static const Inputs made = makeInputs();
    return made;
}

// Starts a firewall on root. The session of the upload phase sits idle while the configurations are
// merged and postprocessed, so the simulator's idle time-out is off: a slow run is measured, not cut.
bool startFirewall(fwsim::FwsimProcess& sim, const fs::path& root, const char* version, const fs::path& workDir,
                   std::string& error) {
    std::error_code ec;
    fs::create_directories(workDir, ec);
    return sim.start(FWSIM_PROGRAM,
                     {"--root", root.string(), "--user", "admin", "--password", "bench", "--version", version,
                      "--idle-timeout", "0"},
                     workDir, error);
}

void aimAt(FirewallLogin& login, const fwsim::FwsimProcess& sim) {
    login.host = "127.0.0.1";
    login.port = sim.port();
    login.user = "admin";
    login.password = "bench";
}

bool sameContent(const fs::path& a, const fs::path& b) {
    std::ifstream first(a, std::ios::binary);
    std::ifstream second(b, std::ios::binary);
    if (!first || !second) return false;
    std::vector<char> one(1 << 20), two(1 << 20);
    while (first && second) {
        first.read(one.data(), static_cast<std::streamsize>(one.size()));
        second.read(two.data(), static_cast<std::streamsize>(two.size()));
        if (first.gcount() != second.gcount()) return false;
        if (std::memcmp(one.data(), two.data(), static_cast<std::size_t>(first.gcount())) != 0) return false;
    }
    return first.eof() && second.eof();
}

// One file's transfer within the download or the upload step.
struct FileTransfer {
    std::string what;
    std::uintmax_t bytes = 0;
    double seconds = 0;
};

// What the benchmarks measured, for the table printed after them.
struct WholeUpgradeFigures {
    std::vector<StepTime> steps;
    std::vector<FileTransfer> files;  // the two configurations and the backup, each way
    double downloadPhaseSeconds = 0;
    double uploadPhaseSeconds = 0;
    std::uintmax_t downloadBytes = 0;
    std::uintmax_t uploadBytes = 0;
};
struct OfflineFigures {
    StepTime convert{"convert", "convert"};
    StepTime merge{"merge", "merge"};
    StepTime postprocess{"postprocess_save", "postprocess+save"};
};
std::optional<WholeUpgradeFigures> wholeUpgrade;
std::optional<double> fetchAloneSeconds;
std::optional<OfflineFigures> offline;

const StepTime* findStep(const std::vector<StepTime>& steps, std::string_view name) {
    for (const StepTime& step : steps)
        if (name == step.name) return &step;
    return nullptr;
}

// The bytes of the files the download saved (every file the table marks transferred).
std::uintmax_t savedBytes(const UpgradeWorkflow& workflow) {
    std::uintmax_t bytes = 0;
    std::error_code ec;
    for (const UpgradeFile& row : workflow.fileTable().rows())
        if (row.status == UpgradeFile::kTransferred) bytes += fs::file_size(workflow.pathOf(row.savedName()), ec);
    return bytes;
}

// The big files' transfers, timed by their lines in the log (name, then result).
std::vector<FileTransfer> fileTransfers(const StepClockUi& ui, const UpgradeWorkflow& workflow) {
    const std::string savedConfig = workflow.pathOf(kSavedOldConfigName);
    const std::string savedBackup = workflow.pathOf("full-backup.tar" + std::string(kSavedSuffix));
    const std::string final = workflow.pathOf(kFinalConfigName);
    const struct {
        const char* what;
        std::string line;
        std::string local;
    } files[] = {
        {"configuration down", std::string("Critical file: ") + kFirewallConfigRemotePath + " - ", savedConfig},
        {"backup down", std::string("Optional file: ") + kBackupPath + " - ", savedBackup},
        {"final configuration up", "Critical file: " + final + " - ", final},
        {"backup up", "Optional file: " + savedBackup + " - ", savedBackup},
    };
    std::vector<FileTransfer> transfers;
    std::error_code ec;
    for (const auto& file : files) {
        const std::optional<double> seconds = ui.lineSeconds(file.line);
        if (seconds) transfers.push_back({file.what, fs::file_size(file.local, ec), *seconds});
    }
    return transfers;
}

// Why a finished whole upgrade is not to be believed; empty when it is sound.
std::string checkUpgrade(const StepClockUi& ui, const UpgradeWorkflow& workflow, const Inputs& in,
                         const fwsim::FwsimProcess& oldSim, const fwsim::FwsimProcess& newSim) {
    if (const char* missing = ui.missingStep()) return std::string("the log shows no step ") + missing;
    // The three actions take no time on a simulator: make sure they were asked for and answered.
    if (!oldSim.wait_for_log("GET /upgrade/packcerts; -> 200") ||
        !newSim.wait_for_log("GET /upgrade/unpackcerts; -> 200") ||
        !newSim.wait_for_log("GET /upgrade/updateconf; -> 200"))
        return "a firewall did not receive every action";
    if (!sameContent(onFirewall(in.oldRoot, kBackupPath), onFirewall(in.newRoot, kUploadedBackupPath)))
        return "the backup did not arrive unchanged on the new firewall";
    if (!sameContent(workflow.pathOf(kFinalConfigName), onFirewall(in.newRoot, kNewConfigRemotePath)))
        return "the final configuration did not arrive unchanged on the new firewall";
    return std::string();
}

void BM_WholeUpgrade(benchmark::State& state) {
    const Inputs& in = inputs();
    if (!in.error.empty()) return state.SkipWithError(in.error.c_str());
    const fs::path run = scratchRoot() / "upgrade";
    const fs::path workParent = run / "work";
    std::error_code ec;
    fs::create_directories(workParent, ec);
    fwsim::FwsimProcess oldSim;
    fwsim::FwsimProcess newSim;
    std::string error;
    if (!startFirewall(oldSim, in.oldRoot, "5.5", run / "old-sim", error) ||
        !startFirewall(newSim, in.newRoot, "KF6.0", run / "new-sim", error))
        return state.SkipWithError(error.c_str());

    for (auto _ : state) {
        StepClockUi ui;
        UpgradeWorkflow workflow(ui);
        workflow.templateName = kTemplate;
        workflow.parentDirectory = workParent.string();
        aimAt(workflow.oldLogin, oldSim);
        aimAt(workflow.newLogin, newSim);

        const double start = wallSeconds();
        const PhaseOutcome downloaded = workflow.runDownloadPhase();
        const double between = wallSeconds();
        PhaseOutcome uploaded = PhaseOutcome::Failed;
        if (downloaded == PhaseOutcome::Done) uploaded = workflow.runUploadPhase();
        // The generated interfaces pair by address; should one not, the merge goes on unpaired.
        if (uploaded == PhaseOutcome::PairingRequired) uploaded = workflow.finishUploadPhase(PairingOutcome::Closed);
        const double end = wallSeconds();
        state.SetIterationTime(end - start);

        if (downloaded != PhaseOutcome::Done || uploaded != PhaseOutcome::Done) {
            const std::string why = std::string(downloaded != PhaseOutcome::Done ? "the download" : "the upload") +
                                    " phase failed: " + workflow.failure().text;
            state.SkipWithError(why.c_str());
            break;
        }
        const std::string unsound = checkUpgrade(ui, workflow, in, oldSim, newSim);
        if (!unsound.empty()) {
            state.SkipWithError(unsound.c_str());
            break;
        }
        WholeUpgradeFigures figures;
        figures.steps = ui.steps();
        figures.downloadPhaseSeconds = between - start;
        figures.uploadPhaseSeconds = end - between;
        figures.downloadBytes = savedBytes(workflow);
        // The upload sends the final configuration, then every file the download saved.
        figures.uploadBytes = figures.downloadBytes + fs::file_size(workflow.pathOf(kFinalConfigName), ec);
        figures.files = fileTransfers(ui, workflow);
        wholeUpgrade = figures;
    }
    MgmtSession().logout();  // no connection record outlives the simulators
    if (!wholeUpgrade) return;
    for (const StepTime& step : wholeUpgrade->steps)
        state.counters[std::string(step.name) + "_ms"] = step.wallSeconds * 1e3;
    const auto bytes = [](std::uintmax_t n) {
        return benchmark::Counter(static_cast<double>(n), benchmark::Counter::kDefaults,
                                  benchmark::Counter::OneK::kIs1024);
    };
    state.counters["download_bytes"] = bytes(wholeUpgrade->downloadBytes);
    state.counters["upload_bytes"] = bytes(wholeUpgrade->uploadBytes);
    state.counters["old_settings"] = static_cast<double>(in.settings);
}

void BM_FetchAlone(benchmark::State& state) {
    const Inputs& in = inputs();
    if (!in.error.empty()) return state.SkipWithError(in.error.c_str());
    const fs::path run = scratchRoot() / "fetch";
    fwsim::FwsimProcess oldSim;
    std::string error;
    if (!startFirewall(oldSim, in.oldRoot, "5.5", run / "old-sim", error)) return state.SkipWithError(error.c_str());
    const fs::path local = run / "full-backup.tar";
    {
        MgmtSession session;
        session.set_target("127.0.0.1", oldSim.port(), "admin", "bench");
        if (!session.login()) return state.SkipWithError("login failed");
        for (auto _ : state) {
            const double start = wallSeconds();
            const int status = session.fetch_file(kBackupPath, local.c_str(), true);
            const double seconds = wallSeconds() - start;
            state.SetIterationTime(seconds);
            if (status != 200) {
                state.SkipWithError(("fetch failed: " + std::to_string(status)).c_str());
                break;
            }
            if (!sameContent(local, onFirewall(in.oldRoot, kBackupPath))) {
                state.SkipWithError("the fetched backup differs from the firewall's");
                break;
            }
            fetchAloneSeconds = seconds;
        }
        session.logout();
    }
    std::error_code ec;
    fs::remove(local, ec);
    if (fetchAloneSeconds) state.counters["MB/s"] = kBackupSize / kMiB / *fetchAloneSeconds;
}

// Times one offline step on the wall clock and this thread's processor.
template <typename Step>
bool timeStep(StepTime& figure, Step step) {
    const double wallBefore = wallSeconds();
    const double cpuBefore = threadCpuSeconds();
    const bool ok = step();
    figure.wallSeconds = wallSeconds() - wallBefore;
    figure.cpuSeconds = threadCpuSeconds() - cpuBefore;
    figure.seen = ok;
    return ok;
}

void BM_OfflineConversion(benchmark::State& state) {
    const Inputs& in = inputs();
    if (!in.error.empty()) return state.SkipWithError(in.error.c_str());
    const fs::path workdir = scratchRoot() / "offline";
    for (auto _ : state) {
        std::error_code ec;
        fs::remove_all(workdir, ec);
        fs::create_directories(workdir, ec);
        WorkflowUi quiet;
        UpgradeWorkflow workflow(quiet);
        workflow.templateName = kTemplate;
        if (!workflow.startInWorkingDirectory(workdir.string())) {
            state.SkipWithError("no working directory");
            break;
        }
        fs::copy_file(onFirewall(in.oldRoot, kFirewallConfigRemotePath), workdir / kSavedOldConfigName, ec);
        fs::copy_file(onFirewall(in.newRoot, kFirewallConfigRemotePath), workdir / kNewInitConfigName, ec);
        OfflineFigures figures;
        const bool ok = timeStep(figures.convert, [&] { return workflow.convertOldConfig(); }) &&
                        timeStep(figures.merge, [&] { return workflow.mergeConfigs(); }) &&
                        timeStep(figures.postprocess, [&] { return workflow.postprocessConfigs(); });
        state.SetIterationTime(figures.convert.wallSeconds);
        if (!ok) {
            state.SkipWithError(("the offline conversion failed: " + workflow.failure().text).c_str());
            break;
        }
        offline = figures;
    }
    if (!offline) return;
    state.counters["convert_ms"] = offline->convert.wallSeconds * 1e3;
    state.counters["merge_ms"] = offline->merge.wallSeconds * 1e3;
    state.counters["postprocess_save_ms"] = offline->postprocess.wallSeconds * 1e3;
}

// The order matters only for the table: the whole upgrade first, then its two references.
BENCHMARK(BM_WholeUpgrade)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_FetchAlone)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_OfflineConversion)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

double mib(std::uintmax_t bytes) { return static_cast<double>(bytes) / kMiB; }

// The table of the whole upgrade's steps, and the comparison with whichever reference figures ran.
void printSummary(const WholeUpgradeFigures& upgrade) {
    const Inputs& in = inputs();
    std::printf("\nWhole upgrade: old configuration of %ld setting lines (%.1f MB), a %.0f MB backup\n", in.settings,
                mib(in.oldConfigBytes), mib(kBackupSize));
    std::printf("  %-18s %10s %10s\n", "step", "wall ms", "cpu ms");
    for (const StepTime& step : upgrade.steps) {
        std::printf("  %-18s %10.1f %10.1f", step.label, step.wallSeconds * 1e3, step.cpuSeconds * 1e3);
        if (std::string_view(step.name) == "download") std::printf("   %.1f MB", mib(upgrade.downloadBytes));
        if (std::string_view(step.name) == "upload") std::printf("   %.1f MB", mib(upgrade.uploadBytes));
        std::printf("\n");
    }
    std::printf("  %-18s %10.1f\n  %-18s %10.1f\n", "download phase", upgrade.downloadPhaseSeconds * 1e3,
                "upload phase", upgrade.uploadPhaseSeconds * 1e3);

    std::printf("Comparison:\n");
    const StepTime* download = findStep(upgrade.steps, "download");
    const StepTime* upload = findStep(upgrade.steps, "upload");
    const double downloadRate = mib(upgrade.downloadBytes) / download->wallSeconds;
    std::printf("  download %.1f MB/s, upload %.1f MB/s", downloadRate, mib(upgrade.uploadBytes) / upload->wallSeconds);
    if (fetchAloneSeconds) {
        const double fetchRate = mib(kBackupSize) / *fetchAloneSeconds;
        std::printf("; fetch alone %.1f MB/s (download at %.0f%% of it)", fetchRate, 100.0 * downloadRate / fetchRate);
    }
    std::printf("\n");
    for (const FileTransfer& file : upgrade.files)
        std::printf("    of which the %-22s %6.1f MB in %7.1f ms: %5.1f MB/s\n", file.what.c_str(), mib(file.bytes),
                    file.seconds * 1e3, mib(file.bytes) / file.seconds);
    if (!offline) return;
    for (const StepTime* reference : {&offline->convert, &offline->merge, &offline->postprocess}) {
        const StepTime* step = findStep(upgrade.steps, reference->name);
        std::printf("  %-16s step %8.1f ms (cpu %8.1f); offline %8.1f ms (cpu %8.1f); x%.2f\n", reference->label,
                    step->wallSeconds * 1e3, step->cpuSeconds * 1e3, reference->wallSeconds * 1e3,
                    reference->cpuSeconds * 1e3, step->wallSeconds / reference->wallSeconds);
    }
}

// True when the benchmark's output goes to standard output in a format other than the console's.
bool otherFormatAsked(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.starts_with("--benchmark_format=") && arg != "--benchmark_format=console") return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const bool table = !otherFormatAsked(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (table && wholeUpgrade) printSummary(*wholeUpgrade);
    std::error_code ec;
    fs::remove_all(scratchRoot(), ec);
    return 0;
}
