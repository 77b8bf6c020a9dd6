#include "browser/ImageView.h"

#include <QContextMenuEvent>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

#include "browser/BrowserFiles.h"
#include "core/DrvPrint.h"

namespace orvix {

namespace {

constexpr double kMinFactor = 1.0 / 64; // beyond these the picture is a dot or a blur of pixels
constexpr double kMaxFactor = 16;

QSize ScaledSizeOf(const QImage& img, double s) {
    return QSize(std::max(1, int(std::lround(img.width() * s))), std::max(1, int(std::lround(img.height() * s))));
}

QString clockText(qint64 s) { return QStringLiteral("%1:%2:%3").arg(s / 3600).arg((s / 60) % 60).arg(s % 60); }

} // namespace

// ---------------------------------------------------------------------------------- ImageWindow

ImageWindow::ImageWindow(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("ImageWnd"));
    viewport()->setCursor(Qt::OpenHandCursor);
    resize(450, 395);
}

bool ImageWindow::load(const QString& path) {
    // Exact names: "A.bmp" and "a.bmp" are two pictures on this file system.
    if (path == path_ && !path.isEmpty() && !image_.isNull()) return true;
    image_ = QImage();
    path_ = path;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    bool ok = path.isEmpty();
    if (!path.isEmpty() && QFileInfo(path).isFile()) { // never a FIFO or device: it would block
        QImageReader reader(path);
        reader.setAutoTransform(true);
        // A picture too large to show is refused rather than allowed to take the memory.
        const QSize s = reader.size();
        if (s.isValid() && qint64(s.width()) * s.height() <= 256ll << 20) image_ = reader.read();
        ok = !image_.isNull();
    }
    updateBars();
    viewport()->update();
    return ok;
}

void ImageWindow::clear() { load(QString()); }

void ImageWindow::setZoom(double zoom) {
    zoom_ = zoom < 0 ? -1 : std::clamp(zoom, kMinFactor, kMaxFactor);
    updateBars();
    viewport()->update();
}

double ImageWindow::effectiveScale() const {
    if (image_.isNull()) return 1;
    if (zoom_ > 0) return zoom_;
    const QSize area = viewport()->size();
    return std::min(double(area.width()) / image_.width(), double(area.height()) / image_.height());
}


QSize ImageWindow::scaledSize() const { return image_.isNull() ? QSize() : ScaledSizeOf(image_, effectiveScale()); }

void ImageWindow::updateBars() {
    const QSize s = scaledSize(), area = viewport()->size();
    const bool fit = zoom_ < 0 || image_.isNull();
    horizontalScrollBar()->setRange(0, fit ? 0 : std::max(0, s.width() - area.width()));
    verticalScrollBar()->setRange(0, fit ? 0 : std::max(0, s.height() - area.height()));
    horizontalScrollBar()->setPageStep(area.width());
    verticalScrollBar()->setPageStep(area.height());
}

void ImageWindow::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const QRect area = viewport()->rect();
    if (image_.isNull()) {
        // The plain background of an empty view.
        p.fillRect(area, QColor(236, 236, 236));
        p.setPen(QColor(160, 160, 160));
        p.drawText(area, Qt::AlignCenter, tr("请选择RIP文件"));
        return;
    }
    p.fillRect(area, QColor(128, 128, 128));
    const QSize s = scaledSize();
    // A picture smaller than the window is centred; a larger one follows the scroll bars.
    const int x = s.width() < area.width() ? (area.width() - s.width()) / 2 : -horizontalScrollBar()->value();
    const int y = s.height() < area.height() ? (area.height() - s.height()) / 2 : -verticalScrollBar()->value();
    p.setRenderHint(QPainter::SmoothPixmapTransform, effectiveScale() < 1);
    p.drawImage(QRect(QPoint(x, y), s), image_);
}

void ImageWindow::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    updateBars();
}

void ImageWindow::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        drag_ = e->position().toPoint();
        viewport()->setCursor(Qt::ClosedHandCursor);
    }
}

void ImageWindow::mouseMoveEvent(QMouseEvent* e) {
    if (!drag_) return;
    const QPoint now = e->position().toPoint();
    const QPoint delta = now - *drag_;
    drag_ = now;
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() - delta.x());
    verticalScrollBar()->setValue(verticalScrollBar()->value() - delta.y());
    viewport()->update();
}

