#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>

#include "core/DrvPrint.h"
#include "testsupport/ScratchDir.h"

using testsupport::ScratchDir;

namespace {

class MaterialFilesTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::unique_ptr<CDrvPrint> d = [this] {
        auto e = std::make_unique<CDrvPrint>();
        e->csBaseDir = dir.path();
        e->setupIni.SetFileName("setup.ini");
        return e;
    }();

    void writeMaterial(const std::string& name, const std::string& text) {
        std::filesystem::create_directories(dir.file("Materials"));
        dir.write("Materials/Material-" + name + ".ini", text);
    }
    std::string readMaterial(const std::string& name) { return dir.read("Materials/Material-" + name + ".ini"); }
};

// The file written for a record with every value 0 and four heads.
const char* const kZeroFileHeads4 =
    "[HEADALIGNMENT0]\r\n"
    "HeadOffsetXL1=0\r\nHeadOffsetXL2=0\r\nHeadOffsetXL3=0\r\nHeadOffsetXL4=0\r\n"
    "HeadOffsetXR1=0\r\nHeadOffsetXR2=0\r\nHeadOffsetXR3=0\r\nHeadOffsetXR4=0\r\n"
    "HeadOffsetY1=0\r\nHeadOffsetY2=0\r\nHeadOffsetY3=0\r\nHeadOffsetY4=0\r\n"
    "StepOffset0=0\r\nStepOffset1=0\r\nStepOffset2=0\r\nStepOffset3=0\r\n"
    "StepOffset4=0\r\nStepOffset5=0\r\nStepOffset6=0\r\nStepOffset7=0\r\n"
    "BiDifference0=0\r\nBiDifference1=0\r\nBiDifference2=0\r\n"
    "[HEADALIGNMENT1]\r\nBiDifference0=0\r\nBiDifference1=0\r\nBiDifference2=0\r\n"
    "[HEADALIGNMENT2]\r\nBiDifference0=0\r\nBiDifference1=0\r\nBiDifference2=0\r\n"
    "[HEADALIGNMENT3]\r\nBiDifference0=0\r\nBiDifference1=0\r\nBiDifference2=0\r\n"
    "[MEDIA]\r\nMediaWidth=0\r\nMediaDPI=0\r\n";

TEST_F(MaterialFilesTest, LoadReadsEveryFieldWithSuffixesFromZero) {
    writeMaterial("Vinyl", "[HEADALIGNMENT0]\nHeadOffsetXL1=5\nHeadOffsetXR2=-3\nHeadOffsetY4=9\n"
                           "StepOffset0=11\nStepOffset7=18\nStepOffset8=99\nBiDifference0=1\nBiDifference2=3\n"
                           "[HEADALIGNMENT2]\nBiDifference0=21\nBiDifference1=22\nBiDifference2=23\n"
                           "[HEADALIGNMENT3]\nBiDifference1=32\n"
                           "[MEDIA]\nMediaWidth=1600\nMediaDPI=720\n");
    MediaOffset m;
    m.csMediaFile = d->PRMMediaFilePath("Vinyl");
    m.StepOffset[3] = 77; // absent from the file: becomes 0
    d->PRMLoadMediaParams(&m);
    EXPECT_EQ(m.HeadOffsetXL[0], 5);
    EXPECT_EQ(m.HeadOffsetXR[1], -3);
    EXPECT_EQ(m.HeadOffsetY[3], 9);
    EXPECT_EQ(m.StepOffset[0], 11);
    EXPECT_EQ(m.StepOffset[3], 0);
    EXPECT_EQ(m.StepOffset[7], 18);
    EXPECT_EQ(m.BiDifference[0][0], 1);
    EXPECT_EQ(m.BiDifference[0][1], 0);
    EXPECT_EQ(m.BiDifference[0][2], 3);
    EXPECT_EQ(m.BiDifference[1][0], 0);
    EXPECT_EQ(m.BiDifference[2][0], 21);
    EXPECT_EQ(m.BiDifference[2][2], 23);
    EXPECT_EQ(m.BiDifference[3][1], 32);
    EXPECT_EQ(m.MediaWidth, 1600);
    EXPECT_EQ(m.MediaDPI, 720);
}

