// The band reader: one band of raster lines of every plane into the colour rings, with the
// operator's pending corrections applied a little per band.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "core/DrvPrint.h"

namespace {

// Moves `value` toward `target` by at most `step`, never past it.
void follow(int& value, int target, int step) {
    if (step <= 0) return;
    if (value < target) value = std::min(target, value + step);
    else if (value > target) value = std::max(target, value - step);
}

// Takes at most `step` of `pending` (keeping its sign) and returns it.
int takeShift(int& pending, int step) {
    if (step <= 0 || pending == 0) return 0;
    const int t = pending > 0 ? std::min(pending, step) : -std::min(-pending, step);
    pending -= t;
    return t;
}

} // namespace

unsigned CDrvPrint::PRNPlaneOfChannel(unsigned c) const {
    if (COLORS == 3 && !(uiPrintJobKind == 2 && uiHeadsAlignmentMode == 3)) {
        static constexpr unsigned kOrder[4] = {3, 0, 1, 2};
        return c < 4 ? kOrder[c] : c;
    }
    return c;
}

int CDrvPrint::PRNReadEnd() {
    const int64_t colors = ripHead.uiColors ? ripHead.uiColors : 1;
    // Every line of the image counts, the last one included.
    const int64_t left = (int64_t(ripHead.uiHeight) * colors - int64_t(uiLinesRead.load())) / colors;
    uiLinesLeft = uint32_t(int32_t(left));
    return left > 0 ? 1 : 0;
}

unsigned CDrvPrint::PRNPlanesUsed() const {
    const unsigned colors = ripHead.uiColors;
    const unsigned channels = std::min(COLORS, uiColorsAllocated);
    unsigned used = 0;
    for (unsigned c = 0; c < channels; ++c)
        if (const unsigned p = PRNPlaneOfChannel(c); p < colors) used = std::max(used, p + 1);
    return used;
}

std::string CDrvPrint::PRNAllocReadBuffers() {
    const uint64_t bpl = ripHead.uiBytesPerLine, lineAll = bpl * ripHead.uiColors;
    const uint64_t lines = uiLinesPerStep;
    const unsigned used = PRNPlanesUsed();
    const uint64_t band = lines * used * bpl;
    const uint64_t scratch = lineAll ? std::clamp<uint64_t>(kReadChunkBytes / lineAll, 1, std::max<uint64_t>(lines, 1)) * lineAll : 0;
    // A stream is never shifted (it cannot seek back); a file may shear by up to twice the bound.
    const uint64_t shear = PRNIsNetJob() ? 0 : (lines + 2 * uint64_t(kMaxPlaneShiftLines)) * used * bpl;
    const uint64_t total = band + scratch + shear;
    auto refusal = [&](const std::string& why) {
        PRNReleaseReadBuffers();
        return bLanguageChinese ? "无法分配读数据缓存（" + std::to_string(total) + " 字节）：" + why
                                : "The job's read buffers of " + std::to_string(total) + " bytes cannot be allocated: " + why;
    };
    if (total > uiReadBufferLimit) return refusal("more than the limit of " + std::to_string(uiReadBufferLimit) + " bytes");
    try {
        if (bandBuffer.size() != band) bandBuffer.assign(band, 0);
        if (readScratch.size() != scratch) readScratch.assign(scratch, 0);
        if (shearBuffer.size() != shear) shearBuffer.assign(shear, 0);
    } catch (const std::bad_alloc&) {
        return refusal("out of memory");
    }
    uiPlanesInBand = used;
    return {};
}

