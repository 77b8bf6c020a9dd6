// libFuzzer target: arbitrary bytes as a head temperature/voltage file. Loading never crashes;
// once the engine has written the values (to their stored precision), it reads back the same.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "FuzzSupport.h"

namespace {

std::vector<float> values(const CDrvPrint& d) {
    std::vector<float> v;
    v.push_back(float(d.bHTVEnable));
    for (unsigned i = 0; i < kMaxHeads; ++i) {
        v.push_back(d.HTVVoltageDefine[i]);
        v.push_back(d.HTVVoltageOffset[i]);
        v.push_back(float(d.HTVColorChannel[i]));
        v.push_back(float(d.HTVHeadChannel[i]));
    }
    v.push_back(d.fHTVVoltageDefault);
    v.push_back(d.fHTVVoltageDACUnit);
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CDrvPrint& d = fuzz::engine();
    static const bool made = platform::makeDirs(fuzz::pathIn("HeadsTempVolt"));
    if (!made) __builtin_trap();
    d.csHtv = "In";
    fuzz::writeFile(d.PRMHTVFilePath(), data, size);
    d.PRMLoadHTVParams();
    if (d.csHtvFile.empty()) __builtin_trap(); // the file is there and readable
    d.csHtv = "Out";
    // Written as a new file: the engine replaces a file only with settings read from it.
    std::remove(d.PRMHTVFilePath().c_str());
    if (!d.PRMSaveHTVParams()) __builtin_trap();
    d.PRMLoadHTVParams();
    const std::vector<float> once = values(d);
    if (!d.PRMSaveHTVParams()) __builtin_trap();
    d.PRMLoadHTVParams();
    if (values(d) != once) __builtin_trap();
    return 0;
}
