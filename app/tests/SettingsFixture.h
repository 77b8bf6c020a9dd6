#pragma once
// What the settings tests share: finding the sheet's controls by their identifiers, typing into
// them as the operator does, and acting on a modal dialog once it is up.
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

#include <functional>

#include "Fixture.h"
#include "dialogs/NumEdit.h"
#include "dialogs/SettingsPage.h"

namespace orvix::test {

template <class W> W* control(QWidget* in, int id) {
    W* w = in->findChild<W*>(controlName(id));
    if (!w) qWarning("no control c%d", id);
    return w;
}

// Types a value over the field's text, as the operator does.
inline void typeInto(QLineEdit* e, const QString& text) {
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    QTest::keyClicks(e, text);
}

// Runs `fn` on the modal dialog of type W once it is up (polling the event loop); `fn` must close
// it. Records whether one came up. The polling ends with `scope` (a QObject of the test function),
// so it never outlives the variables `fn` refers to.
template <class W>
void onModal(QObject* scope, std::function<void(W*)> fn, bool* seen = nullptr, int waitMs = 3000) {
    auto tries = std::make_shared<int>(waitMs / 20);
    auto poll = std::make_shared<std::function<void()>>();
    std::weak_ptr<std::function<void()>> self = poll;
    *poll = [scope, fn, seen, tries, self] {
        if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget())) {
            if (seen) *seen = true;
            fn(w);
            return;
        }
        if (auto again = self.lock(); again && --*tries > 0) QTimer::singleShot(20, scope, [again] { (*again)(); });
    };
    QTimer::singleShot(20, scope, [poll] { (*poll)(); });
}

} // namespace orvix::test
