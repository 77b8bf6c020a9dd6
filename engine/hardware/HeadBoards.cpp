// The head control boards behind the card's mailbox: head voltages and heaters on the
// temperature/voltage boards, identification and temperatures, and the per-head record of the
// older head-parameter board.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/DrvPrint.h"
#include "hardware/CardChannel.h"
#include "hardware/CardIo.h"
#include "hardware/CardRegisters.h"
#include "hardware/HeadBoards.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Prompter.h"

using namespace hw;

namespace hw {

uint8_t heaterTemperatureCode(float celsius) {
    // Truncated toward zero like the board's own table lookup; held to the table's ends.
    const float index = std::trunc(celsius - float(kHeaterTableFirstC));
    const int last = int(kHeaterTemperatureCodes.size()) - 1;
    const int i = std::isnan(index) ? 0 : int(std::clamp(index, 0.0f, float(last)));
    return kHeaterTemperatureCodes[size_t(i)];
}

} // namespace hw

namespace {

constexpr uint32_t kDataOut(unsigned k) { return REG_HEADS_DATA_OUT + 4 * k; }
constexpr uint32_t kDataIn(unsigned k) { return REG_HEADS_DATA_IN + 4 * k; }

void writeBlock(const uint8_t* block) {
    for (unsigned k = 0; k < 4; ++k) writeRegister(kDataOut(k), getWord(block + 4 * k));
}

void readBlock(uint8_t* block) {
    for (unsigned k = 0; k < 4; ++k) putWord(block + 4 * k, static_cast<uint32_t>(readRegister(kDataIn(k))));
}

void command(uint32_t value) { writeRegister(REG_HEADS_COMMAND, value); }

// Flash jetting must not run while the older board talks through the mailbox.
// (Register 512: bit 1 flash on, bits 28..31 its frequency code, bits 24..27 the fire divider.)
bool flashOn() { return readBit(REG_PRINT_CONTROL, kPcFlash) == 1; }

void setFlash(unsigned code) {
    uint32_t v = 0;
    if (!tryReadRegister(REG_PRINT_CONTROL, v)) return; // the divider bits are unknown: write nothing
    v &= kPcDividerMask;
    writeRegister(REG_PRINT_CONTROL, v);
    if (code == 0) return;
    v = (v & 0x0FFFFFFFu) + (uint32_t(code) << kPcFlashCodeShift);
    writeRegister(REG_PRINT_CONTROL, v);
    setBit(REG_PRINT_CONTROL, kPcFlash, true);
}

struct FlashPause {
    explicit FlashPause(unsigned restoreCode) : code(restoreCode), was(flashOn()) {
        if (was) setFlash(0);
    }
    ~FlashPause() {
        if (was) setFlash(code);
    }
    unsigned code;
    bool was;
};

// The board's text: up to the first NUL of the 16 bytes, anything unprintable shown as '?'.
std::string boardText(const uint8_t* buffer) {
    std::string s;
    for (size_t i = 0; i < 16 && buffer[i]; ++i) s += buffer[i] >= 0x20 && buffer[i] < 0x7F ? char(buffer[i]) : '?';
    return s;
}

// The board slot of head i (its card channel's, counted per head of LINESPERHEAD lines); -1 for a
// head without a channel (0), beyond the table, or a channel beyond the slots.
int boardSlot(const CDrvPrint& d, unsigned i) {
    const unsigned lines = std::max(1u, d.LINESPERHEAD);
    if (i * lines >= kMaxHeads) return -1;
    const int channel = d.HeadChannel[i * lines];
    const int slot = (channel - 1) / int(lines);
    return channel < 1 || slot >= int(kMaxHeads) ? -1 : slot;
}

} // namespace

// ---------------------------------------------------------------------------------- codes

int CDrvPrint::AdjustV(uint8_t* code, float voltage, float offset) {
    const float unit = fHTVVoltageDACUnit;
    float x = (voltage + offset - fHTVVoltageDefault) / unit;
    int v;
    if (std::isnan(x)) v = 0; // a zero DAC unit with no difference: no change from the default
    else if (x > 127) v = 0x7F;
    else if (x < -127) v = -127;
    else v = int(x); // toward zero
    *code = static_cast<uint8_t>(v);
    return 1;
}

// ---------------------------------------------------------------------------------- temperature/voltage boards

