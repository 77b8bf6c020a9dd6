// Edge feathering on two heads per colour stacked a head's length apart, and on interlaced jobs,
// proved drop by drop on the virtual printer.
//
// A colour's nozzles form one column of band rows, row 0 the most downstream nozzle of the colour
// (nozzle 0 of the lower head of a stacked pair), and a pass fires band rows 0 .. V + 2F - 1 (V =
// passes x nozzle rows per pass, F the half-depth of a feather zone): the top zone 0 .. 2F - 1
// and the bottom zone V .. V + 2F - 1 thinned with complementary masks, the rows between whole,
// the rows beyond silent. With interlace I a pass prints one sub-line of every I lines and the
// media advances I x (nozzle rows per pass) lines over I passes, so a line comes back under the
// same sub-line every I passes, P / I times in all; the bottom zone of pass p and the top zone of
// pass p + P print the same lines, which must receive every inked dot exactly once between them.
//
// Each drop's line is taken from the drop log with its pass's feed displacement taken out (the
// feeds are whole motor pulses, so at interlace 4 and many passes a pass may sit a fraction of a
// line off the job's grid): what every pass printed is then known to the dot. Where the feeds
// moved no pass onto a neighbouring row, the sheet's own per-pass drop counts must say the same;
// elsewhere the sheet must be the file within the displacement.
#include <array>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <ostream>

#include "FeatherProofSupport.h"
#include "PrintJobFixture.h"

namespace {

using printjobtest::PrintJob;
using namespace featherproof;

constexpr double kPitchMM = 25.4 / 185.21;
constexpr unsigned kNozzles = 126;

struct StackedCase {
    unsigned mode;      // 1 straight, 2 wave
    unsigned size;      // uiFeatherSize
    unsigned passes;
    bool stacked;       // two heads per colour, a head's length apart
    unsigned interlace; // 1 (uiDPIColorMode 0) or 2, 4 (uiDPIColorMode 2)
    bool eightLine;
    bool unidirectional;
    unsigned height;
};

std::string caseName(const StackedCase& c) {
    return std::string(c.mode == 1 ? "Straight" : "Wave") + std::to_string(c.size) + "_P" + std::to_string(c.passes) +
           (c.stacked ? "_Stacked" : "_OneHead") + "_I" + std::to_string(c.interlace) + (c.eightLine ? "_8Line" : "_16Byte") +
           (c.unidirectional ? "_Uni" : "_Bi");
}

void PrintTo(const StackedCase& c, std::ostream* os) { *os << caseName(c); }


class FeatherStackedProof : public PrintJob, public ::testing::WithParamInterface<StackedCase> {
protected:
    std::vector<sim::Sheet> sheets; // the sheet before each pass, then after the job
    std::mutex sheetLock;

    void beforeBuffers(CDrvPrint& e) override {
        e.uiHeadsPerColorMode = 0;
        headsOver(e, GetParam().stacked ? 8 : 4);
    }

    void configure(const StackedCase& c) {
        // Heads at distinct places across the carriage, in every remainder of 8.
        static constexpr int kX[8] = {0, 13, 22, 39, 4, 17, 42, 59};
        const unsigned n = c.stacked ? 8 : 4;
        sim::MachineConfig cfg;
        cfg.eightLineFormat = c.eightLine;
        cfg.heads.resize(n);
        CDrvPrint& e = *d;
        for (unsigned h = 0; h < n; ++h) {
            cfg.heads[h] = sim::HeadConfig{};
            cfg.heads[h].colour = int(h % 4);
            cfg.heads[h].nozzles = int(kNozzles);
            placeHeadX(cfg, h, kX[h]);
            e.headAlignment.HeadOffsetY[h] = 0;
        }
        e.headAlignment.MAXHEADOFFSETY = 0;
        if (c.stacked) {
            // The second head of each colour sits a head's length downstream of the first.
            for (unsigned h = 0; h < 4; ++h) cfg.heads[h].yMM = kNozzles * kPitchMM;
            for (unsigned h = 4; h < 8; ++h) e.headAlignment.HeadOffsetY[h] = int(kNozzles);
            e.headAlignment.MAXHEADOFFSETY = kNozzles;
        }
        useMachine(cfg, c.interlace);
        e.bEightLineMode = c.eightLine;
        e.bUnidirection = c.unidirectional;
        e.bUnidirectionToLeft = 0;
        e.uiDPIColorMode = c.interlace > 1 ? 2 : 0;
        e.bEdgeFeather = c.mode;
        e.uiFeatherSize = c.size;
    }

