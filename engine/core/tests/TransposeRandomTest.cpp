// The fast transposition kernels against the bit-by-bit reference, on random passes.
#include <gtest/gtest.h>

#include <random>

#include "TransposeRig.h"
#include "core/TransposeInternal.h"

namespace rastertest {
namespace {

struct Random {
    std::mt19937 gen;
    explicit Random(unsigned seed) : gen(seed) {}
    int in(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); }
    bool coin(int percent = 50) { return in(0, 99) < percent; }
};

// A random pass: geometry, offsets, mirrors, masks, team mode and colour bars; buffers sized so
// that some passes reach past them. Wide passes have rows long enough for the vector kernels,
// up to 512 nozzles and card columns of any byte count. Long rows (over 4 KiB, few nozzles) take
// the kernels' copied-stream path.
void randomPass(Rig& rig, Random& rnd, bool eightLines, bool wide = false, bool longRows = false) {
    CDrvPrint& d = *rig.d;
    const unsigned heads = unsigned(rnd.in(1, 3));
    const unsigned N = unsigned(longRows ? rnd.in(4, 40) : wide ? rnd.in(4, 520) : rnd.in(4, 140));
    const unsigned perColor = rnd.coin(25) ? 2 : 1;
    unsigned K = eightLines ? unsigned(rnd.in(1, 4)) * 4 : unsigned(rnd.coin(70) ? 16 * rnd.in(1, 2) : rnd.in(1, 5));
    if (wide) K = rnd.coin(60) ? (N + 127) / 128 * 16 : unsigned(rnd.in(1, 70));
    const unsigned R = unsigned(longRows ? rnd.in(4090, 4200) : wide ? rnd.in(14, 90) : rnd.in(1, 24));
    const unsigned rows = unsigned(rnd.in(1, int(N * perColor + 20)));
    const unsigned W = eightLines ? 8 * R : unsigned(rnd.in(1, int(8 * R + 12)));
    const size_t passSize = rnd.coin(30) ? size_t(rnd.in(1, int(rows * R))) : size_t(rows) * R + size_t(rnd.in(0, 64));
    const size_t cardSize = wide ? size_t(rnd.in(1, int(W + 600))) * (rnd.coin(70) ? K : 1) + size_t(rnd.in(0, 3))
                                 : size_t(rnd.in(1, 900)) * (rnd.coin(50) ? K : 1) + size_t(rnd.in(0, 3));
    rig.alloc(heads, passSize, cardSize);
    rig.geometry(N, R, rows, K, W);
    d.uiNozzlesPerColor = N * perColor;
    d.NOZZLESOFFSET = unsigned(rnd.in(0, 6));
    d.uiHeadWidth = unsigned(rnd.in(0, 120));
    d.fDPIRate = rnd.coin(60) ? 1.0f : (rnd.coin(50) ? 2.0f : 0.75f);
    d.bPassToLeft = rnd.coin();
    d.bPassMirror = rnd.coin();
    d.bVertMirror = rnd.coin();
    d.uiHeadsTeamMode = unsigned(rnd.in(0, 2));
    d.COLORS = unsigned(rnd.in(1, 4));
    d.uiPrintJobKind = rnd.coin(85) ? 0 : 1;
    d.uiHeadsAlignmentMode = 0;
    for (unsigned h = 0; h < heads; ++h) {
        d.headAlignment.HeadOffsetXL[h] = rnd.in(-40, 200);
        d.headAlignment.HeadOffsetXR[h] = rnd.in(-40, 200);
        d.headAlignment.HeadOffsetY[h] = rnd.in(0, 8);
        d.ColorChannel[h] = rnd.coin(90) ? rnd.in(0, int(d.COLORS) - 1) : rnd.in(-1, 13);
    }
    d.headAlignment.MAXHEADOFFSETY = 8;
    for (unsigned c = 0; c < kMaxColors; ++c) d.uiMaskIndex[c] = rnd.coin(40) ? unsigned(rnd.in(0, 2)) : 20;
    for (unsigned m = 0; m < 3; ++m) {
        // The layouts read at most the first 512 * 64 + K bytes of a mask.
        rig.mask(m, 0xFF);
        for (size_t i = 0; i < 33000; ++i) d.maskBuf[m][i] = uint8_t(rnd.gen());
    }

    // Colour bars, as PRNSetColorBar leaves them (or switched off).
    d.uiColorBarPosition = unsigned(rnd.in(0, 3));
    d.uiColorBarEachWidth = unsigned(rnd.in(0, 20));
    d.uiColorBarMixedWidth = unsigned(rnd.coin() ? rnd.in(0, 12) : 0);
    d.uiColorBarDistance = unsigned(rnd.in(0, 16));
    if (eightLines) {
        d.uiColorBarEachWidth = (d.uiColorBarEachWidth + 7) / 8 * 8;
        d.uiColorBarMixedWidth = (d.uiColorBarMixedWidth + 7) / 8 * 8;
        d.uiColorBarDistance = (d.uiColorBarDistance + 7) / 8 * 8;
    }
    d.uiColorBarWidth = d.COLORS * d.uiColorBarEachWidth + d.uiColorBarMixedWidth + d.uiColorBarDistance;
    if (d.uiColorBarPosition == 2) d.uiColorBarWidth *= 2;
    if (rnd.coin(15)) d.uiColorBarWidth = 0;
    d.bColorBarDither = rnd.coin();
    d.colorBar.bSameHeightWithImage = rnd.coin(40);
    d.uiPassCount = unsigned(rnd.in(1, 4));
    d.uiInterlace = unsigned(rnd.in(1, 2));
    d.uiNozzlesPerPass = N / d.uiPassCount;
    d.uiLinesPerStep = d.uiInterlace * d.uiNozzlesPerPass;
    d.uiStepSendCount = unsigned(rnd.in(1, 12));
    d.uiStepSendCurrent = unsigned(rnd.in(0, int(d.uiStepSendCount.load())));
    d.uiFeatherMode = rnd.coin(30) ? 1 : 0;
    d.uiFeatherSize = unsigned(rnd.in(0, 3));

    // 8-line only: gradients and head-alignment passes.
    d.bGradientOn = rnd.coin(70);
    d.GRADIENTOFFSET = rnd.coin() ? rnd.in(-30, 30) : 0;
    d.GRADIENTOFFSETR = rnd.coin() ? rnd.in(-30, 30) : 0;
    if (eightLines && rnd.coin(15)) {
        d.uiPrintJobKind = 2;
        d.uiHeadsAlignmentMode = 3;
        d.LINESPERHEAD = 1;
        for (unsigned h = 0; h < heads; ++h) d.HeadOffsetY[h] = rnd.in(0, 1);
        d.iAlignPassOffsetY = rnd.in(0, 1);
        d.TestPattern[1] = rnd.coin() ? "a-360.prn" : "a.prn";
    }

    // Random dots (dense or sparse) and random old contents in the card buffers.
    const int density = rnd.in(1, 100);
    for (unsigned h = 0; h < heads; ++h) {
        for (size_t i = 0; i < passSize; ++i) {
            uint8_t v = 0;
            for (int b = 0; b < 8; ++b)
                if (rnd.in(1, 100) <= density) v |= uint8_t(1 << b);
            rig.pass(h)[i] = v;
        }
        for (size_t i = 0; i < cardSize; ++i) rig.card(h)[i] = uint8_t(rnd.gen());
    }
}

void compareWithReference(bool eightLines, unsigned seed, int cases, bool wide = false, bool longRows = false) {
    Random rnd(seed);
    Rig rig; // one engine for all cases: every case sets what it uses
    for (int n = 0; n < cases; ++n) {
        randomPass(rig, rnd, eightLines, wide || longRows, longRows);
        CDrvPrint& d = *rig.d;
        d.bEightLineMode = eightLines;
        d.bDebugBmp = 0;
        std::vector<std::vector<uint8_t>> expected;
        for (unsigned h = 0; h < d.HEADS; ++h) {
            expected.emplace_back(rig.card(h), rig.card(h) + d.uiHeadCardSize);
            if (eightLines) referenceRowToColumn8(d, h, expected.back());
            else referenceRowToColumn16(d, h, expected.back());
        }
        d.IMGRowToColumn();
        for (unsigned h = 0; h < d.HEADS; ++h) {
            const std::vector<uint8_t> got(rig.card(h), rig.card(h) + d.uiHeadCardSize);
            ASSERT_EQ(got, expected[h]) << "seed " << seed << " case " << n << " head " << h << " K "
                                        << d.uiCardRowBytes << " R " << d.uiPassRowBytes << " W " << d.uiPassWidthDots
                                        << " mirror " << d.bPassMirror << " vert " << d.bVertMirror << " team "
                                        << d.uiHeadsTeamMode << " bars " << d.uiColorBarPosition << " kernel "
                                        << raster::kernelName(raster::transposeKernel());
        }
    }
}

// Every kernel the processor can run, on passes wide enough for the vector paths; the kernel
// choice is put back afterwards.
class TransposeKernels : public ::testing::TestWithParam<raster::TransposeKernel> {
protected:
    void SetUp() override {
        if (raster::setTransposeKernel(GetParam()) != GetParam()) GTEST_SKIP() << "this processor lacks the kernel";
    }
    void TearDown() override { raster::setTransposeKernel(raster::TransposeKernel::Best); }
};

TEST_P(TransposeKernels, SixteenByteLayoutMatchesReference) {
    for (unsigned seed : {21u, 22u, 23u}) compareWithReference(false, seed, 40, true);
    for (unsigned seed : {1u, 2u}) compareWithReference(false, seed, 40);
}

TEST_P(TransposeKernels, EightLineLayoutMatchesReference) {
    for (unsigned seed : {31u, 32u, 33u}) compareWithReference(true, seed, 40, true);
    for (unsigned seed : {11u, 12u}) compareWithReference(true, seed, 40);
    compareWithReference(true, 41u, 6, true, true);
}

INSTANTIATE_TEST_SUITE_P(Kernels, TransposeKernels,
                         ::testing::Values(raster::TransposeKernel::Portable, raster::TransposeKernel::Sse2,
                                           raster::TransposeKernel::Avx2, raster::TransposeKernel::Avx512),
                         [](const auto& info) { return std::string(raster::kernelName(info.param)); });

TEST(TransposeRandom, KernelChoiceFallsBackToWhatTheProcessorHas) {
    const auto best = raster::setTransposeKernel(raster::TransposeKernel::Best);
    EXPECT_NE(best, raster::TransposeKernel::Best);
    EXPECT_EQ(raster::transposeKernel(), best);
    // Asking for more than the processor has gives the widest it has, never more.
    EXPECT_EQ(raster::setTransposeKernel(raster::TransposeKernel::Avx512), best);
    EXPECT_EQ(raster::setTransposeKernel(raster::TransposeKernel::Portable), raster::TransposeKernel::Portable);
    raster::setTransposeKernel(raster::TransposeKernel::Best);
}

TEST(TransposeRandom, SixteenByteLayoutMatchesReference) {
    for (unsigned seed : {1u, 2u, 3u, 4u}) compareWithReference(false, seed, 60);
}

TEST(TransposeRandom, EightLineLayoutMatchesReference) {
    for (unsigned seed : {11u, 12u, 13u, 14u}) compareWithReference(true, seed, 60);
}

} // namespace
} // namespace rastertest
