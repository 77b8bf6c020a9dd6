#pragma once
// The control bar under the toolbar: pass mode, carriage speed, margin, copies, fire position,
// test prints, RIP folder path, manual move distance and the zoom of the image view. Controls are
// named after their identifiers ("c1017") so that the command handlers and tests find them.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QWidget>

class CDrvPrint;

namespace orvix {

class ControlBar : public QWidget {
    Q_OBJECT
public:
    explicit ControlBar(QWidget* parent = nullptr);

    QComboBox* passList() const { return pass_; }      // 1017
    QComboBox* speedList() const { return speed_; }    // 1020
    QLineEdit* margin() const { return margin_; }      // 1108
    QLineEdit* copies() const { return copies_; }      // 1109
    QLineEdit* firePosition() const { return fire_; }  // 1110
    QComboBox* testList() const { return test_; }      // 1019
    QPushButton* testButton() const { return testButton_; } // 179
    QLineEdit* path() const { return path_; }          // 1003
    QLineEdit* moveDistance() const { return move_; }  // 1111
    QPushButton* browse() const { return browse_; }    // 1023
    QPushButton* back() const { return back_; }        // 1025
    QPushButton* forward() const { return forward_; }  // 1026
    QComboBox* zoomList() const { return zoom_; }      // 1018

    // Every text the bar shows (labels, buttons, list entries), for the glyph check.
    QStringList texts() const;

private:
    QComboBox* pass_;
    QComboBox* speed_;
    QLineEdit* margin_;
    QLineEdit* copies_;
    QLineEdit* unused178_;
    QLineEdit* fire_;
    QComboBox* test_;
    QPushButton* testButton_;
    QLineEdit* path_;
    QLineEdit* move_;
    QPushButton* browse_;
    QPushButton* back_;
    QPushButton* forward_;
    QComboBox* zoom_;
};

// Fills the bar from the engine's settings: the pass modes csPassMode offers with the mode uiPass
// chosen (none when the list leaves it out), speed uiXSpeed - 1, the first test, the zoom entry of
// `zoom` (-1 is "Fit"; the last entry when none matches), move distance 100.
void fillControlBar(ControlBar& bar, CDrvPrint& d, int zoom);

// The pass mode (uiPass) the bar's pass list has chosen; the engine's own when it has none.
unsigned chosenPassMode(const ControlBar& bar, const CDrvPrint& d);

} // namespace orvix
