// The two card layouts of a pass: IMGRowToColumnHead (16-byte columns) for every head, and
// IMGRowToColumn8Lines (8-line groups), in both configurations, both pass mirrorings and every
// kernel the processor can run.
#include "BenchCommon.h"
#include "core/TransposeInternal.h"

namespace {

using benchpass::PassEngine;
using raster::TransposeKernel;

// args: configuration, kernel, pass mirror
void BM_Transpose16(benchmark::State& state) {
    PassEngine p(benchpass::config(state.range(0)));
    const auto want = TransposeKernel(state.range(1));
    const auto got = raster::setTransposeKernel(want);
    if (got != want) {
        state.SkipWithError("this processor has no such kernel");
        return;
    }
    p.d->bEightLineMode = 0;
    p.d->bPassMirror = int(state.range(2));
    for (auto _ : state) {
        p.d->IMGRowToColumn();
        benchmark::ClobberMemory();
    }
    raster::setTransposeKernel(TransposeKernel::Best);
    benchpass::reportBytes(state, p.passBytes());
    state.SetLabel(std::string(p.cfg.name) + " " + raster::kernelName(got));
}

void BM_Transpose8Lines(benchmark::State& state) {
    PassEngine p(benchpass::config(state.range(0)));
    const auto want = TransposeKernel(state.range(1));
    const auto got = raster::setTransposeKernel(want);
    if (got != want) {
        state.SkipWithError("this processor has no such kernel");
        return;
    }
    p.d->bEightLineMode = 1;
    p.d->bPassMirror = int(state.range(2));
    for (auto _ : state) {
        p.d->IMGRowToColumn();
        benchmark::ClobberMemory();
    }
    raster::setTransposeKernel(TransposeKernel::Best);
    benchpass::reportBytes(state, p.passBytes());
    state.SetLabel(std::string(p.cfg.name) + " " + raster::kernelName(got));
}

// The 8-line layout with a gradient across the nozzle rows (each row block its own offset).
void BM_Transpose8LinesGradient(benchmark::State& state) {
    PassEngine p(benchpass::config(state.range(0)));
    p.d->bEightLineMode = 1;
    p.d->bGradientOn = 1;
    p.d->GRADIENTOFFSETR = 24;
    for (auto _ : state) {
        p.d->IMGRowToColumn();
        benchmark::ClobberMemory();
    }
    benchpass::reportBytes(state, p.passBytes());
    state.SetLabel(std::string(p.cfg.name) + " " + raster::kernelName(raster::setTransposeKernel(TransposeKernel::Best)));
}

// A plain copy of as many bytes as a pass holds (its rows to another buffer): a Large pass is
// larger than the last-level cache, unlike the 16 MiB yardstick, so this is the speed its
// transposition could reach at best.
void BM_CopyOfAPass(benchmark::State& state) {
    PassEngine p(benchpass::config(state.range(0)));
    const size_t n = size_t(p.passBytes());
    std::vector<uint8_t> a(n, 1), b(n, 2);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), n);
        benchmark::ClobberMemory();
    }
    benchpass::reportBytes(state, double(n));
    state.SetLabel(std::string(p.cfg.name) + " copy of a pass's bytes");
}

void kernelArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"config", "kernel", "mirror"});
    for (int c : {0, 1})
        for (int k : {int(TransposeKernel::Portable), int(TransposeKernel::Sse2), int(TransposeKernel::Avx2),
                      int(TransposeKernel::Avx512)})
            for (int m : {0, 1}) b->Args({c, k, m});
    b->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_Transpose16)->Apply(kernelArgs);
BENCHMARK(BM_Transpose8Lines)->Apply(kernelArgs);
BENCHMARK(BM_CopyOfAPass)->ArgName("config")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Transpose8LinesGradient)->ArgName("config")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

CARVEX_BENCH_MAIN()
