// Peak resident memory of a whole job of the large configuration, for print files of 1x and 4x the
// length: it must stay within the configured print buffers plus a small fixed amount, whatever
// the file's length. Each length runs in a child process of its own (the peak, VmHWM, is per
// process); the card is a loopback channel (LoopbackCard.h), so no virtual card memory or sheet
// shares the process: every stage of the pass runs (band read, rows, transposition, card
// transfers) and every card call succeeds, as a job needs.
//
// Usage: bench_peak_memory [bands of the 1x file] [width dots]     (default 4 bands, widest pass)
//        bench_peak_memory --run <print file> <width dots>          (one job; used by the above)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "BenchWholeJob.h"
#include "LoopbackCard.h"

namespace {

// VmHWM and VmRSS of this process, in bytes.
uint64_t procStatus(const char* key) {
    std::ifstream f("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(key);
    while (std::getline(f, line))
        if (line.compare(0, n, key) == 0 && line.size() > n && line[n] == ':')
            return uint64_t(std::strtoull(line.c_str() + n + 1, nullptr, 10)) * 1024;
    return 0;
}

int runOne(const std::string& path, unsigned width) {
    const benchpass::PassConfig cfg = benchpass::largeJob(width);
    benchpass::TempDir dir;
    if (dir.path.empty() || !platform::changeDir(dir.path)) return 2;
    platform::setTimeScale(1000); // the engine's waits on the absent card pass quickly
    auto prompts = benchpass::quietPrompter();
    hw::openDevices("none"); // no I/O card
    hw::setCard(std::make_shared<benchpass::LoopbackCard>());
    const uint64_t base = procStatus("VmRSS");
    auto d = std::make_unique<CDrvPrint>();
    CDrvPrint& e = *d;
    benchpass::applyLargeMachineSetup(e, cfg);
    e.bTestMode = 0;
    e.PRNInitMemory();
    if (!e.bBuffersReady) {
        std::fprintf(stderr, "buffers: %s\n", e.csBufferError.c_str());
        return 2;
    }
    const uint64_t configured = uint64_t(e.COLORS) * (uint64_t(e.COLORCACHE) + e.COLORBARCACHE) * kMB +
                                uint64_t(e.HEADS) * (2ull * e.HEADCACHE * kMB) + 20ull * 32768;
    std::string why;
    const bool ok = benchpass::printJob(e, path, why);
    const uint64_t peak = procStatus("VmHWM");
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    // One line for the parent: passes, configured bytes, process before the engine, peak.
    std::printf("RESULT %d %u %llu %llu %llu %llu\n", ok ? 1 : 0, e.uiStepSendCurrent.load(),
                (unsigned long long)configured, (unsigned long long)base, (unsigned long long)peak,
                (unsigned long long)ru.ru_maxrss * 1024);
    if (!ok) {
        std::fprintf(stderr, "the job did not finish: %s\n", why.c_str());
        for (const auto& t : prompts->texts()) std::fprintf(stderr, "  asked: %s\n", t.c_str());
    }
    return ok ? 0 : 1;
}

struct Run {
    bool ok = false;
    unsigned passes = 0;
    uint64_t configured = 0, base = 0, peak = 0, maxrss = 0;
};

Run runChild(const char* self, const std::string& path, unsigned width) {
    Run r;
    // The child's warnings (the absent card's carriage corrections) go to a file beside the print.
    const std::string cmd = std::string(self) + " --run '" + path + "' " + std::to_string(width) + " 2>'" + path + ".log'";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) {
        unsigned long long c, b, k, m;
        int ok;
        unsigned n;
        if (std::sscanf(buf, "RESULT %d %u %llu %llu %llu %llu", &ok, &n, &c, &b, &k, &m) == 6) {
            r.ok = ok == 1;
            r.passes = n;
            r.configured = c;
            r.base = b;
            r.peak = k;
            r.maxrss = m;
        }
    }
    ::pclose(p);
    return r;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "--run") == 0) return runOne(argv[2], unsigned(std::atoi(argv[3])));
    const unsigned bands = argc > 1 ? unsigned(std::max(1, std::atoi(argv[1]))) : 4;
    const unsigned width = argc > 2 ? unsigned(std::max(64, std::atoi(argv[2]))) : 60000;
    const benchpass::PassConfig cfg = benchpass::largeJob(width);
    const benchpass::JobGeometry g = benchpass::geometryOf(cfg);
    benchpass::TempDir dir;
    const auto mb = [](uint64_t b) { return double(b) / double(kMB); };
    std::printf("large configuration: %u heads x %u nozzles, %u dpi, %u dots wide; band %.1f MB of raster\n",
                cfg.heads, cfg.nozzles, cfg.dpi, cfg.widthDots, mb(uint64_t(g.bpl) * g.linesPerStep * cfg.heads));
    std::printf("\n%-6s %8s %8s %12s %12s %12s %12s %12s\n", "length", "file_MB", "passes", "buffers_MB", "before_MB",
                "peak_MB", "over_buf_MB", "per_pass_MB");
    std::vector<Run> runs;
    for (unsigned k : {1u, 4u}) {
        const std::string path = dir.path + "/long" + std::to_string(k) + ".prn";
        if (!benchpass::writeRipFile(path, cfg, k * bands * g.linesPerStep)) return 1;
        std::ifstream f(path, std::ios::binary | std::ios::ate);
        const double fileMB = mb(uint64_t(f.tellg()));
        const Run r = runChild(argv[0], path, width);
        std::remove(path.c_str());
        if (!r.ok) {
            std::fprintf(stderr, "the %ux job failed\n", k);
            return 1;
        }
        const double over = mb(r.peak) - mb(r.base) - mb(r.configured);
        std::printf("%-6s %8.0f %8u %12.1f %12.1f %12.1f %12.1f %12.3f\n", (std::to_string(k) + "x").c_str(), fileMB,
                    r.passes, mb(r.configured), mb(r.base), mb(r.peak), over, over / std::max(1u, r.passes));
        runs.push_back(r);
    }
    const double growth = mb(runs[1].peak) - mb(runs[0].peak);
    std::printf("\npeak growth from 1x to 4x: %.1f MB (%s)\n", growth,
                std::abs(growth) < 8 ? "does not grow with the file's length" : "GROWS with the file's length");
    return 0;
}
