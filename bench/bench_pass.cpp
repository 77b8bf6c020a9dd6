// The whole preparation of one pass on one core, as the print thread does it while the carriage
// travels the previous pass: read the band through CNetFile, split it into the colour rings,
// slice every head's nozzle rows, find the blank margins, feather, transpose into the card
// layout and assemble the card transfer. The stages the engine does not have yet are the
// stand-ins of PassStages.h. The figure to hold against the target is the time per pass.
#include <fstream>

#include "BenchCommon.h"
#include "PassStages.h"

namespace {

using benchpass::PassEngine;

// args: configuration, layout (1: 8-line, 0: 16-byte), feathering (0 off, 1 straight)
void BM_PassPreparation(benchmark::State& state) {
    PassEngine p(benchpass::config(state.range(0)), 1);
    CDrvPrint& d = *p.d;
    const bool eight = state.range(1) != 0;
    d.bEightLineMode = eight;
    d.uiFeatherMode = unsigned(state.range(2));
    d.uiFeatherSize = d.uiFeatherMode ? 8 : 0;
    const unsigned lines = d.uiNozzlesPerPass, planes = p.cfg.heads, R = p.R;
    const size_t band = size_t(lines) * planes * R;
    const size_t bands = 4;

    benchpass::TempDir dir;
    const std::string path = dir.path + "/pass.prn";
    {
        std::mt19937_64 gen(3);
        std::vector<uint8_t> data(band * bands + 48);
        for (size_t i = 48; i < data.size(); ++i) data[i] = (gen() % 100) < 60 ? uint8_t(gen()) : 0;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    }
    CNetFile f;
    if (!f.Open(path, CNetFile::modeRead)) {
        state.SkipWithError("cannot open the print file");
        return;
    }
    const uint64_t ringLines = uint64_t(p.cfg.nozzles) * 2;
    std::vector<std::vector<uint8_t>> rings(planes, std::vector<uint8_t>(size_t(ringLines) * R, 0));
    std::vector<uint8_t> buf(band), chunk;
    const unsigned columns = d.UI_DPIRate(1, d.uiHeadWidth + 100) + d.uiColorBarWidth + d.uiPassWidthDots;
    uint64_t at = 0;
    size_t i = 0;
    for (auto _ : state) {
        f.Seek(48 + (i++ % bands) * band);
        if (f.Read(buf.data(), unsigned(band)) != band) {
            state.SkipWithError("short read");
            break;
        }
        benchpass::ringDeinterleave(buf.data(), lines, planes, R, rings, ringLines, at);
        at = (at + lines) % ringLines;
        benchpass::sliceHeadRows(d, rings, ringLines, at, 1, 0);
        auto blank = benchpass::blankMargins(d);
        benchmark::DoNotOptimize(blank);
        if (d.uiFeatherMode) d.PRNEdgeFeather();
        d.IMGRowToColumn();
        const size_t writes = eight ? benchpass::assembleCard8(d, (columns + 7) / 8, chunk)
                                    : benchpass::assembleCard16(d, columns, chunk);
        benchmark::DoNotOptimize(writes);
        benchmark::ClobberMemory();
    }
    f.Close();
    benchpass::reportBytes(state, p.passBytes());
    state.SetLabel(std::string(p.cfg.name) + (eight ? " 8-line" : " 16-byte") + (d.uiFeatherMode ? " feathered" : ""));
}

} // namespace

BENCHMARK(BM_PassPreparation)
    ->ArgNames({"config", "eightline", "feather"})
    ->ArgsProduct({{0, 1}, {1, 0}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

CARVEX_BENCH_MAIN()
