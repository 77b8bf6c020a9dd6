// The 16-byte column layout: dot placement, mirrors, team modes, masks, colour bars, clipping.
#include <gtest/gtest.h>

#include "core/TransposeInternal.h"
#include "TransposeRig.h"

namespace rastertest {
namespace {

// One head, 126 nozzles, 8-byte rows, 16 card bytes a column, 64 dots across.
struct Pass16 : Rig {
    Pass16() {
        alloc(1, 126 * 8, 16 * 400);
        geometry(126, 8, 126, 16, 64);
        d->bEightLineMode = 0;
        d->HEADS = 1;
        d->COLORS = 1;
        d->ColorChannel[0] = 0;
        d->bVertMirror = 1;
        d->bPassMirror = 1;
        d->bPassToLeft = 0;
    }
    uint8_t at(int64_t column, int64_t byte) const { return d->headCardBuf[0][size_t(column * 16 + byte)]; }
};

TEST(Transpose16, DotAtRowZeroLandsInBitSevenOfTheFirstByte) {
    Pass16 p;
    p.d->headAlignment.HeadOffsetXR[0] = 7;
    // Bars before the image in a left-to-right pass shift it by the bar width.
    p.d->uiColorBarPosition = 0;
    p.d->uiColorBarWidth = 30;
    p.d->uiColorBarEachWidth = 0;
    p.dot(0, 0, 0);
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.d->uiHeadXOffset[0], 7);
    EXPECT_EQ(p.at(7 + 30, 0), 0x80);
    EXPECT_EQ(p.inkedBits(0), 1u);
}

TEST(Transpose16, WithoutVerticalMirrorRowsCountFromTheFarEnd) {
    Pass16 p;
    p.d->bVertMirror = 0; // N = 126 is taken as 128 rows
    p.dot(0, 0, 0);
    p.dot(0, 125, 1); // the last nozzle: row 125 -> 128 - 1 - 125 = 2, byte 0 bit 5
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.at(0, 15), 0x01);
    EXPECT_EQ(p.at(1, 0), 0x20);
    EXPECT_EQ(p.inkedBits(0), 2u);
}

TEST(Transpose16, PassMirrorClearRunsColumnsFromTheRight) {
    Pass16 p;
    p.d->bPassMirror = 0;
    p.d->headAlignment.HeadOffsetXR[0] = 3;
    p.dot(0, 9, 0);
    p.dot(0, 9, 63);
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.at(3 + 63, 1), 0x40); // row 9: byte 1, bit 6
    EXPECT_EQ(p.at(3, 1), 0x40);
    EXPECT_EQ(p.inkedBits(0), 2u);
}

TEST(Transpose16, RightToLeftPassesUseTheirOwnOffsetAndDpiRate) {
    Pass16 p;
    p.d->bPassToLeft = 1;
    p.d->headAlignment.HeadOffsetXL[0] = 10;
    p.d->headAlignment.HeadOffsetXR[0] = 99;
    p.d->fDPIRate = 2.0f; // offsets are X steps, columns are job dots
    p.dot(0, 0, 5);
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.d->uiHeadXOffset[0], 20);
    EXPECT_EQ(p.at(25, 0), 0x80);
}

TEST(Transpose16, TeamModeOneSplitsEvenAndOddRows) {
    Pass16 p;
    p.d->uiHeadsTeamMode = 1;
    p.dot(0, 0, 0); // even rows in the first half of the bytes
    p.dot(0, 1, 1); // odd rows in the second half
    p.dot(0, 2, 2);
    p.dot(0, 17, 3); // 17 = 1 + 2 * (0 + 8 * 1): byte 8 + 1, bit 7
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.at(0, 0), 0x80);
    EXPECT_EQ(p.at(1, 8), 0x80);
    EXPECT_EQ(p.at(2, 0), 0x40);
    EXPECT_EQ(p.at(3, 9), 0x80);
    EXPECT_EQ(p.inkedBits(0), 4u);

    p.d->bVertMirror = 0; // from the far end of 128 rows: row 0 is the last bit of the odd half
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.at(0, 15), 0x01);
    EXPECT_EQ(p.at(1, 7), 0x01);
}