    int runTaking(const std::string& path, unsigned passes) {
        sheets.clear();
        d->onPassStart = [this](unsigned) {
            sim::Sheet s = machine_->sheet();
            std::lock_guard g(sheetLock);
            sheets.push_back(std::move(s));
        };
        const int r = run(path, passes);
        d->onPassStart = nullptr;
        sheets.push_back(machine_->sheet());
        return r;
    }

    // The geometry of the job as the engine must print it.
    struct Model {
        int64_t P = 1, Q = 0, I = 1, F = 0, V = 0;
        unsigned mode = 1;
        double omega = 0;
        // The image line band row y of pass p prints: the rows look back over P + 1 bands of Q x I
        // lines ending at the band read last (a feathered job reads no band ahead).
        int64_t line(int64_t p, int64_t y) const { return (p - P) * Q * I + I * y + p % I; }
        // The band row of pass p that prints line l, or -1.
        int64_t row(int64_t p, int64_t l) const {
            const int64_t t = l - line(p, 0);
            if (t < 0 || t % I) return -1;
            const int64_t y = t / I;
            return y < V + 2 * F ? y : -1;
        }
        bool keep(int64_t y, int64_t x) const { return featherKeeps(mode, F, V, omega, y, x); }
    };

    Model model(const StackedCase& c) const {
        Model m;
        m.P = c.passes;
        m.Q = d->uiNozzlesPerPass;
        m.I = c.interlace;
        m.F = c.mode == 2 ? c.size / 2 : c.size;
        m.V = m.P * m.Q;
        m.mode = c.mode;
        m.omega = d->uiZeroToHead * 0.001;
        return m;
    }

    // What each pass printed, per plane over the image, from the drop log with each pass's feed
    // displacement taken out. Drops off the job's grid or outside the image are counted apart.
    struct Landed {
        std::vector<std::array<Counts, 4>> pass;
        uint64_t drops = 0, offGrid = 0, outside = 0;
    };
    Landed landed(const Displacement& disp, double lineMM, unsigned passCount) {
        const auto log = machine_->dropLog();
        const double dot = 25.4 / 180.0;
        const int64_t W = ripHeadUsed.uiWidth, H = ripHeadUsed.uiHeight;
        Landed r;
        r.pass.resize(passCount);
        for (auto& p : r.pass)
            for (auto& k : p) k.assign(size_t(W * H), 0);
        r.drops = log.size();
        if (log.empty()) return r;
        double y0 = 1e300, x0 = 1e300;
        for (const auto& dr : log) {
            y0 = std::min(y0, dr.yMM - disp.passMM[dr.pass]);
            x0 = std::min(x0, dr.xMM);
        }
        for (const auto& dr : log) {
            const double fy = (dr.yMM - disp.passMM[dr.pass] - y0) / lineMM, fx = (dr.xMM - x0) / dot;
            const int64_t y = std::llround(fy), x = std::llround(fx);
            if (std::abs(fy - double(y)) > 1e-3 || std::abs(fx - double(x)) > 1e-3) {
                ++r.offGrid;
                continue;
            }
            if (dr.pass >= passCount || dr.colour < 0 || dr.colour > 3 || x >= W || y >= H) {
                ++r.outside;
                continue;
            }
            ++r.pass[dr.pass][size_t(dr.colour)][size_t(y * W + x)];
        }
        return r;
    }

