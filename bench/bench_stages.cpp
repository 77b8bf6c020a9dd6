// The stages around the transposition that the print loop runs on every pass, each the engine's
// own: a band into the colour rings (PRNReadData), the head rows of a pass (PRNReadToSend, which
// ends with the blank-margin search), the blank-margin search alone (IMGGetBlankPosition) and the
// card transfer assembly (IMGSendMemoryToCard8Lines / IMGSendMemoryToCard, devices "none").
#include "BenchJob.h"

namespace {

using benchpass::JobEngine;

// args: configuration, file (1: the band is read from the print file in the page cache; 0: the
// image has been read, so the band is blank and only the ring work is left: clearing the slot,
// the band's temporary and the split into the rings)
void BM_BandToRings(benchmark::State& state) {
    JobEngine& j = benchpass::sharedJob(benchpass::config(state.range(0)));
    if (!benchpass::ready(state, j)) return;
    CDrvPrint& d = *j.d;
    const bool file = state.range(1) != 0;
    for (auto _ : state) {
        if (file) {
            j.readBand();
        } else {
            d.uiLinesRead = d.ripHead.uiHeight * d.ripHead.uiColors; // nothing left to read
            d.PRNReadData();
        }
        benchmark::ClobberMemory();
    }
    const double band = double(d.uiBandBytes) * d.ripHead.uiColors;
    benchpass::reportBytes(state, band);
    state.counters["band_MB"] = band / 1e6;
    state.SetLabel(std::string(j.cfg.name) + (file ? " read" : " blank band"));
}

// The head rows of one pass (the rings hold whole inked bands): PRNReadToSend clears every head's
// pass buffer, cuts its rows out of the ring and searches the blank margins.
void BM_PassRows(benchmark::State& state) {
    JobEngine& j = benchpass::sharedJob(benchpass::config(state.range(0)));
    if (!benchpass::ready(state, j)) return;
    CDrvPrint& d = *j.d;
    for (auto _ : state) {
        d.PRNReadToSend();
        benchmark::ClobberMemory();
    }
    benchpass::reportBytes(state, double(j.cfg.heads) * d.uiPassRows * d.uiPassRowBytes);
    state.SetLabel(j.cfg.name);
}

// args: configuration, blank pass (1: every head buffer empty, so every row is searched whole)
void BM_BlankMargins(benchmark::State& state) {
    JobEngine& j = benchpass::sharedJob(benchpass::config(state.range(0)));
    if (!benchpass::ready(state, j)) return;
    CDrvPrint& d = *j.d;
    if (state.range(1))
        for (unsigned h = 0; h < j.cfg.heads; ++h) std::memset(d.headPassBuf[h].get(), 0, d.uiHeadPassSize);
    for (auto _ : state) {
        d.IMGGetBlankPosition();
        benchmark::DoNotOptimize(d.uiPassLeftTrim);
    }
    benchpass::reportBytes(state, double(j.cfg.heads) * d.uiPassRows * d.uiPassRowBytes);
    state.SetLabel(std::string(j.cfg.name) + (d.bBlankPass ? " blank" : " inked") + " left " +
                   std::to_string(d.uiPassLeftTrim) + " right " + std::to_string(d.uiPassRightEnd));
}

// args: configuration, layout (1: 8-line, 0: 16-byte)
void BM_CardAssembly(benchmark::State& state) {
    JobEngine& j = benchpass::sharedJob(benchpass::config(state.range(0)));
    if (!benchpass::ready(state, j)) return;
    CDrvPrint& d = *j.d;
    const bool eight = state.range(1) != 0;
    d.bEightLineMode = eight;
    d.PRNReadToSend();
    d.IMGRowToColumn();
    uint64_t sent = 0;
    for (auto _ : state) {
        const uint64_t before = d.uiCardBytesSent;
        if (eight) d.IMGSendMemoryToCard8Lines();
        else d.IMGSendMemoryToCard();
        sent = d.uiCardBytesSent - before;
        benchmark::ClobberMemory();
    }
    // What a whole pass would be, had the card's blocks room for it: 16 bytes of every column
    // per 128 nozzle rows of every head.
    const unsigned lead = eight ? d.UI_DPIRate(1, d.uiHeadWidth + 100)
                                : std::max(d.UI_DPIRate(1, d.uiHeadsSpan), d.UI_DPIRate(1, d.uiHeadWidth + 100));
    const double whole = double(j.cfg.heads) * d.uiCardRowBytes * (double(lead) + d.uiColorBarWidth + d.uiPassWidthDots);
    benchpass::reportBytes(state, double(sent));
    state.counters["pass_MB"] = double(sent) / 1e6;
    state.counters["share_of_pass"] = double(sent) / whole; // below 1: the block cut the pass
    state.counters["writes_per_pass"] = double((sent + 32767) / 32768);
    state.SetLabel(std::string(j.cfg.name) + (eight ? " 8-line" : " 16-byte"));
}

} // namespace

BENCHMARK(BM_BandToRings)->ArgNames({"config", "file"})->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PassRows)->ArgName("config")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlankMargins)->ArgNames({"config", "blank"})->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CardAssembly)->ArgNames({"config", "eightline"})->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond);

CARVEX_BENCH_MAIN()