TEST_F(MaterialFilesTest, HeadsBeyondTheHeadCountKeepTheirValues) {
    writeMaterial("A", "[HEADALIGNMENT0]\nHeadOffsetXL2=2\nHeadOffsetXL3=3\nHeadOffsetY3=4\n");
    d->HEADS = 2;
    MediaOffset m;
    m.csMediaFile = d->PRMMediaFilePath("A");
    for (int& v : m.HeadOffsetXL) v = -1;
    for (int& v : m.HeadOffsetY) v = -1;
    d->PRMLoadMediaParams(&m);
    EXPECT_EQ(m.HeadOffsetXL[0], 0);
    EXPECT_EQ(m.HeadOffsetXL[1], 2);
    EXPECT_EQ(m.HeadOffsetXL[2], -1); // head 3 is beyond HEADS = 2
    EXPECT_EQ(m.HeadOffsetY[2], -1);
    EXPECT_EQ(m.HeadOffsetXL[23], -1);

    // Head counts above 24 stop at 24.
    d->HEADS = 30;
    writeMaterial("A", "[HEADALIGNMENT0]\nHeadOffsetXL24=24\nHeadOffsetXL25=25\n");
    d->PRMLoadMediaParams(&m);
    EXPECT_EQ(m.HeadOffsetXL[23], 24);
    EXPECT_EQ(m.HeadOffsetXL[2], 0);
}

TEST_F(MaterialFilesTest, MissingOrMalformedFileGivesZeros) {
    MediaOffset m;
    m.csMediaFile = d->PRMMediaFilePath("Nowhere");
    m.HeadOffsetXL[0] = 4;
    m.HeadOffsetXL[10] = 4; // beyond HEADS = 4
    m.StepOffset[5] = 4;
    m.BiDifference[3][2] = 4;
    m.MediaWidth = m.MediaDPI = 4;
    d->PRMLoadMediaParams(&m);
    EXPECT_EQ(m.HeadOffsetXL[0], 0);
    EXPECT_EQ(m.HeadOffsetXL[10], 4);
    EXPECT_EQ(m.StepOffset[5], 0);
    EXPECT_EQ(m.BiDifference[3][2], 0);
    EXPECT_EQ(m.MediaWidth, 0);
    EXPECT_EQ(m.MediaDPI, 0);
    EXPECT_FALSE(dir.exists("Materials")); // a read creates nothing

    writeMaterial("Bad", "garbage\n[HEADALIGNMENT0\nStepOffset1=abc\nStepOffset2=  -12xyz\n"
                         "StepOffset3=99999999999999\n[MEDIA]\nMediaWidth\n");
    m.csMediaFile = d->PRMMediaFilePath("Bad");
    d->PRMLoadMediaParams(&m);
    EXPECT_EQ(m.StepOffset[1], 0);
    EXPECT_EQ(m.StepOffset[2], -12);
    EXPECT_EQ(m.StepOffset[3], INT_MAX);
    EXPECT_EQ(m.MediaWidth, 0);

    d->PRMLoadMediaParams(nullptr); // no record: nothing happens
}

TEST_F(MaterialFilesTest, SaveWritesExactlyTheRecordCreatingTheFolder) {
    MediaOffset m;
    m.csMediaFile = d->PRMMediaFilePath("Vinyl");
    EXPECT_EQ(d->PRMSaveMediaParams(&m), 1);
    EXPECT_EQ(readMaterial("Vinyl"), kZeroFileHeads4);
    // The atomic write leaves nothing else behind.
    EXPECT_EQ(std::filesystem::directory_entry(dir.file("Materials")).exists(), true);
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.file("Materials"))) files += e.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST_F(MaterialFilesTest, SaveDropsHandEditsAndHeadsBeyondTheCount) {
    writeMaterial("Vinyl", "; written by hand\n[NOTES]\nwho=me\n[HEADALIGNMENT0]\nHeadOffsetXL1=5\n"
                           "HeadOffsetXL5=50\nHeadOffsetXL6=60\nStepOffset0=1\n[MEDIA]\nExtra=1\nMediaWidth=10\n");
    MediaOffset m;
    m.csMediaFile = d->PRMMediaFilePath("Vinyl");
    d->PRMLoadMediaParams(&m);
    ASSERT_EQ(m.HeadOffsetXL[0], 5);
    ASSERT_EQ(m.HeadOffsetXL[4], 0); // HEADS = 4
    ASSERT_EQ(d->PRMSaveMediaParams(&m), 1);
    const std::string text = readMaterial("Vinyl");
    EXPECT_EQ(text.find("written by hand"), std::string::npos);
    EXPECT_EQ(text.find("NOTES"), std::string::npos);
    EXPECT_EQ(text.find("Extra"), std::string::npos);
    EXPECT_EQ(text.find("HeadOffsetXL5"), std::string::npos);
    EXPECT_EQ(text.find("HeadOffsetXL6"), std::string::npos);
    EXPECT_NE(text.find("HeadOffsetXL1=5\r\n"), std::string::npos);
    EXPECT_NE(text.find("HeadOffsetY4=0\r\n"), std::string::npos);
    EXPECT_NE(text.find("StepOffset0=1\r\n"), std::string::npos);
    EXPECT_NE(text.find("[MEDIA]\r\nMediaWidth=10\r\nMediaDPI=0\r\n"), std::string::npos);
}

