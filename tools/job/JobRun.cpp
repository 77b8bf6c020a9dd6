#include "job/JobRun.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>

#include "console/Console.h"
#include "core/RipFormat.h"
#include "core/StepTags.h"
#include "hardware/Devices.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "settings/Accounting.h"
#include "sim/Sim.h"

namespace cli {

namespace {

std::atomic<int> gStopSignal{0};
void onStopSignal(int sig) { gStopSignal = sig; }

// SIGINT and SIGTERM ask the job to stop at its next pass while it runs; the old handlers come back.
class StopSignals {
public:
    StopSignals() {
        gStopSignal = 0;
        struct sigaction sa {};
        sa.sa_handler = onStopSignal;
        sigemptyset(&sa.sa_mask);
        ::sigaction(SIGINT, &sa, &oldInt_);
        ::sigaction(SIGTERM, &sa, &oldTerm_);
    }
    ~StopSignals() {
        ::sigaction(SIGINT, &oldInt_, nullptr);
        ::sigaction(SIGTERM, &oldTerm_, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    struct sigaction oldInt_ {}, oldTerm_ {};
};

std::string seconds(double s) {
    char buf[32];
    if (s < 100) std::snprintf(buf, sizeof buf, "%.1f s", s);
    else std::snprintf(buf, sizeof buf, "%d min %02d s", int(s) / 60, int(s) % 60);
    return buf;
}

// Pass n of m with the wall time spent and the time left as the passes so far took it: one line
// kept up to date on a terminal, a plain line per pass otherwise.
class PassProgress {
public:
    PassProgress(std::ostream& out, bool tty, unsigned from) : out_(out), tty_(tty), from_(from), shown_(from) {}
    void update(unsigned done, unsigned total, double elapsed) {
        if (total == 0 || done == shown_ || done > total) return;
        shown_ = done;
        std::string line = "pass " + std::to_string(done) + " of " + std::to_string(total) + ", " + seconds(elapsed);
        if (done > from_) {
            const double left = elapsed / double(done - from_) * double(total - done);
            line += ", about " + seconds(left) + " left";
        }
        if (tty_) {
            out_ << "\r" << line << "\x1b[K" << std::flush;
            open_ = true;
        } else {
            out_ << line << "\n" << std::flush;
        }
    }
    void finish() {
        if (open_) out_ << "\n" << std::flush;
        open_ = false;
    }

private:
    std::ostream& out_;
    bool tty_, open_ = false;
    unsigned from_, shown_;
};

// One 1-bit plane as a PBM (P4) image.
bool savePlane(const sim::Sheet& s, int colour, const sim::SheetRegion& r, const std::string& path) {
    std::ofstream f(path, std::ios::binary);
    if (!f) return false;
    f << "P4\n" << r.width << " " << r.height << "\n";
    const size_t bpl = size_t((r.width + 7) / 8);
    std::vector<uint8_t> row(bpl);
    for (int64_t y = 0; y < r.height; ++y) {
        std::fill(row.begin(), row.end(), 0);
        for (int64_t x = 0; x < r.width; ++x)
            if (s.dot(colour, r.x0 + x, r.y0 + y)) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        f.write(reinterpret_cast<const char*>(row.data()), std::streamsize(bpl));
    }
    return bool(f);
}

std::string saveProof(sim::Machine& m, const std::string& dir) {
    platform::makeDirs(dir);
    std::string err;
    const sim::Sheet sheet = m.sheet();
    const auto r = sheet.extent();
    bool ok = m.saveSheetPng(platform::joinPath(dir, "sheet.png"), &err) &&
              m.saveSheetRaw(platform::joinPath(dir, "sheet.raw"), &err);
    for (int c = 0; ok && c < sheet.colours() && r.width > 0; ++c)
        ok = savePlane(sheet, c, r, platform::joinPath(dir, "plane" + std::to_string(c) + ".pbm"));
    if (ok) return {};
    return err.empty() ? "cannot write " + dir : err;
}

// One sheet column per job dot and one row per printed line, so that the proof can be compared
// with the file's planes.
void sheetForJob(CDrvPrint& d, sim::Machine& m, const std::string& path) {
    RipHead h;
    if (d.AUXGetRipHead(path, &h) == 0 && d.fHeadDPI > 0 && d.fMMPerXStep > 0) {
        const double y = d.uiDPIColorMode ? double(h.uiYDPI) : 2.0 * h.uiYDPI;
        const unsigned interlace = std::max(1u, unsigned((y + 0.5) / d.fHeadDPI));
        const double native = 25.4 / d.fMMPerXStep;
        const double xdpi = std::abs(int(native + 0.5) - int(h.uiXDPI)) < 11 ? native : double(h.uiXDPI);
        m.setSheetResolution(xdpi, d.fHeadDPI * interlace);
    }
    m.newSheet();
}

std::string passText(unsigned passes) { return std::to_string(passes) + " Pass"; }

// Whether the file's raster holds any ink (a set bit after the header).
bool fileHasInk(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f.seekg(std::streamoff(kRipHeadSize))) return false;
    std::vector<char> buf(1 << 16);
    while (f.read(buf.data(), std::streamsize(buf.size())) || f.gcount() > 0) {
        const auto n = size_t(f.gcount());
        for (size_t i = 0; i < n; ++i)
            if (buf[i]) return true;
    }
    return false;
}

} // namespace

unsigned passCountOfMode(unsigned index) {
    return kPassModes[std::min<size_t>(index, std::size(kPassModes) - 1)];
}

int passModeOfCount(unsigned passes) {
    for (size_t i = 0; i < std::size(kPassModes); ++i)
        if (kPassModes[i] == passes) return int(i);
    return -1;
}

std::string startMachine(CDrvPrint& drv) {
    if (drv.bBuffersReady == 0) drv.PRNInitMemory();
    if (drv.bBuffersReady == 0) return "the print buffers cannot be allocated (BUFFCOUNT, COLORCACHE, HEADCACHE)";
    if (!drv.AUXCheckHardware()) return "no print-controller card (device " + hw::deviceChoice() + ")";
    // The firmware images come with a machine's installation; the virtual card works without them.
    const bool firmware = platform::fileExists(platform::joinPath(drv.csBaseDir, drv.csDrv + ".drv")) ||
                          platform::fileExists(platform::joinPath(drv.csBaseDir, "PLENTAX.drv"));
    if (firmware || hw::deviceChoice() != "sim") drv.AUXInitPCIcard();
    const std::string pressed = "the emergency stop is pressed: release it before printing";
    if (drv.AUXCheckEMGSwitch()) return pressed;
    drv.AUXInitHardware(static_cast<unsigned>(drv.iXEncoderInitial), drv.uiFireDivider);
    const int homed = drv.PRNRePosition(1);
    if (drv.bEmergencyStop || drv.AUXCheckEMGSwitch()) return pressed;
    if (homed == -100) return "the carriage cannot be homed: no card";
    if (homed == -1) return "the carriage cannot be homed: no limit switch found";
    return {};
}

void setJobValues(CDrvPrint& drv, const JobRequest& r) {
    drv.csName = r.file;
    const unsigned passes = r.passes ? r.passes : passCountOfMode(drv.uiPass);
    drv.uiPassCount = passes;
    if (const int mode = passModeOfCount(passes); mode >= 0) drv.uiPass = unsigned(mode);
    if (r.speed) drv.uiXSpeed = std::min(r.speed, 4u);
    drv.uiPrintQty = r.copies ? r.copies : std::max(1u, drv.uiPrintQty);
    const int64_t margin = r.marginMM >= 0 ? int64_t(drv.XMMToPulse(r.marginMM)) : int64_t(drv.uiMargin1);
    drv.uiFire = unsigned(std::max<int64_t>(0, margin + drv.uiStartPos1 + drv.uiLeftLimitPos));
    drv.uiPrintJobKind = 0;
    drv.uiStepSendCurrent = r.startPass;
    if (r.mirror) drv.bHorizontalMirror = 1;
    drv.bIfYMove = r.mediaFed ? 1 : 0;
}

JobList jobRecordOf(CDrvPrint& drv, const std::string& path) {
    JobList l;
    l.csFile = platform::fileNamePart(path);
    l.csPath = path;
    l.uiPass = drv.uiPass;
    l.csPassText = passText(drv.uiPassCount);
    l.uiSpeed = drv.uiXSpeed;
    l.csSpeedText = std::to_string(drv.uiXSpeed);
    l.uiQty = drv.uiPrintQty;
    l.uiMarginMM = uint32_t(drv.XPulseToMM(int32_t(int64_t(drv.uiFire) - drv.uiStartPos1 - drv.uiLeftLimitPos)));
    RipHead h;
    if (drv.AUXGetRipHead(path, &h) == 0) {
        const double w = h.uiXDPI ? h.uiWidth * 0.0254 / h.uiXDPI : 0.0;
        const double ht = h.uiYDPI ? h.uiHeight * 0.0254 / h.uiYDPI : 0.0;
        char buf[128];
        std::snprintf(buf, sizeof buf, "%.3fx%.3f:%.3f m2", w, ht, w * ht);
        l.csSize = buf;
        std::snprintf(buf, sizeof buf, "%ux%u", h.uiXDPI, h.uiYDPI);
        l.csDPI = buf;
        l.uiColors = h.uiColors > 8 ? 4 : h.uiColors;
    }
    uint64_t sum = 0;
    for (uint32_t i = 0; i < std::size(l.uiColorMask); ++i) {
        l.uiColorMask[i] = i < l.uiColors && i < kMaxColors ? drv.uiMaskIndex[i] : 0;
        sum += l.uiColorMask[i];
    }
    l.uiColorMaskAvg = l.uiColors ? uint32_t((sum + l.uiColors / 2) / l.uiColors) : 0;
    l.uiResumePass = drv.uiStepSendCurrent;
    l.bMirror = uint32_t(drv.bHorizontalMirror);
    l.bMediaFed = drv.bIfYMove;
    return l;
}

void recordRefusal(CDrvPrint& drv, JobList& record) {
    drv.AUXDBFuns(0);
    drv.AUXDBRecordSave(&record);
    drv.job.DBRecordSetEnding("refused");
    drv.AUXDBFuns(1);
}

int runJob(Session& s, CDrvPrint& drv, JobList& record, const JobRunOptions& o) {
    const std::string path = drv.csName;
    const bool onSim = hw::deviceChoice() == "sim";
    std::shared_ptr<sim::Machine> m = onSim ? sim::machine() : nullptr;
    if (!o.sim.empty()) {
        if (!m) return reportError("--sim needs the virtual printer (device sim)");
        console::Console con(drv, std::cout);
        for (const std::string& c : o.sim)
            if (con.runCommands("sim " + c) != 0) return reportError("virtual printer command failed: sim " + c);
    }
    if (m && o.newSheet) sheetForJob(drv, *m, path);
    const uint64_t offBefore = m ? m->dropsOffSheet() : 0;
    std::vector<uint64_t> dropsBefore;
    if (m)
        for (int c = 0; c < int(drv.COLORS); ++c) dropsBefore.push_back(m->drops(c));

    // One row per job, saved before the job starts (a resumed job continues the row of the job it
    // resumes), and closed with how the job ended.
    drv.AUXDBFuns(0);
    if (o.reuseRecord && o.recordId) drv.job.m_nRowId = int64_t(o.recordId);
    else drv.AUXDBRecordSave(&record);

    const unsigned from = drv.uiStepSendCurrent;
    const auto t0 = std::chrono::steady_clock::now();
    const uint64_t m0 = platform::nowUs();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(); };
    int signal = 0;
    {
        StopSignals signals;
        PassProgress progress(std::cerr, ::isatty(STDERR_FILENO) != 0, from);
        drv.PRNPrintFile(path);
        while (drv.bPrintThreadRunning) {
            if (gStopSignal && !drv.bStop) {
                signal = gStopSignal;
                drv.PRNStopPrinting(1);
            }
            progress.update(drv.uiStepSendCurrent.load(), drv.uiStepSendCount.load(), elapsed());
            platform::sleepMs(20);
        }
        drv.PRNWaitPrintThread();
        progress.finish();
        if (!signal) signal = gStopSignal;
    }
    const double wall = elapsed();
    const double machine = double(platform::nowUs() - m0) / 1e6;

