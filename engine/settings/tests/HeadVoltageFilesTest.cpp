#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "core/DrvPrint.h"
#include "testsupport/ScratchDir.h"

using testsupport::ScratchDir;

namespace {

class HeadVoltageFilesTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::unique_ptr<CDrvPrint> d = [this] {
        auto e = std::make_unique<CDrvPrint>();
        e->csBaseDir = dir.path();
        e->setupIni.SetFileName("setup.ini");
        return e;
    }();

    std::string htvFile(const std::string& name = "HeadsTempVolt") const {
        return dir.file("HeadsTempVolt/" + name + ".ini");
    }
    void writeHtv(const std::string& text, const std::string& name = "HeadsTempVolt") {
        std::filesystem::create_directories(dir.file("HeadsTempVolt"));
        dir.write("HeadsTempVolt/" + name + ".ini", text);
    }
    std::vector<std::string> lines(const std::string& name = "HeadsTempVolt") const {
        std::vector<std::string> v;
        std::istringstream in(dir.read("HeadsTempVolt/" + name + ".ini"));
        for (std::string l; std::getline(in, l);) {
            EXPECT_TRUE(!l.empty() && l.back() == '\r') << l;
            if (!l.empty() && l.back() == '\r') l.pop_back();
            v.push_back(l);
        }
        return v;
    }
};

TEST_F(HeadVoltageFilesTest, FileWithOnlyEnableLoadsEveryDefault) {
    writeHtv("[HEADSTEMPVOLT]\nbEnable=1\n");
    for (float& v : d->HTVVoltageDefine) v = 1.0f;
    for (float& v : d->HTVVoltageOffset) v = 1.0f;
    for (int& v : d->HTVColorChannel) v = 5;
    for (int& v : d->HTVHeadChannel) v = 5;
    d->fHTVVoltageDefault = d->fHTVVoltageDACUnit = 1.0f;
    d->PRMLoadHTVParams();
    EXPECT_EQ(d->csHtvFile, htvFile());
    EXPECT_EQ(d->bHTVEnable, 1);
    for (unsigned i = 0; i < kMaxHeads; ++i) {
        EXPECT_FLOAT_EQ(d->HTVVoltageDefine[i], 21.1f) << i;
        EXPECT_EQ(d->HTVVoltageOffset[i], 0.0f) << i;
        EXPECT_EQ(d->HTVColorChannel[i], 1) << i;
        EXPECT_EQ(d->HTVHeadChannel[i], 1) << i;
    }
    EXPECT_FLOAT_EQ(d->fHTVVoltageDefault, 20.0f);
    EXPECT_FLOAT_EQ(d->fHTVVoltageDACUnit, 0.054f);
}

TEST_F(HeadVoltageFilesTest, LoadReadsAll24HeadsWhateverTheHeadCount) {
    writeHtv("[HEADSTEMPVOLT]\nHeadsVoltageDefine1=22.5\nHeadsVoltageOffset1=-0.7\nColorChannel1=3\n"
             "HeadChannel1=4\nHeadsVoltageDefine24=19.25\nColorChannel24=6\nHeadsVoltageDefine25=1\n"
             "HeadVoltageDefault=18.5\nHeadVoltageDACUnit=0.0625\n");
    d->HEADS = 2;
    d->PRMLoadHTVParams();
    EXPECT_EQ(d->bHTVEnable, 0);
    EXPECT_FLOAT_EQ(d->HTVVoltageDefine[0], 22.5f);
    EXPECT_FLOAT_EQ(d->HTVVoltageOffset[0], -0.7f);
    EXPECT_EQ(d->HTVColorChannel[0], 3);
    EXPECT_EQ(d->HTVHeadChannel[0], 4);
    EXPECT_FLOAT_EQ(d->HTVVoltageDefine[23], 19.25f);
    EXPECT_EQ(d->HTVColorChannel[23], 6);
    EXPECT_FLOAT_EQ(d->fHTVVoltageDefault, 18.5f);
    EXPECT_FLOAT_EQ(d->fHTVVoltageDACUnit, 0.0625f);
}

TEST_F(HeadVoltageFilesTest, MissingFileClearsThePathAndKeepsTheValues) {
    d->csHtvFile = "stale";
    d->bHTVEnable = 1;
    d->HTVVoltageDefine[3] = 23.0f;
    d->uiHTVHeads = 7;
    d->PRMLoadHTVParams();
    EXPECT_EQ(d->csHtvFile, "");
    EXPECT_EQ(d->bHTVEnable, 1);
    EXPECT_FLOAT_EQ(d->HTVVoltageDefine[3], 23.0f);
    EXPECT_EQ(d->uiHTVHeads, 7u);
    EXPECT_FALSE(dir.exists("HeadsTempVolt")); // a load creates nothing

    // Another name in csHtv is another file.
    writeHtv("[HEADSTEMPVOLT]\nbEnable=0\n", "UV");
    d->PRMLoadHTVParams();
    EXPECT_EQ(d->csHtvFile, "");
    d->csHtv = "UV";
    d->PRMLoadHTVParams();
    EXPECT_EQ(d->csHtvFile, htvFile("UV"));
    EXPECT_EQ(d->bHTVEnable, 0);
}

