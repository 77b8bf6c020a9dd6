#pragma once
// The register primitives every hardware operation goes through. They reach the process's card
// channel (hardware/Devices.h) and turn its failures into the documented values:
//   read register: value, -2 when the call fails, -1 when no card is open (every bit then reads 1);
//   read DSP register: value, -1 when the call fails, 0 when no card is open;
//   writes: true on success.
#include <cstdint>
#include <mutex>
#include <span>

#include "hardware/CardRegisters.h"

namespace hw {

int32_t readRegister(uint32_t port);
// The same read that tells a failed or impossible call apart from a value.
bool tryReadRegister(uint32_t port, uint32_t& value);
bool writeRegister(uint32_t port, uint32_t value);
// 1 when the bit is set in the value read (so 1 without a card), else 0.
int readBit(uint32_t port, unsigned bit);
// Read-modify-write of one bit; on REG_CONTROL the value read is first ORed with 0x00FFFF00.
// Each read-modify-write holds a process-wide lock, so threads changing different bits of the
// same register never lose each other's change. A read that fails writes nothing and gives false:
// its failure value (all ones) written back would switch on every output of the register.
bool setBit(uint32_t port, unsigned bit, bool on);
// The same for several bits at once: the bits of mask take their values from bits.
bool updateBits(uint32_t port, uint32_t mask, uint32_t bits);
// The same with a function of the value read (a field of several bits, a masked rewrite):
// writes change(value read); false, writing nothing, when the read fails.
bool rewriteRegister(uint32_t port, uint32_t (*change)(uint32_t value, uint32_t arg), uint32_t arg);

// Card calls that failed in this process (reads, writes, bulk writes; no card counts too). A job
// or an operation compares it before and after: any failed call means the card did not do what
// the engine asked, so the job cannot be trusted to have printed what it says.
uint64_t cardFaults();
// The value read AND 0x1FFFF.
uint32_t readPosition(uint32_t port);

int32_t readDsp(uint32_t reg);
bool writeDsp(uint32_t reg, uint32_t value);
// A three-word write on a pseudo-port (1009 DSP register, 1010 DSP start command).
bool writePseudo(uint32_t pseudoPort, uint32_t reg, uint32_t value);

bool loadFpga();
bool loadDsp(uint32_t arg1, uint32_t arg2);

// A register write followed by a wait (ms, on the platform clock).
struct RegWrite {
    uint32_t value;
    uint32_t waitMs = 0;
};
// Writes the values in order with their waits: the one helper for the fixed register dances
// (DSP reset, encoder load, motion interrupt pulse). True when every write succeeded.
bool writeSequence(uint32_t port, std::span<const RegWrite> steps);

// The process-wide lock that keeps the three writes of the motion interrupt pulse together.
std::mutex& motionLock();
// The motion interrupt pulse on REG_CONTROL (under motionLock): the card latches new motion.
bool interruptPulse();

// Polls bit 7 of REG_PRINT_CONTROL until it is set; false after timeoutMs (platform clock) or when
// the card cannot be read. Never waits unbounded.
constexpr uint32_t kMemoryWriteTimeoutMs = 2000;
bool waitMemoryWriteDone(uint32_t timeoutMs = kMemoryWriteTimeoutMs);

// Sends data to card memory in chunks of 32768 bytes (the last one shorter). For each chunk: close
// the transfer gate (bit 8), set REG_MEMORY_ADDRESS = (chunk bytes AND 0x3FC00) << 14 + address,
// open the gate, write the chunk, wait for memory-write done. The card address advances by the
// chunk's byte offset divided by addressUnit (2 or 4 bytes per address). True only when every
// chunk was written and acknowledged; it stops at the first failure.
bool bulkWrite(std::span<const uint8_t> data, uint32_t cardAddress, unsigned addressUnit);
// One chunk of bulkWrite (at most kBulkChunkBytes) without its wait: the caller may prepare the
// next chunk while this one crosses the bus, and must call waitMemoryWriteDone before the next.
bool startMemoryWrite(std::span<const uint8_t> chunk, uint32_t cardAddress);

} // namespace hw
