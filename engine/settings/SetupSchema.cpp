#include "settings/SetupSchema.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <stdexcept>
#include <type_traits>

namespace setup {
namespace {

SetupSettings& defaultSettings();

template <class T> constexpr Store storeOf() {
    if constexpr (std::is_same_v<T, int>) return Store::Int;
    else if constexpr (std::is_same_v<T, unsigned>) return Store::Unsigned;
    else if constexpr (std::is_same_v<T, float>) return Store::Float;
    else if constexpr (std::is_same_v<T, std::string>) return Store::String;
    else static_assert(sizeof(T) == 0, "setup members are int, unsigned, float or std::string");
}

const char* const kMovement = "MOVEMENT";
const char* const kBase = "BASEHEADALIGNMENT";
const char* const kAlign = "HEADALIGNMENT";

Group groupOfSection(const std::string& section) {
    if (section == kMovement) return Group::Movement;
    if (section == kBase) return Group::BaseHeadAlignment;
    if (section == kAlign) return Group::HeadAlignment;
    return Group::PrintSetting;
}

// Collects the keys section by section in load order; save orders are set afterwards.
class Builder {
public:
    // Starts a section: its keys are read by `group`'s load function in the order they are added.
    // `inStruct`: its members live in a section struct (their shared keys get SECTION.KEY names).
    void section(const std::string& name, Group group, bool inStruct) {
        section_ = name;
        group_ = group;
        if (inStruct) structSections_.insert(name);
    }

    // Adds a key of the current section. F is a captureless lambda (SetupSettings&, unsigned) -> T&.
    template <class F> KeyDef& add(const std::string& key, F, unsigned index = 0, unsigned head = 0) {
        return addIn(section_, key, F{}, index, head);
    }
    // Adds a key of another section that the current load function reads.
    template <class F>
    KeyDef& addIn(const std::string& section, const std::string& key, F, unsigned index = 0, unsigned head = 0) {
        using T = std::remove_cvref_t<decltype(F{}(std::declval<SetupSettings&>(), 0u))>;
        KeyDef k;
        k.section = section;
        k.key = key;
        k.store = storeOf<T>();
        k.type = k.store == Store::Float ? KeyType::Float : k.store == Store::String ? KeyType::String : KeyType::Int;
        k.format = k.type == KeyType::Float ? "%f" : k.type == KeyType::String ? "" : "%d";
        k.precision = 6;
        k.head = head;
        k.index = index;
        k.ref = [](SetupSettings& s, unsigned i) -> void* { return static_cast<void*>(&F{}(s, i)); };
        k.loadGroup = group_;
        k.loadPos = loadCount_[group_]++;
        k.saveGroup = groupOfSection(section);
        k.savePos = -1;
        keys_.push_back(std::move(k));
        return keys_.back();
    }

    // Save order of a section: the keys as listed; "Name*" stands for Name1..Name24.
    void saveOrder(const std::string& section, std::initializer_list<const char*> names) {
        int pos = 1; // 0 is the HI line
        for (const char* n : names) {
            std::string name = n;
            if (name.back() == '*') {
                name.pop_back();
                for (unsigned h = 1; h <= kMaxHeads; ++h) get(section, name + std::to_string(h)).savePos = pos++;
            } else {
                get(section, name).savePos = pos++;
            }
        }
    }
    // Save order of a section as its keys were added.
    void saveAsLoaded(const std::string& section) {
        int pos = 1;
        for (auto& k : keys_)
            if (k.section == section) k.savePos = pos++;
    }
    // Moves one key in a section's save order to directly after another.
    void saveAfter(const std::string& section, const std::string& key, const std::string& after) {
        std::vector<KeyDef*> order;
        for (auto& k : keys_)
            if (k.section == section) order.push_back(&k);
        std::stable_sort(order.begin(), order.end(), [](auto* a, auto* b) { return a->savePos < b->savePos; });
        KeyDef* moved = &get(section, key);
        order.erase(std::find(order.begin(), order.end(), moved));
        auto at = std::find(order.begin(), order.end(), &get(section, after));
        order.insert(at + 1, moved);
        int pos = 1;
        for (auto* k : order) k->savePos = pos++;
    }