TEST_F(MaterialFilesTest, RoundTripKeepsEveryField) {
    d->HEADS = 24;
    MediaOffset m;
    m.csMediaFile = d->PRMMediaFilePath("Banner 510g");
    int v = -40;
    for (int& x : m.StepOffset) x = v++;
    for (auto& row : m.BiDifference)
        for (int& x : row) x = v++ * 3;
    for (unsigned i = 0; i < kMaxHeads; ++i) {
        m.HeadOffsetXL[i] = v++;
        m.HeadOffsetXR[i] = -v++;
        m.HeadOffsetY[i] = v++ * 7;
    }
    m.MediaWidth = INT_MIN;
    m.MediaDPI = INT_MAX;
    ASSERT_EQ(d->PRMSaveMediaParams(&m), 1);

    MediaOffset back;
    back.csMediaFile = m.csMediaFile;
    d->PRMLoadMediaParams(&back);
    EXPECT_EQ(0, std::memcmp(back.StepOffset, m.StepOffset, sizeof m.StepOffset));
    EXPECT_EQ(0, std::memcmp(back.BiDifference, m.BiDifference, sizeof m.BiDifference));
    EXPECT_EQ(0, std::memcmp(back.HeadOffsetXL, m.HeadOffsetXL, sizeof m.HeadOffsetXL));
    EXPECT_EQ(0, std::memcmp(back.HeadOffsetXR, m.HeadOffsetXR, sizeof m.HeadOffsetXR));
    EXPECT_EQ(0, std::memcmp(back.HeadOffsetY, m.HeadOffsetY, sizeof m.HeadOffsetY));
    EXPECT_EQ(back.MediaWidth, INT_MIN);
    EXPECT_EQ(back.MediaDPI, INT_MAX);
}

TEST_F(MaterialFilesTest, UnwritableFileIsSkipped) {
    dir.write("blocker", "a file where a folder should be");
    MediaOffset m;
    m.csMediaFile = dir.file("blocker/Materials/Material-X.ini");
    m.MediaWidth = 3;
    EXPECT_EQ(d->PRMSaveMediaParams(&m), 0);
    EXPECT_EQ(dir.read("blocker"), "a file where a folder should be");
    m.csMediaFile.clear();
    EXPECT_EQ(d->PRMSaveMediaParams(&m), 0);
    EXPECT_EQ(d->PRMSaveMediaParams(nullptr), 0);
}

TEST_F(MaterialFilesTest, MaterialOffsetsAddToTheBaseAlignment) {
    d->HeadOffsetXL[0] = 100;
    d->HeadOffsetXR[1] = -20;
    d->HeadOffsetY[3] = 7;
    writeMaterial("Vinyl", "[HEADALIGNMENT0]\nHeadOffsetXL1=5\nHeadOffsetXR2=-2\nHeadOffsetY4=1\n"
                           "StepOffset0=8\nStepOffset7=9\nBiDifference0=100\n"
                           "[HEADALIGNMENT2]\nBiDifference0=21\nBiDifference1=22\nBiDifference2=23\n");
    d->mediaOffset.csMediaFile = d->PRMMediaFilePath("Vinyl");
    d->PRMLoadMediaParams(&d->mediaOffset);
    d->headAlignment.HeadOffsetXL[0] = 12345; // replaced, not added to
    d->uiDPIClass = 2;
    d->PRMGetCurrentMediaParams();
    EXPECT_EQ(d->headAlignment.HeadOffsetXL[0], 105);
    EXPECT_EQ(d->headAlignment.HeadOffsetXR[1], -22);
    EXPECT_EQ(d->headAlignment.HeadOffsetY[3], 8);
    EXPECT_EQ(d->headAlignment.HeadOffsetXL[1], 1049); // the base default with no material offset
    EXPECT_EQ(d->headAlignment.StepOffset[0], 8);
    EXPECT_EQ(d->headAlignment.StepOffset[7], 9);
    EXPECT_EQ(d->headAlignment.BiDifference[0], 21);
    EXPECT_EQ(d->headAlignment.BiDifference[1], 22);
    EXPECT_EQ(d->headAlignment.BiDifference[2], 23);
    // The base alignment itself is untouched.
    EXPECT_EQ(d->HeadOffsetXL[0], 100);

    d->uiDPIClass = 0;
    d->PRMGetCurrentMediaParams();
    EXPECT_EQ(d->headAlignment.BiDifference[0], 100);
    EXPECT_EQ(d->headAlignment.HeadOffsetXL[0], 105); // applying twice does not add twice
}

