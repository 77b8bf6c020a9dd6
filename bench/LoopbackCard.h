#pragma once
// A card channel for benchmarks that must not share the process with the virtual printer (its
// card memory and sheet would count in the process's memory): every call succeeds, a register
// reads back what was last written to it, the card's done bits read as done and its busy bits as
// idle, and bulk data is taken and dropped. The engine then runs every stage of a job, card
// transfers included, without a failed call (which would end the job).
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>

#include "hardware/CardChannel.h"
#include "hardware/CardRegisters.h"

namespace benchpass {

class LoopbackCard : public hw::CardChannel {
public:
    bool isOpen() const override { return true; }
    bool control(uint32_t code, const void* in, size_t inBytes, void* out, size_t outBytes, size_t* returned) override {
        const auto* w = static_cast<const uint8_t*>(in);
        std::lock_guard g(lock_);
        if (code == hw::kCtlWrite && inBytes >= 8) {
            // port + value, or pseudo-port + register + value
            const uint64_t key = inBytes >= 12 ? (uint64_t(hw::getWord(w)) << 32) | hw::getWord(w + 4) : hw::getWord(w);
            regs_[key] = hw::getWord(w + inBytes - 4);
        }
        uint32_t value = 0;
        if (code == hw::kCtlRead && inBytes >= 4) {
            const uint64_t key = inBytes >= 8 ? (uint64_t(hw::getWord(w)) << 32) | hw::getWord(w + 4) : hw::getWord(w);
            const auto it = regs_.find(key);
            value = it == regs_.end() ? 0 : it->second;
            if (key == hw::REG_PRINT_CONTROL) value |= (1u << hw::kPcFired) | (1u << hw::kPcWriteDone);
            if (key == hw::REG_MOTION) value &= ~(hw::kMotXBusyMask | hw::kMotYBusyMask);
            if (key == hw::REG_INPUT) value &= ~(1u << hw::kInStartPending);
        }
        if (out && outBytes >= 4) {
            std::memset(out, 0, outBytes);
            hw::putWord(static_cast<uint8_t*>(out), value);
        }
        if (returned) *returned = out ? outBytes : 0;
        return true;
    }
    bool write(const void*, size_t bytes, size_t* written) override {
        if (written) *written = bytes;
        return true;
    }

private:
    std::mutex lock_;
    std::map<uint64_t, uint32_t> regs_;
};

} // namespace benchpass
