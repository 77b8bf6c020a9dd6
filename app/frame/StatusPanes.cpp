#include "frame/StatusPanes.h"

#include <cstdint>

#include <QStatusBar>

#include "OrvixApp.h"
#include "core/DrvPrint.h"

namespace orvix {

QString sensorsText(const std::array<int, 10>& v) {
    return QString::asprintf("STS:%d%d%d%d%d%d%d%d%d%d", v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]);
}

std::array<int, 10> readSensors(CDrvPrint& d) {
    return {d.AUXCheckCleaner(),   d.AUXCheckEMGSwitch(), d.MOVCheckLeftLSW(0), d.MOVCheckRightLSW(0),
            d.AUXCheckMediaSensor(), d.AUXCheckPurge(),   d.PRNCheckFiring(),   d.AUXCheckHomeYSwitch(),
            d.AUXCLNGet(12),       d.AUXCLNGet(13)};
}

QString positionText(int x, int target, unsigned moved, unsigned speed) {
    return QString::asprintf("POS:%d/%d/%d SPD:%d", x, target, int(moved), speed >= 3001 ? 0 : int(speed));
}

std::optional<QString> positionPane(OrvixApp& app) {
    CDrvPrint& d = app.engine();
    if (d.iXPositionError == kNoPosition) return std::nullopt;
    return positionText(int(d.MOVGetXPosition()), d.PRNGetPosition(d.uiXTarget, 1), d.IMGGetMovedPosition(),
                        app.measuredSpeed);
}

namespace {

// A counter that went negative shows 0 and is put back to 0, unless its writer changed it meanwhile.
int nonNegative(std::atomic<uint32_t>& counter) {
    uint32_t v = counter.load();
    if (int32_t(v) >= 0) return int(v);
    counter.compare_exchange_strong(v, 0);
    return 0;
}

} // namespace

QString passText(CDrvPrint& d) {
    const int current = nonNegative(d.uiStepSendCurrent);
    // The print thread's value: a "negative" one shows as 0 and is left as it is.
    const int total = d.uiStepTotal > unsigned(INT32_MAX) ? 0 : int(d.uiStepTotal);
    return QString::asprintf("PSS:%d/%d/%s", current, total, d.csPrintStep.get());
}

StatusPanes::StatusPanes(OrvixApp& app, QStatusBar* bar) : QObject(bar), app_(app) {
    auto pane = [bar](const char* name, const QString& widest) {
        auto* l = new QLabel(bar);
        l->setObjectName(QString::fromLatin1(name));
        l->setMinimumWidth(l->fontMetrics().horizontalAdvance(widest) + 12);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar->addPermanentWidget(l);
        return l;
    };
    position_ = pane("pane59139", QStringLiteral("POS:-1000000/-10000/1000000 SPD:3000"));
    pass_ = pane("pane59137", QStringLiteral("PSS:10000/10000/EMG STOP!"));
    sensors_ = pane("pane59138", QStringLiteral("STS:0000000000"));
    device_ = pane("paneDevice", app.deviceName());
    device_->setText(app.deviceName());
    connect(&timer_, &QTimer::timeout, this, &StatusPanes::tick);
    timer_.start(kPeriodMs);
    refresh();
    sampler_ = std::thread([this] { sampleLoop(); });
}

StatusPanes::~StatusPanes() { stopSampling(); }

void StatusPanes::stopSampling() {
    {
        std::lock_guard g(sampleLock_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (sampler_.joinable()) sampler_.join();
}

void StatusPanes::sampleLoop() {
    std::unique_lock g(sampleLock_);
    while (!stopping_) {
        g.unlock();
        std::optional<std::array<int, 10>> s;
        if (!app_.closing()) s = readSensors(app_.engine());
        g.lock();
        if (s) sample_ = s;
        wake_.wait_for(g, std::chrono::milliseconds(kPeriodMs), [this] { return stopping_; });
    }
}

void StatusPanes::refresh() {
    if (app_.closing()) return;
    CDrvPrint& d = app_.engine();
    if (auto pos = positionPane(app_)) position_->setText(*pos);
    pass_->setText(passText(d));
    sensors_->setText(sensorsText(readSensors(d)));
}

void StatusPanes::tick() {
    if (app_.closing()) return;
    CDrvPrint& d = app_.engine();
    if (auto pos = positionPane(app_)) position_->setText(*pos);
    pass_->setText(passText(d));
    std::optional<std::array<int, 10>> s;
    {
        std::lock_guard g(sampleLock_);
        s = sample_;
    }
    if (s) sensors_->setText(sensorsText(*s));
}

} // namespace orvix
