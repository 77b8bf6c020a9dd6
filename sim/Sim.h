#pragma once
// The process's virtual printer and the device backends bound to it. The channels always talk to
// the current machine, so a test gets a fresh one with newMachine() and the engine follows.
#include <memory>
#include <string>

#include "Machine.h"
#include "hardware/CardChannel.h"
#include "hardware/DioDriver.h"

namespace sim {

// The current machine (created with machineConfigFromEnvironment() on first use).
std::shared_ptr<Machine> machine();
// Replaces the current machine with a fresh one and returns it.
std::shared_ptr<Machine> newMachine();
std::shared_ptr<Machine> newMachine(MachineConfig cfg);

// The machine file of this process: CARVEX_MACHINE when set, else "machine.ini" in the working
// directory when it exists, else the defaults. A malformed file is reported and the defaults used.
MachineConfig machineConfigFromEnvironment(std::string* warning = nullptr);

std::shared_ptr<hw::CardChannel> cardChannel();
std::shared_ptr<hw::DioDriver> dioDriver();

} // namespace sim
