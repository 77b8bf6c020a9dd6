#pragma once
// The virtual printer as a device backend named "sim". A program that links carvexsim registers it
// once, before the engine opens its devices:
//
//     #include "sim/VirtualPrinter.h"
//     sim::registerVirtualPrinter();
//
// Linking the object library carvexsim_device does the same from a static object (test binaries
// and benchmarks use that). Registering twice is harmless.
#include "hardware/DeviceBackend.h"
#include "hardware/Devices.h"

namespace sim {

// The backend: opening it gives the process a brand-new machine (with the state kept in
// CARVEX_SIM_STATE put back, StatePersist.h); its persist hook saves the machine there.
hw::DeviceBackend virtualPrinterBackend();

inline void registerVirtualPrinter() { hw::registerDeviceBackend(virtualPrinterBackend()); }

} // namespace sim
