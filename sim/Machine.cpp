// The machine core: time, axes, encoder, inputs, devices, faults, operator actions, queries.
#include "Machine.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "hardware/CardRegisters.h"
#include "platform/Clock.h"

namespace sim {

using namespace hw;

namespace {

std::string fmt(const char* f, ...) __attribute__((format(printf, 1, 2)));
std::string fmt(const char* f, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, f);
    std::vsnprintf(buf, sizeof buf, f, ap);
    va_end(ap);
    return buf;
}

} // namespace

Machine::Machine(MachineConfig cfg, std::string driverDir) : cfg_(std::move(cfg)), driverDir_(std::move(driverDir)) {
    if (cfg_.heads.empty()) cfg_.heads.push_back({});
    epochUs_ = platform::nowUs();
    t_ = epochUs_;
    x_.baseMM = std::clamp(cfg_.startXMM, -cfg_.hardStopMM, cfg_.travelMM + cfg_.hardStopMM);
    setXStops();
    x_.mmPerPulse = 1.0 / cfg_.xPulsesPerMM;
    y_.baseMM = std::max(cfg_.startYMM, cfg_.yHardStopMM);
    y_.minMM = cfg_.yHardStopMM;
    y_.maxMM = 1e9;
    y_.mmPerPulse = 1.0 / cfg_.yPulsesPerMM;
    xAtLoad_ = x_.baseMM;
    rawBase_ = 0;
    mediaLeftMM_ = cfg_.mediaLeftMM;
    mediaWidthMM_ = cfg_.mediaWidthMM;
    dioSource_ = cfg_.dioInputs;
    dioSource_.resize(16, "1");
    temperature_.fill(-1);
    drops_.assign(16, 0);
    regs_[REG_CONTROL] = kDspResetRelease;
    sheetOriginFeedMM_ = y_.baseMM;
    startTakeup();
    logAt(t_, "card", "machine created");
}

void Machine::setDriverDir(std::string dir) {
    std::lock_guard g(lock_);
    driverDir_ = std::move(dir);
}

// ------------------------------------------------------------------------------------------ time

void Machine::log(const std::string& kind, const std::string& what) { logAt(t_, kind, what); }

void Machine::logAt(uint64_t t, const std::string& kind, const std::string& what) {
    log_.add(t >= epochUs_ ? t - epochUs_ : 0, kind, what);
}

void Machine::advance() { advanceTo(platform::nowUs()); }

void Machine::advanceTo(uint64_t T) {
    while (t_ < T) {
        uint64_t te = T;
        if (x_.moving) te = std::min(te, std::max(t_, x_.endUs()));
        if (y_.moving) te = std::min(te, std::max(t_, y_.endUs()));
        for (const auto& s : scheduled_)
            if (s.atUs) te = std::min(te, std::max(t_, s.atUs));
        uint64_t tf = te;
        bool interrupted = false;
        fireBetween(t_, tf, interrupted);
        if (interrupted) {
            t_ = std::max(t_, tf);
            stepTakeup();
            // Faults tied to the start of a pass.
            for (auto it = scheduled_.begin(); it != scheduled_.end();) {
                if (!it->atUs && it->atPass <= passesStarted_) {
                    pressLocked(it->press, "scheduled at a pass");
                    it = scheduled_.erase(it);
                } else {
                    ++it;
                }
            }
            continue;
        }
        if (te == t_ && te < T && !(x_.moving && x_.endUs() <= t_) && !(y_.moving && y_.endUs() <= t_)) {
            bool due = false;
            for (const auto& s : scheduled_) due |= s.atUs && s.atUs <= t_;
            if (!due) te = T; // nothing to do at this instant
        }
        t_ = te;
        stepTakeup(); // while the Y move that may end now still holds its profile
        if (x_.moving && x_.endUs() <= t_) finishX(x_.endUs());
        if (y_.moving && y_.endUs() <= t_) finishY(y_.endUs());
        for (auto it = scheduled_.begin(); it != scheduled_.end();) {
            if (it->atUs && it->atUs <= t_) {
                pressLocked(it->press, "scheduled at a time");
                it = scheduled_.erase(it);
            } else {
                ++it;
            }
        }
    }
    moveWiper(t_);
    moveStation(t_);
}

uint64_t Machine::nowUs() {
    std::lock_guard g(lock_);
    advance();
    return t_ - epochUs_;
}

// ------------------------------------------------------------------------------------------ axes

