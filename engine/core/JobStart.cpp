// Starting a print job: the thread, and the checks made before any motion.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/CardTransfer.h"
#include "core/DrvPrint.h"
#include "core/StepTags.h"
#include "hardware/Devices.h"
#include "platform/Log.h"
#include "platform/Prompter.h"

namespace {

// The native X resolution: one dot a step (180 dpi with the default step).
int nativeXdpi(float mmPerXStep) { return mmPerXStep > 0 ? int(25.4 / mmPerXStep + 0.5) : 180; }

// The fire-clock divisor q for a job resolution j: the clock fires (iFireFrequency + 1) x native / q.
int fireDivisor(int iFireFrequency, int native, int j) { return j > 0 ? ((iFireFrequency + 1) * native) / j : 0; }

std::string format(const char* fmt, int a, int b, int c = 0) {
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, a, b, c);
    return buf;
}

} // namespace

int CDrvPrint::PRNWaitPrintThread(bool stop) {
    std::thread t;
    {
        std::lock_guard g(printThreadLock);
        if (!pPrintThread.joinable()) return 0;
        if (stop && bPrintThreadRunning) bStop = 1;
        t = std::move(pPrintThread);
    }
    // Joined outside the lock: the thread itself may call PRNPrintFile (and be refused).
    t.join();
    return 1;
}

void CDrvPrint::PRNPrintFile(std::string path) {
    std::lock_guard g(printThreadLock);
    if (bPrintThreadRunning) {
        // One job at a time: a second one would fight the first for the card and the axes.
        csRefusal = "a print job is already running";
        platform::logf(platform::LogLevel::Warn, "print of %s refused: a job is already running", path.c_str());
        return;
    }
    if (pPrintThread.joinable()) pPrintThread.join();
    // A virtual printer kept across processes records the machine with the status before the job.
    hw::persistMachineState(AUXPrintingStatusPath());
    csName = path;
    csRefusal.clear();
    iPrintResult = -1;
    // The job counts from this request on: a Stop from now ends it (even before its file has
    // opened), and the job's members are the job's until it has ended.
    bStop = 0;
    bStopSeen = 0;
    bStoppedAtStart = 0;
    bPrintThreadRunning = 1;
    iJobFeedPulses = 0;
    uiJobPrintStartUs = 0;
    uiJobPrintEndUs = 0;
    uiJobPausedUs = 0;
    pPrintThread = std::thread([this] {
        PRNStartInkDrops();
        int r = 0;
        if (uiHeadsAlignmentMode == 3 && uiPrintJobKind == 2) {
            r = onHeadsAlignment ? onHeadsAlignment() : int(PRNThreadHeadsAlignment(this));
        } else {
            r = PRNThreadPrintFile(this);
        }
        iPrintResult = r;
        bPrintThreadRunning = 0;
    });
}

bool CDrvPrint::PRNOfferRipHead(const RipHead& h) {
    if (PRNJobActive()) return false;
    ripHead = h;
    return true;
}

