#include "preview/InkCoverage.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "platform/Files.h"
#include "preview/RipSource.h"

namespace preview {

InkCoverage::InkCoverage(const RipHead& head)
    : planes_(head.uiColors), bytesPerLine_(head.uiBytesPerLine), fullBytes_(head.uiWidth / 8),
      lastMask_(uint8_t(0xFF00u >> (head.uiWidth % 8))), set_(head.uiColors, 0), width_(head.uiWidth) {}

void InkCoverage::addLines(const uint8_t* data, uint32_t lines) {
    // Padding bytes and bits after the last dot of a line are not dots: they are not counted.
    const bool partial = width_ % 8 != 0 && fullBytes_ < bytesPerLine_;
    for (uint32_t l = 0; l < lines; ++l) {
        for (uint32_t p = 0; p < planes_; ++p) {
            const uint8_t* line = data + (uint64_t(l) * planes_ + p) * bytesPerLine_;
            uint64_t n = 0;
            for (uint32_t b = 0; b < fullBytes_; ++b) n += uint64_t(__builtin_popcount(line[b]));
            if (partial) n += uint64_t(__builtin_popcount(unsigned(line[fullBytes_] & lastMask_)));
            set_[p] += n;
        }
    }
    lines_ += lines;
}

std::vector<double> InkCoverage::percent() const {
    std::vector<double> out(planes_, 0.0);
    const double dots = double(lines_) * double(width_);
    if (dots <= 0) return out;
    for (uint32_t p = 0; p < planes_; ++p) out[p] = 100.0 * double(set_[p]) / dots;
    return out;
}

std::string coveragePathFor(const std::string& bitmapPath) {
    const size_t slash = bitmapPath.find_last_of('/');
    const size_t dot = bitmapPath.find_last_of('.');
    const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? bitmapPath.substr(0, dot)
                                                                                                      : bitmapPath;
    return stem + ".ink";
}

bool writeCoverage(const std::string& path, const std::vector<double>& percent) {
    std::string text = "planes=" + std::to_string(percent.size()) + "\n";
    for (size_t p = 0; p < percent.size(); ++p) {
        char line[64];
        std::snprintf(line, sizeof line, "%zu=%.3f\n", p, percent[p]);
        text += line;
    }
    return platform::writeFileAtomic(path, text);
}

} // namespace preview
