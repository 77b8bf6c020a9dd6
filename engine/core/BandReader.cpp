// The band reader: one band of raster lines of every plane into the colour rings, with the
// operator's pending corrections applied a little per band.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
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

void CDrvPrint::PRNReadYShiftTemp(uint8_t* buffer, size_t bytes, size_t span) {
    const uint64_t bpl = ripHead.uiBytesPerLine;
    const uint64_t colors = ripHead.uiColors;
    const uint64_t lineAll = bpl * colors;
    if (!buffer || lineAll == 0) return;
    const int64_t lo = std::min(iYShiftA, iYShiftB);
    const int64_t d = std::abs(int64_t(iYShiftA) - int64_t(iYShiftB));
    std::vector<uint8_t> tmp(span, 0);
    // Lines before the raster's start read as blank.
    int64_t start = int64_t(ui64FilePos) + lo * int64_t(lineAll);
    size_t skip = 0;
    if (start < int64_t(kRipHeadSize)) {
        const uint64_t missing = uint64_t(int64_t(kRipHeadSize) - start);
        skip = size_t(std::min<uint64_t>(span, (missing + lineAll - 1) / lineAll * lineAll));
        start += int64_t(skip);
    }
    if (skip < span && PRNSeekRaster(uint64_t(start)) == 0) {
        size_t got = skip;
        while (got < span) {
            const unsigned n = PRNReadRaster(tmp.data() + got, unsigned(std::min<size_t>(span - got, 1u << 30)));
            if (n == 0) break;
            got += n;
        }
    }
    const uint64_t lines = bytes / lineAll;
    const uint64_t spanLines = span / lineAll;
    for (uint64_t i = 0; i < lines; ++i)
        for (uint64_t k = 0; k < colors; ++k)
            for (uint64_t b = 0; b < bpl; ++b) {
                int64_t o = int64_t(double(b) / double(bpl) * double(d));
                if (iYShiftA > iYShiftB) o = d - o;
                const uint64_t src = i + uint64_t(o);
                buffer[i * lineAll + k * bpl + b] = src < spanLines ? tmp[src * lineAll + k * bpl + b] : 0;
            }
}

int CDrvPrint::PRNReadData() {
    const uint64_t bpl = ripHead.uiBytesPerLine;
    const unsigned colors = ripHead.uiColors;
    const unsigned lines = uiLinesPerStep;
    const unsigned channels = std::min(COLORS, uiColorsAllocated);
    if (bpl == 0 || lines == 0 || uiRingBytes == 0 || uiRingBytes > uiColorRingSize || uiBandBytes > uiRingBytes)
        return 0;

    // 1. The band's slot in every ring starts blank. A channel with a plane gets every line of the
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

    // 2., 3. The raster of the band, or nothing once the image has been read. What was not read
    // (the end of the file, a failed read) is blank.
    const uint64_t lineAll = bpl * colors;
    const uint64_t S = lineAll * lines;
    if (bandBuffer.size() != S) bandBuffer.assign(S, 0);
    uint8_t* band = bandBuffer.data();
    uint64_t filled = 0;
    if (PRNReadEnd()) {
        auto readAll = [&](uint8_t* into, uint64_t n) {
            uint64_t got = 0;
            while (got < n) {
                const unsigned r = PRNReadRaster(into + got, unsigned(std::min<uint64_t>(n - got, 1u << 30)));
                if (r == 0) break;
                got += r;
            }
            return got;
        };
        if (PRNIsNetJob()) {
            filled = readAll(band, S);
            // The reader stops by itself at the promised size; short of it, the sender hung up or
            // fell silent and the rest of the image will never come.
            const uint64_t pos = netFile.GetPosition();
            if (filled < S && pos < uiFileSize && csStreamError.empty()) {
                const uint64_t line = lineAll ? (pos > kRipHeadSize ? pos - kRipHeadSize : 0) / lineAll : 0;
                csStreamError = std::string("network stream ") + (netFile.TimedOut() ? "timed out" : "ended") +
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
            // (c) the plane-shift counters follow their targets.
            follow(iYShiftA, iYShiftTargetA, sy);
            follow(iYShiftB, iYShiftTargetB, sy);
            // (d)
            if (iYShiftA == 0 && iYShiftB == 0) {
                if (PRNSeekRaster(ui64FilePos) == 0) filled = readAll(band, S);
            } else {
                const uint64_t d = uint64_t(std::abs(int64_t(iYShiftA) - int64_t(iYShiftB)));
                PRNReadYShiftTemp(band, S, S + d * lineAll);
                filled = S;
            }
            // (e)
            ui64FilePos += S;
        }
    }
    if (filled < S) std::memset(band + filled, 0, S - filled);

    // 4. De-interleave into the rings.
    uint32_t counted = 0;
    for (unsigned i = 0; i < lines; ++i) {
        for (unsigned c = 0; c < channels; ++c) {
            uint8_t* ring = colorRing[c].get();
            const unsigned plane = PRNPlaneOfChannel(c);
            if (!ring || plane >= colors) continue; // the slot is already blank
            std::memcpy(ring + uiRingWritePos, band + uint64_t(i) * lineAll + uint64_t(plane) * bpl, bpl);
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
