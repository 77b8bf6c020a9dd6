// Material files: per-material head alignment corrections, and their combination with the base
// alignment into the alignment in force.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "core/DrvPrint.h"
#include "platform/Files.h"
#include "settings/MaterialStore.h"
#include "settings/SaveGuard.h"
#include "settings/SetupSchema.h"

namespace {

const char* const kMaterialsDir = "Materials";
const char* const kMaterialPrefix = "Material-";
const char* const kMaterialSuffix = ".ini";
const char* const kMediaSection = "MEDIA";

// The head offsets and step offsets live in the first class's section; each class has its own
// section for the bidirectional differences.
std::string alignmentSection(unsigned c) { return "HEADALIGNMENT" + std::to_string(c); }

std::string parentDir(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// A base value and a hand-edited correction may add up beyond the int range.
int addSaturated(int a, int b) {
    const int64_t s = static_cast<int64_t>(a) + b;
    return static_cast<int>(std::clamp<int64_t>(s, INT_MIN, INT_MAX));
}

} // namespace

namespace settings {

void readMedia(CIniFile& ini, unsigned heads, MediaOffset& p) {
    heads = std::min(heads, kMaxHeads);
    CIniFile::Batch snapshot(ini); // every read from the copy as loaded, never a re-load per key
    const std::string first = alignmentSection(0);
    for (unsigned n = 1; n <= heads; ++n) {
        const std::string s = std::to_string(n);
        p.HeadOffsetXL[n - 1] = ini.ReadInt(first, "HeadOffsetXL" + s, 0);
        p.HeadOffsetXR[n - 1] = ini.ReadInt(first, "HeadOffsetXR" + s, 0);
        p.HeadOffsetY[n - 1] = ini.ReadInt(first, "HeadOffsetY" + s, 0);
    }
    for (unsigned k = 0; k < 8; ++k) p.StepOffset[k] = ini.ReadInt(first, "StepOffset" + std::to_string(k), 0);
    for (unsigned k = 0; k < 3; ++k)
        for (unsigned c = 0; c < kMediaDPIClasses; ++c)
            p.BiDifference[c][k] = ini.ReadInt(alignmentSection(c), "BiDifference" + std::to_string(k), 0);
    p.MediaWidth = ini.ReadInt(kMediaSection, "MediaWidth", 0);
    p.MediaDPI = ini.ReadInt(kMediaSection, "MediaDPI", 0);
}

int writeMedia(CIniFile& ini, unsigned heads, const MediaOffset& p) {
    heads = std::min(heads, kMaxHeads);
    CIniFile::Batch batch(ini);
    const std::string first = alignmentSection(0);
    for (unsigned n = 1; n <= heads; ++n) ini.WriteInt(first, "HeadOffsetXL" + std::to_string(n), p.HeadOffsetXL[n - 1]);
    for (unsigned n = 1; n <= heads; ++n) ini.WriteInt(first, "HeadOffsetXR" + std::to_string(n), p.HeadOffsetXR[n - 1]);
    for (unsigned n = 1; n <= heads; ++n) ini.WriteInt(first, "HeadOffsetY" + std::to_string(n), p.HeadOffsetY[n - 1]);
    for (unsigned k = 0; k < 8; ++k) ini.WriteInt(first, "StepOffset" + std::to_string(k), p.StepOffset[k]);
    for (unsigned k = 0; k < 3; ++k)
        for (unsigned c = 0; c < kMediaDPIClasses; ++c)
            ini.WriteInt(alignmentSection(c), "BiDifference" + std::to_string(k), p.BiDifference[c][k]);
    ini.WriteInt(kMediaSection, "MediaWidth", p.MediaWidth);
    ini.WriteInt(kMediaSection, "MediaDPI", p.MediaDPI);
    return batch.end();
}

} // namespace settings

std::string CDrvPrint::MediaFileName(const std::string& name) {
    return kMaterialPrefix + name + kMaterialSuffix;
}

std::string CDrvPrint::PRMMediaFilePath(const std::string& name) const {
    // The material file is rewritten at every job start: its name must not lead out of the folder.
    const std::string file = MediaFileName(name);
    if (!platform::isPlainFileName(file)) return {};
    return platform::joinPath(csBaseDir, std::string(kMaterialsDir) + "/" + file);
}

std::vector<std::string> CDrvPrint::PRMListMedia() const {
    std::vector<std::string> names;
    const std::string prefix = kMaterialPrefix, suffix = kMaterialSuffix;
    std::error_code ec;
    std::filesystem::directory_iterator it(platform::joinPath(csBaseDir, kMaterialsDir), ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        const std::string file = it->path().filename().string();
        if (file.size() < prefix.size() + suffix.size() || file.compare(0, prefix.size(), prefix) != 0 ||
            file.compare(file.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        names.push_back(file.substr(prefix.size(), file.size() - prefix.size() - suffix.size()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

int CDrvPrint::PRMMediaDPIClass(unsigned dpi) {
    switch (dpi) {
    case 180: case 181: return 0;
    case 240: return 1;
    case 360: case 363: return 2;
    case 720: return 3;
    default: return -1;
    }
}

unsigned CDrvPrint::PRMSetDPIClass(unsigned dpi) {
    const int c = PRMMediaDPIClass(dpi);
    if (c >= 0) uiDPIClass = static_cast<unsigned>(c);
    return uiDPIClass;
}

void CDrvPrint::PRMLoadMediaParams(MediaOffset* p) {
    if (!p) return;
    CIniFile ini;
    ini.SetFileName(p->csMediaFile);
    // One read of the file; readMedia reads only that copy, so a file replaced meanwhile cannot
    // mix two versions. A missing file leaves the copy empty: every key reads as 0.
    const bool read = !p->csMediaFile.empty() && (ini.Load() || !platform::pathExists(p->csMediaFile));
    p->csLoadedFrom = read ? p->csMediaFile : std::string();
    csMaterialWarning = p->csMediaFile.empty() ? std::string() : ini.LoadWarning();
    settings::readMedia(ini, setup::headBound(*this), *p);
}

int CDrvPrint::PRMSaveMediaParams(MediaOffset* p) {
    if (!p || p->csMediaFile.empty()) return 0;
    csSaveError = settings::overwriteProblem(p->csMediaFile, p->csLoadedFrom);
    if (!csSaveError.empty()) return 0;
    // A material saved from the dialog must not vanish because the folder was never made.
    const std::string dir = parentDir(platform::normalizePath(p->csMediaFile));
    if (!dir.empty()) platform::makeDirs(dir);

    // A fresh store starts empty: the file is replaced by exactly these keys, in one write.
    CIniFile ini;
    ini.SetFileName(p->csMediaFile);
    if (!settings::writeMedia(ini, setup::headBound(*this), *p)) {
        csSaveError = settings::writeFailure(p->csMediaFile);
        return 0;
    }
    p->csLoadedFrom = p->csMediaFile;
    return 1;
}

void CDrvPrint::PRMGetCurrentMediaParams() {
    const MediaOffset& m = mediaOffset;
    if (m.csMediaFile.empty()) return;
    for (unsigned k = 0; k < 8; ++k) headAlignment.StepOffset[k] = m.StepOffset[k];
    // Only the four known classes have differences; anything else keeps the ones in force.
    if (uiDPIClass < kMediaDPIClasses)
        for (unsigned k = 0; k < 3; ++k) headAlignment.BiDifference[k] = m.BiDifference[uiDPIClass][k];
    const unsigned heads = setup::headBound(*this);
    for (unsigned i = 0; i < heads; ++i) {
        headAlignment.HeadOffsetXL[i] = addSaturated(HeadOffsetXL[i], m.HeadOffsetXL[i]);
        headAlignment.HeadOffsetXR[i] = addSaturated(HeadOffsetXR[i], m.HeadOffsetXR[i]);
        headAlignment.HeadOffsetY[i] = addSaturated(HeadOffsetY[i], m.HeadOffsetY[i]);
    }
}
