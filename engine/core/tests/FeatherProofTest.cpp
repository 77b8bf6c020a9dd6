// Whole jobs with edge feathering and dot masks on the virtual printer, proved on the sheet drop by
// drop: the sheet is read after every pass, so what each pass printed is known exactly and is
// compared with what the feather rows and the masks say it must print.
//
// Where the passes of a job meet. A pass fires the nozzle rows 0 .. V + 2F - 1 of its band (V =
// passes x nozzle rows per pass, F the half-depth of a feather zone) and the media advances Q rows
// (nozzle rows per pass) between passes, so a row printed by pass p at nozzle row r is printed
// again by pass p + 1 at row r - Q, and so on. Without feathering or masks every pass prints its
// whole band: a job of P passes therefore fires each inked dot P times (P passes cover each line),
// which is overprinting by design, not a fault. Feathering changes only the seams: the bottom
// zone of pass p (rows V .. V + 2F - 1) and the top zone of pass p + P (rows 0 .. 2F - 1) print
// the same lines with complementary dot sets, so the two together fire every inked dot of those
// lines exactly once, while the passes between them (rows 2F .. V - 1) print them whole. Hence the
// exactly-once proof is made on the overlap lines over the two feathered passes that share them,
// and the whole sheet must hold P drops on every inked dot (P - 1 whole passes plus the one shared
// drop) and none anywhere else.
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numeric>
#include <ostream>
#include <random>

#include "FeatherProofSupport.h"
#include "PrintJobFixture.h"
#include "platform/Files.h"

namespace {

using printjobtest::PrintJob;

// What a pass prints of its band: the job's geometry and the rule that keeps or drops one dot of
// one nozzle row.
struct PassModel {
    int64_t P = 1, Q = 0;
    int64_t rows = 0;      // nozzle rows a pass fires
    int64_t readAhead = 0; // bands read before the first pass beyond the one it prints
    // The image line nozzle row 0 of pass p prints: the rows of a pass look back over P + 1 bands
    // of Q lines ending at the last band read.
    int64_t firstLine(int64_t p) const { return (p + readAhead - P) * Q; }
    // Whether pass p (travelling dir) fires dot x of nozzle row r in plane k, the dot being inked.
    std::function<bool(int64_t p, int dir, int64_t r, int64_t x, unsigned k)> keep;
};

using featherproof::Counts;
using featherproof::passCounts;

class SheetProof : public PrintJob {
protected:
    std::vector<sim::Sheet> sheets; // the sheet before each pass, then after the job
    std::mutex sheetLock;

    // Runs the job, taking the sheet before every pass: the previous pass has fired by then.
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

    unsigned width() const { return ripHeadUsed.uiWidth; }
    unsigned height() const { return ripHeadUsed.uiHeight; }

    // The image's place on the sheet: its top-left dot is the top-left dot of the print, and the
    // print must be exactly as large as the image.
    sim::SheetRegion imageRegion() {
        const auto e = sheets.back().extent();
        EXPECT_EQ(e.width, int64_t(width()));
        EXPECT_EQ(e.height, int64_t(height()));
        return {e.x0, e.y0, int64_t(width()), int64_t(height())};
    }

