// Edge feathering of a pass, every head: straight (PRNEdgeFeather) and wave (PRNEdgeFeatherWave).
// The mask rows are built once and kept, as in printing, so the figure is the per-pass cost.
#include "BenchCommon.h"

namespace {

using benchpass::PassEngine;

// args: configuration, mode (1 straight, 2 wave), uiFeatherSize
void BM_Feather(benchmark::State& state) {
    PassEngine p(benchpass::config(state.range(0)));
    CDrvPrint& d = *p.d;
    const unsigned mode = unsigned(state.range(1));
    d.uiFeatherMode = mode;
    d.uiFeatherSize = unsigned(state.range(2));
    d.uiZeroToHead = 300;
    for (auto _ : state) {
        if (mode == 1) d.PRNEdgeFeather();
        else d.PRNEdgeFeatherWave();
        benchmark::ClobberMemory();
    }
    // What feathering touches: the rows it thins and the rows it clears beyond the band.
    const double F = mode == 2 ? d.uiFeatherSize / 2 : d.uiFeatherSize;
    const double V = double(d.uiLinesPerStep) * d.uiPassCount;
    const double capacity = 128.0 * ((d.NOZZLESPERHEAD + 127) / 128);
    const double rowsTouched = 4 * F + std::max(0.0, capacity - (2 * F + V)); // 2F rows in each of two zones
    benchpass::reportBytes(state, rowsTouched * p.R * p.cfg.heads);
    state.SetLabel(std::string(p.cfg.name) + (mode == 1 ? " straight" : " wave"));
}

} // namespace

BENCHMARK(BM_Feather)
    ->ArgNames({"config", "mode", "size"})
    ->Args({0, 1, 4})
    ->Args({0, 2, 8})
    ->Args({1, 1, 16})
    ->Args({1, 2, 32})
    ->Unit(benchmark::kMicrosecond);

CARVEX_BENCH_MAIN()
