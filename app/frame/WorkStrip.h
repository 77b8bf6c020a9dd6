#pragma once
// The strip in the status bar that shows the machine work that runs ("车头复位… 12 秒") with its
// Stop button; hidden while nothing runs.
#include <QTimer>
#include <QWidget>

class QLabel;
class QPushButton;

namespace orvix {

class MachineWork;

class WorkStrip : public QWidget {
    Q_OBJECT
public:
    WorkStrip(MachineWork& work, QWidget* parent);

    QLabel* text() const { return text_; }
    QPushButton* stopButton() const { return stop_; }

private:
    void refresh();

    MachineWork& work_;
    QLabel* text_;
    QPushButton* stop_;
    QTimer timer_;
};

} // namespace orvix