    std::vector<KeyDef> finish(const std::vector<std::string>& sectionOrder) {
        // Console names: SECTION.KEY where a key of a section struct is shared with another section.
        std::map<std::string, std::set<std::string>> sectionsOf;
        for (const auto& k : keys_) sectionsOf[k.key].insert(k.section);
        const SetupSettings& defaults = defaultSettings();
        for (auto& k : keys_) {
            bool shared = sectionsOf[k.key].size() > 1;
            k.consoleName = shared && structSections_.count(k.section) ? k.section + "." + k.key : k.key;
            if (k.savePos < 0) throw std::logic_error("setup key without save position: " + k.key);
            k.defaultText = displayText(k, defaults);
        }
        auto rank = [&](const KeyDef& k) {
            return std::find(sectionOrder.begin(), sectionOrder.end(), k.section) - sectionOrder.begin();
        };
        std::stable_sort(keys_.begin(), keys_.end(), [&](const KeyDef& a, const KeyDef& b) {
            auto ra = rank(a), rb = rank(b);
            return ra != rb ? ra < rb : a.savePos < b.savePos;
        });
        return std::move(keys_);
    }

private:
    KeyDef& get(const std::string& section, const std::string& key) {
        for (auto& k : keys_)
            if (k.section == section && k.key == key) return k;
        throw std::logic_error("no setup key " + section + "/" + key);
    }

