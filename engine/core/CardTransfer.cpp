// Card memory: transfers of a pass, the fire window, flash jetting and start-print mode.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/CardTransfer.h"
#include "core/DrvPrint.h"
#include "core/DropCount.h"
#include "hardware/CardIo.h"
#include "platform/Clock.h"

using namespace hw;

namespace cardmem {

bool layoutOf(unsigned mode, Layout& out) {
    static constexpr Layout kLayouts[7] = {
        {24, 0x80000, 2}, {32, 0x100000, 2}, {24, 0xA0000, 2}, {64, 0x80000, 4},
        {24, 0x140000, 2}, {48, 0xA0000, 4}, {24, 0x140000, 2},
    };
    if (mode >= 7) return false;
    out = kLayouts[mode];
    return true;
}

void swapWordsInto(uint8_t* dst, const uint8_t* src, size_t n) {
    // Whole words in one pass; a partial last word is padded with zeros, never dropped.
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        dst[i] = src[i + 3];
        dst[i + 1] = src[i + 2];
        dst[i + 2] = src[i + 1];
        dst[i + 3] = src[i];
    }
    if (i < n) {
        uint8_t w[4] = {0, 0, 0, 0};
        std::memcpy(w, src + i, n - i);
        for (size_t k = 0; k < n - i; ++k) dst[i + k] = w[3 - k];
    }
}

bool writeSwapped(const uint8_t* swapped, unsigned block, size_t n, unsigned mode) {
    Layout l;
    if (!layoutOf(mode, l) || block >= l.blocks) return false;
    // Nothing may run past the end of the block: the card would drop it.
    n = std::min<size_t>(n, l.blockBytes);
    const uint32_t address = static_cast<uint32_t>(uint64_t(block) * l.blockBytes / 2);
    return bulkWrite(std::span<const uint8_t>(swapped, n), address, l.unit);
}

} // namespace cardmem

int CDrvPrint::IMGWriteCardMemory(const uint8_t* data, unsigned block, size_t n, unsigned mode) {
    if (!data && n) return 0;
    std::vector<uint8_t> tmp(n);
    cardmem::swapWordsInto(tmp.data(), data, n);
    return cardmem::writeSwapped(tmp.data(), block, n, mode) ? 1 : 0;
}

// The head channel table (HeadChannel1 .. HeadChannel<HEADS>) numbers the card's channels in one
// of two ways, never both: from 1, as the slot formula counts (slot = (channel - 1) x
// HEADSCHANNELMODE), or from 0, as the setup file's defaults do (n - 1). A table holding a 0
// numbers from 0 and is then exactly 0 .. HEADS - 1 in some order; any other table numbers from
// 1. PRNCheckHeadSlots refuses a job whose table breaks this, so a slip in one value can never
// move the other heads' rasters.
bool CDrvPrint::PRNHeadChannelsFromZero() const {
    for (unsigned k = 0; k < HEADS && k < kMaxHeads; ++k)
        if (HeadChannel[k] == 0) return true;
    return false;
}

std::string CDrvPrint::PRNCheckHeadSlots() const {
    const bool zh = bLanguageChinese != 0;
    const unsigned heads = std::min(HEADS, unsigned(kMaxHeads));
    const bool fromZero = PRNHeadChannelsFromZero();
    auto key = [](unsigned h) { return "HeadChannel" + std::to_string(h + 1); };
    for (unsigned h = 0; h < heads; ++h) {
        const int ch = HeadChannel[h];
        if (ch < 0)
            return zh ? key(h) + " 为 " + std::to_string(ch) + "：喷头通道不能为负"
                      : key(h) + " is " + std::to_string(ch) + ": a head channel is 0 or more";
        if (fromZero && ch >= int(heads)) {
            unsigned zero = 0;
            while (zero < heads && HeadChannel[zero] != 0) ++zero;
            return zh ? "喷头通道表混用了两种编号：" + key(zero) + " 为 0（从 0 编号），但 " + key(h) + " 为 " +
                            std::to_string(ch) + "；从 0 编号时 " + std::to_string(heads) + " 个喷头的通道为 0 到 " +
                            std::to_string(heads - 1) + "，否则全部从 1 编号"
                      : "The head channel table mixes two numberings: " + key(zero) + " is 0 (numbering from 0) but " +
                            key(h) + " is " + std::to_string(ch) + "; numbered from 0, " + std::to_string(heads) +
                            " heads take channels 0 to " + std::to_string(heads - 1) + ", else number every head from 1";
        }
    }
    const bool eightLine = bEightLineMode == 1;
    for (unsigned h = 0; h < heads; ++h)
        for (unsigned k = 0; k < h; ++k)
            if (IMGHeadSlot(h, eightLine) == IMGHeadSlot(k, eightLine))
                return zh ? key(k) + " 与 " + key(h) + " 指向同一个卡槽 " + std::to_string(IMGHeadSlot(h, eightLine)) +
                                "，每个喷头需要自己的卡槽"
                          : key(k) + " and " + key(h) + " give the same card slot " +
                                std::to_string(IMGHeadSlot(h, eightLine)) + " (HEADSCHANNELMODE " +
                                std::to_string(HEADSCHANNELMODE) + "): each head needs its own slot";
    return {};
}

