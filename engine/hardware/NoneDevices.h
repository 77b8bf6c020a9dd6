#pragma once
// The "none" backends: no print-controller card and no I/O card. Every call fails, so the register
// primitives give their documented failure values and the I/O card layer its errors.
#include <cstdio>

#include "hardware/CardChannel.h"
#include "hardware/DioDriver.h"

namespace hw {

class NoneCardChannel : public CardChannel {
public:
    bool isOpen() const override { return false; }
    bool control(uint32_t, const void*, size_t, void*, size_t, size_t* returned) override {
        if (returned) *returned = 0;
        return false;
    }
    bool write(const void*, size_t, size_t* written) override {
        if (written) *written = 0;
        return false;
    }
};

class NoneDioDriver : public DioDriver {
public:
    int32_t DRV_DeviceGetNumOfList(int16_t* count) override {
        if (count) *count = 0;
        return kDioErrNoDevice;
    }
    int32_t DRV_DeviceGetList(DioDeviceEntry*, int16_t, int16_t* filled) override {
        if (filled) *filled = 0;
        return kDioErrNoDevice;
    }
    int32_t DRV_DeviceOpen(uint32_t, int32_t* handle) override {
        if (handle) *handle = 0;
        return kDioErrNoDevice;
    }
    int32_t DRV_DioReadBit(int32_t, uint16_t, uint16_t, uint16_t* state) override {
        if (state) *state = 0;
        return kDioErrNoDevice;
    }
    int32_t DRV_DioWriteBit(int32_t, uint16_t, uint16_t, uint16_t) override { return kDioErrNoDevice; }
    int32_t DRV_ReadPortByte(int32_t, uint16_t, uint16_t* value) override {
        if (value) *value = 0;
        return kDioErrNoDevice;
    }
    int32_t DRV_GetErrorMessage(int32_t code, char* text) override {
        if (text) std::snprintf(text, kDioErrorTextBytes, "I/O card error %d: no I/O card", static_cast<int>(code));
        return kDioSuccess;
    }
};

} // namespace hw
