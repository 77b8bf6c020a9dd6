#include "DeviceChoice.h"

#include "hardware/Devices.h"
#include "sim/VirtualPrinter.h"

namespace orvix {

std::string chooseDevice(const std::string& requested) {
    // The application always offers the virtual printer; which device runs is then chosen by the
    // engine's rules (--device, CARVEX_DEVICE, the registry store, else the virtual printer).
    sim::registerVirtualPrinter();
    hw::setDeviceOption(requested);
    hw::openDevices();
    return hw::deviceChoice();
}

bool deviceIsVirtual() { return hw::deviceInfo().kind == "backend" && hw::deviceChoice() == "sim"; }

} // namespace orvix
