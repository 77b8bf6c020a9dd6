#pragma once
// The numeric edit of the settings dialogs: a decimal value kept inside a range, typing that never
// lets an invalid text stand, and as many decimals shown as the operator has used.
#include <QLineEdit>
#include <QString>

namespace orvix {

class CNumEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CNumEdit(QWidget* parent = nullptr);

    // Results of Verify.
    enum VerifyResult { kValid = 0, kOutOfRange = 1, kNotANumber = 2 };

    // 0 when the text is not valid, else the text read as a number.
    float GetValue() const;
    // False (text unchanged) when x lies outside the range.
    bool SetValue(float x);
    // Value + n steps, held inside the range.
    void ChangeBy(int n);

    void SetRange(float min, float max);
    float GetMin() const { return min_; }
    float GetMax() const { return max_; }
    void SetDelta(float step) { step_ = step; }
    float GetDelta() const { return step_; }
    void SetShowMessages(int on) { showMessages_ = on; }
    int GetShowMessages() const { return showMessages_; }
    // Digits after the point; it only grows (values with more digits raise it).
    void SetDecimals(int n);
    int GetDecimals() const { return decimals_; }

    // Checks the current text or a given one: 1 out of range, 2 not (only) a number, 0 valid; the
    // reason is shown when messages are on.
    int Verify() const { return Verify(text()); }
    int Verify(const QString& text) const;
    // The same check without the message.
    int Check(const QString& text) const;
    // The text x is shown with; raises the decimals to those x needs.
    QString Format(float x);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    int showMessages_ = 0;
    float step_ = 1.0f;
    float min_ = 0.0f;
    float max_ = 100.0f;
    int decimals_ = 0;
};

// Messages of Verify.
QString outOfRangeMessage();
QString notANumberMessage();

} // namespace orvix
