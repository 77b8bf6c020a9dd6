#include "hardware/DIOCard.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <vector>

#include "hardware/Devices.h"
#include "platform/Log.h"
#include "platform/Prompter.h"
#include "platform/Registry.h"

namespace {

// What the driver library keeps for the process: one open device at a time.
struct DioState {
    std::mutex lock;
    uint16_t baseAddress = 0;
    int32_t handle = 0; // 0 while no device is open
    std::array<hw::DioDeviceEntry, CDIOCard::kMaxDevices> devices{};
    int16_t deviceCount = 0;
    int deviceIndex = 0;
    int32_t lastError = 0;
    char errorText[hw::kDioErrorTextBytes] = {};
};

DioState& state() {
    static DioState s;
    return s;
}

// Fetches the library's text of a failed call into the shared buffer (lock held).
void fetchError(DioState& s, hw::DioDriver& drv, int32_t code) {
    s.lastError = code;
    s.errorText[0] = 0;
    drv.DRV_GetErrorMessage(code, s.errorText);
    s.errorText[sizeof s.errorText - 1] = 0; // a library that overruns its text must not run us off the end
}

} // namespace

int CDIOCard::Open(const std::string& baseDir) {
    auto drv = hw::dio();
    DioState& s = state();
    std::vector<std::string> toShow; // shown once the lock is released: the operator may take a while
    {
        std::lock_guard g(s.lock);
        s.handle = 0;
        s.deviceIndex = 0;
        s.deviceCount = 0;
        const int base = platform::readRegistryInt(baseDir, kBaseAddressKey, kBaseAddressValue, 0);
        s.baseAddress = static_cast<uint16_t>(base);
        if (s.baseAddress == 0) toShow.push_back("ADDRESS NOT BE FOUND!");

        int16_t count = 0;
        int32_t rc = drv->DRV_DeviceGetNumOfList(&count);
        if (rc != hw::kDioSuccess) {
            fetchError(s, *drv, rc);
            toShow.push_back(s.errorText);
        }
        count = std::clamp<int16_t>(count, 0, kMaxDevices);
        int16_t filled = 0;
        rc = drv->DRV_DeviceGetList(s.devices.data(), count, &filled);
        if (rc != hw::kDioSuccess) {
            fetchError(s, *drv, rc);
            toShow.push_back(s.errorText);
        }
        s.deviceCount = std::clamp<int16_t>(filled, 0, count);
        int32_t handle = 0;
        // The first device of the list; an empty list still tries device 0 as the library would.
        const uint32_t number = s.deviceCount > 0 ? s.devices[0].deviceNumber : 0;
        rc = drv->DRV_DeviceOpen(number, &handle);
        if (rc != hw::kDioSuccess || handle == 0) {
            if (rc != hw::kDioSuccess) fetchError(s, *drv, rc);
            s.handle = 0;
            toShow.push_back("DIO Card be not found!");
        } else {
            s.handle = handle;
            platform::logf(platform::LogLevel::Info, "I/O card open: base 0x%X", unsigned(s.baseAddress));
        }
    }
    for (const auto& t : toShow) platform::messageBox(t);
    return 1;
}

int CDIOCard::WriteBit(unsigned port, unsigned bit, unsigned st) {
    auto drv = hw::dio();
    DioState& s = state();
    std::lock_guard g(s.lock);
    const int32_t rc = drv->DRV_DioWriteBit(s.handle, uint16_t(port), uint16_t(bit), uint16_t(st ? 1 : 0));
    if (rc == hw::kDioSuccess) return 1;
    fetchError(s, *drv, rc);
    return -1;
}

int CDIOCard::ReadBit(unsigned port, unsigned bit) {
    auto drv = hw::dio();
    DioState& s = state();
    std::lock_guard g(s.lock);
    uint16_t v = 0;
    const int32_t rc = drv->DRV_DioReadBit(s.handle, uint16_t(port), uint16_t(bit), &v);
    if (rc != hw::kDioSuccess) {
        fetchError(s, *drv, rc);
        return 0;
    }
    return v ? 1 : 0;
}

int CDIOCard::ReadByte(unsigned address) {
    auto drv = hw::dio();
    DioState& s = state();
    std::lock_guard g(s.lock);
    uint16_t v = 0;
    const int32_t rc = drv->DRV_ReadPortByte(s.handle, uint16_t(address), &v);
    if (rc != hw::kDioSuccess) {
        fetchError(s, *drv, rc);
        return 0;
    }
    return v & 0xFF;
}

bool CDIOCard::IsOpen() {
    std::lock_guard g(state().lock);
    return state().handle != 0;
}

uint16_t CDIOCard::BaseAddress() {
    std::lock_guard g(state().lock);
    return state().baseAddress;
}

int32_t CDIOCard::LastError() {
    std::lock_guard g(state().lock);
    return state().lastError;
}

std::string CDIOCard::LastErrorText() {
    std::lock_guard g(state().lock);
    return state().errorText;
}

std::string CDIOCard::DeviceName() {
    DioState& s = state();
    std::lock_guard g(s.lock);
    if (!s.handle || s.deviceCount <= 0) return {};
    const auto& name = s.devices[size_t(s.deviceIndex)].deviceName;
    return std::string(name, strnlen(name, sizeof name));
}
