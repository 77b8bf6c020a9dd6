#include "settings/Accounting.h"

#include <charconv>
#include <cmath>

#include "platform/Files.h"

namespace accounting {
namespace {

constexpr const char* kInk = "INK";
constexpr const char* kMedia = "MEDIA";
constexpr const char* kMediaByName = "MEDIAPRICE";
constexpr const char* kGeneral = "GENERAL";

// A price or volume: a finite number of 0 or more, the whole text of the value.
bool parseAmount(const std::string& text, double& out) {
    const std::string t = CIniFile::Trim(text);
    if (t.empty()) return false;
    double v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(v) || v < 0) return false;
    out = v;
    return true;
}

std::string amountText(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0");
}

} // namespace

double Prices::mediaPrice(const std::string& material) const {
    const auto it = mediaPerM2ByName.find(material);
    return it == mediaPerM2ByName.end() ? mediaPerM2 : it->second;
}

Prices readPrices(CIniFile& ini, std::string* warning) {
    CIniFile::Snapshot once(ini);
    Prices p;
    std::string bad = ini.LoadWarning();
    const std::string missing = "\n";
    auto amount = [&](const char* section, const std::string& key, double& into) {
        const std::string v = ini.ReadString(section, key, missing);
        if (v == missing) return;
        if (!parseAmount(v, into)) bad += (bad.empty() ? "" : "; ") + std::string(section) + " " + key + " is not an amount: " + v;
    };
    for (unsigned c = 0; c < kMaxColors; ++c) {
        amount(kInk, "DropVolume" + std::to_string(c), p.dropPicolitres[c]);
        amount(kInk, "Price" + std::to_string(c), p.inkPerLitre[c]);
    }
    amount(kMedia, "Price", p.mediaPerM2);
    for (const std::string& name : ini.Keys(kMediaByName)) {
        double v = 0;
        amount(kMediaByName, name, v);
        if (parseAmount(ini.ReadString(kMediaByName, name, missing), v)) p.mediaPerM2ByName[name] = v;
    }
    p.currency = ini.ReadString(kGeneral, "Currency", p.currency);
    if (warning) *warning = bad;
    return p;
}

Prices loadPrices(const std::string& baseDir, std::string* warning) {
    CIniFile ini;
    ini.SetFileName(platform::joinPath(baseDir, kFileName));
    return readPrices(ini, warning);
}

bool writePrices(CIniFile& ini, const Prices& p) {
    CIniFile::Batch batch(ini);
    for (unsigned c = 0; c < kMaxColors; ++c) {
        ini.WriteString(kInk, "DropVolume" + std::to_string(c), amountText(p.dropPicolitres[c]));
        ini.WriteString(kInk, "Price" + std::to_string(c), amountText(p.inkPerLitre[c]));
    }
    ini.WriteString(kMedia, "Price", amountText(p.mediaPerM2));
    for (const auto& [name, price] : p.mediaPerM2ByName) ini.WriteString(kMediaByName, name, amountText(price));
    ini.WriteString(kGeneral, "Currency", p.currency);
    return batch.end() != 0;
}

double pictureM2(uint32_t width, uint32_t height, uint32_t xdpi, uint32_t ydpi) {
    if (xdpi == 0 || ydpi == 0) return 0.0;
    return (double(width) * 0.0254 / xdpi) * (double(height) * 0.0254 / ydpi);
}

JobCost costOf(const JobUse& use, const Prices& p, const std::string& material) {
    JobCost c;
    for (unsigned k = 0; k < kMaxColors; ++k) {
        c.inkMl[k] = double(use.drops[k]) * p.dropPicolitres[k] * 1e-9; // 1 pL = 1e-9 ml
        c.inkMlTotal += c.inkMl[k];
        c.inkCost += c.inkMl[k] / 1000.0 * p.inkPerLitre[k];
    }
    c.mediaM2 = std::max(0.0, use.mediaMM) * std::max(0.0, use.mediaWidthMM) / 1e6;
    c.mediaCost = c.mediaM2 * p.mediaPrice(material);
    c.total = c.inkCost + c.mediaCost;
    return c;
}

} // namespace accounting
