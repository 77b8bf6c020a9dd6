// The dot-for-dot proof of the print path: whole jobs on the virtual printer, its heads exactly
// where the setup says, no mask, feathering or colour bars, and the sheet compared with the RIP
// file plane by plane. The matrix runs every pass mode, both pass directions and both starts,
// both card layouts, one and two heads per colour, every interleave mode at the resolutions it
// serves, the horizontal mirror, and heads mounted the other way round.
//
// The media feed of a pass is a whole number of motor pulses: the engine truncates the exact
// feed (16.792286 pulses per Y step on this machine), so each feed falls short of its whole number
// of job lines by less than a pulse (2.04 um). Where those shortfalls add up to move a pass onto
// a neighbouring sheet row the print cannot be exact by the machine's own geometry; such a case
// measures the displacement of every pass from the machine's feed, checks that it is no more than
// the truncations explain, and compares the sheet with that many rows of tolerance. Every case
// prints what it found ("[proof] ...").
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "FeatherProofSupport.h"
#include "PrintJobFixture.h"
#include "testsupport/ScratchDir.h"

using printjobtest::PrintJob;

namespace {

enum class Dir { ToRight, ToLeft, BiFromLeft, BiFromRight };
enum class Heads { One, TwoStacked, TwoStaggered };

struct MatrixCase {
    unsigned passes = 1;
    Dir dir = Dir::ToRight;
    bool eightLine = true;
    Heads heads = Heads::One;
    unsigned mode = 0;      // uiDPIColorMode
    unsigned ydpi = 180;    // the file's Y resolution
    unsigned interlace = 1; // what the engine must derive from it
    bool hMirror = false;
    bool reversed = false;  // heads mounted the other way round (and bVerticalMirror 0)
    unsigned width = 61;    // dots: 61 pads the 8-line layout's last byte, 203 takes the vector kernels
    unsigned memoryMode = 0; // card memory layout, the machine's and the setup's
    unsigned xdpi = 180;    // the file's X resolution: 180 native, 360 and 720 with the fire clock divided
    unsigned speed = 1;     // PRINTMODE uiXSpeed: the right-to-left fire timing depends on it
    unsigned gen = 0;       // card generation (PRINTMODE uiPcicardMode): how the speed is set
};

// Wider than this, a case is a banner across the media: its sheet alone is compared (a drop log
// would hold millions of drops) and it starts at the media's left edge.
constexpr unsigned kBannerDots = 4000;
constexpr double kGenOneRate = 256000; // MOVEMENT fXMotorRate of the newer card's cases

std::string caseName(const MatrixCase& c) {
    static const char* dirs[] = {"ToRight", "ToLeft", "BiFromLeft", "BiFromRight"};
    static const char* heads[] = {"OneHead", "TwoStacked", "TwoStaggered"};
    std::string n = "P" + std::to_string(c.passes) + "_" + dirs[int(c.dir)] + "_" + (c.eightLine ? "8Line" : "16Byte") +
                    "_" + heads[int(c.heads)] + "_Mode" + std::to_string(c.mode) + "_Y" + std::to_string(c.ydpi) + "_I" +
                    std::to_string(c.interlace);
    if (c.hMirror) n += "_HMirror";
    if (c.reversed) n += "_Reversed";
    n += "_W" + std::to_string(c.width);
    if (c.memoryMode) n += "_Mem" + std::to_string(c.memoryMode);
    if (c.xdpi != 180) n += "_X" + std::to_string(c.xdpi);
    if (c.speed != 1) n += "_S" + std::to_string(c.speed);
    if (c.gen) n += "_Gen" + std::to_string(c.gen);
    return n;
}

void PrintTo(const MatrixCase& c, std::ostream* os) { *os << caseName(c); }

constexpr double kPitchMM = 25.4 / 185.21; // the virtual heads' nozzle pitch
constexpr unsigned kNozzles = 126;

// The file's Y resolution that gives interlace i in modes 1 to 3 (i nozzle pitches' worth of
// lines, rounded up to be clear of the truncation).
unsigned ydpiFor(unsigned i) { return unsigned(std::ceil(185.21 * i)); }

class ProofMatrix : public PrintJob, public ::testing::WithParamInterface<MatrixCase> {
protected:
    std::unique_ptr<testsupport::ScratchDir> base_;

