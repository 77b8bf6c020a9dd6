#include "DeviceChoice.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

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

std::string deviceLockPath() {
    const hw::DeviceInfo info = hw::deviceInfo();
    if (info.kind != "device") return {};
    std::error_code ec;
    std::string real = std::filesystem::weakly_canonical(info.choice, ec).string();
    if (ec || real.empty()) real = info.choice;
    // "/dev/carvex0" gives "orvix-dev_carvex0.lock".
    const size_t from = real.find_first_not_of('/');
    std::string name = "orvix-";
    for (char c : real.substr(from == std::string::npos ? real.size() : from)) name += (c == '/' || c == ' ') ? '_' : c;
    name += ".lock";
    std::string dir;
    if (const char* env = std::getenv("CARVEX_LOCK_DIR"); env && *env) dir = env;
    else if (::access("/run/lock", W_OK) == 0) dir = "/run/lock";
    else dir = std::filesystem::temp_directory_path(ec).string();
    return (std::filesystem::path(dir) / name).string();
}

bool deviceIsVirtual() { return hw::deviceInfo().kind == "backend" && hw::deviceChoice() == "sim"; }

} // namespace orvix
