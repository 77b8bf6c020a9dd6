#include "dialogs/NumSpinCtrl.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cstdlib>

#include "dialogs/NumEdit.h"

namespace orvix {

CNumSpinCtrl::CNumSpinCtrl(QWidget* parent) : QWidget(parent) {
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    up_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    down_ = new QToolButton(this);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFixedSize(16, 11);
        b->setFocusPolicy(Qt::NoFocus);
        l->addWidget(b);
    }
    connect(up_, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(down_, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void CNumSpinCtrl::SetBuddy(QWidget* buddy) {
    buddy_ = qobject_cast<CNumEdit*>(buddy);
    if (buddy_) buddy_->SetValue(0.0f);
}

void CNumSpinCtrl::SetRange(float min, float max) {
    position_ = kMiddle;
    if (buddy_) buddy_->SetRange(min, max);
}

void CNumSpinCtrl::GetRange(float& min, float& max) const {
    min = buddy_ ? buddy_->GetMin() : 0.0f;
    max = buddy_ ? buddy_->GetMax() : 0.0f;
}

void CNumSpinCtrl::SetPos(float x) {
    position_ = kMiddle;
    if (buddy_) buddy_->SetValue(x);
}

float CNumSpinCtrl::GetPos() const { return buddy_ ? buddy_->GetValue() : 0.0f; }

void CNumSpinCtrl::SetDelta(float step) {
    if (buddy_) buddy_->SetDelta(step);
}

float CNumSpinCtrl::GetDelta() const { return buddy_ ? buddy_->GetDelta() : 0.0f; }

void CNumSpinCtrl::stepBy(int d) {
    // Near either end the position goes back to the middle first (in both directions), so the
    // spin never stops at an end while the value can still change.
    const int a = std::abs(d);
    if (a >= position_ || position_ >= kRangeMax - a) position_ = kMiddle;
    position_ += d;
    if (buddy_) buddy_->ChangeBy(d);
}

void CNumSpinCtrl::wheelEvent(QWheelEvent* e) {
    const int d = e->angleDelta().y() / 120;
    if (d != 0) stepBy(d);
    e->accept();
}

NumField makeNumField(QWidget* parent, const QString& name, float min, float max, float step, int decimals) {
    NumField f;
    f.box = new QWidget(parent);
    auto* l = new QHBoxLayout(f.box);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(1);
    f.edit = new CNumEdit(f.box);
    f.edit->setObjectName(name);
    f.edit->SetDecimals(decimals);
    f.edit->setMinimumWidth(60);
    f.edit->setMaximumWidth(90);
    f.spin = new CNumSpinCtrl(f.box);
    f.spin->setObjectName(name + QStringLiteral("spin"));
    f.spin->SetBuddy(f.edit);
    f.spin->SetRange(min, max);
    f.spin->SetDelta(step);
    f.edit->SetShowMessages(1);
    l->addWidget(f.edit);
    l->addWidget(f.spin);
    return f;
}

} // namespace orvix