    void SetUp() override {
        PrintJob::SetUp();
        // The printing status is saved twice a pass with a sync; on a memory file system when
        // there is one, so that the matrix stays quick.
        base_ = std::make_unique<testsupport::ScratchDir>("carvex-proof", testsupport::ScratchDir::Where::Memory);
        d->csBaseDir = base_->path();
    }
    // The engine's heads, before its print buffers are allocated: four, or eight as two per
    // colour (counted as one for the feed when they are staggered).
    void beforeBuffers(CDrvPrint& e) override {
        const MatrixCase c = GetParam();
        e.uiHeadsPerColorMode = c.heads == Heads::TwoStaggered ? 1 : 0;
        headsOver(e, c.heads == Heads::One ? 4 : 8);
        if (c.width > kBannerDots) {
            // A banner's rings and head passes: the default setup's caches.
            const CDrvPrint defaults;
            e.COLORCACHE = defaults.COLORCACHE;
            e.HEADCACHE = defaults.HEADCACHE;
        }
    }
    void TearDown() override {
        PrintJob::TearDown();
        base_.reset();
    }

    // The machine and the setup of a case: heads at distinct places across the carriage (the
    // setup's X offsets say where), stacked or staggered as the case says.
    void configure(const MatrixCase& c) {
        // Every remainder of 8 in both directions' offsets: the 8-line layout's sub-byte shifts.
        static constexpr int kX[8] = {0, 13, 22, 39, 4, 17, 42, 59};
        const unsigned n = c.heads == Heads::One ? 4 : 8;
        sim::MachineConfig cfg;
        cfg.eightLineFormat = c.eightLine;
        cfg.memoryMode = int(c.memoryMode);
        // The card's speed scale is the setup's motor rate; the newer card divides its clock by
        // a speed word (larger is slower, speed 4 the fastest).
        cfg.fireTrimRate = c.gen ? kGenOneRate : 1.0;
        cfg.heads.resize(n);
        CDrvPrint& e = *d;
        for (unsigned h = 0; h < n; ++h) {
            cfg.heads[h] = sim::HeadConfig{};
            cfg.heads[h].colour = int(h % 4);
            cfg.heads[h].nozzles = int(kNozzles);
            cfg.heads[h].reversed = c.reversed;
            placeHeadX(cfg, h, kX[h]);
            e.headAlignment.HeadOffsetY[h] = 0;
        }
        e.headAlignment.MAXHEADOFFSETY = 0;
        if (c.heads == Heads::TwoStacked) {
            // The second head of each colour sits a head's length downstream of the first.
            for (unsigned h = 0; h < 4; ++h) cfg.heads[h].yMM = kNozzles * kPitchMM;
            for (unsigned h = 4; h < 8; ++h) e.headAlignment.HeadOffsetY[h] = int(kNozzles);
            e.headAlignment.MAXHEADOFFSETY = kNozzles;
        } else if (c.heads == Heads::TwoStaggered) {
            // The second head of each colour prints the same nozzle rows one job line further
            // upstream; the feed is one head's.
            for (unsigned h = 4; h < 8; ++h) cfg.heads[h].yMM = kPitchMM / c.interlace;
        }
        useMachine(cfg, c.interlace);
        machine_->setSheetResolution(c.xdpi, 185.21 * c.interlace);

        e.bEightLineMode = c.eightLine;
        e.uiMemoryMode = c.memoryMode;
        e.bUnidirection = c.dir == Dir::ToRight || c.dir == Dir::ToLeft;
        e.bUnidirectionToLeft = c.dir == Dir::ToLeft || c.dir == Dir::BiFromRight;
        e.bHorizontalMirror = c.hMirror;
        // A head mounted the other way round has its first nozzle at the upstream end; its 126
        // nozzles then take the last 126 of the card's 128 rows.
        e.bVerticalMirror = c.reversed ? 0 : 1;
        e.NOZZLESOFFSET = c.reversed ? 128 - kNozzles : 0;
        e.uiDPIColorMode = c.mode;
        e.uiXSpeed = c.speed;
        e.uiPcicardMode = c.gen;
        e.fXMotorRate = c.gen ? float(kGenOneRate) : 1.0f;
        if (c.gen) {
            static constexpr int kWords[5] = {0, 800, 600, 400, 200};
            std::copy(std::begin(kWords), std::end(kWords), e.XSpeedPause);
        }
        if (c.width > kBannerDots) {
            // The heads' first column lands 1100 steps right of the fire position: the media's
            // edge at 2126 steps from the encoder's zero.
            e.uiFire = e.uiStartPos1 = 2126 - 1100;
        }
    }

