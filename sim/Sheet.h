#pragma once
// The virtual sheet: one bit plane per ink colour at a chosen resolution, stored sparsely by row so
// a long print costs only the rows it inks. Column 0 is the media's left edge; row 0 is the media
// point under the print line when the sheet was started, rows grow upstream (the first printed
// line is the leading edge of the print).
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sim {

struct SheetRegion {
    int64_t x0 = 0, y0 = 0, width = 0, height = 0;
};

class Sheet {
public:
    static constexpr int64_t kMaxRows = 1 << 20;

    void reset(double widthMM, double xdpi, double ydpi, int colours);
    bool configured() const { return xdpi_ > 0; }
    double xdpi() const { return xdpi_; }
    double ydpi() const { return ydpi_; }
    int colours() const { return int(planes_.size()); }
    int64_t widthPx() const { return width_; }

    // Places a drop at the position in mm from the sheet origin; false when it misses the sheet.
    bool drop(int colour, double xMM, double yMM);
    bool dot(int colour, int64_t x, int64_t y) const;
    void setDot(int colour, int64_t x, int64_t y, bool on);
    uint64_t dots(int colour) const;
    // Bounding box of every inked dot (empty when there is none).
    SheetRegion extent() const;

    // Colour composite (inks multiply on white) of a region, or of the extent when empty.
    bool savePng(const std::string& path, const std::vector<uint32_t>& inkRGB, SheetRegion region = {},
                 std::string* error = nullptr) const;
    // Raw 1-bit planes: a text header line
    //   "CARVEXSHEET 1 colours width height xdpi ydpi x0 y0\n"
    // then, per colour, `height` rows of ceil(width / 8) bytes, leftmost dot in bit 7.
    bool saveRaw(const std::string& path, SheetRegion region = {}, std::string* error = nullptr) const;
    // Loads a raw file saved with the full width (x0 = 0), replacing the sheet.
    bool loadRaw(const std::string& path, std::string* error = nullptr);

private:
    using Row = std::vector<uint8_t>;
    double xdpi_ = 0, ydpi_ = 0;
    int64_t width_ = 0;
    std::vector<std::map<int64_t, Row>> planes_;
};

} // namespace sim
