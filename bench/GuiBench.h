#pragma once
// What the operator application's benchmarks share: a machine folder with the application made in
// it on the virtual printer, a RIP file to print, and the GUI thread's heartbeat.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "OrvixApp.h"
#include "core/RipWriter.h"
#include "platform/Prompter.h"
#include "queue/MachineWork.h"

namespace guibench {

// A 4-plane 180 dpi RIP file of w x h dots with a dense pattern; false when it cannot be written.
inline bool writeJob(const QString& path, unsigned w, unsigned h) {
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

// The application in a fresh machine folder (with the card's firmware images and the default
// setup), started with the
// given start-up action; nobody answers questions (they get the safe answer). Null when it could
// not start.
inline std::unique_ptr<orvix::OrvixApp> startApp(const QTemporaryDir& dir, int action = orvix::kActionHome) {
    for (const char* image : {"TORVIAN.drv", "PLENTAX.drv"}) {
        QFile f(dir.filePath(QString::fromLatin1(image)));
        if (!f.open(QIODevice::WriteOnly) || f.write("image") != 5) return nullptr;
    }
    // A current setup (the defaults): without one, start-up opens the basic settings for the
    // machine builder, behind the engineer's password.
    QFile setup(dir.filePath(QStringLiteral("setup.ini")));
    if (!setup.open(QIODevice::WriteOnly)) return nullptr;
    setup.close();
    orvix::AppOptions o;
    o.base = dir.path();
    o.device = QStringLiteral("sim");
    o.startupAction = action;
    auto app = std::make_unique<orvix::OrvixApp>(o);
    platform::setPrompter(std::make_shared<platform::DefaultPrompter>());
    if (!app->startUp().run) return nullptr;
    return app;
}

// Runs the GUI's event loop until the application's machine work (the start-up action, a homing,
// ...) has ended; the engine is the machine work's while it runs.
inline void waitForMachineWork(orvix::OrvixApp& app) {
    if (!app.machineWork().running()) return;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!app.machineWork().running()) loop.quit();
    });
    poll.start(20);
    loop.exec();
}

// A 10 ms timer on the GUI thread; a stall is how much later than due it fired.
class Heartbeat {
public:
    Heartbeat() {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            const double lateMs = double(now - last_) / 1e6 - kPeriodMs;
            worstMs_ = std::max(worstMs_, lateMs);
            sumMs_ += std::max(0.0, lateMs);
            ++beats_;
            last_ = now;
        });
    }
    void start() {
        clock_.start();
        last_ = 0;
        timer_.start(int(kPeriodMs));
    }
    double worstMs() const { return worstMs_; }
    double meanMs() const { return beats_ ? sumMs_ / beats_ : 0.0; }
    unsigned beats() const { return beats_; }
    double seconds() const { return double(clock_.elapsed()) / 1000; }
    qint64 elapsedMs() const { return clock_.elapsed(); }

    static constexpr double kPeriodMs = 10;

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    double worstMs_ = 0, sumMs_ = 0;
    unsigned beats_ = 0;
};

} // namespace guibench