uint64_t CDrvPrint::PRNReadLines(uint8_t* dst, uint64_t n) {
    const uint64_t bpl = ripHead.uiBytesPerLine, lineAll = bpl * ripHead.uiColors;
    const uint64_t lineUsed = uint64_t(uiPlanesInBand) * bpl;
    if (lineAll == 0 || readScratch.size() < lineAll) {
        std::memset(dst, 0, n * lineUsed);
        return 0;
    }
    const uint64_t per = readScratch.size() / lineAll;
    uint64_t delivered = 0;
    for (uint64_t i = 0; i < n;) {
        const uint64_t k = std::min<uint64_t>(per, n - i), want = k * lineAll;
        uint64_t got = 0;
        while (got < want) {
            const unsigned r = PRNReadRaster(readScratch.data() + got, unsigned(std::min<uint64_t>(want - got, 1u << 30)));
            if (r == 0) break;
            got += r;
        }
        delivered += got;
        // The planes in use are the first of every line.
        for (uint64_t j = 0; j < k; ++j) {
            uint8_t* to = dst + (i + j) * lineUsed;
            const uint64_t at = j * lineAll, have = got > at ? std::min(lineAll, got - at) : 0;
            const uint64_t m = std::min(have, lineUsed);
            if (m) std::memcpy(to, readScratch.data() + at, m);
            if (m < lineUsed) std::memset(to + m, 0, lineUsed - m);
        }
        i += k;
        if (got < want) { // the end of what there is: the rest is blank
            if (i < n) std::memset(dst + i * lineUsed, 0, (n - i) * lineUsed);
            break;
        }
    }
    return delivered;
}

void CDrvPrint::PRNReadYShiftTemp(uint8_t* buffer, uint64_t lines) {
    const uint64_t bpl = ripHead.uiBytesPerLine;
    const uint64_t lineAll = bpl * ripHead.uiColors;
    const uint64_t used = uiPlanesInBand, lineUsed = used * bpl;
    if (!buffer || lineAll == 0 || lineUsed == 0) return;
    const int64_t lo = std::min(iYShiftA, iYShiftB);
    const int64_t d = std::abs(int64_t(iYShiftA) - int64_t(iYShiftB));
    const uint64_t spanLines = std::min<uint64_t>(lines + uint64_t(d), shearBuffer.size() / lineUsed);
    uint8_t* tmp = shearBuffer.data();
    std::memset(tmp, 0, spanLines * lineUsed);
    // Lines before the raster's start read as blank.
    int64_t start = int64_t(ui64FilePos) + lo * int64_t(lineAll);
    uint64_t skip = 0;
    if (start < int64_t(kRipHeadSize)) {
        const uint64_t missing = uint64_t(int64_t(kRipHeadSize) - start);
        skip = std::min<uint64_t>(spanLines, (missing + lineAll - 1) / lineAll);
        start += int64_t(skip * lineAll);
    }
    if (skip < spanLines && PRNSeekRaster(uint64_t(start)) == 0) PRNReadLines(tmp + skip * lineUsed, spanLines - skip);
    for (uint64_t i = 0; i < lines; ++i)
        for (uint64_t k = 0; k < used; ++k)
            for (uint64_t b = 0; b < bpl; ++b) {
                int64_t o = int64_t(double(b) / double(bpl) * double(d));
                if (iYShiftA > iYShiftB) o = d - o;
                const uint64_t src = i + uint64_t(o);
                buffer[(i * used + k) * bpl + b] = src < spanLines ? tmp[src * lineUsed + k * bpl + b] : 0;
            }
}

