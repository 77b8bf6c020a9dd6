#include "Sim.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

#include "hardware/DriverDir.h"

namespace sim {
namespace {

std::mutex& holderLock() {
    static std::mutex m;
    return m;
}
std::shared_ptr<Machine>& holder() {
    static std::shared_ptr<Machine> m;
    return m;
}

std::string workingDir() {
    char buf[4096];
    return ::getcwd(buf, sizeof buf) ? std::string(buf) : std::string(".");
}

class SimCardChannel : public hw::CardChannel {
public:
    bool isOpen() const override { return machine()->cardOpen(); }
    bool control(uint32_t code, const void* in, size_t inBytes, void* out, size_t outBytes, size_t* returned) override {
        return machine()->control(code, in, inBytes, out, outBytes, returned);
    }
    bool write(const void* data, size_t bytes, size_t* written) override {
        return machine()->bulkWrite(data, bytes, written);
    }
};

class SimDioDriver : public hw::DioDriver {
public:
    int32_t DRV_DeviceGetNumOfList(int16_t* count) override {
        bool present = machine()->dioPresent();
        if (count) *count = present ? 1 : 0;
        return present ? hw::kDioSuccess : hw::kDioErrNoDevice;
    }
    int32_t DRV_DeviceGetList(hw::DioDeviceEntry* list, int16_t maxEntries, int16_t* filled) override {
        if (filled) *filled = 0;
        if (!machine()->dioPresent()) return hw::kDioErrNoDevice;
        if (list && maxEntries > 0) {
            list[0] = {};
            std::snprintf(list[0].deviceName, sizeof list[0].deviceName, "PCI-1751 virtual I/O=%XH",
                          unsigned(machine()->config().dioBase));
            list[0].subDevices = 0;
            if (filled) *filled = 1;
        }
        return hw::kDioSuccess;
    }
    int32_t DRV_DeviceOpen(uint32_t deviceNumber, int32_t* handle) override {
        if (deviceNumber != 0) {
            if (handle) *handle = 0;
            return hw::kDioErrNoDevice;
        }
        return machine()->dioOpen(handle);
    }
    int32_t DRV_DioReadBit(int32_t handle, uint16_t port, uint16_t bit, uint16_t* state) override {
        return machine()->dioReadBit(handle, port, bit, state);
    }
    int32_t DRV_DioWriteBit(int32_t handle, uint16_t port, uint16_t bit, uint16_t state) override {
        return machine()->dioWriteBit(handle, port, bit, state);
    }
    int32_t DRV_ReadPortByte(int32_t handle, uint16_t address, uint16_t* value) override {
        return machine()->dioReadPortByte(handle, address, value);
    }
    int32_t DRV_GetErrorMessage(int32_t code, char* text) override {
        static const char* texts[] = {"success", "I/O card not found or not open", "no such I/O line",
                                      "invalid device handle"};
        if (text) {
            const char* t = code >= 0 && code < 4 ? texts[code] : "unknown I/O card error";
            std::snprintf(text, hw::kDioErrorTextBytes, "%s", t);
        }
        return hw::kDioSuccess;
    }
};

} // namespace

MachineConfig machineConfigFromEnvironment(std::string* warning) {
    MachineConfig cfg;
    std::string path;
    if (const char* env = std::getenv("CARVEX_MACHINE"); env && *env) {
        path = env;
    } else {
        std::string local = workingDir() + "/machine.ini";
        if (::access(local.c_str(), R_OK) == 0) path = local;
    }
    if (!path.empty()) {
        std::string error;
        MachineConfig loaded;
        if (loadMachineFile(path, loaded, &error)) cfg = std::move(loaded);
        else if (warning) *warning = error;
        else std::fprintf(stderr, "virtual printer: %s; using the default machine\n", error.c_str());
    }
    return cfg;
}

std::shared_ptr<Machine> machine() {
    std::lock_guard g(holderLock());
    auto& m = holder();
    if (!m) m = std::make_shared<Machine>(machineConfigFromEnvironment(), hw::driverDirectory(workingDir()));
    return m;
}

std::shared_ptr<Machine> newMachine(MachineConfig cfg) {
    auto m = std::make_shared<Machine>(std::move(cfg), hw::driverDirectory(workingDir()));
    std::lock_guard g(holderLock());
    holder() = m;
    return m;
}

std::shared_ptr<Machine> newMachine() { return newMachine(machineConfigFromEnvironment()); }

std::shared_ptr<hw::CardChannel> cardChannel() { return std::make_shared<SimCardChannel>(); }
std::shared_ptr<hw::DioDriver> dioDriver() { return std::make_shared<SimDioDriver>(); }

} // namespace sim
