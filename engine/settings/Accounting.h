#pragma once
// Job accounting: what a drop holds and what ink and media cost, from "Accounting.ini" in the
// base folder (a file of its own: the setup file stays as it is), and what a job used and cost.
//
//   [INK]         DropVolume<c>  picolitres a drop of ink channel c (default 35)
//                 Price<c>       price of a litre of ink channel c (default 0)
//   [MEDIA]       Price          price of a square metre of a material not listed below (default 0)
//   [MEDIAPRICE]  <material name>=price of a square metre of that material
//   [GENERAL]     Currency       the currency's text (default "CNY")
//
// A missing file gives the defaults; a value that is not a number of 0 or more keeps its default
// and is named in the load's warning.
#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "platform/IniFile.h"
#include "settings/SetupSettings.h"

namespace accounting {

inline constexpr const char* kFileName = "Accounting.ini";
inline constexpr double kDefaultDropPicolitres = 35.0;

struct Prices {
    std::array<double, kMaxColors> dropPicolitres;
    std::array<double, kMaxColors> inkPerLitre{};
    double mediaPerM2 = 0;                           // a material without a price of its own
    std::map<std::string, double> mediaPerM2ByName;  // by material name (MediaName)
    std::string currency = "CNY";
    Prices() { dropPicolitres.fill(kDefaultDropPicolitres); }
    double mediaPrice(const std::string& material) const;
};

// Reads the prices from a store (a file or bytes); `warning` gets what was wrong ("" when nothing).
Prices readPrices(CIniFile& ini, std::string* warning = nullptr);
// The prices of the base folder's Accounting.ini.
Prices loadPrices(const std::string& baseDir, std::string* warning = nullptr);
// Writes every price into the store as one save (atomic for a file); false when it failed.
bool writePrices(CIniFile& ini, const Prices& p);

// What one job used and what that cost.
struct JobUse {
    std::array<uint64_t, kMaxColors> drops{};
    double mediaMM = 0;      // media moved
    double mediaWidthMM = 0; // the media's width in use
    double pictureM2 = 0;    // the printed picture's area, all copies
};

// The area of a picture of width x height dots at the resolutions (0 without them), in m2.
double pictureM2(uint32_t width, uint32_t height, uint32_t xdpi, uint32_t ydpi);

struct JobCost {
    std::array<double, kMaxColors> inkMl{};
    double inkMlTotal = 0;
    double mediaM2 = 0;
    double inkCost = 0, mediaCost = 0, total = 0;
};

JobCost costOf(const JobUse& use, const Prices& p, const std::string& material);

} // namespace accounting
