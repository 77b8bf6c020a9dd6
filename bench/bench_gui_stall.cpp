// bench_gui_stall [width] [height] [passes]: the operator application's longest GUI stall while a
// whole job prints on the virtual printer at time scale 1 with the virtual printer's window open.
// A 10 ms heartbeat timer runs on the GUI thread; the stall is how much later than due it fired at
// worst. The figure must stay under 50 ms: above it the program ends with status 1.
#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "GuiBench.h"
#include "OrvixApp.h"
#include "frame/MainFrame.h"
#include "platform/Clock.h"
#include "sim/SheetWindow.h"

constexpr double kLimitMs = 50;

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("CARVEX_LOG", "error", 0);
    const unsigned width = argc > 1 ? unsigned(std::atoi(argv[1])) : 1440;
    const unsigned height = argc > 2 ? unsigned(std::atoi(argv[2])) : 360;
    const unsigned passes = argc > 3 ? unsigned(std::atoi(argv[3])) : 4;
    int qargc = 1;
    QApplication qa(qargc, argv);
    orvix::prepareApplication(qa);
    // Start-up (homing) and measuring the media go fast; the job itself runs in real time.
    platform::setTimeScale(200);

    QTemporaryDir dir;
    const auto started = guibench::startApp(dir);
    if (!started) return 2;
    orvix::OrvixApp& app = *started;
    orvix::MainFrame* frame = app.frame();
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
    return worstMs < kLimitMs ? 0 : 1;
}