int CDrvPrint::PRNCheckParams() {
    const bool zh = bLanguageChinese != 0;
    auto refuse = [&](const std::string& text) {
        csRefusal = text;
        platform::messageBox(text, platform::Buttons::Ok);
        return 0;
    };
    const unsigned x = ripHead.uiXDPI, y = ripHead.uiYDPI;
    if (x < 25 || x > 1000 || y < 50 || y > 1500)
        return refuse(zh ? "打印任务的DPI分辩率是错误的，请检查该文件" : "DPI of Printing is error,Pls Check the file.");
    // Offsets of a material file that could not be read are zeros, not the material's: a job
    // printed with them is misaligned, and the job start would write them over the file.
    if (!mediaOffset.csMediaFile.empty() && mediaOffset.csLoadedFrom != mediaOffset.csMediaFile)
        return refuse(zh ? "材料文件无法读取，请检查该文件：" + mediaOffset.csMediaFile
                         : "The material file cannot be read, please check it: " + mediaOffset.csMediaFile);
    // The same for a setup file that is there but gave only defaults, and for head voltages the
    // boards are to be given from a file that could not be read.
    if (bSetupUnreadable) {
        const std::string setup = PRMSetupFilePath();
        return refuse(zh ? "设置文件无法读取，请检查该文件：" + setup : "The setup file cannot be read, please check it: " + setup);
    }
    if (bHtvUnreadable && uiHeadsParamsMode) {
        const std::string htv = PRMHTVFilePath();
        return refuse(zh ? "喷头电压文件无法读取，请检查该文件：" + htv : "The head voltage file cannot be read, please check it: " + htv);
    }
    PRNResetDPI();
    if (int64_t(uiFire) - int64_t(uiAccelerationLength) - int64_t(uiLeftLimitPos) < 0)
        return refuse(zh ? "打印起始位置小于车头加速距离，车头会撞向左限位开关，请检查白边值和左边起始打印位置。"
                         : "Starding position of printing less than Carriage Acceleration Length,Please check Margin and "
                           "Left Starting Position.");
    PRNSetColorBar();
    const int64_t W = UI_DPIRate(0, ripHead.uiWidth + uiColorBarWidth);
    if (W + int64_t(uiHeadWidth) - int64_t(uiRightLimitPos) + int64_t(uiAccelerationLength) + int64_t(uiFire) >= 1)
        return refuse(zh ? "打印超出右限位边界，请检查白边值,图像宽度和左边起始打印位置"
                         : "Printing could be over Right Limit Switch, Please Check Magin,Width of Image,Left edge of "
                           "Meterial again");
    auto ask = [&](const std::string& text) {
        csRefusal = text;
        if (platform::messageBox(text, platform::Buttons::YesNo) == platform::Answer::IDYES) {
            csRefusal.clear();
            return 1;
        }
        return 0;
    };
    if (W > int64_t(uiWidth1)) {
        const int a = XPulseToMM(int32_t(UI_DPIRate(0, ripHead.uiWidth)));
        const int b = XPulseToMM(int32_t(UI_DPIRate(0, uiColorBarWidth)));
        const int c = XPulseToMM(int32_t(uiWidth1));
        return ask(zh ? format("打印图像宽度:%d+彩条宽度:%d > 材料宽度:%d，是否继续打印？是或否？", a, b, c)
                      : format("Printing Width:%d + Colorbar Width:%d > Media Width:%d. Printing will print at out of "
                               "media, ARE YOU SURE TO CONTINUE? YES OR NO? ",
                               a, b, c));
    }
    if (W + (int64_t(uiFire) - int64_t(uiLeftLimitPos)) - int64_t(uiStartPos1) - int64_t(uiWidth1) > 0) {
        const int a = XPulseToMM(int32_t(W + int64_t(uiFire) - int64_t(uiLeftLimitPos)));
        const int b = XPulseToMM(int32_t(uiStartPos1 + uiWidth1));
        return ask(zh ? format("图像打印右边界:%d > 材料右边界:%d，是否继续打印？是或否？", a, b)
                      : format("Right of Printing:%d > Right of Media:%d, Printing will print at out of media, ARE YOU "
                               "SURE TO CONTINUE? YES OR NO? ",
                               a, b));
    }
    return 1;
}

int CDrvPrint::PRNResetDPI() {
    const int n = nativeXdpi(fMMPerXStep);
    int j = uiPrintJobKind == 0 ? int(ripHead.uiXDPI) : n;
    if (std::abs(n - j) < 11) {
        fDPIRate = 1.0f;
        uiFireDivider = unsigned(iFireFrequency);
        AUXInitHardware(MOVGetXPosition(), unsigned(iFireFrequency));
        ripHead.uiXDPI = unsigned(n);
        j = n;
    } else if (j > 0) {
        // The position is read before the rate changes: the encoder counts dots of the old rate.
        // (Read after it, a carriage away from 0 would be put at half or twice its place.)
        const unsigned pos = MOVGetXPosition();
        const int q = fireDivisor(iFireFrequency, n, j);
        const int div = std::max(0, q - 1);
        uiFireDivider = unsigned(div);
        fDPIRate = float((iFireFrequency + 1.0) / (div + 1.0));
        AUXInitHardware(UI_DPIRate(1, pos), unsigned(div));
    }
    switch (j) {
    case 180: case 181: uiDPIClass = 0; break;
    case 240: uiDPIClass = 1; break;
    case 360: case 363: uiDPIClass = 2; break;
    case 720: uiDPIClass = 3; break;
    default: break;
    }
    PRMGetCurrentMediaParams();
    PRMSaveMediaParams(&mediaOffset);
    return 1;
}

