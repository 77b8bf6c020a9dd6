#pragma once
// The settings sheet: "选项" (print mode and head alignment, for the operator) and "基本参数设置"
// (head alignment and movement, for the machine builder, behind the engineer password). Pages edit
// the engine's settings; "打开(&L)" and "保存(&S)" read and write parameter files (*.tkw).
#include <QDialog>

#include <functional>
#include <vector>

class CDrvPrint;
class QPushButton;
class QTabWidget;

namespace orvix {

class SettingsPage;
class CPrintSettingDlg;
class CSetHeadAlignmentDlg;
class CSetMovementDlg;

class CParams : public QDialog {
    Q_OBJECT
public:
    // `basicMode` chooses the pages; `startPage` is shown first (an index past the pages: the first).
    CParams(CDrvPrint& d, bool basicMode, int startPage, QWidget* parent = nullptr);

    QTabWidget* tabs() const { return tabs_; }
    CPrintSettingDlg* printPage() const { return print_; }
    CSetHeadAlignmentDlg* alignmentPage() const { return alignment_; }
    CSetMovementDlg* movementPage() const { return movement_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* applyButton() const { return apply_; }
    QPushButton* openButton() const { return open_; }
    QPushButton* saveButton() const { return save_; }

    // Every page writes its values into the engine; false when one refused (that page is shown).
    bool applyAll();
    // Parameter files: with an empty path the file dialog asks. True when done.
    bool openParams(QString path = QString());
    bool saveParams(QString path = QString());
    // The file dialog, replaceable by tests: (save?) -> path or "".
    std::function<QString(bool save)> askFile;

    void done(int r) override;

private:
    CDrvPrint& d_;
    QTabWidget* tabs_;
    std::vector<SettingsPage*> pages_;
    CPrintSettingDlg* print_ = nullptr;
    CSetHeadAlignmentDlg* alignment_ = nullptr;
    CSetMovementDlg* movement_ = nullptr;
    QPushButton* ok_;
    QPushButton* cancel_;
    QPushButton* apply_;
    QPushButton* open_;
    QPushButton* save_;
};

// The save question after the sheet closed: Yes saves the setup file, No leaves the file as it
// was (the engine keeps the changed values until the next start).
void askSaveParams(CDrvPrint& d);
// Tells the operator that a settings save failed: the file and the reason the engine gave
// (csSaveError). `result` is the save's result; returns it, so a call can wrap the save.
int toldSave(const CDrvPrint& d, int result);
// Shows the sheet modally, then asks the save question.
void runSettingsSheet(CDrvPrint& d, bool basicMode, QWidget* parent);
// The engineer password: true for the right one; a wrong one has been told "密码不正确!".
bool askEngineerPassword(QWidget* parent);

} // namespace orvix
