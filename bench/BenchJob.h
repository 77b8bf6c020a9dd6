#pragma once
// An engine set up for a job of one pass configuration the way the print thread sets it up: the
// setup's heads and caches, a generated RIP file opened with PRNInitData, the job geometry of
// PRNInitParams / PRNSetBuffMemory, and the colour rings filled by PRNReadData. The stage
// benchmarks then call the engine's own pass stages on it (PRNReadData, PRNReadToSend,
// IMGGetBlankPosition, IMGRowToColumn, IMGSendMemoryToCard / IMGSendMemoryToCard8Lines).
//
// Devices are "none" but for a card that takes every write and acknowledges it at once (SinkCard):
// the card transfer assembles and hands over every chunk as for a real card, with no bus time, so
// the transfer figures are the assembly alone.
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BenchCommon.h"
#include "core/DrvPrint.h"
#include "core/RipWriter.h"
#include "hardware/CardChannel.h"
#include "hardware/CardRegisters.h"
#include "hardware/Devices.h"

namespace benchpass {

// A card that is always there, forgets what it is written and has every memory write done: the
// transfer's chunks cost their assembly and hand-over only.
class SinkCard : public hw::CardChannel {
public:
    bool isOpen() const override { return true; }
    bool control(uint32_t code, const void* in, size_t inBytes, void* out, size_t outBytes, size_t* returned) override {
        if (returned) *returned = 0;
        if (code == hw::kCtlRead && inBytes >= 4 && out && outBytes >= 4) {
            const uint32_t port = hw::getWord(in);
            hw::putWord(static_cast<uint8_t*>(out), port == hw::REG_PRINT_CONTROL ? 1u << hw::kPcWriteDone : 0u);
            if (returned) *returned = 4;
        }
        return true;
    }
    bool write(const void*, size_t bytes, size_t* written) override {
        if (written) *written = bytes;
        return true;
    }
};

// Nozzle rows per inch of the heads the engine's setup names for a configuration: the default
// heads at 185.21 dpi; the large heads at 180 dpi, so that a 720 dpi job interlaces 4 times.
// A configuration with its own resolution along the media has the default heads.
inline float headDpi(const PassConfig& c) { return c.dpi >= 720 && !c.ydpi ? 180.0f : 185.21f; }
inline unsigned alongDpi(const PassConfig& c) { return c.ydpi ? c.ydpi : c.dpi; }

// The setup of a configuration on a fresh engine (no buffers yet).
inline void applySetup(CDrvPrint& e, const PassConfig& c) {
    e.HEADS = c.heads;
    e.COLORS = c.heads; // one head per colour
    e.LINESPERHEAD = 1;
    e.NOZZLESPERHEAD = c.nozzles;
    e.NOZZLESOFFSET = 0;
    e.fHeadDPI = headDpi(c);
    e.uiDPIColorMode = 2; // nozzle row r prints file line interlace x r + sub-line
    e.uiPassCount = c.passCount;
    e.BUFFCOUNT = 2;      // the ring holds 2 x passes bands: (passes + 1) bands are looked back over
    e.bEightLineMode = 1;
    e.uiMemoryMode = 1;   // 32 blocks of 1 MiB: 4 blocks for each of 8 heads of 512 nozzles
    e.colorBar.bEnable = 0;
    e.bEdgeFeather = 0;
    e.uiFeatherSize = 0;
    e.uiType = 1;
    e.bJobRecord = 0;
    for (unsigned h = 0; h < c.heads; ++h) {
        e.ColorChannel[h] = int(h);
        e.HeadChannel[h] = int(h);
        e.headAlignment.HeadOffsetXR[h] = int(40 * h);
        e.headAlignment.HeadOffsetXL[h] = int(40 * (c.heads - 1 - h));
    }
}

// Bytes of raster per file line and lines per band of a configuration's job.
struct JobGeometry {
    unsigned bpl = 0, linesPerStep = 0, interlace = 1, nozzlesPerPass = 0;
    uint64_t ringBytes = 0, passBytes = 0, cardBytes = 0;
};
inline JobGeometry geometryOf(const PassConfig& c, unsigned featherSize = 0, unsigned buffCount = 2) {
    JobGeometry g;
    g.bpl = (c.widthDots + 7) / 8;
    g.interlace = std::max(1u, unsigned((double(alongDpi(c)) + 0.5) / headDpi(c)));
    const unsigned f = 2 * featherSize;
    g.nozzlesPerPass = (c.nozzles - f) / c.passCount;
    g.linesPerStep = g.interlace * g.nozzlesPerPass;
    g.ringBytes = uint64_t(buffCount) * c.passCount * g.bpl * g.linesPerStep;
    g.passBytes = uint64_t(f + (c.passCount + 1) * g.nozzlesPerPass) * g.bpl;
    const uint64_t K = 16 * ((uint64_t(f) + uint64_t(g.nozzlesPerPass) * c.passCount + 127) / 128);
    // Card columns: the head width's lead (1100 native steps at most) plus the pass and a margin.
    const uint64_t lead = uint64_t(1100) * (c.dpi >= 720 ? 4 : 1);
    g.cardBytes = (lead + c.widthDots + 100) * K;
    return g;
}

inline unsigned mbFor(uint64_t bytes) { return unsigned((bytes + kMB - 1) / kMB); }

// Writes a RIP file of the configuration: `lines` lines of every head's plane, `density` percent
// of the bytes inked at random, with blank margins of 5 % on both sides.
inline bool writeRipFile(const std::string& path, const PassConfig& c, uint32_t lines, int density = 60,
                         unsigned seed = 1) {
    RipHead h;
    h.uiXDPI = c.dpi;
    h.uiYDPI = alongDpi(c);
    h.uiWidth = c.widthDots;
    h.uiBytesPerLine = (c.widthDots + 7) / 8;
    h.uiHeight = lines;
    h.uiColors = c.heads;
    RipWriter w;
    if (!w.Open(path, h)) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), w.Error().c_str());
        return false;
    }
    const unsigned R = h.uiBytesPerLine, margin = R / 20;
    // A few distinct lines repeated: writing is then as fast as the disk, and every band still
    // holds different bytes at every place that matters for the timing (no stage skips repeats).
    std::mt19937_64 gen(seed);
    std::vector<std::vector<uint8_t>> pool(17, std::vector<uint8_t>(size_t(R) * c.heads, 0));
    for (auto& line : pool)
        for (unsigned p = 0; p < c.heads; ++p)
            for (unsigned b = margin; b + margin < R; ++b)
                if (int(gen() % 100) < density) line[size_t(p) * R + b] = uint8_t(gen() | 1);
    for (uint32_t y = 0; y < lines; ++y)
        if (!w.WriteLine(pool[y % pool.size()].data())) {
            std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), w.Error().c_str());
            return false;
        }
    return w.Finish();
}

