// Printing status: the record of the running job that lets a job cut short be resumed.
//
// What one save records, by where the print loop makes it (pass p, counted from 0):
//  - mode 1, right after the media advance of pass p (the loop has counted it: uiStepSendCurrent is
//    p + 1). Passes 0 .. p-1 are printed (the loop waited for p-1 before advancing), pass p is fed
//    but not printed: stored (p + 1, bIfYMove 1), resumed at pass p without a new advance.
//  - mode 0, when the printing move of pass p starts. The pass is not printed until its move ends,
//    so it must not be recorded as done: the status stays (p + 1, bIfYMove 1). Were the pass recorded
//    as done here, a power cut during the sweep would resume past a half-printed band.
//  - mode 2, at the end of a job: the job has ended, so bPrintStop is 1 (nothing to resume), also
//    when it ran to its end with the stop flag still clear.
#include <charconv>
#include <cmath>
#include <iterator>
#include <cstdio>
#include <limits>

#include "core/DrvPrint.h"
#include "core/PrintingStatusRead.h"
#include "hardware/Devices.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Prompter.h"

namespace {

constexpr const char* kQuestionEn = "Last Printing Job didn't be finished, Would you want to load it to Print List?";
constexpr const char* kQuestionZh = "上次打印未完成，是否连续上幅打印？";

// The integer keys, in file order around the two texts.
const char* const kKeys[] = {"bPrintStop", "uiPass",  "uiMargin", "csPrintingFile",    "csPrintingFilePath", "uiFire",
                             "uiStepSendCurrent", "uiStepSendCount", "bIfYMove", "bHorizontalMirror", "uiFeatherSize"};

// What the job used beyond the keys above: optional when reading.
const char* const kJobKeys[] = {"uiPassCount", "uiXSpeed", "uiPrintQty", "uiCopyIndex", "uiJobRecord"};

// A whole decimal integer (blanks already trimmed by the store), within the int range.
bool parseWholeInt(const std::string& s, int& out) {
    if (s.empty()) return false;
    size_t i = 0;
    bool neg = false;
    if (s[0] == '+' || s[0] == '-') {
        neg = s[0] == '-';
        i = 1;
    }
    if (i >= s.size()) return false;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
        if (v > static_cast<long long>(std::numeric_limits<int>::max()) + 1) return false;
    }
    if (neg) v = -v;
    if (v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min()) return false;
    out = static_cast<int>(v);
    return true;
}

