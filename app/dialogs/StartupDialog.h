#pragma once
// The start-up configuration dialog "请选择打印配置文件": the setup files of the home folder, the
// current one preselected, and the action to run before the program starts.
#include <QDialog>
#include <QStringList>

class CDrvPrint;
class QListWidget;
class QRadioButton;
class QPushButton;

namespace orvix {

// Setup names of the files "setup-NAME.ini" in a folder (the name without "setup-" and ".ini";
// letters in any case), sorted.
QStringList listSetups(const QString& folder);

class StartupDialog : public QDialog {
    Q_OBJECT
public:
    explicit StartupDialog(CDrvPrint& d, QWidget* parent = nullptr);

    QString selectedSetup() const { return selected_; }
    int action() const;
    void setAction(int action);
    QListWidget* list() const { return list_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* quitButton() const { return quit_; }

    // The exit code of "退出(&E)".
    static constexpr int kQuitCode = 1;
    // done() result of "退出(&E)": the caller ends the process with kQuitCode, saving nothing.
    static constexpr int kQuit = 2;

private:
    void confirm();

    CDrvPrint& d_;
    QString selected_;
    QListWidget* list_;
    QRadioButton* actions_[3];
    QPushButton* ok_;
    QPushButton* quit_;
};

} // namespace orvix
