#pragma once
// The status bar's panes after the message pane: position, pass progress, sensors, and the device.
// They are refreshed from the engine by a timer on the GUI thread. The sensors are sampled on a
// thread of their own: a held emergency-stop button makes its check wait between reads, and the
// GUI must not wait with it.
#include <QLabel>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

class CDrvPrint;
class QStatusBar;

namespace orvix {

class OrvixApp;

// "STS:%d%d%d%d%d%d%d%d%d%d": cleaner, emergency stop, left and right limit, media sensor, purge,
// firing, Y home, station up, station down.
QString sensorsText(const std::array<int, 10>& v);
std::array<int, 10> readSensors(CDrvPrint& d);
// "POS:%d/%d/%d SPD:%d"; a speed of 3001 mm/s or more is no measurement and shows 0.
QString positionText(int x, int target, unsigned moved, unsigned speed);
// The position pane's text now, or nothing while the engine has no valid position (a movement
// correction is measuring): the pane then keeps what it showed.
std::optional<QString> positionPane(OrvixApp& app);
// "PSS:%d/%d/%s". Negative step counts show 0 and are reset to 0 in the engine.
QString passText(CDrvPrint& d);

// The engine's "no valid position" value of the position error.
constexpr int kNoPosition = -100000;

class StatusPanes : public QObject {
    Q_OBJECT
public:
    StatusPanes(OrvixApp& app, QStatusBar* bar);
    ~StatusPanes() override;
    QLabel* position() const { return position_; }
    QLabel* pass() const { return pass_; }
    QLabel* sensors() const { return sensors_; }
    QLabel* device() const { return device_; }
    // Refreshes every pane now, the sensors read on the calling thread.
    void refresh();
    // What the timer does several times a second: the sensors from the sampling thread's last read.
    void tick();
    // Ends the sampling thread (before the engine goes); the panes then stay as they are.
    void stopSampling();
    static constexpr int kPeriodMs = 200;

private:
    void sampleLoop();

    OrvixApp& app_;
    QLabel* position_;
    QLabel* pass_;
    QLabel* sensors_;
    QLabel* device_;
    QTimer timer_;
    std::mutex sampleLock_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::optional<std::array<int, 10>> sample_;
    std::thread sampler_;
};

} // namespace orvix
