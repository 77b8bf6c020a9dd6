#pragma once
// A control-bar field whose value is taken when the operator has finished editing it (Enter, or
// the focus leaving it), never keystroke by keystroke. A value the field refuses puts back what it
// showed before and says why, so a half-typed or out-of-range number never reaches the engine.
#include <QObject>
#include <QString>

#include <functional>

class QLineEdit;

namespace orvix {

class BarInput : public QObject {
    Q_OBJECT
public:
    // `take` gets the finished text and returns false to refuse it; `why` is the operator's reason
    // for a refusal. The field's value when it is set from elsewhere (the settings, a measure) is
    // what a refusal puts back.
    BarInput(QLineEdit* edit, std::function<bool(const QString&)> take, QString why);

    // Takes or refuses the edited text now (what Enter and the focus leaving do).
    void finish();
    QString shown() const { return shown_; }

signals:
    void refused(const QString& why);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QLineEdit* edit_;
    std::function<bool(const QString&)> take_;
    QString why_;
    QString shown_;
};

} // namespace orvix
