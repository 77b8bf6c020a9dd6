// bench_queue_stall [width] [height] [jobs]: the operator application printing its queue on the
// virtual printer at time scale 1: the GUI thread's longest stall (a 10 ms heartbeat timer; the
// stall is how much later than due it fired at worst) and, for each job, the queue's estimated
// print time against the time the job took. Ends with status 1 when the stall reaches 50 ms or
// an estimate is more than 10 % off.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "OrvixApp.h"
#include "core/RipWriter.h"
#include "frame/ControlBar.h"
#include "frame/MainFrame.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "queue/PrintQueue.h"
#include "queue/QueueWorker.h"

namespace {

constexpr double kStallLimitMs = 50;
constexpr double kEstimateTolerance = 0.10;

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
    const unsigned width = argc > 1 ? unsigned(std::atoi(argv[1])) : 400;
    const unsigned height = argc > 2 ? unsigned(std::atoi(argv[2])) : 240;
    const unsigned jobs = argc > 3 ? unsigned(std::max(1, std::atoi(argv[3]))) : 2;
    int qargc = 1;
    QApplication qa(qargc, argv);
    orvix::prepareApplication(qa);
    platform::setTimeScale(200); // start-up and measuring fast; the queue prints in real time

    QTemporaryDir dir;
    orvix::AppOptions o;
    o.base = dir.path();
    o.device = QStringLiteral("sim");
    o.startupAction = orvix::kActionHome;
    for (const char* image : {"TORVIAN.drv", "PLENTAX.drv"}) {
        QFile f(dir.filePath(QString::fromLatin1(image)));
        if (!f.open(QIODevice::WriteOnly) || f.write("image") != 5) return 2;
    }
    orvix::OrvixApp app(o);
    platform::setPrompter(std::make_shared<platform::DefaultPrompter>());
    if (!app.startUp().run) return 2;
    orvix::MainFrame* frame = app.frame();
    auto* queue = frame->findChild<orvix::PrintQueue*>();
    if (!queue) return 2;
    CDrvPrint& d = app.engine();
    if (d.PRNMeasure() != 1) return 2;
    frame->controlBar()->margin()->setText(QStringLiteral("200"));
    frame->controlBar()->passList()->setCurrentIndex(1);
    for (unsigned j = 0; j < jobs; ++j) {
        const QString job = dir.filePath(QStringLiteral("job%1.prn").arg(j));
        if (!writeJob(job, width, height) || !queue->addFile(job)) return 2;
    }

    double worstMs = 0;
    unsigned beats = 0;
    QElapsedTimer clock;
    QTimer heart;
    heart.setTimerType(Qt::PreciseTimer);
    qint64 last = 0;
    QObject::connect(&heart, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worstMs = std::max(worstMs, double(now - last) / 1e6 - 10.0);
        ++beats;
        last = now;
    });
    bool estimatesOk = true;
    QObject::connect(&queue->worker(), &orvix::QueueWorker::jobEnded, [&](const QString& file, const QString& how) {
        const double took = queue->worker().lastJobSeconds(), est = queue->worker().lastJobEstimate();
        const double off = took > 0 ? (est - took) / took : 1.0;
        if (how != QLatin1String("printed") || std::abs(off) > kEstimateTolerance) estimatesOk = false;
        std::printf("  %s %s: took %.1f s, estimated %.1f s (%+.1f %%)\n", qPrintable(file), qPrintable(how), took, est,
                    off * 100);
        const CDrvPrint::PassStats st = d.PRNGetPassStats();
        std::printf("    %u passes: read %.2f rows %.2f transpose %.2f wait %.2f send %.2f feed %.2f move %.2f s\n", st.passes,
                    st.readUs / 1e6, st.rowsUs / 1e6, st.transposeUs / 1e6, st.waitPassUs / 1e6, st.sendUs / 1e6,
                    st.feedUs / 1e6, st.moveUs / 1e6);
        std::fflush(stdout);
    });
    QObject::connect(&queue->worker(), &orvix::QueueWorker::finished, [] { QCoreApplication::exit(0); });

    // Where the machine's time goes, by step tag (diagnostics with --tags).
    std::mutex tagLock;
    std::map<std::string, double> tagSeconds;
    std::string lastTag;
    uint64_t lastUs = 0;
    const bool showTags = std::getenv("QUEUE_BENCH_TAGS") != nullptr;
    if (showTags)
        d.onStepTag = [&](const char* tag) {
            std::lock_guard g(tagLock);
            const uint64_t now = platform::nowUs();
            if (!lastTag.empty()) tagSeconds[lastTag] += double(now - lastUs) / 1e6;
            lastTag = tag;
            lastUs = now;
        };
    platform::setTimeScale(1);
    std::printf("queue: %u jobs of %ux%u dots at time scale 1 ...\n", jobs, width, height);
    std::fflush(stdout);
    clock.start();
    heart.start(10);
    frame->runCommand(orvix::ID_PRINT);
    qa.exec();
    d.PRNWaitPrintThread();
    if (showTags) {
        std::lock_guard g(tagLock);
        std::printf("first tag after %.2f s\n", 0.0);
        for (const auto& [tag, sec] : tagSeconds) std::printf("  %-6s %.2f s\n", tag.c_str(), sec);
    }
    std::printf("queue printed in %.1f s; heartbeats %u\n", double(clock.elapsed()) / 1000, beats);
    std::printf("longest GUI stall: %.1f ms (limit %.0f ms): %s\n", worstMs, kStallLimitMs,
                worstMs < kStallLimitMs ? "ok" : "TOO LONG");
    std::printf("estimates within %.0f %%: %s\n", kEstimateTolerance * 100, estimatesOk ? "ok" : "NO");
    app.engine().PRNDestroyMemory();
    return worstMs < kStallLimitMs && estimatesOk ? 0 : 1;
}