    // Tall enough for a band and a half (so band joins are printed), at least 40 lines.
    unsigned heightFor(const MatrixCase& c) const {
        const unsigned perColour = c.heads == Heads::TwoStacked ? 2 * kNozzles : kNozzles;
        const unsigned band = c.interlace * (perColour / c.passes);
        return std::max(40u, band + band / 2 + 5);
    }

    using Displacement = featherproof::Displacement;
    // Each pass's displacement from the job-line grid, accumulated from the machine's own feeds
    // (the interleave steps included in a feed's whole lines).
    Displacement measure(unsigned interlace) {
        return featherproof::measureFeeds(machine_->passes(), kPitchMM / interlace,
                                          1.0 / machine_->config().yPulsesPerMM);
    }

    struct Landing {
        uint64_t drops = 0, offGrid = 0, extra = 0, missing = 0;
    };
    // Where every drop landed once its pass's feed displacement is taken out: every drop must lie
    // on the grid of job lines and dots, on a dot of the file, and every dot of the file must
    // have a drop. This holds the print to the dot whatever the feeds' truncation did.
    Landing landing(const Displacement& m, unsigned interlace, bool mirrored) {
        const auto log = machine_->dropLog();
        const double line = kPitchMM / interlace, dot = 25.4 / GetParam().xdpi;
        Landing r;
        r.drops = log.size();
        if (log.empty()) return r;
        double y0 = 1e300, x0 = 1e300;
        for (const auto& dr : log) {
            y0 = std::min(y0, dr.yMM - m.passMM[dr.pass]);
            x0 = std::min(x0, dr.xMM);
        }
        const int64_t W = ripHeadUsed.uiWidth, H = ripHeadUsed.uiHeight;
        auto wanted = [&](int64_t k, int64_t x, int64_t y) {
            return fileDot(unsigned(k), unsigned(mirrored ? W - 1 - x : x), unsigned(y));
        };
        std::vector<uint8_t> hit(size_t(4 * W * H), 0);
        for (const auto& dr : log) {
            const double fy = (dr.yMM - m.passMM[dr.pass] - y0) / line, fx = (dr.xMM - x0) / dot;
            const int64_t y = std::llround(fy), x = std::llround(fx);
            if (std::abs(fy - double(y)) > 1e-3 || std::abs(fx - double(x)) > 1e-3) {
                ++r.offGrid;
                continue;
            }
            if (dr.colour < 0 || dr.colour > 3 || x >= W || y >= H || !wanted(dr.colour, x, y)) {
                ++r.extra;
                continue;
            }
            hit[size_t((dr.colour * H + y) * W + x)] = 1;
        }
        for (int64_t k = 0; k < 4; ++k)
            for (int64_t y = 0; y < H; ++y)
                for (int64_t x = 0; x < W; ++x)
                    if (wanted(k, x, y) && !hit[size_t((k * H + y) * W + x)]) ++r.missing;
        return r;
    }
};

TEST_P(ProofMatrix, SheetIsTheFile) {
    const MatrixCase c = GetParam();
    configure(c);
    const bool banner = c.width > kBannerDots;
    machine_->setDropLog(!banner);
    const std::string path = makeRip(c.width, heightFor(c), 11 + c.passes, c.ydpi, c.xdpi);
    const double feedBefore = machine_->mediaFeedMM();
    ASSERT_EQ(run(path, c.passes), 1);
    // The media the engine counts the job moved is the machine's feed, within a Y step.
    EXPECT_NEAR(d->PRNJobMediaMM(), machine_->mediaFeedMM() - feedBefore, d->fMMPerYStep);
    EXPECT_GT(d->PRNJobMediaMM(), 0.0);
    // The engine's count of what it gave the card is what the heads fired, ink by ink.
    for (unsigned k = 0; k < kMaxColors; ++k) EXPECT_EQ(d->uiInkDrops[k].load(), machine_->drops(int(k))) << "ink " << k;
    EXPECT_GT(d->PRNInkDropsTotal(), 0u);
    if (banner) {
        // From the media's left edge to its right, dot for dot.
        EXPECT_EQ(machine_->dropsOffSheet(), 0u);
        EXPECT_EQ(machine_->sheet().extent().x0, 0);
        const auto exact = compare(c.hMirror);
        EXPECT_GT(exact.expected, 100000u);
        EXPECT_EQ(exact.missing, 0u);
        EXPECT_EQ(exact.extra, 0u);
        std::printf("[proof] %s: %llu dots, %llu missing, %llu extra\n", caseName(c).c_str(),
                    (unsigned long long)exact.expected, (unsigned long long)exact.missing, (unsigned long long)exact.extra);
        return;
    }
    EXPECT_EQ(d->uiInterlace, c.interlace);
    EXPECT_EQ(d->uiStepSendCurrent.load(), d->uiStepTotal);
    const auto ps = machine_->passes();
    ASSERT_EQ(ps.size(), d->uiStepTotal);
    for (const auto& p : ps) EXPECT_TRUE(p.complete);
    EXPECT_EQ(machine_->dropsOffSheet(), 0u);

    // The feeds: every pass within what their truncation explains.
    const double line = kPitchMM / c.interlace;
    const Displacement m = measure(c.interlace);
    EXPECT_EQ(m.untruncated, 0u) << "a feed is not its whole lines truncated to whole pulses";
    EXPECT_LE(m.spreadMM, m.boundMM) << "the passes moved more than the feeds' truncation explains";
    // Every drop, its pass's feed displacement taken out: the file, dot for dot.
    const Landing l = landing(m, c.interlace, c.hMirror);
    EXPECT_GT(l.drops, 2000u);
    EXPECT_EQ(l.offGrid, 0u);
    EXPECT_EQ(l.extra, 0u);
    EXPECT_EQ(l.missing, 0u);

    // The sheet as printed.
    const auto exact = compare(c.hMirror);
    EXPECT_GT(exact.expected, 2000u);
    if (exact.missing == 0 && exact.extra == 0) {
        std::printf("[proof] %s: exact, %llu dots, %zu passes, feed spread %.4f rows\n", caseName(c).c_str(),
                    (unsigned long long)exact.expected, ps.size(), m.spreadMM / line);
        return;
    }
    // Not exact: the feeds' truncation moved passes onto neighbouring rows (the machine cannot
    // feed a fraction of a pulse); the sheet is the file within that displacement.
    const int tolerance = int(std::ceil(m.spreadMM / line - 1e-9));
    std::printf("[proof] %s: not exact (%llu missing, %llu extra of %llu); passes displaced by up to %.4f mm "
                "(%.3f rows) over %u feeds\n",
                caseName(c).c_str(), (unsigned long long)exact.missing, (unsigned long long)exact.extra,
                (unsigned long long)exact.expected, m.spreadMM, m.spreadMM / line, m.feeds);
    ASSERT_GE(tolerance, 1) << "wrong dots without any displacement of the passes";
    const auto near = compare(c.hMirror, tolerance);
    EXPECT_EQ(near.missing, 0u);
    EXPECT_EQ(near.extra, 0u);
}

// The card's leftward fire timing is part of the machine, and the engine's correction for it is
// what keeps bidirectional prints at a divided fire clock exact: the same print on a card without
// that timing error, or with another one, misprints its right-to-left passes.
class FireClockTrim : public ProofMatrix {};

TEST_P(FireClockTrim, AnotherCardTimingMisprints) {
    const MatrixCase c = GetParam();
    for (double units : {0.0, 44.0}) {
        SCOPED_TRACE(units == 0 ? "card without the timing error" : "card trimmed otherwise");
        configure(c);
        sim::MachineConfig cfg = machine_->config();
        cfg.fireTrimUnits = units;
        useMachine(cfg, c.interlace);
        machine_->setSheetResolution(c.xdpi, 185.21 * c.interlace);
        const std::string path = makeRip(c.width, heightFor(c), 7, c.ydpi, c.xdpi);
        ASSERT_EQ(run(path, c.passes), 1);
        const auto r = compare(c.hMirror);
        EXPECT_GT(r.expected, 2000u);
        EXPECT_GT(r.missing + r.extra, 100u);
    }
}

INSTANTIATE_TEST_SUITE_P(Counterproof, FireClockTrim,
                         ::testing::Values(MatrixCase{2, Dir::BiFromLeft, true, Heads::One, 0, 180, 1, false, false, 203, 0, 720},
                                           MatrixCase{2, Dir::BiFromRight, false, Heads::One, 0, 180, 1, false, false, 122, 0, 360, 4},
                                           MatrixCase{2, Dir::BiFromLeft, true, Heads::One, 0, 180, 1, false, false, 203, 0, 360, 1, 1}),
                         [](const auto& info) { return caseName(info.param); });

// The reversed heads' setup is not a formality: the same machine printed with the vertical mirror
// of upright heads, or without the nozzle offset that puts the 126 nozzles at the end of the
// card's 128 rows, does not give the file.
class ReversedHeadsSetup : public ProofMatrix {};

TEST_P(ReversedHeadsSetup, WrongMirrorOrOffsetMisprints) {
    const MatrixCase c = GetParam();
    for (int variant = 0; variant < 2; ++variant) {
        SCOPED_TRACE(variant == 0 ? "upright mirror" : "no nozzle offset");
        configure(c);
        if (variant == 0) {
            d->bVerticalMirror = 1;
            d->NOZZLESOFFSET = 0;
        } else {
            d->NOZZLESOFFSET = 0;
        }
        machine_->setDropLog(true);
        const std::string path = makeRip(c.width, heightFor(c), 5, c.ydpi);
        ASSERT_EQ(run(path, c.passes), 1);
        const Landing l = landing(measure(c.interlace), c.interlace, c.hMirror);
        EXPECT_GT(l.drops, 2000u);
        // Upright mirror: every band upside down. No offset: the first two lines of each band
        // go to nozzles the head does not have.
        EXPECT_GT(l.missing, 0u);
        if (variant == 0) {
            EXPECT_GT(l.extra, 0u);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Counterproof, ReversedHeadsSetup,
                         ::testing::Values(MatrixCase{1, Dir::ToRight, true, Heads::One, 0, 180, 1, false, true},
                                           MatrixCase{1, Dir::BiFromLeft, false, Heads::One, 0, 180, 1, false, true}),
                         [](const auto& info) { return caseName(info.param); });

std::vector<MatrixCase> matrix() {
    std::vector<MatrixCase> v;
    const unsigned allPasses[] = {1, 2, 3, 4, 6, 8, 12, 16};
    const Dir threeDirs[] = {Dir::ToRight, Dir::ToLeft, Dir::BiFromLeft};
    // Where a group does not cross every direction with both layouts, it takes them in turn.
    unsigned turn = 0;
    auto next = [&](MatrixCase c) {
        static const Dir dirs[] = {Dir::ToRight, Dir::ToLeft, Dir::BiFromLeft, Dir::BiFromRight};
        c.dir = dirs[turn % 4];
        c.eightLine = (turn / 4 + turn) % 2 == 0;
        ++turn;
        v.push_back(c);
    };
    auto wide = [](unsigned p) { return p % 2 == 0 && p != 6 ? 203u : 61u; };

    // Every pass mode in every direction and both layouts: one head per colour, 180 dpi.
    for (unsigned p : allPasses)
        for (Dir dir : threeDirs)
            for (bool eight : {true, false}) v.push_back({p, dir, eight, Heads::One, 0, 180, 1, false, false, wide(p)});
    for (unsigned p : allPasses) v.push_back({p, Dir::BiFromRight, p % 3 != 0, Heads::One, 0, 180, 1, false, false, wide(p)});
    // Two heads per colour, stacked a head's length apart.
    for (unsigned p : allPasses)
        for (Dir dir : threeDirs) v.push_back({p, dir, (p + unsigned(dir)) % 2 == 0, Heads::TwoStacked});

    // The interleave modes at the resolutions they serve. A line is printed by the passes of its
    // sub-line, so a job needs at least as many passes as its cycle has sub-lines.
    // Mode 2 takes the sub-lines in order; one head per colour, or two stacked.
    for (unsigned i : {2u, 3u, 4u, 8u})
        for (unsigned p : allPasses)
            if (p >= i) next({p, Dir::ToRight, true, Heads::One, 2, ydpiFor(i), i});
    for (unsigned i : {2u, 4u, 8u})
        for (unsigned p : {i, 16u}) next({p, Dir::ToRight, true, Heads::TwoStacked, 2, ydpiFor(i), i});
    // Mode 3 goes by head: with one head per colour it is mode 2; with two heads per colour
    // staggered by a job line each head prints its own sub-lines, so half the passes suffice.
    for (unsigned i : {2u, 4u, 8u})
        for (unsigned p : {i, 12u}) next({p, Dir::ToRight, true, Heads::One, 3, ydpiFor(i), i});
    for (unsigned i : {2u, 4u, 8u})
        for (unsigned p : {i / 2, i, 16u})
            for (bool eight : {true, false})
                v.push_back({p, Dir::BiFromLeft, eight, Heads::TwoStaggered, 3, ydpiFor(i), i, false, false, 61});
    // Mode 1: the eight sub-lines 0, 3, 5, 2, 6, 1, 4, 7 with one head per colour.
    for (unsigned p : {8u, 12u, 16u})
        for (Dir dir : threeDirs) v.push_back({p, dir, (p / 4 + unsigned(dir)) % 2 == 0, Heads::One, 1, ydpiFor(8), 8});
    // Mode 0 takes its lines in nozzle pairs; below the nozzle pitch (90 dpi) one line a nozzle.
    for (unsigned p : {1u, 2u, 4u}) next({p, Dir::ToRight, true, Heads::One, 0, 90, 1});

    // Mirrored left to right.
    for (unsigned p : {1u, 2u, 3u, 8u, 16u})
        for (int k = 0; k < 4; ++k) next({p, Dir::ToRight, true, Heads::One, 0, 180, 1, true, false, k % 2 ? 203u : 61u});
    // Heads mounted the other way round, printed with the matching vertical mirror.
    for (unsigned p : {1u, 2u, 4u, 6u, 16u})
        for (Dir dir : threeDirs) v.push_back({p, dir, (p + unsigned(dir)) % 2 == 1, Heads::One, 0, 180, 1, false, true});
    for (unsigned p : {1u, 4u})
        for (bool eight : {true, false}) v.push_back({p, Dir::BiFromLeft, eight, Heads::One, 0, 180, 1, true, true, 203});
    for (bool eight : {true, false}) v.push_back({4, Dir::BiFromRight, eight, Heads::TwoStacked, 2, ydpiFor(2), 2, false, true});
    // 360 dpi across the carriage (the fire clock halved): every direction and start, both
    // layouts, one and several passes; right-to-left passes land on the left-to-right ones' dots.
    for (unsigned p : {1u, 2u, 4u})
        for (Dir dir : {Dir::ToRight, Dir::ToLeft, Dir::BiFromLeft, Dir::BiFromRight})
            for (bool eight : {true, false}) {
                MatrixCase c{p, dir, eight, Heads::One, 0, 180, 1, false, false, p == 2 ? 203u : 122u};
                c.xdpi = 360;
                v.push_back(c);
            }
    for (unsigned p : {3u, 8u}) {
        MatrixCase c{p, p == 3 ? Dir::BiFromLeft : Dir::BiFromRight, p == 3, Heads::TwoStacked, 0, 180, 1, false, false, 203};
        c.xdpi = 360;
        v.push_back(c);
    }
    // 720 dpi across (the fire clock at its finest), and the leftward fire timing at every
    // speed and on the newer card, which sets its speed by a clock divider.
    for (unsigned p : {1u, 2u, 4u})
        for (Dir dir : {Dir::ToRight, Dir::ToLeft, Dir::BiFromLeft, Dir::BiFromRight}) {
            MatrixCase c{p, dir, (p + unsigned(dir)) % 2 == 0, Heads::One, 0, 180, 1, false, false, p == 2 ? 203u : 122u};
            c.xdpi = 720;
            v.push_back(c);
        }
    for (unsigned speed : {2u, 3u, 4u})
        for (unsigned x : {360u, 720u}) {
            MatrixCase c{2, speed % 2 ? Dir::BiFromLeft : Dir::BiFromRight, speed != 3, Heads::One, 0, 180, 1, false, false, 203};
            c.xdpi = x;
            c.speed = speed;
            v.push_back(c);
        }
    for (unsigned x : {180u, 360u, 720u})
        for (Dir dir : {Dir::BiFromLeft, Dir::BiFromRight}) {
            MatrixCase c{2, dir, x != 360, Heads::One, 0, 180, 1, false, false, 203};
            c.xdpi = x;
            c.gen = 1;
            c.speed = dir == Dir::BiFromLeft ? 1 : 3;
            v.push_back(c);
        }
    // Banners across the whole 1600 mm sheet and 1500 mm ones, stacked heads among them, in
    // both directions, at 180, 360 and 720 dpi (card memory mode 1: a 720 dpi pass that wide
    // needs its 1 MiB blocks).
    {
        auto banner = [&](unsigned p, Dir dir, bool eight, Heads heads, unsigned x, unsigned dots) {
            MatrixCase c{p, dir, eight, heads, 0, 180, 1, false, false, dots, 1};
            c.xdpi = x;
            v.push_back(c);
        };
        banner(2, Dir::BiFromLeft, true, Heads::TwoStacked, 180, 11338);
        banner(2, Dir::ToLeft, false, Heads::One, 180, 10629);
        banner(2, Dir::BiFromRight, false, Heads::TwoStacked, 360, 22677);
        banner(1, Dir::ToRight, true, Heads::One, 360, 21259);
        banner(2, Dir::BiFromLeft, true, Heads::TwoStacked, 720, 45354);
        banner(2, Dir::BiFromRight, true, Heads::One, 720, 42519);
    }
    // Every card memory layout: block addresses, address units and block sizes, eight heads.
    for (unsigned mem = 1; mem <= 6; ++mem)
        for (bool eight : {true, false})
            v.push_back({mem % 2 ? 2u : 3u, Dir::BiFromLeft, eight, Heads::TwoStacked, 0, 180, 1, false, false, 203, mem});
    return v;
}

INSTANTIATE_TEST_SUITE_P(Matrix, ProofMatrix, ::testing::ValuesIn(matrix()),
                         [](const auto& info) { return caseName(info.param); });

} // namespace
