// The 8-line layout: whole bytes shifted into groups of 8 dots, one byte per nozzle row.
#include <gtest/gtest.h>

#include "TransposeRig.h"

namespace rastertest {
namespace {

// One head, 128 nozzles, 4-byte rows (32 dots), 16 card bytes a column: 128 bytes a group.
struct Pass8 : Rig {
    static constexpr int64_t K8 = 128;
    Pass8() {
        alloc(1, 128 * 4, K8 * 300);
        geometry(128, 4, 128, 16, 32);
        d->bEightLineMode = 1;
        d->COLORS = 1;
        d->ColorChannel[0] = 0;
        d->bVertMirror = 1;
        d->bPassMirror = 1;
        d->bPassToLeft = 0;
    }
    uint8_t at(int64_t group, int64_t byte) const { return d->headCardBuf[0][size_t(group * K8 + byte)]; }
    // Dot positions (group * 8 + bit) inked in the card byte position `byte` of every group.
    std::vector<int64_t> dotsAt(int64_t byte) const {
        std::vector<int64_t> v;
        for (int64_t g = 0; g * K8 + byte < int64_t(d->uiHeadCardSize); ++g)
            for (int t = 0; t < 8; ++t)
                if ((at(g, byte) >> (7 - t)) & 1) v.push_back(8 * g + t);
        return v;
    }
};

TEST(Transpose8Lines, DotMovesByTheHeadOffset) {
    Pass8 p;
    p.dot(0, 5, 0);
    p.dot(0, 5, 7);
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.at(0, 5), 0x81);
    EXPECT_EQ(p.inkedBits(0), 2u);

    p.d->headAlignment.HeadOffsetXR[0] = 11; // 1 group and 3 dots
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.dotsAt(5), (std::vector<int64_t>{11, 18}));
    EXPECT_EQ(p.d->uiHeadXOffset[0], 11);
}

TEST(Transpose8Lines, NoDotIsLostAtTheEndOfARow) {
    Pass8 p;
    p.d->headAlignment.HeadOffsetXR[0] = 13;
    for (unsigned x = 0; x < 32; ++x) p.dot(0, 0, x);
    p.d->IMGRowToColumn();
    std::vector<int64_t> all;
    for (int64_t x = 13; x < 13 + 32; ++x) all.push_back(x);
    EXPECT_EQ(p.dotsAt(0), all); // the last byte's spill goes into one more group
}

TEST(Transpose8Lines, UnmirroredPassReadsRowsFromTheRight) {
    Pass8 p;
    p.d->bPassMirror = 0;
    p.dot(0, 3, 0);
    p.dot(0, 3, 30);
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.dotsAt(3), (std::vector<int64_t>{1, 31}));

    p.d->headAlignment.HeadOffsetXR[0] = 5; // shifted like the mirrored pass, every dot kept
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.dotsAt(3), (std::vector<int64_t>{6, 36}));

    // A one-byte row, unmirrored, with no offset: its dots stay.
    Pass8 q;
    q.geometry(128, 1, 128, 16, 8);
    q.d->bPassMirror = 0;
    q.dot(0, 0, 0);
    q.dot(0, 0, 6);
    q.d->IMGRowToColumn();
    EXPECT_EQ(q.dotsAt(0), (std::vector<int64_t>{1, 7}));
}

TEST(Transpose8Lines, VerticalMirrorClearStoresRowsFromTheEndOfTheGroup) {
    Pass8 p;
    p.d->bVertMirror = 0;
    p.dot(0, 0, 0);
    p.dot(0, 1, 9);
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.at(0, 127), 0x80);
    EXPECT_EQ(p.at(1, 126), 0x40);
    EXPECT_EQ(p.inkedBits(0), 2u);
}

TEST(Transpose8Lines, TeamModeOneInterleavesTheTwoNozzleRows) {
    Pass8 p;
    p.d->uiHeadsTeamMode = 1;
    p.dot(0, 0, 0);
    p.dot(0, 1, 0);
    p.dot(0, 6, 0);
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.at(0, 0), 0x80);
    EXPECT_EQ(p.at(0, 64), 0x80);
    EXPECT_EQ(p.at(0, 3), 0x80);
    p.d->bVertMirror = 0;
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.at(0, 127), 0x80);
    EXPECT_EQ(p.at(0, 63), 0x80);
    EXPECT_EQ(p.at(0, 124), 0x80);
}

