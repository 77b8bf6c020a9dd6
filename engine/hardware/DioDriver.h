#pragma once
// The digital I/O card maker's driver library, as the few DRV_* calls the engine makes. Ports 0 and 1
// are inputs, ports 4 and 5 outputs (reading an output port returns what was written). Every call
// returns 0 on success or an error code that DRV_GetErrorMessage turns into text.
//
// Header-only on purpose: the virtual printer implements it without linking the engine.
#include <cstddef>
#include <cstdint>

namespace hw {

constexpr int32_t kDioSuccess = 0;
constexpr int32_t kDioErrNoDevice = 1;  // no card, or the card is not open
constexpr int32_t kDioErrBadLine = 2;   // port or bit out of range
constexpr int32_t kDioErrBadHandle = 3;
constexpr size_t kDioErrorTextBytes = 256;

// One entry of the library's device list.
struct DioDeviceEntry {
    uint32_t deviceNumber = 0;
    char deviceName[50] = {};
    int16_t subDevices = 0;
};

class DioDriver {
public:
    virtual ~DioDriver() = default;
    virtual int32_t DRV_DeviceGetNumOfList(int16_t* count) = 0;
    // Fills at most maxEntries entries; `filled` receives how many.
    virtual int32_t DRV_DeviceGetList(DioDeviceEntry* list, int16_t maxEntries, int16_t* filled) = 0;
    virtual int32_t DRV_DeviceOpen(uint32_t deviceNumber, int32_t* handle) = 0;
    virtual int32_t DRV_DioReadBit(int32_t handle, uint16_t port, uint16_t bit, uint16_t* state) = 0;
    virtual int32_t DRV_DioWriteBit(int32_t handle, uint16_t port, uint16_t bit, uint16_t state) = 0;
    virtual int32_t DRV_ReadPortByte(int32_t handle, uint16_t address, uint16_t* value) = 0;
    // Writes a NUL-terminated text of at most kDioErrorTextBytes bytes.
    virtual int32_t DRV_GetErrorMessage(int32_t code, char* text) = 0;
};

} // namespace hw
