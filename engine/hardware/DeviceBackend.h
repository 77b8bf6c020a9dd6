#pragma once
// A kind of device the engine can run on, registered by the program that links it (the virtual
// printer, a test double). The engine itself knows only the "none" backend (no card) and Linux
// character devices of the card's driver; everything else is registered by name.
//
// Header-only on purpose: the virtual printer builds its backend without linking the engine.
#include <functional>
#include <memory>
#include <string>

#include "hardware/CardChannel.h"
#include "hardware/DioDriver.h"

namespace hw {

// What an opened backend hands the engine.
struct DeviceSet {
    std::shared_ptr<CardChannel> card; // null: no card
    std::shared_ptr<DioDriver> dio;    // null: no I/O card
};

struct DeviceBackend {
    std::string name;        // the choice that selects it (--device, CARVEX_DEVICE, registry store)
    std::string description; // what the operator is told, e.g. "virtual printer"
    // Opens a fresh instance (called again when the devices are reopened).
    std::function<DeviceSet()> open;
    // Optional: keeps the machine's own state together with a copy of hostFile (the printing
    // status), for a backend that outlives its process that way.
    std::function<void(const std::string& hostFile)> persist;
};

} // namespace hw
