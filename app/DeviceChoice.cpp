#include "DeviceChoice.h"

#include <cstdlib>

#include "hardware/Devices.h"

namespace orvix {

std::string chooseDevice(const std::string& requested) {
    if (!requested.empty()) ::setenv("CARVEX_DEVICE", requested.c_str(), 1);
    hw::openDevices(requested);
    return hw::deviceChoice();
}

bool deviceIsVirtual() { return hw::deviceChoice() == "sim"; }

} // namespace orvix
