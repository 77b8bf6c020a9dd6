// Job accounting: prices from Accounting.ini, and what a job's drops and media cost.
#include <gtest/gtest.h>

#include "platform/Files.h"
#include "settings/Accounting.h"
#include "testsupport/ScratchDir.h"

namespace {

CIniFile storeOf(const std::string& bytes) {
    CIniFile ini;
    ini.SetFileName("Accounting.ini");
    ini.LoadBuffer(bytes);
    return ini;
}

TEST(Accounting, PricesFromTheFileAndTheirDefaults) {
    struct Case {
        const char* file;
        double drop0, drop3, ink1, media, vinyl;
        const char* currency;
        bool warned;
    } cases[] = {
        {"", 35, 35, 0, 0, 0, "CNY", false},
        {"[INK]\nDropVolume0=12.5\nPrice1=800\n[MEDIA]\nPrice=20\n[MEDIAPRICE]\nVinyl Gloss=35.5\n[GENERAL]\nCurrency=EUR\n", 12.5,
         35, 800, 20, 35.5, "EUR", false},
        // Nonsense keeps the default and is told; the other values are still read.
        {"[INK]\nDropVolume0=-3\nDropVolume3=7\nPrice1=lots\n[MEDIAPRICE]\nVinyl Gloss=nan\n", 35, 7, 0, 0, 0, "CNY", true},
        {"[INK]\nDropVolume0=1e400\n[MEDIA]\nPrice= 4 \n", 35, 35, 0, 4, 4, "CNY", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        CIniFile ini = storeOf(c.file);
        std::string warning;
        const accounting::Prices p = accounting::readPrices(ini, &warning);
        EXPECT_DOUBLE_EQ(p.dropPicolitres[0], c.drop0);
        EXPECT_DOUBLE_EQ(p.dropPicolitres[3], c.drop3);
        EXPECT_DOUBLE_EQ(p.inkPerLitre[1], c.ink1);
        EXPECT_DOUBLE_EQ(p.mediaPrice("Paper"), c.media);
        EXPECT_DOUBLE_EQ(p.mediaPrice("Vinyl Gloss"), c.vinyl);
        EXPECT_EQ(p.currency, c.currency);
        EXPECT_EQ(!warning.empty(), c.warned) << warning;
    }
}

TEST(Accounting, CostOfAJob) {
    accounting::Prices p;
    p.dropPicolitres[0] = 10;
    p.inkPerLitre[0] = 1000; // 1 per ml
    p.inkPerLitre[1] = 500;
    p.mediaPerM2 = 2;
    p.mediaPerM2ByName["Canvas"] = 30;
    accounting::JobUse use;
    use.drops[0] = 300'000'000; // 3 ml at 10 pL
    use.drops[1] = 100'000'000; // 3.5 ml at the default 35 pL
    use.mediaMM = 2500;
    use.mediaWidthMM = 1600; // 4 m2
    const accounting::JobCost paper = accounting::costOf(use, p, "Paper");
    EXPECT_NEAR(paper.inkMl[0], 3.0, 1e-9);
    EXPECT_NEAR(paper.inkMl[1], 3.5, 1e-9);
    EXPECT_NEAR(paper.inkMlTotal, 6.5, 1e-9);
    EXPECT_NEAR(paper.inkCost, 3.0 + 1.75, 1e-9);
    EXPECT_NEAR(paper.mediaM2, 4.0, 1e-12);
    EXPECT_NEAR(paper.mediaCost, 8.0, 1e-12);
    EXPECT_NEAR(paper.total, 12.75, 1e-9);
    EXPECT_NEAR(accounting::costOf(use, p, "Canvas").mediaCost, 120.0, 1e-9);
    // 1 m by 0.5 m at 180 x 360 dpi; no area without resolutions.
    EXPECT_NEAR(accounting::pictureM2(7087, 7087, 180, 360), 1.00001 * 0.500006, 1e-4);
    EXPECT_EQ(accounting::pictureM2(100, 100, 0, 180), 0.0);
    // A job that fed the media back more than forward used none.
    use.mediaMM = -10;
    EXPECT_EQ(accounting::costOf(use, p, "Paper").mediaM2, 0.0);
}

TEST(Accounting, WrittenPricesReadBackAndAMissingFileGivesTheDefaults) {
    testsupport::ScratchDir dir("carvex-accounting");
    std::string warning = "x";
    const accounting::Prices none = accounting::loadPrices(dir.path(), &warning);
    EXPECT_EQ(warning, "");
    EXPECT_DOUBLE_EQ(none.dropPicolitres[11], accounting::kDefaultDropPicolitres);
    accounting::Prices p;
    p.dropPicolitres[2] = 4.25;
    p.inkPerLitre[5] = 123.5;
    p.mediaPerM2ByName["Banner 440g"] = 9.75;
    p.currency = "元";
    CIniFile ini;
    ini.SetFileName(platform::joinPath(dir.path(), accounting::kFileName));
    ASSERT_TRUE(accounting::writePrices(ini, p));
    const accounting::Prices back = accounting::loadPrices(dir.path(), &warning);
    EXPECT_EQ(warning, "");
    EXPECT_EQ(back.dropPicolitres, p.dropPicolitres);
    EXPECT_EQ(back.inkPerLitre, p.inkPerLitre);
    EXPECT_EQ(back.mediaPerM2ByName, p.mediaPerM2ByName);
    EXPECT_EQ(back.currency, "元");
}

} // namespace
