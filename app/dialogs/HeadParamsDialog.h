#pragma once
// The head parameters, by the head board the machine has:
// - the older head-parameter board (type 1): "喷头参数调整", one head's 16-byte parameter block
//   read from the board and written back;
// - the temperature/voltage boards (types 2 and 3): "Heads Temperature/Voltage", each head's
//   voltage and offset, written to the boards and saved in the head file, with the temperatures
//   read every two seconds (every second on the newer board).
#include <QDialog>
#include <QTimer>

#include <vector>

class CDrvPrint;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace orvix {

class HeadParamsDialog : public QDialog {
    Q_OBJECT
public:
    HeadParamsDialog(CDrvPrint& d, unsigned boardType, QWidget* parent = nullptr);

    // Older board: read or write the chosen head's block (hex bytes). False (the operator told
    // what failed, with the board's answer) when the board did not answer or the bytes are no block.
    bool readHead();
    bool writeHead();
    // Temperature/voltage boards: the values into the engine, to the boards and into the head
    // file. False (the operator told which board or file failed) when one of them did.
    bool writeVoltages();
    void readTemperatures();

    QSpinBox* head() const { return head_; }
    QLineEdit* bytes() const { return bytes_; }
    QDoubleSpinBox* voltage(int h) const { return voltage_.at(size_t(h)); }
    QDoubleSpinBox* offset(int h) const { return offset_.at(size_t(h)); }
    QLabel* temperature(int h) const { return temperature_.at(size_t(h)); }

private:
    QString bHTVTemperatureModeText() const;
    // The boards' last answer for a message: the command register and the data read back.
    QString boardAnswerText() const;

    CDrvPrint& d_;
    unsigned type_;
    QSpinBox* head_ = nullptr;
    QLineEdit* bytes_ = nullptr;
    std::vector<QDoubleSpinBox*> voltage_, offset_;
    std::vector<QLabel*> temperature_;
    QTimer timer_;
};

} // namespace orvix
