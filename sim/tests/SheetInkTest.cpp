// The sheet picture shows each plane in its own ink, in the order of a RIP file's planes.
#include <gtest/gtest.h>

#include <png.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "sim/MachineConfig.h"
#include "sim/Sheet.h"
#include "testsupport/ScratchDir.h"

namespace {

TEST(SheetInk, DefaultMachinePaintsThePlanesInTheFilesOrder) {
    // Plane k: K, C, M, Y, light cyan, light magenta; one dot each, two dots apart.
    constexpr uint32_t kWant[6] = {0x000000, 0x00FFFF, 0xFF00FF, 0xFFFF00, 0x80FFFF, 0xFF80FF};
    sim::Sheet s;
    s.reset(10, 180, 180, 6);
    for (int k = 0; k < 6; ++k) s.setDot(k, 2 * k, 0, true);
    testsupport::ScratchDir dir("carvex-sheet-ink");
    const std::string path = dir.file("ink.png");
    ASSERT_TRUE(s.savePng(path, sim::MachineConfig().inkRGB));

    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&img, path.c_str()));
    img.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> px(PNG_IMAGE_SIZE(img));
    ASSERT_TRUE(png_image_finish_read(&img, nullptr, px.data(), 0, nullptr));
    ASSERT_GE(img.width, 11u);
    for (int k = 0; k < 6; ++k) {
        const uint8_t* p = &px[size_t(2 * k) * 3];
        const uint32_t rgb = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        EXPECT_EQ(rgb, kWant[k]) << "plane " << k;
        // Between the dots the paper stays white.
        if (k == 5) break;
        const uint8_t* gap = &px[size_t(2 * k + 1) * 3];
        EXPECT_EQ(gap[0] + gap[1] + gap[2], 3 * 255) << "after plane " << k;
    }
}

} // namespace
