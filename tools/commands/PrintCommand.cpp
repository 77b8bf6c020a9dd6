// carvex print FILE: print a RIP file on the machine (the virtual printer by default), with a
// progress bar per pass, Ctrl-C to stop, a summary and, on the virtual printer, the sheet as proof.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>

#include "Session.h"
#include "hardware/Devices.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "rip/Progress.h"
#include "sim/Sim.h"

namespace cli {
namespace {

std::atomic<int> gInterrupted{0};
void onInterrupt(int) { gInterrupted = 1; }

struct Options {
    std::string file, proofDir;
    unsigned passes = 0, speed = 0, copies = 1, startPass = 0;
    int margin = -1;
    bool mirror = false, mirrorSet = false;
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

void add(CLI::App& app, Session& s) {
    static Options o;
    o = Options{}; // fresh for every run of the program's parser
    auto* cmd = app.add_subcommand("print", "print a RIP file");
    cmd->add_option("file", o.file, "RIP print file")->required();
    cmd->add_option("--passes", o.passes, "passes (default: the setup's pass mode)");
    cmd->add_option("--speed", o.speed, "X speed index 0..4");
    cmd->add_option("--copies", o.copies, "copies")->check(CLI::Range(1u, 999u));
    cmd->add_option("--margin", o.margin, "left margin in mm from the media's left edge");
    cmd->add_flag("--mirror", o.mirror, "mirror horizontally");
    cmd->add_option("--start-pass", o.startPass, "resume at this pass");
    cmd->add_option("--proof", o.proofDir, "save the virtual sheet into this folder");
    cmd->callback([&s] {
        CDrvPrint& d = s.engine();
        if (!platform::fileExists(o.file)) {
            s.exitCode = reportError("no such file: " + o.file);
            return;
        }
        const bool sim = hw::deviceChoice() == "sim";
        d.PRMLoadParams();
        if (d.bBuffersReady == 0) d.PRNInitMemory();
        if (sim) {
            // The virtual carriage starts homed at the left end of travel.
            sim::machine()->setCarriage(0.0);
            d.AUXInitHardware(0, unsigned(d.iFireFrequency));
            d.uiXTarget = 0;
        }
        // Travel ends until the carriage has been measured: the left switch and the setup's length.
        if (d.uiRightLimitPos == 0)
            d.uiRightLimitPos = d.uiLeftLimitPos + (d.uiMovingLength ? d.uiMovingLength : unsigned(d.XMMToPulse(3100)));
        d.uiPassCount = o.passes ? o.passes : d.uiPassCount;
        if (o.speed) d.uiXSpeed = std::min(o.speed, 4u);
        d.uiPrintQty = o.copies;
        if (o.margin >= 0) d.uiFire = d.uiLeftLimitPos + d.uiStartPos1 + unsigned(d.XMMToPulse(o.margin));
        if (o.mirror) d.bHorizontalMirror = 1;
        d.uiStepSendCurrent = o.startPass;
        d.bIfYMove = 0;
        d.uiPrintJobKind = 0;
        if (sim) {
            // One sheet column per job dot and one row per printed line, so that the proof can be
            // compared with the file's planes.
            RipHead h;
            if (d.AUXGetRipHead(o.file, &h) == 0 && d.fHeadDPI > 0) {
                const double y = d.uiDPIColorMode ? double(h.uiYDPI) : 2.0 * h.uiYDPI;
                const unsigned interlace = std::max(1u, unsigned((y + 0.5) / d.fHeadDPI));
                const double xdpi = 25.4 / d.fMMPerXStep * (std::abs(int(25.4 / d.fMMPerXStep + 0.5) - int(h.uiXDPI)) < 11
                                                               ? 1.0
                                                               : double(h.uiXDPI) / (25.4 / d.fMMPerXStep));
                sim::machine()->setSheetResolution(xdpi, d.fHeadDPI * interlace);
            }
            sim::machine()->newSheet();
        }

        gInterrupted = 0;
        auto old = std::signal(SIGINT, onInterrupt);
        const uint64_t t0 = platform::nowUs();
        rip::Progress bar(std::cerr, ::isatty(STDERR_FILENO), "print");
        d.PRNPrintFile(o.file);
        while (d.bPrintThreadRunning) {
            if (gInterrupted && !d.bStop) d.PRNStopPrinting(1);
            if (d.uiStepSendCount) bar.Update(d.uiStepSendCurrent, d.uiStepSendCount);
            platform::sleepMs(20);
        }
        d.PRNWaitPrintThread();
        bar.Finish();
        std::signal(SIGINT, old);
        const double secs = double(platform::nowUs() - t0) / 1e6;

        std::printf("passes: %u/%u\n", d.uiStepSendCurrent.load(), d.uiStepTotal);
        std::printf("time: %.2f s\n", secs);
        if (sim) {
            auto m = sim::machine();
            for (int c = 0; c < int(d.COLORS); ++c)
                std::printf("ink %d: %llu drops\n", c, static_cast<unsigned long long>(m->drops(c)));
            if (!o.proofDir.empty()) {
                platform::makeDirs(o.proofDir);
                std::string err;
                const sim::Sheet sheet = m->sheet();
                const auto r = sheet.extent();
                bool ok = m->saveSheetPng(platform::joinPath(o.proofDir, "sheet.png"), &err) &&
                          m->saveSheetRaw(platform::joinPath(o.proofDir, "sheet.raw"), &err);
                for (int c = 0; ok && c < sheet.colours() && r.width > 0; ++c)
                    ok = savePlane(sheet, c, r, platform::joinPath(o.proofDir, "plane" + std::to_string(c) + ".pbm"));
                if (!ok) {
                    s.exitCode = reportError("proof not saved: " + (err.empty() ? o.proofDir : err));
                    return;
                }
            }
        }
        std::fflush(stdout);
        if (d.iPrintResult != 1) {
            s.exitCode = reportError(std::string("print ended with ") + d.csPrintStep.get() +
                                     (d.csRefusal.empty() ? "" : ": " + d.csRefusal));
            return;
        }
        reportOk(std::string(d.bStop && gInterrupted ? "stopped: " : "printed: ") + o.file);
    });
}

const CommandRegistrar reg(add);

} // namespace
} // namespace cli
