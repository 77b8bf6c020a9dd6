#include "sim/SheetWindow.h"

#include <QPainter>
#include <QPaintEvent>

#include "sim/Sim.h"
#include "sim/SheetRender.h"

namespace orvix {

namespace {

constexpr int kInfoHeight = 120;

SheetSnapshot takeSnapshot(sim::Machine& m, uint64_t lastDrops, QSize renderSize) {
    SheetSnapshot s;
    s.valid = true;
    const sim::MachineConfig& cfg = m.config();
    s.travelMM = cfg.travelMM > 0 ? cfg.travelMM : 1;
    s.carriageMM = m.carriageMM();
    s.feedMM = m.mediaFeedMM();
    s.speedMMs = m.xSpeedMMs();
    s.mediaLeftMM = cfg.mediaLeftMM;
    s.mediaWidthMM = cfg.mediaWidthMM;
    s.left = m.leftLimit();
    s.right = m.rightLimit();
    s.estop = m.emergencyStopPressed();
    s.media = m.mediaUnderSensor();
    s.yHome = m.yHome();
    s.xMoving = m.xMoving();
    s.yMoving = m.yMoving();
    for (int c = 0; c < int(cfg.inkRGB.size()); ++c) s.drops += m.drops(c);
    if (s.drops != lastDrops) {
        // The only time the machine's lock is held for more than a read: the copy.
        const sim::Sheet copy = m.sheet();
        s.sheet = renderSheet(copy, cfg.inkRGB, renderSize);
        s.newSheet = true;
    }
    s.passes = m.passes().size();
    return s;
}

} // namespace

SheetWindow::SheetWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("sheetWindow"));
    setWindowTitle(tr("虚拟打印机"));
    resize(900, 640);
    worker_ = std::thread([this] { workerLoop(); });
    connect(&timer_, &QTimer::timeout, this, &SheetWindow::request);
    timer_.start(kPeriodMs);
    request();
}

SheetWindow::~SheetWindow() {
    {
        std::lock_guard g(lock_);
        stop_ = true;
    }
    wake_.notify_all();
    worker_.join(); // results it posted to this window are dropped with it
}

void SheetWindow::request() {
    std::lock_guard g(lock_);
    if (busy_) return; // one snapshot at a time: a slow copy never piles up work
    renderSize_ = QSize(std::max(200, width() - 20), std::max(150, height() - kInfoHeight - 20));
    pending_ = true;
    wake_.notify_all();
}

void SheetWindow::workerLoop() {
    uint64_t lastDrops = ~uint64_t(0);
    std::unique_lock g(lock_);
    for (;;) {
        wake_.wait(g, [this] { return stop_ || pending_; });
        if (stop_) return;
        pending_ = false;
        busy_ = true;
        const QSize size = renderSize_;
        g.unlock();
        SheetSnapshot s = takeSnapshot(*sim::machine(), lastDrops, size);
        lastDrops = s.drops;
        QMetaObject::invokeMethod(this, [this, s = std::move(s)]() mutable { accept(std::move(s)); },
                                  Qt::QueuedConnection);
        g.lock();
        busy_ = false;
    }
}

void SheetWindow::setMachineView(bool on) {
    machineView_ = on;
    image_ = machineView_ ? machineImage_ : machineImage_.mirrored(true, true);
    update();
}

void SheetWindow::accept(SheetSnapshot s) {
    if (s.newSheet) {
        machineImage_ = s.sheet;
        image_ = machineView_ ? machineImage_ : machineImage_.mirrored(true, true);
    }
    s.sheet = QImage();
    s.serial = shown_.serial + 1;
    shown_ = std::move(s);
    update();
    emit updated();
}

void SheetWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(236, 236, 236));
    const QRect sheetArea(10, 10, width() - 20, height() - kInfoHeight - 20);
    p.fillRect(sheetArea, Qt::white);
    p.setPen(QColor(160, 160, 160));
    p.drawRect(sheetArea.adjusted(0, 0, -1, -1));
    if (!image_.isNull()) {
        QSize fit = image_.size().scaled(sheetArea.size(), Qt::KeepAspectRatio);
        if (fit.width() > image_.width() * 4) fit = image_.size() * 4; // small prints stay crisp, not huge
        const QRect target(sheetArea.x() + (sheetArea.width() - fit.width()) / 2,
                           sheetArea.y() + (sheetArea.height() - fit.height()) / 2, fit.width(), fit.height());
        p.drawImage(target, image_);
    } else {
        p.drawText(sheetArea, Qt::AlignCenter, tr("纸面空白"));
    }

    // The rail: media span, carriage, switches at both ends.
    const SheetSnapshot& s = shown_;
    const int railY = height() - kInfoHeight + 4;
    const QRect rail(20, railY, width() - 40, 14);
    p.fillRect(rail, QColor(200, 200, 200));
    auto xAt = [&](double mm) { return rail.x() + int(mm / s.travelMM * rail.width()); };
    p.fillRect(QRect(QPoint(xAt(s.mediaLeftMM), railY + 4), QPoint(xAt(s.mediaLeftMM + s.mediaWidthMM), railY + 10)),
               QColor(250, 250, 250));
    p.fillRect(QRect(xAt(s.carriageMM) - 6, railY - 3, 12, 20), QColor(40, 90, 160));

    p.setPen(Qt::black);
    const QString line1 = tr("车头: %1 mm   速度: %2 mm/s   走纸: %3 mm")
                              .arg(s.carriageMM, 0, 'f', 1)
                              .arg(s.speedMMs, 0, 'f', 0)
                              .arg(s.feedMM, 0, 'f', 1);
    const QString line2 = tr("墨滴: %1   已打印 Pass: %2").arg(s.drops).arg(s.passes);
    p.drawText(QRect(20, railY + 22, width() - 40, 20), Qt::AlignLeft | Qt::AlignVCenter, line1);
    p.drawText(QRect(20, railY + 44, width() - 40, 20), Qt::AlignLeft | Qt::AlignVCenter, line2);

    const std::pair<QString, bool> lamps[] = {
        {tr("左限位"), s.left},  {tr("右限位"), s.right},    {tr("急停"), s.estop},   {tr("寻料器"), s.media},
        {tr("Y原点"), s.yHome}, {tr("X运动"), s.xMoving}, {tr("Y运动"), s.yMoving},
    };
    int x = 20;
    const int y = railY + 68;
    for (const auto& [name, on] : lamps) {
        p.setBrush(on ? QColor(40, 180, 60) : QColor(170, 170, 170));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRect(x, y + 4, 12, 12));
        p.setPen(Qt::black);
        const int w = fontMetrics().horizontalAdvance(name);
        p.drawText(QRect(x + 16, y, w + 4, 20), Qt::AlignLeft | Qt::AlignVCenter, name);
        x += 16 + w + 18;
    }
}

} // namespace orvix