TEST_F(HeadVoltageFilesTest, UnparsableNumbersReadAsZero) {
    writeHtv("[HEADSTEMPVOLT]\nbEnable=on\nHeadsVoltageDefine2=\nHeadsVoltageOffset2=abc\nColorChannel2=x1\n"
             "HeadVoltageDefault=.\nHeadVoltageDACUnit=  5e-2volts\nHeadsVoltageDefine3=1e999\n");
    d->PRMLoadHTVParams();
    EXPECT_EQ(d->bHTVEnable, 0);
    EXPECT_EQ(d->HTVVoltageDefine[1], 0.0f);
    EXPECT_EQ(d->HTVVoltageOffset[1], 0.0f);
    EXPECT_EQ(d->HTVColorChannel[1], 0);
    EXPECT_EQ(d->fHTVVoltageDefault, 0.0f);
    EXPECT_FLOAT_EQ(d->fHTVVoltageDACUnit, 0.05f);
    EXPECT_TRUE(std::isfinite(d->HTVVoltageDefine[2]));
    EXPECT_FLOAT_EQ(d->HTVVoltageDefine[0], 21.1f); // absent keys still take their defaults
}

TEST_F(HeadVoltageFilesTest, SaveWritesThe99KeysInOrderWithTheirFormats) {
    ASSERT_TRUE(std::filesystem::create_directories(dir.file("HeadsTempVolt")));
    d->HEADS = 4;
    d->bHTVEnable = 1;
    d->HTVVoltageDefine[0] = 21.26f;   // "%.1f"
    d->HTVVoltageOffset[1] = -0.34f;
    d->HTVColorChannel[2] = -3;
    d->HTVHeadChannel[23] = 12;
    d->fHTVVoltageDefault = 19.999f;   // "%.2f"
    d->fHTVVoltageDACUnit = 0.05436f;  // "%.4f"
    ASSERT_EQ(d->PRMSaveHTVParams(), 1);
    EXPECT_EQ(d->csHtvFile, htvFile());

    const std::vector<std::string> l = lines();
    ASSERT_EQ(l.size(), 100u); // the header and 99 keys
    EXPECT_EQ(l[0], "[HEADSTEMPVOLT]");
    EXPECT_EQ(l[1], "bEnable=1");
    EXPECT_EQ(l[2], "HeadsVoltageDefine1=21.3");
    EXPECT_EQ(l[3], "HeadsVoltageOffset1=0.0");
    EXPECT_EQ(l[4], "ColorChannel1=1");
    EXPECT_EQ(l[5], "HeadChannel1=1");
    EXPECT_EQ(l[7], "HeadsVoltageOffset2=-0.3");
    EXPECT_EQ(l[12], "ColorChannel3=-3");
    for (unsigned n = 5; n <= 24; ++n) { // heads beyond HEADS are written too
        const size_t at = 2 + 4 * (n - 1);
        EXPECT_EQ(l[at], "HeadsVoltageDefine" + std::to_string(n) + "=21.1");
        EXPECT_EQ(l[at + 1], "HeadsVoltageOffset" + std::to_string(n) + "=0.0");
        EXPECT_EQ(l[at + 2], "ColorChannel" + std::to_string(n) + "=1");
    }
    EXPECT_EQ(l[97], "HeadChannel24=12");
    EXPECT_EQ(l[98], "HeadVoltageDefault=20.00");
    EXPECT_EQ(l[99], "HeadVoltageDACUnit=0.0544");
}

TEST_F(HeadVoltageFilesTest, SaveReplacesTheWholeFile) {
    writeHtv("; notes\n[OTHER]\na=1\n[HEADSTEMPVOLT]\nExtra=2\nbEnable=0\n");
    d->PRMLoadHTVParams();
    ASSERT_EQ(d->PRMSaveHTVParams(), 1);
    const std::string text = dir.read("HeadsTempVolt/HeadsTempVolt.ini");
    EXPECT_EQ(text.find("notes"), std::string::npos);
    EXPECT_EQ(text.find("OTHER"), std::string::npos);
    EXPECT_EQ(text.find("Extra"), std::string::npos);
    EXPECT_EQ(lines().size(), 100u);
    // Nothing else is left in the folder by the atomic write.
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.file("HeadsTempVolt"))) files += e.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST_F(HeadVoltageFilesTest, RoundTripKeepsTheValuesAtTheirPrecision) {
    d->bHTVEnable = 1;
    for (unsigned i = 0; i < kMaxHeads; ++i) {
        d->HTVVoltageDefine[i] = 18.0f + 0.1f * static_cast<float>(i);
        d->HTVVoltageOffset[i] = -1.2f + 0.1f * static_cast<float>(i);
        d->HTVColorChannel[i] = static_cast<int>(i % 6) + 1;
        d->HTVHeadChannel[i] = static_cast<int>(i) + 1;
    }
    d->fHTVVoltageDefault = 20.25f;
    d->fHTVVoltageDACUnit = 0.0525f;
    ASSERT_EQ(d->PRMSaveHTVParams(), 1);

    auto back = std::make_unique<CDrvPrint>();
    back->csBaseDir = dir.path();
    back->PRMLoadHTVParams();
    EXPECT_EQ(back->csHtvFile, htvFile());
    EXPECT_EQ(back->bHTVEnable, 1);
    for (unsigned i = 0; i < kMaxHeads; ++i) {
        EXPECT_NEAR(back->HTVVoltageDefine[i], d->HTVVoltageDefine[i], 1e-4f) << i;
        EXPECT_NEAR(back->HTVVoltageOffset[i], d->HTVVoltageOffset[i], 1e-4f) << i;
        EXPECT_EQ(back->HTVColorChannel[i], d->HTVColorChannel[i]) << i;
        EXPECT_EQ(back->HTVHeadChannel[i], d->HTVHeadChannel[i]) << i;
    }
    EXPECT_FLOAT_EQ(back->fHTVVoltageDefault, 20.25f);
    EXPECT_FLOAT_EQ(back->fHTVVoltageDACUnit, 0.0525f);
}