    const std::string step = drv.csPrintStep.get();
    const unsigned done = drv.uiStepSendCurrent.load(), total = drv.uiStepTotal;
    const std::string passes = std::to_string(done) + " of " + std::to_string(total);
    const bool finished = drv.iPrintResult == 1 && step == tags::PFNSH && done >= total && total > 0;
    if (step == tags::CLS) {
        drv.job.DBRecordSetEnding("refused");
    } else if (step == tags::EMG) {
        drv.job.DBRecordSetEnding(std::string(tags::EMG) + " " + std::to_string(done) + "/" + std::to_string(total));
    }
    drv.AUXDBFuns(1);

    std::printf("passes: %u/%u\n", done, total);
    std::printf("time: %.2f s (machine time %.2f s)\n", wall, machine);
    // What the engine gave the card (the whole job's, a resume's earlier passes included), and
    // on the virtual printer what its heads fired in this run.
    std::string priceWarning;
    const accounting::Prices prices = accounting::loadPrices(drv.csBaseDir, &priceWarning);
    if (!priceWarning.empty()) platform::log(platform::LogLevel::Warn, "accounting: " + priceWarning);
    accounting::JobUse use;
    for (unsigned c = 0; c < kMaxColors; ++c) use.drops[c] = drv.uiInkDrops[c].load();
    use.mediaMM = drv.PRNJobMediaMM();
    use.mediaWidthMM = double(drv.uiWidth1) * double(drv.fMMPerXStep);
    use.pictureM2 = accounting::pictureM2(drv.ripHead.uiWidth, drv.ripHead.uiHeight, drv.ripHead.uiXDPI, drv.ripHead.uiYDPI) *
                    std::max(1u, unsigned(drv.uiCopies));
    const accounting::JobCost cost = accounting::costOf(use, prices, drv.MediaName);
    for (unsigned c = 0; c < std::min(drv.COLORS, kMaxColors); ++c)
        std::printf("ink %u: %llu drops, %.3f ml\n", c, static_cast<unsigned long long>(use.drops[c]), cost.inkMl[c]);
    std::printf("media: %.1f mm fed, %.4f m2 (the picture %.4f m2)\n", use.mediaMM, cost.mediaM2, use.pictureM2);
    std::printf("printing: %.1f s, %.1f s of it paused\n", drv.PRNJobPrintingSeconds(), drv.PRNJobPausedSeconds());
    std::printf("cost: %.2f %s (ink %.2f, media %.2f)\n", cost.total, prices.currency.c_str(), cost.inkCost,
                cost.mediaCost);
    uint64_t offSheet = 0, fired = 0;
    if (m) {
        for (int c = 0; c < int(drv.COLORS); ++c)
            fired += m->drops(c) - (size_t(c) < dropsBefore.size() ? dropsBefore[size_t(c)] : 0);
        std::printf("fired by the virtual heads: %llu drops\n", static_cast<unsigned long long>(fired));
        offSheet = m->dropsOffSheet() - offBefore;
        if (!o.proofDir.empty()) {
            const std::string err = saveProof(*m, o.proofDir);
            if (!err.empty()) return reportError("proof not saved: " + err);
        }
    }
    std::fflush(stdout);
    (void)s;

    if (step == tags::CLS)
        return reportError("refused: " + (drv.csRefusal.empty() ? std::string("the job could not start") : drv.csRefusal));
    if (step == tags::EMG)
        return reportError(std::string(tags::EMG) + " at pass " + passes + ": " + record.csFile +
                           " can be resumed (carvex resume) once the emergency stop is released");
    if (!finished) {
        std::string why = signal == SIGTERM ? "terminated" : signal ? "interrupted" : "stopped";
        return reportError(why + " at pass " + passes + ": " + record.csFile + " did not print to its end");
    }
    if (m && fired == 0 && from == 0 && fileHasInk(path))
        return reportError("no drop was fired although " + record.csFile + " has ink: check the fire position and "
                           "the heads' offsets");
    if (offSheet)
        return reportError(std::to_string(offSheet) + " drops landed off the media: check the margin, the media's "
                           "start and width and the heads' offsets");
    return reportOk("printed " + record.csFile + (from ? " from pass " + std::to_string(from) : std::string()) + " (" +
                    std::to_string(total) + " passes)");
}

} // namespace cli