    // Every pass printed exactly the model's dots. Returns the number of wrong passes.
    unsigned expectAsModelled(const std::vector<std::array<Counts, 4>>& got, const Model& m, const char* source) {
        const auto passes = machine_->passes();
        const int64_t W = ripHeadUsed.uiWidth, H = ripHeadUsed.uiHeight;
        unsigned bad = 0;
        for (size_t p = 0; p < got.size(); ++p) {
            uint64_t wrong = 0;
            std::string first;
            for (unsigned k = 0; k < 4; ++k)
                for (int64_t l = 0; l < H; ++l) {
                    const int64_t y = m.row(int64_t(p), l);
                    for (int64_t x = 0; x < W; ++x) {
                        const bool want = y >= 0 && fileDot(k, unsigned(x), unsigned(l)) && m.keep(y, x);
                        const uint32_t n = got[p][k][size_t(l * W + x)];
                        if (n == uint32_t(want)) continue;
                        if (wrong++ == 0) {
                            char b[200];
                            std::snprintf(b, sizeof b, "plane %u line %lld dot %lld band row %lld: %u drops, %d wanted", k,
                                          (long long)l, (long long)x, (long long)y, n, int(want));
                            first = b;
                        }
                    }
                }
            if (wrong) {
                ++bad;
                ADD_FAILURE() << source << ": pass " << p << " (dir " << (p < passes.size() ? passes[p].dir : 0) << "): "
                              << wrong << " wrong dots, first: " << first;
                if (bad >= 4) break;
            }
        }
        return bad;
    }
};

TEST_P(FeatherStackedProof, OverlapLinesArePrintedExactlyOnce) {
    const StackedCase c = GetParam();
    configure(c);
    machine_->setDropLog(true);
    const unsigned ydpi = c.interlace > 1 ? unsigned(std::ceil(185.21 * c.interlace)) : 180;
    const std::string path = makeRip(c.eightLine ? 96 : 61, c.height, 7 + c.size + 5 * c.passes, ydpi);
    ASSERT_EQ(runTaking(path, c.passes), 1);
    ASSERT_EQ(d->uiFeatherMode, c.mode);
    ASSERT_EQ(d->uiInterlace, c.interlace);
    ASSERT_EQ(d->uiHeadsPerColor, c.stacked ? 2u : 1u);
    const Model m = model(c);
    ASSERT_GT(m.Q, 0);
    const auto ps = machine_->passes();
    ASSERT_EQ(ps.size(), size_t(d->uiStepTotal));
    for (const auto& p : ps) EXPECT_TRUE(p.complete);
    EXPECT_EQ(machine_->dropsOffSheet(), 0u);

    // Where each pass sits: its feeds may fall short of whole lines by under a pulse each.
    const double lineMM = kPitchMM / c.interlace;
    const Displacement disp = measureFeeds(ps, lineMM, 1.0 / machine_->config().yPulsesPerMM);
    EXPECT_EQ(disp.untruncated, 0u);
    EXPECT_LE(disp.spreadMM, disp.boundMM);

    const Landed got = landed(disp, lineMM, unsigned(ps.size()));
    EXPECT_GT(got.drops, 2000u);
    EXPECT_EQ(got.offGrid, 0u);
    EXPECT_EQ(got.outside, 0u);
    for (size_t p = 0; p < ps.size(); ++p) {
        uint64_t n = 0;
        for (const auto& k : got.pass[p]) n = std::accumulate(k.begin(), k.end(), n);
        EXPECT_EQ(n, ps[p].drops) << "pass " << p << ": drops not in the log";
    }
    expectAsModelled(got.pass, m, "drop log");
    ASSERT_FALSE(HasFailure());

    // The seams: a line in a feather zone is shared by the bottom zone of pass p and the top zone
    // of pass p + P, which print each of its inked dots exactly once between them.
    const int64_t W = ripHeadUsed.uiWidth, H = ripHeadUsed.uiHeight;
    uint64_t seamLines = 0, sharedDots = 0;
    for (int64_t l = 0; l < H; ++l) {
        std::vector<size_t> top, bottom;
        for (size_t p = 0; p < ps.size(); ++p) {
            const int64_t y = m.row(int64_t(p), l);
            if (y >= 0 && y < 2 * m.F) top.push_back(p);
            if (y >= m.V && y < m.V + 2 * m.F) bottom.push_back(p);
        }
        if (top.empty() && bottom.empty()) continue;
        ++seamLines;
        ASSERT_EQ(top.size(), bottom.size()) << "line " << l;
        for (size_t i = 0; i < top.size(); ++i) ASSERT_EQ(top[i], bottom[i] + c.passes) << "line " << l;
        for (unsigned k = 0; k < 4; ++k)
            for (int64_t x = 0; x < W; ++x) {
                const uint32_t want = fileDot(k, unsigned(x), unsigned(l)) ? 1 : 0;
                for (size_t i = 0; i < top.size(); ++i) {
                    const size_t at = size_t(l * W + x);
                    ASSERT_EQ(got.pass[bottom[i]][k][at] + got.pass[top[i]][k][at], want)
                        << "line " << l << " dot " << x << " plane " << k << " passes " << bottom[i] << " and " << top[i];
                    sharedDots += want;
                }
            }
    }
    EXPECT_GE(seamLines, uint64_t(2 * m.F) * uint64_t(H / (m.Q * m.I)));
    EXPECT_GT(sharedDots, 0u);

    // Hence P / I drops on every inked dot and none elsewhere.
    const unsigned each = c.passes / c.interlace;
    std::array<Counts, 4> total;
    for (unsigned k = 0; k < 4; ++k) {
        total[k].assign(size_t(W * H), 0);
        for (const auto& p : got.pass)
            for (size_t j = 0; j < total[k].size(); ++j) total[k][j] += p[k][j];
        uint64_t wrong = 0;
        for (int64_t l = 0; l < H; ++l)
            for (int64_t x = 0; x < W; ++x)
                wrong += total[k][size_t(l * W + x)] != (fileDot(k, unsigned(x), unsigned(l)) ? each : 0u);
        EXPECT_EQ(wrong, 0u) << "plane " << k;
    }

    // The sheet itself.
    const auto exact = compare();
    if (exact.missing == 0 && exact.extra == 0) {
        // No pass moved onto a neighbouring row: the sheet's drop counts, pass by pass, are the
        // model's too.
        const auto e = sheets.back().extent();
        ASSERT_EQ(e.width, W);
        ASSERT_EQ(e.height, H);
        const auto bySheet = passCounts(sheets, {e.x0, e.y0, W, H});
        ASSERT_EQ(bySheet.size(), ps.size());
        expectAsModelled(bySheet, m, "sheet");
        for (unsigned k = 0; k < 4; ++k) EXPECT_EQ(sheets.back().dropCounts(int(k), {e.x0, e.y0, W, H}), total[k]);
        std::printf("[feather] %s: exact, %zu passes, %llu seam lines\n", caseName(c).c_str(), ps.size(),
                    (unsigned long long)seamLines);
        return;
    }
    const int tolerance = int(std::ceil(disp.spreadMM / lineMM - 1e-9));
    std::printf("[feather] %s: passes displaced by up to %.3f lines; sheet compared within %d\n", caseName(c).c_str(),
                disp.spreadMM / lineMM, tolerance);
    ASSERT_GE(tolerance, 1) << "wrong dots without any displacement of the passes";
    const auto near = compare(false, tolerance);
    EXPECT_EQ(near.missing, 0u);
    EXPECT_EQ(near.extra, 0u);
}

std::vector<StackedCase> cases() {
    std::vector<StackedCase> v;
    // Two heads per colour: straight and wave, both layouts, both directions, the pass counts
    // whose bands fall short of the colour's nozzles (8 and 16) among them.
    for (unsigned p : {1u, 2u, 4u, 8u, 16u})
        for (unsigned mode : {1u, 2u}) {
            const bool eight = (p + mode) % 2 == 0;
            const unsigned size = mode == 1 ? (p >= 8 ? 3 : 6) : (p >= 8 ? 5 : 10);
            // Tall enough for two seams of every pass count, short enough to stay quick.
            const unsigned h = p >= 8 ? 150 : 300;
            v.push_back({mode, size, p, true, 1, eight, p % 4 == 0, h});
            v.push_back({mode, size + 1, p, true, 1, !eight, p % 4 != 0, h});
        }
    // Interlaced: every sub-line covered (passes a multiple of the interlace), one head per
    // colour and two stacked.
    for (unsigned i : {2u, 4u})
        for (unsigned p : {i, 2 * i, 4 * i})
            for (unsigned mode : {1u, 2u})
                for (bool stacked : {false, true}) {
                    const bool eight = (p / i + mode + stacked) % 2 == 0;
                    const unsigned size = mode == 1 ? (p >= 8 ? 2 : 4) : (p >= 8 ? 3 : 8);
                    v.push_back({mode, size, p, stacked, i, eight, (p / i) % 2 == 1, 240});
                }
    return v;
}

INSTANTIATE_TEST_SUITE_P(Jobs, FeatherStackedProof, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return caseName(info.param); });

} // namespace