    // Every pass printed exactly what the model says, nothing outside the image, and the job
    // ends with the sum of what the passes were to print. Returns the per-pass counts.
    std::vector<std::array<Counts, 4>> expectPassesAsModelled(const PassModel& m) {
        const auto passes = machine_->passes();
        EXPECT_EQ(passes.size(), size_t(d->uiStepTotal));
        EXPECT_EQ(sheets.size(), size_t(d->uiStepTotal) + 1);
        EXPECT_EQ(machine_->dropsOffSheet(), 0u);
        for (unsigned k = 0; k < 4; ++k) EXPECT_EQ(sheets.front().dropTotal(int(k)), 0u) << "ink before the job";
        const auto region = imageRegion();
        const auto got = passCounts(sheets, region);
        const int64_t W = width(), H = height();
        std::array<Counts, 4> total;
        for (auto& t : total) t.assign(size_t(W * H), 0);
        for (size_t p = 0; p < got.size() && p < passes.size(); ++p) {
            uint64_t inRegion = 0, wrong = 0;
            std::string first;
            for (unsigned k = 0; k < 4; ++k)
                for (int64_t y = 0; y < H; ++y)
                    for (int64_t x = 0; x < W; ++x) {
                        const int64_t r = y - m.firstLine(int64_t(p));
                        const bool want = r >= 0 && r < m.rows && fileDot(k, unsigned(x), unsigned(y)) &&
                                          m.keep(int64_t(p), passes[p].dir, r, x, k);
                        const uint32_t n = got[p][k][size_t(y * W + x)];
                        inRegion += n;
                        total[k][size_t(y * W + x)] += want;
                        if (n != uint32_t(want)) {
                            if (wrong++ == 0) {
                                char b[160];
                                std::snprintf(b, sizeof b, "plane %u line %lld dot %lld nozzle row %lld: %u drops, %d wanted", k,
                                              (long long)y, (long long)x, (long long)r, n, int(want));
                                first = b;
                            }
                        }
                    }
            EXPECT_EQ(wrong, 0u) << "pass " << p << " (dir " << passes[p].dir << "), first: " << first;
            // The drops the card fired in the pass all landed inside the image.
            EXPECT_EQ(inRegion, passes[p].drops) << "pass " << p;
        }
        for (unsigned k = 0; k < 4; ++k) {
            const Counts fin = sheets.back().dropCounts(int(k), region);
            EXPECT_EQ(fin, total[k]) << "plane " << k;
            EXPECT_EQ(sheets.back().dropTotal(int(k)), std::accumulate(fin.begin(), fin.end(), uint64_t(0)));
        }
        return got;
    }
};

// ------------------------------------------------------------------------------------ feathering

// Mask rows of the feather patterns, from their definition.
using featherproof::straightMask;
using featherproof::waveMask;

// The feathered job: every pass fires V + 2F rows, its two zones thinned by the feather masks.
PassModel featherModel(const CDrvPrint& d, unsigned mode, unsigned size, unsigned passes) {
    PassModel m;
    m.P = passes;
    m.Q = d.uiNozzlesPerPass;
    const int64_t f = mode == 2 ? size / 2 : size, v = m.P * m.Q;
    m.rows = v + 2 * f;
    m.readAhead = 0; // a feathered job reads no band ahead
    const double omega = d.uiZeroToHead * 0.001;
    m.keep = [f, v, omega, mode](int64_t, int, int64_t r, int64_t x, unsigned) {
        if (mode == 1) {
            // Row F - t keeps mask t, row F + t - 1 its complement; the bottom zone the other way.
            if (r < 2 * f) return r < f ? straightMask(f - r, x) : !straightMask(r - f + 1, x);
            if (r >= v && r < v + 2 * f) {
                const int64_t z = r - v;
                return z < f ? !straightMask(f - z, x) : straightMask(z - f + 1, x);
            }
            return true;
        }
        // Row t - 1 of the top zone keeps wave mask t, the same row of the bottom zone the rest.
        if (r < 2 * f) return waveMask(r + 1, f, omega, x);
        if (r >= v && r < v + 2 * f) return !waveMask(r - v + 1, f, omega, x);
        return true;
    };
    return m;
}

struct FeatherCase {
    unsigned mode; // 1 straight, 2 wave
    unsigned size;
    unsigned passes;
    int unidirectional;
    int eightLine;
    unsigned height;
};

void PrintTo(const FeatherCase& c, std::ostream* os) {
    *os << (c.mode == 1 ? "straight " : "wave ") << c.size << ", " << c.passes << " passes, uni " << c.unidirectional
        << ", 8-line " << c.eightLine << ", " << c.height << " lines";
}

class FeatherProof : public SheetProof, public ::testing::WithParamInterface<FeatherCase> {
protected:
    int64_t F = 0, V = 0;

    // Top zone rows 0 .. 2F - 1 and bottom zone rows V .. V + 2F - 1 of every pass.
    bool topZone(int64_t r) const { return r >= 0 && r < 2 * F; }
    bool bottomZone(int64_t r) const { return r >= V && r < V + 2 * F; }

