// Edge feathering: complementary thinning of the overlap rows of successive passes.
#include <gtest/gtest.h>

#include <thread>

#include "TransposeRig.h"

namespace rastertest {
namespace {

// Two heads, 128 nozzles, rows of 10 bytes (80 dots); a band V of 2 passes x 50 rows.
struct FeatherPass : Rig {
    static constexpr unsigned R = 10, O = 3, V = 100;
    FeatherPass(unsigned mode, unsigned size) {
        alloc(2, 140 * R, 64);
        geometry(128, R, 140, 16, 8 * R);
        d->NOZZLESOFFSET = O;
        d->uiFeatherMode = mode;
        d->uiFeatherSize = size;
        d->uiPassCount = 2;
        d->uiInterlace = 2;
        d->uiLinesPerStep = 100; // 50 nozzle rows a pass
        for (unsigned h = 0; h < 2; ++h) std::memset(pass(h), 0xFF, 140 * R);
    }
    bool bit(unsigned h, unsigned row, unsigned x) { return (pass(h)[row * R + x / 8] >> (7 - x % 8)) & 1; }
    unsigned rowDots(unsigned h, unsigned row) {
        unsigned n = 0;
        for (unsigned x = 0; x < 8 * R; ++x) n += bit(h, row, x);
        return n;
    }
    // Every dot of the overlap is printed by exactly one of the two passes that share it: the
    // bottom zone of one pass and the top zone of the pass a band later.
    void expectComplementary(unsigned h, unsigned zone) {
        for (unsigned i = 0; i < zone; ++i)
            for (unsigned x = 0; x < 8 * R; ++x)
                ASSERT_NE(bit(h, O + i, x), bit(h, O + V + i, x)) << "zone row " << i << " dot " << x;
    }
};

TEST(Feather, StraightZonesAreComplementary) {
    constexpr unsigned O = FeatherPass::O, V = FeatherPass::V;
    for (unsigned size : {1u, 2u, 5u}) {
        FeatherPass p(1, size);
        p.d->PRNFeatherHead(0);
        p.d->PRNFeatherHead(1);
        for (unsigned h = 0; h < 2; ++h) p.expectComplementary(h, 2 * size);
        // Between the zones every dot stays; past the band and its zones nothing does.
        EXPECT_EQ(p.rowDots(0, O + 2 * size), 80u);
        EXPECT_EQ(p.rowDots(0, O + V - 1), 80u);
        EXPECT_EQ(p.rowDots(0, O + V + 2 * size), 0u);
        EXPECT_EQ(p.rowDots(0, 127), 0u);
        EXPECT_EQ(p.rowDots(0, 128), 80u); // beyond the card's 128 rows: untouched
    }
}

TEST(Feather, StraightDensityFallsOffRowByRow) {
    FeatherPass p(1, 3);
    p.d->PRNEdgeFeather();
    // Row O + F - t keeps every (t + 1)-th dot from dot t.
    for (unsigned t = 1; t <= 3; ++t) {
        const unsigned row = FeatherPass::O + 3 - t;
        for (unsigned x = 0; x < 80; ++x) EXPECT_EQ(p.bit(0, row, x), x >= t && (x - t) % (t + 1) == 0) << t << " " << x;
    }
}

TEST(Feather, SizeOneSplitsTheDotsOfTwoRows) {
    FeatherPass p(1, 1);
    p.d->PRNEdgeFeather();
    for (unsigned x = 0; x < 80; ++x) {
        EXPECT_EQ(p.bit(1, FeatherPass::O, x), x % 2 == 1);
        EXPECT_EQ(p.bit(1, FeatherPass::O + 1, x), x % 2 == 0);
        EXPECT_EQ(p.bit(1, FeatherPass::O + FeatherPass::V, x), x % 2 == 0);
        EXPECT_EQ(p.bit(1, FeatherPass::O + FeatherPass::V + 1, x), x % 2 == 1);
    }
}

TEST(Feather, SizeZeroOnlyClearsPastTheBand) {
    FeatherPass p(1, 0);
    p.d->PRNEdgeFeather();
    for (unsigned r = 0; r < FeatherPass::O + FeatherPass::V; ++r) EXPECT_EQ(p.rowDots(0, r), 80u) << r;
    for (unsigned r = FeatherPass::O + FeatherPass::V; r < 128; ++r) EXPECT_EQ(p.rowDots(0, r), 0u) << r;
}

TEST(Feather, WaveZonesAreComplementary) {
    for (unsigned zeroToHead : {60u, 300u, 2000u}) {
        FeatherPass p(2, 6); // zones of 6 rows
        p.d->uiZeroToHead = zeroToHead;
        p.d->PRNEdgeFeatherWave();
        for (unsigned h = 0; h < 2; ++h) p.expectComplementary(h, 6);
        EXPECT_EQ(p.rowDots(0, FeatherPass::O + FeatherPass::V + 6), 0u);
    }
}

TEST(Feather, LowWaveFrequencyIsNearlyFlatAtTheLeftEdge) {
    FeatherPass p(2, 6);
    p.d->uiZeroToHead = 1; // w = 0.001: 1 - cos(w x) stays tiny across 80 dots
    p.d->PRNEdgeFeatherWave();
    EXPECT_EQ(p.rowDots(0, FeatherPass::O), 0u);
    for (unsigned r = 1; r < 6; ++r) EXPECT_EQ(p.rowDots(0, FeatherPass::O + r), 80u) << r;
    EXPECT_EQ(p.rowDots(0, FeatherPass::O + FeatherPass::V), 80u);

    // A faster wave drops dots of the upper zone rows where the cosine dips.
    FeatherPass q(2, 6);
    q.d->uiZeroToHead = 100; // period 2 pi / 0.1, about 63 dots
    q.d->PRNEdgeFeatherWave();
    EXPECT_TRUE(q.bit(0, FeatherPass::O + 3, 0));
    EXPECT_FALSE(q.bit(0, FeatherPass::O + 3, 31)); // 1 - cos(3.1) is near 2: depth 6 rows
    EXPECT_TRUE(q.bit(0, FeatherPass::O + 3, 63));
}

TEST(Feather, MasksFollowAChangeOfSize) {
    FeatherPass p(1, 1);
    p.d->PRNFeatherHead(0);
    p.d->uiFeatherSize = 4;
    std::memset(p.pass(1), 0xFF, 140 * FeatherPass::R);
    p.d->PRNFeatherHead(1);
    p.expectComplementary(1, 8);
    EXPECT_EQ(p.rowDots(1, FeatherPass::O), 16u); // t = 4: dots 4, 9, 14 ...
}

TEST(Feather, OffModeLeavesThePassAlone) {
    FeatherPass p(0, 3);
    p.d->PRNFeatherHead(0);
    for (unsigned r = 0; r < 140; ++r) EXPECT_EQ(p.rowDots(0, r), 80u);
}

TEST(Feather, RowsPastTheBufferAreLeftAlone) {
    FeatherPass p(1, 5);
    p.alloc(2, 104 * FeatherPass::R + 3, 64); // the bottom zone reaches past the buffer
    std::memset(p.pass(0), 0xFF, 104 * FeatherPass::R + 3);
    p.d->PRNFeatherHead(0); // the sanitizer build catches any stray write
    EXPECT_EQ(p.rowDots(0, FeatherPass::O + FeatherPass::V), 80u - 13u); // ~m_5: dots 5, 11 .. 77 dropped
    EXPECT_EQ(p.pass(0)[104 * FeatherPass::R], 0xFF);

    p.d->uiFeatherSize = 1000000; // deeper than the buffer: capped, no huge mask
    p.d->PRNFeatherHead(0);
}

TEST(Feather, HeadsCanBeFeatheredSideBySide) {
    FeatherPass p(2, 8);
    p.alloc(8, 140 * FeatherPass::R, 64);
    for (unsigned h = 0; h < 8; ++h) std::memset(p.pass(h), 0xFF, 140 * FeatherPass::R);
    std::vector<std::thread> workers;
    for (unsigned h = 0; h < 8; ++h) workers.emplace_back([&p, h] { p.d->PRNFeatherHead(h); });
    for (auto& w : workers) w.join();
    for (unsigned h = 0; h < 8; ++h) p.expectComplementary(h, 8);
}

TEST(Feather, FooterAndMirrorRequestChangeNoPrinting) {
    FeatherPass p(0, 0);
    p.d->PRNSetFooter();
    p.d->PRNSetMirrorPrint(1);
    EXPECT_EQ(p.d->bMirrorPrint, 1);
    EXPECT_EQ(p.d->bPassMirror, 0);
    EXPECT_EQ(p.d->bVertMirror, 0);
    EXPECT_EQ(p.rowDots(0, 0), 80u);
}

} // namespace
} // namespace rastertest