void ImageWindow::mouseReleaseEvent(QMouseEvent*) {
    drag_.reset();
    viewport()->setCursor(Qt::OpenHandCursor);
}

void ImageWindow::contextMenuEvent(QContextMenuEvent* e) { emit menuRequested(e->globalPos()); }

// ------------------------------------------------------------------------------------- JobClock

void JobClock::start(unsigned total, unsigned left) {
    running_ = started_ = true;
    total_ = total;
    firstLeft_ = std::min(left, total);
    firstStep_ = lastStep_ = total - firstLeft_;
    elapsed_ = 0;
    left_ = -1;
}

bool JobClock::tick(bool jobRuns, bool paused, unsigned stepsSent) {
    if (!running_ || !jobRuns) return false;
    ++elapsed_;
    if (!paused && left_ > 0) --left_;
    if (stepsSent <= lastStep_) return false;
    lastStep_ = stepsSent;
    // The time per step so far, times the steps still to do.
    const unsigned done = lastStep_ - firstStep_;
    const unsigned remaining = total_ > lastStep_ ? total_ - lastStep_ : 0;
    if (done > 0) left_ = qint64(std::llround(double(elapsed_) / done * remaining));
    return true;
}

QString JobClock::text() const { return started_ ? QStringLiteral("Time:") + clockText(elapsed_) : QString(); }

QString JobClock::leftText() const { return left_ >= 0 && running_ ? clockText(left_) : QString(); }

// ------------------------------------------------------------------------------------- coverage

QList<double> readCoverage(const QString& bitmap) {
    QList<double> out;
    QFile f(coverageFileOf(bitmap));
    if (!QFileInfo(f.fileName()).isFile() || !f.open(QIODevice::ReadOnly | QIODevice::Text)) return out;
    const QFileInfo ink(f.fileName()), bmp(bitmap);
    if (bmp.exists() && ink.lastModified() < bmp.lastModified().addSecs(-2)) return out; // of an older preview
    const QList<QByteArray> lines = f.read(4096).split('\n');
    int planes = -1;
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        const int eq = line.indexOf('=');
        if (eq <= 0) continue;
        const QByteArray key = line.left(eq), value = line.mid(eq + 1);
        bool ok = false;
        if (key == "planes") {
            planes = value.toInt(&ok);
            if (!ok || planes < 1 || planes > 32) return {};
            out = QList<double>(planes, -1);
            continue;
        }
        const int plane = key.toInt(&ok);
        const double v = value.toDouble(&ok);
        if (!ok || plane < 0 || plane >= out.size() || !(v >= 0 && v <= 100)) return {};
        out[plane] = v;
    }
    if (out.contains(-1)) return {};
    return out;
}

QString planeName(int plane, int planes) {
    static const char* const eight[] = {"K", "C", "M", "Y", "Lc", "Lm", "Lk", "Ly"};
    static const char* const ten[] = {"K", "C", "M", "Y", "Lc", "Lm", "O", "G", "W", "V"};
    if (planes == 10 && plane < 10) return QString::fromLatin1(ten[plane]);
    if (planes == 5 && plane == 4) return QStringLiteral("W");
    if (planes <= 8 && plane < 8) return QString::fromLatin1(eight[plane]);
    return QStringLiteral("P%1").arg(plane + 1);
}

// ------------------------------------------------------------------------------------ ImageView

