// The auxiliary devices: tension rollers, cleaner and purge pumps, solvent purges, take-up outputs,
// UV lamps, the cleaning station and the buzzer. Each goes through the I/O card or through the
// card's REG_OUTPUT / REG_INPUT bits.
#include <array>

#include "core/DrvPrint.h"
#include "hardware/CardIo.h"
#include "hardware/CardRegisters.h"
#include "hardware/DioFunctions.h"
#include "platform/Clock.h"
#include "platform/Log.h"

using namespace hw;

namespace {

// REG_OUTPUT bits.
constexpr unsigned kOutTension1 = 2;  // active low
constexpr unsigned kOutCleaner = 3;
constexpr unsigned kOutTakeupRun = 4;
constexpr unsigned kOutTakeupMode = 5;
constexpr unsigned kOutPurge = 7;
constexpr unsigned kOutUVFirst = 8;   // lamps 1..4: bits 8..11
constexpr unsigned kOutTension2 = 11; // shares its bit with UV lamp 4
constexpr unsigned kOutValve11 = 12;
constexpr unsigned kOutStationUp = 14, kOutStationDown = 15;
constexpr unsigned kOutValveFirst = 16; // cleaning valves 3..10: bits 16..23

int wrote(bool ok) { return ok ? 1 : 0; }

// Where each cleaning-station input function reads: register and bit (0 port: none).
struct ClnInput {
    uint32_t port;
    unsigned bit;
};
constexpr std::array<ClnInput, 14> kClnGet = {{
    {0, 0},                                            // 0
    {REG_OUTPUT, 14}, {REG_OUTPUT, 15}, {REG_OUTPUT, 16}, {REG_OUTPUT, 17}, // 1..4
    {REG_INPUT, kInClean5}, {REG_INPUT, kInClean6},    // 5, 6
    {REG_OUTPUT, 20}, {REG_OUTPUT, 21}, {REG_OUTPUT, 22}, {REG_OUTPUT, 23}, // 7..10
    {REG_OUTPUT, kOutValve11},                         // 11
    {REG_INPUT, kInStationUp},                         // 12: station up
    {REG_INPUT, kInYHome},                             // 13: station down (same input as Y home)
}};

constexpr int kClnStop = 0, kClnUp = 1, kClnDown = 2, kClnValve11 = 11, kClnMoveAndWait = 12, kClnAllValves = 14;
constexpr int kClnInputUp = 12, kClnInputDown = 13;
constexpr unsigned kStationStartMs = 200, kStationPollMs = 10;

} // namespace

// ---------------------------------------------------------------------------------- tension

int CDrvPrint::AUXSetTension1(int on) {
    if (bUseDIOCard) return dioSet(dioCard, DIO_SET_TENSION_1, on) == 1 ? 1 : 0;
    return wrote(setBit(REG_OUTPUT, kOutTension1, !on));
}

int CDrvPrint::AUXCheckTension1() {
    if (bUseDIOCard) return dioGet(dioCard, DIO_GET_TENSION_1);
    return readBit(REG_OUTPUT, kOutTension1) == 0 ? 1 : 0;
}

int CDrvPrint::AUXSetTension2(int on) { return wrote(setBit(REG_OUTPUT, kOutTension2, on != 0)); }

int CDrvPrint::AUXCheckTension2() { return readBit(REG_OUTPUT, kOutTension2); }

// ---------------------------------------------------------------------------------- cleaner and purges

int CDrvPrint::AUXSetCleaner(int on) {
    return wrote(setBit(REG_OUTPUT, bSwapCleanerPurge ? kOutPurge : kOutCleaner, on != 0));
}

int CDrvPrint::AUXCheckCleaner() { return readBit(REG_OUTPUT, bSwapCleanerPurge ? kOutPurge : kOutCleaner); }

int CDrvPrint::AUXSetPurge(int on) {
    if (bUseDIOCard == 1) {
        const int a = dioSet(dioCard, DIO_SET_INK_PURGE, on);
        const int b = dioSet(dioCard, DIO_SET_PUMP_COMMON, on);
        return a == 1 && b == 1 ? 1 : 0;
    }
    return wrote(setBit(REG_OUTPUT, bSwapCleanerPurge ? kOutCleaner : kOutPurge, on != 0));
}

int CDrvPrint::AUXCheckPurge() {
    if (bUseDIOCard == 1) return dioGet(dioCard, DIO_GET_INK_PURGE);
    return readBit(REG_OUTPUT, bSwapCleanerPurge ? kOutCleaner : kOutPurge);
}

int CDrvPrint::AUXSetPurgeSolvent(int on) { return dioSet(dioCard, DIO_SET_SOLVENT_PURGE, on) == 1 ? 1 : 0; }

int CDrvPrint::AUXCheckPurgeSolvent() { return dioGet(dioCard, DIO_GET_SOLVENT_PURGE); }