    std::vector<KeyDef> keys_;
    std::map<Group, int> loadCount_;
    std::set<std::string> structSections_;
    std::string section_;
    Group group_ = Group::Movement;
};

#define MEM(m) [](SetupSettings& s, unsigned) -> auto& { return s.m; }
#define ARR(m) [](SetupSettings& s, unsigned i) -> auto& { return s.m[i]; }

std::vector<KeyDef> buildSchema() {
    Builder b;

    // ---- MOVEMENT
    b.section(kMovement, Group::Movement, false);
    for (unsigned i = 0; i < 5; ++i) b.add("XSpeedPause" + std::to_string(i), ARR(XSpeedPause), i);
    for (unsigned i = 0; i < 5; ++i) b.add("YSpeedPause" + std::to_string(i), ARR(YSpeedPause), i);
    b.add("bReverseMoveX", MEM(bReverseMoveX));
    b.add("bReverseMoveY", MEM(bReverseMoveY));
    b.add("bReverseLeftRightLSW", MEM(bReverseLeftRightLSW));
    b.add("iEncoderShiftNumber", MEM(iEncoderShiftNumber));
    b.add("iFireFrequency", MEM(iFireFrequency));
    b.add("iXEncoderInitial", MEM(iXEncoderInitial));
    b.add("iXAccTime", MEM(iXAccTime));
    b.add("iYAccTime", MEM(iYAccTime));
    b.add("uiStepOffsetSize", MEM(uiStepOffsetSize));
    b.add("fXStepToMM", MEM(fXStepToMM));
    b.add("fYStepToMM", MEM(fYStepToMM));
    b.add("fMMPerXStep", MEM(fMMPerXStep));
    b.add("fMMPerYStep", MEM(fMMPerYStep));
    b.add("fXMotorRate", MEM(fXMotorRate));
    b.add("fYMotorRate", MEM(fYMotorRate));
    b.saveAsLoaded(kMovement);
    b.saveAfter(kMovement, "fMMPerYStep", "fYStepToMM");

    // ---- BASEHEADALIGNMENT (with PRINTMODE uiHeadsPerColorMode, which its load reads)
    b.section(kBase, Group::BaseHeadAlignment, false);
    b.add("HEADS", MEM(HEADS));
    for (unsigned h = 1; h <= kMaxHeads; ++h) {
        const std::string n = std::to_string(h);
        b.add("HeadOffsetXL" + n, ARR(HeadOffsetXL), h - 1, h);
        b.add("HeadOffsetXR" + n, ARR(HeadOffsetXR), h - 1, h);
        b.add("HeadOffsetY" + n, ARR(HeadOffsetY), h - 1, h);
        b.add("ColorChannel" + n, ARR(ColorChannel), h - 1, h);
        b.add("HeadChannel" + n, ARR(HeadChannel), h - 1, h);
        KeyDef& v = b.add("HeadVoltage" + n, ARR(HeadVoltage), h - 1, h);
        v.format = "%.1f";
        v.precision = 1;
    }
    b.add("HeadVoltageDACUnit", MEM(HeadVoltageDACUnit));
    b.add("HeadVoltageDefault", MEM(HeadVoltageDefault));
    b.add("HEADSPARAMS", MEM(HEADSPARAMS));
    b.add("COLORS", MEM(COLORS));
    b.add("NOZZLESPERHEAD", MEM(NOZZLESPERHEAD));
    b.add("LINESPERHEAD", MEM(LINESPERHEAD));
    b.add("MediaName", MEM(MediaName));
    b.addIn("PRINTMODE", "uiHeadsPerColorMode", MEM(uiHeadsPerColorMode));
    b.add("NOZZLESOFFSET", MEM(NOZZLESOFFSET));
    b.add("BASEHEADOFFSET", MEM(BASEHEADOFFSET));
    b.add("fHeadDPI", MEM(fHeadDPI));
    b.add("BUFFCOUNT", MEM(BUFFCOUNT));
    b.add("COLORCACHE", MEM(COLORCACHE));
    b.add("HEADCACHE", MEM(HEADCACHE));
    b.add("COLORBARCACHE", MEM(COLORBARCACHE));
    b.add("GRADIENTOFFSET", MEM(GRADIENTOFFSET));
    b.add("GRADIENTOFFSETR", MEM(GRADIENTOFFSETR));
    b.add("HEADSCHANNELMODE", MEM(HEADSCHANNELMODE));
    b.saveOrder(kBase, {"HeadOffsetXL*", "HeadOffsetXR*", "HeadOffsetY*", "ColorChannel*", "HeadChannel*",
                        "HeadVoltage*", "HeadVoltageDACUnit", "HeadVoltageDefault", "HEADSPARAMS", "HEADS",
                        "COLORS", "NOZZLESPERHEAD", "LINESPERHEAD", "NOZZLESOFFSET", "BASEHEADOFFSET", "MediaName",
                        "fHeadDPI", "BUFFCOUNT", "COLORCACHE", "HEADCACHE", "COLORBARCACHE", "GRADIENTOFFSET",
                        "GRADIENTOFFSETR", "HEADSCHANNELMODE"});

    // ---- HEADALIGNMENT
    b.section(kAlign, Group::HeadAlignment, true);
    b.add("HEADS", MEM(headAlignment.HEADS));
    b.add("COLORS", MEM(headAlignment.COLORS));
    b.add("MAXHEADOFFSETY", MEM(headAlignment.MAXHEADOFFSETY));
    for (unsigned i = 0; i < 8; ++i) b.add("StepOffset" + std::to_string(i + 1), ARR(headAlignment.StepOffset), i);
    for (unsigned h = 1; h <= kMaxHeads; ++h) {
        const std::string n = std::to_string(h);
        b.add("HeadOffsetXL" + n, ARR(headAlignment.HeadOffsetXL), h - 1, h);
        b.add("HeadOffsetXR" + n, ARR(headAlignment.HeadOffsetXR), h - 1, h);
        b.add("HeadOffsetY" + n, ARR(headAlignment.HeadOffsetY), h - 1, h);
    }
    for (unsigned i = 0; i < 3; ++i) b.add("BiDifference" + std::to_string(i + 1), ARR(headAlignment.BiDifference), i);
    b.saveOrder(kAlign, {"HEADS", "COLORS", "MAXHEADOFFSETY", "HeadOffsetXL*", "HeadOffsetXR*", "HeadOffsetY*",
                         "StepOffset1", "StepOffset2", "StepOffset3", "StepOffset4", "StepOffset5", "StepOffset6",
                         "StepOffset7", "StepOffset8", "BiDifference1", "BiDifference2", "BiDifference3"});

    // ---- FOOTER
    b.section("FOOTER", Group::PrintSetting, true);
    b.add("csMemo", MEM(footer.csMemo));
    b.add("csUserName", MEM(footer.csUserName));
    b.add("csFileName", MEM(footer.csFileName));
    b.add("csFont", MEM(footer.csFont));
    b.add("bEnable", MEM(footer.bEnable));
    b.add("bUserName", MEM(footer.bUserName));
    b.add("bTime", MEM(footer.bTime));
    b.add("bSize", MEM(footer.bSize));
    b.add("bPageCode", MEM(footer.bPageCode));
    b.add("bMemo", MEM(footer.bMemo));
    b.add("bFileName", MEM(footer.bFileName));
    b.add("uiImageDisance", MEM(footer.uiImageDisance));
    b.add("uiFontSize", MEM(footer.uiFontSize));
    b.saveAsLoaded("FOOTER");

    // ---- CLEANING
    b.section("CLEANING", Group::PrintSetting, true);
    b.add("bEnable", MEM(cleaning.bEnable));
    b.add("uiFrequency", MEM(cleaning.uiFrequency));
    b.add("uiTimes", MEM(cleaning.uiTimes));
    b.add("uiFlashFrequency", MEM(cleaning.uiFlashFrequency));
    b.add("uiFlashFrequencyCleaning", MEM(cleaning.uiFlashFrequencyCleaning));
    b.add("uiFlashFrequencyCleaningDelay", MEM(cleaning.uiFlashFrequencyCleaningDelay));
    b.add("uiFlashAtHome", MEM(cleaning.uiFlashAtHome));
    b.add("uiMode", MEM(cleaning.uiMode));
    b.add("bSyringeEnable", MEM(cleaning.bSyringeEnable));
    b.add("bSyringeBeforePrinting", MEM(cleaning.bSyringeBeforePrinting));
    b.add("bSyringeAfterPrinting", MEM(cleaning.bSyringeAfterPrinting));
    b.add("bSyringeFlush", MEM(cleaning.bSyringeFlush));
    b.add("uiSyringeUpPredelay", MEM(cleaning.uiSyringeUpPredelay));
    b.add("uiSyringeTimes", MEM(cleaning.uiSyringeTimes));
    b.add("uiSyringeTime", MEM(cleaning.uiSyringeTime));
    b.add("uiSyringeDelay", MEM(cleaning.uiSyringeDelay));
    b.add("uiSyringeDownPredelay", MEM(cleaning.uiSyringeDownPredelay));
    b.add("uiSyringeWasteInk", MEM(cleaning.uiSyringeWasteInk));
    b.add("uiWipeTime", MEM(cleaning.uiWipeTime));
    b.saveAsLoaded("CLEANING");
    b.saveAfter("CLEANING", "uiFlashAtHome", "bSyringeFlush");

    // ---- COLORBAR
    b.section("COLORBAR", Group::PrintSetting, true);
    b.add("bEnable", MEM(colorBar.bEnable));
    b.add("uiPosition", MEM(colorBar.uiPosition));
    b.add("uiWidth", MEM(colorBar.uiWidth));
    b.add("uiWidthMixed", MEM(colorBar.uiWidthMixed));
    b.add("uiDistance", MEM(colorBar.uiDistance));
    b.add("uiMode", MEM(colorBar.uiMode));
    b.add("bSameHeightWithImage", MEM(colorBar.bSameHeightWithImage));
    b.saveAsLoaded("COLORBAR");

    // ---- MEDIA
    b.section("MEDIA", Group::PrintSetting, false);
    b.add("uiAutoCut", MEM(uiAutoCut));
    b.add("uiMargin1", MEM(uiMargin1));
    b.add("uiMargin2", MEM(uiMargin2));
    b.add("uiStartPos1", MEM(uiStartPos1));
    b.add("uiStartPos2", MEM(uiStartPos2));
    b.add("uiWidth1", MEM(uiWidth1));
    b.add("uiWidth2", MEM(uiWidth2));
    b.add("uiSpaceLefRight", MEM(uiSpaceLefRight));
    b.add("uiSpaceUpDown", MEM(uiSpaceUpDown));
    b.add("iOverlap", MEM(iOverlap));
    b.add("uiBytesOverLap", MEM(uiBytesOverLap));
    b.add("uiBytesInterva", MEM(uiBytesInterva));
    b.add("uiBytesRoll1", MEM(uiBytesRoll1));
    b.add("uiBytesRoll2", MEM(uiBytesRoll2));
    b.add("uiRoll2", MEM(uiRoll2));
    b.saveAsLoaded("MEDIA");

    // ---- PRINTMODE (uiHeadsPerColorMode is read with the base section, written here)
    b.section("PRINTMODE", Group::PrintSetting, false);
    b.add("bTestMode", MEM(bTestMode));
    b.add("bDebugBmp", MEM(bDebugBmp));
    b.add("dwEnableHeads", MEM(dwEnableHeads));
    b.add("bHorizontalMirror", MEM(bHorizontalMirror));
    b.add("bVerticalMirror", MEM(bVerticalMirror));
    b.add("bUnidirection", MEM(bUnidirection));
    b.add("bUnidirectionToLeft", MEM(bUnidirectionToLeft));
    b.add("bDoubleStrike", MEM(bDoubleStrike));
    b.add("bNetwork", MEM(bNetwork));
    b.add("bEdgeFeather", MEM(bEdgeFeather));
    b.add("uiFeatherSize", MEM(uiFeatherSize));
    b.add("bSmartPrint", MEM(bSmartPrint));
    b.add("uiPass", MEM(uiPass));
    b.add("uiXSpeed", MEM(uiXSpeed));
    b.add("uiYSpeed", MEM(uiYSpeed));
    b.add("uiVacuum", MEM(uiVacuum));
    b.add("uiPrintQty", MEM(uiPrintQty));
    b.add("uiResetHeadsBoard", MEM(uiResetHeadsBoard));
    b.add("uiMemoryMode", MEM(uiMemoryMode));
    b.add("uiRipHeadMode", MEM(uiRipHeadMode));
    b.add("uiHeadsTeamMode", MEM(uiHeadsTeamMode));
    b.add("uiPcicardMode", MEM(uiPcicardMode));
    b.add("uiUserMode", MEM(uiUserMode));
    b.add("uiCorrectMode", MEM(uiCorrectMode));
    b.add("uiCorrectFrequency", MEM(uiCorrectFrequency));
    b.add("uiHeadsParamsMode", MEM(uiHeadsParamsMode));
    b.add("uiNozzleShiftMode", MEM(uiNozzleShiftMode));
    b.add("uiDPIColorMode", MEM(uiDPIColorMode));
    b.add("uiHeadsAlignmentMode", MEM(uiHeadsAlignmentMode));
    b.add("uiTakeupMode", MEM(uiTakeupMode));
    b.add("csPassMode", MEM(csPassMode));
    b.saveAsLoaded("PRINTMODE");
    b.saveAfter("PRINTMODE", "uiHeadsPerColorMode", "uiCorrectFrequency");

    // ---- POSITION
    b.section("POSITION", Group::PrintSetting, false);
    b.add("uiZeroToHead", MEM(uiZeroToHead));
    b.add("uiHeadWidth", MEM(uiHeadWidth));
    b.add("uiRepositionLeft", MEM(uiRepositionLeft));
    b.add("uiRepositionRight", MEM(uiRepositionRight));
    b.add("bRepositionLeft", MEM(bRepositionLeft));
    b.add("bHeadsProtectLeft", MEM(bHeadsProtectLeft));
    b.add("iSensor", MEM(iSensor));
    b.add("uiMovingLength", MEM(uiMovingLength));
    b.add("uiCleaning", MEM(uiCleaning));
    b.add("uiCleaningWidth", MEM(uiCleaningWidth));
    b.add("uiFire", MEM(uiFire));
    b.add("uiAccelerationLength", MEM(uiAccelerationLength));
    b.saveAsLoaded("POSITION");

    // ---- PATH
    b.section("PATH", Group::PrintSetting, false);
    b.add("csPrintDir", MEM(csPrintDir));
    b.saveAsLoaded("PATH");

    // ---- PRINTFILE
    b.section("PRINTFILE", Group::PrintSetting, false);
    b.add("csName", MEM(csName));
    b.add("csDrv", MEM(csDrv));
    b.add("csHtv", MEM(csHtv));
    b.add("uiType", MEM(uiType));
    b.add("uiSize", MEM(uiSize));
    for (unsigned i = 0; i < 5; ++i) b.add("TestPattern0" + std::to_string(i + 1), ARR(TestPattern), i);
    b.saveAsLoaded("PRINTFILE");

    // ---- ImageSplit (the print-mode page's image-split values)
    b.section("ImageSplit", Group::PrintSetting, true);
    b.add("Value1", MEM(imageSplit.iValue1));
    b.add("Value2", MEM(imageSplit.iValue2));
    b.add("Value3", MEM(imageSplit.iValue3));
    b.add("Value4", MEM(imageSplit.iValue4));
    b.saveAsLoaded("ImageSplit");

    return b.finish(sectionOrder());
}

#undef MEM
#undef ARR

// The defaults of every key, as a default-constructed settings object holds them.
SetupSettings& defaultSettings() {
    static SetupSettings d;
    return d;
}

bool parseStrictInt(const std::string& text, long long& out) {
    std::string t = CIniFile::Trim(text);
    if (t.empty()) return false;
    const char* p = t.c_str();
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(p, &end, 0);
    if (end == p || *end != '\0' || errno == ERANGE) return false;
    out = v;
    return true;
}

bool parseStrictFloat(const std::string& text, float& out) {
    std::string t = CIniFile::Trim(text);
    size_t start = !t.empty() && t[0] == '+' ? 1 : 0;
    if (start == t.size()) return false;
    double v = 0;
    auto r = std::from_chars(t.data() + start, t.data() + t.size(), v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(v) || std::fabs(v) > FLT_MAX)
        return false;
    out = static_cast<float>(v);
    return true;
}

} // namespace

const std::vector<std::string>& sectionOrder() {
    static const std::vector<std::string> order = {kBase,    kAlign,  "MOVEMENT",   "FOOTER",    "CLEANING", "COLORBAR",
                                                   "MEDIA",  "IMAGERANGE", "PRINTMODE", "POSITION", "PATH",
                                                   "PRINTFILE", "ImageSplit"};
    return order;
}

const std::vector<KeyDef>& schema() {
    static const std::vector<KeyDef> keys = buildSchema();
    return keys;
}

const std::vector<const KeyDef*>& loadOrder(Group g) {
    static const std::map<Group, std::vector<const KeyDef*>> orders = [] {
        std::map<Group, std::vector<const KeyDef*>> m;
        for (const auto& k : schema()) m[k.loadGroup].push_back(&k);
        for (auto& [g, v] : m)
            std::stable_sort(v.begin(), v.end(), [](auto* a, auto* b) { return a->loadPos < b->loadPos; });
        return m;
    }();
    static const std::vector<const KeyDef*> none;
    auto it = orders.find(g);
    return it == orders.end() ? none : it->second;
}

const std::vector<std::string>& saveSections(Group g) {
    static const std::vector<std::string> movement = {kMovement}, base = {kBase}, align = {kAlign},
                                          print = {"FOOTER",    "CLEANING", "COLORBAR", "MEDIA",    "IMAGERANGE",
                                                   "PRINTMODE", "POSITION", "PATH",     "PRINTFILE", "ImageSplit"};
    switch (g) {
    case Group::Movement: return movement;
    case Group::BaseHeadAlignment: return base;
    case Group::HeadAlignment: return align;
    case Group::PrintSetting: break;
    }
    return print;
}

const std::vector<const KeyDef*>& saveOrder(const std::string& section) {
    // Every save walks these: made once, as the schema does not change.
    static const std::map<std::string, std::vector<const KeyDef*>, std::less<>> orders = [] {
        std::map<std::string, std::vector<const KeyDef*>, std::less<>> m;
        for (const auto& k : schema()) m[k.section].push_back(&k); // the schema is kept in save order
        return m;
    }();
    static const std::vector<const KeyDef*> none;
    auto it = orders.find(section);
    return it == orders.end() ? none : it->second;
}

const KeyDef* findKey(const std::string& section, const std::string& key) {
    for (const auto& k : schema())
        if (k.section == section && k.key == key) return &k;
    return nullptr;
}

const KeyDef* findByName(const std::string& name) {
    static const std::map<std::string, const KeyDef*> byName = [] {
        std::map<std::string, const KeyDef*> m;
        for (const auto& k : schema()) {
            m[k.section + "." + k.key] = &k;
            m[k.consoleName] = &k;
        }
        return m;
    }();
    auto it = byName.find(name);
    return it == byName.end() ? nullptr : it->second;
}

unsigned headBound(const SetupSettings& s) { return std::min(s.HEADS, kMaxHeads); }

bool inUse(const KeyDef& k, const SetupSettings& s) { return k.head == 0 || k.head <= headBound(s); }

std::string formatFloat(float v, int precision) {
    char buf[400]; // FLT_MAX in fixed notation needs 39 digits plus the fraction
    auto r = std::to_chars(buf, buf + sizeof buf, static_cast<double>(v), std::chars_format::fixed, precision);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0");
}

std::string fileText(const KeyDef& k, const SetupSettings& cs) {
    auto& s = const_cast<SetupSettings&>(cs);
    switch (k.store) {
    case Store::Int: return std::to_string(*static_cast<int*>(k.member(s)));
    case Store::Unsigned: return std::to_string(static_cast<int>(*static_cast<unsigned*>(k.member(s))));
    case Store::Float: return formatFloat(*static_cast<float*>(k.member(s)), k.precision);
    case Store::String: return *static_cast<std::string*>(k.member(s));
    }
    return {};
}

std::string displayText(const KeyDef& k, const SetupSettings& cs) {
    if (k.store != Store::Float) return fileText(k, cs);
    auto& s = const_cast<SetupSettings&>(cs);
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, *static_cast<float*>(k.member(s)));
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0");
}