int CDrvPrint::AUXHTVCheckHCB() { return uiMemoryMode == 3 || uiMemoryMode == 5 || uiMemoryMode == 6 ? 1 : 0; }

std::string CDrvPrint::AUXHTVCheckVoltages() const {
    char text[160];
    const float unit = fHTVVoltageDACUnit;
    if (!std::isfinite(unit) || unit <= 0.0f) {
        std::snprintf(text, sizeof text, "HeadVoltageDACUnit %g is no voltage step", double(unit));
        return text;
    }
    if (!std::isfinite(fHTVVoltageDefault) || fHTVVoltageDefault <= 0.0f) {
        std::snprintf(text, sizeof text, "HeadVoltageDefault %g is no voltage", double(fHTVVoltageDefault));
        return text;
    }
    // The board sets a head to the default voltage plus 127 steps either way, no further: a voltage
    // outside that is a typing error, and clamped it would drive the head at the end of the range.
    const float low = fHTVVoltageDefault - 127 * unit, high = fHTVVoltageDefault + 127 * unit;
    const unsigned heads = std::min(uiHTVHeads, kMaxHeads);
    for (unsigned i = 0; i < heads; ++i) {
        const int slot = boardSlot(*this, i);
        if (slot < 0) continue;
        const float v = HTVVoltageDefine[slot] + (bHTVTemperatureMode ? 0.0f : HTVVoltageOffset[slot]);
        if (!std::isfinite(v) || v < low || v > high) {
            std::snprintf(text, sizeof text, "head %u: %.1f V is outside the board's %.1f to %.1f V", i + 1, double(v),
                          double(low), double(high));
            return text;
        }
    }
    return {};
}

int CDrvPrint::AUXHTVSetParams(unsigned board) {
    // Implausible settings never reach the heads: nothing is sent, and the operator is told why.
    if (uiHeadsParamsMode == 1) {
        if (const std::string why = AUXHTVCheckVoltages(); !why.empty()) {
            platform::log(platform::LogLevel::Error, "head voltages not sent: " + why);
            platform::messageBox((bLanguageChinese ? "喷头电压设置不合理，没有发送到喷头板：" : "Head voltages not sent to the boards: ") + why);
            return 0;
        }
    }
    for (size_t i = 0; i < 16; i += 2) byHTVOutA[i] = byHTVOutB[i] = 0xF0;
    const unsigned lines = std::max(1u, LINESPERHEAD);
    const unsigned heads = std::min(uiHTVHeads, kMaxHeads);
    const unsigned split = bHTVSplitAt8 ? 8 : heads / 2;
    for (unsigned i = 0; i < heads && i * lines < kMaxHeads; ++i) {
        const int c = ColorChannel[i * lines];
        const int slotSigned = boardSlot(*this, i);
        if (slotSigned < 0) continue;
        const unsigned slot = unsigned(slotSigned);
        uint8_t voltage = 0;
        AdjustV(&voltage, HTVVoltageDefine[slot], bHTVTemperatureMode ? 0.0f : HTVVoltageOffset[slot]);
        const uint8_t heater = bHTVTemperatureMode ? heaterTemperatureCode(HTVVoltageOffset[slot])
                                                   : heaterCode(c, bHTVEnable != 0);
        uint8_t* out = byHTVOutA;
        unsigned pos = 2 * slot;
        if (board == 1 && slot >= split) {
            out = byHTVOutB;
            pos = 2 * (slot - split);
        }
        // Each board takes eight heads; a slot beyond them has no place in the block.
        if (pos + 1 >= 16) continue;
        out[pos] = heater;
        out[pos + 1] = voltage;
    }
    const bool send = uiHeadsParamsMode == 1;
    if (board == 1) {
        if (send) {
            command(kHeadsBoardB);
            writeBlock(byHTVOutB);
            platform::sleepMs(1);
            command(kHeadsBoardB | kHeadsStrobe);
        }
        readBlock(byHTVInB);
        return 1;
    }
    if (send) {
        command(kHeadsBoardA);
        writeBlock(byHTVOutA);
        platform::sleepMs(1);
        command(kHeadsBoardA | kHeadsStrobe);
    }
    readBlock(byHTVInA);
    return 1;
}

