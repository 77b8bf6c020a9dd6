// The print-controller card: driver calls, register file, DSP, transfer gate and card memory,
// firmware images, head-board mailbox, and firing.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "Machine.h"
#include "hardware/CardChannel.h"
#include "hardware/CardRegisters.h"
#include "hardware/DriverDir.h"

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

uint64_t fnv1a(const std::vector<char>& data) {
    uint64_t h = 1469598103934665603ull;
    for (char c : data) {
        h ^= uint8_t(c);
        h *= 1099511628211ull;
    }
    return h;
}

struct MemoryMode {
    unsigned blocks;
    size_t blockBytes;
    unsigned unit;
};
constexpr MemoryMode kModes[7] = {{24, 0x80000, 2},  {32, 0x100000, 2}, {24, 0xA0000, 2}, {64, 0x80000, 4},
                                  {24, 0x140000, 2}, {48, 0xA0000, 4},  {24, 0x140000, 2}};

const char* outputName(unsigned bit) {
    static const char* names[32] = {"X direction", "Y direction", "tension roller 1 (active low)", "cleaner",
                                    "take-up motor", "take-up mode", "output 6", "purge", "UV lamp 1",
                                    "UV lamp 2 / X motor reset", "UV lamp 3 / motor reset",
                                    "UV lamp 4 / tension roller 2", "cleaning valve 11", "output 13",
                                    "cleaning station up", "cleaning station down", "cleaning valve 3",
                                    "cleaning valve 4", "cleaning valve 5", "cleaning valve 6", "cleaning valve 7",
                                    "cleaning valve 8", "cleaning valve 9", "cleaning valve 10", "output 24",
                                    "output 25", "output 26", "output 27", "output 28", "output 29", "output 30",
                                    "output 31"};
    return names[bit & 31];
}

} // namespace

// ------------------------------------------------------------------------------------------ memory

size_t Machine::blockCount() const { return kModes[std::clamp(cfg_.memoryMode, 0, 6)].blocks; }
size_t Machine::blockBytes() const { return kModes[std::clamp(cfg_.memoryMode, 0, 6)].blockBytes; }
unsigned Machine::addressUnit() const { return kModes[std::clamp(cfg_.memoryMode, 0, 6)].unit; }

void Machine::blockMemory(size_t block) {
    if (memory_.size() < blockCount()) memory_.resize(blockCount());
    if (memory_[block].empty()) memory_[block].assign(blockBytes(), 0);
}

size_t Machine::memoryBlocks() {
    std::lock_guard g(lock_);
    return blockCount();
}
size_t Machine::memoryBlockBytes() {
    std::lock_guard g(lock_);
    return blockBytes();
}
unsigned Machine::memoryAddressUnit() {
    std::lock_guard g(lock_);
    return addressUnit();
}

std::vector<uint8_t> Machine::memoryBlock(size_t block) {
    std::lock_guard g(lock_);
    if (block >= blockCount()) return {};
    if (block < memory_.size() && !memory_[block].empty()) return memory_[block];
    return std::vector<uint8_t>(blockBytes(), 0);
}

uint8_t Machine::memoryLogicalByte(size_t block, size_t offset) {
    std::lock_guard g(lock_);
    if (block >= memory_.size() || memory_[block].empty() || offset >= blockBytes()) return 0;
    return memory_[block][offset ^ 3];
}

std::vector<TransferInfo> Machine::transfers() {
    std::lock_guard g(lock_);
    return transfers_;
}

// ------------------------------------------------------------------------------------------ channel

bool Machine::cardOpen() const {
    std::lock_guard g(lock_);
    return !cardAbsent_;
}

bool Machine::registersDead() const { return cfg_.requireFirmware && !fpga_.loaded; }

bool Machine::callFails(CallKind kind) {
    const uint64_t n = ++calls_[size_t(kind)];
    const uint64_t any = ++calls_[size_t(CallKind::Any)];
    if (failAt_ == 0) return false;
    if ((failKind_ == CallKind::Any ? any : failKind_ == kind ? n : 0) != failAt_) return false;
    failAt_ = 0;
    return true;
}

void Machine::failCall(CallKind kind, uint64_t n) {
    std::lock_guard g(lock_);
    failKind_ = kind;
    failAt_ = n ? calls_[size_t(kind)] + n : 0;
    log("fault", n ? fmt("card call %llu from now (%s) fails", (unsigned long long)n,
                         kind == CallKind::Read ? "read" : kind == CallKind::Write ? "write" : "any")
                   : std::string("card call fault cancelled"));
}

uint64_t Machine::callCount(CallKind kind) {
    std::lock_guard g(lock_);
    return calls_[size_t(kind)];
}

