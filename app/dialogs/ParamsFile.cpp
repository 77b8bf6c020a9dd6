#include "dialogs/ParamsFile.h"

#include <algorithm>
#include <memory>

#include "core/DrvPrint.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "settings/SetupSchema.h"

namespace orvix {

namespace {

// Copies one key's member between two settings objects, exactly (no text round trip).
void copyKey(const setup::KeyDef& k, SetupSettings& from, SetupSettings& to) {
    switch (k.store) {
    case setup::Store::Int: *static_cast<int*>(k.member(to)) = *static_cast<int*>(k.member(from)); break;
    case setup::Store::Unsigned:
        *static_cast<unsigned*>(k.member(to)) = *static_cast<unsigned*>(k.member(from));
        break;
    case setup::Store::Float: *static_cast<float*>(k.member(to)) = *static_cast<float*>(k.member(from)); break;
    case setup::Store::String:
        *static_cast<std::string*>(k.member(to)) = *static_cast<std::string*>(k.member(from));
        break;
    }
}

bool inFile(const setup::KeyDef& k) {
    const auto& s = paramsFileSections();
    return std::find(s.begin(), s.end(), k.section) != s.end();
}

// The key lines of a section as the file holds them (first occurrence wins, as for every read).
bool sectionLines(const std::vector<std::string>& lines, const std::string& section,
                  std::vector<std::pair<std::string, std::string>>& out, bool& found) {
    found = false;
    bool in = false;
    for (const std::string& raw : lines) {
        const std::string line = CIniFile::Trim(raw);
        if (line.empty()) continue;
        if (line.front() == '[') {
            const size_t close = line.find(']');
            const std::string name = close == std::string::npos ? "" : CIniFile::Trim(line.substr(1, close - 1));
            if (in) return true; // the first section of this name only
            in = name == section;
            found = found || in;
            continue;
        }
        if (!in) continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos) return false;
        out.emplace_back(CIniFile::Trim(line.substr(0, eq)), CIniFile::Trim(line.substr(eq + 1)));
    }
    return true;
}

} // namespace

const std::vector<std::string>& paramsFileSections() {
    // What the sheet's pages edit: print mode, cleaning, colour bar, footer, media, position,
    // movement and the head alignment.
    static const std::vector<std::string> s = {"BASEHEADALIGNMENT", "HEADALIGNMENT", "MOVEMENT", "FOOTER", "CLEANING",
                                               "COLORBAR",          "MEDIA",         "PRINTMODE", "POSITION"};
    return s;
}

bool saveParamsFile(CDrvPrint& d, const std::string& path, std::string& error) {
    // A fresh store: the file holds exactly these sections, written in one atomic replacement.
    CIniFile ini;
    ini.SetFileName(path);
    CIniFile::Batch batch(ini);
    for (const std::string& section : setup::sectionOrder()) {
        const auto& s = paramsFileSections();
        if (std::find(s.begin(), s.end(), section) == s.end()) continue;
        ini.WriteString(section, setup::kHiKey, setup::kHiValue);
        for (const setup::KeyDef* k : setup::saveOrder(section))
            if (setup::inUse(*k, d)) setup::saveKey(*k, ini, d);
    }
    if (!batch.end()) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

bool loadParamsFile(CDrvPrint& d, const std::string& path, std::string& error) {
    CIniFile ini;
    ini.SetFileName(path);
    if (!platform::fileExists(path)) {
        error = "no such file: " + path;
        return false;
    }
    if (!ini.Load()) {
        error = "cannot read " + path;
        return false;
    }
    if (!ini.LoadWarning().empty()) {
        error = ini.LoadWarning();
        return false;
    }
    const std::vector<std::string> lines = ini.Lines();
    // Every value goes into a copy first; the engine takes the copy only when all of them fit.
    auto copy = std::make_unique<SetupSettings>(static_cast<SetupSettings&>(d));
    // The head count bounds the per-head keys: it is taken first.
    bool anySection = false;
    for (const std::string& section : paramsFileSections()) {
        std::vector<std::pair<std::string, std::string>> keys;
        bool found = false;
        if (!sectionLines(lines, section, keys, found)) {
            error = "[" + section + "]: a line without \"=\"";
            return false;
        }
        anySection = anySection || found;
        std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
            return (a.first == "HEADS") > (b.first == "HEADS");
        });
        std::vector<std::string> seen;
        for (const auto& [key, value] : keys) {
            if (key == setup::kHiKey) continue;
            if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue; // the first line wins
            seen.push_back(key);
            const setup::KeyDef* k = setup::findKey(section, key);
            if (!k) {
                error = "[" + section + "] " + key + ": not a setting";
                return false;
            }
            if (!setup::setText(*k, *copy, value)) {
                error = "[" + section + "] " + key + "=" + value + ": not a valid value";
                return false;
            }
        }
    }
    if (!anySection) {
        error = path + " holds no settings";
        return false;
    }
    if (copy->HEADS == 0 || copy->HEADS > kMaxHeads) {
        error = "[BASEHEADALIGNMENT] HEADS=" + std::to_string(copy->HEADS) + ": 1 to 24 heads";
        return false;
    }
    if (!(copy->fMMPerXStep > 0.0f) || !(copy->fMMPerYStep > 0.0f) || !(copy->fXStepToMM > 0.0f) ||
        !(copy->fYStepToMM > 0.0f)) {
        error = "[MOVEMENT]: step sizes must be above 0";
        return false;
    }
    for (const setup::KeyDef& k : setup::schema())
        if (inFile(k)) copyKey(k, *copy, d);
    d.PRMDeriveParams();
    return true;
}

} // namespace orvix