void CDrvPrint::AUXHTVInitParams() {
    PRMLoadHTVParams();
    if (csHtvFile.empty()) {
        uiHTVBoardType = 0;
        return;
    }
    uint8_t ident[16] = {};
    AUXHTVGetVersion(ident);
    uiHTVBoardType = 2;
}

int CDrvPrint::AUXHTVGetVersion(uint8_t* buffer) {
    uint8_t scratch[16];
    if (!buffer) buffer = scratch;
    uint32_t v = 0;
    if (!tryReadRegister(REG_HEADS_COMMAND, v)) { // the command's other bits are unknown: ask nothing
        std::memset(buffer, 0xFF, 16);             // what an unreadable board gives
        csHeadBoardName = boardText(buffer);
        return -1;
    }
    v &= 0xFFFFF0u;
    platform::sleepMs(1);
    command(v + kHeadsIdent);
    platform::sleepMs(1);
    command(v + kHeadsIdent + kHeadsStrobe);
    platform::sleepMs(1000);
    readBlock(buffer);
    const std::string text = boardText(buffer);
    if (text == "SII510H610KV2") {
        csHeadBoardName = "SPT510 6H 10K V2";
        return 1;
    }
    if (buffer[0] == 'U' || buffer[0] == 'V') {
        csHeadBoardName = "SPT510 6H 7K V1";
        return 0;
    }
    csHeadBoardName = text;
    return -1;
}

int CDrvPrint::AUXHTVReadParams(uint8_t* buffer) {
    if (buffer) readBlock(buffer);
    return 0;
}

int CDrvPrint::AUXHTVReadParamsTemp(uint8_t* buffer) {
    uint8_t scratch[16];
    if (!buffer) buffer = scratch;
    readRegister(REG_HEADS_COMMAND);
    command(kHeadsTemperatures);
    platform::sleepMs(1);
    command(kHeadsTemperatures | kHeadsStrobe);
    platform::sleepMs(1);
    for (unsigned k = 0; k < 4; ++k) {
        const uint32_t t = static_cast<uint32_t>(readRegister(kDataIn(k))) & 0xFFu;
        putWord(buffer + 4 * k, t * 0x01010101u);
    }
    platform::sleepMs(10);
    command(kHeadsBoardA);
    platform::sleepMs(1);
    command(kHeadsBoardA | kHeadsStrobe);
    platform::sleepMs(1);
    return 0;
}

int CDrvPrint::AUXHTVWriteParams(unsigned index, unsigned long value) {
    const unsigned heads = std::min(uiHTVHeads, kMaxHeads);
    const bool second = AUXHTVCheckHCB() == 1 && index >= heads / 2;
    // The second board's block starts at head 6; a head that maps outside the four data words
    // of its board has no place and is not sent.
    const long word = second ? (long(index) - 6) / 2 : long(index) / 2;
    if (long(index) < (second ? 6 : 0) || word > 3) {
        platform::logf(platform::LogLevel::Warn, "head board: no data word for head %u", index);
        return 0;
    }
    const uint32_t port = kDataOut(unsigned(word));
    uint32_t cur = 0;
    if (!tryReadRegister(port, cur)) return 0; // the other head's half is unknown: send nothing
    const uint32_t v = ((index & 1u) ? (cur & 0x0000FFFFu) : (cur & 0xFFFF0000u)) | uint32_t(value);
    const uint32_t board = second ? kHeadsBoardB : kHeadsBoardA;
    command(board);
    writeRegister(port, v);
    command(board | kHeadsStrobe);
    // The board's block in the engine follows, so that it keeps showing what the board holds.
    putWord((second ? byHTVOutB : byHTVOutA) + 4 * word, v);
    return 0;
}

void CDrvPrint::AUXHTVDisableParams() {
    // Each word of a board's block with its heater codes set to 0x5A; the voltage codes stay.
    // `block` null: the words as they stand in the data-out registers.
    auto heatersOff = [](uint32_t board, const uint8_t* block) {
        for (unsigned k = 0; k < 4; ++k) {
            uint32_t v = block ? getWord(block + 4 * k) : static_cast<uint32_t>(readRegister(kDataOut(k)));
            v = (v & ~0x00A500A5u) | 0x005A005Au;
            command(board);
            writeRegister(kDataOut(k), v);
            command(board | kHeadsStrobe);
        }
    };
    if (AUXHTVCheckHCB() != 1) {
        heatersOff(kHeadsBoardA, nullptr);
        return;
    }
    // Two boards share the data-out registers, which hold whichever block went out last: each
    // board gets its own block back, or the first would take the second one's voltages.
    heatersOff(kHeadsBoardA, byHTVOutA);
    platform::sleepMs(1000);
    heatersOff(kHeadsBoardB, byHTVOutB);
}

