// The settings loaders on a store of bytes give what the engine's file loads give, for every seed
// of the fuzz corpus (sound and damaged files alike).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/DrvPrint.h"
#include "platform/Files.h"
#include "settings/HeadVoltageStore.h"
#include "settings/MaterialStore.h"
#include "settings/SetupStore.h"
#include "testsupport/ScratchDir.h"

using testsupport::ScratchDir;

namespace {

std::vector<std::string> seeds(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(std::string(CARVEX_FUZZ_CORPUS_DIR) + "/" + folder))
        if (e.is_regular_file()) files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

std::string bytesOf(const std::string& path) {
    std::string s;
    EXPECT_EQ(platform::readFileLimited(path, s, CIniFile::kMaxFileBytes), platform::ReadResult::Ok) << path;
    return s;
}

std::string settingsText(const SetupSettings& s) {
    std::string all;
    for (const setup::KeyDef& k : setup::schema())
        if (setup::inUse(k, s)) all += k.section + "." + k.key + "=" + setup::displayText(k, s) + "\n";
    return all;
}

TEST(SettingsStoreTest, SetupFromBytesIsTheSetupFromTheFile) {
    for (const std::string& seed : seeds("setup-file")) {
        SCOPED_TRACE(seed);
        const std::string bytes = bytesOf(seed);
        ScratchDir dir;
        dir.write("setup.ini", bytes);
        CDrvPrint d;
        d.csBaseDir = dir.path();
        d.setupIni.SetFileName("setup.ini");
        d.PRMLoadParams();

        CIniFile ini;
        ini.SetFileName("setup.ini");
        ASSERT_EQ(ini.LoadBuffer(bytes), 1);
        SetupSettings s;
        setup::loadSetup(ini, s);
        EXPECT_EQ(settingsText(s), settingsText(d));
        // A save writes what the engine's save writes.
        ASSERT_EQ(d.PRMSaveParams(), 1);
        ASSERT_EQ(setup::writeGroups(ini, s, setup::kAllGroups), 1);
        EXPECT_EQ(ini.Text(), dir.read("setup.ini"));
    }
}

TEST(SettingsStoreTest, MaterialFromBytesIsTheMaterialFromTheFile) {
    for (const std::string& seed : seeds("material-file")) {
        SCOPED_TRACE(seed);
        const std::string bytes = bytesOf(seed);
        ScratchDir dir;
        std::filesystem::create_directories(dir.file("Materials"));
        dir.write("Materials/Material-M.ini", bytes);
        CDrvPrint d;
        d.csBaseDir = dir.path();
        d.HEADS = kMaxHeads;
        MediaOffset viaFile;
        viaFile.csMediaFile = d.PRMMediaFilePath("M");
        d.PRMLoadMediaParams(&viaFile);

        CIniFile ini;
        ini.SetFileName("Material-M.ini");
        ASSERT_EQ(ini.LoadBuffer(bytes), 1);
        EXPECT_EQ(ini.LoadWarning(), d.csMaterialWarning);
        MediaOffset mem;
        settings::readMedia(ini, kMaxHeads, mem);
        CIniFile a, b;
        a.LoadBuffer("");
        b.LoadBuffer("");
        settings::writeMedia(a, kMaxHeads, mem);
        settings::writeMedia(b, kMaxHeads, viaFile);
        EXPECT_EQ(a.Text(), b.Text());
        ASSERT_EQ(d.PRMSaveMediaParams(&viaFile), 1);
        EXPECT_EQ(a.Text(), dir.read("Materials/Material-M.ini"));
    }
}

TEST(SettingsStoreTest, HeadVoltagesFromBytesAreTheEngineValuesFromTheFile) {
    for (const std::string& seed : seeds("head-voltage-file")) {
        SCOPED_TRACE(seed);
        const std::string bytes = bytesOf(seed);
        ScratchDir dir;
        std::filesystem::create_directories(dir.file("HeadsTempVolt"));
        dir.write("HeadsTempVolt/H.ini", bytes);
        CDrvPrint d;
        d.csBaseDir = dir.path();
        d.csHtv = "H";
        d.PRMLoadHTVParams();
        ASSERT_FALSE(d.csHtvFile.empty());

        CIniFile ini;
        ASSERT_EQ(ini.LoadBuffer(bytes), 1);
        settings::HeadVoltages v;
        settings::readHeadVoltages(ini, v);
        EXPECT_EQ(v.bEnable, d.bHTVEnable);
        EXPECT_EQ(v.VoltageDefault, d.fHTVVoltageDefault);
        EXPECT_EQ(v.VoltageDACUnit, d.fHTVVoltageDACUnit);
        for (unsigned h = 0; h < kMaxHeads; ++h) {
            EXPECT_EQ(v.VoltageDefine[h], d.HTVVoltageDefine[h]) << h;
            EXPECT_EQ(v.VoltageOffset[h], d.HTVVoltageOffset[h]) << h;
            EXPECT_EQ(v.ColorChannel[h], d.HTVColorChannel[h]) << h;
            EXPECT_EQ(v.HeadChannel[h], d.HTVHeadChannel[h]) << h;
        }
        CIniFile out;
        out.LoadBuffer("");
        settings::writeHeadVoltages(out, v);
        ASSERT_EQ(d.PRMSaveHTVParams(), 1);
        EXPECT_EQ(out.Text(), dir.read("HeadsTempVolt/H.ini"));
    }
}

} // namespace