int CDrvPrint::PRNReadData() {
    const uint64_t bpl = ripHead.uiBytesPerLine;
    const unsigned colors = ripHead.uiColors;
    const unsigned lines = uiLinesPerStep;
    const unsigned channels = std::min(COLORS, uiColorsAllocated);
    if (bpl == 0 || lines == 0 || uiRingBytes == 0 || uiRingBytes > uiColorRingSize || uiBandBytes > uiRingBytes)
        return 0;
    const uint64_t lineAll = bpl * colors;
    const uint64_t used = uiPlanesInBand;
    const uint64_t lineUsed = used * bpl; // one line of the band
    // The buffers come from the job's start; without them (never allocated, or a band larger
    // than they were sized for) nothing is read, and the job ends on the buffer error.
    if (bandBuffer.size() < uint64_t(lines) * lineUsed || (lineAll && readScratch.size() < lineAll)) {
        if (csReadBufferError.empty()) csReadBufferError = "the job's read buffers were not allocated";
        return 0;
    }

    // The band's slot in every ring starts blank. A channel with a plane gets every line of the
    // slot written below, so only the others need clearing (when lines tile the ring exactly).
    const bool linesCoverSlot = uiBandBytes == uint64_t(lines) * bpl && uiRingBytes % bpl == 0;
    for (unsigned c = 0; c < channels; ++c) {
        uint8_t* ring = colorRing[c].get();
        if (!ring || (linesCoverSlot && PRNPlaneOfChannel(c) < colors)) continue;
        uint64_t pos = uiRingWritePos, n = uiBandBytes;
        while (n) { // the slot may wrap when the ring is not a whole number of bands
            const uint64_t part = std::min(n, uiRingBytes - pos);
            std::memset(ring + pos, 0, part);
            n -= part;
            pos = 0;
        }
    }

    // The raster of the band, or nothing once the image has been read. What was not read
    // (the end of the file, a failed read) is blank. Lines come through the scratch buffer a
    // bounded number at a time; the band keeps the planes in use.
    uint8_t* band = bandBuffer.data();
    bool filled = false;
    if (PRNReadEnd()) {
        if (PRNIsNetJob()) {
            const uint64_t got = PRNReadLines(band, lines);
            filled = true;
            // The reader stops by itself at the promised size; short of it, the sender hung up or
            // fell silent and the rest of the image will never come.
            const uint64_t pos = netFile.GetPosition();
            // A Stop cut the read short: the job ends as a stop ends it, not as a broken stream.
            if (got < uint64_t(lines) * lineAll && pos < uiFileSize && csStreamError.empty() && !netFile.Stopped()) {
                const uint64_t line = lineAll ? (pos > kRipHeadSize ? pos - kRipHeadSize : 0) / lineAll : 0;
                csStreamError = std::string("network stream ") + (netFile.TimedOut() ? "broken (" + netFile.Fault() + ")" : "ended") +
                                " at line " + std::to_string(line) + " of " + std::to_string(ripHead.uiHeight) +
                                " (byte " + std::to_string(pos) + " of " + std::to_string(uiFileSize) + ")";
            }
        } else {
            const double yDot = ripHead.uiYDPI ? 25.4 / ripHead.uiYDPI : 0;
            const double xDot = ripHead.uiXDPI ? 25.4 / ripHead.uiXDPI : 0;
            const int sy = yDot > 0 ? int(fShiftStepMM / yDot) : 0;
            const int sx = xDot > 0 ? int(fShiftStepMM / xDot) : 0;
            // (a) the line shift moves the file position by whole lines of all planes.
            const int ty = takeShift(iYShiftPending, sy);
            if (ty) {
                int64_t pos = int64_t(ui64FilePos) + int64_t(ty) * int64_t(lineAll);
                ui64FilePos = uint64_t(std::max<int64_t>(pos, kRipHeadSize));
            }
            // (b) the X shift moves the fire position.
            const int tx = takeShift(iXShiftPending, sx);
            if (tx > 0) uiFire += unsigned(tx);
            else if (tx < 0) uiFire = unsigned(std::max<int64_t>(0, int64_t(uiFire) + tx));
            // (c) the plane-shift counters follow their targets, which are held to the bound the
            // shear buffer was sized for.
            follow(iYShiftA, std::clamp(int(iYShiftTargetA), -kMaxPlaneShiftLines, kMaxPlaneShiftLines), sy);
            follow(iYShiftB, std::clamp(int(iYShiftTargetB), -kMaxPlaneShiftLines, kMaxPlaneShiftLines), sy);
            // (d)
            if (iYShiftA == 0 && iYShiftB == 0) {
                if (PRNSeekRaster(ui64FilePos) == 0) {
                    PRNReadLines(band, lines);
                    filled = true;
                }
            } else {
                PRNReadYShiftTemp(band, lines);
                filled = true;
            }
            // (e)
            ui64FilePos += uint64_t(lines) * lineAll;
        }
    }
    if (!filled) std::memset(band, 0, uint64_t(lines) * lineUsed);

    // De-interleave into the rings.
    uint32_t counted = 0;
    for (unsigned i = 0; i < lines; ++i) {
        for (unsigned c = 0; c < channels; ++c) {
            uint8_t* ring = colorRing[c].get();
            const unsigned plane = PRNPlaneOfChannel(c);
            if (!ring || plane >= used) continue; // the slot is already blank
            std::memcpy(ring + uiRingWritePos, band + uint64_t(i) * lineUsed + uint64_t(plane) * bpl, bpl);
        }
        // Every plane line of the band counts, also when the machine has fewer channels.
        counted += colors;
        uiRingWritePos += bpl;
        if (uiRingWritePos + bpl > uiRingBytes) uiRingWritePos = 0;
    }
    uiLinesRead += counted;
    ++uiBandsRead;
    return 1;
}
