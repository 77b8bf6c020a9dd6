// The setup file: loading and saving it through the schema table, the values derived at load, and
// the choice of the current setup (CurrentSetup.ini).
#include <algorithm>
#include <climits>
#include <cmath>
#include <initializer_list>

#include "core/DrvPrint.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "settings/SaveGuard.h"
#include "settings/SetupSchema.h"
#include "settings/SetupStore.h"

namespace {

const char* const kCurrentSetupIni = "CurrentSetup.ini";
const char* const kCurrentSetupSection = "CurrentSetup";
const char* const kIniFileNameKey = "IniFileName";
const char* const kDefaultSetupFile = "setup.ini";

// Binds the setup store to its file below the base directory for one load or save, so the
// settings land in the same file whatever the process's current directory is, without changing
// that directory under other threads.
class SetupFileScope {
public:
    explicit SetupFileScope(CDrvPrint& d) : ini_(d.setupIni), saved_(d.setupIni.GetFileName()) {
        ini_.SetFileName(d.PRMSetupFilePath());
    }
    ~SetupFileScope() { ini_.SetFileName(saved_); }
    SetupFileScope(const SetupFileScope&) = delete;
    SetupFileScope& operator=(const SetupFileScope&) = delete;

private:
    CIniFile& ini_;
    std::string saved_;
};

void loadGroup(CDrvPrint& d, setup::Group g) {
    SetupFileScope scope(d);
    // One read of the file for every key (PRMLoadParams holds one for all the groups).
    CIniFile::Snapshot snapshot(d.setupIni);
    setup::loadGroup(d.setupIni, d, g);
}

// Whether the setup in memory may replace the setup file (csSaveError says why not).
bool mayWriteSetup(CDrvPrint& d) {
    d.csSaveError = settings::overwriteProblem(d.PRMSetupFilePath(), d.csSetupLoadedFrom);
    return d.csSaveError.empty();
}

// After a write: the file now holds what is in memory, or the reason it does not.
int setupWritten(CDrvPrint& d, int ok) {
    if (ok) d.csSetupLoadedFrom = d.PRMSetupFilePath();
    else d.csSaveError = settings::writeFailure(d.PRMSetupFilePath());
    return ok;
}

// The groups as one atomic replacement of the file, if the file may be replaced.
int saveGroups(CDrvPrint& d, std::initializer_list<setup::Group> groups) {
    if (!mayWriteSetup(d)) return 0;
    SetupFileScope scope(d);
    return setupWritten(d, setup::writeGroups(d.setupIni, d, groups));
}

int saveGroup(CDrvPrint& d, setup::Group g) { return saveGroups(d, {g}); }


} // namespace

namespace setup {

void loadGroup(CIniFile& ini, SetupSettings& s, Group g) {
    // In table order: HEADS comes before the per-head keys, so they see the new head count.
    for (const KeyDef* k : loadOrder(g))
        if (inUse(*k, s)) loadKey(*k, ini, s);
    // Lines per head divide the head count and size the nozzle tables: nonsense means one line.
    if (g == Group::BaseHeadAlignment && (s.LINESPERHEAD == 0 || s.LINESPERHEAD > 10)) s.LINESPERHEAD = 1;
}

void loadSetup(CIniFile& ini, SetupSettings& s, const std::function<void(Group)>& afterGroup) {
    CIniFile::Snapshot snapshot(ini);
    // The head-alignment section is bounded by HEADS of the base section, so the order matters.
    for (Group g : {Group::Movement, Group::BaseHeadAlignment, Group::HeadAlignment, Group::PrintSetting}) {
        loadGroup(ini, s, g);
        if (afterGroup) afterGroup(g);
    }
}

int writeGroups(CIniFile& ini, SetupSettings& s, std::initializer_list<Group> groups) {
    CIniFile::Batch batch(ini);
    for (Group g : groups)
        for (const std::string& section : saveSections(g)) {
            ini.WriteString(section, kHiKey, kHiValue);
            for (const KeyDef* k : saveOrder(section))
                if (k->saveGroup == g && inUse(*k, s)) saveKey(*k, ini, s);
        }
    return batch.end();
}

} // namespace setup

