// bench_queue_stall [width] [height] [jobs]: the operator application printing its queue on the
// virtual printer at time scale 1: the GUI thread's longest stall (a 10 ms heartbeat timer; the
// stall is how much later than due it fired at worst) and, for each job, the queue's estimated
// print time against the time the job took. Ends with status 1 when the stall reaches 50 ms or
// an estimate is more than 10 % off.
#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "GuiBench.h"
#include "OrvixApp.h"
#include "frame/ControlBar.h"
#include "frame/MainFrame.h"
#include "platform/Clock.h"
#include "queue/PrintQueue.h"
#include "queue/QueueWorker.h"

namespace {

constexpr double kStallLimitMs = 50;
constexpr double kEstimateTolerance = 0.10;

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
    const auto fail = [](const char* why) {
        std::fprintf(stderr, "bench_queue_stall: %s\n", why);
        return 2;
    };
    const auto started = guibench::startApp(dir);
    if (!started) return fail("the application did not start");
    orvix::OrvixApp& app = *started;
    guibench::waitForMachineWork(app); // the start-up homing
    orvix::MainFrame* frame = app.frame();
    auto* queue = frame->findChild<orvix::PrintQueue*>();
    if (!queue) return fail("no print queue");
    CDrvPrint& d = app.engine();
    if (d.PRNMeasure() != 1) return fail("measuring the media failed");
    frame->controlBar()->margin()->setText(QStringLiteral("200"));
    frame->controlBar()->passList()->setCurrentIndex(1);
    for (unsigned j = 0; j < jobs; ++j) {
        const QString job = dir.filePath(QStringLiteral("job%1.prn").arg(j));
        if (!guibench::writeJob(job, width, height) || !queue->addFile(job)) return fail("a job could not be queued");
    }

    guibench::Heartbeat heart;
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
    heart.start();
    frame->runCommand(orvix::ID_PRINT);
    qa.exec();
    d.PRNWaitPrintThread();
    if (showTags) {
        std::lock_guard g(tagLock);
        std::printf("first tag after %.2f s\n", 0.0);
        for (const auto& [tag, sec] : tagSeconds) std::printf("  %-6s %.2f s\n", tag.c_str(), sec);
    }
    const double worstMs = heart.worstMs();
    std::printf("queue printed in %.1f s; heartbeats %u\n", heart.seconds(), heart.beats());
    std::printf("longest GUI stall: %.1f ms (limit %.0f ms): %s\n", worstMs, kStallLimitMs,
                worstMs < kStallLimitMs ? "ok" : "TOO LONG");
    std::printf("estimates within %.0f %%: %s\n", kEstimateTolerance * 100, estimatesOk ? "ok" : "NO");
    d.PRNDestroyMemory();
    return worstMs < kStallLimitMs && estimatesOk ? 0 : 1;
}
