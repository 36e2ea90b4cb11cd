// Throughput of fetching a 64 MB file from the simulator over loopback, against the raw speed of the
// cipher and hash that bound it. The fetch runs the whole path: the simulator encrypts and checks
// each 8192-byte block, the client receives, checks, decrypts and writes it to a local file. The raw
// figures run the same libcrypto routines over the same data in 8192-byte pieces, each from the
// zero chaining value as the protocol does; a fetch at privacy 2 should reach at least 80% of the raw
// two-key triple DES figure.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "lib/fwall/crypto.h"
#include "lib/fwall/framing.h"
#include "lib/fwall/mgmt_session.h"
#include "sim/launcher.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kFileSize = size_t{64} << 20;
constexpr size_t kPiece = fwall::kMaxBlockData;

// The data every benchmark works on, and the simulator's root holding it as /big.
struct Fixture {
    fs::path dir;
    std::vector<std::uint8_t> data;

    Fixture() : data(kFileSize) {
        char pattern[] = "/tmp/bench-fwall-XXXXXX";
        dir = ::mkdtemp(pattern);
        std::mt19937_64 gen(7);
        for (size_t i = 0; i < data.size(); i += 8) {
            std::uint64_t v = gen();
            std::memcpy(&data[i], &v, 8);
        }
        fs::create_directories(dir / "root");
        std::ofstream out(dir / "root/big", std::ios::binary);
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// CPU seconds used so far by this process, and by another process (from /proc).
double own_cpu_seconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double process_cpu_seconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string skip;
    for (int i = 3; i <= 13; ++i) fields >> skip;  // state .. cmajflt
    double utime = 0, stime = 0;
    fields >> utime >> stime;
    return (utime + stime) / double(::sysconf(_SC_CLK_TCK));
}

// Besides wall-clock throughput, the fetch reports each side's throughput per CPU second: on a
// machine busy with other work the wall clock measures the scheduler, while the CPU figures show
// what the framing costs. With two idle cores the two sides run in parallel, so the fetch reaches
// the smaller of the two CPU figures.
void fetch(benchmark::State& state, int privacy, int integrity) {
    Fixture& f = fixture();
    fs::path work = f.dir / ("sim-" + std::to_string(privacy) + std::to_string(integrity));
    fs::create_directories(work);
    fwsim::FwsimProcess sim;
    std::string error;
    if (!sim.start(FWSIM_PROGRAM,
                   {"--root", (f.dir / "root").string(), "--password", "bench", "--privacy", std::to_string(privacy),
                    "--integrity", std::to_string(integrity)},
                   work, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    MgmtSession session;
    session.set_target("127.0.0.1", sim.port(), "admin", "bench");
    if (!session.login()) {
        state.SkipWithError("login failed");
        return;
    }
    const double client_before = own_cpu_seconds();
    const double server_before = process_cpu_seconds(sim.pid());
    for (auto _ : state) {
        int status = session.fetch_file("/big", (work / "fetched").c_str(), true);
        if (status != 200) {
            state.SkipWithError(("fetch failed: " + std::to_string(status)).c_str());
            break;
        }
    }
    const double bytes = double(state.iterations() * kFileSize);
    const double client_cpu = own_cpu_seconds() - client_before;
    const double server_cpu = process_cpu_seconds(sim.pid()) - server_before;
    session.logout();
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    if (client_cpu > 0) state.counters["client_MB/cpu_s"] = bytes / client_cpu / 1048576.0;
    if (server_cpu > 0) state.counters["fwsim_MB/cpu_s"] = bytes / server_cpu / 1048576.0;
}

void BM_FetchPrivacy2Integrity(benchmark::State& state) { fetch(state, 2, 1); }
void BM_FetchPrivacy1(benchmark::State& state) { fetch(state, 1, 0); }
void BM_FetchPrivacy0Integrity(benchmark::State& state) { fetch(state, 0, 1); }

// Raw figures: what one side does per byte, on one core.
struct Keys {
    fwall::DesSchedule s1, s2;
    std::uint8_t iv[8] = {};
    std::uint8_t integrity_key[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    Keys() {
        const std::uint8_t k1[8] = {0x13, 0x34, 0x57, 0x79, 0x9b, 0xbc, 0xdf, 0xf1};
        const std::uint8_t k2[8] = {0x0e, 0x32, 0x92, 0x32, 0xea, 0x6d, 0x0d, 0x73};
        fwall::des_make_schedule(k1, s1);
        fwall::des_make_schedule(k2, s2);
    }
};

template <typename PerPiece>
void raw(benchmark::State& state, PerPiece per_piece) {
    Fixture& f = fixture();
    std::vector<std::uint8_t> work(kPiece);
    const double before = own_cpu_seconds();
    for (auto _ : state) {
        for (size_t at = 0; at < f.data.size(); at += kPiece) {
            std::memcpy(work.data(), &f.data[at], kPiece);
            per_piece(work.data());
        }
        benchmark::DoNotOptimize(work.data());
    }
    const double cpu = own_cpu_seconds() - before;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize));
    if (cpu > 0) state.counters["MB/cpu_s"] = double(state.iterations() * kFileSize) / cpu / 1048576.0;
}

void BM_Raw3DesCbc(benchmark::State& state) {
    Keys k;
    raw(state, [&](std::uint8_t* p) { fwall::des_ede2_cbc_decrypt(k.s1, k.s2, p, kPiece, k.iv); });
}

void BM_RawDesCbc(benchmark::State& state) {
    Keys k;
    raw(state, [&](std::uint8_t* p) { fwall::des_cbc_decrypt(k.s1, p, kPiece, k.iv); });
}

void BM_RawMd5(benchmark::State& state) {
    Keys k;
    raw(state, [&](std::uint8_t* p) {
        std::uint8_t out[16];
        fwall::md5_of({{k.integrity_key, 16}, {p, kPiece}}, out);
        benchmark::DoNotOptimize(out);
    });
}

void BM_Raw3DesCbcAndMd5(benchmark::State& state) {
    Keys k;
    raw(state, [&](std::uint8_t* p) {
        std::uint8_t out[16];
        fwall::des_ede2_cbc_decrypt(k.s1, k.s2, p, kPiece, k.iv);
        fwall::md5_of({{k.integrity_key, 16}, {p, kPiece}}, out);
        benchmark::DoNotOptimize(out);
    });
}

}  // namespace

// Each figure is over whole 64 MB passes; wall-clock time, since the fetch spans two processes.
BENCHMARK(BM_Raw3DesCbc)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Raw3DesCbcAndMd5)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_FetchPrivacy2Integrity)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_RawDesCbc)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_FetchPrivacy1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_RawMd5)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_FetchPrivacy0Integrity)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();
