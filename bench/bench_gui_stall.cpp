// bench_gui_stall [width] [height] [passes]: the operator application's longest GUI stall at time
// scale 1 on the virtual printer: during the start-up homing, a homing, a media measure and a head
// cleaning (machine work, run from their commands), then while a whole job prints with the
// virtual printer's window open. A 10 ms heartbeat timer runs on the GUI thread; the stall is how
// much later than due it fired at worst. Every figure must stay under 50 ms: above it the program
// ends with status 1. "--job-only" skips the machine work.
#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "GuiBench.h"
#include "OrvixApp.h"
#include "frame/MainFrame.h"
#include "queue/MachineWork.h"
#include "platform/Clock.h"
#include "sim/SheetWindow.h"

constexpr double kLimitMs = 50;

namespace {

// The worst heartbeat lateness while machine work runs, from `begin` (which starts it, or finds
// it running) until it has ended; negative when no work ran.
double stallDuring(orvix::OrvixApp& app, const char* what, const std::function<void()>& begin) {
    guibench::Heartbeat heart;
    heart.start();
    begin();
    if (!app.machineWork().running()) {
        std::printf("  %s: no machine work started\n", what);
        return -1;
    }
    guibench::waitForMachineWork(app);
    std::printf("  %-22s %6.1f s, longest GUI stall %5.1f ms\n", what, heart.seconds(), heart.worstMs());
    std::fflush(stdout);
    return heart.worstMs();
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("CARVEX_LOG", "error", 0);
    bool jobOnly = false;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--job-only") == 0) jobOnly = true;
        else args.push_back(argv[i]);
    }
    const int n = int(args.size());
    const unsigned width = n > 1 ? unsigned(std::atoi(args[1])) : 1440;
    const unsigned height = n > 2 ? unsigned(std::atoi(args[2])) : 360;
    const unsigned passes = n > 3 ? unsigned(std::atoi(args[3])) : 4;
    int qargc = 1;
    QApplication qa(qargc, argv);
    orvix::prepareApplication(qa);
    // The machine work at the machine's own pace; without it start-up goes fast.
    platform::setTimeScale(jobOnly ? 200 : 1);

    QTemporaryDir dir;
    double workWorst = 0;
    bool workFailed = false;
    std::unique_ptr<orvix::OrvixApp> started;
    if (!jobOnly) std::printf("machine work at time scale 1 ...\n");
    auto note = [&](double worst) {
        if (worst < 0) workFailed = true;
        workWorst = std::max(workWorst, worst);
    };
    // The start-up action runs as machine work once the window is up.
    started = guibench::startApp(dir, orvix::kActionHome);
    if (!started) return 2;
    orvix::OrvixApp& app = *started;
    const double startup = stallDuring(app, "start-up homing", [] {});
    orvix::MainFrame* frame = app.frame();
    if (!jobOnly) {
        note(startup);
        CDrvPrint& e = app.engine();
        // Far from home first, so that the homing below crosses the whole path.
        e.PRNSetPosition(e.bRepositionLeft ? e.uiRightLimitPos : e.uiLeftLimitPos, 1, 1);
        note(stallDuring(app, "homing", [frame] { frame->runCommand(orvix::ID_HOME); }));
        note(stallDuring(app, "media measure", [frame] { frame->runCommand(orvix::ID_MEASURE); }));
        note(stallDuring(app, "head cleaning", [frame] { frame->runCommand(orvix::ID_CLEAN_HEADS); }));
        std::printf("longest GUI stall during machine work: %.1f ms (limit %.0f ms): %s\n", workWorst, kLimitMs,
                    workFailed ? "WORK NOT RUN" : workWorst < kLimitMs ? "ok" : "TOO LONG");
        platform::setTimeScale(200);
    }
    frame->runCommand(orvix::ID_VIEW_SHEET);
    const QString job = dir.filePath(QStringLiteral("job.prn"));
    if (!guibench::writeJob(job, width, height)) return 2;

    CDrvPrint& d = app.engine();
    guibench::Heartbeat heart;
    QTimer done;
    qint64 lastReport = 0;
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (!d.bPrintThreadRunning) QCoreApplication::exit(0); // quit() would ask the frame to close
        if (heart.elapsedMs() - lastReport >= 5000) {
            lastReport = heart.elapsedMs();
            std::printf("  %.0f s: pass %u of %u, step %s\n", double(lastReport) / 1000, d.uiStepSendCurrent.load(),
                        d.uiStepTotal, d.csPrintStep.get());
            std::fflush(stdout);
        }
    });

    if (d.PRNMeasure() != 1) return 2; // where the media lies, as the operator measures it
    platform::setTimeScale(1);
    std::printf("printing %ux%u dots at time scale 1 ...\n", width, height);
    std::fflush(stdout);
    d.csName = job.toStdString();
    d.uiPassCount = passes;
    d.uiPrintQty = 1;
    d.uiFire = unsigned(d.XMMToPulse(200)) + d.uiStartPos1 + d.uiLeftLimitPos; // 200 mm into the media
    d.uiPrintJobKind = 0;
    d.uiStepSendCurrent = 0;
    d.bIfYMove = 0;
    heart.start();
    done.start(50);
    d.PRNPrintFile(job.toStdString());
    qa.exec();
    const double seconds = heart.seconds();
    const double worstMs = heart.worstMs();
    const auto* sheet = frame->sheetWindow();

    d.PRNWaitPrintThread();
    if (!d.csRefusal.empty()) std::printf("job refused: %s\n", d.csRefusal.c_str());
    std::printf("job: %ux%u dots, %u passes printed of %u, %.1f s at time scale 1\n", width, height,
                d.uiStepSendCurrent.load(), d.uiStepTotal, seconds);
    std::printf("heartbeats: %u (10 ms), mean lateness %.2f ms\n", heart.beats(), heart.meanMs());
    std::printf("virtual sheet window: %llu pictures, %llu drops\n", (unsigned long long)sheet->updates(),
                (unsigned long long)sheet->snapshot().drops);
    std::printf("longest GUI stall: %.1f ms (limit %.0f ms): %s\n", worstMs, kLimitMs, worstMs < kLimitMs ? "ok" : "TOO LONG");
    d.PRNDestroyMemory();
    return worstMs < kLimitMs && workWorst < kLimitMs && !workFailed ? 0 : 1;
}