int CDrvPrint::IMGHeadSlot(unsigned h, bool eightLine) const {
    if (h >= kMaxHeads) return -1;
    // The table's numbering (above); a negative channel has no slot.
    const int ch = HeadChannel[h] - (PRNHeadChannelsFromZero() ? 0 : 1);
    if (ch < 0) return -1;
    const int mode = int(HEADSCHANNELMODE);
    if (eightLine && bSlotOffsetSwitch) return mode == 1 ? ch : ch * mode + 1;
    return ch * mode;
}

namespace {

// The bits of the records of one 128-row block that reach a nozzle, as they lie in the bus chunk
// (words swapped): the card fires the rows below the head's nozzle count. The 16-byte layout also
// fills the rows past it (from the next head's share of the colour), which are sent but never
// fired. False when every bit fires.
bool firedBits(unsigned nozzles, unsigned block, size_t recordBytes, uint8_t (&mask)[dropcount::kMaskBytes]) {
    const int64_t limit = std::clamp<int64_t>(int64_t(nozzles) - 128 * int64_t(block), 0, 128);
    if (limit == 128) return false;
    uint8_t rows[dropcount::kMaskBytes];
    for (size_t i = 0; i < dropcount::kMaskBytes; ++i) {
        if (recordBytes == 128) {
            rows[i] = int64_t(i) < limit ? 0xFF : 0; // one row of 8 columns a byte
        } else {
            const int64_t k = int64_t(i % 16); // rows 8k .. 8k + 7, the first in the high bit
            uint8_t b = 0;
            for (int j = 0; j < 8; ++j)
                if (8 * k + j < limit) b |= uint8_t(0x80 >> j);
            rows[i] = b;
        }
    }
    for (size_t i = 0; i < dropcount::kMaskBytes; ++i) mask[i] = rows[i ^ 3];
    return true;
}

// The per-head transfer: `chunk` bytes for each block b, written at slot x blocks + b. They go to
// the card in bus chunks, each assembled while the one before crosses the bus; fill(h, b, at,
// buf, n) assembles bytes [at, at + n) of the block's chunk into buf, which comes zeroed. A block
// whose write fails is left there (as a whole write would stop): the next block is tried.
template <typename Fill>
void sendHeads(CDrvPrint& d, unsigned blocks, size_t chunk, size_t recordBytes, bool eightLineSlots, Fill fill) {
    cardmem::Layout l;
    if (!cardmem::layoutOf(d.uiMemoryMode, l) || blocks == 0 || chunk == 0) return;
    chunk = std::min<size_t>(chunk, l.blockBytes);
    std::vector<uint8_t> bufs[2] = {std::vector<uint8_t>(hw::kBulkChunkBytes), std::vector<uint8_t>(hw::kBulkChunkBytes)};
    unsigned next = 0;
    bool pending = false; // a chunk is on the bus, not yet acknowledged
    auto acknowledged = [&] {
        if (!pending) return true;
        pending = false;
        return hw::waitMemoryWriteDone();
    };
    const unsigned heads = std::min({d.HEADS, d.uiHeadsAllocated, unsigned(kMaxHeads)});
    for (unsigned h = 0; h < heads; ++h) {
        if (!d.headCardBuf[h]) continue;
        const int slot = d.IMGHeadSlot(h, eightLineSlots);
        if (slot < 0) continue;
        // The head's drops are the bits it is given, counted while each chunk is in the cache.
        const int ink = d.ColorChannel[h];
        const bool counted = d.bCountDrops && ink >= 0 && unsigned(ink) < kMaxColors;
        uint64_t drops = 0;
        for (unsigned b = 0; b < blocks; ++b) {
            uint8_t mask[dropcount::kMaskBytes];
            const bool masked = firedBits(d.NOZZLESPERHEAD, b, recordBytes, mask);
            const uint64_t block = uint64_t(slot) * blocks + b;
            if (block >= l.blocks) break; // the card has no room for this slot
            const int ahead = d.iPresetXDirection;
            if (ahead >= 0 && d.MOVPresetXDirection(ahead)) d.iPresetXDirection = -1;
            const uint32_t address = static_cast<uint32_t>(block * l.blockBytes / 2);
            for (size_t at = 0; at < chunk; at += hw::kBulkChunkBytes) {
                const size_t n = std::min<size_t>(hw::kBulkChunkBytes, chunk - at);
                uint8_t* buf = bufs[next++ & 1].data();
                std::memset(buf, 0, n);
                fill(h, b, at, buf, n);
                if (counted) drops += masked ? dropcount::countBitsMasked(buf, n, mask) : dropcount::countBits(buf, n);
                d.uiCardBytesSent += n;
                if (!acknowledged()) break;
                pending = hw::startMemoryWrite(std::span<const uint8_t>(buf, n), address + uint32_t(at / l.unit));
                if (!pending) break;
            }
        }
        if (counted) d.uiInkDrops[unsigned(ink)] += drops;
    }
    acknowledged();
}

size_t roundKiB(uint64_t n) { return size_t((n + 1023) / 1024 * 1024); }

// Copies `len` bytes of each of `count` records (stride apart in src) into dst, swapping the bytes
// of every 32-bit word on the way. len is a multiple of 16. Source bytes beyond srcSize read as 0.
void gatherSwapped(uint8_t* dst, size_t dstSize, const uint8_t* src, uint64_t srcSize, uint64_t first,
                   uint64_t stride, size_t len, uint64_t count) {
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t at = first + i * stride;
        uint8_t* out = dst + i * len;
        if (size_t(out - dst) + len > dstSize) return;
        if (at + len > srcSize) return; // the rest stays zero
        const uint8_t* in = src + at;
        for (size_t k = 0; k < len; k += 4) {
            out[k] = in[k + 3];
            out[k + 1] = in[k + 2];
            out[k + 2] = in[k + 1];
            out[k + 3] = in[k];
        }
    }
}

