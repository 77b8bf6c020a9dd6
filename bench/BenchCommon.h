#pragma once
// Shared pieces of the pass benchmarks: the two pass configurations, an engine with exactly sized
// head buffers and random dots, and the memcpy yardstick every figure is divided by.
//
// Every benchmark reports bytes_per_second and the custom counter "ratio_to_memcpy": its bytes
// per second divided by the bandwidth of a 16 MiB memcpy measured at the start of the same run,
// so that figures taken on different machines (or on a busy one) can be compared.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/DrvPrint.h"

namespace benchpass {

// ---- the yardstick
inline double& memcpyBytesPerSecond() {
    static double v = 0;
    return v;
}

// CPU time of the calling thread, in seconds: the benchmarks report CPU time too, so a machine
// shared with other work slows the yardstick and the figures alike.
inline double threadSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Best of several copies of 16 MiB between two buffers already touched.
inline double measureMemcpy() {
    const size_t n = 16u << 20;
    std::vector<uint8_t> a(n, 1), b(n, 2);
    double best = 1e30;
    for (int i = 0; i < 40; ++i) {
        const double t0 = threadSeconds();
        std::memcpy(b.data(), a.data(), n);
        benchmark::ClobberMemory();
        best = std::min(best, threadSeconds() - t0);
        std::swap(a, b);
    }
    return double(n) / best;
}

// Sets bytes_per_second and ratio_to_memcpy for `bytes` handled per iteration.
inline void reportBytes(benchmark::State& state, double bytes) {
    state.SetBytesProcessed(int64_t(bytes * double(state.iterations())));
    const double ref = memcpyBytesPerSecond() > 0 ? memcpyBytesPerSecond() : 1.0;
    state.counters["ratio_to_memcpy"] = benchmark::Counter(bytes * double(state.iterations()) / ref,
                                                           benchmark::Counter::kIsRate);
}

// ---- pass configurations
struct PassConfig {
    const char* name;
    unsigned heads;
    unsigned nozzles;
    unsigned dpi;        // job resolution in X and Y
    unsigned widthDots;  // dots across the pass
    float dpiRate;       // job dots per native X step (native 180 dpi)
    unsigned passCount;  // passes per band
    unsigned ydpi = 0;   // along the media when it differs from dpi (0: dpi)
};
// The construction defaults: 4 heads of 126 nozzles at 180 dpi, a 1.8 m wide print.
inline const PassConfig kDefault{"Default", 4, 126, 180, 12800, 1.0f, 2};
// A large machine: 8 heads of 512 nozzles at 720 dpi, 90,000 dots (3.2 m) wide.
inline const PassConfig kLarge{"Large", 8, 512, 720, 90000, 4.0f, 4};
// The default machine across its whole 1600 mm sheet at 720 dpi (180 dpi along the media).
inline const PassConfig kBanner720{"Banner720", 4, 126, 720, 45354, 4.0f, 2, 180};
inline const PassConfig& config(int64_t i) { return i == 0 ? kDefault : i == 1 ? kLarge : kBanner720; }

// An engine laid out for one pass of the configuration: head pass buffers of exactly the pass's
// nozzle rows, card buffers of exactly the columns the layouts clear, random dots of the given
// density (percent of bytes inked) with blank margins of 5 % on both sides.
struct PassEngine {
    std::unique_ptr<CDrvPrint> d = std::make_unique<CDrvPrint>();
    PassConfig cfg;
    unsigned R = 0, K = 0, K8 = 0, rows = 0;

    explicit PassEngine(const PassConfig& c, int density = 60, unsigned seed = 1) : cfg(c) {
        CDrvPrint& e = *d;
        e.HEADS = c.heads;
        e.COLORS = c.heads;
        e.headAlignment.COLORS = c.heads;
        e.NOZZLESPERHEAD = c.nozzles;
        e.NOZZLESOFFSET = 0;
        e.uiNozzlesPerColor = c.nozzles;
        e.uiHeadsPerColor = 1;
        e.fDPIRate = c.dpiRate;
        e.uiPassCount = c.passCount;
        e.uiInterlace = 1;
        e.uiNozzlesPerPass = c.nozzles / c.passCount;
        e.uiLinesPerStep = e.uiNozzlesPerPass;
        e.uiHeadWidth = 600;
        K = (c.nozzles + 127) / 128 * 16;
        K8 = 8 * K;
        R = (c.widthDots + 7) / 8;
        rows = K8;
        e.uiPassRowBytes = R;
        e.uiPassRows = rows;
        e.uiPassWidthDots = c.widthDots;
        e.uiCardRowBytes = K;
        for (unsigned h = 0; h < c.heads; ++h) {
            e.ColorChannel[h] = int(h);
            e.headAlignment.HeadOffsetXR[h] = int(40 * h);
            e.headAlignment.HeadOffsetXL[h] = int(40 * (c.heads - 1 - h));
        }
        const uint64_t passBytes = uint64_t(rows) * R;
        const uint64_t cardBytes =
            (uint64_t(e.UI_DPIRate(1, e.uiHeadWidth + 100)) + c.widthDots + 16 + 100) * uint64_t(K);
        for (unsigned h = 0; h < c.heads; ++h) {
            e.headPassBuf.emplace_back(new uint8_t[passBytes]());
            e.headCardBuf.emplace_back(new uint8_t[cardBytes]());
        }
        e.uiHeadsAllocated = c.heads;
        e.uiHeadPassSize = passBytes;
        e.uiHeadCardSize = cardBytes;
        fill(density, seed);
    }

    void fill(int density, unsigned seed) {
        std::mt19937_64 gen(seed);
        const unsigned margin = R / 20;
        for (unsigned h = 0; h < cfg.heads; ++h) {
            uint8_t* p = d->headPassBuf[h].get();
            for (unsigned r = 0; r < cfg.nozzles; ++r)
                for (unsigned b = margin; b + margin < R; ++b)
                    if (int(gen() % 100) < density) p[size_t(r) * R + b] = uint8_t(gen() | 1);
        }
    }

    // Bytes of nozzle rows handled per pass: every head's rows of the card's nozzle capacity.
    double passBytes() const { return double(cfg.heads) * K8 * R; }
};

// A fresh temporary folder, removed at the end.
struct TempDir {
    std::string path;
    TempDir() {
        std::string t = (std::filesystem::temp_directory_path() / "carvex-bench-XXXXXX").string();
        if (::mkdtemp(t.data())) path = t;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
};

inline void BM_Memcpy16MiB(benchmark::State& state) {
    const size_t n = 16u << 20;
    std::vector<uint8_t> a(n, 1), b(n, 2);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), n);
        benchmark::ClobberMemory();
    }
    reportBytes(state, double(n));
}

} // namespace benchpass

// main() of every pass benchmark: measures the yardstick, then runs the registered benchmarks.
#define CARVEX_BENCH_MAIN()                                                                                        \
    BENCHMARK(benchpass::BM_Memcpy16MiB);                                                                          \
    int main(int argc, char** argv) {                                                                              \
        benchpass::memcpyBytesPerSecond() = benchpass::measureMemcpy();                                            \
        benchmark::AddCustomContext("memcpy_16MiB_GBps", std::to_string(benchpass::memcpyBytesPerSecond() / 1e9)); \
        benchmark::Initialize(&argc, argv);                                                                        \
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;                                          \
        benchmark::RunSpecifiedBenchmarks();                                                                       \
        benchmark::Shutdown();                                                                                     \
        return 0;                                                                                                  \
    }