void resetKey(const KeyDef& k, SetupSettings& s) {
    SetupSettings& defaults = defaultSettings();
    switch (k.store) {
    case Store::Int: *static_cast<int*>(k.member(s)) = *static_cast<int*>(k.member(defaults)); break;
    case Store::Unsigned: *static_cast<unsigned*>(k.member(s)) = *static_cast<unsigned*>(k.member(defaults)); break;
    case Store::Float: *static_cast<float*>(k.member(s)) = *static_cast<float*>(k.member(defaults)); break;
    case Store::String:
        *static_cast<std::string*>(k.member(s)) = *static_cast<std::string*>(k.member(defaults));
        break;
    }
}

void loadKey(const KeyDef& k, CIniFile& ini, SetupSettings& s) {
    void* m = k.member(s);
    void* d = k.member(defaultSettings());
    switch (k.store) {
    case Store::Int: *static_cast<int*>(m) = ini.ReadInt(k.section, k.key, *static_cast<int*>(d)); break;
    case Store::Unsigned:
        *static_cast<unsigned*>(m) =
            static_cast<unsigned>(ini.ReadInt(k.section, k.key, static_cast<int>(*static_cast<unsigned*>(d))));
        break;
    case Store::Float: *static_cast<float*>(m) = ini.ReadFloat(k.section, k.key, *static_cast<float*>(d)); break;
    case Store::String:
        *static_cast<std::string*>(m) = ini.ReadString(k.section, k.key, *static_cast<std::string*>(d));
        break;
    }
}

