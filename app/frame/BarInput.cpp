#include "frame/BarInput.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace orvix {

BarInput::BarInput(QLineEdit* edit, std::function<bool(const QString&)> take, QString why)
    : QObject(edit), edit_(edit), take_(std::move(take)), why_(std::move(why)), shown_(edit->text()) {
    edit->installEventFilter(this);
    // setText from the program clears the modified flag; the operator's typing sets it. What the
    // program shows is what a refusal puts back.
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (!edit_->isModified()) shown_ = t;
    });
}

void BarInput::finish() {
    if (!edit_->isModified()) return;
    const QString text = edit_->text();
    const bool acceptable = edit_->hasAcceptableInput() && take_ && take_(text);
    if (acceptable) {
        shown_ = text;
        edit_->setModified(false);
        return;
    }
    edit_->setText(shown_); // clears the modified flag
    emit refused(why_);
}

bool BarInput::eventFilter(QObject* watched, QEvent* e) {
    if (watched == edit_) {
        if (e->type() == QEvent::FocusOut) {
            finish();
        } else if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) finish();
        }
    }
    return QObject::eventFilter(watched, e);
}

} // namespace orvix
