// A settings file on disk is replaced only by settings read from it: the setup, head-voltage and
// material files, never loaded, unreadable, loaded, missing, and a write that fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "core/DrvPrint.h"
#include "testsupport/ScratchDir.h"

using testsupport::ScratchDir;

namespace {

// One kind of settings file: where it lies for a name, how the engine loads and saves it.
struct Kind {
    const char* label;
    std::function<std::string(CDrvPrint&, const std::string& name)> use; // chooses the file, returns its path
    std::function<void(CDrvPrint&)> load;
    std::function<int(CDrvPrint&)> save;
};

const Kind kKinds[] = {
    {"setup",
     [](CDrvPrint& d, const std::string& name) {
         d.setupIni.SetFileName("setup-" + name + ".ini");
         return d.PRMSetupFilePath();
     },
     [](CDrvPrint& d) { d.PRMLoadParams(); }, [](CDrvPrint& d) { return d.PRMSaveParams(); }},
    {"head voltages",
     [](CDrvPrint& d, const std::string& name) {
         d.csHtv = name;
         return d.PRMHTVFilePath();
     },
     [](CDrvPrint& d) { d.PRMLoadHTVParams(); }, [](CDrvPrint& d) { return d.PRMSaveHTVParams(); }},
    {"material",
     [](CDrvPrint& d, const std::string& name) {
         d.mediaOffset.csMediaFile = d.PRMMediaFilePath(name);
         return d.mediaOffset.csMediaFile;
     },
     [](CDrvPrint& d) { d.PRMLoadMediaParams(&d.mediaOffset); }, [](CDrvPrint& d) { return d.PRMSaveMediaParams(&d.mediaOffset); }},
};

enum class Before { Nothing, Small, Huge };

struct Case {
    const char* label;
    Before file;     // what is on disk before
    bool loaded;     // the engine loads it before the save
    bool longName;   // a name whose replacement file cannot be made (the name gets too long)
    int saved;       // the save's result
};

const Case kCases[] = {
    {"never loaded", Before::Small, false, false, 0},
    {"unreadable (too large)", Before::Huge, true, false, 0},
    {"loaded", Before::Small, true, false, 1},
    {"missing, never loaded", Before::Nothing, false, false, 1},
    {"missing, loaded", Before::Nothing, true, false, 1},
    {"loaded, write fails", Before::Small, true, true, 0},
};

std::string fileBytes(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return "<none>";
    return std::to_string(std::filesystem::file_size(path, ec)) + ":" + std::to_string(std::filesystem::last_write_time(path, ec).time_since_epoch().count());
}

TEST(SaveGuardTest, AFileIsReplacedOnlyBySettingsReadFromIt) {
    for (const Kind& k : kKinds) {
        for (const Case& c : kCases) {
            SCOPED_TRACE(std::string(k.label) + ": " + c.label);
            ScratchDir dir;
            CDrvPrint d;
            d.csBaseDir = dir.path();
            const std::string name = c.longName ? std::string(238, 'n') : "Demo";
            const std::string path = k.use(d, name);
            std::filesystem::create_directories(std::filesystem::path(path).parent_path());
            if (c.file != Before::Nothing) {
                std::ofstream(path, std::ios::binary) << "[NOTES]\r\nkept=1\r\n";
                if (c.file == Before::Huge) std::filesystem::resize_file(path, CIniFile::kMaxFileBytes + 1);
            }
            if (c.loaded) k.load(d);
            const std::string before = fileBytes(path);
            EXPECT_EQ(k.save(d), c.saved);
            if (c.saved) {
                EXPECT_TRUE(d.csSaveError.empty()) << d.csSaveError;
                EXPECT_TRUE(std::filesystem::exists(path));
                // Written once, the file holds what is in memory: the next save may replace it.
                EXPECT_EQ(k.save(d), 1);
            } else {
                EXPECT_EQ(fileBytes(path), before);
                EXPECT_NE(d.csSaveError.find(std::filesystem::path(path).filename().string().substr(0, 20)), std::string::npos)
                    << d.csSaveError;
                if (c.longName) {
                    EXPECT_NE(d.csSaveError.find("cannot write"), std::string::npos) << d.csSaveError;
                }
            }
        }
    }
}

// Another setup chosen by name keeps the loaded settings and may write them there; settings that
// were never loaded may not, even under a new name.
TEST(SaveGuardTest, ChoosingASetupNameCarriesTheLoadedSettingsOnly) {
    for (const bool loaded : {true, false}) {
        ScratchDir dir;
        CDrvPrint d;
        d.csBaseDir = dir.path();
        dir.write("setup-A.ini", "[PRINTMODE]\r\nuiPass=3\r\n");
        dir.write("setup-B.ini", "[PRINTMODE]\r\nuiPass=5\r\n");
        d.setupIni.SetFileName("setup-A.ini");
        if (loaded) d.PRMLoadParams();
        std::string b = "B";
        ASSERT_EQ(d.AUXINISetCurrentSetup(b), 1);
        EXPECT_EQ(d.PRMSaveParams(), loaded ? 1 : 0) << d.csSaveError;
        EXPECT_EQ(dir.read("setup-B.ini").find("uiPass=3") != std::string::npos, loaded);
    }
}

// A job never prints with the defaults that stand in for a settings file that could not be read:
// a material file too large to read, a folder where the setup file belongs, a head-voltage file
// that is a folder while head parameters are in use.
TEST(SaveGuardTest, AJobIsRefusedWhenItsSettingsCannotBeRead) {
    struct Damage {
        const char* label;
        std::function<std::string(CDrvPrint&, const ScratchDir&)> make; // damages, loads, returns the file's name
    };
    const Damage damages[] = {
        {"material", [](CDrvPrint& d, const ScratchDir& dir) {
             d.mediaOffset.csMediaFile = d.PRMMediaFilePath("Vinyl");
             std::filesystem::create_directories(dir.file("Materials"));
             dir.write("Materials/Material-Vinyl.ini", "");
             std::filesystem::resize_file(d.mediaOffset.csMediaFile, CIniFile::kMaxFileBytes + 1);
             d.PRMLoadMediaParams(&d.mediaOffset);
             return std::string("Material-Vinyl.ini");
         }},
        {"setup", [](CDrvPrint& d, const ScratchDir& dir) {
             std::filesystem::create_directories(dir.file("setup-Demo.ini"));
             d.setupIni.SetFileName("setup-Demo.ini");
             d.PRMLoadParams();
             return std::string("setup-Demo.ini");
         }},
        {"head voltages", [](CDrvPrint& d, const ScratchDir& dir) {
             d.csHtv = "Heads";
             std::filesystem::create_directories(dir.file("HeadsTempVolt/Heads.ini"));
             d.PRMLoadHTVParams();
             d.uiHeadsParamsMode = 1;
             return std::string("Heads.ini");
         }},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.label);
        ScratchDir dir;
        CDrvPrint d;
        d.csBaseDir = dir.path();
        const std::string name = damage.make(d, dir);
        d.ripHead.uiXDPI = 360;
        d.ripHead.uiYDPI = 360;
        EXPECT_EQ(d.PRNCheckParams(), 0);
        EXPECT_NE(d.csRefusal.find(name), std::string::npos) << d.csRefusal;
    }
}

} // namespace