int CDrvPrint::PRNDPIRateBifference() {
    const unsigned idx = std::min(uiXSpeed, 4u);
    const double s = XSpeedPause[idx];
    const double cap = XSpeedPause[4];
    const double k = BASEHEADOFFSET ? double(BASEHEADOFFSET) : 1.0;
    const double f = fXMotorRate;
    auto roundDiff = [&](double diff, bool up) { return int(std::trunc(up ? diff / k + 0.5 : diff / k - 0.5)); };
    if (uiPcicardMode == 0) {
        double dd = UI_DPIRate(0, unsigned(std::max(0.0, s)));
        if (dd > cap) dd = cap;
        const double a = std::trunc(dd * f + 0.5);
        const double b = std::trunc(s * f + 0.5);
        return roundDiff(b - a, b > a);
    }
    if (s == 0) return 0;
    const double e = std::trunc(f / s + 0.5);
    const double g = std::trunc(F_DPIRate(0, float(f / s)) + 0.5);
    if (g == 0) return 0;
    double h = std::trunc(f / g + 0.5);
    if (h < cap) h = cap;
    if (h == 0) return 0;
    const double m = std::trunc(f / h + 0.5);
    return roundDiff(e - m, e > m);
}

void CDrvPrint::PRNSetImageRange() {}

std::string CDrvPrint::PRNCheckJobLimits() {
    const bool zh = bLanguageChinese != 0;
    cardmem::Layout layout{};
    if (!cardmem::layoutOf(uiMemoryMode, layout))
        return zh ? "PRINTMODE uiMemoryMode " + std::to_string(uiMemoryMode) + " 不是有效的卡内存模式（0到6）"
                  : "PRINTMODE uiMemoryMode " + std::to_string(uiMemoryMode) + " is not a card memory mode (0 to 6)";
    // The geometry of the job, as the first copy will compute it (no band is read here).
    const unsigned current = uiStepSendCurrent;
    uiStepSendCurrent = 0;
    PRNInitParams();
    PRNSetColorBar();
    PRNSetBuffMemory();
    uiStepSendCurrent = current;
    // A resumed job: the printing status must describe this file with these job values, or its
    // pass numbers mean nothing here (and a huge one would replay bands for hours).
    if (current != 0 && (current > uiStepTotal || (uiResumeStepCount != 0 && uiResumeStepCount != uiStepTotal)))
        return zh ? "打印状态与文件不符：第 " + std::to_string(current) + " 遍，状态记录 " + std::to_string(uiResumeStepCount) +
                        " 遍，文件为 " + std::to_string(uiStepTotal) + " 遍"
                  : "printing status does not match the file: pass " + std::to_string(current) + " of " +
                        std::to_string(uiResumeStepCount) + " recorded, the file gives " + std::to_string(uiStepTotal) +
                        " passes";
    if (std::string why = PRNCheckResolution(); !why.empty()) return why;
    if (uiLinesPerStep == 0 || uiPassCount == 0)
        return zh ? "打印模式没有可用的喷嘴行（遍数 " + std::to_string(uiPassCount) + "）"
                  : "The pass mode leaves no nozzle rows to print (" + std::to_string(uiPassCount) + " passes, " +
                        std::to_string(NOZZLESPERHEAD) + " nozzles per head)";
    if (uiFeatherMode) {
        // The bottom feather zone of a pass prints the lines of the band read last; a zone deeper
        // than one media advance would need lines not read yet, and its dots would be lost.
        const unsigned zone = 2 * (uiFeatherMode == 2 ? uiFeatherSize / 2 : uiFeatherSize);
        if (zone > uiNozzlesPerPass)
            return zh ? "羽化区 " + std::to_string(zone) + " 行超过每遍进纸的 " + std::to_string(uiNozzlesPerPass) +
                            " 个喷嘴行，请减小羽化值（uiFeatherSize）或遍数"
                      : "The feather zone of " + std::to_string(zone) + " nozzle rows is deeper than the " +
                            std::to_string(uiNozzlesPerPass) + " nozzle rows a pass advances (lower uiFeatherSize or the passes)";
    }
    std::string why = PRNCheckBufferLimits();
    if (!why.empty()) return why;
    if (!csReadBufferError.empty()) return csReadBufferError;
    why = PRNCheckHeadSlots();
    if (!why.empty()) return why;
    // The rows of a pass look back over (passes + 1) bands and the heads' vertical offsets: the
    // ring must still hold them.
    int64_t maxV = 0;
    for (unsigned h = 0; h < HEADS && h < kMaxHeads; ++h) maxV = std::max<int64_t>(maxV, std::abs(headAlignment.HeadOffsetY[h]));
    const uint64_t need = (uint64_t(uiPassCount) + 1) * uiLinesPerStep + uint64_t(maxV) * uiInterlace;
    const uint64_t ringLines = ripHead.uiBytesPerLine ? uiRingBytes / ripHead.uiBytesPerLine : 0;
    if (ringLines < need)
        return zh ? "颜色缓存太小：需要 " + std::to_string(need) + " 行，只有 " + std::to_string(ringLines) + " 行（BUFFCOUNT）"
                  : "The colour ring holds " + std::to_string(ringLines) + " lines but a pass needs " +
                        std::to_string(need) + " (raise BUFFCOUNT)";
    unsigned R = 0, U = 0, O = 0;
    PRNPassRowGeometry(R, U, O);
    const unsigned f = uiFeatherMode ? 2 * uiFeatherSize : 0;
    const uint64_t passBytes = uint64_t(f + R) * ripHead.uiBytesPerLine;
    if (passBytes > uiHeadPassSize)
        return zh ? "一遍的数据 " + std::to_string(passBytes) + " 字节超出 HEADCACHE"
                  : "A head pass of " + std::to_string(passBytes) + " bytes does not fit HEADCACHE";
    const uint64_t K = 16 * ((std::min<uint64_t>(uint64_t(f) + U, uint64_t(NOZZLESPERHEAD) + O) + 127) / 128);
    const uint64_t W = bEightLineMode ? 8ull * ripHead.uiBytesPerLine : ripHead.uiWidth;
    const uint64_t cols = uint64_t(UI_DPIRate(1, uiHeadWidth + 100)) + uiColorBarWidth + W + 100;
    if (cols * K > uiHeadCardSize)
        return zh ? "一遍的卡数据超出 HEADCACHE" : "The card image of a pass does not fit HEADCACHE / heads per colour";
    const uint64_t chunk = bEightLineMode ? 128 * ((cols + 7) / 8) : 16 * cols;
    if (chunk > layout.blockBytes)
        return zh ? "图像太宽，超出卡内存块" : "The pass is wider than a card memory block of memory mode " + std::to_string(uiMemoryMode);
    return {};
}