int saveKey(const KeyDef& k, CIniFile& ini, SetupSettings& s) {
    return ini.WriteString(k.section, k.key, fileText(k, s));
}

long long getInt(const KeyDef& k, SetupSettings& s) {
    switch (k.store) {
    case Store::Int: return *static_cast<int*>(k.member(s));
    case Store::Unsigned: return *static_cast<unsigned*>(k.member(s));
    case Store::Float: return std::llround(*static_cast<float*>(k.member(s)));
    case Store::String: return CIniFile::LeadingInt(*static_cast<std::string*>(k.member(s)));
    }
    return 0;
}

float getFloat(const KeyDef& k, SetupSettings& s) {
    switch (k.store) {
    case Store::Float: return *static_cast<float*>(k.member(s));
    case Store::String: return CIniFile::LeadingFloat(*static_cast<std::string*>(k.member(s)));
    default: return static_cast<float>(getInt(k, s));
    }
}

bool setText(const KeyDef& k, SetupSettings& s, const std::string& text) {
    switch (k.store) {
    case Store::Int: {
        long long v = 0;
        if (!parseStrictInt(text, v) || v < INT_MIN || v > INT_MAX) return false;
        *static_cast<int*>(k.member(s)) = static_cast<int>(v);
        return true;
    }
    case Store::Unsigned: {
        // Stored as "%d": a negative value is the same bit pattern (dwEnableHeads -1 = all heads).
        long long v = 0;
        if (!parseStrictInt(text, v) || v < INT_MIN || v > static_cast<long long>(UINT_MAX)) return false;
        *static_cast<unsigned*>(k.member(s)) = static_cast<unsigned>(v);
        return true;
    }
    case Store::Float: {
        float v = 0;
        if (!parseStrictFloat(text, v)) return false;
        *static_cast<float*>(k.member(s)) = v;
        return true;
    }
    case Store::String:
        if (text.find_first_of("\r\n") != std::string::npos) return false;
        *static_cast<std::string*>(k.member(s)) = text;
        return true;
    }
    return false;
}

} // namespace setup