int CDrvPrint::AUXSetPurgeSolventMain(int on) {
    const int a = dioSet(dioCard, DIO_SET_MAIN_SOLVENT_PURGE, on);
    const int b = dioSet(dioCard, DIO_SET_PUMP_COMMON, on);
    return a == 1 && b == 1 ? 1 : 0;
}

int CDrvPrint::AUXCheckPurgeSolventMain() { return dioGet(dioCard, DIO_GET_MAIN_SOLVENT_PURGE); }

// ---------------------------------------------------------------------------------- take-up

int CDrvPrint::AUXSetTakeup(int mode, int run) {
    uint32_t out = 0;
    if (!tryReadRegister(REG_OUTPUT, out)) return 0; // outputs unknown: nothing switched
    const bool modeNow = (out >> kOutTakeupMode) & 1u, runNow = (out >> kOutTakeupRun) & 1u;
    // The take-up thread calls this every 50 ms: an unchanged output is not rewritten.
    bool ok = true;
    if (modeNow != (mode != 0)) ok = setBit(REG_OUTPUT, kOutTakeupMode, mode != 0);
    if (runNow != (run != 0)) ok = setBit(REG_OUTPUT, kOutTakeupRun, run != 0) && ok;
    return ok ? 1 : 0;
}

int CDrvPrint::AUXGetTakeup(int* mode, int* run) {
    const uint32_t out = static_cast<uint32_t>(readRegister(REG_OUTPUT));
    if (mode) *mode = int((out >> kOutTakeupMode) & 1u);
    if (run) *run = int((out >> kOutTakeupRun) & 1u);
    return 1;
}

// ---------------------------------------------------------------------------------- UV lamps

int CDrvPrint::AUXUVSet(int lamp, unsigned on) {
    if (lamp < 1 || lamp > 4) return 0;
    return wrote(setBit(REG_OUTPUT, kOutUVFirst + unsigned(lamp - 1), on != 0));
}

int CDrvPrint::AUXUVGet(int which) {
    if (which >= 1 && which <= 4) return readBit(REG_OUTPUT, kOutUVFirst + unsigned(which - 1));
    if (which == 5) return readBit(REG_INPUT, kInXWarning);
    if (which == 6) return readBit(REG_INPUT, kInYWarning);
    return 0;
}

// ---------------------------------------------------------------------------------- cleaning station

int CDrvPrint::AUXCLNSet(int function, int value) {
    if (!bCLNBoard) return 0;
    const uint32_t motor = (1u << kOutStationUp) | (1u << kOutStationDown);
    switch (function) {
    case kClnStop: return wrote(updateBits(REG_OUTPUT, motor, 0));
    // One write for both motor lines: never both on, not even for a moment.
    case kClnUp: return wrote(updateBits(REG_OUTPUT, motor, 1u << kOutStationUp));
    case kClnDown: return wrote(updateBits(REG_OUTPUT, motor, 1u << kOutStationDown));
    case kClnValve11: return wrote(setBit(REG_OUTPUT, kOutValve11, value != 0));
    case kClnMoveAndWait: {
        const int target = value ? kClnInputUp : kClnInputDown;
        if (AUXCLNGet(target) == 1) return 1;
        AUXCLNSet(value ? kClnUp : kClnDown, 1);
        platform::sleepMs(kStationStartMs);
        // A station that never arrives (jammed, unplugged) must not hang the caller.
        const uint32_t start = platform::tickMs();
        bool arrived = false;
        while (!(arrived = AUXCLNGet(target) == 1) && platform::tickMs() - start < kStationTimeoutMs)
            platform::sleepMs(kStationPollMs);
        AUXCLNSet(kClnStop, 0);
        if (!arrived) {
            platform::logf(platform::LogLevel::Warn, "cleaning station did not reach the %s end within %u ms",
                           value ? "upper" : "lower", unsigned(kStationTimeoutMs));
            return 0;
        }
        return 1;
    }
    case kClnAllValves:
        AUXCLNSet(kClnValve11, value);
        for (int f = 3; f <= 10; ++f) AUXCLNSet(f, value);
        return 0;
    default:
        if (function >= 3 && function <= 10)
            return wrote(setBit(REG_OUTPUT, kOutValveFirst + unsigned(function - 3), value != 0));
        return 0;
    }
}

int CDrvPrint::AUXCLNGet(int function) {
    if (function < 1 || function >= int(kClnGet.size())) return 0;
    const ClnInput& in = kClnGet[size_t(function)];
    return readBit(in.port, in.bit);
}

// ---------------------------------------------------------------------------------- buzzer

void CDrvPrint::AUXSetAlarmSound(unsigned times, unsigned ms) {
    if (!bUseDIOCard) return;
    for (unsigned i = 0; i < times; ++i) {
        dioSet(dioCard, DIO_SET_BUZZER, 1);
        platform::sleepMs(ms);
        dioSet(dioCard, DIO_SET_BUZZER, 0);
        platform::sleepMs(ms);
    }
}