double Machine::xSlowLimitHz() const {
    uint32_t m = regs_.count(REG_MOTION) ? regs_.at(REG_MOTION) : 0;
    if (!(m & (1u << kMotSlowEnable))) return 1e18;
    return cfg_.slowSpeedMMs[(m >> kMotSlowSelect) & 1] * cfg_.xPulsesPerMM;
}

double Machine::xSpeedHzDsp() const {
    uint32_t v = dspRegs_[DSP_X_SPEED & 0xFF] & 0xFFFF;
    double hz = v ? v * cfg_.xSpeedUnitHz : cfg_.xMinSpeedHz;
    return std::min(hz, xSlowLimitHz());
}

uint32_t Machine::xSpeedWordCard() const {
    auto get = [&](uint32_t p) { return regs_.count(p) ? regs_.at(p) : 0u; };
    return ((get(REG_MOTION_2) & 0x3F) << 8) | ((get(REG_MOTION) >> 8) & 0xFF);
}

double Machine::xSpeedHzCard() const {
    const uint32_t s = xSpeedWordCard();
    double hz = s ? cfg_.xClockHz / s : cfg_.xMinSpeedHz;
    return std::min(hz, xSlowLimitHz());
}

double Machine::xAccMsDsp() const {
    uint32_t v = dspRegs_[DSP_X_ACC_TIME & 0xFF];
    return v ? double(v) : cfg_.xDefaultAccMs;
}

double Machine::xAccMsCard() const {
    uint32_t v = regs_.count(REG_MOTION_2) ? (regs_.at(REG_MOTION_2) >> 8) & 0xF : 0;
    return v ? v * 100.0 : cfg_.xDefaultAccMs;
}

void Machine::startX(double pulses, int dirBit, double vmaxHz, double accMs, int source) {
    if (estop_ && cfg_.estopStopsMotors) {
        log("move", "X start refused: emergency stop pressed");
        return;
    }
    xLastCommandPulses_ = pulses;
    // The drive needs the direction line steady for a while before the first step pulse.
    if (xDirChangedUs_ != 0 && t_ - xDirChangedUs_ < kXDirectionSettleUs)
        log("move", fmt("X started %.1f ms after its direction line changed", double(t_ - xDirChangedUs_) / 1000.0));
    const int dir = dirBit == cfg_.xDirBitLeft ? -1 : 1;
    double v0 = 0;
    const double cur = x_.posAt(t_);
    if (x_.moving && !x_.stalled(t_)) {
        v0 = x_.prof.speedAt(double(t_ - x_.t0) * 1e-6);
        if (dir != x_.dir && v0 > 0) {
            log("move", "X reversed while moving");
            v0 = 0;
        }
    }
    x_.baseMM = cur;
    x_.prof = {};
    x_.moving = false;
    if (!(pulses > 0)) {
        log("move", "X start of 0 pulses: no move");
        latchMovedLocked();
        return;
    }
    const double a = accMs > 0 ? vmaxHz / (accMs / 1000.0) : 1e12;
    x_.dir = dir;
    x_.dirBit = dirBit;
    x_.mmPerPulse = slip_ / cfg_.xPulsesPerMM;
    x_.accel = a;
    x_.vmax = vmaxHz;
    x_.prof = Profile::plan(v0, pulses, vmaxHz, a);
    x_.t0 = t_;
    x_.moving = true;
    x_.source = source;
    log("move", fmt("X start %s %.0f pulses at %.0f Hz, acceleration %.0f ms (%.2f mm, %.3f s)%s",
                    dir > 0 ? "right" : "left", pulses, vmaxHz, accMs, pulses / cfg_.xPulsesPerMM,
                    x_.prof.duration(), source ? " [card registers]" : " [DSP]"));
}

void Machine::startY(double pulses, int dirBit, double vmaxHz, double accMs, int source) {
    if (estop_ && cfg_.estopStopsMotors) {
        log("move", "Y start refused: emergency stop pressed");
        return;
    }
    const int dir = dirBit == cfg_.yDirBitForward ? 1 : -1;
    y_.baseMM = y_.posAt(t_);
    y_.prof = {};
    y_.moving = false;
    if (!(pulses > 0)) {
        log("move", "Y start of 0 pulses: no move");
        return;
    }
    const double a = accMs > 0 ? vmaxHz / (accMs / 1000.0) : 1e12;
    y_.dir = dir;
    y_.dirBit = dirBit;
    y_.accel = a;
    y_.vmax = vmaxHz;
    y_.prof = Profile::plan(0, pulses, vmaxHz, a);
    y_.t0 = t_;
    y_.moving = true;
    y_.source = source;
    log("move", fmt("Y start %s %.0f pulses at %.0f Hz (%.3f mm, %.3f s)%s", dir > 0 ? "forward" : "back", pulses,
                    vmaxHz, pulses / cfg_.yPulsesPerMM, y_.prof.duration(), source ? " [card registers]" : " [DSP]"));
}

