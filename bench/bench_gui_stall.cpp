// bench_gui_stall [width] [height] [passes]: the operator application's longest GUI stall while a
// whole job prints on the virtual printer at time scale 1 with the virtual printer's window open.
// A 10 ms heartbeat timer runs on the GUI thread; the stall is how much later than due it fired at
// worst. The figure must stay under 50 ms: above it the program ends with status 1.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "OrvixApp.h"
#include "core/RipWriter.h"
#include "frame/MainFrame.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "sim/SheetWindow.h"

namespace {

constexpr double kLimitMs = 50;

bool writeJob(const QString& path, unsigned w, unsigned h) {
    RipHead head;
    head.uiXDPI = head.uiYDPI = 180;
    head.uiWidth = w;
    head.uiHeight = h;
    head.uiBytesPerLine = (w + 7) / 8;
    head.uiColors = 4;
    RipWriter out;
    if (!out.Open(path.toStdString(), head)) return false;
    std::vector<uint8_t> line(size_t(head.uiBytesPerLine) * 4);
    for (unsigned y = 0; y < h; ++y) {
        for (size_t i = 0; i < line.size(); ++i) line[i] = uint8_t((i * 37 + y * 11) & 0x5A);
        if (!out.WriteLine(line.data())) return false;
    }
    return out.Finish();
}

} // namespace

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
    orvix::AppOptions o;
    o.base = dir.path();
    o.device = QStringLiteral("sim");
    o.startupAction = orvix::kActionHome;
    for (const char* image : {"TORVIAN.drv", "PLENTAX.drv"}) { // the card's firmware images
        QFile f(dir.filePath(QString::fromLatin1(image)));
        if (!f.open(QIODevice::WriteOnly) || f.write("image") != 5) return 2;
    }
    orvix::OrvixApp app(o);
    // Nobody answers here: questions get the safe answer (the media is measured, so none should come).
    platform::setPrompter(std::make_shared<platform::DefaultPrompter>());
    if (!app.startUp().run) return 2;
    orvix::MainFrame* frame = app.frame();
    frame->runCommand(orvix::ID_VIEW_SHEET);
    const QString job = dir.filePath(QStringLiteral("job.prn"));
    if (!writeJob(job, width, height)) return 2;

    CDrvPrint& d = app.engine();
    double worstMs = 0, sumMs = 0;
    unsigned beats = 0;
    QElapsedTimer clock;
    QTimer heart;
    heart.setTimerType(Qt::PreciseTimer);
    qint64 last = 0;
    QObject::connect(&heart, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const double lateMs = double(now - last) / 1e6 - 10.0;
        worstMs = std::max(worstMs, lateMs);
        sumMs += std::max(0.0, lateMs);
        ++beats;
        last = now;
    });
    QTimer done;
    qint64 lastReport = 0;
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (!d.bPrintThreadRunning) QCoreApplication::exit(0); // quit() would ask the frame to close
        if (clock.elapsed() - lastReport >= 5000) {
            lastReport = clock.elapsed();
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
    clock.start();
    heart.start(10);
    done.start(50);
    d.PRNPrintFile(job.toStdString());
    qa.exec();
    const double seconds = double(clock.elapsed()) / 1000;
    const auto* sheet = frame->sheetWindow();

    d.PRNWaitPrintThread();
    if (!d.csRefusal.empty()) std::printf("job refused: %s\n", d.csRefusal.c_str());
    std::printf("job: %ux%u dots, %u passes printed of %u, %.1f s at time scale 1\n", width, height,
                d.uiStepSendCurrent.load(), d.uiStepTotal, seconds);
    std::printf("heartbeats: %u (10 ms), mean lateness %.2f ms\n", beats, beats ? sumMs / beats : 0.0);
    std::printf("virtual sheet window: %llu pictures, %llu drops\n", (unsigned long long)sheet->updates(),
                (unsigned long long)sheet->snapshot().drops);
    std::printf("longest GUI stall: %.1f ms (limit %.0f ms): %s\n", worstMs, kLimitMs, worstMs < kLimitMs ? "ok" : "TOO LONG");
    app.engine().PRNDestroyMemory();
    return worstMs < kLimitMs ? 0 : 1;
}
