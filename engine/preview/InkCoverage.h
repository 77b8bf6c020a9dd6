#pragma once
// How much of each ink plane a print sets, in per cent of its dots, measured on the raster lines
// the preview reads (16 whole lines per preview row, so a few thousand lines of any print). Kept
// in a small text file beside the preview bitmap ("a.ink" beside "a.bmp"), so that the operator
// sees a job's ink before printing it without the file being read again.
#include <cstdint>
#include <string>
#include <vector>

#include "core/RipHead.h"

namespace preview {

class InkCoverage {
public:
    explicit InkCoverage(const RipHead& head);
    // Counts `lines` whole raster lines (all planes of each, as the file holds them).
    void addLines(const uint8_t* data, uint32_t lines);
    // Per cent of the counted dots set, per plane (0 for every plane when nothing was counted).
    std::vector<double> percent() const;

private:
    uint32_t planes_, bytesPerLine_, fullBytes_;
    uint8_t lastMask_; // the dots of the last partly used byte (dot 0 is the high bit)
    uint64_t lines_ = 0;
    std::vector<uint64_t> set_;
    uint32_t width_;
};

// The coverage file of a preview bitmap: its name with the extension replaced by ".ink".
std::string coveragePathFor(const std::string& bitmapPath);
// "planes=N" then "P=percent" lines. Written under a temporary name and renamed.
bool writeCoverage(const std::string& path, const std::vector<double>& percent);

} // namespace preview