// The part of a transfer from byte `at` on (a multiple of len): records at / len onwards.
void gatherRecords(uint8_t* dst, size_t dstSize, const uint8_t* src, uint64_t srcSize, uint64_t first, uint64_t stride,
                   size_t len, uint64_t count, size_t at) {
    const uint64_t r0 = at / len;
    if (r0 >= count) return;
    gatherSwapped(dst, dstSize, src, srcSize, first + r0 * stride, stride, len, count - r0);
}

} // namespace

void CDrvPrint::IMGSendMemoryToCard() {
    const unsigned K = uiCardRowBytes;
    const unsigned blocks = K / 16;
    // Every column of the fire window is written (it reaches past the heads' span to the head
    // width): columns left over from an earlier pass in the other direction would fire again.
    const unsigned lead = std::max(UI_DPIRate(1, uiHeadsSpan), UI_DPIRate(1, uiHeadWidth + 100));
    const uint64_t columns = uint64_t(lead) + uiColorBarWidth + uiPassWidthDots;
    const size_t chunk = roundKiB(16 * columns);
    sendHeads(*this, blocks, chunk, 16, false, [&](unsigned h, unsigned b, size_t at, uint8_t* buf, size_t size) {
        // Head 0 keeps its last 4 columns blank.
        const uint64_t cols = h == 0 ? (columns > 4 ? columns - 4 : 0) : columns;
        gatherRecords(buf, size, headCardBuf[h].get(), uiHeadCardSize, 16ull * b, K, 16, cols, at);
    });
}

