#pragma once
// The virtual printer's window: the virtual sheet as it is printed, in ink colours, with the
// carriage on its rail, the media feed and the machine's switches. A worker thread reads the
// machine and copies the sheet (the machine's lock is held only for the copy); the GUI thread
// only paints what the worker hands over, so watching never slows the job or the GUI.
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace orvix {

// What the window shows at one moment.
struct SheetSnapshot {
    bool valid = false;
    double carriageMM = 0, travelMM = 1, feedMM = 0, speedMMs = 0;
    double mediaLeftMM = 0, mediaWidthMM = 0;
    bool left = false, right = false, estop = false, media = false, yHome = false, xMoving = false, yMoving = false;
    uint64_t drops = 0;
    size_t passes = 0;
    QImage sheet;       // rendered when the drops changed; otherwise null (keep the last one)
    bool newSheet = false;
    uint64_t serial = 0;
};

class SheetWindow : public QWidget {
    Q_OBJECT
public:
    explicit SheetWindow(QWidget* parent = nullptr);
    ~SheetWindow() override;

    const SheetSnapshot& snapshot() const { return shown_; }
    // The sheet as the window shows it: upright, as the picture and its preview in the browser
    // show it (the machine lays the print down turned by 180 degrees against the picture), or, in
    // the machine view, as the machine lays it down.
    const QImage& sheetImage() const { return image_; }
    bool machineView() const { return machineView_; }
    void setMachineView(bool on);
    // Snapshots taken so far (tests wait for the next one).
    uint64_t updates() const { return shown_.serial; }
    static constexpr int kPeriodMs = 250;

signals:
    void updated();

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void request();
    void workerLoop();
    void accept(SheetSnapshot s);

    QTimer timer_;
    SheetSnapshot shown_;
    QImage machineImage_; // the sheet as the machine lays it down
    QImage image_;        // as shown
    bool machineView_ = false;

    std::mutex lock_;
    std::condition_variable wake_;
    bool pending_ = false, busy_ = false, stop_ = false;
    QSize renderSize_{800, 500};
    std::thread worker_;
};

} // namespace orvix
