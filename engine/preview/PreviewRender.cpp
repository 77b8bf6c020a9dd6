#include "preview/PreviewRender.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace preview {

namespace {

void put16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

// Effective ink amounts are multiples of 0.25 up to 512, so a^1.1 comes from a table indexed by
// quarters: the same value pow() gives for the exact amount, without a call per pixel.
constexpr uint32_t kQuarterMax = 4 * 512;
const std::vector<double>& powTable() {
    static const std::vector<double> table = [] {
        std::vector<double> t(kQuarterMax + 1);
        for (uint32_t i = 0; i <= kQuarterMax; ++i) t[i] = std::pow(i / 4.0, 1.1);
        return t;
    }();
    return table;
}

// One absorption from quarter amounts of the colour and black: f(a) + f(k) - 0.6 (a + k) + base.
inline int absorption(const double* f, uint32_t a4, uint32_t k4, double base) {
    double v = f[a4] + f[k4] - 0.6 * ((a4 + k4) / 4.0) + base;
    return static_cast<int>(v);
}

inline uint8_t limit(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

inline void store(uint8_t* bgr, int r, int g, int b) {
    bgr[0] = uint8_t(255 - limit(b));
    bgr[1] = uint8_t(255 - limit(g));
    bgr[2] = uint8_t(255 - limit(r));
}

} // namespace

bool previewSize(const RipHead& h, PreviewSize& s, std::string& error) {
    if (h.uiXDPI == 0 || h.uiYDPI == 0) {
        error = "the header has a zero resolution, no preview size";
        return false;
    }
    if (h.uiWidth == 0 || h.uiHeight == 0) {
        error = "the header has a zero image size, no preview size";
        return false;
    }
    double wmm = std::ceil(h.uiWidth * 25.4 / h.uiXDPI);
    double hmm = std::ceil(h.uiHeight * 25.4 / h.uiYDPI);
    s.widthMM = static_cast<uint32_t>(wmm);
    s.heightMM = static_cast<uint32_t>(hmm);
    // The choice of the long side compares raw dots and lines; the ratio uses millimetres.
    const double rowsIfWide = kPreviewLongSide / wmm * hmm, columnsIfTall = kPreviewLongSide / hmm * wmm;
    bool wide = h.uiHeight <= h.uiWidth;
    // With unequal resolutions the dot comparison can pick the shorter side; then the other
    // orientation keeps the picture within its 800 pixels (and its file size bounded).
    if (wide && rowsIfWide > kPreviewLongSide) wide = false;
    else if (!wide && columnsIfTall > kPreviewLongSide) wide = true;
    if (wide) {
        s.columns = kPreviewLongSide;
        s.rows = static_cast<uint32_t>(rowsIfWide);
    } else {
        s.rows = kPreviewLongSide;
        s.columns = static_cast<uint32_t>(columnsIfTall);
    }
    // A very long thin print still gets a visible strip.
    s.rows = std::max<uint32_t>(s.rows, 1);
    s.columns = std::max<uint32_t>(s.columns, 1);
    return true;
}

std::array<uint8_t, kBitmapHeaderSize> bitmapHeader(const PreviewSize& s) {
    std::array<uint8_t, kBitmapHeaderSize> h{};
    const uint32_t image = bitmapRowBytes(s.columns) * s.rows;
    put16(&h[0], 19778); // "BM"
    put32(&h[2], image + kBitmapHeaderSize);
    put32(&h[10], kBitmapHeaderSize);
    put32(&h[14], 40);
    put32(&h[18], s.columns);
    put32(&h[22], s.rows);
    put16(&h[26], 1);
    put16(&h[28], 24);
    put32(&h[30], 0);
    put32(&h[34], image);
    put32(&h[38], s.widthMM);
    put32(&h[42], s.heightMM);
    return h;
}

uint32_t sampleWindowStart(uint32_t r, uint32_t rows, const RipHead& h) {
    const uint32_t height = h.uiHeight;
    const bool eightLine = h.uiReserved0 == 0x6666 || h.uiReserved0 == 0x2222FFFF;
    uint64_t s = static_cast<uint64_t>(double(r) / rows * height);
    if (eightLine) s &= ~uint64_t(7);
    if (s + kSampleLines > height) {
        s = height > kSampleLines ? height - kSampleLines : 0;
        if (eightLine) s &= ~uint64_t(7);
    }
    return static_cast<uint32_t>(s);
}

const std::array<uint8_t, 256>& bitCounts() {
    static const std::array<uint8_t, 256> table = [] {
        std::array<uint8_t, 256> t{};
        for (unsigned v = 0; v < 256; ++v) t[v] = static_cast<uint8_t>(__builtin_popcount(v));
        return t;
    }();
    return table;
}

InkMixer::InkMixer(uint32_t planes, uint32_t alignColors) {
    switch (planes) {
    case 1:
    case 2: model_ = Model::KCMY; break; // black (and cyan) only
    case 3: model_ = Model::CMY; break;
    case 4: model_ = alignColors == 3 ? Model::CMY : Model::KCMY; break;
    case 5: model_ = Model::White5; break;
    case 6:
    case 7: model_ = Model::Light6; break; // a 7th plane is not mixed
    case 8:
    case 9: model_ = Model::Light8; break; // a 9th plane is not mixed
    default: model_ = Model::WhiteVarnish10; break; // planes past the 10th are not mixed
    }
    powTable(); // built before the first row
}

void InkMixer::mix(const uint16_t* c, uint8_t* bgr) const {
    const double* f = powTable().data();
    // Quarter amounts: 4 x the (possibly weighted) dot counts.
    uint32_t k4 = 0, c4 = 0, m4 = 0, y4 = 0;
    switch (model_) {
    case Model::KCMY:
        k4 = 4u * c[0], c4 = 4u * c[1], m4 = 4u * c[2], y4 = 4u * c[3];
        break;
    case Model::CMY:
        c4 = 4u * c[0], m4 = 4u * c[1], y4 = 4u * c[2];
        break;
    case Model::White5:
        if ((c[0] | c[1] | c[2] | c[3]) == 0) {
            // White ink alone shows white; no ink at all shows black (the bare medium).
            int v = c[4] ? 0 : 255;
            store(bgr, v, v, v);
            return;
        }
        k4 = 4u * c[0], c4 = 4u * c[1], m4 = 4u * c[2], y4 = 4u * c[3];
        break;
    case Model::Light6:
        k4 = 4u * c[0], c4 = 4u * c[1] + 2u * c[4], m4 = 4u * c[2] + 2u * c[5], y4 = 4u * c[3];
        break;
    case Model::Light8:
        k4 = 4u * c[0] + 2u * c[6], c4 = 4u * c[1] + 2u * c[4], m4 = 4u * c[2] + 2u * c[5], y4 = 4u * c[3] + 2u * c[7];
        break;
    case Model::WhiteVarnish10: {
        uint32_t inks = c[0] | c[1] | c[2] | c[3] | c[4] | c[5] | c[6] | c[7];
        if (inks == 0 && c[8]) {
            store(bgr, 0, 0, 0);
            return;
        }
        if (inks == 0 && c[9] == 0) {
            store(bgr, 255, 255, 255);
            return;
        }
        k4 = 4u * c[0], c4 = 4u * c[1] + 2u * (c[4] + c[7]), m4 = 4u * c[2] + 2u * c[5] + c[6],
        y4 = 4u * c[3] + 2u * (c[6] + c[7]);
        if (inks == 0) {
            // Varnish alone: a faint grey over the empty-pixel colour.
            int v = static_cast<int>(f[2u * c[9]] - 0.3 * c[9]);
            store(bgr, absorption(f, 0, 0, 4.0) + v, absorption(f, 0, 0, 3.0) + v, absorption(f, 0, 0, 2.0) + v);
            return;
        }
        break;
    }
    }
    store(bgr, absorption(f, c4, k4, 4.0), absorption(f, m4, k4, 3.0), absorption(f, y4, k4, 2.0));
}

PreviewRenderer::PreviewRenderer(const RipHead& h, uint32_t columns, uint32_t alignColors)
    : planes_(h.uiColors), bytesPerLine_(h.uiBytesPerLine), columns_(columns),
      usedPlanes_(std::min(h.uiColors, kMixPlanes)), byteA_(columns), byteB_(columns),
      counts_(size_t(kMixPlanes) * columns, 0), mixer_(h.uiColors, alignColors) {
    for (uint32_t x = 0; x < columns_; ++x) {
        // The picture is mirrored against the byte order: column x samples from the right end.
        uint32_t t = columns_ - 1 - x;
        uint32_t b = static_cast<uint32_t>(double(t) / columns_ * bytesPerLine_);
        if (b >= bytesPerLine_) b = bytesPerLine_ - 1;
        // Two neighbouring bytes of the plane line; at the line's end the pair moves left so it
        // never reads into the next plane (a 1-byte line counts its byte twice).
        if (bytesPerLine_ == 1) {
            byteA_[x] = byteB_[x] = 0;
        } else {
            if (b + 1 >= bytesPerLine_) b = bytesPerLine_ - 2;
            byteA_[x] = b;
            byteB_[x] = b + 1;
        }
    }
}

void PreviewRenderer::renderRow(const uint8_t* lines, uint8_t* out) {
    const uint8_t* bits = bitCounts().data();
    const size_t stride = size_t(planes_) * bytesPerLine_;
    const uint32_t* ba = byteA_.data();
    const uint32_t* bb = byteB_.data();
    for (uint32_t p = 0; p < usedPlanes_; ++p) {
        uint16_t* cnt = counts_.data() + size_t(p) * columns_;
        std::fill(cnt, cnt + columns_, 0);
        for (uint32_t l = 0; l < kSampleLines; ++l) {
            const uint8_t* src = lines + l * stride + size_t(p) * bytesPerLine_;
            for (uint32_t x = 0; x < columns_; ++x) cnt[x] = uint16_t(cnt[x] + bits[src[ba[x]]] + bits[src[bb[x]]]);
        }
    }
    uint16_t c[kMixPlanes];
    for (uint32_t x = 0; x < columns_; ++x) {
        for (uint32_t p = 0; p < kMixPlanes; ++p) c[p] = counts_[size_t(p) * columns_ + x];
        mixer_.mix(c, out + 3 * size_t(x));
    }
}

} // namespace preview