TEST(Transpose16, SourceStartsAfterTheOtherHeadsOfTheColour) {
    Pass16 p;
    p.d->uiNozzlesPerColor = 2 * 126; // the head's rows start 126 rows in
    p.alloc(1, 252 * 8, 16 * 400);
    p.d->uiPassRows = 252;
    p.dot(0, 126, 0);
    p.dot(0, 0, 1); // before the head's rows: not printed
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.at(0, 0), 0x80);
    EXPECT_EQ(p.inkedBits(0), 1u);
}

TEST(Transpose16, MasksThinOnlyRipJobsWithAMaskSelected) {
    Pass16 p;
    for (unsigned r = 0; r < 126; ++r)
        for (unsigned x = 0; x < 64; ++x) p.dot(0, r, x);
    p.d->IMGRowToColumn();
    const size_t all = p.inkedBits(0);
    EXPECT_EQ(all, 126u * 64u);

    p.mask(4, 0xFF);
    p.d->uiMaskIndex[0] = 4; // an all-set mask leaves every dot
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.inkedBits(0), all);

    p.mask(4, 0x0F);
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.at(0, 0), 0x0F);
    EXPECT_EQ(p.inkedBits(0), (15u * 4 + 2) * 64); // byte 15 holds rows 120..125 only

    p.d->uiMaskIndex[0] = 20; // 20: no mask
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.inkedBits(0), all);

    p.d->uiMaskIndex[0] = 4;
    p.d->uiPrintJobKind = 1; // test prints are never thinned
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.inkedBits(0), all);

    // The mask byte of column x, byte k is at (x mod 512) * 64 + k.
    p.d->uiPrintJobKind = 0;
    p.mask(4, 0xFF);
    p.d->maskBuf[4][5 * 64 + 2] = 0x00;
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.at(5, 2), 0x00);
    EXPECT_EQ(p.at(5, 1), 0xFF);
    EXPECT_EQ(p.at(6, 2), 0xFF);
}

// Bars of colour c in a pass; the columns drawn with any ink, relative to the head offset.
std::vector<int64_t> barColumns(Pass16& p, int64_t from, int64_t to) {
    std::vector<int64_t> cols;
    for (int64_t c = from; c < to; ++c)
        for (int k = 0; k < 16; ++k)
            if (p.at(c, k)) {
                cols.push_back(c);
                break;
            }
    return cols;
}

std::vector<int64_t> range(int64_t a, int64_t b) {
    std::vector<int64_t> v;
    for (int64_t i = a; i < b; ++i) v.push_back(i);
    return v;
}
std::vector<int64_t> join(std::vector<int64_t> a, const std::vector<int64_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Bars16 : Pass16 {
    Bars16() {
        d->COLORS = 4;
        d->uiColorBarEachWidth = 5;
        d->uiColorBarMixedWidth = 3;
        d->uiColorBarDistance = 7;
        d->uiColorBarWidth = 4 * 5 + 3 + 7;
        d->headAlignment.HeadOffsetXL[0] = 2;
        d->headAlignment.HeadOffsetXR[0] = 2;
    }
};

TEST(Transpose16, BarsAfterTheImageInLeftToRightPassesOfPositionOne) {
    Bars16 p;
    p.d->uiColorBarPosition = 1;
    p.d->ColorChannel[0] = 1; // colour 2: second slot, then the mixed bar
    p.d->IMGRowToColumn();
    const int64_t start = 2 + 7 + 64; // offset + distance + width
    EXPECT_EQ(barColumns(p, 0, 200), join(range(start + 5, start + 10), range(start + 20, start + 23)));
    EXPECT_EQ(p.at(start + 5, 0), 0xFF);
}

TEST(Transpose16, BarsBeforeTheImageInRightToLeftPassesOfPositionOne) {
    Bars16 p;
    p.d->uiColorBarPosition = 1;
    p.d->bPassToLeft = 1;
    p.d->ColorChannel[0] = 0; // colour 1: the mixed bar, then the last slot
    p.dot(0, 0, 0);
    p.d->IMGRowToColumn();
    EXPECT_EQ(barColumns(p, 0, 30), join(range(2, 5), range(2 + 3 + 15, 2 + 3 + 20)));
    EXPECT_EQ(p.at(2 + 30, 0), 0x80); // the image moved right by the bar width
    // position 0 swaps the sides
    p.d->uiColorBarPosition = 0;
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.at(2, 0), 0x80);
    EXPECT_EQ(barColumns(p, 2 + 64, 200), join(range(2 + 71, 2 + 74), range(2 + 71 + 18, 2 + 71 + 23)));
}

