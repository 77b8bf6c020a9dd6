#pragma once
// Whole jobs of the large configuration on the virtual printer of bench/large-machine.ini (or on
// no devices): the engine's setup for that machine, a generated print file, and the run.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchJob.h"
#include "hardware/Devices.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Prompter.h"
#include "sim/Sim.h"

#ifndef CARVEX_BENCH_DIR
#define CARVEX_BENCH_DIR "bench"
#endif

namespace benchpass {

inline std::string largeMachineFile() { return std::string(CARVEX_BENCH_DIR) + "/large-machine.ini"; }

// The widest 720 dpi pass of 8 heads x 512 nozzles the card holds: in memory mode 1 (32 blocks of
// 1 MiB, four per head) a block takes 65,536 columns, of which the lead of the head width (4,400
// columns at 720 dpi) and the job's margin of 100 columns are not print. No memory mode holds the
// 90,000 dots (3.2 m) of the large configuration: that pass would need 1.44 MB per block.
constexpr unsigned kLargestCardWidth = 65536 - 4400 - 100;

// The large configuration at a printable width.
inline PassConfig largeJob(unsigned widthDots) {
    PassConfig c = kLarge;
    c.widthDots = widthDots;
    return c;
}

// The engine's setup for the large machine: heads, caches sized for the job's geometry, the
// carriage at 30,000 dots a second, a media feed of about 0.2 s a pass, bidirectional printing.
inline void applyLargeMachineSetup(CDrvPrint& e, const PassConfig& c) {
    applySetup(e, c);
    const JobGeometry g = geometryOf(c);
    e.COLORCACHE = mbFor(g.ringBytes);
    e.HEADCACHE = mbFor(std::max(g.passBytes, g.cardBytes));
    e.COLORBARCACHE = 0;
    e.uiPcicardMode = 0;
    e.iFireFrequency = 3; // 720 dpi: the encoder's 720 counts an inch undivided
    e.uiLeftLimitPos = 0;
    e.uiRightLimitPos = unsigned(e.XMMToPulse(3600));
    e.uiFire = 3000;
    e.uiStartPos1 = unsigned(e.XMMToPulse(200));
    e.uiWidth1 = unsigned(e.XMMToPulse(3300));
    e.uiHeadWidth = 1000;
    e.uiAccelerationLength = 500; // 70 mm: the carriage reaches full speed before the first dot
    // The speed table holds native (180 dpi) steps; at 720 dpi the engine divides it by 4:
    // 400 x 160 Hz = 64,000 motor pulses a second = 1.05 m/s = 29,800 dots a second.
    for (int& s : e.XSpeedPause) s = 1600;
    e.XSpeedPause[0] = 50;
    e.uiXSpeed = 1;
    e.iXAccTime = 120;
    for (int& s : e.YSpeedPause) s = 1000; // 50,000 pulses a second: a 17.5 mm feed in about 0.2 s
    e.YSpeedPause[0] = 100;
    e.uiYSpeed = 1;
    e.iYAccTime = 50;
    e.bUnidirection = 0;
    e.bUnidirectionToLeft = 0;
    e.bSmartPrint = 0;
    e.uiPrintQty = 1;
    e.uiPrintJobKind = 0;
    e.bIfYMove = 0;
    // The virtual heads sit at the carriage reference; a right-to-left pass fires its window from
    // the far end of the head columns, which the right-to-left offset brings back over the
    // left-to-right dots (the head width + 100 steps, less a dot), as on the whole-job test rig.
    for (unsigned h = 0; h < c.heads; ++h) {
        e.HeadOffsetXR[h] = 0;
        e.HeadOffsetXL[h] = int(e.uiHeadWidth) + 49;
        e.headAlignment.HeadOffsetXR[h] = 0;
        e.headAlignment.HeadOffsetXL[h] = int(e.uiHeadWidth) + 49;
    }
}

// A prompter that answers every question with Yes / OK and keeps the texts.
inline std::shared_ptr<platform::ScriptedPrompter> quietPrompter() {
    auto p = std::make_shared<platform::ScriptedPrompter>();
    platform::setPrompter(p);
    return p;
}

// Runs the job to its end; false with the reason when the engine refused or stopped it.
inline bool printJob(CDrvPrint& e, const std::string& path, std::string& why) {
    e.uiStepSendCurrent = 0;
    e.PRNPrintFile(path);
    e.PRNWaitPrintThread();
    if (e.iPrintResult == 1) return true;
    why = "result " + std::to_string(e.iPrintResult.load()) + ", tag " + std::string(e.csPrintStep.get()) +
          (e.csRefusal.empty() ? "" : ", " + e.csRefusal);
    return false;
}

} // namespace benchpass
