#pragma once
// The virtual sheet: one bit plane per ink colour at a chosen resolution, stored sparsely by row so
// a long print costs only the rows it inks. Column 0 is the media's left edge; row 0 is the media
// point under the print line when the sheet was started, rows grow upstream (the first printed
// line is the leading edge of the print). Besides the inked dots the sheet counts the drops that
// landed on each dot, so a proof can tell a dot printed once from one printed by several passes.
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

    // Drops counted on one dot at most (a dot hit more often stays at this count).
    static constexpr uint32_t kMaxDropCount = (1u << 16) - 1;

    // Places a drop at the position in mm from the sheet origin; false when it misses the sheet.
    bool drop(int colour, double xMM, double yMM);
    bool dot(int colour, int64_t x, int64_t y) const;
    // Inks a dot with one drop, or clears it with all its drops.
    void setDot(int colour, int64_t x, int64_t y, bool on);
    uint64_t dots(int colour) const;
    // Drops that landed on the dot: 0 for a dot never inked. A sheet loaded from raw planes
    // counts each of its inked dots as one drop (the file keeps no counts).
    uint32_t dropCount(int colour, int64_t x, int64_t y) const;
    // The drop counts of a region, row by row (width x height values); dots off the sheet read 0.
    std::vector<uint32_t> dropCounts(int colour, SheetRegion region) const;
    // Sum of the drop counts of every dot of the colour.
    uint64_t dropTotal(int colour) const;
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
    // Drops beyond the first on the dots of a row, as a binary counter sliced into bit rows
    // (slice i holds bit i of each dot's count); a row gets only as many slices as its most
    // printed dot needs, so a sheet printed once per dot costs nothing more than its planes.
    using Slices = std::vector<Row>;
    void addDrop(int colour, int64_t x, int64_t y);
    uint32_t extraDrops(const Slices& s, int64_t x) const;

    double xdpi_ = 0, ydpi_ = 0;
    int64_t width_ = 0;
    std::vector<std::map<int64_t, Row>> planes_;
    std::vector<std::map<int64_t, Slices>> extra_;
};

} // namespace sim
