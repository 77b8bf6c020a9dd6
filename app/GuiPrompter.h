#pragma once
// The engine's questions as modal message boxes. A question from the GUI thread shows its box at
// once; one from any other thread is handed to the GUI thread and the asking thread waits for the
// answer. Once the application is closing, the GUI thread may be waiting for that very thread
// (joining the print thread, parking the carriage), so questions then get the safe answer.
#include <QString>

#include <atomic>

#include "platform/Prompter.h"

class QMessageBox;
class QWidget;

namespace orvix {

class GuiPrompter : public platform::Prompter {
public:
    int ask(const std::string& text, platform::Buttons buttons) override;
    void setClosing(bool on);
    bool closing() const { return closing_; }
    // The caption of the boxes.
    void setTitle(const QString& title) { title_ = title; }

    // The box of a question, its buttons labelled in the application's language.
    static QMessageBox* makeBox(const QString& title, const QString& text, platform::Buttons buttons, QWidget* parent);
    // The box itself, on the GUI thread.
    static int showBox(const QString& title, const QString& text, platform::Buttons buttons);

private:
    std::atomic<bool> closing_{false};
    QString title_ = QStringLiteral("Orvix");
};

} // namespace orvix
