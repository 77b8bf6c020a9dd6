#pragma once
// Helpers shared by the motion files: the busy tests of both card generations, clock deadlines,
// and the few calls into other subsystems that motion makes.
#include <algorithm>
#include <cstdint>

#include "core/DrvPrint.h"
#include "hardware/CardIo.h"
#include "hardware/CardRegisters.h"
#include "platform/Clock.h"

namespace motion {

// A time limit on the platform clock (virtual time, so it holds at any time scale).
class Deadline {
public:
    explicit Deadline(uint32_t ms) : start_(platform::nowUs()), limitUs_(uint64_t(ms) * 1000) {}
    bool passed() const { return platform::nowUs() - start_ >= limitUs_; }
    uint32_t elapsedMs() const { return static_cast<uint32_t>((platform::nowUs() - start_) / 1000); }
    uint32_t leftMs() const {
        const uint32_t e = elapsedMs();
        return e >= limitUs_ / 1000 ? 0 : static_cast<uint32_t>(limitUs_ / 1000) - e;
    }

private:
    uint64_t start_, limitUs_;
};

// The axis busy tests. Generation 0 reads DSP_STATUS (X bit 0, Y bit 4), generation 1 REG_MOTION
// (X bits 2-3, Y bits 18-19). A card that cannot be read moves nothing: it reads "stopped", so no
// wait can hang on a missing card (a read of all ones would otherwise look busy for ever).
inline bool axisBusy(const CDrvPrint& d, bool yAxis) {
    if (d.uiPcicardMode == 0) {
        const int32_t s = hw::readDsp(hw::DSP_STATUS);
        if (s == -1) return false; // the call failed
        return (static_cast<uint32_t>(s) >> (yAxis ? 4 : 0)) & 1u;
    }
    uint32_t m = 0;
    if (!hw::tryReadRegister(hw::REG_MOTION, m)) return false;
    return (m & (yAxis ? hw::kMotYBusyMask : hw::kMotXBusyMask)) != 0;
}
inline bool xBusy(const CDrvPrint& d) { return axisBusy(d, false); }
inline bool yBusy(const CDrvPrint& d) { return axisBusy(d, true); }

// Speed table entry of an index, the index held to 0..4.
inline int speedEntry(const int (&table)[5], int index) { return table[std::clamp(index, 0, 4)]; }

// Stop and pause requests of the print loop (the flags PRNCheckStop and PRNCheckPause return).
inline bool stopRequested(const CDrvPrint& d) { return d.bStop.load() != 0; }
inline bool pauseRequested(const CDrvPrint& d) { return d.bPause.load() != 0; }

// Flash jetting on at a frequency code (0: off). Uses the engine's IMGSetFlashPrint where the card
// memory subsystem provides it; otherwise the same register change: keep only the fire divider,
// and for a code put it in bits 28-31 and set the flash bit.
template <class D> void setFlash(D& d, unsigned code) {
    if constexpr (requires { d.IMGSetFlashPrint(code); }) {
        d.IMGSetFlashPrint(code);
    } else {
        uint32_t v = static_cast<uint32_t>(hw::readRegister(hw::REG_PRINT_CONTROL)) & hw::kPcDividerMask;
        hw::writeRegister(hw::REG_PRINT_CONTROL, v);
        if (code > 0) {
            v = (v & 0x0FFFFFFFu) + ((code & 0xFu) << hw::kPcFlashCodeShift);
            hw::writeRegister(hw::REG_PRINT_CONTROL, v);
            hw::setBit(hw::REG_PRINT_CONTROL, hw::kPcFlash, true);
        }
    }
}

// A cleaning cycle after homing, where the maintenance subsystem provides it.
template <class D> void headsCleaning(D& d) {
    if constexpr (requires { d.PRNHeadsCleaning(); }) d.PRNHeadsCleaning();
}

} // namespace motion
