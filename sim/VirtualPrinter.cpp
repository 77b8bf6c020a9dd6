#include "VirtualPrinter.h"

#include <cstdio>

#include "Sim.h"
#include "StatePersist.h"

namespace sim {

hw::DeviceBackend virtualPrinterBackend() {
    hw::DeviceBackend b;
    b.name = "sim";
    b.description = "virtual printer";
    b.open = [] {
        newMachine();
        std::string why;
        if (!restoreMachine(&why)) std::fprintf(stderr, "virtual printer state not restored: %s\n", why.c_str());
        return hw::DeviceSet{cardChannel(), dioDriver()};
    };
    b.persist = [](const std::string& hostFile) {
        std::string why;
        persistMachine(hostFile, &why); // a machine still moving keeps its last state
    };
    return b;
}

} // namespace sim
