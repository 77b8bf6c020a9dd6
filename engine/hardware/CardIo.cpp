#include "hardware/CardIo.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "hardware/Devices.h"
#include "platform/Clock.h"
#include "platform/Log.h"

namespace hw {
namespace {

std::atomic<uint64_t> gCardFaults{0};

bool counted(bool ok) {
    if (!ok) gCardFaults.fetch_add(1, std::memory_order_relaxed);
    return ok;
}

bool controlWrite(const uint8_t* in, size_t bytes) {
    auto ch = card();
    if (!ch->isOpen()) return counted(false);
    size_t returned = 0;
    return counted(ch->control(kCtlWrite, in, bytes, nullptr, 0, &returned));
}

} // namespace

namespace {

// 0 read, -1 no card, -2 failed call.
int readChecked(uint32_t port, uint32_t& value) {
    auto ch = card();
    if (!ch->isOpen()) return counted(false), -1;
    uint8_t in[4], out[4] = {};
    putWord(in, port);
    size_t returned = 0;
    if (!counted(ch->control(kCtlRead, in, sizeof in, out, sizeof out, &returned))) return -2;
    value = getWord(out);
    return 0;
}

} // namespace

int32_t readRegister(uint32_t port) {
    uint32_t v = 0;
    int r = readChecked(port, v);
    return r ? r : static_cast<int32_t>(v);
}

bool tryReadRegister(uint32_t port, uint32_t& value) { return readChecked(port, value) == 0; }

bool writeRegister(uint32_t port, uint32_t value) {
    uint8_t in[8];
    putWord(in, port);
    putWord(in + 4, value);
    return controlWrite(in, sizeof in);
}

int readBit(uint32_t port, unsigned bit) {
    uint32_t v = static_cast<uint32_t>(readRegister(port));
    return (v >> bit) & 1u;
}

namespace {
// Serialises the read-modify-writes of registers shared by several threads (outputs, control).
std::mutex& rmwLock() {
    static std::mutex m;
    return m;
}
} // namespace

uint64_t cardFaults() { return gCardFaults.load(std::memory_order_relaxed); }

bool rewriteRegister(uint32_t port, uint32_t (*change)(uint32_t value, uint32_t arg), uint32_t arg) {
    std::lock_guard g(rmwLock());
    uint32_t v = 0;
    if (!tryReadRegister(port, v)) {
        platform::logf(platform::LogLevel::Error, "card register 0x%03X not read: left unchanged", unsigned(port));
        return false;
    }
    return writeRegister(port, change(v, arg));
}

bool updateBits(uint32_t port, uint32_t mask, uint32_t bits) {
    std::lock_guard g(rmwLock());
    uint32_t v = 0;
    if (!tryReadRegister(port, v)) {
        platform::logf(platform::LogLevel::Error, "card register 0x%03X not read: bits 0x%08X left unchanged",
                       unsigned(port), unsigned(mask));
        return false;
    }
    if (port == REG_CONTROL) v |= kControlRmwOr;
    v = (v & ~mask) | (bits & mask);
    return writeRegister(port, v);
}

bool setBit(uint32_t port, unsigned bit, bool on) {
    const uint32_t mask = 1u << (bit & 31u);
    return updateBits(port, mask, on ? mask : 0u);
}

uint32_t readPosition(uint32_t port) { return static_cast<uint32_t>(readRegister(port)) & kPositionMask; }

int32_t readDsp(uint32_t reg) {
    auto ch = card();
    if (!ch->isOpen()) return counted(false), 0;
    uint8_t in[8], out[4] = {};
    putWord(in, kDspPort);
    putWord(in + 4, reg);
    size_t returned = 0;
    if (!counted(ch->control(kCtlRead, in, sizeof in, out, sizeof out, &returned))) return -1;
    return static_cast<int32_t>(getWord(out));
}

bool writePseudo(uint32_t pseudoPort, uint32_t reg, uint32_t value) {
    uint8_t in[12];
    putWord(in, pseudoPort);
    putWord(in + 4, reg);
    putWord(in + 8, value);
    return controlWrite(in, sizeof in);
}

bool writeDsp(uint32_t reg, uint32_t value) { return writePseudo(kDspPort, reg, value); }

bool loadFpga() {
    auto ch = card();
    if (!ch->isOpen()) return false;
    uint8_t in[8] = {};
    size_t returned = 0;
    return ch->control(kCtlLoadFpga, in, sizeof in, nullptr, 0, &returned);
}

bool loadDsp(uint32_t arg1, uint32_t arg2) {
    auto ch = card();
    if (!ch->isOpen()) return false;
    uint8_t in[12] = {}, out[4] = {};
    putWord(in, arg1);
    putWord(in + 4, arg2);
    size_t returned = 0;
    return ch->control(kCtlLoadDsp, in, sizeof in, out, sizeof out, &returned);
}

bool writeSequence(uint32_t port, std::span<const RegWrite> steps) {
    bool ok = true;
    for (const auto& s : steps) {
        ok = writeRegister(port, s.value) && ok;
        if (s.waitMs) platform::sleepMs(s.waitMs);
    }
    return ok;
}

std::mutex& motionLock() {
    static std::mutex m;
    return m;
}

bool interruptPulse() {
    static constexpr RegWrite pulse[] = {{kPulseHigh}, {kPulseLow}, {kPulseHigh}};
    std::lock_guard g(motionLock());
    return writeSequence(REG_CONTROL, pulse);
}

namespace {
constexpr unsigned kSpinPolls = 4096;
} // namespace

bool waitMemoryWriteDone(uint32_t timeoutMs) {
    const uint64_t start = platform::nowUs();
    const uint64_t limit = uint64_t(timeoutMs) * 1000;
    for (unsigned polls = 0;; ++polls) {
        uint32_t v = 0;
        if (!tryReadRegister(REG_PRINT_CONTROL, v)) return false; // the bit cannot be trusted then
        if ((v >> kPcWriteDone) & 1u) return true;
        if (platform::nowUs() - start >= limit) {
            platform::logf(platform::LogLevel::Warn, "card memory write not acknowledged within %u ms", timeoutMs);
            return counted(false);
        }
        // A 32 KiB chunk needs some 300 us on the bus: poll (yielding the core) through that time,
        // then back off. A sleep per poll would oversleep every chunk of a pass.
        if (polls > kSpinPolls) platform::sleepUs(50);
        else if (polls > 64) std::this_thread::yield();
    }
}

bool startMemoryWrite(std::span<const uint8_t> chunk, uint32_t cardAddress) {
    if (chunk.size() > kBulkChunkBytes) return false;
    auto ch = card();
    if (!ch->isOpen()) return counted(false);
    const uint32_t descriptor = ((static_cast<uint32_t>(chunk.size()) & 0x3FC00u) << 14) + cardAddress;
    if (!setBit(REG_PRINT_CONTROL, kPcWriteGate, false)) return false;
    if (!writeRegister(REG_MEMORY_ADDRESS, descriptor)) return false;
    if (!setBit(REG_PRINT_CONTROL, kPcWriteGate, true)) return false;
    size_t written = 0;
    return counted(ch->write(chunk.data(), chunk.size(), &written) && written == chunk.size());
}

bool bulkWrite(std::span<const uint8_t> data, uint32_t cardAddress, unsigned addressUnit) {
    if (addressUnit == 0) addressUnit = 2;
    for (size_t offset = 0; offset < data.size(); offset += kBulkChunkBytes) {
        const size_t chunk = std::min<size_t>(kBulkChunkBytes, data.size() - offset);
        const uint32_t address = cardAddress + static_cast<uint32_t>(offset / addressUnit);
        if (!startMemoryWrite(data.subspan(offset, chunk), address)) return false;
        if (!waitMemoryWriteDone()) return false;
    }
    return true;
}

} // namespace hw