bool Machine::control(uint32_t code, const void* in, size_t inBytes, void* out, size_t outBytes, size_t* returned) {
    std::lock_guard g(lock_);
    if (returned) *returned = 0;
    if (cardAbsent_) return false;
    advance();
    if (callFails(code == kCtlRead ? CallKind::Read : CallKind::Write)) {
        log("fault", fmt("card call 0x%06X failed (fault)", unsigned(code)));
        return false;
    }
    auto word = [&](size_t i) { return getWord(static_cast<const uint8_t*>(in) + 4 * i); };
    switch (code) {
    case kCtlRead: {
        if (!in || inBytes < 4 || !out || outBytes < 4) return false;
        uint32_t v;
        if (inBytes >= 8 && word(0) == kDspPort) v = readDsp(word(1));
        else v = readRegister(word(0));
        putWord(static_cast<uint8_t*>(out), v);
        if (returned) *returned = 4;
        return true;
    }
    case kCtlWrite:
        if (!in || inBytes < 8) return false;
        if (inBytes >= 12 && word(0) == kDspPort) {
            writeDsp(word(1), word(2));
            return true;
        }
        if (inBytes >= 12 && word(0) == kDspStartPort) {
            dspStart();
            return true;
        }
        writeRegister(word(0), word(1));
        return true;
    case kCtlLoadFpga: return loadFpga();
    case kCtlLoadDsp: {
        if (!in || inBytes < 8) return false;
        bool ok = loadDsp(word(0), word(1));
        if (out && outBytes >= 4) {
            putWord(static_cast<uint8_t*>(out), ok ? 1 : 0);
            if (returned) *returned = 4;
        }
        return ok;
    }
    default: log("card", fmt("unknown control code 0x%X", code)); return false;
    }
}

bool Machine::bulkWrite(const void* data, size_t bytes, size_t* written) {
    std::lock_guard g(lock_);
    if (written) *written = 0;
    if (cardAbsent_) return false;
    advance();
    if (callFails(CallKind::Write)) {
        log("fault", fmt("bulk write of %zu bytes failed (fault)", bytes));
        return false;
    }
    if (registersDead()) return false;
    if (!gateOpen_) {
        log("transfer", fmt("%zu bytes refused: transfer gate closed", bytes));
        return false;
    }
    // The card takes one write at a time: a write started while the last one still crosses the
    // bus (its done bit not yet seen) would overrun the card's buffer on a real card.
    if (busPending_ && t_ < busDoneUs_)
        log("transfer", fmt("%zu bytes started while the previous write still crosses the bus", bytes));
    TransferInfo info{t_ - epochUs_, gateAddress_, gateLength_, bytes, false};
    if (transfers_.size() >= 100000) transfers_.erase(transfers_.begin(), transfers_.begin() + 50000);
    if (transferFault_ == TransferFault::Fail) {
        transfers_.push_back(info);
        log("transfer", fmt("%zu bytes to 0x%06X failed (fault)", bytes, gateAddress_));
        return false;
    }
    const unsigned unit = addressUnit();
    const size_t span = blockBytes() / 2; // addresses per block
    const uint32_t address = gateAddress_ + gateBytes_ / unit;
    const size_t block = address / span;
    const size_t offset = size_t(address % span) * unit;
    size_t stored = 0;
    if (block >= blockCount()) {
        log("transfer", fmt("address 0x%06X lies beyond card memory: %zu bytes dropped", address, bytes));
    } else {
        blockMemory(block);
        stored = offset < blockBytes() ? std::min(bytes, blockBytes() - offset) : 0;
        if (stored) std::copy_n(static_cast<const uint8_t*>(data), stored, memory_[block].begin() + ptrdiff_t(offset));
        if (stored < bytes)
            log("transfer", fmt("block %zu overflows: %zu of %zu bytes dropped", block, bytes - stored, bytes));
    }
    gateBytes_ += uint32_t(bytes);
    if (gateLength_ != bytes / 1024)
        log("transfer", fmt("length field %u KiB for %zu bytes", gateLength_, bytes));
    info.ok = true;
    transfers_.push_back(info);
    log("transfer", fmt("%zu bytes to 0x%06X (block %zu + 0x%zX), length field %u", bytes, address, block, offset,
                        gateLength_));
    if (transferFault_ != TransferFault::Hang) {
        if (cfg_.busMBps > 0) {
            // The bytes cross the bus one write after another: bytes / (MB/s) microseconds each.
            busDoneUs_ = std::max(t_, busDoneUs_) + uint64_t(std::llround(double(bytes) / cfg_.busMBps));
            busPending_ = true;
        } else {
            regs_[REG_PRINT_CONTROL] |= 1u << kPcWriteDone;
        }
    }
    if (written) *written = bytes;
    return true;
}

