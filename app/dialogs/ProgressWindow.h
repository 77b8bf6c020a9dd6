#pragma once
// The progress window "Rate of progress" for long engine jobs (previews): a text, a bar over the
// job's size, " Cancel ", and once a second the elapsed time. It follows the job by polling: the
// caller gives how far the job is, whether it still runs, and how to stop it.
#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace orvix {

// "0%d:0%d:%d" and its siblings: hours with a leading 0, minutes and seconds two digits.
QString progressTimeText(qint64 seconds);

class ProgressWindow : public QDialog {
    Q_OBJECT
public:
    struct Job {
        std::function<unsigned()> progress; // units done
        std::function<bool()> running;      // false once the job has ended
        std::function<void()> cancel;       // stops the job and waits for it
    };

    ProgressWindow(const QString& text, unsigned total, Job job, QWidget* parent = nullptr);

    // Shows the window until the job ends (true) or the operator cancels it (false, the job
    // stopped by then).
    bool runJob();

    QPushButton* cancelButton() const { return cancel_; }
    QProgressBar* bar() const { return bar_; }
    QLabel* label() const { return label_; }
    static constexpr int kPollMs = 50;

    // The text of the once-a-second line: "%s [%d%%]             Time: ...".
    QString statusLine(qint64 seconds) const;

private:
    void poll();
    void tick();

    QString text_;
    unsigned total_;
    Job job_;
    QLabel* label_;
    QProgressBar* bar_;
    QPushButton* cancel_;
    QTimer pollTimer_, secondTimer_;
    QElapsedTimer clock_;
    bool cancelled_ = false;
};

} // namespace orvix