void Machine::replanX() {
    if (!x_.moving) return;
    double vmax = x_.source ? xSpeedHzCard() : xSpeedHzDsp();
    if (std::abs(vmax - x_.vmax) < 1e-9) return;
    const double tau = double(t_ - x_.t0) * 1e-6;
    const double remaining = x_.prof.distance() - x_.prof.distAt(tau);
    const double v = x_.stalled(t_) ? 0 : x_.prof.speedAt(tau);
    x_.baseMM = x_.posAt(t_);
    x_.prof = Profile::plan(v, remaining, vmax, x_.accel);
    x_.t0 = t_;
    x_.vmax = vmax;
    log("move", fmt("X speed now %.0f Hz", vmax));
}

void Machine::stopX(const char* why) {
    if (!x_.moving) return;
    const double tau = double(t_ - x_.t0) * 1e-6;
    const double v = x_.stalled(t_) ? 0 : x_.prof.speedAt(tau);
    x_.baseMM = x_.posAt(t_);
    x_.prof = Profile::brake(v, x_.accel);
    x_.t0 = t_;
    log("stop", fmt("X stop (%s)", why));
    if (x_.prof.empty()) finishX(t_);
}

void Machine::stopY(const char* why) {
    if (!y_.moving) return;
    const double tau = double(t_ - y_.t0) * 1e-6;
    const double v = y_.stalled(t_) ? 0 : y_.prof.speedAt(tau);
    y_.baseMM = y_.posAt(t_);
    y_.prof = Profile::brake(v, y_.accel);
    y_.t0 = t_;
    log("stop", fmt("Y stop (%s)", why));
    if (y_.prof.empty()) finishY(t_);
}

void Machine::haltAll(const char* why) {
    if (x_.moving) {
        x_.baseMM = x_.posAt(t_);
        x_.moving = false;
        x_.prof = {};
        latchMovedLocked();
        log("stop", fmt("X halted (%s) at %.2f mm", why, x_.baseMM));
    }
    if (y_.moving) {
        y_.baseMM = y_.posAt(t_);
        y_.moving = false;
        y_.prof = {};
        log("stop", fmt("Y halted (%s) at %.3f mm", why, y_.baseMM));
    }
}

void Machine::finishX(uint64_t t) {
    x_.baseMM = x_.posAt(t);
    x_.moving = false;
    x_.prof = {};
    latchMovedLocked();
    logAt(t, "move", fmt("X at rest %.2f mm, encoder %u", x_.baseMM, unsigned(dotAt(x_.baseMM) & kPositionMask)));
}

void Machine::finishY(uint64_t t) {
    y_.baseMM = y_.posAt(t);
    y_.moving = false;
    y_.prof = {};
    logAt(t, "move", fmt("Y at rest %.3f mm", y_.baseMM));
}

void Machine::latchMovedLocked() { movedLatch_ = uint32_t(dotAt(x_.posAt(t_))) & kPositionMask; }

// ------------------------------------------------------------------------------------------ encoder

uint32_t Machine::divider() const {
    auto it = regs_.find(REG_PRINT_CONTROL);
    return it == regs_.end() ? 0 : (it->second >> kPcDividerShift) & 0xF;
}

double Machine::rawCounts(double xMM) const { return rawBase_ + (xMM - xAtLoad_) * cfg_.encoderCountsPerMM; }

int64_t Machine::dotAt(double xMM) const {
    return int64_t(std::floor(rawCounts(xMM) / double(divider() + 1) + 1e-9));
}

double Machine::dotEntryMM(int64_t dot, int dir) const {
    double raw = double(dir > 0 ? dot : dot + 1) * double(divider() + 1);
    return xAtLoad_ + (raw - rawBase_) / cfg_.encoderCountsPerMM;
}

// ------------------------------------------------------------------------------------------ inputs

bool Machine::limitActive(bool right, double x) const {
    switch (limit_[right]) {
    case LimitFault::Stuck: return true;
    case LimitFault::Dead: return false;
    default: return right ? x >= cfg_.travelMM : x <= 0;
    }
}