std::string CDrvPrint::PRNCheckResolution() {
    if (uiPrintJobKind != 0) return {}; // test patterns print at the native resolution
    const bool zh = bLanguageChinese != 0;
    // Across: the fire clock divides the encoder by whole numbers, so only the resolutions
    // (iFireFrequency + 1) x native / q are fired; any other would be printed at the nearest one.
    const int n = nativeXdpi(fMMPerXStep);
    const int x = int(ripHead.uiXDPI), clock = (iFireFrequency + 1) * n;
    if (std::abs(n - x) >= 11 && x > 0 && clock % x != 0)
        return zh ? "横向分辨率 " + std::to_string(x) + " dpi 无法精确打印（本机可打印 " + std::to_string(clock) + " 的整数分之一 dpi）"
                  : "The file's X resolution of " + std::to_string(x) + " dpi cannot be fired exactly: this machine fires " +
                        std::to_string(clock) + " dpi divided by a whole number (" + std::to_string(n) + ", " +
                        std::to_string(2 * n) + " dpi ...)";
    // The encoder counts job dots in 17 bits: at a finer resolution the far end of the passes must
    // still lie within them, or the carriage's place is lost there.
    const uint64_t farEnd = uint64_t(uiFire) + UI_DPIRate(0, ripHead.uiWidth + uiColorBarWidth) + uiHeadWidth + 100 +
                            2ull * uiAccelerationLength + uint64_t(std::max(0, XMMToPulse(14)));
    if (fDPIRate > 1.0f && uint64_t(UI_DPIRate(1, unsigned(std::min<uint64_t>(farEnd, UINT32_MAX / 8)))) > 0x1FFFFu)
        return zh ? "该分辨率下编码器计数超出17位范围，请减小白边或图像宽度（MOVEMENT iXEncoderInitial）"
                  : "At " + std::to_string(x) + " dpi the passes reach beyond the encoder's 17-bit count (" +
                        std::to_string(0x1FFFF) + " dots from its zero, MOVEMENT iXEncoderInitial " +
                        std::to_string(iXEncoderInitial) + " at home): lower the margin or the width";
    // Along: mode 0 prints adjacent file lines on adjacent nozzles, one nozzle pitch apart; with an
    // interleave that puts lines finer than the nozzle pitch on heads of one nozzle row, and every
    // other line lands in the wrong place.
    const unsigned y = ripHead.uiYDPI;
    if (uiDPIColorMode == 0 && uiInterlace > 1 && LINESPERHEAD <= 1)
        return zh ? "纵向分辨率 " + std::to_string(y) + " dpi 需要交错打印，uiDPIColorMode 0 无法精确打印，请使用 uiDPIColorMode 2"
                  : "The file's Y resolution of " + std::to_string(y) + " dpi needs " + std::to_string(uiInterlace) +
                        " interleaved lines a nozzle pitch, which PRINTMODE uiDPIColorMode 0 (lines in nozzle pairs) "
                        "cannot place on these heads: print it with uiDPIColorMode 2, or make the file at " +
                        std::to_string(n) + " dpi";
    // Lines finer than the interleave prints would stretch the picture along the media.
    if (uiDPIColorMode != 0 && fHeadDPI > 0 && double(y) > 1.05 * fHeadDPI * uiInterlace)
        return zh ? "纵向分辨率 " + std::to_string(y) + " dpi 高于喷头可打印的 " + std::to_string(int(fHeadDPI * uiInterlace)) + " dpi"
                  : "The file's Y resolution of " + std::to_string(y) + " dpi is finer than the " +
                        std::to_string(int(fHeadDPI * uiInterlace + 0.5)) + " dpi these heads print with an interleave of " +
                        std::to_string(uiInterlace) + " (nozzle pitch " + std::to_string(int(fHeadDPI + 0.5)) +
                        " dpi): make the file at a whole multiple of the nozzle pitch (" + std::to_string(int(std::ceil(fHeadDPI))) +
                        ", " + std::to_string(int(std::ceil(2 * fHeadDPI))) + " dpi ...) with uiDPIColorMode 2";
    return {};
}

