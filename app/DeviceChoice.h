#pragma once
// Which device backend drives the machine. Kept in one place: the programs register the virtual
// printer as a backend; this is the only function of the application that knows how.
#include <string>

namespace orvix {

// Chooses the device (`--device`, else CARVEX_DEVICE, else the registry store, else the virtual printer) before the engine
// is made, and returns the choice ("sim", "none" or a device path).
std::string chooseDevice(const std::string& requested);
// True when the virtual printer stands in for the machine.
bool deviceIsVirtual();
// The lock file that keeps a second program off the card this process drives: "" for the virtual
// printer and "none" (the base folder's own lock is the machine's then), else a file in the
// system's lock folder (CARVEX_LOCK_DIR, /run/lock, or the temporary folder) named after the
// device's real path, so every name of one device gives the same lock.
std::string deviceLockPath();

} // namespace orvix