uint32_t Machine::inputWord() {
    const double x = x_.posAt(t_);
    const uint32_t out = regs_.count(REG_OUTPUT) ? regs_[REG_OUTPUT] : 0;
    uint32_t v = 0;
    auto put = [&](unsigned bit, bool on) {
        if (on) v |= 1u << bit;
    };
    put(kInXWarning, cfg_.uvLampInputs ? (out >> 8) & 1 : x_.stalled(t_));
    put(kInYWarning, cfg_.uvLampInputs ? (out >> 9) & 1 : y_.stalled(t_));
    put(kInLeftLimit, limitActive(false, x));
    put(kInRightLimit, limitActive(true, x));
    put(kInEmergency, estop_);
    const double sensor = x + cfg_.sensorOffsetMM;
    put(kInMedia, !(mediaWidthMM_ > 0 && sensor >= mediaLeftMM_ && sensor <= mediaLeftMM_ + mediaWidthMM_));
    put(kInYHome, cfg_.cleaningBoard ? stationAt(t_) <= 0 : y_.posAt(t_) <= cfg_.yHomeMM);
    put(kInStationUp, stationAt(t_) >= 1);
    put(kInStartPending, win_.armed && !win_.started);
    return v;
}

uint32_t Machine::motionWord() {
    uint32_t v = regs_.count(REG_MOTION) ? regs_[REG_MOTION] : 0;
    if (x_.moving) v |= kMotXBusyMask;
    if (y_.moving) v |= kMotYBusyMask;
    return v;
}

uint32_t Machine::dspStatus() { return (x_.moving ? 1u : 0u) | (y_.moving ? 0x10u : 0u); }

// ------------------------------------------------------------------------------------------ devices

double Machine::wiperAt(uint64_t t) const {
    if (wiperFrom_ == wiperTo_ || cfg_.wiperTravelMs <= 0) return wiperTo_;
    double done = double(t - std::min(t, wiperT0_)) / (cfg_.wiperTravelMs * 1000.0);
    return wiperTo_ > wiperFrom_ ? std::min(wiperTo_, wiperFrom_ + done) : std::max(wiperTo_, wiperFrom_ - done);
}

double Machine::stationAt(uint64_t t) const {
    if (stationFrom_ == stationTo_ || cfg_.stationTravelMs <= 0) return stationTo_;
    double done = double(t - std::min(t, stationT0_)) / (cfg_.stationTravelMs * 1000.0);
    return stationTo_ > stationFrom_ ? std::min(stationTo_, stationFrom_ + done)
                                     : std::max(stationTo_, stationFrom_ - done);
}

void Machine::moveWiper(uint64_t t) {
    double now = wiperAt(t);
    bool enabled = dioOut_[0] & 0x40;
    double target = enabled ? ((dioOut_[0] & 0x80) ? 1.0 : 0.0) : now;
    if (wiperFrom_ != wiperTo_ && now == wiperTo_)
        logAt(t, "device", fmt("wiper %s", now >= 1 ? "out" : "in"));
    if (target != wiperTo_ || now == wiperTo_) {
        wiperFrom_ = now;
        wiperTo_ = target;
        wiperT0_ = t;
    }
}

void Machine::moveStation(uint64_t t) {
    double now = stationAt(t);
    const uint32_t out = regs_.count(REG_OUTPUT) ? regs_[REG_OUTPUT] : 0;
    bool up = out & (1u << 14), down = out & (1u << 15);
    double target = up && !down ? 1.0 : down && !up ? 0.0 : now;
    if (stationFrom_ != stationTo_ && now == stationTo_)
        logAt(t, "device", fmt("cleaning station %s", now >= 1 ? "up" : "down"));
    if (target != stationTo_ || now == stationTo_) {
        stationFrom_ = now;
        stationTo_ = target;
        stationT0_ = t;
    }
}

void Machine::flashAccount(uint64_t t) {
    const uint32_t pc = regs_.count(REG_PRINT_CONTROL) ? regs_[REG_PRINT_CONTROL] : 0;
    if ((pc >> kPcFlash) & 1) {
        double code = double(pc >> kPcFlashCodeShift);
        flashSpits_ += double(t - std::min(t, flashSince_)) * 1e-6 * code * cfg_.flashHzPerCode;
    }
    flashSince_ = t;
}

