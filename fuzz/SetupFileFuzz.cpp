// libFuzzer target: arbitrary bytes as the setup file, loaded whole by the engine (the settings
// store is instrumented with the rest of the engine), then saved and loaded, twice. Saving may
// normalise what was loaded (floats to their written precision), but what the engine wrote it
// must read back the same: the second and third loads agree.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "platform/IniFile.h"
#include "settings/SetupSchema.h"

namespace {

// Every setting as the console shows it, in schema order.
std::string snapshot(CDrvPrint& d) {
    std::string all;
    for (const setup::KeyDef& k : setup::schema())
        if (setup::inUse(k, d)) all += k.section + "." + k.key + "=" + setup::displayText(k, d) + "\n";
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CDrvPrint& d = fuzz::engine();
    fuzz::writeFile(fuzz::pathIn("setup.ini"), data, size);
    d.setupIni = CIniFile(); // a fresh store: nothing of the previous input is kept
    d.setupIni.SetFileName("setup.ini");
    d.PRMLoadParams();
    if (!d.PRMSaveParams()) __builtin_trap();
    d.PRMLoadParams();
    const std::string second = snapshot(d);
    if (!d.PRMSaveParams()) __builtin_trap();
    d.PRMLoadParams();
    if (snapshot(d) != second) __builtin_trap();

    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)CIniFile::LeadingInt(text);
    (void)CIniFile::LeadingFloat(text);
    return 0;
}
