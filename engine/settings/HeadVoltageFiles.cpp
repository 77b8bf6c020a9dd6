// Head temperature/voltage files: the voltages, offsets and channels that the head boards are
// given, kept apart from the setup file and chosen by name (PRINTFILE csHtv).
#include <algorithm>
#include <array>
#include <string>

#include "core/DrvPrint.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "settings/HeadVoltageStore.h"
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

// The per-head key names, made once: a load or save reads and writes some hundred keys.
struct HeadKeys {
    std::string define, offset, color, head;
};
const std::array<HeadKeys, kMaxHeads>& headKeys() {
    static const std::array<HeadKeys, kMaxHeads> keys = [] {
        std::array<HeadKeys, kMaxHeads> k;
        for (unsigned n = 1; n <= kMaxHeads; ++n) {
            const std::string s = std::to_string(n);
            k[n - 1] = {"HeadsVoltageDefine" + s, "HeadsVoltageOffset" + s, "ColorChannel" + s, "HeadChannel" + s};
        }
        return k;
    }();
    return keys;
}

// The engine keeps the values in members of its own.
settings::HeadVoltages engineValues(const CDrvPrint& d) {
    settings::HeadVoltages v;
    v.bEnable = d.bHTVEnable;
    std::copy(std::begin(d.HTVVoltageDefine), std::end(d.HTVVoltageDefine), v.VoltageDefine);
    std::copy(std::begin(d.HTVVoltageOffset), std::end(d.HTVVoltageOffset), v.VoltageOffset);
    std::copy(std::begin(d.HTVColorChannel), std::end(d.HTVColorChannel), v.ColorChannel);
    std::copy(std::begin(d.HTVHeadChannel), std::end(d.HTVHeadChannel), v.HeadChannel);
    v.VoltageDefault = d.fHTVVoltageDefault;
    v.VoltageDACUnit = d.fHTVVoltageDACUnit;
    return v;
}

void setEngineValues(CDrvPrint& d, const settings::HeadVoltages& v) {
    d.bHTVEnable = v.bEnable;
    std::copy(std::begin(v.VoltageDefine), std::end(v.VoltageDefine), d.HTVVoltageDefine);
    std::copy(std::begin(v.VoltageOffset), std::end(v.VoltageOffset), d.HTVVoltageOffset);
    std::copy(std::begin(v.ColorChannel), std::end(v.ColorChannel), d.HTVColorChannel);
    std::copy(std::begin(v.HeadChannel), std::end(v.HeadChannel), d.HTVHeadChannel);
    d.fHTVVoltageDefault = v.VoltageDefault;
    d.fHTVVoltageDACUnit = v.VoltageDACUnit;
}

} // namespace

namespace settings {

HeadVoltages::HeadVoltages() {
    std::fill(std::begin(VoltageDefine), std::end(VoltageDefine), kVoltageDefine);
    std::fill(std::begin(VoltageOffset), std::end(VoltageOffset), kVoltageOffset);
    std::fill(std::begin(ColorChannel), std::end(ColorChannel), kChannel);
    std::fill(std::begin(HeadChannel), std::end(HeadChannel), kChannel);
    VoltageDefault = kVoltageDefault;
    VoltageDACUnit = kVoltageDACUnit;
}

void readHeadVoltages(CIniFile& ini, HeadVoltages& v) {
    CIniFile::Batch snapshot(ini); // every read from the copy as loaded, never a re-load per key
    v.bEnable = ini.ReadInt(kHtvSection, "bEnable", 0);
    const std::string section = kHtvSection;
    for (unsigned h = 0; h < kMaxHeads; ++h) {
        const HeadKeys& k = headKeys()[h];
        v.VoltageDefine[h] = ini.ReadFloat(section, k.define, kVoltageDefine);
        v.VoltageOffset[h] = ini.ReadFloat(section, k.offset, kVoltageOffset);
        v.ColorChannel[h] = ini.ReadInt(section, k.color, kChannel);
        v.HeadChannel[h] = ini.ReadInt(section, k.head, kChannel);
    }
    v.VoltageDefault = ini.ReadFloat(kHtvSection, "HeadVoltageDefault", kVoltageDefault);
    v.VoltageDACUnit = ini.ReadFloat(kHtvSection, "HeadVoltageDACUnit", kVoltageDACUnit);
}

int writeHeadVoltages(CIniFile& ini, const HeadVoltages& v) {
    CIniFile::Batch batch(ini);
    ini.WriteInt(kHtvSection, "bEnable", v.bEnable);
    const std::string section = kHtvSection;
    for (unsigned h = 0; h < kMaxHeads; ++h) {
        const HeadKeys& k = headKeys()[h];
        ini.WriteString(section, k.define, setup::formatFloat(v.VoltageDefine[h], 1));
        ini.WriteString(section, k.offset, setup::formatFloat(v.VoltageOffset[h], 1));
        ini.WriteInt(section, k.color, v.ColorChannel[h]);
        ini.WriteInt(section, k.head, v.HeadChannel[h]);
    }
    ini.WriteString(kHtvSection, "HeadVoltageDefault", setup::formatFloat(v.VoltageDefault, 2));
    ini.WriteString(kHtvSection, "HeadVoltageDACUnit", setup::formatFloat(v.VoltageDACUnit, 4));
    return batch.end();
}

} // namespace settings

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
    uiHTVHeads = htvHeads(*this);
    // Keys the file lacks keep the defaults of the file format, not what was in memory.
    settings::HeadVoltages v;
    settings::readHeadVoltages(ini, v);
    setEngineValues(*this, v);
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
    if (!settings::writeHeadVoltages(ini, engineValues(*this))) {
        csSaveError = settings::writeFailure(csHtvFile);
        return 0;
    }
    csHtvLoadedFrom = csHtvFile;
    return 1;
}
