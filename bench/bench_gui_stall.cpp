// bench_gui_stall [width] [height] [passes]: the operator application's longest GUI stall while a
// whole job prints on the virtual printer at time scale 1 with the virtual printer's window open.
// A 10 ms heartbeat timer runs on the GUI thread; the stall is how much later than due it fired at
// worst. The figure must stay under 50 ms: above it the program ends with status 1.
#include <QApplication>
#include <QElapsedTimer>
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
    platform::setTimeScale(1);

    QTemporaryDir dir;
    orvix::AppOptions o;
    o.base = dir.path();
    o.device = QStringLiteral("sim");
    o.startupAction = orvix::kActionHome;
    orvix::OrvixApp app(o);
    app.askStartup = [](int& action) {
        action = orvix::kActionHome;
        return int(QDialog::Accepted);
    };
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
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (!d.bPrintThreadRunning && d.bStopSeen) qa.quit();
    });

    d.csName = job.toStdString();
    d.uiPassCount = passes;
    d.uiPrintQty = 1;
    d.uiFire = d.uiLeftLimitPos + d.uiStartPos1;
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

    std::printf("job: %ux%u dots, %u passes printed of %u, %.1f s at time scale 1\n", width, height,
                d.uiStepSendCurrent.load(), d.uiStepTotal, seconds);
    std::printf("heartbeats: %u (10 ms), mean lateness %.2f ms\n", beats, beats ? sumMs / beats : 0.0);
    std::printf("virtual sheet window: %llu pictures, %llu drops\n", (unsigned long long)sheet->updates(),
                (unsigned long long)sheet->snapshot().drops);
    std::printf("longest GUI stall: %.1f ms (limit %.0f ms): %s\n", worstMs, kLimitMs, worstMs < kLimitMs ? "ok" : "TOO LONG");
    app.engine().PRNDestroyMemory();
    return worstMs < kLimitMs ? 0 : 1;
}
