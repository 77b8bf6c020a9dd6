// Edge feathering: passes overlap by a few nozzle rows, and in the overlap each pass prints a
// complementary share of the dots, so the seam between bands is spread over several rows.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/TransposeInternal.h"

// Mask rows of one feathering pattern, built once and shared by every head and pass that use it.
struct CDrvPrint::FeatherMasks {
    unsigned mode = 0;      // 1 straight, 2 wave
    unsigned size = 0;      // PRINTMODE uiFeatherSize
    unsigned rowBytes = 0;
    unsigned zeroToHead = 0;
    unsigned F = 0;         // half the width of a feather zone
    unsigned count = 0;     // mask rows m_1 .. m_count
    std::vector<uint8_t> bits; // row t at (t - 1) * rowBytes

    const uint8_t* row(unsigned t) const { return &bits[size_t(t - 1) * rowBytes]; }
};

namespace {

using Masks = CDrvPrint::FeatherMasks;

std::shared_ptr<const Masks> buildMasks(unsigned mode, unsigned size, unsigned rowBytes, unsigned zeroToHead) {
    auto m = std::make_shared<Masks>();
    m->mode = mode;
    m->size = size;
    m->rowBytes = rowBytes;
    m->zeroToHead = zeroToHead;
    m->F = mode == 2 ? size / 2 : size;
    m->count = mode == 2 ? 2 * m->F : m->F;
    m->bits.assign(size_t(m->count) * rowBytes, 0);
    const uint64_t dots = 8ull * rowBytes;
    if (mode == 2) {
        // The boundary between kept and dropped dots follows a cosine across the width.
        const double w = zeroToHead * 0.001;
        std::vector<double> depth(dots);
        for (uint64_t x = 0; x < dots; ++x) depth[x] = m->F * (1.0 - std::cos(w * double(x)));
        for (unsigned t = 1; t <= m->count; ++t) {
            auto* row = &m->bits[size_t(t - 1) * rowBytes];
            for (uint64_t x = 0; x < dots; ++x)
                if (double(t) - 1.0 > depth[x]) row[x / 8] |= uint8_t(0x80 >> (x % 8));
        }
    } else {
        // Every (t + 1)-th dot from dot t: a density of 1 / (t + 1).
        for (unsigned t = 1; t <= m->count; ++t) {
            auto* row = &m->bits[size_t(t - 1) * rowBytes];
            for (uint64_t x = t; x < dots; x += t + 1) row[x / 8] |= uint8_t(0x80 >> (x % 8));
        }
    }
    return m;
}

} // namespace

namespace {

void featherHead(CDrvPrint& d, unsigned h, unsigned mode) {
    if (mode != 1 && mode != 2) return;
    if (!raster::headReady(d, h) || d.uiPassRowBytes == 0) return;

    const uint64_t R = d.uiPassRowBytes;
    const int64_t rows = int64_t(d.uiHeadPassSize / R); // rows the buffer holds
    // A feather zone deeper than the buffer has nothing more to thin.
    const unsigned size = unsigned(std::min<int64_t>(d.uiFeatherSize, rows));
    std::shared_ptr<const Masks> m;
    {
        std::lock_guard<std::mutex> lock(d.featherMasksLock);
        m = d.featherMasks;
        if (!m || m->mode != mode || m->size != size || m->rowBytes != d.uiPassRowBytes ||
            (mode == 2 && m->zeroToHead != d.uiZeroToHead)) {
            m = buildMasks(mode, size, d.uiPassRowBytes, d.uiZeroToHead);
            d.featherMasks = m;
        }
    }

    uint8_t* buf = d.headPassBuf[h].get();
    const int64_t F = m->F;
    const int64_t V = int64_t(d.uiInterlace ? d.uiLinesPerStep / d.uiInterlace : 0) * d.uiPassCount;
    // The zones lie at the ends of the colour's band, which a head set further down than the
    // colour's upper head (the lower head of a stacked pair) holds further into its rows.
    const int64_t O = int64_t(d.NOZZLESOFFSET) + int64_t(h < kMaxHeads ? d.uiHeadBandShift[h] : 0);

    // Nothing past the band and its two feather zones may fire.
    const int64_t from = std::max<int64_t>(0, O + 2 * F + V);
    // Up to the end of the card's row capacity: with more heads per colour the card takes a
    // head's nozzle rows from that many rows further into its pass rows.
    const int64_t first = std::max<int64_t>(0, int64_t(d.uiNozzlesPerColor) - int64_t(d.NOZZLESPERHEAD));
    const int64_t to = std::min<int64_t>(first + 128 * ((int64_t(d.NOZZLESPERHEAD) + 127) / 128), rows);
    if (from < to) std::memset(buf + from * R, 0, size_t((to - from) * R));

    auto apply = [&](int64_t row, unsigned t, bool keep) {
        if (row < 0 || row >= rows) return;
        uint8_t* p = buf + row * R;
        const uint8_t* mk = m->row(t);
        if (keep)
            for (uint64_t b = 0; b < R; ++b) p[b] &= mk[b];
        else
            for (uint64_t b = 0; b < R; ++b) p[b] &= uint8_t(~mk[b]);
    };
    if (mode == 1) {
        // Top zone O .. O+2F-1 and bottom zone O+V .. O+V+2F-1 get complementary thinning.
        for (int64_t t = F; t >= 1; --t) {
            apply(O + F - t, unsigned(t), true);
            apply(O + F + t - 1, unsigned(t), false);
            apply(O + F - t + V, unsigned(t), false);
            apply(O + F + t - 1 + V, unsigned(t), true);
        }
    } else {
        for (int64_t t = 2 * F; t >= 1; --t) {
            apply(O + t - 1, unsigned(t), true);
            apply(O + t - 1 + V, unsigned(t), false);
        }
    }
}

void featherAll(CDrvPrint& d, unsigned mode) {
    for (unsigned h = 0; h < raster::headCount(d); ++h) featherHead(d, h, mode);
}

} // namespace

void CDrvPrint::PRNFeatherHead(unsigned h) { featherHead(*this, h, uiFeatherMode); }

void CDrvPrint::PRNEdgeFeather() { featherAll(*this, 1); }
void CDrvPrint::PRNEdgeFeatherWave() { featherAll(*this, 2); }

// The FOOTER settings are kept, but no footer is printed.
void CDrvPrint::PRNSetFooter() {}

// Printing takes its mirroring from the settings at each copy; the request is only recorded.
void CDrvPrint::PRNSetMirrorPrint(int mirror) { bMirrorPrint = mirror; }
