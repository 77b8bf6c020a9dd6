#pragma once
// Where the card's driver reads its firmware images: CARVEX_DRIVER_DIR when set, else the folder
// "driver" in the engine's base directory. The engine stages the images there while the driver
// loads them (the virtual card reads them from the same place).
#include <cstdlib>
#include <string>

namespace hw {

inline std::string driverDirectory(const std::string& baseDir) {
    if (const char* env = std::getenv("CARVEX_DRIVER_DIR"); env && *env) return env;
    if (baseDir.empty()) return "driver";
    return baseDir.back() == '/' ? baseDir + "driver" : baseDir + "/driver";
}

inline constexpr const char* kFpgaImageName = "apsc.rbf";
inline constexpr const char* kDspImageName = "dsp.bin";

} // namespace hw
