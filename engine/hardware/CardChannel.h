#pragma once
// The print-controller card's driver channel: the driver's four control codes, each with a byte
// buffer in and a byte buffer out, and bulk writes of card memory data. One channel is open per
// process (hardware/Devices.h); the engine never knows which backend runs behind it.
//
// Header-only on purpose: the virtual printer implements it without linking the engine.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace hw {

// Control codes: device type 0x22, "neither" buffering, any access.
constexpr uint32_t kCtlLoadDsp = 0x220003;  // in: 4157, 4096, unused word; out: 4 bytes
constexpr uint32_t kCtlRead = 0x220007;     // in: port (4 bytes) or 1009 + DSP register (8); out: value
constexpr uint32_t kCtlWrite = 0x22000B;    // in: port + value (8) or pseudo-port + register + value (12)
constexpr uint32_t kCtlLoadFpga = 0x22000F; // in: 8 bytes of zero

constexpr uint32_t kDspPort = 1009;      // pseudo-port of the DSP motion registers
constexpr uint32_t kDspStartPort = 1010; // pseudo-port of the DSP start command

class CardChannel {
public:
    virtual ~CardChannel() = default;
    // True while the device is open (a handle that is neither null nor invalid).
    virtual bool isOpen() const = 0;
    // One control call. `returned` (may be null) receives the bytes placed in `out`.
    virtual bool control(uint32_t code, const void* in, size_t inBytes, void* out, size_t outBytes,
                         size_t* returned) = 0;
    // One bulk write of card memory data (the target address was set through the registers).
    virtual bool write(const void* data, size_t bytes, size_t* written) = 0;
};

// Argument block of the Linux character device's ioctl: the same control code is the ioctl request
// and this block carries the caller's buffers (the driver copies them in and out itself).
struct CardIoctl {
    uint64_t in;       // user address of the input buffer
    uint64_t out;      // user address of the output buffer
    uint32_t inBytes;
    uint32_t outBytes;
    uint32_t returned; // set by the driver
    uint32_t reserved;
};

// Words on the channel are 32-bit little-endian.
inline void putWord(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}
inline uint32_t getWord(const void* src) {
    const auto* p = static_cast<const uint8_t*>(src);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace hw
