// The stages around the transposition that the print loop is to run on every pass: splitting a
// band into the colour rings, slicing each head's nozzle rows out of the rings, the blank-margin
// search and the assembly of the card transfer (stand-ins, see PassStages.h).
#include "BenchCommon.h"
#include "PassStages.h"

namespace {

using benchpass::PassEngine;

struct Rings {
    std::vector<std::vector<uint8_t>> rings;
    uint64_t lines = 0;
    Rings(const PassEngine& p) {
        // Enough lines for one head's rows; the band of a pass is the media advance.
        lines = uint64_t(p.cfg.nozzles) * 2;
        rings.assign(p.cfg.heads, std::vector<uint8_t>(size_t(lines) * p.R, 0x5A));
    }
};

void BM_RingDeinterleave(benchmark::State& state) {
    PassEngine p(benchpass::config(state.range(0)));
    Rings r(p);
    const unsigned lines = p.d->uiNozzlesPerPass, planes = p.cfg.heads;
    std::vector<uint8_t> band(size_t(lines) * planes * p.R, 0xA5);
    uint64_t at = 0;
    for (auto _ : state) {
        benchpass::ringDeinterleave(band.data(), lines, planes, p.R, r.rings, r.lines, at);
        at = (at + lines) % r.lines;
        benchmark::ClobberMemory();
    }
    benchpass::reportBytes(state, double(band.size()));
    state.SetLabel(p.cfg.name);
}

void BM_SliceHeadRows(benchmark::State& state) {
    PassEngine p(benchpass::config(state.range(0)));
    Rings r(p);
    uint64_t base = 0;
    for (auto _ : state) {
        benchpass::sliceHeadRows(*p.d, r.rings, r.lines, base, 1, 0);
        base = (base + p.d->uiNozzlesPerPass) % r.lines;
        benchmark::ClobberMemory();
    }
    benchpass::reportBytes(state, double(p.cfg.heads) * p.cfg.nozzles * p.R);
    state.SetLabel(p.cfg.name);
}

// args: configuration, blank pass (1: every head buffer empty, so every row is searched whole)
void BM_BlankMargins(benchmark::State& state) {
    PassEngine p(benchpass::config(state.range(0)));
    if (state.range(1))
        for (unsigned h = 0; h < p.cfg.heads; ++h) std::memset(p.d->headPassBuf[h].get(), 0, p.d->uiHeadPassSize);
    benchpass::BlankResult res;
    for (auto _ : state) {
        res = benchpass::blankMargins(*p.d);
        benchmark::DoNotOptimize(res);
    }
    benchpass::reportBytes(state, p.passBytes());
    state.SetLabel(std::string(p.cfg.name) + (res.blank ? " blank" : " inked"));
}

// args: configuration, layout (1: 8-line, 0: 16-byte)
void BM_CardAssembly(benchmark::State& state) {
    PassEngine p(benchpass::config(state.range(0)));
    CDrvPrint& d = *p.d;
    const bool eight = state.range(1) != 0;
    d.bEightLineMode = eight;
    d.IMGRowToColumn();
    const unsigned columns = d.UI_DPIRate(1, d.uiHeadWidth + 100) + d.uiColorBarWidth + d.uiPassWidthDots;
    const unsigned groups = (columns + 7) / 8;
    std::vector<uint8_t> chunk;
    size_t writes = 0;
    for (auto _ : state) {
        writes = eight ? benchpass::assembleCard8(d, groups, chunk) : benchpass::assembleCard16(d, columns, chunk);
        benchmark::DoNotOptimize(chunk.data());
        benchmark::ClobberMemory();
    }
    const double bytes = eight ? double(p.cfg.heads) * p.K8 * groups : double(p.cfg.heads) * p.K * columns;
    benchpass::reportBytes(state, bytes);
    state.counters["writes_per_pass"] = double(writes);
    state.SetLabel(std::string(p.cfg.name) + (eight ? " 8-line" : " 16-byte"));
}

} // namespace

BENCHMARK(BM_RingDeinterleave)->ArgName("config")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SliceHeadRows)->ArgName("config")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlankMargins)->ArgNames({"config", "blank"})->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CardAssembly)->ArgNames({"config", "eightline"})->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond);

CARVEX_BENCH_MAIN()