TEST(Transpose8Lines, OnlyTheHeadsNozzleRowsPrint) {
    Pass8 p;
    p.d->NOZZLESOFFSET = 2;
    p.d->NOZZLESPERHEAD = 100;
    p.d->uiNozzlesPerColor = 100;
    for (unsigned r = 0; r < 128; ++r) p.dot(0, r, 0);
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.at(0, 1), 0);
    EXPECT_EQ(p.at(0, 2), 0x80);
    EXPECT_EQ(p.at(0, 101), 0x80);
    EXPECT_EQ(p.at(0, 102), 0);
    EXPECT_EQ(p.inkedBits(0), 100u);
}

TEST(Transpose8Lines, GradientRunsTheOffsetAcrossTheNozzleRows) {
    Pass8 p;
    p.d->GRADIENTOFFSETR = 16;
    p.d->headAlignment.HeadOffsetXR[0] = 20;
    for (unsigned r = 0; r < 128; ++r) p.dot(0, r, 0);
    p.d->IMGRowToColumn();
    // 20 + 8 - trunc(16 r / 128) - 1: 27 at row 0, 12 at row 127
    EXPECT_EQ(p.dotsAt(0), (std::vector<int64_t>{27}));
    EXPECT_EQ(p.dotsAt(8), (std::vector<int64_t>{26}));
    EXPECT_EQ(p.dotsAt(127), (std::vector<int64_t>{12}));

    p.d->bVertMirror = 0; // rows stored from the other end, the gradient still runs across the nozzles
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.dotsAt(0), (std::vector<int64_t>{27}));
    EXPECT_EQ(p.dotsAt(127), (std::vector<int64_t>{12}));

    p.d->bVertMirror = 1;
    p.d->bPassToLeft = 1; // right to left: 20 - 8 + trunc(-16 r / 128) with G = -16
    p.d->GRADIENTOFFSET = -16;
    p.d->headAlignment.HeadOffsetXL[0] = 20;
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.dotsAt(0), (std::vector<int64_t>{28}));
    EXPECT_EQ(p.dotsAt(127), (std::vector<int64_t>{13}));

    p.d->bGradientOn = 0; // switched off: one offset for all rows
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.dotsAt(0), (std::vector<int64_t>{20}));
    EXPECT_EQ(p.dotsAt(127), (std::vector<int64_t>{20}));
}

TEST(Transpose8Lines, GradientBelowColumnZeroIsClipped) {
    Pass8 p;
    p.d->GRADIENTOFFSETR = 64; // XR 0: offsets from 31 down to -33
    for (unsigned r = 0; r < 128; ++r)
        for (unsigned x = 0; x < 32; ++x) p.dot(0, r, x);
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.dotsAt(0).front(), 31);
    EXPECT_EQ(p.dotsAt(127).size(), 0u); // -33 .. -2: all left of column 0
    EXPECT_EQ(p.dotsAt(120).size(), 3u); // -29: three dots remain
}

TEST(Transpose8Lines, MaskByteDependsOnByteColumnAndRow) {
    Pass8 p;
    for (unsigned r = 0; r < 128; ++r)
        for (unsigned x = 0; x < 32; ++x) p.dot(0, r, x);
    p.mask(2, 0xFF);
    p.d->maskBuf[2][3 * 5] = 0x0F; // byte column 3, row 5
    p.d->uiMaskIndex[0] = 2;
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.at(3, 5), 0x0F);
    EXPECT_EQ(p.at(1, 15), 0x0F); // the same product
    EXPECT_EQ(p.at(3, 6), 0xFF);
    p.d->uiMaskIndex[0] = 20;
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.at(3, 5), 0xFF);
}

TEST(Transpose8Lines, BarAllowanceMovesTheImage) {
    Pass8 p;
    p.dot(0, 0, 0);
    p.d->uiColorBarWidth = 40;
    p.d->uiColorBarPosition = 1; // bars before the image in right-to-left passes
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.dotsAt(0).front(), 0);
    p.d->bPassToLeft = 1;
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.dotsAt(0).front(), 40);
    p.d->uiColorBarPosition = 2; // half on each side
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.dotsAt(0).front(), 16); // (40 + 7) / 16 groups
}

