#pragma once
// The up-down partner of CNumEdit. It has no value of its own: its position stays near the middle
// of 0..1000 so it never reaches an end, and every step goes to its buddy edit.
#include <QPointer>
#include <QWidget>

class QToolButton;

namespace orvix {

class CNumEdit;

class CNumSpinCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CNumSpinCtrl(QWidget* parent = nullptr);

    static constexpr int kRangeMax = 1000;
    static constexpr int kMiddle = 500;

    // Attaches an edit (its value becomes 0); anything but a CNumEdit leaves the spin without one.
    void SetBuddy(QWidget* buddy);
    CNumEdit* GetBuddy() const { return buddy_; }
    void SetRange(float min, float max);
    void GetRange(float& min, float& max) const;
    void SetPos(float x);
    float GetPos() const;
    void SetDelta(float step);
    float GetDelta() const;
    // The spin's own position (0..1000), which the steps move.
    int position() const { return position_; }

    // One change of d steps, as an arrow press or the wheel makes it.
    void stepBy(int d);

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

protected:
    void wheelEvent(QWheelEvent* e) override;

private:
    QPointer<CNumEdit> buddy_;
    int position_ = kMiddle;
    QToolButton* up_;
    QToolButton* down_;
};

// An edit with its spin beside it, in one widget for a form.
struct NumField {
    CNumEdit* edit = nullptr;
    CNumSpinCtrl* spin = nullptr;
    QWidget* box = nullptr;
};
// `name` names the edit (the control's identifier, "c1072"); the spin is named name + "spin".
NumField makeNumField(QWidget* parent, const QString& name, float min, float max, float step = 1.0f, int decimals = 0);

} // namespace orvix
