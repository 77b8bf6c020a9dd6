#pragma once
// The status bar's panes after the message pane: position, pass progress, sensors, and the device.
// They are refreshed from the engine by a timer on the GUI thread.
#include <QLabel>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <optional>

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
    QLabel* position() const { return position_; }
    QLabel* pass() const { return pass_; }
    QLabel* sensors() const { return sensors_; }
    QLabel* device() const { return device_; }
    // Refreshes every pane now (the timer does it several times a second).
    void refresh();
    static constexpr int kPeriodMs = 200;

private:
    OrvixApp& app_;
    QLabel* position_;
    QLabel* pass_;
    QLabel* sensors_;
    QLabel* device_;
    QTimer timer_;
};

} // namespace orvix