    PassModel model(const FeatherCase& c) {
        PassModel m = featherModel(*d, c.mode, c.size, c.passes);
        F = c.mode == 2 ? c.size / 2 : c.size;
        V = m.P * m.Q;
        return m;
    }
};

TEST_P(FeatherProof, OverlapLinesArePrintedExactlyOnce) {
    const FeatherCase c = GetParam();
    d->bUnidirection = c.unidirectional;
    d->bEightLineMode = c.eightLine;
    if (!c.eightLine) freshMachine(false);
    d->bEdgeFeather = c.mode;
    d->uiFeatherSize = c.size;
    const std::string path = makeRip(96, c.height, 11 + c.size + 7 * c.passes);
    ASSERT_EQ(runTaking(path, c.passes), 1);
    ASSERT_EQ(d->uiFeatherMode, c.mode);
    const PassModel m = model(c);
    ASSERT_GT(m.Q, 0);
    const auto got = expectPassesAsModelled(m);
    ASSERT_FALSE(HasFailure());

    // The seams: every line that lies in a feather zone is shared by the bottom zone of one pass
    // and the top zone of the pass P passes later, and the two print each inked dot of it exactly
    // once between them.
    const int64_t W = width(), H = height();
    uint64_t overlapLines = 0, sharedDots = 0;
    for (int64_t y = 0; y < H; ++y) {
        std::vector<size_t> top, bottom;
        for (size_t p = 0; p < got.size(); ++p) {
            const int64_t r = y - m.firstLine(int64_t(p));
            if (topZone(r)) top.push_back(p);
            if (bottomZone(r)) bottom.push_back(p);
        }
        if (top.empty() && bottom.empty()) continue;
        ++overlapLines;
        // Zones pair off: a bottom zone with the top zone P passes on.
        ASSERT_EQ(top.size(), bottom.size()) << "line " << y;
        for (size_t i = 0; i < top.size(); ++i) ASSERT_EQ(top[i], bottom[i] + c.passes) << "line " << y;
        for (unsigned k = 0; k < 4; ++k)
            for (int64_t x = 0; x < W; ++x) {
                const size_t at = size_t(y * W + x);
                for (size_t i = 0; i < top.size(); ++i) {
                    const uint32_t a = got[bottom[i]][k][at], b = got[top[i]][k][at];
                    const uint32_t want = fileDot(k, unsigned(x), unsigned(y)) ? 1 : 0;
                    ASSERT_EQ(a + b, want) << "line " << y << " dot " << x << " plane " << k << " passes " << bottom[i]
                                           << " and " << top[i];
                    sharedDots += want;
                }
            }
    }
    if (F > 0) {
        // Every seam of the image has its 2F lines (the last may run past the image's end).
        EXPECT_GE(overlapLines, uint64_t(2 * F) * uint64_t(H / m.Q));
        EXPECT_GT(sharedDots, 0u);
    } else {
        EXPECT_EQ(overlapLines, 0u);
    }

    // And so the sheet holds P drops on every inked dot and none elsewhere.
    const auto region = imageRegion();
    for (unsigned k = 0; k < 4; ++k) {
        const Counts fin = sheets.back().dropCounts(int(k), region);
        uint64_t wrong = 0;
        for (int64_t y = 0; y < H; ++y)
            for (int64_t x = 0; x < W; ++x)
                wrong += fin[size_t(y * W + x)] != (fileDot(k, unsigned(x), unsigned(y)) ? c.passes : 0u);
        EXPECT_EQ(wrong, 0u) << "plane " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, FeatherProof,
    ::testing::Values(FeatherCase{1, 0, 2, 0, 1, 150}, FeatherCase{1, 1, 1, 0, 1, 300}, FeatherCase{1, 4, 2, 0, 1, 200},
                      FeatherCase{1, 10, 4, 0, 0, 200}, FeatherCase{1, 20, 2, 1, 0, 200}, FeatherCase{1, 30, 1, 0, 1, 200},
                      FeatherCase{1, 8, 4, 1, 1, 160}, FeatherCase{2, 6, 1, 0, 1, 300}, FeatherCase{2, 10, 2, 0, 0, 200},
                      FeatherCase{2, 9, 4, 1, 1, 160}, FeatherCase{2, 40, 1, 0, 0, 200}, 
                      // Zones exactly one media advance deep.
                      FeatherCase{1, 21, 2, 0, 1, 200}, FeatherCase{2, 42, 1, 1, 0, 200}),
    [](const auto& info) {
        const FeatherCase& c = info.param;
        return std::string(c.mode == 1 ? "Straight" : "Wave") + std::to_string(c.size) + "x" + std::to_string(c.passes) +
               "pass" + (c.unidirectional ? "Uni" : "Bi") + (c.eightLine ? "8Line" : "16Byte");
    });

// A zone deeper than one media advance would need lines the job has not read yet: the job is
// refused before anything moves instead of printing the zone's dots away.
TEST_F(SheetProof, FeatherZoneDeeperThanAnAdvanceIsRefused) {
    struct Case {
        unsigned mode, size, passes;
    };
    // Straight 22 over 2 passes: 44 rows against 41; wave 44 over 1 pass: 44 against 38; wave 22
    // over 4 passes: 22 against 20.
    for (const Case c : {Case{1, 22, 2}, Case{2, 44, 1}, Case{2, 22, 4}}) {
        SCOPED_TRACE(std::to_string(c.mode) + "/" + std::to_string(c.size) + "/" + std::to_string(c.passes));
        d->bEdgeFeather = c.mode;
        d->uiFeatherSize = c.size;
        const std::string path = makeRip(64, 100);
        prompter_->clear();
        machine_->clearEvents();
        EXPECT_EQ(run(path, c.passes), 0);
        EXPECT_STREQ(d->csPrintStep.get(), "CLS");
        ASSERT_EQ(prompter_->texts().size(), 1u);
        EXPECT_NE(prompter_->texts()[0].find("feather zone"), std::string::npos) << prompter_->texts()[0];
        EXPECT_TRUE(machine_->events("move").empty());
        EXPECT_TRUE(machine_->passes().empty());
    }
    // One row less and the job prints.
    d->bEdgeFeather = 1;
    d->uiFeatherSize = 21;
    EXPECT_EQ(run(makeRip(64, 100), 2), 1);
}

// ----------------------------------------------------------------------------------------- masks

// masks.bmp: a 1-bit picture of 512 x 10240 pixels whose pixel data (from byte 62) are the 20
// masks of 32768 bytes one after the other.
std::vector<std::vector<uint8_t>> writeMasks(const std::string& path, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::vector<uint8_t>> masks(kMaskCount, std::vector<uint8_t>(kMaskLoadBytes));
    for (unsigned i = 0; i < kMaskCount; ++i)
        for (auto& b : masks[i]) {
            // Densities of 1/2, 3/4 and 1/4 by turns, so that the masks differ in more than place.
            const uint8_t a = uint8_t(rng()), c = uint8_t(rng());
            b = i % 3 == 0 ? a : i % 3 == 1 ? uint8_t(a | c) : uint8_t(a & c);
        }
    std::vector<uint8_t> head(62, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) head[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    head[0] = 'B';
    head[1] = 'M';
    put32(2, uint32_t(62 + kMaskCount * kMaskLoadBytes));
    put32(10, 62);
    put32(14, 40);
    put32(18, 512);
    put32(22, 512 * kMaskCount);
    head[26] = 1;  // planes
    head[28] = 1;  // bits per pixel
    put32(58, 0xFFFFFF); // palette: black, white
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(head.data()), std::streamsize(head.size()));
    for (const auto& m : masks) f.write(reinterpret_cast<const char*>(m.data()), std::streamsize(m.size()));
    return masks;
}

struct MaskCase {
    unsigned passes;
    int unidirectional;
    int eightLine;
    unsigned featherMode; // masks and feathering together
    unsigned featherSize;
};

void PrintTo(const MaskCase& c, std::ostream* os) {
    *os << c.passes << " passes, uni " << c.unidirectional << ", 8-line " << c.eightLine << ", feather " << c.featherMode
        << "/" << c.featherSize;
}

class MaskProof : public SheetProof, public ::testing::WithParamInterface<MaskCase> {
protected:
    // Colour channel c uses mask kChosen[c]; 20 means none.
    static constexpr unsigned kChosen[4] = {3, 7, 20, 0};
    std::vector<std::vector<uint8_t>> masks;

    // Whether the mask of plane k keeps dot x of nozzle row r in a pass travelling dir, from the
    // mask's definition in each card layout.
    bool maskKeeps(unsigned k, int dir, int64_t r, int64_t x, bool eightLine) const {
        if (kChosen[k] >= kMaskCount) return true;
        const std::vector<uint8_t>& mk = masks[kChosen[k]];
        if (!eightLine) {
            // 16-byte columns: the byte for dot x and column byte b is at (x mod 512) x 64 + b; column
            // byte b holds nozzle rows 8b .. 8b + 7, the first in bit 7 (the job is not mirrored
            // vertically).
            return mk[size_t((x % 512) * 64 + r / 8)] & (0x80 >> (r % 8));
        }
        // 8-line groups: output byte b of nozzle row r is masked with byte (b x r) mod 32768. The
        // row is laid out from its left end in a mirrored pass, from its right end otherwise, and
        // shifted right by the head's X offset within its group, so dot x sits in output byte
        // (j + s) / 8, bit 7 - (j + s) mod 8, j being its place in the laid-out row.
        const bool mirror = (dir < 0) != (d->bHorizontalMirror != 0);
        const int64_t rowDots = 8 * int64_t(ripHeadUsed.uiBytesPerLine);
        const int64_t j = mirror ? x : rowDots - 1 - x;
        const int64_t steps = dir < 0 ? d->headAlignment.HeadOffsetXL[0] : d->headAlignment.HeadOffsetXR[0];
        const int64_t s = int64_t(d->UI_DPIRate(1, unsigned(steps))) % 8;
        const int64_t b = (j + s) / 8, bit = (j + s) % 8;
        return mk[size_t((b * r) % 32768)] & (0x80 >> bit);
    }
};

TEST_P(MaskProof, SheetHoldsTheMaskedSubsetOfTheImage) {
    const MaskCase c = GetParam();
    d->bUnidirection = c.unidirectional;
    d->bEightLineMode = c.eightLine;
    if (!c.eightLine) freshMachine(false);
    d->bEdgeFeather = c.featherMode;
    d->uiFeatherSize = c.featherSize;
    masks = writeMasks(platform::joinPath(dir_, "masks.bmp"), 5 + c.passes);
    d->IMGLoadMaskTable();
    for (unsigned k = 0; k < 4; ++k) d->uiMaskIndex[k] = kChosen[k];
    // Wider than 64 bytes of dots so that the 8-line mask index runs past a row of nozzles.
    const std::string path = makeRip(600, 180, 31 + c.passes);
    ASSERT_EQ(runTaking(path, c.passes), 1);

    PassModel m;
    if (c.featherMode) {
        m = featherModel(*d, c.featherMode, c.featherSize, c.passes);
    } else {
        // Without feathering every pass fires its whole band of P x Q rows; the job reads a band
        // ahead of the one it prints.
        m.P = c.passes;
        m.Q = d->uiNozzlesPerPass;
        m.rows = m.P * m.Q;
        m.readAhead = 1;
        m.keep = [](int64_t, int, int64_t, int64_t, unsigned) { return true; };
    }
    auto rowKeep = m.keep;
    const bool eightLine = c.eightLine != 0;
    m.keep = [this, rowKeep, eightLine](int64_t p, int dir, int64_t r, int64_t x, unsigned k) {
        return rowKeep(p, dir, r, x, k) && maskKeeps(k, dir, r, x, eightLine);
    };
    expectPassesAsModelled(m);
    ASSERT_FALSE(HasFailure());

    // The masks thinned the masked planes (and by about their density); the unmasked plane lost
    // nothing.
    const auto region = imageRegion();
    for (unsigned k = 0; k < 4; ++k) {
        const Counts fin = sheets.back().dropCounts(int(k), region);
        uint64_t inked = 0, printed = 0;
        for (unsigned y = 0; y < height(); ++y)
            for (unsigned x = 0; x < width(); ++x) {
                inked += fileDot(k, x, y);
                printed += fin[size_t(y) * width() + x] > 0;
            }
        if (kChosen[k] >= kMaskCount) {
            EXPECT_EQ(printed, inked) << "plane " << k;
        } else {
            EXPECT_LT(printed, inked) << "plane " << k;
            EXPECT_GT(printed, inked / 8) << "plane " << k;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Jobs, MaskProof,
                         ::testing::Values(MaskCase{1, 0, 1, 0, 0}, MaskCase{2, 0, 1, 0, 0}, MaskCase{4, 0, 1, 0, 0},
                                           MaskCase{2, 1, 1, 0, 0}, MaskCase{1, 0, 0, 0, 0}, MaskCase{2, 0, 0, 0, 0},
                                           MaskCase{4, 1, 0, 0, 0}, MaskCase{2, 0, 1, 1, 6}, MaskCase{2, 0, 0, 2, 8}),
                         [](const auto& info) {
                             const MaskCase& c = info.param;
                             return std::to_string(c.passes) + "pass" + (c.unidirectional ? "Uni" : "Bi") +
                                    (c.eightLine ? "8Line" : "16Byte") +
                                    (c.featherMode ? (c.featherMode == 1 ? "Straight" : "Wave") : "");
                         });

// A mask index of 20 or more selects no mask; so does a head-alignment or colour-bar print, which
// is not a RIP job. Here: index 20 on every channel prints the image whole.
TEST_F(SheetProof, MaskIndexTwentyLeavesTheImageWhole) {
    writeMasks(platform::joinPath(dir_, "masks.bmp"), 9);
    d->IMGLoadMaskTable();
    for (unsigned k = 0; k < 4; ++k) d->uiMaskIndex[k] = 20 + k;
    ASSERT_EQ(runTaking(makeRip(96, 120, 3), 2), 1);
    auto r = compare();
    EXPECT_EQ(r.missing, 0u);
    EXPECT_EQ(r.extra, 0u);
}

} // namespace
