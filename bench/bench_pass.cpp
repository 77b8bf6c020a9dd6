// The whole preparation of one pass on one core, as the print thread does it, with the engine's
// own stages: PRNReadData (the band from the print file in the page cache into the colour rings),
// PRNReadToSend (every head's rows, the blank margins, the feathering), IMGRowToColumn (the card
// layout) and PRNSendMemoryToCard (the card transfer assembly; devices "none", so no bus time).
// The figure to hold against the target is the time per pass.
#include "BenchJob.h"

namespace {

using benchpass::JobEngine;

// args: configuration (0 Default, 1 Large, 2 the default machine's full-width banner at 720 dpi), layout (1: 8-line, 0:
// 16-byte), feathering (0 off, 1 straight), drop counting (1 on, as the engine prints; 0 off, for what it costs)
void BM_PassPreparation(benchmark::State& state) {
    const unsigned featherSize = state.range(2) ? 8 : 0;
    JobEngine& j = benchpass::sharedJob(benchpass::config(state.range(0)), featherSize);
    if (!benchpass::ready(state, j)) return;
    CDrvPrint& d = *j.d;
    const bool eight = state.range(1) != 0;
    d.bEightLineMode = eight;
    d.bCountDrops = state.range(3) != 0;
    double stage[4] = {0, 0, 0, 0};
    for (auto _ : state) {
        double t = benchpass::threadSeconds(), u;
        j.readBand();
        stage[0] += (u = benchpass::threadSeconds()) - t;
        d.PRNReadToSend();
        stage[1] += (t = benchpass::threadSeconds()) - u;
        d.IMGRowToColumn();
        stage[2] += (u = benchpass::threadSeconds()) - t;
        d.PRNSendMemoryToCard();
        stage[3] += benchpass::threadSeconds() - u;
        benchmark::ClobberMemory();
    }
    d.bEightLineMode = 1;
    d.bCountDrops = true;
    const double n = double(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["read_ms"] = 1e3 * stage[0] / n;
    state.counters["rows_ms"] = 1e3 * stage[1] / n;
    state.counters["transpose_ms"] = 1e3 * stage[2] / n;
    state.counters["card_ms"] = 1e3 * stage[3] / n;
    benchpass::reportBytes(state, j.passBytes());
    state.SetLabel(std::string(j.cfg.name) + (eight ? " 8-line" : " 16-byte") + (d.uiFeatherMode ? " feathered" : "") +
                   (state.range(3) ? "" : " uncounted"));
}

} // namespace

BENCHMARK(BM_PassPreparation)
    ->ArgNames({"config", "eightline", "feather", "count"})
    ->ArgsProduct({{0, 1, 2}, {1, 0}, {0, 1}, {1, 0}})
    ->Unit(benchmark::kMillisecond);

CARVEX_BENCH_MAIN()
