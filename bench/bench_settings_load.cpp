// Loading the whole setup (PRMLoadParams: every key of the schema, then the material file) from
// the default setup file, and from the same file with one 10 MB line in it (a damaged or hostile
// file). A load reads and indexes the file once, so the long line costs one pass over 10 MB,
// not one per key: the target is well under a second.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/DrvPrint.h"
#include "platform/Log.h"

namespace {

struct BaseDir {
    std::string path;
    BaseDir() {
        char tmpl[] = "/tmp/carvex-bench-setup-XXXXXX";
        path = ::mkdtemp(tmpl) ? tmpl : "/tmp";
    }
    ~BaseDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

// The default setup written by the engine, with `junk` bytes of one line put before its first section.
std::unique_ptr<CDrvPrint> engineWithSetup(const BaseDir& dir, size_t junk) {
    auto d = std::make_unique<CDrvPrint>();
    d->csBaseDir = dir.path;
    d->setupIni.SetFileName("setup.ini");
    d->PRMSaveParams();
    std::ifstream in(dir.path + "/setup.ini", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(dir.path + "/setup.ini", std::ios::binary) << std::string(junk, 'x') << "\r\n" << text;
    return d;
}

void BM_LoadSetup(benchmark::State& state) {
    platform::setStderrLevel(platform::LogLevel::Error); // the long line is reported on every load
    BaseDir dir;
    auto d = engineWithSetup(dir, static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        d->PRMLoadParams();
        benchmark::DoNotOptimize(d->uiPass);
    }
    state.counters["file_MB"] = double(state.range(0)) / 1e6;
}

} // namespace

BENCHMARK(BM_LoadSetup)->Arg(0)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