TEST(Transpose16, BarsOnBothSidesWithPositionTwo) {
    Bars16 p;
    p.d->uiColorBarPosition = 2;
    p.d->uiColorBarWidth *= 2;
    p.d->ColorChannel[0] = 3; // last colour: fourth slot, then the mixed bar
    p.dot(0, 0, 0);
    p.d->IMGRowToColumn();
    const int64_t half = 30;
    EXPECT_EQ(p.at(2 + half, 0), 0x80);
    const auto left = join(range(2 + 15, 2 + 20), range(2 + 20, 2 + 23));
    const int64_t r0 = 2 + half + 64 + 7;
    const auto right = join(range(r0 + 15, r0 + 20), range(r0 + 20, r0 + 23));
    EXPECT_EQ(barColumns(p, 0, half + 2), left);
    EXPECT_EQ(barColumns(p, 2 + half + 64, 400), right);
}

TEST(Transpose16, DitheredBarsRepeatEveryThreeColumnsAndEveryTwentyFourRows) {
    Bars16 p;
    p.d->uiColorBarPosition = 1;
    p.d->uiColorBarEachWidth = 12;
    p.d->uiColorBarWidth = 4 * 12 + 3 + 7;
    p.d->bColorBarDither = 1;
    p.d->IMGRowToColumn();
    const int64_t c0 = 2 + 7 + 64; // first bar column of colour 1
    auto bit = [&](int64_t col, int64_t row) { return (p.at(col, row / 8) >> (7 - row % 8)) & 1; };
    int set = 0;
    for (int64_t i = 0; i < 9; ++i)
        for (int64_t row = 0; row < 128; ++row) {
            if (row + 24 < 128) {
                EXPECT_EQ(bit(c0 + i, row), bit(c0 + i, row + 24)) << i << " " << row;
            }
            EXPECT_EQ(bit(c0 + i, row), bit(c0 + i + 3, row)) << i << " " << row;
            set += bit(c0 + i, row);
        }
    EXPECT_EQ(set, 9 * 128 / 3); // one dot in three
    EXPECT_EQ(p.at(c0, 0), 0x24);
    EXPECT_EQ(p.at(c0 + 1, 0), 0x49);
    EXPECT_EQ(p.at(c0 + 2, 0), 0x92);
}