void Machine::pressLocked(bool pressed, const char* why) {
    if (estop_ == pressed) return;
    estop_ = pressed;
    log("fault", fmt("emergency stop %s (%s)", pressed ? "pressed" : "released", why));
    if (pressed && cfg_.estopStopsMotors) haltAll("emergency stop");
}

// ------------------------------------------------------------------------------------------ queries

#define LOCKED                                                                                          \
    std::lock_guard g(lock_);                                                                           \
    advance()

double Machine::carriageMM() {
    LOCKED;
    return x_.posAt(t_);
}
double Machine::mediaFeedMM() {
    LOCKED;
    return y_.posAt(t_);
}
bool Machine::xMoving() {
    LOCKED;
    return x_.moving;
}
bool Machine::yMoving() {
    LOCKED;
    return y_.moving;
}
bool Machine::leftLimit() {
    LOCKED;
    return limitActive(false, x_.posAt(t_));
}
bool Machine::rightLimit() {
    LOCKED;
    return limitActive(true, x_.posAt(t_));
}
bool Machine::mediaUnderSensor() {
    LOCKED;
    return !((inputWord() >> kInMedia) & 1);
}
bool Machine::yHome() {
    LOCKED;
    return y_.posAt(t_) <= cfg_.yHomeMM;
}
uint32_t Machine::encoderDots() {
    LOCKED;
    return uint32_t(dotAt(x_.posAt(t_))) & kPositionMask;
}
double Machine::xSpeedMMs() {
    LOCKED;
    return x_.speedMMs(t_);
}
uint64_t Machine::xPulsesCommanded() {
    LOCKED;
    return uint64_t(xLastCommandPulses_);
}
double Machine::wiperPosition() {
    LOCKED;
    return wiperAt(t_);
}
double Machine::stationPosition() {
    LOCKED;
    return stationAt(t_);
}
bool Machine::emergencyStopPressed() {
    LOCKED;
    return estop_;
}
double Machine::outputOnMs(unsigned bit) {
    LOCKED;
    if (bit >= 32) return 0;
    uint64_t total = outOnTotal_[bit];
    const uint32_t out = regs_.count(REG_OUTPUT) ? regs_[REG_OUTPUT] : 0;
    if ((out >> bit) & 1) total += t_ - outOnSince_[bit];
    return double(total) / 1000.0;
}
uint32_t Machine::dioOutput(unsigned port) {
    std::lock_guard g(lock_);
    return port == 4 ? dioOut_[0] : port == 5 ? dioOut_[1] : 0;
}
FirmwareInfo Machine::fpga() {
    std::lock_guard g(lock_);
    return fpga_;
}
FirmwareInfo Machine::dsp() {
    std::lock_guard g(lock_);
    return dsp_;
}
bool Machine::dspRunning() {
    std::lock_guard g(lock_);
    return !dspReset_ && (!cfg_.requireFirmware || dsp_.loaded);
}
uint64_t Machine::drops(int colour) {
    LOCKED;
    return colour >= 0 && size_t(colour) < drops_.size() ? drops_[size_t(colour)] : 0;
}
uint64_t Machine::dropsOffSheet() {
    LOCKED;
    return dropsOff_;
}
uint64_t Machine::flashSpits() {
    LOCKED;
    flashAccount(t_);
    return uint64_t(flashSpits_);
}
std::vector<PassInfo> Machine::passes() {
    LOCKED;
    return passes_;
}
std::vector<Event> Machine::events(const std::string& kind, uint64_t sinceUs) {
    LOCKED;
    return log_.query(kind, sinceUs);
}
size_t Machine::eventCount(const std::string& kind) {
    LOCKED;
    return log_.count(kind);
}
void Machine::clearEvents() {
    std::lock_guard g(lock_);
    log_.clear();
}

// ------------------------------------------------------------------------------------------ actions

void Machine::pressEmergencyStop(bool pressed) {
    LOCKED;
    pressLocked(pressed, "operator");
}

void Machine::setMedia(double leftMM, double widthMM) {
    LOCKED;
    mediaLeftMM_ = leftMM;
    mediaWidthMM_ = std::max(0.0, widthMM);
    log("media", fmt("media loaded: left edge %.1f mm, width %.1f mm", leftMM, mediaWidthMM_));
}

void Machine::setDioInput(unsigned port, unsigned bit, const std::string& source) {
    LOCKED;
    if (port > 1 || bit > 7) return;
    dioSource_[port * 8 + bit] = source;
    log("dio", fmt("input P%u.%u = %s", port, bit, source.c_str()));
}