// ------------------------------------------------------------------------------------------ firmware

bool Machine::loadFpga() {
    const std::string path = driverDir_ + "/" + kFpgaImageName;
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        log("firmware", "FPGA image not found: " + path);
        return false;
    }
    std::vector<char> image((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    fpga_ = {true, path, image.size(), fnv1a(image), t_ - epochUs_, 0, 0};
    log("firmware", fmt("FPGA loaded from %s (%zu bytes)", path.c_str(), image.size()));
    return true;
}

bool Machine::loadDsp(uint32_t a, uint32_t b) {
    const std::string path = driverDir_ + "/" + kDspImageName;
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        log("firmware", "DSP image not found: " + path);
        return false;
    }
    std::vector<char> image((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    dsp_ = {true, path, image.size(), fnv1a(image), t_ - epochUs_, a, b};
    log("firmware", fmt("DSP program loaded from %s (%zu bytes, %u, %u)", path.c_str(), image.size(), a, b));
    return true;
}

void Machine::dspStart() { log("card", dspReset_ ? "DSP start while held in reset" : "DSP start"); }

// ------------------------------------------------------------------------------------------ registers

uint32_t Machine::peekRegister(uint32_t port) {
    std::lock_guard g(lock_);
    advance();
    return readRegister(port);
}

uint32_t Machine::peekDsp(uint32_t reg) {
    std::lock_guard g(lock_);
    advance();
    return readDsp(reg);
}

uint32_t Machine::readRegister(uint32_t port) {
    if (registersDead()) return 0xFFFFFFFFu;
    auto get = [&](uint32_t p) {
        auto it = regs_.find(p);
        return it == regs_.end() ? 0u : it->second;
    };
    switch (port) {
    case REG_X_ENCODER: return uint32_t(dotAt(x_.posAt(t_))) & kPositionMask;
    case REG_INPUT: return inputWord();
    case REG_MOTION: return motionWord();
    case REG_MOVED_POSITION: return movedLatch_;
    case REG_HEADS_COMMAND: return get(port) | (ackPending_ && t_ >= ackAtUs_ ? 0x20u : 0u);
    case REG_PRINT_CONTROL:
        if (busPending_ && t_ >= busDoneUs_) {
            busPending_ = false;
            regs_[REG_PRINT_CONTROL] |= 1u << kPcWriteDone;
        }
        return get(port);
    default: return get(port);
    }
}

void Machine::writeRegister(uint32_t port, uint32_t value) {
    if (registersDead()) {
        log("card", fmt("write 0x%X = 0x%08X ignored: FPGA not loaded", port, value));
        return;
    }
    switch (port) {
    case REG_CONTROL: writeControl(value); break;
    case REG_PRINT_CONTROL: writePrintControl(value); break;
    case REG_X_ENCODER: writeEncoder(value); break;
    case REG_OUTPUT: writeOutput(value); break;
    case REG_MOTION: writeMotion(value); break;
    case REG_MOTION_2:
        regs_[port] = value;
        if (x_.moving && x_.source == 1) replanX();
        break;
    case REG_HEADS_COMMAND: writeHeadsCommand(value); break;
    case REG_INPUT:
    case REG_MOVED_POSITION:
    case REG_HEADS_DATA_IN:
    case REG_HEADS_DATA_IN + 4:
    case REG_HEADS_DATA_IN + 8:
    case REG_HEADS_DATA_IN + 12: break; // read-only
    default: regs_[port] = value; break;
    }
}

uint32_t Machine::readDsp(uint32_t reg) {
    if (registersDead()) return 0xFFFFFFFFu;
    if (reg == DSP_STATUS) return dspStatus();
    return dspRegs_[reg & 0xFF];
}

void Machine::writeDsp(uint32_t reg, uint32_t value) {
    if (registersDead()) return;
    if (reg == DSP_STATUS) return;
    dspRegs_[reg & 0xFF] = value;
    if (reg == DSP_COMMAND) dspPending_.push_back(value);
    if (reg == DSP_X_SPEED && x_.moving && x_.source == 0) replanX();
}

void Machine::writeControl(uint32_t v) {
    const uint32_t old = regs_[REG_CONTROL];
    regs_[REG_CONTROL] = v;
    if (!(v & 0x80)) {
        if (!dspReset_) {
            dspReset_ = true;
            log("card", "DSP held in reset");
            if (x_.moving && x_.source == 0) stopX("DSP reset");
            if (y_.moving && y_.source == 0) stopY("DSP reset");
        }
    } else if (dspReset_) {
        dspReset_ = false;
        log("card", "DSP released from reset");
    }
    // The motion interrupt: bit 5 rising after a low latches the new motion.
    if ((v & 0x20) && !(old & 0x20)) latchMotion();
}

void Machine::latchMotion() {
    auto pending = std::move(dspPending_);
    dspPending_.clear();
    for (uint32_t cmd : pending) runDspCommand(cmd);
    const uint32_t m = regs_[REG_MOTION];
    const uint32_t out = regs_[REG_OUTPUT];
    const bool xr = m & (1u << kMotXRun), yr = m & (1u << kMotYRun);
    if (xr && (xRunLowSeen_ || !xRunLatched_)) {
        startX(double(regs_[REG_X_DISTANCE]), int(out & 1), xSpeedHzCard(), xAccMsCard(), 1);
    } else if (!xr && x_.moving && x_.source == 1) {
        stopX("run bit cleared");
    }
    if (yr && (yRunLowSeen_ || !yRunLatched_)) {
        uint32_t s = m >> 24;
        double acc = dspRegs_[DSP_Y_ACC_TIME & 0xFF] ? double(dspRegs_[DSP_Y_ACC_TIME & 0xFF]) : cfg_.yDefaultAccMs;
        startY(double(regs_[REG_Y_DISTANCE]), int((out >> 1) & 1), s ? s * cfg_.ySpeedUnitHz : cfg_.yMinSpeedHz, acc, 1);
    } else if (!yr && y_.moving && y_.source == 1) {
        stopY("run bit cleared");
    }
    xRunLatched_ = xr;
    yRunLatched_ = yr;
    xRunLowSeen_ = yRunLowSeen_ = false;
}

void Machine::runDspCommand(uint32_t cmd) {
    if (dspReset_ || (cfg_.requireFirmware && !dsp_.loaded)) {
        log("card", fmt("DSP command %u ignored: DSP not running", cmd));
        return;
    }
    const uint32_t out = regs_[REG_OUTPUT];
    auto d = [&](uint32_t r) { return dspRegs_[r & 0xFF]; };
    switch (cmd) {
    case DSP_START_X: {
        double pulses = double(((d(DSP_X_DISTANCE_HIGH) & 0xFFFF) << 16) | (d(DSP_X_DISTANCE_LOW) & 0xFFFF));
        startX(pulses, int(out & 1), xSpeedHzDsp(), xAccMsDsp(), 0);
        break;
    }
    case DSP_STOP_X: stopX("DSP command"); break;
    case DSP_START_Y: {
        double pulses = double(((d(DSP_Y_DISTANCE_HIGH) & 0xFFFF) << 16) | (d(DSP_Y_DISTANCE_LOW) & 0xFFFF));
        uint32_t s = d(DSP_Y_SPEED) & 0xFFFF;
        double acc = d(DSP_Y_ACC_TIME) ? double(d(DSP_Y_ACC_TIME)) : cfg_.yDefaultAccMs;
        startY(pulses, int((out >> 1) & 1), s ? s * cfg_.ySpeedUnitHz : cfg_.yMinSpeedHz, acc, 0);
        break;
    }
    case DSP_STOP_Y: stopY("DSP command"); break;
    default: log("card", fmt("unknown DSP command %u", cmd)); break;
    }
}

void Machine::writeMotion(uint32_t v) {
    const uint32_t old = regs_[REG_MOTION];
    const uint32_t nv = v & ~(kMotXBusyMask | kMotYBusyMask); // busy bits are the card's
    regs_[REG_MOTION] = nv;
    if (!(nv & (1u << kMotXRun))) xRunLowSeen_ = true;
    if (!(nv & (1u << kMotYRun))) yRunLowSeen_ = true;
    const uint32_t slow = (1u << kMotSlowEnable) | (1u << kMotSlowSelect);
    if ((nv ^ old) & slow)
        log("card", fmt("carriage slow %s", (nv & (1u << kMotSlowEnable)) ? ((nv & (1u << kMotSlowSelect)) ? "mode 1" : "mode 0") : "off"));
    if (x_.moving && ((nv ^ old) & (slow | 0xFF00u))) replanX();
}

void Machine::writeEncoder(uint32_t v) {
    regs_[REG_X_ENCODER] = v;
    const uint32_t flags = v & 0xE00000u, data = v & 0x1FFFFFu;
    switch (flags) {
    case 0: encoderStage_ = 1; encoderPending_ = data; return;
    case 0x800000: encoderStage_ = encoderStage_ == 1 && data == encoderPending_ ? 2 : 0; return;
    case 0xC00000: encoderStage_ = encoderStage_ == 2 && data == encoderPending_ ? 3 : 0; return;
    case 0xA00000:
        if (encoderStage_ == 3 && data == encoderPending_) {
            xAtLoad_ = x_.posAt(t_);
            // Keep the counter continuous within a move: the load applies at the present position.
            rawBase_ = double(data);
            log("encoder", fmt("encoder loaded with %u counts (%u dots, divider %u)", data,
                               unsigned(dotAt(xAtLoad_) & kPositionMask), divider()));
        } else {
            log("encoder", "encoder load out of sequence ignored");
        }
        encoderStage_ = 0;
        return;
    default: encoderStage_ = 0; return;
    }
}

void Machine::writeOutput(uint32_t v) {
    const uint32_t old = regs_[REG_OUTPUT];
    regs_[REG_OUTPUT] = v;
    const uint32_t changed = old ^ v;
    if (changed & 1u) {
        // The drive follows its direction line at once: switched under a running move, it would
        // reverse the carriage.
        if (x_.moving && x_.endUs() > t_) log("move", "X direction line switched while the carriage moves");
        xDirChangedUs_ = t_;
    }
    for (unsigned b = 0; b < 32; ++b) {
        if (!((changed >> b) & 1)) continue;
        const bool on = (v >> b) & 1;
        if (on) outOnSince_[b] = t_;
        else outOnTotal_[b] += t_ - outOnSince_[b];
        log("output", fmt("bit %u %s: %s", b, on ? "on" : "off", outputName(b)));
    }
    if (changed & 0xC000u) moveStation(t_);
}

void Machine::writePrintControl(uint32_t v) {
    const uint32_t old = regs_[REG_PRINT_CONTROL];
    const uint32_t ro = (1u << kPcFired) | (1u << kPcWriteDone);
    uint32_t nv = (v & ~ro) | (old & ro);
    flashAccount(t_);
    auto rising = [&](unsigned b) { return ((nv >> b) & 1) && !((old >> b) & 1); };
    auto falling = [&](unsigned b) { return !((nv >> b) & 1) && ((old >> b) & 1); };

    if ((nv ^ old) & kPcDividerMask) log("card", fmt("fire divider %u", (nv >> kPcDividerShift) & 0xF));
    const bool flashOld = (old >> kPcFlash) & 1, flashNew = (nv >> kPcFlash) & 1;
    if (flashOld != flashNew || (flashNew && (nv >> kPcFlashCodeShift) != (old >> kPcFlashCodeShift)))
        log("flash", flashNew ? fmt("flash jetting on, code %u (%.0f spits/s)", nv >> kPcFlashCodeShift,
                                    (nv >> kPcFlashCodeShift) * cfg_.flashHzPerCode)
                              : std::string("flash jetting off"));

    if (rising(kPcStartReset)) {
        if (win_.armed && win_.started && !win_.done) log("fire", "window aborted by start-print reset");
        win_ = {};
        nv &= ~(1u << kPcFired);
        log("fire", "start-print reset");
    }
    if (rising(kPcStartMode) && !((nv >> kPcStartReset) & 1)) {
        const uint32_t p1 = regs_[REG_PRINT_PARAM_1], p2 = regs_[REG_PRINT_PARAM_2];
        win_ = {};
        win_.armed = true;
        win_.first = (p1 & 0xFFFF) | (((p2 >> 24) & 0xF) << 16);
        win_.last = (p1 >> 16) | (((p2 >> 28) & 0xF) << 16);
        win_.start = p2 & kPositionMask;
        win_.shift = (nv >> kPcShiftShift) & 0xFF;
        win_.passIndex = passes_.size();
        PassInfo p;
        p.armedUs = t_ - epochUs_;
        p.first = win_.first;
        p.last = win_.last;
        p.startDot = win_.start;
        p.shift = win_.shift;
        passes_.push_back(p);
        nv &= ~(1u << kPcFired);
        log("fire", fmt("armed: columns %u..%u from dot %u, shift %u", win_.first, win_.last, win_.start, win_.shift));
    } else if (falling(kPcStartMode) && win_.armed) {
        if (win_.started && !win_.done) log("fire", "window aborted: start-print mode off");
        win_.armed = false;
    }
    if (rising(kPcWriteGate)) {
        const uint32_t d = regs_[REG_MEMORY_ADDRESS];
        gateOpen_ = true;
        gateAddress_ = d & 0xFFFFFF;
        gateLength_ = d >> 24;
        gateBytes_ = 0;
        nv &= ~(1u << kPcWriteDone);
    } else if (falling(kPcWriteGate)) {
        gateOpen_ = false;
    }
    regs_[REG_PRINT_CONTROL] = nv;
}

// ------------------------------------------------------------------------------------------ mailbox

void Machine::writeHeadsCommand(uint32_t v) {
    const uint32_t old = regs_[REG_HEADS_COMMAND];
    regs_[REG_HEADS_COMMAND] = v & ~0x20u;
    const bool strobe = v & 8, was = old & 8;
    if (!strobe) {
        ackPending_ = false;
        return;
    }
    if (was) return;
    const unsigned fn = v & 7;
    if (boardSilent_) {
        log("mailbox", fmt("command %u: no answer (boards silent)", fn));
        return;
    }
    std::array<uint8_t, 16> block{};
    for (int k = 0; k < 4; ++k) putWord(block.data() + 4 * k, regs_[REG_HEADS_DATA_OUT + 4u * k]);
    auto answer = [&](const std::array<uint8_t, 16>& b) {
        for (int k = 0; k < 4; ++k) regs_[REG_HEADS_DATA_IN + 4u * k] = getWord(b.data() + 4 * k);
    };
    auto hex = [](const std::array<uint8_t, 16>& b) {
        std::string s;
        for (uint8_t c : b) s += fmt("%02X", c);
        return s;
    };
    if (cfg_.headBoardType == 2) {
        switch (fn) {
        case 0:
        case 4: {
            const int board = fn == 4;
            boardIn_[board] = block;
            ++boardCount_[board];
            answer(block);
            log("mailbox", fmt("board %d received %s", board + 1, hex(block).c_str()));
            break;
        }
        case 3: {
            std::array<uint8_t, 16> temps{};
            for (int k = 0; k < 4; ++k) {
                double t = temperature_[size_t(k)];
                if (t < 0) {
                    // Heater code of slot k: low nibble n with high nibble 15 - n; n 0..5 heats.
                    uint8_t code = boardIn_[0][size_t(2 * k)];
                    unsigned n = code & 15;
                    bool heating = boardCount_[0] && (code >> 4) == 15 - n && n < 6;
                    t = heating ? cfg_.heatedC : cfg_.ambientC;
                }
                temps[size_t(4 * k)] = uint8_t(std::clamp(std::lround(t), 0L, 255L));
            }
            answer(temps);
            log("mailbox", "temperatures read");
            break;
        }
        case 1: {
            std::array<uint8_t, 16> id{};
            std::copy_n(cfg_.boardIdent.begin(), std::min<size_t>(16, cfg_.boardIdent.size()), id.begin());
            answer(id);
            log("mailbox", "identification read");
            break;
        }
        default: log("mailbox", fmt("unknown board command %u", fn)); break;
        }
    } else {
        // The older board: the function is the head number; a block ending in the marker is a
        // write, anything else asks for the head's record.
        const bool write = getWord(block.data() + 12) == 0xAA55AA55u;
        if (write) {
            headParams_[int(fn)] = block;
            answer(block);
            log("mailbox", fmt("head %u parameters written %s", fn, hex(block).c_str()));
        } else {
            std::array<uint8_t, 16> rec = headParams_.count(int(fn)) ? headParams_[int(fn)] : std::array<uint8_t, 16>{};
            rec[0] = block[0];
            rec[1] = block[1];
            answer(rec);
            log("mailbox", fmt("head %u parameters read", fn));
        }
    }
    ackPending_ = true;
    ackAtUs_ = t_ + uint64_t(std::max(0.0, cfg_.boardAnswerMs) * 1000);
}

std::array<uint8_t, 16> Machine::boardReceived(int board) {
    std::lock_guard g(lock_);
    return board == 1 ? boardIn_[1] : boardIn_[0];
}

unsigned Machine::boardTransfers(int board) {
    std::lock_guard g(lock_);
    return board == 1 ? boardCount_[1] : boardCount_[0];
}

std::array<uint8_t, 16> Machine::headParams(int head) {
    std::lock_guard g(lock_);
    auto it = headParams_.find(head);
    return it == headParams_.end() ? std::array<uint8_t, 16>{} : it->second;
}

// ------------------------------------------------------------------------------------------ firing

void Machine::ensureSheet() {
    if (sheetStarted_) return;
    int colours = 1;
    for (const auto& h : cfg_.heads) colours = std::max(colours, h.colour + 1);
    const double xdpi = sheetXdpi_ > 0 ? sheetXdpi_ : cfg_.encoderCountsPerMM * 25.4 / double(divider() + 1);
    const double ydpi = sheetYdpi_ > 0 ? sheetYdpi_ : cfg_.heads[0].dpi * cfg_.sheetYMultiple;
    sheet_.reset(mediaWidthMM_, xdpi, ydpi, colours);
    sheetStarted_ = true;
    log("media", fmt("sheet started: %.2f x %.2f dpi, %d colours, origin at feed %.3f mm", xdpi, ydpi, colours,
                     sheetOriginFeedMM_));
}

void Machine::fireBetween(uint64_t ta, uint64_t& tb, bool& interrupted) {
    if (!win_.armed || win_.done || !x_.moving || tb <= ta) return;
    const double xa = x_.posAt(ta), xb = x_.posAt(tb);
    if (xa == xb) return;
    const int dir = xb > xa ? 1 : -1;
    const int64_t da = dotAt(xa), db = dotAt(xb);
    if (da == db) return;
    auto entered = [&](int64_t d) { return dir > 0 ? d > da && d <= db : d < da && d >= db; };
    auto timeOf = [&](double mm) {
        double t = x_.timeAtPosUs(mm);
        return std::clamp<uint64_t>(uint64_t(std::llround(t)), ta, tb);
    };
    auto passInfo = [&]() -> PassInfo& { return passes_[win_.passIndex]; };

    if (!win_.started) {
        // The window opens when the encoder steps onto the start dot (17-bit compare), in
        // whichever direction the carriage travels; moving left at a divided clock it opens
        // early by the fire clock's lead.
        const int64_t first = da + dir;
        const int64_t count = std::llabs(db - da);
        const uint32_t fm = uint32_t(uint64_t(first) & kPositionMask);
        const uint32_t target = dir > 0 ? win_.start : uint32_t(uint64_t(int64_t(win_.start) + leftFireLeadDots()) & kPositionMask);
        const int64_t k = dir > 0 ? int64_t((target - fm) & kPositionMask) : int64_t((fm - target) & kPositionMask);
        if (k >= count) return;
        const int64_t d = first + dir * k;
        const uint64_t ts = timeOf(dotEntryMM(d, dir));
        win_.started = true;
        win_.dir = dir;
        win_.startDot = d;
        win_.nextK = 0;
        ++passesStarted_;
        passInfo().startUs = ts - epochUs_;
        passInfo().dir = dir;
        passInfo().feedMM = y_.posAt(ts);
        logAt(ts, "fire", fmt("pass %u fires %s from dot %u", passesStarted_, dir > 0 ? "left to right" : "right to left",
                              win_.start));
        for (const auto& s : scheduled_) {
            if (!s.atUs && s.atPass <= passesStarted_) {
                interrupted = true;
                tb = ts;
                return;
            }
        }
    }
    if (dir != win_.dir) {
        if (!win_.reversedLogged) log("fire", "carriage reversed inside the window: firing paused");
        win_.reversedLogged = true;
        return;
    }
    const uint32_t columns = win_.last >= win_.first ? win_.last - win_.first + 1 : 0;
    while (win_.nextK < columns) {
        const int64_t d = win_.startDot + dir * (int64_t(win_.shift) + int64_t(win_.nextK));
        if (!entered(d)) break;
        const double mm = dotEntryMM(d, dir);
        const uint64_t td = timeOf(mm);
        fireColumn(td, mm, x_.speedMMs(td) * dir, win_.last - win_.nextK);
        ++win_.nextK;
        ++passInfo().columnsFired;
    }
    if (win_.nextK >= columns) {
        win_.done = true;
        regs_[REG_PRINT_CONTROL] |= 1u << kPcFired;
        const double mm = x_.posAt(tb);
        passInfo().endUs = tb - epochUs_;
        passInfo().complete = true;
        logAt(tb, "fire", fmt("pass %u fired: %u columns, %llu drops", passesStarted_, columns,
                              (unsigned long long)passInfo().drops));
        (void)mm;
    }
}

// The card fires a right-to-left pass on a timing trimmed for the native fire divider and the
// speed the carriage is driven at there. At a divided clock the carriage is driven slower (a
// lower speed word on the DSP, a longer period on the card's own motion registers), and the trim,
// still the native one, opens the window early by the speed difference: one native step per
// fireTrimUnits of it, rounded half away from zero, the same quantity either card generation
// derives from its own speed word. Returned in job dots.
int64_t Machine::leftFireLeadDots() const {
    const double counts = double(divider() + 1), native = cfg_.nativeFireCounts;
    if (!(native > counts) || !(cfg_.fireTrimUnits > 0)) return 0;
    const double rate = native / counts, f = cfg_.fireTrimRate;
    auto nearest = [](double v) { return std::trunc(v + 0.5); };
    double diff = 0;
    if (x_.source == 0) {
        const double word = double(dspRegs_[DSP_X_SPEED & 0xFF] & 0xFFFF);
        diff = nearest(word * rate * f) - nearest(word * f);
    } else {
        const double word = double(xSpeedWordCard());
        if (word <= 0) return 0;
        diff = nearest(f * rate / word) - nearest(f / word);
    }
    const double steps = std::trunc(diff > 0 ? diff / cfg_.fireTrimUnits + 0.5 : diff / cfg_.fireTrimUnits - 0.5);
    return std::llround(steps * rate);
}

void Machine::fireColumn(uint64_t t, double xMM, double speedMMs, uint32_t column) {
    if (column == 0) return; // columns count from 1
    const size_t m = column - 1;
    ensureSheet();
    const double feed = y_.posAt(t) - sheetOriginFeedMM_;
    const double flight = speedMMs * cfg_.dropFlightUs * 1e-6;
    const size_t bb = blockBytes();
    PassInfo& pass = passes_[win_.passIndex];
    for (size_t s = 0; s < cfg_.heads.size(); ++s) {
        const HeadConfig& h = cfg_.heads[s];
        const size_t blocksPerSlot = size_t(h.nozzles + 127) / 128;
        const double hx = xMM + h.xMM + (cfg_.misplacement ? h.dxMM : 0) + flight - mediaLeftMM_;
        const double hy = h.yMM + (cfg_.misplacement ? h.dyMM : 0) + feed;
        const double pitch = 25.4 / h.dpi;
        for (int j = 0; j < h.nozzles; ++j) {
            const size_t block = s * blocksPerSlot + size_t(j) / 128;
            // The bytes that hold this column in the block: a group of 128 (8-line format) or a
            // column of 16; most columns of a pass are blank, and a blank one fires nothing.
            const size_t span = cfg_.eightLineFormat ? 128 : 16;
            const size_t first = cfg_.eightLineFormat ? 128 * (m / 8) : 16 * m;
            if (j % 128 == 0 && block < memory_.size() && first + span <= memory_[block].size()) {
                const uint8_t* p = memory_[block].data() + first;
                if (std::all_of(p, p + span, [](uint8_t b) { return b == 0; })) {
                    j = int((size_t(j) / 128 + 1) * 128) - 1;
                    continue;
                }
            }
            if (block >= memory_.size() || memory_[block].empty()) {
                j = int((size_t(j) / 128 + 1) * 128) - 1; // nothing in this block
                continue;
            }
            const size_t r = size_t(j) % 128;
            size_t offset;
            unsigned bit;
            if (cfg_.eightLineFormat) {
                offset = 128 * (m / 8) + r;
                bit = 7 - unsigned(m % 8);
            } else {
                offset = 16 * m + r / 8;
                bit = 7 - unsigned(r % 8);
            }
            if (offset >= bb) continue;
            if (!((memory_[block][offset ^ 3] >> bit) & 1)) continue;
            ++drops_[size_t(h.colour) % drops_.size()];
            ++pass.drops;
            // Nozzle 0 is the downstream end of the row, or the upstream end of a reversed head.
            const int place = h.reversed ? h.nozzles - 1 - j : j;
            if (dropLogOn_) dropLog_.push_back({uint32_t(win_.passIndex), h.colour, hx, hy + place * pitch});
            if (!sheet_.drop(h.colour, hx, hy + place * pitch)) ++dropsOff_;
        }
    }
}

void Machine::setSheetResolution(double xdpi, double ydpi) {
    std::lock_guard g(lock_);
    sheetXdpi_ = std::max(0.0, xdpi);
    sheetYdpi_ = std::max(0.0, ydpi);
    if (sheetStarted_) {
        sheetStarted_ = false;
        sheet_ = {};
    }
}

void Machine::setDropLog(bool on) {
    std::lock_guard g(lock_);
    advance();
    dropLogOn_ = on;
}

std::vector<DropRecord> Machine::dropLog() {
    std::lock_guard g(lock_);
    advance();
    return dropLog_;
}

void Machine::newSheet() {
    std::lock_guard g(lock_);
    advance();
    sheet_ = {};
    sheetStarted_ = false;
    sheetOriginFeedMM_ = y_.posAt(t_);
    dropsOff_ = 0;
    dropLog_.clear();
    std::fill(drops_.begin(), drops_.end(), 0);
    log("media", fmt("new sheet, origin at feed %.3f mm", sheetOriginFeedMM_));
}

Sheet Machine::sheet() {
    std::lock_guard g(lock_);
    advance();
    return sheet_;
}

bool Machine::saveSheetPng(const std::string& path, std::string* error) {
    std::lock_guard g(lock_);
    advance();
    ensureSheet();
    return sheet_.savePng(path, cfg_.inkRGB, {}, error);
}

bool Machine::saveSheetRaw(const std::string& path, std::string* error) {
    std::lock_guard g(lock_);
    advance();
    ensureSheet();
    return sheet_.saveRaw(path, {}, error);
}

} // namespace sim
