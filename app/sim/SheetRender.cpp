#include "sim/SheetRender.h"

#include <algorithm>
#include <cmath>

namespace orvix {

QImage renderSheet(const sim::Sheet& sheet, const std::vector<uint32_t>& inkRGB, QSize max) {
    const sim::SheetRegion r = sheet.extent();
    if (r.width <= 0 || r.height <= 0 || max.width() <= 0 || max.height() <= 0) return {};
    const double scale = std::max({1.0, double(r.width) / max.width(), double(r.height) / max.height()});
    const int w = std::max(1, int(std::ceil(double(r.width) / scale)));
    const int h = std::max(1, int(std::ceil(double(r.height) / scale)));
    QImage img(w, h, QImage::Format_RGB32);
    const int colours = sheet.colours();
    for (int oy = 0; oy < h; ++oy) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(oy));
        const int64_t y = r.y0 + std::min<int64_t>(r.height - 1, int64_t(oy * scale));
        for (int ox = 0; ox < w; ++ox) {
            const int64_t x = r.x0 + std::min<int64_t>(r.width - 1, int64_t(ox * scale));
            unsigned rgb[3] = {255, 255, 255};
            for (int c = 0; c < colours; ++c) {
                if (!sheet.dot(c, x, y)) continue;
                const uint32_t ink = size_t(c) < inkRGB.size() ? inkRGB[size_t(c)] : 0x808080;
                for (int i = 0; i < 3; ++i) rgb[i] = rgb[i] * ((ink >> (16 - 8 * i)) & 0xFF) / 255;
            }
            line[ox] = qRgb(int(rgb[0]), int(rgb[1]), int(rgb[2]));
        }
    }
    return img;
}

} // namespace orvix