std::string CDrvPrint::PRNCheckMediaFit(const RipHead& head) {
    // The rate the job start will set (PRNResetDPI), without programming the card.
    const int n = nativeXdpi(fMMPerXStep);
    const int j = int(head.uiXDPI);
    const int q = fireDivisor(iFireFrequency, n, j);
    const float rate = std::abs(n - j) >= 11 && j > 0 ? float((iFireFrequency + 1.0) / (std::max(0, q - 1) + 1.0)) : 1.0f;
    const float saved = fDPIRate;
    fDPIRate = rate;
    PRNSetColorBar();
    const int64_t width = UI_DPIRate(0, head.uiWidth + uiColorBarWidth);
    fDPIRate = saved;
    const int64_t from = int64_t(uiFire) - int64_t(uiLeftLimitPos) - int64_t(uiStartPos1);
    if (from >= 0 && from + width <= int64_t(uiWidth1)) return {};
    auto mm = [&](int64_t steps) { return std::to_string(XPulseToMM(int32_t(std::clamp<int64_t>(steps, INT32_MIN, INT32_MAX)))); };
    return bLanguageChinese ? "图像需要材料上从 " + mm(from) + " 毫米起的 " + mm(width) + " 毫米，材料宽 " + mm(uiWidth1) + " 毫米"
                            : "the picture needs " + mm(width) + " mm from " + mm(from) + " mm, the media is " + mm(uiWidth1) +
                                  " mm (MEDIA uiStartPos1, uiWidth1; the margin)";
}

bool CDrvPrint::PRNOpenJobChecked() {
    bool ok = PRNInitData() == 0;
    if (ok) {
        if (!PRNIsNetJob()) PRNReadClose();
        PRNSetMaxOffset();
        ok = PRNCheckParams() != 0;
    }
    if (ok) {
        const std::string limits = PRNCheckJobLimits();
        if (!limits.empty()) {
            csRefusal = limits;
            platform::messageBox(limits, platform::Buttons::Ok);
            ok = false;
        }
    }
    if (!ok) {
        PRNSetStep(tags::CLS);
        bStopSeen = 1;
    }
    return ok;
}
