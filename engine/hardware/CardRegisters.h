#pragma once
// The print-controller card's register map as the engine uses it (byte offsets, "ports"), the DSP
// motion registers behind pseudo-port 1009, and the fixed words written to them.
// Header-only: the virtual card implements the same map.
#include <cstdint>

namespace hw {

enum CardPort : uint32_t {
    REG_TEST = 0x180,
    REG_CONTROL = 0x1C0,
    REG_PRINT_CONTROL = 0x200,
    REG_MEMORY_ADDRESS = 0x204,
    REG_PRINT_PARAM_1 = 0x208,
    REG_PRINT_PARAM_2 = 0x20C,
    REG_X_ENCODER = 0x210,
    REG_OUTPUT = 0x218,
    REG_INPUT = 0x21C,
    REG_MOTION = 0x220,
    REG_MOTION_2 = 0x224,
    REG_HEADS_COMMAND = 0x228,
    REG_MOVED_POSITION = 0x22C,
    REG_X_DISTANCE = 0x230,
    REG_Y_DISTANCE = 0x238,
    REG_HEADS_STATE = 0x240,   // also head-board data out 0
    REG_HEADS_DATA_OUT = 0x240, // data out 0..3 at +0, +4, +8, +12
    REG_HEADS_DATA_IN = 0x250,  // data in 0..3 at +0, +4, +8, +12
};

enum DspRegister : uint32_t {
    DSP_X_DISTANCE_HIGH = 0x80,
    DSP_X_DISTANCE_LOW = 0x81,
    DSP_X_SPEED = 0x82,
    DSP_X_ACC_TIME = 0x83,
    DSP_STATUS = 0x84,
    DSP_Y_DISTANCE_HIGH = 0x86,
    DSP_Y_DISTANCE_LOW = 0x87,
    DSP_Y_SPEED = 0x88,
    DSP_Y_ACC_TIME = 0x89,
    DSP_COMMAND = 0x8A,
};

enum DspCommand : uint32_t { DSP_START_X = 1, DSP_STOP_X = 2, DSP_START_Y = 5, DSP_STOP_Y = 6 };

// Bits of REG_PRINT_CONTROL.
constexpr unsigned kPcFlash = 1;      // flash jetting on
constexpr unsigned kPcFired = 3;      // the programmed window has been fired (read)
constexpr unsigned kPcStartMode = 4;  // start-print mode
constexpr unsigned kPcStartReset = 5; // start-print reset (pulsed)
constexpr unsigned kPcWriteDone = 7;  // memory write done (read)
constexpr unsigned kPcWriteGate = 8;  // memory write enable
constexpr unsigned kPcShiftShift = 16;   // bits 16..23 encoder shift
constexpr unsigned kPcDividerShift = 24; // bits 24..27 fire divider
constexpr unsigned kPcFlashCodeShift = 28; // bits 28..31 flash frequency code
constexpr uint32_t kPcDividerMask = 0x0F000000;

// Bits of REG_INPUT.
constexpr unsigned kInXWarning = 0, kInYWarning = 1, kInLeftLimit = 2, kInRightLimit = 3, kInEmergency = 4,
                   kInMedia = 5, kInYHome = 6, kInStationUp = 7, kInClean5 = 18, kInClean6 = 19,
                   kInStartPending = 31;
// Bits of REG_OUTPUT.
constexpr unsigned kOutXDirection = 0, kOutYDirection = 1;

// Bits of REG_MOTION (card generation 1).
constexpr unsigned kMotXRun = 0, kMotSlowEnable = 4, kMotSlowSelect = 5, kMotYRun = 16;
constexpr uint32_t kMotXBusyMask = 0x0000000C, kMotYBusyMask = 0x000C0000;

// Fixed words.
constexpr uint32_t kControlInit = 0x07FFFFFF;
constexpr uint32_t kDspResetHold = 0x3F00077F;
constexpr uint32_t kDspResetRelease = 0x3F0007FF;
constexpr uint32_t kPulseHigh = 0x370007FD;
constexpr uint32_t kPulseLow = 0x370007DD; // bit 5 low: the card latches new motion on the next high
constexpr uint32_t kControlRmwOr = 0x00FFFF00; // ORed into REG_CONTROL before a single-bit change
constexpr uint32_t kTestPattern = 0xE6C01FF0;
constexpr uint32_t kEncoderLoadFlags[4] = {0, 0x800000, 0xC00000, 0xA00000};
constexpr uint32_t kPositionMask = 0x1FFFF; // 17-bit carriage positions

constexpr uint32_t kDspLoadArg1 = 4157, kDspLoadArg2 = 4096;

constexpr uint32_t kBulkChunkBytes = 32768;

} // namespace hw