// ---------------------------------------------------------------------------------- both generations

int CDrvPrint::AUXSetHeadsParamsState(int on) {
    switch (uiHTVBoardType) {
    case 2:
        if (on) {
            AUXHTVSetParams(0);
            if (AUXHTVCheckHCB() == 1) {
                platform::sleepMs(5000);
                AUXHTVSetParams(1);
            }
        } else {
            AUXHTVDisableParams();
        }
        return 1;
    case 1:
        writeRegister(kDataOut(0), on ? 86 : 255);
        for (int round = 0; round < 2; ++round)
            for (uint32_t k = 0; k < 6; ++k) {
                command(0);
                command(k + kHeadsStrobe);
                platform::sleepMs(10);
            }
        command(0);
        return on;
    default: return 0; // no board: nothing to switch
    }
}

int CDrvPrint::AUXGetHeadsParamsState() {
    return (static_cast<uint32_t>(readRegister(kDataOut(0))) & 0xFFu) < 255 ? 1 : 0;
}

bool CDrvPrint::headsParamsExchange(unsigned head) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt) command(0);
        command(head + kHeadsStrobe);
        for (unsigned i = 0; i < kHeadsAckPolls; ++i) {
            const uint32_t c = static_cast<uint32_t>(readRegister(REG_HEADS_COMMAND));
            headBoardAnswer.command = c;
            if (c & kHeadsAck) {
                headBoardAnswer.answered = true;
                readBlock(headBoardAnswer.block);
                return true;
            }
            platform::sleepMs(kHeadsAckPollMs);
        }
    }
    headBoardAnswer.answered = false;
    readBlock(headBoardAnswer.block);
    platform::logf(platform::LogLevel::Warn, "head board: no answer for head %u", head);
    return false;
}

bool CDrvPrint::AUXHTVCheckAnswer() {
    headBoardAnswer.answered = false;
    for (unsigned i = 0; i < kHeadsAckPolls; ++i) {
        uint32_t c = 0;
        if (!tryReadRegister(REG_HEADS_COMMAND, c)) break; // the card does not answer either
        headBoardAnswer.command = c;
        if (c & kHeadsAck) {
            headBoardAnswer.answered = true;
            break;
        }
        platform::sleepMs(kHeadsAckPollMs);
    }
    readBlock(headBoardAnswer.block);
    if (!headBoardAnswer.answered) platform::log(platform::LogLevel::Warn, "head board: no answer to the last command");
    return headBoardAnswer.answered;
}

int CDrvPrint::AUXReadHeadsParams(unsigned head, HeadsParams* record) {
    // The command register takes the head in its three function bits.
    if (!record || head > 7) return 0;
    FlashPause flash(cleaning.uiFlashFrequency);
    command(0);
    writeRegister(kDataOut(0), uint32_t(record->byData[1]) * 256 + record->byData[0]);
    // The board takes a block that still ends in the marker of an earlier write for another write:
    // clear it, or the read would store stale bytes as this head's parameters.
    writeRegister(kDataOut(3), 0);
    headsParamsExchange(head);
    readBlock(record->byData);
    return record->byData[0];
}

int CDrvPrint::AUXWriteHeadsParams(unsigned head, HeadsParams record) {
    if (head > 7) return 0;
    FlashPause flash(cleaning.uiFlashFrequency);
    uint8_t* b = record.byData;
    b[1] = 0x40;
    b[3] = 0xFF;
    b[4] = 0;
    b[5] = 0x40;
    b[7] = 0xFF;
    b[8] = 0;
    putWord(b + 12, kHeadsParamsMarker);
    command(0);
    for (unsigned k = 0; k < 3; ++k) writeRegister(kDataOut(k), getWord(b + 4 * k));
    writeRegister(kDataOut(3), kHeadsParamsMarker);
    headsParamsExchange(head);
    readRegister(REG_HEADS_COMMAND);
    return 1;
}
