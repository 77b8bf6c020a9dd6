#pragma once
// Drives the virtual printer the way the driver's callers do: through its card channel.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "hardware/CardChannel.h"
#include "hardware/CardRegisters.h"
#include "platform/Clock.h"
#include "sim/Sim.h"
#include "testsupport/ScratchDir.h"

namespace simtest {

inline uint32_t rd(uint32_t port) {
    uint8_t in[4], out[4];
    hw::putWord(in, port);
    size_t n = 0;
    EXPECT_TRUE(sim::machine()->control(hw::kCtlRead, in, 4, out, 4, &n));
    return hw::getWord(out);
}
inline void wr(uint32_t port, uint32_t v) {
    uint8_t in[8];
    hw::putWord(in, port);
    hw::putWord(in + 4, v);
    EXPECT_TRUE(sim::machine()->control(hw::kCtlWrite, in, 8, nullptr, 0, nullptr));
}
inline uint32_t rdDsp(uint32_t reg) {
    uint8_t in[8], out[4];
    hw::putWord(in, hw::kDspPort);
    hw::putWord(in + 4, reg);
    EXPECT_TRUE(sim::machine()->control(hw::kCtlRead, in, 8, out, 4, nullptr));
    return hw::getWord(out);
}
inline void wrDsp(uint32_t reg, uint32_t v) {
    uint8_t in[12];
    hw::putWord(in, hw::kDspPort);
    hw::putWord(in + 4, reg);
    hw::putWord(in + 8, v);
    EXPECT_TRUE(sim::machine()->control(hw::kCtlWrite, in, 12, nullptr, 0, nullptr));
}
inline void pulse() {
    wr(hw::REG_CONTROL, hw::kPulseHigh);
    wr(hw::REG_CONTROL, hw::kPulseLow);
    wr(hw::REG_CONTROL, hw::kPulseHigh);
}
inline void setOutBit(unsigned bit, bool on) {
    uint32_t v = rd(hw::REG_OUTPUT);
    wr(hw::REG_OUTPUT, on ? v | (1u << bit) : v & ~(1u << bit));
}
// Generation-0 X move: direction bit, motor pulses, speed value, acceleration time (ms).
inline void moveXDsp(int dirBit, uint32_t pulses, uint32_t speed, uint32_t accMs) {
    setOutBit(0, dirBit);
    wrDsp(hw::DSP_X_DISTANCE_HIGH, pulses >> 16);
    wrDsp(hw::DSP_X_DISTANCE_LOW, pulses & 0xFFFF);
    wrDsp(hw::DSP_X_SPEED, speed);
    wrDsp(hw::DSP_X_ACC_TIME, accMs);
    wrDsp(hw::DSP_COMMAND, hw::DSP_START_X);
    pulse();
}
inline void moveYDsp(int dirBit, uint32_t pulses, uint32_t speed) {
    setOutBit(1, dirBit);
    wrDsp(hw::DSP_Y_DISTANCE_HIGH, pulses >> 16);
    wrDsp(hw::DSP_Y_DISTANCE_LOW, pulses & 0xFFFF);
    wrDsp(hw::DSP_Y_SPEED, speed);
    wrDsp(hw::DSP_COMMAND, hw::DSP_START_Y);
    pulse();
}
// Polls a busy test with 1 ms sleeps; returns false after limitMs of virtual time.
template <class F> bool waitWhile(F busy, uint32_t limitMs = 60000) {
    const uint32_t start = platform::tickMs();
    while (busy()) {
        if (platform::tickMs() - start > limitMs) return false;
        platform::sleepMs(1);
    }
    return true;
}
inline bool waitX() { return waitWhile([] { return rdDsp(hw::DSP_STATUS) & 1; }); }
inline bool waitY() { return waitWhile([] { return rdDsp(hw::DSP_STATUS) & 0x10; }); }

class SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("CARVEX_MACHINE");
        platform::setTimeScale(100);
        m = sim::newMachine(sim::MachineConfig{});
        scratch = std::make_unique<testsupport::ScratchDir>("carvex-sim");
        dir = scratch->path();
    }
    void TearDown() override {
        scratch.reset();
        platform::setTimeScale(1);
    }
    std::shared_ptr<sim::Machine> m;
    std::unique_ptr<testsupport::ScratchDir> scratch;
    std::string dir;
};

} // namespace simtest