std::string CDrvPrint::PRMSetupFilePath() const {
    const std::string& name = setupIni.GetFileName();
    if (name.empty() || name.front() == '/' || csBaseDir.empty()) return name;
    return platform::joinPath(csBaseDir, name);
}

void CDrvPrint::PRMLoadParams() {
    {
        SetupFileScope scope(*this);
        // The file is read and parsed once for the whole load, however many keys it holds.
        CIniFile::Snapshot snapshot(setupIni);
        setup::loadSetup(setupIni, *this, [this](setup::Group g) {
            if (g == setup::Group::Movement) deriveMovement();
            if (g == setup::Group::BaseHeadAlignment) deriveBaseHeadAlignment();
        });
        // A setup file that exists but could not be read gave defaults: they must never replace it.
        const std::string path = PRMSetupFilePath();
        const bool read = setupIni.OpenResult() == 1 || !platform::pathExists(path);
        csSetupLoadedFrom = read ? path : std::string();
        bSetupUnreadable = read ? 0 : 1;
    }
    const std::string setupWarning = setupIni.LoadWarning();
    std::string mediaWarning;
    csMediaFile = PRMMediaFilePath(MediaName);
    if (csMediaFile.empty())
        mediaWarning = "MediaName \"" + MediaName + "\" refused (not a plain file name: " +
                       platform::plainFileNameProblem(MediaFileName(MediaName)) + "); no material file used";
    loadCurrentMaterial();
    // Defaults in place of what a damaged file held must never go unnoticed.
    csSettingsWarning.clear();
    for (const std::string& w : {setupWarning, mediaWarning, csMaterialWarning}) {
        if (w.empty()) continue;
        platform::log(platform::LogLevel::Warn, w);
        csSettingsWarning += (csSettingsWarning.empty() ? "" : "; ") + w;
    }
}

int CDrvPrint::PRMSaveParams() {
    // All sections reach the disk as one file, never a mix of old and new sections.
    return saveGroups(*this, setup::kAllGroups);
}

void CDrvPrint::PRMLoadParamsMovement() {
    loadGroup(*this, setup::Group::Movement);
    deriveMovement();
}

int CDrvPrint::PRMSaveParamsMovement() { return saveGroup(*this, setup::Group::Movement); }

void CDrvPrint::PRMLoadParamsBaseHeadAlignment() {
    loadGroup(*this, setup::Group::BaseHeadAlignment);
    deriveBaseHeadAlignment();
}

int CDrvPrint::PRMSaveParamsBaseHeadAlignment() { return saveGroup(*this, setup::Group::BaseHeadAlignment); }

void CDrvPrint::PRMLoadParamsHeadAlignment() { loadGroup(*this, setup::Group::HeadAlignment); }

int CDrvPrint::PRMSaveParamsHeadAlignment() { return saveGroup(*this, setup::Group::HeadAlignment); }

void CDrvPrint::PRMLoadParamsPrintSetting() { loadGroup(*this, setup::Group::PrintSetting); }

int CDrvPrint::PRMSaveParamsPrintSetting() { return saveGroup(*this, setup::Group::PrintSetting); }

void CDrvPrint::PRMDeriveParams() {
    deriveMovement();
    deriveBaseHeadAlignment();
}

void CDrvPrint::deriveMovement() {
    uiFireDivider = static_cast<unsigned>(iFireFrequency);
    fDPIRate = 1.0f;
}

