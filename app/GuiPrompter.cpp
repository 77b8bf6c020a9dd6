#include "GuiPrompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QThread>

#include <chrono>
#include <memory>

namespace orvix {

namespace {

// One question handed to the GUI thread. `abandoned` tells the GUI thread not to show a box that
// nobody waits for any more.
struct Pending {
    std::mutex lock;
    std::condition_variable done;
    bool answered = false;
    bool abandoned = false;
    int answer = 0;
};

bool onGuiThread() { return qApp && QThread::currentThread() == qApp->thread(); }

} // namespace

QMessageBox* GuiPrompter::makeBox(const QString& title, const QString& text, platform::Buttons buttons,
                                  QWidget* parent) {
    auto* box = new QMessageBox(buttons == platform::Buttons::Ok ? QMessageBox::Information : QMessageBox::Question,
                                title, text, QMessageBox::NoButton, parent);
    switch (buttons) {
    case platform::Buttons::Ok:
        box->setStandardButtons(QMessageBox::Ok);
        break;
    case platform::Buttons::YesNo:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case platform::Buttons::YesNoCancel:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    // Qt's own labels come in English only unless its translations are installed.
    const std::pair<QMessageBox::StandardButton, const char*> labels[] = {
        {QMessageBox::Ok, QT_TRANSLATE_NOOP("orvix::GuiPrompter", "确定")},
        {QMessageBox::Yes, QT_TRANSLATE_NOOP("orvix::GuiPrompter", "是(&Y)")},
        {QMessageBox::No, QT_TRANSLATE_NOOP("orvix::GuiPrompter", "否(&N)")},
        {QMessageBox::Cancel, QT_TRANSLATE_NOOP("orvix::GuiPrompter", "取消")},
    };
    for (const auto& [which, label] : labels)
        if (QAbstractButton* b = box->button(which)) b->setText(QCoreApplication::translate("orvix::GuiPrompter", label));
    return box;
}

int GuiPrompter::showBox(const QString& title, const QString& text, platform::Buttons buttons) {
    std::unique_ptr<QMessageBox> owned(makeBox(title, text, buttons, QApplication::activeWindow()));
    QMessageBox& box = *owned;
    switch (box.exec()) {
    case QMessageBox::Ok:
        return platform::IDOK;
    case QMessageBox::Yes:
        return platform::IDYES;
    case QMessageBox::No:
        return platform::IDNO;
    default: // Escape or the window's close button
        return platform::safeAnswer(buttons);
    }
}

int GuiPrompter::ask(const std::string& text, platform::Buttons buttons) {
    if (closing_ || !qApp) return platform::safeAnswer(buttons);
    const QString qtext = QString::fromStdString(text);
    if (onGuiThread()) return showBox(title_, qtext, buttons);

    auto p = std::make_shared<Pending>();
    const QString title = title_;
    QMetaObject::invokeMethod(
        qApp,
        [p, title, qtext, buttons] {
            {
                std::lock_guard g(p->lock);
                if (p->abandoned) return;
            }
            const int a = showBox(title, qtext, buttons);
            std::lock_guard g(p->lock);
            p->answer = a;
            p->answered = true;
            p->done.notify_all();
        },
        Qt::QueuedConnection);

    std::unique_lock g(p->lock);
    // Wakes now and then to see whether the application began closing meanwhile.
    while (!p->answered) {
        if (closing_) {
            p->abandoned = true;
            return platform::safeAnswer(buttons);
        }
        p->done.wait_for(g, std::chrono::milliseconds(50));
    }
    return p->answer;
}

void GuiPrompter::setClosing(bool on) { closing_ = on; }

} // namespace orvix