void CDrvPrint::IMGSendMemoryToCard8Lines() {
    const unsigned K8 = 8 * uiCardRowBytes;
    const unsigned blocks = K8 / 128;
    const uint64_t groups = (uint64_t(UI_DPIRate(1, uiHeadWidth + 100)) + uiColorBarWidth + uiPassWidthDots + 7) / 8;
    const size_t chunk = roundKiB(128 * groups);
    sendHeads(*this, blocks, chunk, 128, true, [&](unsigned h, unsigned b, size_t at, uint8_t* buf, size_t size) {
        gatherRecords(buf, size, headCardBuf[h].get(), uiHeadCardSize, 128ull * b, K8, 128, groups, at);
    });
}

void CDrvPrint::IMGSendMemoryToCard8LinesInTime() {
    const unsigned K8 = 8 * uiCardRowBytes;
    const unsigned blocks = K8 / 128;
    const uint64_t groups = (uint64_t(UI_DPIRate(1, uiHeadsSpan)) + uiColorBarWidth + uiPassWidthDots + 7) / 8;
    const size_t chunk = roundKiB(128 * groups);
    sendHeads(*this, blocks, chunk, 128, false, [&](unsigned h, unsigned b, size_t at, uint8_t* buf, size_t size) {
        const uint64_t n = h == 0 ? (groups > 4 ? groups - 4 : 0) : groups;
        gatherRecords(buf, size, headCardBuf[h].get(), uiHeadCardSize, 128ull * b, K8, 128, n, at);
    });
}

void CDrvPrint::PRNSendMemoryToCard() {
    if (bEightLineMode == 1)
        IMGSendMemoryToCard8Lines();
    else
        IMGSendMemoryToCard();
}

void CDrvPrint::PRNSetInkDrops(const std::array<uint64_t, kMaxColors>& counts) {
    for (unsigned c = 0; c < kMaxColors; ++c) uiInkDrops[c] = counts[c];
    uiInkDropsAtPass = counts;
}

uint64_t CDrvPrint::PRNInkDropsTotal() const {
    uint64_t sum = 0;
    for (const auto& c : uiInkDrops) sum += c.load();
    return sum;
}

double CDrvPrint::PRNJobPrintingSeconds() const {
    const uint64_t a = uiJobPrintStartUs.load(), b = uiJobPrintEndUs.load();
    return a && b > a ? double(b - a) / 1e6 : 0.0;
}

double CDrvPrint::PRNJobMediaMM() const {
    const int64_t pulses = iJobFeedPulses.load();
    if (pulses <= 0 || fYStepToMM <= 0) return 0.0;
    return double(pulses) / double(fYStepToMM) * double(fMMPerYStep);
}

void CDrvPrint::IMGClearMemoryToCard() {
    cardmem::Layout l;
    if (!cardmem::layoutOf(uiMemoryMode, l)) return;
    const std::vector<uint8_t> zeros(l.blockBytes, 0); // zero bytes swap to themselves
    for (unsigned i = 0; i < l.blocks; ++i)
        if (!cardmem::writeSwapped(zeros.data(), i, zeros.size(), uiMemoryMode)) break;
}

void cardmem::setFireWindow(int first, int last, uint32_t startDot, unsigned shift) {
    // The fire divider (bits 24..27) is kept; a failed read leaves the register as it is (the job
    // then ends on the counted card fault).
    rewriteRegister(
        REG_PRINT_CONTROL, [](uint32_t pc, uint32_t sh) { return (pc & 0x0F000000u) + ((sh & 0xFFu) << 16); }, shift);
    const uint32_t f = uint32_t(first), l = uint32_t(last);
    writeRegister(REG_PRINT_PARAM_1, ((l & 0xFFFFu) << 16) + (f & 0xFFFFu));
    const uint32_t hi = (((l >> 16) & 0xFu) << 4) + ((f >> 16) & 0xFu);
    writeRegister(REG_PRINT_PARAM_2, (startDot & 0x1FFFFu) + (hi << 24));
}

void CDrvPrint::IMGSetPrintParams(int first, int last, unsigned position, unsigned shift) {
    cardmem::setFireWindow(first, last, UI_DPIRate(1, position), shift);
}