TEST_F(HeadVoltageFilesTest, HeadCountIsHeadsPerLinesAtLoadAndSave) {
    writeHtv("[HEADSTEMPVOLT]\n");
    d->HEADS = 8;
    d->LINESPERHEAD = 2;
    d->PRMLoadHTVParams();
    EXPECT_EQ(d->uiHTVHeads, 4u);
    d->HEADS = 9;
    d->LINESPERHEAD = 3;
    ASSERT_EQ(d->PRMSaveHTVParams(), 1);
    EXPECT_EQ(d->uiHTVHeads, 3u);
    // A line count of 0 counts as 1; the boards never see more than 24 heads.
    d->LINESPERHEAD = 0;
    d->HEADS = 5;
    d->PRMLoadHTVParams();
    EXPECT_EQ(d->uiHTVHeads, 5u);
    d->HEADS = 30;
    d->LINESPERHEAD = 1;
    d->PRMLoadHTVParams();
    EXPECT_EQ(d->uiHTVHeads, 24u);
}

TEST_F(HeadVoltageFilesTest, ReadOnlyFileIsMadeWritableOnLoad) {
    writeHtv("[HEADSTEMPVOLT]\nbEnable=1\n");
    ASSERT_EQ(::chmod(htvFile().c_str(), 0444), 0);
    d->PRMLoadHTVParams();
    EXPECT_EQ(d->bHTVEnable, 1);
    struct stat st {};
    ASSERT_EQ(::stat(htvFile().c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u);
    d->bHTVEnable = 0;
    EXPECT_EQ(d->PRMSaveHTVParams(), 1);
    d->bHTVEnable = 1;
    d->PRMLoadHTVParams();
    EXPECT_EQ(d->bHTVEnable, 0);
}

TEST_F(HeadVoltageFilesTest, UnreadableFileCountsAsMissing) {
    // A folder in place of the file cannot be read, even by root (as CI runs).
    writeHtv("[HEADSTEMPVOLT]\nbEnable=1\n");
    std::filesystem::remove(htvFile());
    std::filesystem::create_directory(htvFile());
    d->bHTVEnable = 1;
    d->HTVVoltageDefine[0] = 23.5f;
    d->PRMLoadHTVParams();
    EXPECT_EQ(d->csHtvFile, "");
    EXPECT_EQ(d->bHTVEnable, 1); // untouched, not replaced by a file's worth of defaults
    EXPECT_FLOAT_EQ(d->HTVVoltageDefine[0], 23.5f);
}

TEST_F(HeadVoltageFilesTest, SaveCreatesTheFolderAndRefusesPathNames) {
    ASSERT_EQ(d->PRMSaveHTVParams(), 1);
    EXPECT_TRUE(dir.exists("HeadsTempVolt/HeadsTempVolt.ini"));

    d->csHtv = "../escape";
    EXPECT_EQ(d->PRMSaveHTVParams(), 0);
    EXPECT_EQ(d->csHtvFile, "");
    EXPECT_FALSE(dir.exists("escape.ini"));
    dir.write("escape.ini", "[HEADSTEMPVOLT]\nbEnable=1\n");
    d->PRMLoadHTVParams();
    EXPECT_EQ(d->csHtvFile, "");
    EXPECT_EQ(d->bHTVEnable, 0);

    // A folder that cannot be made: nothing written, no crash.
    d->csHtv = "HeadsTempVolt";
    d->csBaseDir = dir.file("HeadsTempVolt/HeadsTempVolt.ini"); // a file, not a folder
    EXPECT_EQ(d->PRMSaveHTVParams(), 0);
}

TEST_F(HeadVoltageFilesTest, SetupSaveDoesNotTouchTheVoltageFile) {
    d->bHTVEnable = 1;
    ASSERT_EQ(d->PRMSaveParams(), 1);
    EXPECT_FALSE(dir.exists("HeadsTempVolt"));
    EXPECT_EQ(dir.read("setup.ini").find("HEADSTEMPVOLT"), std::string::npos);
}

} // namespace
