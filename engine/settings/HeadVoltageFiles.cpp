// Head temperature/voltage files: the voltages, offsets and channels that the head boards are
// given, kept apart from the setup file and chosen by name (PRINTFILE csHtv).
#include <algorithm>
#include <string>

#include "core/DrvPrint.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "settings/SaveGuard.h"
#include "settings/SetupSchema.h"

namespace {

const char* const kHtvDir = "HeadsTempVolt";
const char* const kHtvSection = "HEADSTEMPVOLT";

constexpr float kVoltageDefine = 21.1f;
constexpr float kVoltageOffset = 0.0f;
constexpr int kChannel = 1;
constexpr float kVoltageDefault = 20.0f;
constexpr float kVoltageDACUnit = 0.054f;

// csHtv becomes part of a file name: it must not lead out of the folder.
bool plainName(const std::string& name) {
    const std::string why = platform::plainFileNameProblem(name + ".ini");
    if (why.empty()) return true;
    platform::log(platform::LogLevel::Error, "PRINTFILE csHtv \"" + name + "\" refused (not a plain file name: " + why +
                                                 "); no head voltage file used");
    return false;
}

// Heads as the boards count them: lines of one head share a board slot.
unsigned htvHeads(const CDrvPrint& d) {
    const unsigned lines = d.LINESPERHEAD ? d.LINESPERHEAD : 1;
    return std::min(d.HEADS / lines, kMaxHeads);
}

} // namespace

std::string CDrvPrint::PRMHTVFilePath() const {
    return platform::joinPath(csBaseDir, std::string(kHtvDir) + "/" + csHtv + ".ini");
}

void CDrvPrint::PRMLoadHTVParams() {
    const std::string path = PRMHTVFilePath();
    bHtvUnreadable = 0;
    if (!plainName(csHtv)) {
        csHtvFile.clear();
        csHtvLoadedFrom.clear();
        return;
    }
    if (!platform::pathExists(path)) {
        // Nothing on disk to lose: a save makes the file.
        csHtvFile.clear();
        csHtvLoadedFrom = path;
        return;
    }
    // A file copied from a CD or another machine may be read-only; later saves must not fail.
    if (platform::fileExists(path)) platform::makeWritable(path);

    CIniFile ini;
    ini.SetFileName(path);
    // Voltages that are not the operator's must never reach the heads: a file that exists but
    // cannot be read counts as missing rather than as a file of defaults.
    if (!ini.Load()) {
        platform::logf(platform::LogLevel::Warn, "head voltage file %s cannot be read%s", path.c_str(),
                       ini.LoadWarning().empty() ? "" : (": " + ini.LoadWarning()).c_str());
        csHtvFile.clear();
        csHtvLoadedFrom.clear();
        bHtvUnreadable = 1;
        return;
    }
    csHtvFile = path;
    csHtvLoadedFrom = path;
    CIniFile::Batch snapshot(ini); // every read from the one copy just loaded
    bHTVEnable = ini.ReadInt(kHtvSection, "bEnable", 0);
    uiHTVHeads = htvHeads(*this);
    for (unsigned n = 1; n <= kMaxHeads; ++n) {
        const std::string s = std::to_string(n);
        HTVVoltageDefine[n - 1] = ini.ReadFloat(kHtvSection, "HeadsVoltageDefine" + s, kVoltageDefine);
        HTVVoltageOffset[n - 1] = ini.ReadFloat(kHtvSection, "HeadsVoltageOffset" + s, kVoltageOffset);
        HTVColorChannel[n - 1] = ini.ReadInt(kHtvSection, "ColorChannel" + s, kChannel);
        HTVHeadChannel[n - 1] = ini.ReadInt(kHtvSection, "HeadChannel" + s, kChannel);
    }
    fHTVVoltageDefault = ini.ReadFloat(kHtvSection, "HeadVoltageDefault", kVoltageDefault);
    fHTVVoltageDACUnit = ini.ReadFloat(kHtvSection, "HeadVoltageDACUnit", kVoltageDACUnit);
}

int CDrvPrint::PRMSaveHTVParams() {
    uiHTVHeads = htvHeads(*this);
    if (!plainName(csHtv)) {
        csHtvFile.clear();
        csSaveError = "PRINTFILE csHtv \"" + csHtv + "\" is not a plain file name: no head voltage file written";
        return 0;
    }
    csHtvFile = PRMHTVFilePath();
    csSaveError = settings::overwriteProblem(csHtvFile, csHtvLoadedFrom);
    if (!csSaveError.empty()) return 0;
    // The operator's voltage settings must not be dropped because the folder was never made.
    platform::makeDirs(platform::joinPath(csBaseDir, kHtvDir));

    // A fresh store starts empty: the file is replaced by exactly this section, in one write.
    CIniFile ini;
    ini.SetFileName(csHtvFile);
    CIniFile::Batch batch(ini);
    ini.WriteInt(kHtvSection, "bEnable", bHTVEnable);
    for (unsigned n = 1; n <= kMaxHeads; ++n) {
        const std::string s = std::to_string(n);
        ini.WriteString(kHtvSection, "HeadsVoltageDefine" + s, setup::formatFloat(HTVVoltageDefine[n - 1], 1));
        ini.WriteString(kHtvSection, "HeadsVoltageOffset" + s, setup::formatFloat(HTVVoltageOffset[n - 1], 1));
        ini.WriteInt(kHtvSection, "ColorChannel" + s, HTVColorChannel[n - 1]);
        ini.WriteInt(kHtvSection, "HeadChannel" + s, HTVHeadChannel[n - 1]);
    }
    ini.WriteString(kHtvSection, "HeadVoltageDefault", setup::formatFloat(fHTVVoltageDefault, 2));
    ini.WriteString(kHtvSection, "HeadVoltageDACUnit", setup::formatFloat(fHTVVoltageDACUnit, 4));
    if (!batch.end()) {
        csSaveError = settings::writeFailure(csHtvFile);
        return 0;
    }
    csHtvLoadedFrom = csHtvFile;
    return 1;
}
