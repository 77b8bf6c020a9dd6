// Preview bitmap and mark files of a print file (preview::makePreview, preview::makeMarkFiles),
// run on the calling thread without the engine's worker. The preview reads a 16-line sample per
// preview row, so its figure counts the raster bytes it read; the mark files count the bytes
// written to the front and rear files.
#include <filesystem>
#include <random>

#include "BenchCommon.h"
#include "core/RipWriter.h"
#include "preview/ImageJobs.h"

namespace {

// A print file of the configuration: its resolution, width and planes (one per head), `lines`
// lines of random dots.
std::string writePrint(const benchpass::TempDir& dir, const benchpass::PassConfig& c, uint32_t lines) {
    RipHead h;
    h.uiXDPI = h.uiYDPI = c.dpi;
    h.uiWidth = c.widthDots;
    h.uiBytesPerLine = (c.widthDots + 7) / 8;
    h.uiHeight = lines;
    h.uiColors = c.heads;
    const std::string path = dir.path + "/print.prn";
    RipWriter w;
    if (!w.Open(path, h)) return {};
    std::mt19937_64 gen(7);
    std::vector<uint8_t> line(size_t(h.uiBytesPerLine) * h.uiColors);
    for (uint32_t y = 0; y < lines; ++y) {
        for (auto& b : line) b = uint8_t(gen());
        if (!w.WriteLine(line.data())) return {};
    }
    return w.Finish() ? path : std::string();
}

void BM_Preview(benchmark::State& state) {
    const auto& c = benchpass::config(state.range(0));
    benchpass::TempDir dir;
    // The preview samples 16 lines per row whatever the length; a long print only costs disk.
    const std::string path = writePrint(dir, c, state.range(0) == 0 ? 4000 : 1500);
    if (path.empty()) {
        state.SkipWithError("cannot write the print file");
        return;
    }
    preview::PreviewOptions o;
    o.alignColors = 4;
    uint64_t bytes = 0;
    for (auto _ : state) {
        const auto r = preview::makePreview(path, o, {});
        if (r.outcome != preview::WorkResult::Done) {
            state.SkipWithError(r.error.c_str());
            break;
        }
        bytes = r.bytesRead;
    }
    benchpass::reportBytes(state, double(bytes));
    state.SetLabel(c.name);
}

void BM_MarkFiles(benchmark::State& state) {
    const auto& c = benchpass::config(state.range(0));
    benchpass::TempDir dir;
    const std::string path = writePrint(dir, c, uint32_t(state.range(1)));
    if (path.empty()) {
        state.SkipWithError("cannot write the print file");
        return;
    }
    preview::MarkOptions o;
    o.headDPI = 180.0f;
    double bytes = 0;
    for (auto _ : state) {
        const auto r = preview::makeMarkFiles(path, o, {});
        if (r.outcome != preview::WorkResult::Done) {
            state.SkipWithError(r.error.c_str());
            break;
        }
        std::error_code ec;
        bytes = double(std::filesystem::file_size(r.output, ec) + std::filesystem::file_size(r.output2, ec));
    }
    benchpass::reportBytes(state, bytes);
    state.SetLabel(c.name);
}

} // namespace

BENCHMARK(BM_Preview)->ArgName("config")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
// The mark files add a 500 mm blank run: at 720 dpi that alone is over a gigabyte for the large
// configuration, so it runs on the default one with a short and a long print.
BENCHMARK(BM_MarkFiles)->ArgNames({"config", "lines"})->Args({0, 360})->Args({0, 3600})->Unit(benchmark::kMillisecond);

CARVEX_BENCH_MAIN()
