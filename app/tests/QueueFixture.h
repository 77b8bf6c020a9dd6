#pragma once
// What the queue's tests share: the queue of a started application, jobs queued with the control
// bar's values, and the virtual sheet compared with a RIP file dot for dot.
#include <QFile>
#include <QtTest>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "Fixture.h"
#include "core/DrvPrint.h"
#include "core/RipFormat.h"
#include "frame/ControlBar.h"
#include "frame/MainFrame.h"
#include "queue/PrintQueue.h"
#include "queue/QueueWorker.h"
#include "sim/Sim.h"

namespace orvix::test {

inline PrintQueue* queueOf(AppFixture& f) { return f.app->frame()->findChild<PrintQueue*>(QStringLiteral("printQueue")); }

// Started with the carriage homed, the media measured, the sheet new at the machine's resolution
// for 180 dpi files; jobs 200 mm from the media's edge (the heads sit right of its sensor), 2 passes.
inline PrintQueue* startForPrinting(AppFixture& f) {
    if (!f.start(kActionHome).run) return nullptr;
    CDrvPrint& d = f.app->engine();
    if (d.PRNMeasure() != 1) return nullptr;
    ControlBar& bar = *f.app->frame()->controlBar();
    bar.margin()->setText(QStringLiteral("200"));
    bar.passList()->setCurrentIndex(1);
    bar.copies()->setText(QStringLiteral("1"));
    const double interlace = std::max(1.0, double(int((180.0 * 2 + 0.5) / d.fHeadDPI)));
    sim::machine()->setSheetResolution(180.0, d.fHeadDPI * interlace);
    sim::machine()->newSheet();
    return queueOf(f);
}

// Dots of the file's planes that the sheet's new ink (what `after` has and `before` lacks) misses
// or adds, the file's inked area placed on the new ink's first dot. -1 when nothing was printed.
inline int64_t sheetDifferences(const sim::Sheet& after, const sim::Sheet& before, const QString& rip) {
    QFile f(rip);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray bytes = f.readAll();
    const RipHead h = DecodeRipHead(reinterpret_cast<const uint8_t*>(bytes.constData()));
    auto want = [&](int k, int64_t x, int64_t y) {
        if (k >= int(h.uiColors) || x < 0 || y < 0 || x >= int64_t(h.uiWidth) || y >= int64_t(h.uiHeight)) return false;
        const qsizetype at = qsizetype(kRipHeadSize + (uint64_t(y) * h.uiColors + unsigned(k)) * h.uiBytesPerLine + uint64_t(x / 8));
        return at < bytes.size() && (uint8_t(bytes[at]) & (0x80 >> (x % 8))) != 0;
    };
    auto fresh = [&](int k, int64_t x, int64_t y) {
        return after.dot(k, x, y) && !(k < before.colours() && before.dot(k, x, y));
    };
    const sim::SheetRegion e = after.extent();
    int64_t sx0 = INT64_MAX, sy0 = INT64_MAX, fx0 = INT64_MAX, fy0 = INT64_MAX;
    for (int64_t y = e.y0; y < e.y0 + e.height; ++y)
        for (int k = 0; k < after.colours(); ++k)
            for (int64_t x = e.x0; x < e.x0 + e.width; ++x)
                if (fresh(k, x, y)) sx0 = std::min(sx0, x), sy0 = std::min(sy0, y);
    for (int64_t y = 0; y < int64_t(h.uiHeight); ++y)
        for (int k = 0; k < int(h.uiColors); ++k)
            for (int64_t x = 0; x < int64_t(h.uiWidth); ++x)
                if (want(k, x, y)) fx0 = std::min(fx0, x), fy0 = std::min(fy0, y);
    if (sx0 == INT64_MAX || fx0 == INT64_MAX) return -1;
    int64_t diff = 0;
    const int64_t ox = sx0 - fx0, oy = sy0 - fy0;
    for (int k = 0; k < std::max(int(h.uiColors), after.colours()); ++k) {
        for (int64_t y = 0; y < int64_t(h.uiHeight); ++y)
            for (int64_t x = 0; x < int64_t(h.uiWidth); ++x)
                if (want(k, x, y) != (k < after.colours() && fresh(k, x + ox, y + oy))) {
                    ++diff;
                    if (qEnvironmentVariableIsSet("QUEUE_DIFF_DEBUG") && diff < qEnvironmentVariableIntValue("QUEUE_DIFF_DEBUG"))
                        qDebug("plane %d x %lld y %lld %s", k, (long long)x, (long long)y, want(k, x, y) ? "missing" : "extra");
                }
    }
    // New ink outside the file's area is wrong too.
    for (int k = 0; k < after.colours(); ++k)
        for (int64_t y = e.y0; y < e.y0 + e.height; ++y)
            for (int64_t x = e.x0; x < e.x0 + e.width; ++x) {
                const int64_t fx = x - ox, fy = y - oy;
                if ((fx < 0 || fy < 0 || fx >= int64_t(h.uiWidth) || fy >= int64_t(h.uiHeight)) && fresh(k, x, y)) {
                    ++diff;
                    if (qEnvironmentVariableIsSet("QUEUE_DIFF_DEBUG") && diff < 40)
                        qDebug("outside: plane %d file x %lld y %lld", k, (long long)fx, (long long)fy);
                }
            }
    return diff;
}

// Waits (processing events) until the queue worker has ended its run.
inline bool waitIdle(PrintQueue& q, int ms = 120000) {
    return QTest::qWaitFor([&] { return !q.worker().running(); }, ms);
}

} // namespace orvix::test
