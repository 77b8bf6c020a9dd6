// Drops counted per dot on the virtual sheet.
#include <gtest/gtest.h>

#include <filesystem>

#include "sim/Sheet.h"
#include "testsupport/ScratchDir.h"

namespace {

// 100 dots per inch: dot x sits at x * 0.254 mm.
constexpr double kPitch = 0.254;

sim::Sheet sheet() {
    sim::Sheet s;
    s.reset(25.4, 100, 100, 2);
    return s;
}

TEST(SheetCount, EachDropOnADotIsCounted) {
    sim::Sheet s = sheet();
    EXPECT_EQ(s.dropCount(0, 3, 5), 0u);
    for (unsigned n = 1; n <= 300; ++n) {
        ASSERT_TRUE(s.drop(0, 3 * kPitch, 5 * kPitch));
        ASSERT_EQ(s.dropCount(0, 3, 5), n);
    }
    // Neighbours, the other colour and other rows stay untouched.
    EXPECT_EQ(s.dropCount(0, 2, 5), 0u);
    EXPECT_EQ(s.dropCount(0, 4, 5), 0u);
    EXPECT_EQ(s.dropCount(1, 3, 5), 0u);
    EXPECT_EQ(s.dropCount(0, 3, 4), 0u);
    ASSERT_TRUE(s.drop(0, 4 * kPitch, 5 * kPitch));
    EXPECT_EQ(s.dropCount(0, 4, 5), 1u);
    EXPECT_EQ(s.dropCount(0, 3, 5), 300u);
    EXPECT_EQ(s.dots(0), 2u);
    EXPECT_EQ(s.dropTotal(0), 301u);
    EXPECT_EQ(s.dropTotal(1), 0u);
}

TEST(SheetCount, RegionsCopiesAndClearing) {
    sim::Sheet s = sheet();
    for (int i = 0; i < 3; ++i) s.drop(1, 7 * kPitch, 2 * kPitch);
    s.drop(1, 8 * kPitch, 2 * kPitch);
    // A region reaching past the left edge reads 0 there.
    const auto c = s.dropCounts(1, {-1, 1, 11, 3});
    ASSERT_EQ(c.size(), 33u);
    EXPECT_EQ(c[11 + 8], 3u);
    EXPECT_EQ(c[11 + 9], 1u);
    EXPECT_EQ(c[11 + 0], 0u);
    EXPECT_EQ(c[0 + 8], 0u);
    // A copy keeps its counts apart from the original.
    sim::Sheet copy = s;
    s.drop(1, 7 * kPitch, 2 * kPitch);
    EXPECT_EQ(copy.dropCount(1, 7, 2), 3u);
    EXPECT_EQ(s.dropCount(1, 7, 2), 4u);
    // Clearing a dot drops its count; inking it again starts from one.
    s.setDot(1, 7, 2, false);
    EXPECT_EQ(s.dropCount(1, 7, 2), 0u);
    s.drop(1, 7 * kPitch, 2 * kPitch);
    EXPECT_EQ(s.dropCount(1, 7, 2), 1u);
    EXPECT_EQ(s.dropCount(1, 8, 2), 1u);
    // Drops off the sheet are not counted anywhere.
    EXPECT_FALSE(s.drop(1, -1.0, 2 * kPitch));
    EXPECT_FALSE(s.drop(1, 30.0, 2 * kPitch));
    EXPECT_EQ(s.dropTotal(1), 2u);
}

TEST(SheetCount, ALoadedSheetCountsOneDropPerDot) {
    testsupport::ScratchDir dir("carvex-sheet");
    const std::string path = dir.file("s.raw");
    sim::Sheet s = sheet();
    for (int i = 0; i < 5; ++i) s.drop(0, 1 * kPitch, 1 * kPitch);
    ASSERT_TRUE(s.saveRaw(path));
    sim::Sheet back;
    ASSERT_TRUE(back.loadRaw(path));
    EXPECT_EQ(back.dropCount(0, 1, 1), 1u);
    back.drop(0, 1 * kPitch, 1 * kPitch);
    EXPECT_EQ(back.dropCount(0, 1, 1), 2u);
}

TEST(SheetCount, TheCountStopsAtItsLimit) {
    sim::Sheet s = sheet();
    for (uint32_t i = 0; i < sim::Sheet::kMaxDropCount + 10; ++i) s.drop(0, 0, 0);
    EXPECT_EQ(s.dropCount(0, 0, 0), sim::Sheet::kMaxDropCount);
}

} // namespace
