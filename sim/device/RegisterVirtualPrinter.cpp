// Linked into programs (tests, benchmarks, the command line) as an object: the virtual printer is
// registered before main runs, so the engine can open it as its default device.
#include "sim/VirtualPrinter.h"

namespace {
const bool registered = (sim::registerVirtualPrinter(), true);
} // namespace
