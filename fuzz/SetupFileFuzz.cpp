// libFuzzer target: arbitrary bytes as the setup file, read from a store of those bytes (no file),
// then saved into that store and loaded back, twice. Saving may normalise what was loaded (floats
// to their written precision), but what the engine wrote it must read back the same: the second
// and third loads agree. One input in a few hundred also goes through a file and the engine's
// PRMLoadParams, which must give what the store gave.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "platform/IniFile.h"
#include "settings/SetupSchema.h"
#include "settings/SetupStore.h"

namespace {

// Every setting as the console shows it, in schema order.
std::string snapshot(const SetupSettings& s) {
    std::string all;
    for (const setup::KeyDef& k : setup::schema())
        if (setup::inUse(k, s)) all += k.section + "." + k.key + "=" + setup::displayText(k, s) + "\n";
    return all;
}

// What a save writes, read back as a file of those bytes would be.
void saveAndLoad(CIniFile& ini, SetupSettings& s) {
    if (!setup::writeGroups(ini, s, setup::kAllGroups)) __builtin_trap();
    ini.LoadBuffer(ini.Text());
    if (!ini.LoadWarning().empty()) __builtin_trap(); // the engine's own file is understood whole
    setup::loadSetup(ini, s);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CIniFile ini = fuzz::store("setup.ini", data, size);
    SetupSettings s;
    setup::loadSetup(ini, s);
    const std::string first = snapshot(s);

    if (fuzz::rare(256)) {
        CDrvPrint& d = fuzz::engine();
        fuzz::writeFile(fuzz::pathIn("setup.ini"), data, size);
        static_cast<SetupSettings&>(d) = SetupSettings{}; // nothing of the previous input is kept
        d.setupIni = CIniFile();
        d.setupIni.SetFileName("setup.ini");
        d.PRMLoadParams();
        if (snapshot(d) != first) __builtin_trap();
    }

    saveAndLoad(ini, s);
    const std::string second = snapshot(s);
    saveAndLoad(ini, s);
    if (snapshot(s) != second) __builtin_trap();

    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)CIniFile::LeadingInt(text);
    (void)CIniFile::LeadingFloat(text);
    return 0;
}
