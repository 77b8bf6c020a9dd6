#include "rip/MkRip.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "core/RipValidate.h"
#include "core/RipWriter.h"
#include "rip/Image.h"

namespace rip {
namespace {

// Light inks carry about a third of the dark ink's density: below that the light ink alone
// builds the tone, above it the dark ink takes over while the light ink fades out.
constexpr float kLightShare = 1.0f / 3.0f;

void splitLight(float v, float& dark, float& light) {
    if (v <= kLightShare) {
        dark = 0.0f;
        light = v / kLightShare;
    } else {
        dark = (v - kLightShare) / (1.0f - kLightShare);
        light = 1.0f - dark;
    }
}

// Whole dots that fit the length: a picture made 1600 mm wide is never wider than 1600 mm.
uint32_t mmToDots(double mm, uint32_t dpi) { return uint32_t(std::floor(mm / 25.4 * dpi + 1e-6)); }

} // namespace

std::vector<std::string> PlaneNames(const MkRipOptions& o) {
    std::vector<std::string> n = {"K", "C", "M", "Y"};
    if (o.light) {
        n.push_back("LC");
        n.push_back("LM");
    }
    if (o.white) n.push_back("W");
    if (o.varnish) n.push_back("V");
    return n;
}

void Separate(const float* p, const MkRipOptions& o, float* inks) {
    const float a = std::clamp(p[3], 0.0f, 1.0f);
    // Flatten onto the paper: what is transparent takes no ink.
    const float r = p[0] * a + (1.0f - a), g = p[1] * a + (1.0f - a), b = p[2] * a + (1.0f - a);
    const float c0 = 1.0f - r, m0 = 1.0f - g, y0 = 1.0f - b;
    // Full grey replacement: the common part of C, M and Y is printed with black.
    const float k = std::min({c0, m0, y0});
    const float rest = 1.0f - k;
    float c = rest > 1e-6f ? (c0 - k) / rest : 0.0f;
    float m = rest > 1e-6f ? (m0 - k) / rest : 0.0f;
    const float y = rest > 1e-6f ? (y0 - k) / rest : 0.0f;
    size_t i = 0;
    inks[i++] = k;
    if (o.light) {
        float lc = 0, lm = 0;
        splitLight(c, c, lc);
        splitLight(m, m, lm);
        inks[i++] = c;
        inks[i++] = m;
        inks[i++] = y;
        inks[i++] = lc;
        inks[i++] = lm;
    } else {
        inks[i++] = c;
        inks[i++] = m;
        inks[i++] = y;
    }
    if (o.white) inks[i++] = a;
    if (o.varnish) inks[i++] = a;
}

bool ParseSize(const std::string& text, uint32_t& a, uint32_t& b) {
    auto num = [](const std::string& s, uint32_t& v) {
        if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos) return false;
        v = uint32_t(std::stoul(s));
        return v > 0;
    };
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return num(text, a) && num(text, b);
    return num(text.substr(0, x), a) && num(text.substr(x + 1), b);
}

bool MakeRip(const MkRipOptions& o, const std::string& outPath, MkRipResult& result, std::string& error,
             const ProgressFn& progress) {
    if (o.xdpi == 0 || o.ydpi == 0 || o.xdpi > kRipMaxDPI || o.ydpi > kRipMaxDPI) {
        error = "resolution must be 1 to " + std::to_string(kRipMaxDPI) + " dpi";
        return false;
    }
    Picture pic;
    std::unique_ptr<RowSource> source;
    uint32_t width = 0, height = 0;
    if (o.syntheticWidth || o.syntheticHeight) {
        width = o.syntheticWidth;
        height = o.syntheticHeight;
    } else {
        if (o.input.empty()) {
            error = "no picture given (a file, or a synthetic size)";
            return false;
        }
        if (!LoadPicture(o.input, pic, error)) return false;
        width = o.widthDots ? o.widthDots : o.widthMM > 0 ? mmToDots(o.widthMM, o.xdpi) : 0;
        height = o.heightDots ? o.heightDots : o.heightMM > 0 ? mmToDots(o.heightMM, o.ydpi) : 0;
        // Keep the picture's proportions on paper when only one side is given.
        if (width && !height)
            height = uint32_t(std::lround(double(width) / o.xdpi * o.ydpi * pic.height / pic.width));
        else if (height && !width)
            width = uint32_t(std::lround(double(height) / o.ydpi * o.xdpi * pic.width / pic.height));
        else if (!width && !height) {
            width = pic.width;
            height = pic.height;
        }
    }
    if (width == 0 || height == 0 || width > kRipMaxWidth || height > kRipMaxHeight) {
        error = "print size " + std::to_string(width) + "x" + std::to_string(height) + " dots is out of range (1 to " +
                std::to_string(kRipMaxWidth) + " by 1 to " + std::to_string(kRipMaxHeight) + ")";
        return false;
    }
    if (o.syntheticWidth || o.syntheticHeight)
        source = std::make_unique<SyntheticPicture>(width, height);
    else
        source = std::make_unique<ResampledPicture>(pic, width, height);

    result = {};
    result.planes = PlaneNames(o);
    const uint32_t planes = uint32_t(result.planes.size());
    RipHead& h = result.head;
    h.uiXDPI = o.xdpi;
    h.uiYDPI = o.ydpi;
    h.uiWidth = width;
    h.uiHeight = height;
    h.uiBytesPerLine = (width + 7) / 8;
    h.uiColors = planes;

    RipWriter writer;
    if (!writer.Open(outPath, h)) {
        error = writer.Error();
        return false;
    }
    std::vector<PlaneScreen> screens(planes, PlaneScreen(o.screen, width));
    std::vector<float> rgba(size_t(width) * 4), inks(planes), amounts(size_t(planes) * width);
    std::vector<uint8_t> line(size_t(planes) * h.uiBytesPerLine);
    const uint32_t step = std::max<uint32_t>(1, height / 200);
    for (uint32_t y = 0; y < height; ++y) {
        source->Row(y, rgba.data());
        for (uint32_t x = 0; x < width; ++x) {
            Separate(&rgba[size_t(x) * 4], o, inks.data());
            for (uint32_t p = 0; p < planes; ++p) amounts[size_t(p) * width + x] = inks[p];
        }
        for (uint32_t p = 0; p < planes; ++p)
            screens[p].Row(&amounts[size_t(p) * width], &line[size_t(p) * h.uiBytesPerLine]);
        if (!writer.WriteLine(line.data())) {
            error = writer.Error();
            return false;
        }
        if (progress && (y % step == 0 || y + 1 == height)) progress(y + 1, height);
    }
    if (!writer.Finish()) {
        error = writer.Error();
        return false;
    }
    const double dots = double(width) * height;
    for (const auto& s : screens) result.coverage.push_back(double(s.DotsSet()) / dots);
    return true;
}

} // namespace rip