void CDrvPrint::deriveBaseHeadAlignment() {
    // Ordinal of each head within its colour, counted per colour value 0..12; heads of other
    // colour values count as the first of their colour.
    constexpr int kCountedColors = 13;
    unsigned seen[kCountedColors] = {};
    std::fill(std::begin(uiHeadIndexInColor), std::end(uiHeadIndexInColor), 0u);
    const unsigned heads = setup::headBound(*this);
    for (unsigned h = 0; h < heads; ++h) {
        int c = ColorChannel[h];
        if (c >= 0 && c < kCountedColors) uiHeadIndexInColor[h] = seen[c]++;
    }

    if (LINESPERHEAD == 0 || LINESPERHEAD > 10) LINESPERHEAD = 1;

    // A zero or nonsense step size must not divide by zero or overflow.
    const double steps = fMMPerXStep > 0 && std::isfinite(fMMPerXStep) ? 1.44 / fMMPerXStep + 0.5 : 0.0;
    uiStepsPer144MM = steps >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(steps);

    // Zero colours give 0 heads per colour (such a setup is refused when a job checks it).
    switch (uiHeadsPerColorMode) {
    case 0: uiHeadsPerColor = COLORS ? HEADS / LINESPERHEAD / COLORS : 0; break;
    case 1: uiHeadsPerColor = 1; break;
    case 2: uiHeadsPerColor = COLORS ? (HEADS / 2) / COLORS : 0; break;
    default: break;
    }
    uiNozzlesPerColor = uiHeadsPerColor * NOZZLESPERHEAD;
}

void CDrvPrint::loadCurrentMaterial() {
    // Only loaded here: the offsets are combined with the alignment when a job's resolution is set.
    mediaOffset.csMediaFile = csMediaFile;
    PRMLoadMediaParams(&mediaOffset);
}

std::string CDrvPrint::PRMCurrentSetupFileName() const {
    CIniFile current;
    current.SetFileName(platform::joinPath(csBaseDir, kCurrentSetupIni));
    const std::string file = current.ReadString(kCurrentSetupSection, kIniFileNameKey, kDefaultSetupFile);
    // The setup file is read and rewritten: a name that leads out of the base folder (or nowhere)
    // must never choose which file that is.
    const std::string why = platform::plainFileNameProblem(file);
    if (why.empty()) return file;
    platform::log(platform::LogLevel::Error, std::string(kCurrentSetupIni) + ": " + kIniFileNameKey + " \"" + file +
                                                 "\" refused (not a plain file name: " + why + "); " +
                                                 kDefaultSetupFile + " used instead");
    return kDefaultSetupFile;
}

int CDrvPrint::AUXINIGetCurrentSetup(std::string& name) {
    const std::string file = PRMCurrentSetupFileName();
    const int found = platform::fileExists(platform::joinPath(csBaseDir, file)) ? 1 : 0;
    // "setup-" + name + ".ini": the name lies between the first 6 and the last 4 characters.
    name = file.size() > 10 ? file.substr(6, file.size() - 10) : std::string();
    csCurrentSetupFile = file;
    return found;
}

int CDrvPrint::AUXINISetCurrentSetup(std::string& name) {
    const std::string file = "setup-" + name + ".ini";
    if (const std::string why = platform::plainFileNameProblem(file); !why.empty()) {
        platform::log(platform::LogLevel::Error, "setup name \"" + name + "\" refused (not a plain file name: " + why + ")");
        return 0;
    }
    // A fresh store starts empty, so CurrentSetup.ini ends up holding just this one entry.
    CIniFile current;
    current.SetFileName(platform::joinPath(csBaseDir, kCurrentSetupIni));
    if (!current.WriteString(kCurrentSetupSection, kIniFileNameKey, file)) return 0;
    // The copy of the previous setup is kept: a following PRMSaveParams writes into the new file.
    // Choosing the name is the operator's leave to write the settings in memory there, if they
    // are settings that were loaded at all.
    setupIni.SetFileName(file);
    if (!csSetupLoadedFrom.empty()) csSetupLoadedFrom = PRMSetupFilePath();
    return 1;
}