// Millimetres of a signed X step count, rounded up by half (as XPulseToMM).
int32_t stepsToMM(double mmPerStep, int64_t steps) {
    double v = std::trunc(mmPerStep * static_cast<double>(steps) + 0.5);
    if (v >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    if (v <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

} // namespace

int ReadPrintingStatus(CIniFile& ini, PrintingStatusRecord& st, std::string* why) {
    auto refuse = [&](const std::string& text) {
        if (why) *why = text;
        return -1;
    };
    // Every read from the one copy just loaded: one consistent status.
    CIniFile::Batch batch(ini);
    const char* sec = kPrintingStatusSection;
    const std::string missing = "\x01";
    PrintingStatusRecord got = st;
    for (const char* key : kKeys) {
        std::string v = ini.ReadString(sec, key, missing);
        if (v == missing) return refuse(std::string("key ") + key + " missing");
        if (std::string(key) == "csPrintingFile") {
            got.csPrintingFile = v;
            continue;
        }
        if (std::string(key) == "csPrintingFilePath") {
            got.csPrintingFilePath = v;
            continue;
        }
        int n = 0;
        if (!parseWholeInt(v, n)) return refuse(std::string("key ") + key + " is not a number: " + v);
        const uint32_t u = static_cast<uint32_t>(n);
        const std::string k = key;
        if (k == "bPrintStop") got.bPrintStop = n;
        else if (k == "uiPass") got.uiPass = u;
        else if (k == "uiMargin") got.uiMargin = u;
        else if (k == "uiFire") got.uiFire = u;
        else if (k == "uiStepSendCurrent") got.uiStepSendCurrent = u;
        else if (k == "uiStepSendCount") got.uiStepSendCount = u;
        else if (k == "bIfYMove") got.bIfYMove = u;
        else if (k == "bHorizontalMirror") got.bHorizontalMirror = n;
        else if (k == "uiFeatherSize") got.uiFeatherSize = u;
    }
    // Keys a status written by an older engine may lack.
    for (const char* key : kJobKeys) {
        std::string v = ini.ReadString(sec, key, missing);
        if (v == missing) continue;
        int n = 0;
        if (!parseWholeInt(v, n) || n < 0) return refuse(std::string("key ") + key + " is not a number: " + v);
        const std::string k = key;
        const uint32_t u = static_cast<uint32_t>(n);
        if (k == "uiPassCount") got.uiPassCount = u;
        else if (k == "uiXSpeed") got.uiXSpeed = u;
        else if (k == "uiPrintQty") got.uiPrintQty = u;
        else if (k == "uiCopyIndex") got.uiCopyIndex = u;
        else if (k == "uiJobRecord") got.uiJobRecord = u;
    }
    for (unsigned c = 0; c < kMaxColors; ++c) {
        const std::string key = PrintingStatusDropsKey(c);
        const std::string v = ini.ReadString(sec, key, missing);
        if (v == missing) continue;
        uint64_t n = 0;
        const auto r = std::from_chars(v.data(), v.data() + v.size(), n);
        if (v.empty() || r.ec != std::errc() || r.ptr != v.data() + v.size())
            return refuse("key " + key + " is not a number: " + v);
        got.uiInkDrops[c] = n;
    }
    if (got.csPrintingFilePath.empty()) return refuse("no print file named");
    if (got.uiStepSendCurrent > got.uiStepSendCount)
        return refuse("passes done " + std::to_string(got.uiStepSendCurrent) + " exceed the job's " +
                      std::to_string(got.uiStepSendCount));
    st = got;
    if (why) why->clear();
    return 1;
}

std::string CDrvPrint::AUXPrintingStatusPath() const { return platform::joinPath(csBaseDir, kPrintingStatusFile); }

int CDrvPrint::AUXSavePrintingStatus(unsigned mode) {
    const uint32_t stepCurrent = uiStepSendCurrent.load();
    // See the top of this file for why mode 0 is stored like mode 1.
    const uint32_t storedMode = mode == 0 ? 1u : mode;
    const int printStop = mode == 2 ? 1 : static_cast<int>(bStop.load());

    CIniFile ini;
    ini.SetFileName(AUXPrintingStatusPath());
    // A fresh copy: the file holds this one section only, so nothing of the old file is kept and a
    // damaged old file cannot spoil the new one. One batch: one atomic replacement with every key.
    CIniFile::Batch batch(ini);
    const char* sec = kPrintingStatusSection;
    ini.WriteInt(sec, "bPrintStop", printStop);
    ini.WriteInt(sec, "uiPass", static_cast<int>(uiPass));
    ini.WriteInt(sec, "uiMargin", static_cast<int>(uiMargin1));
    ini.WriteString(sec, "csPrintingFile", platform::fileNamePart(csName));
    ini.WriteString(sec, "csPrintingFilePath", csName);
    ini.WriteInt(sec, "uiFire", static_cast<int>(uiFire));
    ini.WriteInt(sec, "uiStepSendCurrent", static_cast<int>(stepCurrent));
    ini.WriteInt(sec, "uiStepSendCount", static_cast<int>(uiStepSendCount.load()));
    ini.WriteInt(sec, "bIfYMove", static_cast<int>(storedMode));
    ini.WriteInt(sec, "bHorizontalMirror", bHorizontalMirror);
    ini.WriteInt(sec, "uiFeatherSize", bEdgeFeather != 0 ? static_cast<int>(uiFeatherSize) : 0);
    ini.WriteInt(sec, "uiPassCount", static_cast<int>(uiPassCount));
    ini.WriteInt(sec, "uiXSpeed", static_cast<int>(uiXSpeed));
    ini.WriteInt(sec, "uiPrintQty", static_cast<int>(uiPrintQty));
    ini.WriteInt(sec, "uiCopyIndex", static_cast<int>(uiCopyIndex));
    ini.WriteString(sec, "uiJobRecord", std::to_string(job.m_nRowId > 0 ? job.m_nRowId : 0));
    for (unsigned c = 0; c < kMaxColors; ++c)
        if (uiInkDropsAtPass[c]) ini.WriteString(sec, PrintingStatusDropsKey(c), std::to_string(uiInkDropsAtPass[c]));
    if (batch.end() == 0)
        platform::log(platform::LogLevel::Warn, "printing status not saved: cannot write " + ini.GetFileName());
    // The virtual printer keeps its state with the status it matches (a real machine needs nothing).
    hw::persistMachineState(ini.GetFileName());
    return 0;
}

int CDrvPrint::AUXReadPrintingStatus(PrintingStatusRecord& st, std::string* why) {
    // Defaults: the engine's current values, and "nothing to resume".
    st = PrintingStatusRecord{};
    st.bPrintStop = 1;
    st.uiPass = uiPass;
    st.uiMargin = uiMargin1;
    st.csPrintingFile = platform::fileNamePart(csName);
    st.csPrintingFilePath = csName;
    st.uiFire = uiFire;
    st.uiStepSendCurrent = uiStepSendCurrent.load();
    st.uiStepSendCount = uiStepSendCount.load();
    st.bIfYMove = bIfYMove.load();
    st.bHorizontalMirror = bHorizontalMirror;
    st.uiFeatherSize = bEdgeFeather != 0 ? uiFeatherSize : 0;
    const PrintingStatusRecord defaults = st;
    auto fail = [&](int result, const std::string& text) {
        st = defaults;
        if (why) *why = text;
        return result;
    };

    CIniFile ini;
    ini.SetFileName(AUXPrintingStatusPath());
    if (!platform::fileExists(ini.GetFileName())) return fail(0, "no printing status");
    if (ini.Load() == 0) return fail(-1, "cannot read " + ini.GetFileName());
    return ReadPrintingStatus(ini, st, why);
}

void CDrvPrint::PRNStartInkDrops() {
    if (uiStepSendCurrent == 0) {
        PRNSetInkDrops({});
        return;
    }
    // A resume: the counts of the passes before the one it starts at, if the status is this job's.
    PrintingStatusRecord st;
    std::string why;
    if (AUXReadPrintingStatus(st, &why) == 1 && st.csPrintingFilePath == csName &&
        PrintingStatusResumePass(st.uiStepSendCurrent, st.bIfYMove) == uiStepSendCurrent) {
        PRNSetInkDrops(st.uiInkDrops);
        return;
    }
    platform::log(platform::LogLevel::Info, "resumed job: its drops are counted from pass " +
                                                std::to_string(uiStepSendCurrent.load()) + " on (no printing status of it)");
    PRNSetInkDrops({});
}

void CDrvPrint::AUXFillJobList(const PrintingStatusRecord& st, JobList& list) {
    uiStepSendCurrent = st.uiStepSendCurrent;
    uiStepSendCount = st.uiStepSendCount;
    uiResumeStepCount = st.uiStepSendCount;
    bIfYMove = st.bIfYMove;

    list.uiPass = st.uiPass;
    list.csFile = st.csPrintingFile;
    list.csPath = st.csPrintingFilePath;

    RipHead head; // all zero when the file cannot be read
    if (AUXGetRipHead(list.csPath, &head) != 0)
        platform::log(platform::LogLevel::Warn, "print file of the last job cannot be read: " + list.csPath);
    list.uiQty = 1;

    uiFire = st.uiFire;
    list.uiMarginMM = static_cast<uint32_t>(
        stepsToMM(fMMPerXStep, int64_t(uiFire) - int64_t(uiStartPos1) - int64_t(uiLeftLimitPos)));

    // A header without resolutions gives zero sizes rather than a division by zero.
    const double width = head.uiXDPI ? head.uiWidth * 0.0254 / head.uiXDPI : 0.0;
    const double height = head.uiYDPI ? head.uiHeight * 0.0254 / head.uiYDPI : 0.0;
    char text[128];
    std::snprintf(text, sizeof text, "%.3fx%.3f:%.3f m2", width, height, width * height);
    list.csSize = text;
    std::snprintf(text, sizeof text, "%dx%d", static_cast<int>(head.uiXDPI), static_cast<int>(head.uiYDPI));
    list.csDPI = text;

    list.uiColors = head.uiColors > 8 ? 4 : head.uiColors;
    uint64_t sum = 0;
    for (uint32_t i = 0; i < std::size(list.uiColorMask); ++i) {
        list.uiColorMask[i] = i < list.uiColors ? uiMaskIndex[i] : 0;
        if (i < list.uiColors) sum += list.uiColorMask[i];
    }
    list.uiColorMaskAvg = list.uiColors ? static_cast<uint32_t>((sum + list.uiColors / 2) / list.uiColors) : 0;

    list.uiResumePass = PrintingStatusResumePass(st.uiStepSendCurrent, st.bIfYMove);
    list.bMediaFed = PrintingStatusMediaFed(st.uiStepSendCurrent, st.bIfYMove);
    list.bMirror = static_cast<uint32_t>(st.bHorizontalMirror);
}

int CDrvPrint::AUXLoadPrintingStatus(unsigned mode, JobList* list) {
    PrintingStatusRecord st;
    std::string why;
    const int found = AUXReadPrintingStatus(st, &why);
    if (found < 0) platform::log(platform::LogLevel::Warn, "printing status ignored: " + why);

    switch (mode) {
    case 0:
        return st.bPrintStop;
    case 1: {
        // Without a usable status there is no job to put back in the list.
        if (found != 1 || list == nullptr) return -1;
        bool asked = false;
        if (st.bPrintStop == 0) {
            asked = true;
            const int answer = platform::messageBox(bLanguageChinese ? kQuestionZh : kQuestionEn,
                                                    platform::Buttons::YesNo);
            if (answer != platform::IDYES) return -1;
        }
        AUXFillJobList(st, *list);
        return asked ? 1 : st.bPrintStop;
    }
    case 2:
        bIfYMove = st.bIfYMove;
        return static_cast<int>(st.bIfYMove);
    default:
        return 0;
    }
}
