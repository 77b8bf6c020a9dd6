// The I/O card of the virtual printer: input ports 0 and 1 from the machine's switches and
// sensors, output ports 4 and 5 driving its devices, and the counter bytes.
#include <cstdarg>
#include <cstdio>

#include "Machine.h"
#include "hardware/DioDriver.h"

namespace sim {

using namespace hw;

bool Machine::dioPresent() const {
    std::lock_guard g(lock_);
    return !dioAbsent_;
}

int32_t Machine::dioOpen(int32_t* handle) {
    std::lock_guard g(lock_);
    if (handle) *handle = 0;
    if (dioAbsent_) return kDioErrNoDevice;
    advance();
    dioOpen_ = true;
    if (handle) *handle = 1;
    log("dio", "I/O card opened");
    return kDioSuccess;
}

bool Machine::dioLevel(unsigned port, unsigned bit) {
    const std::string& s = dioSource_[port * 8 + bit];
    const double x = x_.posAt(t_);
    bool takeupLevel;
    if (takeup_.level(s, takeupLevel)) return takeupLevel;
    if (s == "1") return true;
    if (s == "estop") return estop_;
    if (s == "slowzone") return !(x <= cfg_.slowZoneMM || x >= cfg_.travelMM - cfg_.slowZoneMM);
    if (s == "wiper-out-n") return wiperAt(t_) < 1;
    if (s == "wiper-in-n") return wiperAt(t_) > 0;
    return false;
}

int32_t Machine::dioReadBit(int32_t handle, uint16_t port, uint16_t bit, uint16_t* state) {
    std::lock_guard g(lock_);
    if (state) *state = 0;
    if (dioAbsent_ || !dioOpen_) return kDioErrNoDevice;
    if (handle != 1) return kDioErrBadHandle;
    if (bit > 7) return kDioErrBadLine;
    advance();
    uint16_t v;
    if (port <= 1) v = dioLevel(port, bit);
    else if (port == 4 || port == 5) v = (dioOut_[port - 4] >> bit) & 1;
    else return kDioErrBadLine;
    if (state) *state = v;
    return kDioSuccess;
}

int32_t Machine::dioWriteBit(int32_t handle, uint16_t port, uint16_t bit, uint16_t state) {
    std::lock_guard g(lock_);
    if (dioAbsent_ || !dioOpen_) return kDioErrNoDevice;
    if (handle != 1) return kDioErrBadHandle;
    if ((port != 4 && port != 5) || bit > 7) return kDioErrBadLine;
    advance();
    uint8_t& out = dioOut_[port - 4];
    const uint8_t mask = uint8_t(1u << bit);
    const bool was = out & mask;
    if (state) out |= mask;
    else out &= uint8_t(~mask);
    if (was != bool(state)) {
        static const char* names4[8] = {"emergency output", "motor B line 1", "motor B line 2", "tension roller 1",
                                        "motor A", "buzzer", "wiper enable", "wiper position"};
        static const char* names5[8] = {"P5.0", "pump common", "P5.2", "manual output 1", "manual output 2",
                                        "solvent purge", "main solvent purge", "ink purge"};
        char buf[96];
        std::snprintf(buf, sizeof buf, "P%u.%u %s: %s", unsigned(port), unsigned(bit), state ? "on" : "off",
                      port == 4 ? names4[bit] : names5[bit]);
        log("dio", buf);
    }
    if (port == 4 && bit >= 6) moveWiper(t_);
    return kDioSuccess;
}

int32_t Machine::dioReadPortByte(int32_t handle, uint16_t address, uint16_t* value) {
    std::lock_guard g(lock_);
    if (value) *value = 0;
    if (dioAbsent_ || !dioOpen_) return kDioErrNoDevice;
    if (handle != 1) return kDioErrBadHandle;
    advance();
    const int rel = int(address) - int(cfg_.dioBase);
    uint16_t v = 0;
    if (rel >= 24 && rel < 24 + int(counters_.size())) {
        // Each counter reads as two bytes from the same address: low, then high.
        const size_t ch = size_t(rel - 24);
        v = counterHigh_[ch] ? counters_[ch] >> 8 : counters_[ch] & 0xFF;
        counterHigh_[ch] = !counterHigh_[ch];
    } else if (rel == 0 || rel == 1) {
        for (unsigned b = 0; b < 8; ++b) v |= uint16_t(dioLevel(unsigned(rel), b) << b);
    } else if (rel == 4 || rel == 5) {
        v = dioOut_[rel - 4];
    }
    if (value) *value = v;
    return kDioSuccess;
}

} // namespace sim
