#pragma once
// The process's devices: one card channel and one I/O card driver, opened once and used by every
// register primitive. Which device runs is chosen, in this order, by:
//   1. the program's --device option (setDeviceOption),
//   2. the environment variable CARVEX_DEVICE,
//   3. the base folder's registry store ("registry.ini", key "SOFTWARE\Carvex", value "Device"),
//      where a machine install names its device,
//   4. the virtual printer ("sim") when the program registered it, else "none".
// A choice is the name of a registered backend (the virtual printer registers "sim"), "none" (no
// card and no I/O card: every call fails), or the path of a Linux character device of the card's
// driver (no I/O card library exists there, so its I/O card acts as none).
// The engine fetches the channel for every call, so tests can swap in a fresh virtual printer
// (openDevices("sim")) or a wrapping channel (setCard) between cases.
#include <memory>
#include <string>

#include "hardware/CardChannel.h"
#include "hardware/DeviceBackend.h"
#include "hardware/DioDriver.h"

namespace hw {

// Registers (or replaces) a backend by its name. Programs call it before the devices are opened.
void registerDeviceBackend(DeviceBackend backend);
bool hasDeviceBackend(const std::string& name);

// The --device option of the program (empty: none given). When devices are already open with
// another choice they are reopened.
void setDeviceOption(const std::string& choice);

std::shared_ptr<CardChannel> card(); // never null
std::shared_ptr<DioDriver> dio();    // never null

void setCard(std::shared_ptr<CardChannel> channel);
void setDio(std::shared_ptr<DioDriver> driver);

// (Re)opens both backends. An empty choice resolves as above. With "sim" the process gets a
// brand-new virtual printer.
void openDevices(const std::string& choice = {});
// Lets the backend keep its machine state with a copy of hostFile (the printing status); nothing
// when no devices are open or the backend keeps no state.
void persistMachineState(const std::string& hostFile);
// The choice the current backends were opened with ("sim", "none", a device path).
std::string deviceChoice();

// Which device this process uses, for programs to show.
struct DeviceInfo {
    std::string choice;      // "sim", "none", or the device path
    std::string kind;        // "backend" (registered), "none", or "device" (character device)
    std::string description; // "virtual printer", "no card", "card driver device"
    std::string source;      // "--device", "CARVEX_DEVICE", "registry.ini", "default", or "set by program"
    bool cardOpen = false;
};
DeviceInfo deviceInfo();
// One line for the operator, e.g. "virtual printer (sim)" or "no card (none, from CARVEX_DEVICE)".
std::string deviceName();

// Opens a Linux character device as a card channel; isOpen() is false when the open failed.
std::shared_ptr<CardChannel> openDeviceChannel(const std::string& path);

// Where a machine install names its device in the registry store.
inline constexpr const char* kDeviceRegistryKey = "SOFTWARE\\Carvex";
inline constexpr const char* kDeviceRegistryValue = "Device";

} // namespace hw
