#include "MachineConfig.h"

#include "Takeup.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

namespace sim {

MachineConfig::MachineConfig() {
    // Four heads as the default setup describes them: one colour each, stacked at the carriage
    // reference. Each has its own true misplacement, which acts only while Heads.Misplacement is 1.
    static constexpr double dx[4] = {0.021, -0.034, 0.047, -0.012};
    static constexpr double dy[4] = {-0.018, 0.026, 0.009, -0.031};
    for (int i = 0; i < 4; ++i) {
        HeadConfig h;
        h.colour = i;
        h.dxMM = dx[i];
        h.dyMM = dy[i];
        heads.push_back(h);
    }
    dioInputs.assign(16, "1");
    fitTakeup(*this, false);
    dioInputs[8 + 7] = "estop";          // port 1 bit 7: emergency-stop button
    // In the order of a RIP file's planes: K, C, M, Y, then light cyan, light magenta, orange, green.
    inkRGB = {0x000000, 0x00FFFF, 0xFF00FF, 0xFFFF00, 0x80FFFF, 0xFF80FF, 0xFF8000, 0x00C000};
}

void fitTakeup(MachineConfig& cfg, bool fit) {
    cfg.dioInputs.resize(16, "1");
    cfg.takeup.fitted = fit;
    // Selector (a, b) reads 1 when a is low, 2 when b is low: position 1 pulls its first line low.
    static const char* const takeup[16] = {
        "manual-b-1n", "manual-b-2n", "direction-b-1n", "direction-b-2n",       // P0.0-P0.3
        "manual-a-1n", "manual-a-2n", "direction-a-1n", "direction-a-2n",       // P0.4-P0.7
        nullptr, "dancer-b-bottom-n", "dancer-b-top-n", "dancer-a-bottom-n",    // P1.0-P1.3
        "dancer-a-top-n", "switch-1-n", "switch-2-n", nullptr};                 // P1.4-P1.7
    // Without the take-up: nothing on those lines (they read 1) but the slow zone and the wiper.
    static const char* const plain[16] = {
        "slowzone", "1", "1", "1", "1", "1", "1", "1",
        nullptr, "1", "wiper-out-n", "wiper-in-n", "0", "1", "1", nullptr};
    for (size_t i = 0; i < 16; ++i) {
        const char* s = fit ? takeup[i] : plain[i];
        if (s) cfg.dioInputs[i] = s;
    }
}

namespace {

std::string trim(std::string s) {
    size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return {};
    size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

bool toDouble(const std::string& s, double& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(s.c_str(), &end);
    if (errno || end == s.c_str() || *end || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool toLong(const std::string& s, long long& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(s.c_str(), &end, 0);
    if (errno || end == s.c_str() || *end) return false;
    out = v;
    return true;
}

struct Key {
    const char* section;
    const char* key;
    std::function<bool(MachineConfig&, const std::string&)> set;
    std::function<std::string(const MachineConfig&)> get;
};

template <class T> std::string num(T v) {
    std::ostringstream o;
    o.precision(10);
    o << v;
    return o.str();
}

#define DBL(sec, name, member)                                                                          \
    Key{sec, name, [](MachineConfig& c, const std::string& s) { return toDouble(s, c.member); },       \
        [](const MachineConfig& c) { return num(c.member); }}
#define INT(sec, name, member, lo, hi)                                                                  \
    Key{sec, name,                                                                                      \
        [](MachineConfig& c, const std::string& s) {                                                    \
            long long v;                                                                                \
            if (!toLong(s, v) || v < (lo) || v > (hi)) return false;                                    \
            c.member = static_cast<decltype(c.member)>(v);                                              \
            return true;                                                                                \
        },                                                                                              \
        [](const MachineConfig& c) { return num(static_cast<long long>(c.member)); }}

// Take-up direction switch at power-on: 0, 1 or 2.
Key directionKey(const char* name, int roll) {
    return Key{"Takeup", name,
               [roll](MachineConfig& c, const std::string& s) {
                   long long v;
                   if (!toLong(s, v) || v < 0 || v > 2) return false;
                   c.takeup.direction[roll] = unsigned(v);
                   return true;
               },
               [roll](const MachineConfig& c) { return num(c.takeup.direction[roll]); }};
}

const std::vector<Key>& keys() {
    static const std::vector<Key> k = {
        DBL("X", "PulsesPerMM", xPulsesPerMM),
        DBL("X", "EncoderCountsPerMM", encoderCountsPerMM),
        DBL("X", "TravelMM", travelMM),
        DBL("X", "HardStopMM", hardStopMM),
        DBL("X", "StartMM", startXMM),
        DBL("X", "SpeedUnitHz", xSpeedUnitHz),
        DBL("X", "ClockHz", xClockHz),
        DBL("X", "MinSpeedHz", xMinSpeedHz),
        DBL("X", "DefaultAccMs", xDefaultAccMs),
        DBL("X", "Slow0MMs", slowSpeedMMs[0]),
        DBL("X", "Slow1MMs", slowSpeedMMs[1]),
        DBL("X", "SlowZoneMM", slowZoneMM),
        INT("X", "DirBitLeft", xDirBitLeft, 0, 1),
        INT("X", "SwitchStopsDrive", switchesStopDrive, 0, 1),
        DBL("Y", "PulsesPerMM", yPulsesPerMM),
        DBL("Y", "SpeedUnitHz", ySpeedUnitHz),
        DBL("Y", "MinSpeedHz", yMinSpeedHz),
        DBL("Y", "DefaultAccMs", yDefaultAccMs),
        DBL("Y", "HomeMM", yHomeMM),
        DBL("Y", "HardStopMM", yHardStopMM),
        DBL("Y", "StartMM", startYMM),
        INT("Y", "DirBitForward", yDirBitForward, 0, 1),
        INT("Heads", "Misplacement", misplacement, 0, 1),
        DBL("Heads", "DropFlightUs", dropFlightUs),
        INT("Card", "MemoryMode", memoryMode, 0, 6),
        INT("Card", "EightLineFormat", eightLineFormat, 0, 1),
        INT("Card", "RequireFirmware", requireFirmware, 0, 1),
        INT("Card", "HeadBoardType", headBoardType, 1, 2),
        Key{"Card", "BoardIdent",
            [](MachineConfig& c, const std::string& s) {
                if (s.size() > 16) return false;
                c.boardIdent = s;
                return true;
            },
            [](const MachineConfig& c) { return c.boardIdent; }},
        DBL("Card", "FlashHzPerCode", flashHzPerCode),
        DBL("Card", "BoardAnswerMs", boardAnswerMs),
        DBL("Card", "BusMBps", busMBps),
        INT("Card", "CleaningBoard", cleaningBoard, 0, 1),
        INT("Card", "UVLampInputs", uvLampInputs, 0, 1),
        INT("Card", "EStopStopsMotors", estopStopsMotors, 0, 1),
        DBL("Card", "NativeFireCounts", nativeFireCounts),
        DBL("Card", "FireTrimUnits", fireTrimUnits),
        DBL("Card", "FireTrimRate", fireTrimRate),
        DBL("Media", "LeftMM", mediaLeftMM),
        DBL("Media", "WidthMM", mediaWidthMM),
        DBL("Media", "SensorOffsetMM", sensorOffsetMM),
        DBL("Devices", "WiperTravelMs", wiperTravelMs),
        DBL("Devices", "StationTravelMs", stationTravelMs),
        INT("Devices", "DioBase", dioBase, 0, 0xFFFF),
        DBL("Devices", "AmbientC", ambientC),
        DBL("Devices", "HeatedC", heatedC),
        Key{"Takeup", "Fitted",
            [](MachineConfig& c, const std::string& s) {
                long long v;
                if (!toLong(s, v) || v < 0 || v > 1) return false;
                fitTakeup(c, v != 0);
                return true;
            },
            [](const MachineConfig& c) { return num(c.takeup.fitted ? 1 : 0); }},
        DBL("Takeup", "LoopMM", takeup.loopMM),
        DBL("Takeup", "TopMM", takeup.topMM),
        DBL("Takeup", "BottomMM", takeup.bottomMM),
        DBL("Takeup", "HysteresisMM", takeup.hysteresisMM),
        DBL("Takeup", "StartAMM", takeup.startMM[0]),
        DBL("Takeup", "StartBMM", takeup.startMM[1]),
        DBL("Takeup", "MotorAMMs", takeup.motorMMs[0]),
        DBL("Takeup", "MotorBMMs", takeup.motorMMs[1]),
        directionKey("DirectionA", 0),
        directionKey("DirectionB", 1),
        DBL("Sheet", "YMultiple", sheetYMultiple),
    };
    return k;
}

bool validLine(const std::string& source) {
    static const char* names[] = {"0", "1", "estop", "slowzone", "wiper-out-n", "wiper-in-n"};
    for (auto* n : names)
        if (source == n) return true;
    return takeupLineValid(source);
}

bool setHeadKey(MachineConfig& c, unsigned index, const std::string& key, const std::string& value) {
    if (index == 0 || index > 64) return false;
    if (c.heads.size() < index) c.heads.resize(index);
    HeadConfig& h = c.heads[index - 1];
    double d;
    long long n;
    if (key == "XMM") return toDouble(value, h.xMM);
    if (key == "YMM") return toDouble(value, h.yMM);
    if (key == "DXMM") return toDouble(value, h.dxMM);
    if (key == "DYMM") return toDouble(value, h.dyMM);
    if (key == "DPI") return toDouble(value, d) && d > 1 && (h.dpi = d, true);
    if (key == "Nozzles") return toLong(value, n) && n >= 1 && n <= 4096 && (h.nozzles = int(n), true);
    if (key == "Colour") return toLong(value, n) && n >= 0 && n < 16 && (h.colour = int(n), true);
    if (key == "Reversed") return toLong(value, n) && (n == 0 || n == 1) && (h.reversed = n == 1, true);
    return false;
}

} // namespace

bool parseMachineText(const std::string& text, MachineConfig& cfg, std::string* error) {
    std::istringstream in(text);
    std::string line, section;
    int lineNo = 0;
    auto fail = [&](const std::string& why) {
        if (error) *error = "line " + std::to_string(lineNo) + ": " + why;
        return false;
    };
    while (std::getline(in, line)) {
        ++lineNo;
        line = trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            if (line.back() != ']') return fail("bad section header");
            section = trim(line.substr(1, line.size() - 2));
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) return fail("expected KEY = VALUE");
        std::string key = trim(line.substr(0, eq)), value = trim(line.substr(eq + 1));
        if (section.rfind("Head", 0) == 0 && section.size() > 4 && section != "Heads") {
            long long idx;
            if (!toLong(section.substr(4), idx) || !setHeadKey(cfg, unsigned(idx), key, value))
                return fail("bad head value " + key + " = " + value);
            continue;
        }
        if (section == "Heads" && key == "Count") {
            long long n;
            if (!toLong(value, n) || n < 1 || n > 64) return fail("bad head count");
            cfg.heads.resize(size_t(n));
            continue;
        }
        if (section == "DioInputs") {
            // P0.3 = source
            unsigned port, bit;
            if (std::sscanf(key.c_str(), "P%u.%u", &port, &bit) != 2 || port > 1 || bit > 7 || !validLine(value))
                return fail("bad I/O input " + key + " = " + value);
            cfg.dioInputs.resize(16, "1");
            cfg.dioInputs[port * 8 + bit] = value;
            continue;
        }
        if (section == "Sheet" && key.rfind("Ink", 0) == 0) {
            long long idx, rgb;
            if (!toLong(key.substr(3), idx) || idx < 0 || idx >= 16 || !toLong(value, rgb) || rgb < 0 || rgb > 0xFFFFFF)
                return fail("bad ink " + key);
            if (cfg.inkRGB.size() <= size_t(idx)) cfg.inkRGB.resize(size_t(idx) + 1, 0x808080);
            cfg.inkRGB[size_t(idx)] = uint32_t(rgb);
            continue;
        }
        bool found = false;
        for (const auto& k : keys()) {
            if (section == k.section && key == k.key) {
                if (!k.set(cfg, value)) return fail("bad value for " + key + ": " + value);
                found = true;
                break;
            }
        }
        if (!found) return fail("unknown key [" + section + "] " + key);
    }
    if (cfg.xPulsesPerMM <= 0 || cfg.encoderCountsPerMM <= 0 || cfg.yPulsesPerMM <= 0 || cfg.travelMM <= 0)
        return fail("scale factors and travel must be positive");
    const TakeupConfig& t = cfg.takeup;
    if (!(t.loopMM > 0 && t.topMM >= 0 && t.topMM < t.bottomMM && t.bottomMM <= t.loopMM && t.hysteresisMM >= 0))
        return fail("take-up: the dancer switches must lie in order within the loop (0 <= TopMM < BottomMM <= LoopMM, HysteresisMM >= 0)");
    for (int r = 0; r < 2; ++r)
        if (t.motorMMs[r] < 0 || t.startMM[r] < 0 || t.startMM[r] > t.loopMM)
            return fail("take-up: motor speeds must not be negative and the loops must start within their travel");
    return true;
}

bool loadMachineFile(const std::string& path, MachineConfig& cfg, std::string* error) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        if (error) *error = "cannot read " + path;
        return false;
    }
    std::ostringstream s;
    s << f.rdbuf();
    std::string why;
    if (!parseMachineText(s.str(), cfg, &why)) {
        if (error) *error = path + ": " + why;
        return false;
    }
    return true;
}

std::string machineText(const MachineConfig& cfg) {
    std::ostringstream o;
    std::string section;
    for (const auto& k : keys()) {
        if (section != k.section) {
            section = k.section;
            o << (o.tellp() > 0 ? "\n" : "") << "[" << section << "]\n";
            if (section == "Heads") o << "Count = " << cfg.heads.size() << "\n";
        }
        o << k.key << " = " << k.get(cfg) << "\n";
    }
    for (size_t i = 0; i < cfg.inkRGB.size(); ++i) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "Ink%zu = 0x%06X\n", i, unsigned(cfg.inkRGB[i] & 0xFFFFFF));
        o << buf;
    }
    o << "\n[DioInputs]\n";
    for (size_t i = 0; i < cfg.dioInputs.size(); ++i) o << "P" << i / 8 << "." << i % 8 << " = " << cfg.dioInputs[i] << "\n";
    for (size_t i = 0; i < cfg.heads.size(); ++i) {
        const auto& h = cfg.heads[i];
        o << "\n[Head" << i + 1 << "]\nXMM = " << num(h.xMM) << "\nYMM = " << num(h.yMM) << "\nDXMM = " << num(h.dxMM)
          << "\nDYMM = " << num(h.dyMM) << "\nDPI = " << num(h.dpi) << "\nNozzles = " << h.nozzles
          << "\nColour = " << h.colour << "\nReversed = " << (h.reversed ? 1 : 0) << "\n";
    }
    return o.str();
}

} // namespace sim
