// libFuzzer target: arbitrary bytes as a head temperature/voltage file, read from a store of
// those bytes (no file). Once written (to their stored precision), the values read back write the
// same bytes again (checked for one input in four). One input in a few hundred also goes through
// a file and PRMLoadHTVParams, which must give the engine the values the store gave.
#include <algorithm>
#include <cstdint>

#include "FuzzSupport.h"
#include "settings/HeadVoltageStore.h"

namespace {

// The bytes a save of the values writes.
std::string saved(const settings::HeadVoltages& v) {
    CIniFile out = fuzz::store("Out.ini", nullptr, 0);
    if (!settings::writeHeadVoltages(out, v)) __builtin_trap();
    return out.Text();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CIniFile ini = fuzz::store("In.ini", data, size);
    if (!ini.OpenResult()) __builtin_trap(); // any bytes within the size limit are taken
    settings::HeadVoltages v;
    settings::readHeadVoltages(ini, v);

    if (fuzz::rare(256)) {
        CDrvPrint& d = fuzz::engine();
        static const bool made = platform::makeDirs(fuzz::pathIn("HeadsTempVolt"));
        if (!made) __builtin_trap();
        d.csHtv = "In";
        fuzz::writeFile(d.PRMHTVFilePath(), data, size);
        d.PRMLoadHTVParams();
        if (d.csHtvFile.empty()) __builtin_trap(); // the file is there and readable
        settings::HeadVoltages e;
        e.bEnable = d.bHTVEnable;
        std::copy(std::begin(d.HTVVoltageDefine), std::end(d.HTVVoltageDefine), e.VoltageDefine);
        std::copy(std::begin(d.HTVVoltageOffset), std::end(d.HTVVoltageOffset), e.VoltageOffset);
        std::copy(std::begin(d.HTVColorChannel), std::end(d.HTVColorChannel), e.ColorChannel);
        std::copy(std::begin(d.HTVHeadChannel), std::end(d.HTVHeadChannel), e.HeadChannel);
        e.VoltageDefault = d.fHTVVoltageDefault;
        e.VoltageDACUnit = d.fHTVVoltageDACUnit;
        if (!(e == v)) __builtin_trap();
    }

    // Written once, the values read back are the ones that write the same bytes again. Two saves
    // and a load of the whole file cost several loads of a small input: one input in four.
    static fuzz::OneIn roundTrip(4);
    if (!roundTrip()) return 0;
    const std::string once = saved(v);
    CIniFile back = fuzz::store("Out.ini", reinterpret_cast<const uint8_t*>(once.data()), once.size());
    if (!back.LoadWarning().empty()) __builtin_trap(); // the engine's own file is understood whole
    settings::HeadVoltages again;
    settings::readHeadVoltages(back, again);
    if (saved(again) != once) __builtin_trap();
    return 0;
}