TEST(Transpose8Lines, SolidBarCoversItsWidthFromItsStartDot) {
    Pass8 p;
    p.d->COLORS = 2;
    p.d->ColorChannel[0] = 1; // colour 2
    p.d->uiColorBarEachWidth = 16;
    p.d->uiColorBarDistance = 8;
    p.d->uiColorBarWidth = 2 * 16 + 8;
    p.d->uiColorBarPosition = 1; // after the image in left-to-right passes
    p.d->headAlignment.HeadOffsetXR[0] = 3;
    p.d->IMGRowToColumn();
    // start dot 8 + 32 + 3 = 43; slot 1 of 3 groups
    const int64_t x0 = 43 + 1 * 24;
    std::vector<int64_t> expect;
    for (int64_t x = x0; x < x0 + 16; ++x) expect.push_back(x);
    EXPECT_EQ(p.dotsAt(0), expect);
    EXPECT_EQ(p.dotsAt(127), expect);

    p.d->bPassToLeft = 1; // before the image, slot COLORS - c = 0, from the offset - 8
    p.d->headAlignment.HeadOffsetXL[0] = 11;
    p.d->IMGRowToColumn();
    std::vector<int64_t> before;
    for (int64_t x = 3; x < 19; ++x) before.push_back(x);
    EXPECT_EQ(p.dotsAt(0), before);
}

TEST(Transpose8Lines, DitheredBarRowsTakeThePatternByRow) {
    Pass8 p;
    p.d->uiColorBarEachWidth = 8;
    p.d->uiColorBarWidth = 8;
    p.d->uiColorBarPosition = 1;
    p.d->bColorBarDither = 1;
    p.d->headAlignment.HeadOffsetXR[0] = 0; // start dot 32: whole groups
    p.d->IMGRowToColumn();
    for (int64_t r = 0; r < 128; ++r) {
        const uint8_t expect[3] = {0x24, 0x92, 0x49};
        EXPECT_EQ(p.at(4, r), expect[r % 3]) << r;
        EXPECT_EQ(p.at(5, r), 0) << r; // a bar that starts on a group ends with an empty group
    }
    // Starting 3 dots into a group, the bar's last group holds just its last 3 dots.
    p.d->headAlignment.HeadOffsetXR[0] = 3;
    p.d->IMGRowToColumn();
    for (int64_t r = 0; r < 3; ++r) {
        const uint8_t expect[3] = {0x24, 0x92, 0x49};
        EXPECT_EQ(p.at(4, r), expect[r] >> 3) << r;
        EXPECT_EQ(p.at(5, r), expect[r] & 0xE0) << r;
    }
}

TEST(Transpose8Lines, SameHeightBarsStartAndEndWithTheImage) {
    Pass8 p;
    p.d->uiColorBarEachWidth = 8;
    p.d->uiColorBarWidth = 8;
    p.d->uiColorBarPosition = 1;
    p.d->colorBar.bSameHeightWithImage = 1;
    p.d->uiPassCount = 2;
    p.d->uiNozzlesPerPass = 64;
    p.d->uiStepSendCount = 8;
    auto barRows = [&] {
        std::vector<int64_t> rows;
        for (int64_t r = 0; r < 128; ++r)
            if (p.at(4, r)) rows.push_back(r);
        return rows;
    };
    auto range = [](int64_t a, int64_t b) {
        std::vector<int64_t> v;
        for (int64_t i = a; i < b; ++i) v.push_back(i);
        return v;
    };
    p.d->uiStepSendCurrent = 0;
    p.d->IMGRowToColumn();
    EXPECT_EQ(barRows(), range(64, 128));
    p.d->uiStepSendCurrent = 7;
    p.d->IMGRowToColumn();
    EXPECT_EQ(barRows(), range(0, 64));
    // A head set 10 rows lower sees the image 10 rows later; the job ends with the lowest head.
    p.d->headAlignment.HeadOffsetY[0] = 10;
    p.d->headAlignment.MAXHEADOFFSETY = 10;
    p.d->uiStepSendCurrent = 0;
    p.d->IMGRowToColumn();
    EXPECT_EQ(barRows(), range(74, 128));
    // Without vertical mirror the image rows run from the far end of the group: so do the bars.
    p.d->bVertMirror = 0;
    p.d->IMGRowToColumn();
    EXPECT_EQ(barRows(), range(0, 128 - 74));
}