TEST_F(MaterialFilesTest, CombinationStopsAtTheHeadCountAndGuardsItsInputs) {
    d->HEADS = 2;
    d->mediaOffset.csMediaFile = d->PRMMediaFilePath("X");
    for (int& v : d->mediaOffset.HeadOffsetXL) v = 1;
    d->headAlignment.HeadOffsetXL[2] = 77;
    d->mediaOffset.BiDifference[1][0] = 5;
    d->headAlignment.BiDifference[0] = 66;
    d->uiDPIClass = 9; // not a class: the differences in force stay
    d->mediaOffset.StepOffset[1] = 4;
    d->HeadOffsetXR[0] = INT_MAX;
    d->mediaOffset.HeadOffsetXR[0] = 10;
    d->HeadOffsetY[1] = INT_MIN;
    d->mediaOffset.HeadOffsetY[1] = -10;
    d->PRMGetCurrentMediaParams();
    EXPECT_EQ(d->headAlignment.HeadOffsetXL[1], 1050);
    EXPECT_EQ(d->headAlignment.HeadOffsetXL[2], 77);
    EXPECT_EQ(d->headAlignment.BiDifference[0], 66);
    EXPECT_EQ(d->headAlignment.StepOffset[1], 4);
    EXPECT_EQ(d->headAlignment.HeadOffsetXR[0], INT_MAX);
    EXPECT_EQ(d->headAlignment.HeadOffsetY[1], INT_MIN);

    // No material file named: nothing at all changes.
    d->mediaOffset.csMediaFile.clear();
    d->mediaOffset.StepOffset[1] = 99;
    d->PRMGetCurrentMediaParams();
    EXPECT_EQ(d->headAlignment.StepOffset[1], 4);
}

TEST_F(MaterialFilesTest, ResolutionClasses) {
    const struct { unsigned dpi; int cls; } cases[] = {{180, 0}, {181, 0}, {240, 1}, {360, 2}, {363, 2},
                                                       {720, 3}, {0, -1}, {300, -1}, {1440, -1}, {179, -1}};
    for (auto c : cases) EXPECT_EQ(CDrvPrint::PRMMediaDPIClass(c.dpi), c.cls) << c.dpi;
    d->uiDPIClass = 1;
    EXPECT_EQ(d->PRMSetDPIClass(720), 3u);
    EXPECT_EQ(d->PRMSetDPIClass(600), 3u); // unknown resolution: class unchanged
    EXPECT_EQ(d->PRMSetDPIClass(181), 0u);
    EXPECT_EQ(d->uiDPIClass, 0u);
}

TEST_F(MaterialFilesTest, SetupLoadLoadsTheCurrentMaterial) {
    dir.write("setup.ini", "[BASEHEADALIGNMENT]\nHEADS=2\nMediaName=PVC Matt\nHeadOffsetXL1=100\n");
    writeMaterial("PVC Matt", "[HEADALIGNMENT0]\nHeadOffsetXL1=5\nHeadOffsetXL3=3\n[MEDIA]\nMediaDPI=360\n");
    d->mediaOffset.HeadOffsetXL[2] = 42;
    d->PRMLoadParams();
    EXPECT_EQ(d->mediaOffset.csMediaFile, dir.path() + "/Materials/Material-PVC Matt.ini");
    EXPECT_EQ(d->mediaOffset.HeadOffsetXL[0], 5);
    EXPECT_EQ(d->mediaOffset.HeadOffsetXL[2], 42); // head 3 is beyond HEADS = 2
    EXPECT_EQ(d->mediaOffset.MediaDPI, 360);
    // Only loaded: the alignment in force is not combined yet.
    EXPECT_EQ(d->headAlignment.HeadOffsetXL[0], 1049);
    d->PRMGetCurrentMediaParams();
    EXPECT_EQ(d->headAlignment.HeadOffsetXL[0], 105);
}

TEST_F(MaterialFilesTest, EmptyMaterialNameIsAFileLikeAnyOther) {
    d->PRMLoadParams();
    EXPECT_EQ(d->mediaOffset.csMediaFile, dir.path() + "/Materials/Material-.ini");
    d->uiDPIClass = 0;
    d->PRMGetCurrentMediaParams();
    EXPECT_EQ(d->PRMSaveMediaParams(&d->mediaOffset), 1);
    EXPECT_EQ(dir.read("Materials/Material-.ini"), kZeroFileHeads4);
}

TEST_F(MaterialFilesTest, ListsTheMaterialsThatHaveAFile) {
    EXPECT_TRUE(d->PRMListMedia().empty());
    writeMaterial("Vinyl", "");
    writeMaterial("Banner", "");
    writeMaterial("", "");
    dir.write("Materials/Other.ini", "");
    dir.write("Materials/Material-x.txt", "");
    std::filesystem::create_directories(dir.file("Materials/Material-dir.ini"));
    EXPECT_EQ(d->PRMListMedia(), (std::vector<std::string>{"", "Banner", "Vinyl"}));
}

} // namespace