TEST(Transpose16, SameHeightBarsFollowTheImageIntoAndOutOfTheBand) {
    Bars16 p;
    p.d->uiColorBarPosition = 1;
    p.d->colorBar.bSameHeightWithImage = 1;
    p.d->uiPassCount = 2;
    p.d->uiInterlace = 1;
    p.d->uiLinesPerStep = 63;
    p.d->uiStepSendCount = 10;
    const int64_t c0 = 2 + 7 + 64;
    auto rowsInked = [&] {
        std::vector<int64_t> rows;
        for (int64_t row = 0; row < 128; ++row)
            if ((p.at(c0, row / 8) >> (7 - row % 8)) & 1) rows.push_back(row);
        return rows;
    };
    p.d->uiStepSendCurrent = 0; // first pass: only the far half of the band has image
    p.d->IMGRowToColumn();
    EXPECT_EQ(rowsInked(), range(63, 126));
    p.d->uiStepSendCurrent = 4; // middle: the whole band
    p.d->IMGRowToColumn();
    EXPECT_EQ(rowsInked(), range(0, 126));
    p.d->uiStepSendCurrent = 9; // last pass: only the near half
    p.d->IMGRowToColumn();
    EXPECT_EQ(rowsInked(), range(0, 63));
    p.d->bVertMirror = 0; // the same rows, counted from the far end of the column
    p.d->IMGRowToColumn();
    EXPECT_EQ(rowsInked(), range(128 - 63, 128));
}

TEST(Transpose16, NothingIsWrittenPastTheCardBuffer) {
    Pass16 p;
    // 20 whole columns and a bit: an image of 64 dots, a head offset and bars all reach past it.
    p.alloc(1, 126 * 8, 16 * 20 + 5);
    p.d->headAlignment.HeadOffsetXR[0] = 12;
    p.d->uiColorBarPosition = 1;
    p.d->COLORS = 1;
    p.d->uiColorBarEachWidth = 10;
    p.d->uiColorBarWidth = 10;
    for (unsigned x = 0; x < 64; ++x) p.dot(0, 0, x);
    p.d->IMGRowToColumn(); // the sanitizer build catches any stray write
    EXPECT_EQ(p.inkedBits(0), 8u); // columns 12..19 of the image
    for (int64_t c = 12; c < 20; ++c) EXPECT_EQ(p.at(c, 0), 0x80);
    for (size_t i = 16 * 20; i < 16 * 20 + 5; ++i) EXPECT_EQ(p.card(0)[i], 0);
}

TEST(Transpose16, NegativeOffsetsClipAtColumnZero) {
    Pass16 p;
    p.d->headAlignment.HeadOffsetXR[0] = -5;
    for (unsigned x = 0; x < 64; ++x) p.dot(0, 0, x);
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.d->uiHeadXOffset[0], -5);
    EXPECT_EQ(p.inkedBits(0), 59u);
    EXPECT_EQ(p.at(0, 0), 0x80); // dot 5
}

TEST(Transpose16, RowsPastThePassBufferReadAsBlank) {
    Pass16 p;
    p.alloc(1, 10 * 8 + 3, 16 * 400); // 10 rows held, 126 claimed
    for (unsigned r = 0; r < 10; ++r) p.dot(0, r, 0);
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.inkedBits(0), 10u);
}

TEST(Transpose16, ClearsItsColumnsFirstAndLeavesTheRest) {
    Pass16 p;
    std::memset(p.card(0), 0xAA, 16 * 400);
    p.d->uiHeadWidth = 100; // cleared: 200 + 64 columns
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.at(263, 15), 0);
    EXPECT_EQ(p.at(264, 0), 0xAA);
}

TEST(Transpose16, AbsurdGeometryTransposesNothing) {
    Pass16 p;
    p.dot(0, 0, 0);
    p.d->uiCardRowBytes = 1u << 30; // a column larger than the card buffer
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.inkedBits(0), 0u);
    p.d->uiCardRowBytes = 16;
    p.d->uiPassRowBytes = 1u << 30; // a row larger than the pass buffer
    p.d->uiPassWidthDots = 1u << 20;
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.inkedBits(0), 0u);
}

TEST(Transpose16, HeadsWithoutBuffersAreSkipped) {
    Pass16 p;
    p.d->HEADS = 3; // the setup names more heads than were allocated
    p.dot(0, 0, 0);
    p.d->IMGRowToColumn();
    EXPECT_EQ(p.inkedBits(0), 1u);
}

} // namespace
} // namespace rastertest