TEST(Transpose8Lines, AlignmentPassesPrintOneOffsetSideBySide) {
    Pass8 p;
    p.alloc(4, 128 * 4, Pass8::K8 * 300);
    p.d->HEADS = 4;
    p.d->uiHeadWidth = 2300; // the pattern shifts stay inside the cleared columns
    p.d->LINESPERHEAD = 1;
    p.d->uiPrintJobKind = 2;
    p.d->uiHeadsAlignmentMode = 3;
    p.d->HeadOffsetY[0] = 0;
    p.d->HeadOffsetY[1] = 8;
    p.d->HeadOffsetY[2] = 0;
    p.d->HeadOffsetY[3] = 0;
    p.d->iAlignPassOffsetY = 0;
    for (unsigned h = 0; h < 4; ++h) p.dot(h, 0, 0);
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.inkedBits(1), 0u); // another vertical offset: blank in this pass
    auto first = [&](unsigned h) {
        for (size_t g = 0; g < 300; ++g)
            for (int t = 0; t < 8; ++t)
                if ((p.card(h)[g * 128] >> (7 - t)) & 1) return int64_t(8 * g + t);
        return int64_t(-1);
    };
    EXPECT_EQ(first(0), 0);
    EXPECT_EQ(first(2), 520); // left to right: (q - 1) * pitch from q = 2
    EXPECT_EQ(first(3), 1040);
    p.d->bPassToLeft = 1;     // right to left: (Q - q - 1) * pitch for 0 < q < Q - 1
    p.d->IMGRowToColumn();
    EXPECT_EQ(first(0), 0);
    EXPECT_EQ(first(2), 520);
    EXPECT_EQ(first(3), 0);
    p.d->TestPattern[1] = "~TP02-360.prn"; // the 360 dpi pattern has twice the pitch
    p.d->IMGRowToColumn();
    EXPECT_EQ(first(2), 1040);
}

TEST(Transpose8Lines, NothingIsWrittenPastTheCardBuffer) {
    Pass8 p;
    p.alloc(1, 128 * 4, Pass8::K8 * 6 + 77); // 6 groups and part of one
    p.d->headAlignment.HeadOffsetXR[0] = 21;
    p.d->uiColorBarEachWidth = 16;
    p.d->uiColorBarWidth = 16;
    p.d->uiColorBarPosition = 1;
    for (unsigned r = 0; r < 128; ++r)
        for (unsigned x = 0; x < 32; ++x) p.dot(0, r, x);
    p.d->IMGRowToColumn(); // the sanitizer build catches any stray write
    // image dots 21..52 and the bar from 53: groups 0..5 hold 21..47, rows 0..76 of group 6 48..55
    std::vector<int64_t> row0;
    for (int64_t x = 21; x < 56; ++x) row0.push_back(x);
    EXPECT_EQ(p.dotsAt(0), row0);
    EXPECT_EQ(p.dotsAt(100).back(), 47);
}

TEST(Transpose8Lines, AbsurdGeometryTransposesNothing) {
    Pass8 p;
    p.dot(0, 0, 0);
    p.d->uiPassRowBytes = 1u << 30;
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.inkedBits(0), 0u);
    p.d->uiPassRowBytes = 4;
    p.d->uiCardRowBytes = 1u << 20; // a group larger than the card buffer
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.inkedBits(0), 0u);
}

TEST(Transpose8Lines, ArithmeticShiftsEqualTheShiftTables) {
    // The kernels shift byte pairs directly; mirrored rows are reversed first and then shifted
    // the same way. Both equal the precomputed tables: B[s][cur][prev] for reversed data.
    CDrvPrint d;
    auto rev = [](unsigned b) {
        unsigned r = 0;
        for (int i = 0; i < 8; ++i) r |= ((b >> i) & 1) << (7 - i);
        return r;
    };
    for (unsigned s = 0; s < 8; ++s)
        for (unsigned hi = 0; hi < 256; ++hi)
            for (unsigned lo = 0; lo < 256; ++lo) {
                ASSERT_EQ(d.Table8A(s, hi, lo), uint8_t(((hi << 8) | lo) >> s));
                ASSERT_EQ(d.Table8B(s, hi, lo), uint8_t(((rev(lo) << 8) | rev(hi)) >> s));
            }
}

} // namespace
} // namespace rastertest
