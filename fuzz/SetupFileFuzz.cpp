// libFuzzer target: arbitrary bytes as the setup file, read from a store of those bytes (no file),
// and (one input in eight) saved into that store and loaded back, twice. Saving may normalise what
// was loaded (floats to their written precision), but what the engine wrote it must read back the
// same: the second save writes the very bytes of the first. One input in a few hundred also goes
// through a file and the engine's PRMLoadParams, which must give what the store gave.
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

// What a save writes, read back as a file of those bytes would be. The save edits the copy as
// loaded, so the lines it did not understand stay (and are warned about again).
std::string saveAndLoad(CIniFile& ini, SetupSettings& s) {
    if (!setup::writeGroups(ini, s, setup::kAllGroups)) __builtin_trap();
    std::string text = ini.Text();
    ini.LoadBuffer(text);
    setup::loadSetup(ini, s);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CIniFile ini = fuzz::store("setup.ini", data, size);
    SetupSettings s;
    setup::loadSetup(ini, s);

    if (fuzz::rare(256)) {
        const std::string first = snapshot(s);
        CDrvPrint& d = fuzz::engine();
        fuzz::writeFile(fuzz::pathIn("setup.ini"), data, size);
        static_cast<SetupSettings&>(d) = SetupSettings{}; // nothing of the previous input is kept
        d.setupIni = CIniFile();
        d.setupIni.SetFileName("setup.ini");
        d.PRMLoadParams();
        if (snapshot(d) != first) __builtin_trap();
    }

    // A save and a load back cost some eight loads of a small input: one input in eight makes them,
    // so that the parser sees the more inputs.
    static fuzz::OneIn roundTrip(8);
    if (roundTrip()) {
        const std::string once = saveAndLoad(ini, s);
        if (!setup::writeGroups(ini, s, setup::kAllGroups) || ini.Text() != once) __builtin_trap();
    }

    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)CIniFile::LeadingInt(text);
    (void)CIniFile::LeadingFloat(text);
    return 0;
}
