// Preview bitmap and mark files of a print file (preview::makePreview, preview::makeMarkFiles),
// run on the calling thread without the engine's worker. The preview reads a 16-line sample per
// preview row, so its figure counts the raster bytes it read; the mark files count the bytes
// written to the front and rear files.
#include <cstdio>
#include <filesystem>
#include <fstream>
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
    // The preview samples 16 lines per preview row whatever the length, so its cost follows the
    // preview's size, not the file's: the two default prints are both taller than wide (the same
    // 800-row preview) and must cost about the same although one file is four times the other.
    // The large prints are wider than tall, so their previews grow with the length (rows shown).
    const std::string path = writePrint(dir, c, uint32_t(state.range(1)));
    if (path.empty()) {
        state.SkipWithError("cannot write the print file");
        return;
    }
    preview::PreviewOptions o;
    o.alignColors = 4;
    uint64_t bytes = 0;
    uint32_t rows = 0;
    for (auto _ : state) {
        const auto r = preview::makePreview(path, o, {});
        if (r.outcome != preview::WorkResult::Done) {
            state.SkipWithError(r.error.c_str());
            break;
        }
        bytes = r.bytesRead;
        rows = r.total;
    }
    benchpass::reportBytes(state, double(bytes));
    state.counters["preview_rows"] = double(rows);
    std::error_code ec;
    state.counters["file_MB"] = double(std::filesystem::file_size(path, ec)) / 1e6;
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

// A plain copy of a print file of the same size as the mark files' input, on the same disk: the
// rate the mark files are read against.
void BM_FileCopy(benchmark::State& state) {
    const auto& c = benchpass::config(state.range(0));
    benchpass::TempDir dir;
    const std::string path = writePrint(dir, c, uint32_t(state.range(1)));
    if (path.empty()) {
        state.SkipWithError("cannot write the print file");
        return;
    }
    const std::string copy = dir.path + "/copy.prn";
    std::error_code ec;
    for (auto _ : state) {
        std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing, ec);
        if (ec) {
            state.SkipWithError(ec.message().c_str());
            break;
        }
    }
    benchpass::reportBytes(state, double(std::filesystem::file_size(path, ec)));
    state.SetLabel(c.name);
}

// A plain copy, in user space through a 1 MiB buffer, of a file as large as the two mark files
// of the same print together: the rate the mark files' writing is read against (they write
// several times their input's bytes, mostly a blank run).
void BM_FileCopyOfMarkSize(benchmark::State& state) {
    const auto& c = benchpass::config(state.range(0));
    benchpass::TempDir dir;
    const std::string path = writePrint(dir, c, uint32_t(state.range(1)));
    preview::MarkOptions o;
    o.headDPI = 180.0f;
    const auto r = path.empty() ? preview::WorkResult{} : preview::makeMarkFiles(path, o, {});
    if (path.empty() || r.outcome != preview::WorkResult::Done) {
        state.SkipWithError("cannot make the mark files");
        return;
    }
    std::error_code ec;
    const uint64_t size = std::filesystem::file_size(r.output, ec) + std::filesystem::file_size(r.output2, ec);
    const std::string from = dir.path + "/big.bin", to = dir.path + "/copy.bin";
    {
        std::ofstream f(from, std::ios::binary);
        std::vector<char> block(1 << 20, 0);
        for (uint64_t left = size; left > 0;) {
            const size_t n = size_t(std::min<uint64_t>(left, block.size()));
            f.write(block.data(), std::streamsize(n));
            left -= n;
        }
    }
    std::vector<char> buf(1 << 20);
    for (auto _ : state) {
        FILE* in = std::fopen(from.c_str(), "rb");
        FILE* out = std::fopen(to.c_str(), "wb");
        if (!in || !out) {
            if (in) std::fclose(in);
            if (out) std::fclose(out);
            state.SkipWithError("cannot open the copy");
            break;
        }
        size_t n;
        while ((n = std::fread(buf.data(), 1, buf.size(), in)) > 0) std::fwrite(buf.data(), 1, n, out);
        std::fclose(in);
        std::fclose(out);
    }
    benchpass::reportBytes(state, double(size));
    state.SetLabel(std::string(c.name) + " " + std::to_string(size / 1000000) + " MB");
}

} // namespace

BENCHMARK(BM_Preview)
    ->ArgNames({"config", "lines"})
    ->Args({0, 16000})
    ->Args({0, 64000})
    ->Args({1, 750})
    ->Args({1, 3000})
    ->Unit(benchmark::kMillisecond);
// The mark files add a 500 mm blank run: at 720 dpi that alone is over a gigabyte for the large
// configuration, so it runs on the default one with a short and a long print.
BENCHMARK(BM_MarkFiles)->ArgNames({"config", "lines"})->Args({0, 360})->Args({0, 3600})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileCopy)->ArgNames({"config", "lines"})->Args({0, 3600})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileCopyOfMarkSize)->ArgNames({"config", "lines"})->Args({0, 360})->Args({0, 3600})->Unit(benchmark::kMillisecond);

CARVEX_BENCH_MAIN()
