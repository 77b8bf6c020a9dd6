#pragma once
// Shared by the feathering proofs: the feather mask rows from their definition, and the media
// displacement of each pass that the feeds' truncation to whole motor pulses leaves.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "sim/Machine.h"

namespace featherproof {

using Counts = std::vector<uint32_t>; // one plane over the image, a count per dot

// The counts each pass added to the sheet, per plane (4), over the region: sheets holds the sheet
// before each pass, then after the job.
inline std::vector<std::array<Counts, 4>> passCounts(const std::vector<sim::Sheet>& sheets,
                                                     const sim::SheetRegion& region) {
    std::vector<std::array<Counts, 4>> out;
    if (sheets.empty()) return out;
    std::array<Counts, 4> before;
    for (unsigned k = 0; k < 4; ++k) before[k] = sheets[0].dropCounts(int(k), region);
    for (size_t i = 1; i < sheets.size(); ++i) {
        std::array<Counts, 4> delta;
        for (unsigned k = 0; k < 4; ++k) {
            Counts after = sheets[i].dropCounts(int(k), region);
            delta[k].resize(after.size());
            for (size_t j = 0; j < after.size(); ++j) delta[k][j] = after[j] - before[k][j];
            before[k] = std::move(after);
        }
        out.push_back(std::move(delta));
    }
    return out;
}

// Mask row t of straight feathering keeps every (t + 1)-th dot from dot t.
inline bool straightMask(int64_t t, int64_t x) { return x >= t && (x - t) % (t + 1) == 0; }
// Mask row t of wave feathering keeps the dots where t - 1 lies above the cosine's depth.
inline bool waveMask(int64_t t, int64_t F, double omega, int64_t x) {
    return double(t) - 1.0 > double(F) * (1.0 - std::cos(omega * double(x)));
}

// Whether a pass keeps dot x of band row r (rows 0 .. 2F - 1 the top zone, V .. V + 2F - 1 the
// bottom zone; F the half-depth of a zone, mode 1 straight, 2 wave).
inline bool featherKeeps(unsigned mode, int64_t F, int64_t V, double omega, int64_t r, int64_t x) {
    if (mode == 1) {
        if (r < 2 * F) return r < F ? straightMask(F - r, x) : !straightMask(r - F + 1, x);
        if (r >= V && r < V + 2 * F) {
            const int64_t z = r - V;
            return z < F ? !straightMask(F - z, x) : straightMask(z - F + 1, x);
        }
        return true;
    }
    if (mode == 2) {
        if (r < 2 * F) return waveMask(r + 1, F, omega, x);
        if (r >= V && r < V + 2 * F) return !waveMask(r - V + 1, F, omega, x);
    }
    return true;
}

struct Displacement {
    std::vector<double> passMM; // each pass's displacement from the job-line grid (pass 0: 0)
    double spreadMM = 0;        // largest minus smallest
    double boundMM = 0;         // what the truncated feeds can account for
    unsigned feeds = 0;
    unsigned untruncated = 0;   // feeds that were not short of their whole lines by under a pulse
};

// Each pass's displacement from the grid of job lines (lineMM apart), accumulated from the
// machine's own feeds: a feed is ideally whole lines, and a truncated one falls short by less than
// a motor pulse.
inline Displacement measureFeeds(const std::vector<sim::PassInfo>& ps, double lineMM, double pulseMM) {
    Displacement m;
    double D = 0, lo = 0, hi = 0;
    m.passMM.assign(ps.size(), 0.0);
    for (size_t p = 1; p < ps.size(); ++p) {
        const double feed = ps[p].feedMM - ps[p - 1].feedMM;
        const double dev = feed - std::round(feed / lineMM) * lineMM;
        if (dev > 1e-9 || dev <= -pulseMM - 1e-9) ++m.untruncated;
        D += dev;
        m.passMM[p] = D;
        lo = std::min(lo, D);
        hi = std::max(hi, D);
        ++m.feeds;
    }
    m.spreadMM = hi - lo;
    m.boundMM = m.feeds * pulseMM + 1e-9;
    return m;
}

} // namespace featherproof
