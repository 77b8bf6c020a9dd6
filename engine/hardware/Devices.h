#pragma once
// The process's device backends, chosen once by CARVEX_DEVICE (or openDevices):
//   sim  (default)  the in-process virtual printer (card, I/O card, head boards, machine);
//   none            no card and no I/O card: every call fails;
//   a device path   a Linux character device of the card's driver (control codes through ioctl,
//                   bulk data through write); no I/O card library exists there, so it acts as none.
// The engine fetches the channel for every call, so tests can swap in a fresh virtual printer
// (openDevices("sim")) or a wrapping channel (setCard) between cases.
#include <memory>
#include <string>

#include "hardware/CardChannel.h"
#include "hardware/DioDriver.h"

namespace hw {

std::shared_ptr<CardChannel> card(); // never null
std::shared_ptr<DioDriver> dio();    // never null

void setCard(std::shared_ptr<CardChannel> channel);
void setDio(std::shared_ptr<DioDriver> driver);

// (Re)opens both backends. An empty choice takes CARVEX_DEVICE, then "sim". With "sim" the process
// gets a brand-new virtual printer (sim::machine() returns it).
void openDevices(const std::string& choice = {});
// With the virtual printer and CARVEX_SIM_STATE set, saves the machine there together with a copy
// of hostFile (the printing status); see sim/StatePersist.h. Nothing when no devices are open.
void persistMachineState(const std::string& hostFile);
// The choice the current backends were opened with.
std::string deviceChoice();

// Opens a Linux character device as a card channel; isOpen() is false when the open failed.
std::shared_ptr<CardChannel> openDeviceChannel(const std::string& path);

} // namespace hw