// The engine of a job of the configuration, opened on a generated file of `bands` bands, with
// its rings holding (passes + 1) bands so that the first pass sliced is a whole inked one.
struct JobEngine {
    std::unique_ptr<CDrvPrint> d = std::make_unique<CDrvPrint>();
    PassConfig cfg;
    JobGeometry geo;
    TempDir dir;
    std::string path;
    bool ok = false;
    std::string error;

    JobEngine(const PassConfig& c, unsigned featherSize = 0, unsigned bands = 0) : cfg(c) {
        static const bool devices = [] {
            hw::openDevices("none");
            hw::setCard(std::make_shared<benchpass::SinkCard>());
            return true;
        }();
        (void)devices;
        CDrvPrint& e = *d;
        applySetup(e, c);
        geo = geometryOf(c, featherSize);
        e.bEdgeFeather = featherSize ? 1 : 0;
        e.uiFeatherSize = featherSize;
        e.COLORCACHE = mbFor(geo.ringBytes);
        e.HEADCACHE = mbFor(std::max(geo.passBytes, geo.cardBytes));
        e.COLORBARCACHE = 0;
        e.PRNInitMemory();
        if (!e.bBuffersReady) {
            error = "buffers: " + e.csBufferError;
            return;
        }
        if (bands == 0) bands = c.passCount + 2;
        path = dir.path + "/job.prn";
        if (!writeRipFile(path, c, bands * geo.linesPerStep)) {
            error = "cannot write the print file";
            return;
        }
        e.csName = path;
        if (e.PRNInitData() != 0) {
            error = "the engine refused the print file";
            return;
        }
        e.fDPIRate = float(c.dpi) / 180.0f; // what PRNResetDPI sets with the fire divider 3
        e.uiStepSendCurrent = 0;
        e.PRNInitParams();
        e.PRNSetColorBar();
        e.PRNSetBuffMemory();
        const std::string why = e.PRNCheckBufferLimits();
        if (!why.empty() || e.uiLinesPerStep != geo.linesPerStep) {
            error = why.empty() ? "unexpected job geometry" : why;
            return;
        }
        ok = true;
        refill();
    }

    // Rings of whole inked bands (passes + 1 of them) and the rows of a pass cut from them.
    void refill() {
        CDrvPrint& e = *d;
        e.bEightLineMode = 1;
        rewind();
        for (unsigned i = 0; i <= cfg.passCount; ++i) readBand();
        e.uiStepSendCurrent = cfg.passCount;
        e.PRNReadToSend();
    }

    // One band into the rings, from the start of the file again once the image has been read.
    void readBand() {
        CDrvPrint& e = *d;
        if (!e.PRNReadEnd()) rewind();
        e.PRNReadData();
    }
    void rewind() {
        CDrvPrint& e = *d;
        e.uiLinesRead = 0;
        e.ui64FilePos = kRipHeadSize;
    }
    // Bytes of nozzle rows of one pass, every head: the card's nozzle capacity x bytes per line
    // (the figure the transposition handles).
    double passBytes() const { return double(cfg.heads) * 8.0 * d->uiCardRowBytes * d->uiPassRowBytes; }
};

// The job engine of a configuration, kept between the runs of a benchmark (Google Benchmark calls
// a benchmark several times while it sizes the iterations) and refilled for each; one at a time.
inline JobEngine& sharedJob(const PassConfig& c, unsigned featherSize = 0) {
    static std::unique_ptr<JobEngine> job;
    if (!job || job->cfg.name != c.name || job->d->uiFeatherSize != featherSize) {
        job.reset();
        job = std::make_unique<JobEngine>(c, featherSize);
    } else if (job->ok) {
        job->refill();
    }
    return *job;
}

// Skips the benchmark when the engine could not be set up.
inline bool ready(benchmark::State& state, const JobEngine& j) {
    if (j.ok) return true;
    state.SkipWithError(j.error.c_str());
    return false;
}

} // namespace benchpass
