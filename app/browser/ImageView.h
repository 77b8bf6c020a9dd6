#pragma once
// The image view of the right pane: the picture window (scrollable, draggable with the mouse,
// zoomed to fit or by a factor), the info panel of the selected print file, and the job clock.
#include <QAbstractScrollArea>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <optional>

#include "core/RipHead.h"

class CDrvPrint;

namespace orvix {

// The picture window ("ImageWnd"): shows one image at the view's zoom.
class ImageWindow : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ImageWindow(QWidget* parent = nullptr);

    // Loads an image file (nothing when it is the one shown); "" clears.
    // False when the file could not be read (the window is then empty).
    bool load(const QString& path);
    void clear();
    QString path() const { return path_; }
    const QImage& image() const { return image_; }

    // -1 fits the whole picture in the window; otherwise pixels per image pixel.
    void setZoom(double zoom);
    double zoom() const { return zoom_; }
    // The factor the picture is drawn at now (the fitted one for -1).
    double effectiveScale() const;
    QSize scaledSize() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void contextMenuEvent(QContextMenuEvent*) override;

signals:
    void menuRequested(const QPoint& globalPos);

private:
    void updateBars();

    QString path_;
    QImage image_;
    double zoom_ = -1;
    std::optional<QPoint> drag_;
};

// The job clock: elapsed time while a job runs, and the time left counted down while it is not
// paused, re-estimated whenever a pass has been sent. Ticked once a second by the view.
class JobClock {
public:
    void start(unsigned total, unsigned left);
    void stop() { running_ = false; }
    bool running() const { return running_; }
    // One second passed: `jobRuns` (no job: the clock stands), `paused`, the steps sent so far.
    // True when the progress shown changed.
    bool tick(bool jobRuns, bool paused, unsigned stepsSent);
    qint64 elapsed() const { return elapsed_; }
    qint64 left() const { return left_; }
    unsigned total() const { return total_; }
    unsigned lastStep() const { return lastStep_; }
    // "Time:%d:%d:%d" of the elapsed time ("" before the first start).
    QString text() const;
    QString leftText() const;

private:
    bool running_ = false;
    bool started_ = false;
    unsigned total_ = 0, firstLeft_ = 0, firstStep_ = 0, lastStep_ = 0;
    qint64 elapsed_ = 0, left_ = -1; // -1: no estimate yet
};

// The per-plane ink coverage kept beside a preview bitmap, in per cent; empty when there is none.
QList<double> readCoverage(const QString& bitmap);
QString planeName(int plane, int planes);

class ImageView : public QWidget {
    Q_OBJECT
public:
    explicit ImageView(CDrvPrint& engine, QWidget* parent = nullptr);

    ImageWindow* window() const { return window_; }
    JobClock& clock() { return clock_; }

    // Shows a bitmap and the header of its RIP file (fault: why the header was refused, shown
    // instead of the file's values). Clears the time text.
    void showPicture(const QString& bmp, const QString& rip, const std::optional<RipHead>& head,
                     const QString& fault = QString());

    // Zoom commands: fit, 1:1, half and double of the remembered factor, and a direct value.
    void zoomFit();
    void zoomOne();
    void zoomHalf();
    void zoomDouble();
    void setZoom(double zoom);
    double factor() const { return factor_; }

    void startClock(unsigned total, unsigned left);
    void stopClock();
    QString timeText() const { return timeText_; }

    // The info panel's lines as painted (for tests and screenshots).
    QStringList infoLines() const;
    static constexpr int kPanelWidth = 200;
    static constexpr int kFirstLineY = 150;
    static constexpr int kLineStep = 25;

    // The clock's once-a-second step (public so tests drive it without waiting).
    void tick();

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

signals:
    void menuRequested(const QPoint& globalPos);

private:
    CDrvPrint& d_;
    ImageWindow* window_;
    QString file_, rip_, fault_;
    std::optional<RipHead> head_;
    QList<double> coverage_;
    double factor_ = 1;
    JobClock clock_;
    QString timeText_;
    QTimer timer_;
};

} // namespace orvix