ImageView::ImageView(CDrvPrint& engine, QWidget* parent) : QWidget(parent), d_(engine) {
    setObjectName(QStringLiteral("imageView"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    window_ = new ImageWindow(this);
    connect(window_, &ImageWindow::menuRequested, this, &ImageView::menuRequested);
    connect(&timer_, &QTimer::timeout, this, &ImageView::tick);
    timer_.start(1000);
}

void ImageView::resizeEvent(QResizeEvent*) {
    window_->setGeometry(0, 0, std::max(0, width() - kPanelWidth - 10), height());
}

void ImageView::showPicture(const QString& bmp, const QString& rip, const std::optional<RipHead>& head,
                            const QString& fault) {
    file_ = bmp;
    rip_ = rip;
    head_ = head;
    fault_ = fault;
    if (!window_->load(bmp) && fault_.isEmpty()) fault_ = tr("无法读取预览图像");
    coverage_ = bmp.isEmpty() ? QList<double>() : readCoverage(bmp);
    timeText_.clear();
    update();
}

void ImageView::zoomFit() {
    factor_ = 1;
    window_->setZoom(-1);
}

void ImageView::zoomOne() {
    factor_ = 1;
    window_->setZoom(1);
}

void ImageView::zoomHalf() {
    factor_ = std::max(kMinFactor, factor_ * 0.5);
    window_->setZoom(factor_);
}

void ImageView::zoomDouble() {
    factor_ = std::min(kMaxFactor, factor_ * 2);
    window_->setZoom(factor_);
}

void ImageView::setZoom(double zoom) {
    if (zoom > 0) factor_ = std::clamp(zoom, kMinFactor, kMaxFactor);
    window_->setZoom(zoom);
}

void ImageView::startClock(unsigned total, unsigned left) {
    clock_.start(total, left);
    timeText_ = clock_.text();
    update();
}

void ImageView::stopClock() {
    clock_.stop();
    update();
}

void ImageView::tick() {
    const bool runs = d_.bStopSeen.load() == 0;
    clock_.tick(runs, d_.bPause.load() != 0, d_.uiStepSendCurrent.load());
    if (clock_.running()) timeText_ = clock_.text();
    update(QRect(width() - kPanelWidth - 10, 0, kPanelWidth + 10, height()));
}

QStringList ImageView::infoLines() const {
    QStringList l;
    l << tr("材料宽度:%1mm").arg(d_.XPulseToMM(int32_t(d_.uiWidth1)));
    l << tr("文件: %1").arg(QFileInfo(file_).fileName());
    if (!fault_.isEmpty() || !head_) {
        l << fault_;
        return l;
    }
    const RipHead& h = *head_;
    const double w = h.uiXDPI ? 0.0254 / h.uiXDPI * h.uiWidth : 0;
    const double len = h.uiYDPI ? 0.0254 / h.uiYDPI * h.uiHeight : 0;
    l << tr("宽度: %1 米").arg(w, 0, 'f', 2);
    l << tr("长度: %1 米").arg(len, 0, 'f', 2);
    l << tr("面积: %1 平米").arg(w * len, 0, 'f', 2);
    l << tr("数量: %1/%2").arg(d_.uiCopyIndex.load() + 1).arg(d_.uiPrintQty);
    l << tr("颜色:%1").arg(h.uiColors);
    l << tr("精度: %1").arg(h.uiYDPI);
    // The engine's state in numbers for the service engineer: passes sent, passes of the job,
    // lines still to read, ready, parked in a pause.
    l << tr("打印代码:%1,%2,%3,%4,%5")
             .arg(d_.uiStepSendCurrent.load())
             .arg(d_.uiStepTotal)
             .arg(d_.uiLinesLeft.load())
             .arg(d_.bStopSeen.load())
             .arg(d_.bPauseSeen.load());
    if (!timeText_.isEmpty()) {
        l << timeText_;
        const QString left = clock_.leftText();
        if (!left.isEmpty()) l << tr("剩余: %1").arg(left);
    }
    if (!coverage_.isEmpty()) {
        l << tr("墨水覆盖率:");
        for (int i = 0; i < coverage_.size(); i += 2) {
            QString t = QStringLiteral("%1 %2%").arg(planeName(i, int(coverage_.size()))).arg(coverage_[i], 0, 'f', 1);
            if (i + 1 < coverage_.size())
                t += QStringLiteral("   %1 %2%").arg(planeName(i + 1, int(coverage_.size()))).arg(coverage_[i + 1], 0, 'f', 1);
            l << t;
        }
    }
    return l;
}

void ImageView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int x = width() - kPanelWidth;
    const QStringList lines = infoLines();
    for (int i = 0; i < lines.size(); ++i) {
        // A refused header's reason (the third line) in red, and room to wrap.
        const bool fault = i == 2 && !fault_.isEmpty();
        p.setPen(fault ? QColor(192, 0, 0) : QColor(128, 128, 128));
        p.drawText(QRect(x, kFirstLineY + i * kLineStep, kPanelWidth - 4, fault ? kLineStep * 6 : kLineStep),
                   Qt::TextWordWrap, lines[i]);
    }
}

} // namespace orvix