void CDrvPrint::IMGSetFlashPrint(unsigned code) {
    uint32_t pc = 0;
    if (!tryReadRegister(REG_PRINT_CONTROL, pc)) return; // the divider bits are unknown: write nothing
    pc &= 0x0F000000u;
    writeRegister(REG_PRINT_CONTROL, pc);
    if (code > 0) {
        pc = (pc & 0x0FFFFFFFu) + ((code & 0xFu) << 28);
        writeRegister(REG_PRINT_CONTROL, pc);
        setBit(REG_PRINT_CONTROL, kPcFlash, true);
    }
}

int CDrvPrint::IMGCheckFlashPrint() { return readBit(REG_PRINT_CONTROL, kPcFlash); }

void CDrvPrint::IMGSetStartPrintMode(int on) { setBit(REG_PRINT_CONTROL, kPcStartMode, on != 0); }

void CDrvPrint::IMGResetStartPrint() {
    setBit(REG_PRINT_CONTROL, kPcStartReset, true);
    platform::sleepMs(10);
    setBit(REG_PRINT_CONTROL, kPcStartReset, false);
    platform::sleepMs(10);
}

unsigned CDrvPrint::IMGGetMovedPosition() { return UI_DPIRate(0, uint32_t(readRegister(REG_MOVED_POSITION))); }

namespace {

// The first non-zero byte of p[0, n), or n. Eight bytes at a time: blank rows are the common case.
size_t firstInkedByte(const uint8_t* p, size_t n) {
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        uint64_t w[4];
        std::memcpy(w, p + i, 32);
        if (w[0] | w[1] | w[2] | w[3]) break;
    }
    for (; i < n; ++i)
        if (p[i]) return i;
    return n;
}

// One past the last non-zero byte of p[0, n), or 0 when all are zero.
size_t inkedEnd(const uint8_t* p, size_t n) {
    size_t i = n;
    for (; i >= 32; i -= 32) {
        uint64_t w[4];
        std::memcpy(w, p + i - 32, 32);
        if (w[0] | w[1] | w[2] | w[3]) break;
    }
    for (; i > 0; --i)
        if (p[i - 1]) return i;
    return 0;
}

} // namespace

void CDrvPrint::IMGGetBlankPosition() {
    const unsigned R = uiPassRowBytes;
    const unsigned W = uiPassWidthDots;
    unsigned left = W, right = 0;
    bBlankPass = 0;
    const unsigned heads = std::min({HEADS, uiHeadsAllocated, unsigned(kMaxHeads)});
    const uint64_t held = R ? uiHeadPassSize / R : 0;
    const uint64_t allRows = std::min<uint64_t>(uiPassRows, held);
    const uint64_t bandRows =
        std::min<uint64_t>(allRows, uint64_t(uiPassCount) * uiNozzlesPerPass + (uiFeatherMode ? 2 * uiFeatherSize : 0));
    const uint64_t leftRows = bPassToLeft ? bandRows : allRows;
    const uint64_t rightRows = bPassToLeft ? allRows : bandRows;
    // Each row is searched only where it could still move the margin found so far.
    for (unsigned h = 0; h < heads && left > 0 && R; ++h) {
        const uint8_t* buf = headPassBuf[h].get();
        if (!buf) continue;
        for (uint64_t r = 0; r < leftRows && left > 0; ++r) {
            const size_t limit = std::min<size_t>(R, (left + 7) / 8);
            const size_t k = firstInkedByte(buf + r * R, limit);
            if (k < limit) left = std::min(left, unsigned(8 * k));
        }
    }
    if (left >= W) {
        bBlankPass = 1;
        return;
    }
    uiPassLeftTrim = left;
    for (unsigned h = 0; h < heads; ++h) {
        const uint8_t* buf = headPassBuf[h].get();
        if (!buf) continue;
        for (uint64_t r = 0; r < rightRows; ++r) {
            const size_t from = right / 8; // right is always whole bytes
            if (from >= R) break;
            const size_t end = inkedEnd(buf + r * R + from, R - from);
            // The byte's last dot counts as inked: the whole byte is kept.
            if (end) right = std::max(right, unsigned(8 * (from + end)));
        }
    }
    uiPassRightEnd = right > W ? W : right;
}
