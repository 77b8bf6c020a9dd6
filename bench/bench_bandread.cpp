// A band read from a print file through CNetFile: the raster of one media advance (all planes),
// read with one Read call after a Seek, as the band reader does. The file is freshly written, so
// it is in the page cache: the figure is the cost of the read itself, not of the disk.
#include <fstream>

#include "BenchCommon.h"

namespace {

using benchpass::PassEngine;

void BM_BandRead(benchmark::State& state) {
    PassEngine p(benchpass::config(state.range(0)), 1);
    const size_t band = size_t(p.d->uiNozzlesPerPass) * p.cfg.heads * p.R; // lines x planes x bytes
    const size_t bands = 4;
    benchpass::TempDir dir;
    const std::string path = dir.path + "/band.prn";
    {
        std::vector<char> data(band * bands + 48, 0x33);
        std::ofstream(path, std::ios::binary).write(data.data(), std::streamsize(data.size()));
    }
    CNetFile f;
    if (!f.Open(path, CNetFile::modeRead)) {
        state.SkipWithError("cannot open the band file");
        return;
    }
    std::vector<uint8_t> buf(band);
    size_t i = 0;
    for (auto _ : state) {
        f.Seek(48 + (i++ % bands) * band);
        const unsigned got = f.Read(buf.data(), unsigned(band));
        if (got != band) {
            state.SkipWithError("short read");
            break;
        }
        benchmark::ClobberMemory();
    }
    f.Close();
    benchpass::reportBytes(state, double(band));
    state.SetLabel(p.cfg.name);
}

} // namespace

BENCHMARK(BM_BandRead)->ArgName("config")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

CARVEX_BENCH_MAIN()
