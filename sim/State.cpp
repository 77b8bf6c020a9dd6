// Persistence of the machine across processes: what a real machine keeps when the controlling
// program dies (carriage and media where they are, the encoder count, outputs, devices, media,
// the ink already on the sheet). Card memory and armed windows are volatile and not kept.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <fcntl.h>
#include <unistd.h>

#include "Machine.h"
#include "hardware/CardRegisters.h"

namespace sim {

using namespace hw;

namespace {

// Flushes a written file to the disk, so that a power cut after the rename cannot lose it.
bool syncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// The sheet file a saved state names, empty when none.
std::string referencedSheet(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("sheet = ", 0) == 0) return line.substr(8);
    return {};
}

std::string toHex(const std::string& s) {
    static const char* d = "0123456789abcdef";
    std::string o;
    o.reserve(2 * s.size());
    for (unsigned char c : s) {
        o += d[c >> 4];
        o += d[c & 15];
    }
    return o;
}

bool fromHex(const std::string& s, std::string& out) {
    auto v = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1; };
    if (s.size() % 2) return false;
    out.clear();
    for (size_t i = 0; i < s.size(); i += 2) {
        const int h = v(s[i]), l = v(s[i + 1]);
        if (h < 0 || l < 0) return false;
        out += char(h * 16 + l);
    }
    return true;
}

} // namespace

bool Machine::saveState(const std::string& path, std::string* error, const std::string& note) {
    std::lock_guard g(lock_);
    advance();
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (x_.moving || y_.moving) return fail("the machine is moving");
    std::ostringstream o;
    o.precision(17);
    o << "CARVEXSIM 1\n";
    o << "carriageMM = " << x_.posAt(t_) << "\n";
    o << "feedMM = " << y_.posAt(t_) << "\n";
    o << "encoderRaw = " << rawCounts(x_.posAt(t_)) << "\n";
    o << "movedLatch = " << movedLatch_ << "\n";
    o << "printControl = " << (regs_[REG_PRINT_CONTROL] & (kPcDividerMask | 0xF0000002u)) << "\n";
    o << "output = " << regs_[REG_OUTPUT] << "\n";
    o << "dio4 = " << unsigned(dioOut_[0]) << "\ndio5 = " << unsigned(dioOut_[1]) << "\n";
    o << "wiper = " << wiperAt(t_) << "\nstation = " << stationAt(t_) << "\n";
    o << "mediaLeftMM = " << mediaLeftMM_ << "\nmediaWidthMM = " << mediaWidthMM_ << "\n";
    o << "estop = " << (estop_ ? 1 : 0) << "\n";
    o << "sheetOriginFeedMM = " << sheetOriginFeedMM_ << "\n";
    o << "sheetXdpi = " << sheetXdpi_ << "\nsheetYdpi = " << sheetYdpi_ << "\n";
    for (size_t c = 0; c < drops_.size(); ++c)
        if (drops_[c]) o << "drops" << c << " = " << drops_[c] << "\n";
    o << "dropsOff = " << dropsOff_ << "\n";
    o << "flashSpits = " << flashSpits_ << "\n";
    if (sheetStarted_) {
        // Never overwrite the sheet the saved state names: a crash while writing must leave the
        // last state whole. The two names take turns.
        const std::string a = path + ".sheet", b = path + ".sheet.alt";
        const std::string sheetPath = referencedSheet(path) == a ? b : a;
        std::string why;
        if (!sheet_.saveRaw(sheetPath, {}, &why)) return fail(why);
        if (!syncFile(sheetPath)) return fail("cannot write " + sheetPath);
        o << "sheet = " << sheetPath << "\n";
    }
    if (!note.empty()) o << "note = " << toHex(note) << "\n";
    const std::string tmp = path + ".tmp";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        if (!(f << o.str()) || !f.flush()) return fail("cannot write " + tmp);
    }
    if (!syncFile(tmp)) return fail("cannot write " + tmp);
    if (std::rename(tmp.c_str(), path.c_str()) != 0) return fail("cannot write " + path);
    log("card", "state saved to " + path);
    return true;
}

bool Machine::loadState(const std::string& path, std::string* error, std::string* note) {
    std::lock_guard g(lock_);
    advance();
    auto fail = [&](const std::string& why) {
        if (error) *error = path + ": " + why;
        return false;
    };
    std::ifstream f(path, std::ios::binary);
    if (!f) return fail("cannot read");
    std::string line;
    if (!std::getline(f, line) || line != "CARVEXSIM 1") return fail("not a machine state file");
    std::map<std::string, std::string> kv;
    while (std::getline(f, line)) {
        auto eq = line.find(" = ");
        if (eq == std::string::npos) continue;
        kv[line.substr(0, eq)] = line.substr(eq + 3);
    }
    auto num = [&](const char* k, double def) {
        auto it = kv.find(k);
        if (it == kv.end()) return def;
        char* end = nullptr;
        double v = std::strtod(it->second.c_str(), &end);
        return end != it->second.c_str() && std::isfinite(v) ? v : def;
    };
    std::string noteText;
    if (auto it = kv.find("note"); it != kv.end() && !fromHex(it->second, noteText)) return fail("damaged note");
    Sheet loaded;
    bool haveSheet = kv.count("sheet");
    if (haveSheet) {
        std::string why;
        if (!loaded.loadRaw(kv["sheet"], &why)) return fail(why);
    }
    haltAll("state loaded");
    x_.baseMM = std::clamp(num("carriageMM", x_.baseMM), x_.minMM, x_.maxMM);
    y_.baseMM = std::max(num("feedMM", y_.baseMM), y_.minMM);
    xAtLoad_ = x_.baseMM;
    rawBase_ = num("encoderRaw", rawBase_);
    movedLatch_ = uint32_t(num("movedLatch", 0)) & kPositionMask;
    regs_[REG_PRINT_CONTROL] = uint32_t(num("printControl", 0));
    writeOutput(uint32_t(num("output", 0)));
    dioOut_[0] = uint8_t(num("dio4", 0));
    dioOut_[1] = uint8_t(num("dio5", 0));
    wiperFrom_ = wiperTo_ = std::clamp(num("wiper", 0), 0.0, 1.0);
    stationFrom_ = stationTo_ = std::clamp(num("station", 0), 0.0, 1.0);
    wiperT0_ = stationT0_ = t_;
    mediaLeftMM_ = num("mediaLeftMM", mediaLeftMM_);
    mediaWidthMM_ = std::max(0.0, num("mediaWidthMM", mediaWidthMM_));
    estop_ = num("estop", 0) != 0;
    sheetOriginFeedMM_ = num("sheetOriginFeedMM", y_.baseMM);
    sheetXdpi_ = num("sheetXdpi", 0);
    sheetYdpi_ = num("sheetYdpi", 0);
    for (size_t c = 0; c < drops_.size(); ++c) drops_[c] = uint64_t(num(("drops" + std::to_string(c)).c_str(), 0));
    dropsOff_ = uint64_t(num("dropsOff", 0));
    flashSpits_ = num("flashSpits", 0);
    flashSince_ = t_;
    sheetStarted_ = haveSheet;
    sheet_ = haveSheet ? std::move(loaded) : Sheet{};
    if (note) *note = noteText;
    log("card", "state loaded from " + path);
    return true;
}

} // namespace sim