void Machine::setSelector(unsigned pair, unsigned value) {
    // The (a, b) get functions of the six selectors: (0,1) (2,3) (4,5) (6,7) (10,9) (12,11);
    // get 0..7 are port 0 bits 0..7, get 8..12 port 1 bits 0..4.
    static constexpr unsigned lines[6][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {10, 9}, {12, 11}};
    if (pair >= 6) return;
    const char* a = value == 2 ? "1" : "0";
    const char* b = value == 1 ? "1" : "0";
    for (int i = 0; i < 2; ++i) {
        unsigned f = lines[pair][i];
        setDioInput(f / 8, f % 8, i == 0 ? a : b);
    }
}

void Machine::setCounter(unsigned channel, uint16_t value) {
    std::lock_guard g(lock_);
    if (channel < counters_.size()) counters_[channel] = value;
}

void Machine::setMisplacement(bool on) {
    std::lock_guard g(lock_);
    cfg_.misplacement = on;
}

void Machine::setCarriage(double mm) {
    LOCKED;
    haltAll("carriage pushed by hand");
    x_.baseMM = std::clamp(mm, x_.minMM, x_.maxMM);
    log("move", fmt("carriage pushed to %.2f mm", x_.baseMM));
}

void Machine::setFeed(double mm) {
    LOCKED;
    if (y_.moving) haltAll("media moved by hand");
    y_.baseMM = std::max(mm, y_.minMM);
    log("media", fmt("media feed set to %.3f mm", y_.baseMM));
}

void Machine::setHeadTemperature(int slot, double celsius) {
    std::lock_guard g(lock_);
    if (slot >= 0 && size_t(slot) < temperature_.size()) temperature_[size_t(slot)] = celsius;
}

// ------------------------------------------------------------------------------------------ faults

void Machine::setXStops() {
    const bool cut = cfg_.switchesStopDrive;
    x_.minMM = cut && limit_[0] == LimitFault::None ? 0.0 : -cfg_.hardStopMM;
    x_.maxMM = cut && limit_[1] == LimitFault::None ? cfg_.travelMM : cfg_.travelMM + cfg_.hardStopMM;
}

void Machine::setLimitFault(bool right, LimitFault f) {
    LOCKED;
    limit_[right] = f;
    setXStops();
    static const char* names[] = {"working", "stuck active", "dead"};
    log("fault", fmt("%s limit switch %s", right ? "right" : "left", names[int(f)]));
}

void Machine::setSlip(double factor) {
    LOCKED;
    slip_ = std::clamp(factor, 0.0, 1.0);
    log("fault", fmt("carriage slip: covers %.3f of the commanded way", slip_));
}

void Machine::setCardAbsent(bool absent) {
    LOCKED;
    cardAbsent_ = absent;
    log("fault", absent ? "card absent" : "card present");
}

void Machine::setTransferFault(TransferFault f) {
    LOCKED;
    transferFault_ = f;
    static const char* names[] = {"transfers work", "transfers fail", "transfers never acknowledged"};
    log("fault", names[int(f)]);
}

void Machine::setHeadBoardSilent(bool silent) {
    LOCKED;
    boardSilent_ = silent;
    log("fault", silent ? "head boards silent" : "head boards answer");
}

void Machine::setDioAbsent(bool absent) {
    LOCKED;
    dioAbsent_ = absent;
    if (absent) dioOpen_ = false;
    log("fault", absent ? "I/O card absent" : "I/O card present");
}

void Machine::scheduleEmergencyStopAt(bool press, uint64_t delayUs) {
    LOCKED;
    scheduled_.push_back({press, t_ + std::max<uint64_t>(delayUs, 1), 0});
    log("fault", fmt("emergency stop %s scheduled in %.1f ms", press ? "press" : "release", delayUs / 1000.0));
}

void Machine::scheduleEmergencyStopAtPass(bool press, unsigned n) {
    LOCKED;
    scheduled_.push_back({press, 0, passesStarted_ + std::max(1u, n)});
    log("fault", fmt("emergency stop %s scheduled at pass %u", press ? "press" : "release", passesStarted_ + std::max(1u, n)));
}

void Machine::clearFaults() {
    LOCKED;
    limit_[0] = limit_[1] = LimitFault::None;
    setXStops();
    slip_ = 1;
    cardAbsent_ = dioAbsent_ = boardSilent_ = false;
    transferFault_ = TransferFault::None;
    failAt_ = 0;
    scheduled_.clear();
    log("fault", "faults cleared");
}

} // namespace sim
